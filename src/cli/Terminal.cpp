#include "cli/Terminal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "common/Win1252.h"
#include "common/Wipe.h"

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

namespace {

// The longest line taken as a password: more than the cipher's key ever uses. Reading stops there,
// so an endless input without a line break (< /dev/zero) cannot fill memory.
constexpr std::size_t kLongestPasswordLine = 65536;

// One line of standard input, without its line break; nothing at end of input. `tooLong` is set (and
// the line abandoned) when it runs past kLongestPasswordLine.
std::optional<std::string> readBoundedLine(bool& tooLong) {
    std::string line;
    tooLong = false;
    for (int c; (c = std::cin.get()) != std::char_traits<char>::eof();) {
        if (c == '\n') return line;
        if (line.size() == kLongestPasswordLine) {
            tooLong = true;
            return line;
        }
        line.push_back(static_cast<char>(c));
    }
    if (line.empty()) return std::nullopt;
    return line;  // the last line, without its line break
}

}  // namespace

std::optional<std::string> TerminalPrompter::readLineUtf8(const std::string& prompt) {
    std::optional<std::string> line;
    bool tooLong = false;
    if (stdinIsTerminal()) {
        std::cerr << prompt << std::flush;
        {
            EchoOff quiet;
            line = readBoundedLine(tooLong);
        }
        std::cerr << '\n';
    } else {
        line = readBoundedLine(tooLong);
    }
    if (tooLong) {
        wipeSecret(*line);
        showMessage("The password is too long (more than " + std::to_string(kLongestPasswordLine) + " bytes).");
        m_inputRefused = true;
        return std::nullopt;
    }
    if (line && !line->empty() && line->back() == '\r') line->pop_back();
    return line;
}

std::optional<std::string> TerminalPrompter::askPassword(const std::string& title) {
    auto line = m_filePassword ? m_filePassword : readLineUtf8(title + ": ");
    if (!line) return std::nullopt;
    WipeOnExit wipeLine(*line);
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
    if (m_filePassword || !stdinIsTerminal()) return std::make_pair(*first, *first);
    auto second = askPassword(title + " (again)");
    if (!second) return std::nullopt;
    return std::make_pair(*first, *second);
}

TerminalPrompter::~TerminalPrompter() {
    if (m_filePassword) wipeSecret(*m_filePassword);
}

std::optional<std::string> TerminalPrompter::askSecretText(const std::string& prompt) {
    auto line = readLineUtf8(prompt + ": ");
    if (!line) return std::nullopt;
    WipeOnExit wipeLine(*line);
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
