// dump, ls and convert: card documents from the terminal.
#include <iostream>

#include "cli/Commands.h"

int cmdDump(const Args&) { std::cerr << "dump: not built yet\n"; return 1; }
int cmdList(const Args&) { std::cerr << "ls: not built yet\n"; return 1; }
int cmdConvert(const Args&) { std::cerr << "convert: not built yet\n"; return 1; }
