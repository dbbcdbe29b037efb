// quorvane-cli: reaches Quorvane's card documents and encrypted files without a window.

#include <cstring>
#include <iostream>
#include <map>

#include "cli/Commands.h"
#include "common/ProcessGuard.h"

namespace {

const char* kUsage =
    "Usage: quorvane-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Card documents (.qvf plain, .qve encrypted, and the older formats):\n"
    "  dump FILE [--date-format N]       the document as JSON on standard output\n"
    "  ls FILE                           categories and their cards, passwords masked\n"
    "  convert IN OUT [--encrypt|--plain] [--force]\n"
    "                                    write IN in the current format to OUT\n"
    "\n"
    "Encrypted files (~~~):\n"
    "  encrypt-file PATH [--force]       encrypt PATH into a ~~~ file and delete PATH\n"
    "  decrypt-file PATH [--force]       restore the file a ~~~ file holds\n"
    "  classify PATH                     print encrypted, readable, empty, or why it cannot be read\n"
    "\n"
    "An existing output is replaced only with --force. \"--\" ends the options: names after it may\n"
    "begin with \"-\".\n"
    "Passwords are read without echo at a terminal, or as lines of standard input otherwise.\n"
    "Messages go to standard error, data to standard output. Exit status 0 on success, 1 otherwise.\n";

}  // namespace

int main(int argc, char** argv) {
    guardProcess();
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        std::cout << kUsage;
        return argc < 2 ? 1 : 0;
    }
    const std::map<std::string, int (*)(const Args&)> commands = {
        {"dump", cmdDump},
        {"ls", cmdList},
        {"convert", cmdConvert},
        {"encrypt-file", cmdEncryptFile},
        {"decrypt-file", cmdDecryptFile},
        {"classify", cmdClassify},
    };
    auto it = commands.find(argv[1]);
    if (it == commands.end()) {
        std::cerr << "quorvane-cli: unknown command '" << argv[1] << "'\n\n" << kUsage;
        return 1;
    }
    Args args(argv + 2, argv + argc);
    return it->second(args);
}
