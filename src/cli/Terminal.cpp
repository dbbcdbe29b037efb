#include "cli/Terminal.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "common/Win1252.h"

bool stdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

void TerminalPrompter::showMessage(const std::string& text) { std::cerr << text << '\n'; }

bool TerminalPrompter::confirmReplace(const std::string& path) {
    if (!m_allowReplace) std::cerr << replaceQuestionText(path) << " (use --force to replace it)\n";
    return m_allowReplace;
}

std::optional<std::string> TerminalPrompter::readLineUtf8(const std::string& prompt) {
    std::string line;
    if (stdinIsTerminal()) {
        std::cerr << prompt << std::flush;
        termios old {};
        bool restored = ::tcgetattr(STDIN_FILENO, &old) == 0;
        if (restored) {
            termios quiet = old;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        }
        bool got = static_cast<bool>(std::getline(std::cin, line));
        if (restored) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
        std::cerr << '\n';
        if (!got) return std::nullopt;
    } else {
        if (!std::getline(std::cin, line)) return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::optional<std::string> TerminalPrompter::askPassword(const std::string& title) {
    auto line = readLineUtf8(title + ": ");
    if (!line) return std::nullopt;
    std::string bytes, error;
    if (!utf8ToWin1252(*line, bytes, &error)) {
        showMessage(error);
        m_inputRefused = true;
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::pair<std::string, std::string>> TerminalPrompter::askNewPassword(const std::string& title) {
    auto first = askPassword(title);
    if (!first) return std::nullopt;
    if (!stdinIsTerminal()) return std::make_pair(*first, *first);
    auto second = askPassword(title + " (again)");
    if (!second) return std::nullopt;
    return std::make_pair(*first, *second);
}
