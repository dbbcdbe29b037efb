// quorvane-cli: reaches Quorvane's card documents and encrypted files without a window.

#include <CLI/CLI.hpp>

#include "cli/CliApp.h"
#include "common/ProcessGuard.h"

int main(int argc, char** argv) {
    guardProcess();
    auto cli = makeCliApp();
    return runCli(*cli, argc, argv);
}
