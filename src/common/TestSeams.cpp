#include "common/TestSeams.h"

#include <cstdio>
#include <cstdlib>

// Set by the build (CMake's QUORVANE_TEST_SEAMS), for this file only: the rest of the program asks.
#ifndef QUORVANE_TEST_SEAMS
#error "QUORVANE_TEST_SEAMS must be defined to 0 or 1 by the build"
#endif

bool testSwitchesHonoured() {
    return QUORVANE_TEST_SEAMS != 0;
}

const char* testSwitch(const char* name) {
    if (!testSwitchesHonoured())
        return nullptr;
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

std::vector<std::string> ignoredTestSwitchWarnings(const std::function<const char*(const char*)>& lookup,
                                                   bool honoured) {
    std::vector<std::string> lines;
    if (honoured)
        return lines;
    for (const char* name : kTestSwitchNames) {
        const char* value = lookup(name);
        if (value && *value)
            lines.push_back(std::string("Quorvane ignores ") + name +
                            ": it is a switch for the tests, obeyed only by builds made for them.");
    }
    return lines;
}

void warnAboutIgnoredTestSwitches() {
    for (const std::string& line :
         ignoredTestSwitchWarnings([](const char* name) { return std::getenv(name); }, testSwitchesHonoured()))
        std::fprintf(stderr, "%s\n", line.c_str());
}
