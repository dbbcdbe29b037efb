#pragma once
// Shared by the core tests: a throw-away folder, whole-file reads and writes, and running the
// built quorvane-cli as a separate process.

#include <cstdint>
#include <string>
#include <vector>

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

struct CliRun {
    int status = -1;  // exit status, -1 when it did not exit normally
    std::string out;
    std::string err;
};

/// Runs quorvane-cli with `args`, `input` as standard input (a file, so never a terminal).
CliRun runCli(const std::vector<std::string>& args, const std::string& input = "");

/// The same under a file-size limit (ulimit -f, in KiB): a longer write raises SIGXFSZ.
CliRun runCliWithFileSizeLimit(const std::vector<std::string>& args, const std::string& input, long kilobytes);
