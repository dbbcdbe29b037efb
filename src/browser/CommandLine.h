#pragma once
// Browser paths are command lines: the program and its arguments, split the way a shell splits
// them, and run without a shell.

#include <string>
#include <vector>

namespace browser {

/// The words of a command line: blanks separate words; '...' keeps everything inside as it is;
/// "..." keeps everything but a backslash before ", \, $ or `, which stands for that character; a
/// backslash outside quotes keeps the next character. Nothing is expanded. Empty when there is no
/// word or a quote is not closed.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

}  // namespace browser
