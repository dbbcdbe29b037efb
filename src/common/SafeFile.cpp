#include "common/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

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

std::string fileNameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
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

FileResult writeFileSafely(const std::string& path, const std::uint8_t* data, std::size_t size,
                           const ReplaceCheck& check) {
    SafeFileWriter writer;
    FileResult result = writer.open(path);
    if (result.ok) result = writer.write(data, size);
    if (result.ok) result = writer.commit(check);
    return result;
}

FileResult SafeFileWriter::open(const std::string& requestedPath) {
    discard();
    m_path = followLinks(requestedPath);
    m_written = 0;
    m_writebackStarted = 0;
    FileResult result;
    mode_t mode = S_IRUSR | S_IWUSR;
    struct stat st {};
    if (::stat(m_path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            result.error = "Cannot write " + m_path + ": it is a folder.";
            result.notCreated = true;
            return result;
        }
        mode = st.st_mode & 07777;
    }

    std::string tmpl = folderOf(m_path) + "/." + temporaryStem(fileNameOf(m_path)) + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        result.error = describeErrno("Cannot create a file beside", m_path, errno);
        result.notCreated = true;
        return result;
    }
    m_fd = fd;
    m_tmpPath = name.data();
    if (::fchmod(m_fd, mode) != 0) return fail("Cannot set the permissions of", errno);
    result.ok = true;
    return result;
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
    if (::rename(m_tmpPath.c_str(), m_path.c_str()) != 0) {
        int err = errno;
        ::unlink(m_tmpPath.c_str());
        result.error = describeErrno("Cannot replace", m_path, err);
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

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::string* error) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        if (error) *error = describeErrno("Cannot open", path, errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        if (error) *error = describeErrno("Cannot read", path, err);
        return std::nullopt;
    }
    std::vector<std::uint8_t> data;
    // A file larger than the memory we can get (a sparse file of terabytes, say) is an error to
    // report, not a reason to end the program.
    try {
        data.reserve(static_cast<std::size_t>(st.st_size));
        std::uint8_t chunk[65536];
        for (;;) {
            ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                int err = errno;
                ::close(fd);
                if (error) *error = describeErrno("Cannot read", path, err);
                return std::nullopt;
            }
            if (n == 0) break;
            data.insert(data.end(), chunk, chunk + n);
        }
    } catch (const std::bad_alloc&) {
        ::close(fd);
        if (error) *error = describeErrno("Cannot read", path, ENOMEM);
        return std::nullopt;
    } catch (const std::length_error&) {
        ::close(fd);
        if (error) *error = describeErrno("Cannot read", path, EFBIG);
        return std::nullopt;
    }
    ::close(fd);
    return data;
}

bool removeFile(const std::string& path, std::string* error) {
    if (::unlink(path.c_str()) == 0) return true;
    if (error) *error = describeErrno("Cannot delete", path, errno);
    return false;
}
