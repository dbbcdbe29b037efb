#pragma once
// Shared by the core tests: a throw-away folder, whole-file reads and writes, a scripted prompter,
// and running the built quorvane-cli as a separate process.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/Prompter.h"

using Data = std::vector<std::uint8_t>;

/// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "quorvane-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    /// The names in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::string m_path;
};

std::string slurp(const std::string& path);
Data readData(const std::string& path);
void writeData(const std::string& path, const Data& data);

// Answers password prompts from a script (nullopt = Cancel) and records everything it is shown.
class ScriptedUi : public Prompter {
public:
    explicit ScriptedUi(std::deque<std::optional<std::string>> answers = {}) : m_answers(std::move(answers)) {}
    std::vector<std::string> messages;
    std::vector<std::string> titles;

    void showMessage(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> askPassword(const std::string& title) override {
        titles.push_back(title);
        if (m_answers.empty()) return std::nullopt;
        auto answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    bool confirmReplace(const std::string&) override { return true; }
    /// How many passwords were asked for.
    int asked() const { return static_cast<int>(titles.size()); }

private:
    std::deque<std::optional<std::string>> m_answers;
};

struct CliRun {
    int status = -1;  // exit status, -1 when it did not exit normally
    std::string out;
    std::string err;
};

/// Runs quorvane-cli with `args`, `input` as standard input (a file, so never a terminal).
CliRun runCli(const std::vector<std::string>& args, const std::string& input = "");

/// The same with quorvane-cli as a build not made for the tests has it: it ignores the test switches.
CliRun runCliWithoutTestSwitches(const std::vector<std::string>& args, const std::string& input = "");

/// The same under a file-size limit (ulimit -f, in KiB): a longer write raises SIGXFSZ.
CliRun runCliWithFileSizeLimit(const std::vector<std::string>& args, const std::string& input, long kilobytes);
