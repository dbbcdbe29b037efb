#pragma once
// The one way the core reaches the person using it. Core operations never open a window or
// print; they hand their messages and questions to a Prompter, which the window answers with
// dialogs, the command-line tool on the terminal, and tests from a script.

#include <optional>
#include <string>

class Prompter {
public:
    virtual ~Prompter() = default;

    /// Shows one message exactly as given (UTF-8; quoted texts are ASCII), in the order the core emits them.
    virtual void showMessage(const std::string& text) = 0;

    /// Asks for a password under the given window title (UTF-8). Returns the typed password as
    /// Windows-1252 bytes, or nothing when the person cancels.
    virtual std::optional<std::string> askPassword(const std::string& title) = 0;

    /// Asks whether an existing file (native path) may be replaced. The question text is built by
    /// the caller: "NAME already exists. Do you want to replace it?".
    virtual bool confirmReplace(const std::string& path) = 0;
};

/// "NAME already exists. Do you want to replace it?" for a native path.
std::string replaceQuestionText(const std::string& path);
