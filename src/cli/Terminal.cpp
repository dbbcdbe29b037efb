#include "cli/Terminal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
    auto line = m_filePassword ? m_filePassword : readLineUtf8(title + ": ");
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
    if (m_filePassword || !stdinIsTerminal()) return std::make_pair(*first, *first);
    auto second = askPassword(title + " (again)");
    if (!second) return std::nullopt;
    return std::make_pair(*first, *second);
}

std::optional<std::string> TerminalPrompter::askSecretText(const std::string& prompt) {
    auto line = readLineUtf8(prompt + ": ");
    if (!line) return std::nullopt;
    std::string bytes, error;
    if (!utf8ToWin1252(*line, bytes, &error)) {
        showMessage(error);
        m_inputRefused = true;
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::string> readPasswordFile(const std::string& path, std::string& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = "Cannot read the password file " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = "The password file " + path + " is not a regular file.";
        return std::nullopt;
    }
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        ::close(fd);
        error = "The password file " + path + " may be read by others; make it private first (chmod 600 " + path + ").";
        return std::nullopt;
    }
    // The first line is all that is wanted: read no further than a password can reasonably be long.
    std::string text(4096, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    const std::size_t end = text.find('\n');
    if (end != std::string::npos) text.resize(end);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}
