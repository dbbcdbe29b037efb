#include "cardstore/DocumentGuard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <vector>

#include "common/SafeFile.h"

namespace {

std::string resolved(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string out(real);
    std::free(real);
    return out;
}

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "this host";
    return name;
}

bool sameMetadata(const struct stat& st, const FileFingerprint& known) {
    return st.st_dev == known.device && st.st_ino == known.inode && st.st_size == known.size &&
           st.st_mtim.tv_sec == known.modified.tv_sec && st.st_mtim.tv_nsec == known.modified.tv_nsec;
}

// Reads and digests an open file; false on a read error.
bool digestOf(int fd, Sha1Bytes& digest) {
    Sha1 sha;
    std::vector<std::uint8_t> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        sha.update(buffer.data(), static_cast<std::size_t>(n));
    }
    digest = sha.finalise();
    return true;
}

}  // namespace

std::optional<FileFingerprint> fingerprintFile(const std::string& path) {
    FileFingerprint print;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return print;  // exists stays false
        return std::nullopt;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && digestOf(fd, print.digest);
    ::close(fd);
    if (!ok) return std::nullopt;
    print.exists = true;
    print.device = st.st_dev;
    print.inode = st.st_ino;
    print.size = st.st_size;
    print.modified = st.st_mtim;
    return print;
}

bool fileStillMatches(const std::string& path, const FileFingerprint& known) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT && !known.exists;
    if (!known.exists) return false;  // a file appeared where there was none
    if (sameMetadata(st, known)) return true;
    if (st.st_size != known.size) return false;
    auto now = fingerprintFile(path);
    return now && now->exists && now->digest == known.digest;
}

std::string DocumentLock::lockPathFor(const std::string& path) {
    const std::string real = resolved(path);
    const std::size_t slash = real.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : real.substr(0, slash);
    return folder + "/." + fileNameOf(real) + ".lock";
}

DocumentLock::Outcome DocumentLock::acquire(const std::string& path) {
    release();
    m_holder.clear();
    const std::string lockPath = lockPathFor(path);
    const std::string host = hostName();
    const std::string content = host + "\n" + std::to_string(::getpid()) + "\n";
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(lockPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const bool written = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
            ::close(fd);
            if (!written) {
                ::unlink(lockPath.c_str());
                return Outcome::Unavailable;
            }
            m_lockPath = lockPath;
            return Outcome::Acquired;
        }
        if (errno != EEXIST) return Outcome::Unavailable;

        // Someone's lock: read who, and take it over only when that process is gone from this host.
        std::string owner;
        if (auto bytes = readWholeFile(lockPath)) owner.assign(bytes->begin(), bytes->end());
        const std::size_t newline = owner.find('\n');
        const std::string ownerHost = owner.substr(0, newline);
        const long pid = newline == std::string::npos ? 0 : std::strtol(owner.c_str() + newline + 1, nullptr, 10);
        const bool stale = ownerHost == host && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        if (!stale || attempt > 0) {
            m_holder = pid > 0 ? "process " + std::to_string(pid) + " on " + ownerHost : "another program";
            return Outcome::HeldElsewhere;
        }
        ::unlink(lockPath.c_str());
    }
    return Outcome::Unavailable;
}

void DocumentLock::release() {
    if (m_lockPath.empty()) return;
    ::unlink(m_lockPath.c_str());
    m_lockPath.clear();
}
