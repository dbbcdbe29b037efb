#include "common/SafeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>

namespace {

std::optional<std::size_t> g_failAfter;

std::string describeErrno(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
}

// What marks a temporary file as one of ours: ".NAME" + this + six random characters.
constexpr const char kTemporaryMark[] = ".quorvane-";
constexpr std::size_t kTemporaryRandom = 6;

// The start of the temporary file's name: the target's name, shortened (never inside a UTF-8
// character) so that the dot and the random suffix still fit a name of 255 bytes when the target's
// own name is that long.
std::string temporaryStem(const std::string& name) {
    constexpr std::size_t kLongest = 200;
    if (name.size() <= kLongest) return name;
    std::size_t cut = kLongest;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut);
}

// Writes all bytes, of which at most `allowed` may go out before the fault-injection limit ends
// the write. Returns 0 or an errno value.
int writeAll(int fd, const std::uint8_t* data, std::size_t size, std::size_t allowed) {
    allowed = std::min(size, allowed);
    std::size_t done = 0;
    while (done < allowed) {
        ssize_t n = ::write(fd, data + done, allowed - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return allowed < size ? ENOSPC : 0;
}

}  // namespace

void setWriteFailureAfterBytes(std::optional<std::size_t> limit) { g_failAfter = limit; }

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

namespace {

// Saving through a symbolic link updates the file it points to; renaming over the link itself would
// replace the link by a file and leave its target behind, stale.
std::string followLinks(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return path;  // a dangling link: write in its place
    std::string target(resolved);
    std::free(resolved);
    return target;
}

}  // namespace

namespace {

int renameOver(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno; }

// Puts `from` at the name `to` only while that name is free; EEXIST when it is taken. Where the file
// system cannot rename that way, a hard link does the same; where it has no hard links either, an
// empty file created exclusively at `to` claims the name, and the rename then replaces only it.
int renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST) return EEXIST;
    int claim = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (claim < 0) return errno;
    ::close(claim);
    return renameOver(from, to);
}

}  // namespace

FileResult writeFileSafely(const std::string& path, const std::uint8_t* data, std::size_t size, WriteMode mode,
                           const ReplaceCheck& check) {
    SafeFileWriter writer;
    FileResult result = writer.open(path, mode);
    if (result.ok) result = writer.write(data, size);
    if (result.ok) result = writer.commit(check);
    return result;
}

namespace {

// A temporary file of ours that no running program holds: its writer locks it for as long as it
// lives, and the lock goes with the process however it ends.
bool isStaleTemporaryFile(int dirFd, const char* name) {
    const std::size_t length = std::strlen(name);
    const std::size_t markLength = sizeof kTemporaryMark - 1;
    if (name[0] != '.' || length < 1 + markLength + kTemporaryRandom) return false;
    if (std::strncmp(name + length - kTemporaryRandom - markLength, kTemporaryMark, markLength) != 0) return false;
    int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool stale = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                 ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    // Still the same file under that name (not one made in its place since it was opened)?
    struct stat now {};
    stale = stale && ::fstatat(dirFd, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == st.st_ino &&
            now.st_dev == st.st_dev;
    if (stale) ::unlinkat(dirFd, name, 0);
    ::close(fd);
    return stale;
}

}  // namespace

void removeStaleTemporaryFiles(const std::string& folder) {
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) isStaleTemporaryFile(dirFd, entry->d_name);
    ::closedir(dir);
}

