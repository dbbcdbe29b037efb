#pragma once
// The terminal side of quorvane-cli: messages to standard error, passwords read without echo at a
// terminal or as lines of standard input otherwise, converted from UTF-8 to Windows-1252.

#include <optional>
#include <string>

#include "common/Prompter.h"

class TerminalPrompter : public Prompter {
public:
    /// `allowReplace` answers the replace question (the --force option).
    explicit TerminalPrompter(bool allowReplace = false) : m_allowReplace(allowReplace) {}
    ~TerminalPrompter() override;
    TerminalPrompter(const TerminalPrompter&) = delete;
    TerminalPrompter& operator=(const TerminalPrompter&) = delete;

    void showMessage(const std::string& text) override;
    std::optional<std::string> askPassword(const std::string& title) override;
    bool confirmReplace(const std::string& path) override;

    /// Asks for a new password: twice at a terminal, one line from standard input otherwise.
    /// Returns the password and its confirmation as Windows-1252 bytes, or nothing on end of input
    /// or a character Windows-1252 cannot hold (after saying so).
    std::optional<std::pair<std::string, std::string>> askNewPassword(const std::string& title);

    /// Answers every password question with `password` (UTF-8, from --password-file) instead of
    /// reading standard input.
    void usePasswordFromFile(std::string password) { m_filePassword = std::move(password); }

    /// Reads one line of standard input as a card text (UTF-8 in, Windows-1252 out), without echo at
    /// a terminal; nothing on end of input or a character Windows-1252 cannot hold (after saying so).
    std::optional<std::string> askSecretText(const std::string& prompt);

    /// Whether a typed password was refused (a character Windows-1252 cannot hold, or text that is
    /// not UTF-8). The core sees such a refusal as a cancelled prompt, which opens an old 1.001
    /// document empty; the commands must fail instead.
    bool inputRefused() const { return m_inputRefused; }

private:
    std::optional<std::string> readLineUtf8(const std::string& prompt);
    std::optional<std::string> m_filePassword;
    bool m_allowReplace;
    bool m_inputRefused = false;
};

/// Whether standard input is a terminal.
bool stdinIsTerminal();

/// The first line of a password file (without its line end), refused with a message in `error`
/// unless the file is a regular file that only its owner may read or write.
std::optional<std::string> readPasswordFile(const std::string& path, std::string& error);
