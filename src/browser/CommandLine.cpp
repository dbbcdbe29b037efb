#include "browser/CommandLine.h"

namespace browser {

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    const auto n = commandLine.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = commandLine[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
            continue;
        }
        inWord = true;
        if (c == '\'') {
            const auto close = commandLine.find('\'', i + 1);
            if (close == std::string::npos) {
                return {};
            }
            word += commandLine.substr(i + 1, close - i - 1);
            i = close;
        } else if (c == '"') {
            std::size_t k = i + 1;
            for (; k < n && commandLine[k] != '"'; ++k) {
                if (commandLine[k] == '\\' && k + 1 < n &&
                    std::string("\"\\$`").find(commandLine[k + 1]) != std::string::npos) {
                    ++k;
                }
                word += commandLine[k];
            }
            if (k >= n) {
                return {};
            }
            i = k;
        } else if (c == '\\') {
            if (i + 1 < n) {
                word += commandLine[++i];
            }
        } else {
            word += c;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

}  // namespace browser