FileResult SafeFileWriter::open(const std::string& requestedPath, WriteMode writeMode) {
    discard();
    m_mode = writeMode;
    m_written = 0;
    m_writebackStarted = 0;
    FileResult result;
    result.notCreated = true;
    struct stat st {};
    if (writeMode == WriteMode::CreateOnly && ::lstat(requestedPath.c_str(), &st) == 0) {
        result.error = "Cannot write " + requestedPath + ": it already exists.";
        result.alreadyExists = true;
        return result;
    }
    m_path = followLinks(requestedPath);
    mode_t mode = S_IRUSR | S_IWUSR;
    if (::stat(m_path.c_str(), &st) == 0) {
        // A rename would put a regular file in place of a FIFO, a device or a folder.
        if (S_ISDIR(st.st_mode)) {
            result.error = "Cannot write " + m_path + ": it is a folder.";
            return result;
        }
        if (!S_ISREG(st.st_mode)) {
            result.error = "Cannot write " + m_path + ": it is not a regular file.";
            return result;
        }
        mode = st.st_mode & 07777;
    }

    const std::string folder = folderOf(m_path);
    removeStaleTemporaryFiles(folder);
    const std::string tmpl = folder + "/." + temporaryStem(fileNameOf(m_path)) + kTemporaryMark + "XXXXXX";
    for (int attempt = 0;; ++attempt) {
        std::vector<char> name(tmpl.begin(), tmpl.end());
        name.push_back('\0');
        int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) {
            result.error = describeErrno("Cannot create a file beside", m_path, errno);
            return result;
        }
        // The lock tells a later run that this file is in use; it goes with the process. A run that
        // is just removing it as stale holds the lock for a moment: waiting for it lets the check
        // below see that.
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        // Another run may have taken it for stale between its creation and the lock: then it is
        // gone from the folder, and a new one is made.
        struct stat mine {};
        struct stat named {};
        if (::fstat(fd, &mine) == 0 && ::lstat(name.data(), &named) == 0 && mine.st_ino == named.st_ino &&
            mine.st_dev == named.st_dev) {
            m_fd = fd;
            m_tmpPath = name.data();
            break;
        }
        ::close(fd);
        if (attempt == 3) {
            result.error = describeErrno("Cannot create a file beside", m_path, EAGAIN);
            return result;
        }
    }
    result.notCreated = false;
    if (::fchmod(m_fd, mode) != 0) return fail("Cannot set the permissions of", errno);
    result.ok = true;
    return result;
}

FileResult SafeFileWriter::setAttributes(unsigned mode, const std::optional<FileTime>& modified) {
    if (m_fd < 0) return fail("Cannot write", EBADF);
    if (::fchmod(m_fd, static_cast<mode_t>(mode & 07777)) != 0) return fail("Cannot set the permissions of", errno);
    if (modified) {
        const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(modified->seconds), modified->nanoseconds}};
        if (::futimens(m_fd, times) != 0) return fail("Cannot set the time of", errno);
    }
    FileResult result;
    result.ok = true;
    return result;
}

bool SafeFileWriter::setExtendedAttribute(const std::string& name, const std::string& value) {
    return m_fd >= 0 && ::fsetxattr(m_fd, name.c_str(), value.data(), value.size(), 0) == 0;
}

FileResult SafeFileWriter::write(const std::uint8_t* data, std::size_t size) {
    if (m_fd < 0) return fail("Cannot write", EBADF);
    std::size_t allowed = size;
    if (g_failAfter) allowed = *g_failAfter > m_written ? static_cast<std::size_t>(*g_failAfter - m_written) : 0;
    if (int err = writeAll(m_fd, data, size, allowed)) return fail("Cannot write", err);
    m_written += size;
    // Hand what was written a while ago to the disk now, while the rest is still being made, so that
    // the flush in commit() has little left to wait for. Whole batches, and one behind the latest
    // writes: asking for each piece as it is written costs far more system time than it saves.
    constexpr std::uint64_t kBatch = std::uint64_t{32} << 20;
    const std::uint64_t settled = m_written >= kBatch ? (m_written - kBatch) / kBatch * kBatch : 0;
    if (settled > m_writebackStarted) {
        const auto from = static_cast<off_t>(m_writebackStarted);
        ::sync_file_range(m_fd, from, static_cast<off_t>(settled) - from, SYNC_FILE_RANGE_WRITE);
        m_writebackStarted = settled;
    }
    FileResult result;
    result.ok = true;
    return result;
}

