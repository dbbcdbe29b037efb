// encrypt-file, decrypt-file and classify: ~~~ files from the terminal.
#include <iostream>

#include "cli/Commands.h"

int cmdEncryptFile(const Args&) { std::cerr << "encrypt-file: not built yet\n"; return 1; }
int cmdDecryptFile(const Args&) { std::cerr << "decrypt-file: not built yet\n"; return 1; }
int cmdClassify(const Args&) { std::cerr << "classify: not built yet\n"; return 1; }
