#pragma once
// Switches the tests set in the environment: QUORVANE_TEST_KDF (new passwords get "PASSES,KIB"
// instead of the tuned second), QUORVANE_BRIDGE_TRACE (the bridge writes the DevTools messages to
// standard error, secrets masked) and QUORVANE_ALLOW_CORE_DUMPS (a crash may leave a core file).
// Only a build configured with QUORVANE_TEST_SEAMS=ON (the default where the tests are built; the
// package and scripts/run never honour them) obeys them. Any other build ignores them and says so
// on standard error, so that a variable left over in a person's shell can weaken nothing.

#include <functional>
#include <string>
#include <vector>

inline constexpr const char* kTestSwitchNames[] = {"QUORVANE_TEST_KDF", "QUORVANE_BRIDGE_TRACE",
                                                   "QUORVANE_ALLOW_CORE_DUMPS"};

/// True in a build that obeys the test switches.
bool testSwitchesHonoured();

/// The value of the test switch `name` when this build obeys test switches and it is set and not
/// empty; nullptr otherwise.
const char* testSwitch(const char* name);

/// The lines a program prints at start for the test switches `lookup` finds set (it returns a
/// variable's value or nullptr): one for each when `honoured` is false, none otherwise.
std::vector<std::string> ignoredTestSwitchWarnings(const std::function<const char*(const char*)>& lookup,
                                                   bool honoured);

/// Prints this process's ignoredTestSwitchWarnings to standard error.
void warnAboutIgnoredTestSwitches();
