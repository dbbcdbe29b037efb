#pragma once
// The progress line of encrypt-file and decrypt-file: on a terminal, for files of more than a few
// MiB, one line on standard error that is rewritten as the work goes on ("Encrypting  42%  120.0 of
// 286.1 MiB, about 3 s left"). Nothing at all when standard error is not a terminal.

#include <chrono>
#include <cstdint>
#include <string>

#include "common/Prompter.h"
#include "fileenc/FileBodyStream.h"

/// Files up to this size finish too soon to need a line.
inline constexpr std::uint64_t kProgressLineMinBytes = 4 * 1024 * 1024;

class ProgressLine {
public:
    /// `verb` starts the line ("Encrypting"); `shown` says whether it is shown at all.
    ProgressLine(std::string verb, std::uint64_t total, bool shown);
    /// Ends the line, if one was written.
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    /// For a file of `total` bytes: shown when standard error is a terminal and the file is large.
    static bool wanted(std::uint64_t total);

    /// The callback for the file operations (it never cancels).
    FileProgress callback();
    /// Finishes the line so other output starts on a line of its own.
    void end();
    /// The text of the line for `done` of the total after `seconds`.
    std::string text(std::uint64_t done, double seconds) const;

private:
    void draw(std::uint64_t done);

    std::string m_verb;
    std::uint64_t m_total;
    bool m_shown;
    bool m_open = false;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
};

/// Passes messages on to `inner`, ending the progress line first.
class ProgressLinePrompter : public Prompter {
public:
    ProgressLinePrompter(Prompter& inner, ProgressLine& line) : m_inner(inner), m_line(line) {}
    void showMessage(const std::string& text) override;
    std::optional<std::string> askPassword(const std::string& title) override;
    bool confirmReplace(const std::string& path) override;

private:
    Prompter& m_inner;
    ProgressLine& m_line;
};
