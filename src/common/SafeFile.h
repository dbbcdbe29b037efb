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
    bool alreadyExists = false;  // a create-only write found the name taken (perhaps by a run at the same time)
    bool refusedByCheck = false;  // the check before replacing said no: nothing was replaced
};

/// A file time: seconds and nanoseconds since 1970.
struct FileTime {
    std::int64_t seconds = 0;
    long nanoseconds = 0;
};

/// Whether a safe write may put its file in place of an existing one at the target's name.
enum class WriteMode {
    Replace,     // replace whatever regular file is there (through a link, the file it points to)
    CreateOnly,  // the name must be free until the very end: a file that appears meanwhile is never replaced
};

/// Asked just before the finished temporary file is renamed over the target: false keeps the target
/// as it is (the write fails with refusedByCheck). The program checks there that the target is still
/// the file it read, so that the check and the rename are as close together as they can be.
using ReplaceCheck = std::function<bool()>;

/// Writes `data` to `path` atomically. A new file is created readable and writable by its owner
/// only; an existing file keeps its permission bits.
/// A target that exists and is not a regular file (a FIFO, a device, a folder, or a link to one) is
/// refused: it would be replaced by a regular file. `check`, when given, is asked just before the
/// file is put in place.
FileResult writeFileSafely(const std::string& path, const std::uint8_t* data, std::size_t size,
                           WriteMode mode = WriteMode::Replace, const ReplaceCheck& check = {});
inline FileResult writeFileSafely(const std::string& path, const std::vector<std::uint8_t>& data,
                                  WriteMode mode = WriteMode::Replace, const ReplaceCheck& check = {}) {
    return writeFileSafely(path, data.data(), data.size(), mode, check);
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
    /// the result has notCreated set. With CreateOnly an existing name of any kind (a dangling link
    /// too) is refused at once with alreadyExists set, and again at commit() if one appeared meanwhile.
    FileResult open(const std::string& path, WriteMode mode = WriteMode::Replace);

    /// Appends `size` bytes to the temporary file.
    FileResult write(const std::uint8_t* data, std::size_t size);

    /// Gives the file these permission bits and, when set, this modification time (before commit).
    FileResult setAttributes(unsigned mode, const std::optional<FileTime>& modified);

    /// Sets an extended attribute of the file; false where the file system keeps none.
    bool setExtendedAttribute(const std::string& name, const std::string& value);

    /// Flushes the temporary file to disk and renames it over the target, when `check` (if given)
    /// agrees at the last moment.
    FileResult commit(const ReplaceCheck& check = {});

    /// Removes the temporary file, if one is open.
    void discard();

    bool isOpen() const { return m_fd >= 0; }

private:
    FileResult fail(const std::string& what, int err);

    int m_fd = -1;
    WriteMode m_mode = WriteMode::Replace;
    std::string m_path;     // the target, links followed
    std::string m_tmpPath;  // the temporary file beside it
    std::uint64_t m_written = 0;
    std::uint64_t m_writebackStarted = 0;  // bytes from the start already handed to the disk
};

/// A regular file open for reading. It is opened without blocking and checked before anything is
/// read, so a FIFO, a device or a folder is refused at once instead of hanging the program or
/// feeding it an endless stream.
class ReadableFile {
public:
    ReadableFile() = default;
    ~ReadableFile();
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    /// Opens `path` (links followed); false after setting `error` when it cannot be opened or is no
    /// regular file.
    bool open(const std::string& path, std::string* error = nullptr);

    /// Reads up to `count` bytes from the current position; fewer only at the end of the file.
    /// Returns the bytes read, or nothing after setting `error`.
    std::optional<std::size_t> read(std::uint8_t* buffer, std::size_t count, std::string* error = nullptr);

    std::uint64_t size() const { return m_size; }
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::string m_path;
};

/// Reads the whole file, which must be a regular file of at most `maxBytes` bytes (a file that grows
/// past that while being read is refused too). On failure returns nothing and sets `error`.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::string* error = nullptr,
                                                       std::uint64_t maxBytes = UINT64_MAX);

/// Removes a file; true when it is gone.
bool removeFile(const std::string& path, std::string* error = nullptr);

/// Whether anything has this name: a dangling symbolic link counts.
bool fileExists(const std::string& path);

/// Removes the temporary files our safe writes left in `folder` when their program was killed
/// (no running program holds them any more). Safe writes and loads call it for their own folder.
void removeStaleTemporaryFiles(const std::string& folder);

/// The folder part of a path ("/a/b/c.qve" gives "/a/b", "c.qve" gives ".").
std::string folderOf(const std::string& path);

/// The last component of a path ("/a/b/c.qve" gives "c.qve").
std::string fileNameOf(const std::string& path);

/// Test seam for fault injection: while set, every safe write (writeFileSafely or a SafeFileWriter)
/// fails once it has written this many bytes of its temporary file (the temporary file is removed,
/// the target untouched).
void setWriteFailureAfterBytes(std::optional<std::size_t> limit);
