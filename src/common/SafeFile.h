#pragma once
// Every file the program writes goes through writeFileSafely: a temporary file in the target's
// folder, flushed to disk, then renamed over the target. A failure at any step leaves the previous
// file exactly as it was.

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
};

/// Writes `data` to `path` atomically. A new file is created readable and writable by its owner
/// only; an existing file keeps its permission bits.
FileResult writeFileSafely(const std::string& path, const std::uint8_t* data, std::size_t size);
inline FileResult writeFileSafely(const std::string& path, const std::vector<std::uint8_t>& data) {
    return writeFileSafely(path, data.data(), data.size());
}

/// Reads the whole file. On failure returns nothing and sets `error` (when given).
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::string* error = nullptr);

/// Removes a file; true when it is gone.
bool removeFile(const std::string& path, std::string* error = nullptr);

bool fileExists(const std::string& path);

/// The last component of a path ("/a/b/c.qve" gives "c.qve").
std::string fileNameOf(const std::string& path);

/// Test seam for fault injection: while set, every safe write fails once it has written this many
/// bytes of its temporary file (the temporary file is removed, the target untouched).
void setWriteFailureAfterBytes(std::optional<std::size_t> limit);
