#pragma once
// The window needs a session bus. A benchmark started without one runs itself again on a private
// bus (dbus-run-session), so it works the same from a bare terminal and from a desktop.

#include <unistd.h>

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ui/browser/Ddeml.h"

/// Returns only when a session bus is there (or the private one could not be started: then it says
/// so and ends the program).
inline void runOnASessionBus(int argc, char** argv, const char* name) {
    if (!dde::sessionBusAddress().isEmpty() || !qEnvironmentVariableIsEmpty("BENCH_NO_BUS"))
        return;
    qputenv("BENCH_NO_BUS", "1");
    std::vector<char*> args = {const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
    args.insert(args.end(), argv, argv + argc);
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::fprintf(stderr, "%s: no session bus, and dbus-run-session cannot be started\n", name);
    std::exit(1);
}