FileResult SafeFileWriter::commit(const ReplaceCheck& check) {
    if (m_fd < 0) return fail("Cannot write", EBADF);
    if (::fsync(m_fd) != 0) return fail("Cannot flush", errno);
    int fd = m_fd;
    m_fd = -1;
    FileResult result;
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(m_tmpPath.c_str());
        result.error = describeErrno("Cannot close", m_path, err);
        return result;
    }
    if (check && !check()) {
        ::unlink(m_tmpPath.c_str());
        result.refusedByCheck = true;
        result.error = "Not saved: " + m_path + " was changed by another program.";
        return result;
    }
    const int err = m_mode == WriteMode::CreateOnly ? renameNoReplace(m_tmpPath, m_path) : renameOver(m_tmpPath, m_path);
    if (err != 0) {
        ::unlink(m_tmpPath.c_str());
        if (err == EEXIST) {
            result.error = "Cannot write " + m_path + ": a file of that name appeared meanwhile, and was left as it is.";
            result.alreadyExists = true;
        } else {
            result.error = describeErrno("Cannot replace", m_path, err);
        }
        return result;
    }
    // Make the rename itself durable.
    int dirFd = ::open(folderOf(m_path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    result.ok = true;
    return result;
}

void SafeFileWriter::discard() {
    if (m_fd < 0) return;
    ::close(m_fd);
    ::unlink(m_tmpPath.c_str());
    m_fd = -1;
}

FileResult SafeFileWriter::fail(const std::string& what, int err) {
    discard();
    FileResult result;
    result.error = describeErrno(what, m_path, err);
    return result;
}

ReadableFile::~ReadableFile() {
    if (m_fd >= 0) ::close(m_fd);
}

bool ReadableFile::open(const std::string& path, std::string* error) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_path = path;
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = describeErrno("Cannot open", path, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        const bool folder = S_ISDIR(st.st_mode);
        const bool special = st.st_mode != 0 && !S_ISREG(st.st_mode);
        ::close(fd);
        if (error) {
            if (folder)
                *error = "Cannot read " + path + ": it is a folder.";
            else if (special)
                *error = "Cannot read " + path + ": it is not a regular file (a device, a pipe or a socket).";
            else
                *error = describeErrno("Cannot read", path, err);
        }
        return false;
    }
    // Reads of a regular file do not block anyway; clearing the flag keeps it that way for every kind.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    m_size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

std::optional<std::size_t> ReadableFile::read(std::uint8_t* buffer, std::size_t count, std::string* error) {
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(m_fd, buffer + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (error) *error = describeErrno("Cannot read", m_path, errno);
            return std::nullopt;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::string* error,
                                                       std::uint64_t maxBytes) {
    ReadableFile file;
    if (!file.open(path, error)) return std::nullopt;
    auto tooLarge = [&] {
        if (error) *error = describeErrno("Cannot read", path, EFBIG);
        return std::nullopt;
    };
    if (file.size() > maxBytes) return tooLarge();
    std::vector<std::uint8_t> data;
    // A file larger than the memory we can get (a sparse file of terabytes, say) is an error to
    // report, not a reason to end the program.
    try {
        data.reserve(static_cast<std::size_t>(file.size()));
        std::uint8_t chunk[65536];
        for (;;) {
            auto n = file.read(chunk, sizeof chunk, error);
            if (!n) return std::nullopt;
            if (*n == 0) break;
            if (data.size() + *n > maxBytes) return tooLarge();  // it grows while we read
            data.insert(data.end(), chunk, chunk + *n);
        }
    } catch (const std::bad_alloc&) {
        if (error) *error = describeErrno("Cannot read", path, ENOMEM);
        return std::nullopt;
    } catch (const std::length_error&) {
        return tooLarge();
    }
    return data;
}

bool removeFile(const std::string& path, std::string* error) {
    if (::unlink(path.c_str()) == 0) return true;
    if (error) *error = describeErrno("Cannot delete", path, errno);
    return false;
}
