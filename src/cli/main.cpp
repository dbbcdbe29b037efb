// quorvane-cli: reaches Quorvane's card documents and encrypted files without a window.

#include <CLI/CLI.hpp>

#include "cli/CliApp.h"

int main(int argc, char** argv) {
    auto cli = makeCliApp();
    return runCli(*cli, argc, argv);
}
