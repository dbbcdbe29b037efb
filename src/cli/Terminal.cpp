#include "cli/Terminal.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>

#include "common/Win1252.h"

bool stdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

namespace {

// The terminal's settings while echo is off for a password, for the signal handler to put back.
termios g_savedTerminal {};
volatile std::sig_atomic_t g_echoOff = 0;

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Ctrl+C (or a kill) at the password prompt: echo comes back before the program ends as interrupted.
extern "C" void restoreTerminalAndEnd(int signal) {
    if (g_echoOff) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
        g_echoOff = 0;
        const char newline = '\n';
        [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, &newline, 1);
    }
    std::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Echo off for as long as it lives, put back however the prompt ends.
class EchoOff {
public:
    EchoOff() {
        if (::tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0) return;
        struct sigaction action {};
        action.sa_handler = restoreTerminalAndEnd;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kInterruptions); ++i) ::sigaction(kInterruptions[i], &action, &m_previous[i]);
        termios quiet = g_savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        g_echoOff = 1;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        m_active = true;
    }
    ~EchoOff() {
        if (!m_active) return;
        if (g_echoOff) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
        g_echoOff = 0;
        for (std::size_t i = 0; i < std::size(kInterruptions); ++i) ::sigaction(kInterruptions[i], &m_previous[i], nullptr);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool m_active = false;
    struct sigaction m_previous[std::size(kInterruptions)] {};
};

}  // namespace

void TerminalPrompter::showMessage(const std::string& text) { std::cerr << text << '\n'; }

bool TerminalPrompter::confirmReplace(const std::string& path) {
    if (!m_allowReplace) std::cerr << replaceQuestionText(path) << " (use --force to replace it)\n";
    return m_allowReplace;
}

std::optional<std::string> TerminalPrompter::readLineUtf8(const std::string& prompt) {
    std::string line;
    if (stdinIsTerminal()) {
        std::cerr << prompt << std::flush;
        bool got;
        {
            EchoOff quiet;
            got = static_cast<bool>(std::getline(std::cin, line));
        }
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
    // The stored digest of a password would stop at a NUL, so a password holding one is refused.
    if (line->find('\0') != std::string::npos) {
        showMessage("A password cannot hold a NUL character.");
        m_inputRefused = true;
        return std::nullopt;
    }
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
