#pragma once
// Every file the program writes goes through writeFileSafely, or a SafeFileWriter when it is made
// piece by piece: a temporary file in the target's folder, flushed to disk, then renamed over the
// target. A failure at any step leaves the previous file exactly as it was.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct FileResult {
    bool ok = false;
    std::string error;  // why it failed, in words fit to show (UTF-8), empty on success
    bool notCreated = false;  // the failure came before anything was written: the file could not be created
    bool refusedByCheck = false;  // the check before replacing said no: nothing was replaced
};

/// Asked just before the finished temporary file is renamed over the target: false keeps the target
/// as it is (the write fails with refusedByCheck). The program checks there that the target is still
/// the file it read, so that the check and the rename are as close together as they can be.
using ReplaceCheck = std::function<bool()>;

/// Writes `data` to `path` atomically. A new file is created readable and writable by its owner
/// only; an existing file keeps its permission bits.
FileResult writeFileSafely(const std::string& path, const std::uint8_t* data, std::size_t size,
                           const ReplaceCheck& check = {});
inline FileResult writeFileSafely(const std::string& path, const std::vector<std::uint8_t>& data,
                                  const ReplaceCheck& check = {}) {
    return writeFileSafely(path, data.data(), data.size(), check);
}

/// A file written piece by piece with the guarantees of writeFileSafely, for output too large to hold
/// in memory: the pieces go to a temporary file in the target's folder, and only commit() puts it in
/// the target's place. After any failure, or when the writer goes without a commit, the temporary
/// file is removed and the target is exactly as it was. Not for use from several threads at once.
class SafeFileWriter {
public:
    SafeFileWriter() = default;
    ~SafeFileWriter() { discard(); }
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    /// Creates the temporary file for `path` (through a link, for the file it points to); on failure
    /// the result has notCreated set.
    FileResult open(const std::string& path);

    /// Appends `size` bytes to the temporary file.
    FileResult write(const std::uint8_t* data, std::size_t size);

    /// Flushes the temporary file to disk and renames it over the target, when `check` (if given)
    /// agrees at the last moment.
    FileResult commit(const ReplaceCheck& check = {});

    /// Removes the temporary file, if one is open.
    void discard();

    bool isOpen() const { return m_fd >= 0; }

private:
    FileResult fail(const std::string& what, int err);

    int m_fd = -1;
    std::string m_path;     // the target, links followed
    std::string m_tmpPath;  // the temporary file beside it
    std::uint64_t m_written = 0;
    std::uint64_t m_writebackStarted = 0;  // bytes from the start already handed to the disk
};

/// Reads the whole file. On failure returns nothing and sets `error` (when given).
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::string* error = nullptr);

/// Removes a file; true when it is gone.
bool removeFile(const std::string& path, std::string* error = nullptr);

bool fileExists(const std::string& path);

/// The last component of a path ("/a/b/c.qve" gives "c.qve").
std::string fileNameOf(const std::string& path);

/// Test seam for fault injection: while set, every safe write (writeFileSafely or a SafeFileWriter)
/// fails once it has written this many bytes of its temporary file (the temporary file is removed,
/// the target untouched).
void setWriteFailureAfterBytes(std::optional<std::size_t> limit);
