// Opening and classifying files for the file-encryption window: can it be read, is it encrypted, in
// which form, how long is its body.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "fileenc/FileEncryption.h"
#include "fileenc/FileEncryptionParts.h"
#include "fileenc/EncryptedFileFormat.h"
#include "fileenc/StrongFileFormat.h"

namespace fileenc {

// Opens a regular file for reading and tells its length. Returns 0 or an errno value. O_NONBLOCK
// keeps a FIFO from hanging the open; it has no effect on reading a regular file.
int openForReading(const std::string& path, FileHandle& file, std::uint64_t& length) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    file.reset(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    length = static_cast<std::uint64_t>(st.st_size);
    return 0;
}

// Reads `count` bytes at `offset`; `got` tells how many arrived before the end of the file.
bool readBytesAt(int fd, std::uint64_t offset, std::uint8_t* buffer, std::size_t count, std::size_t& got) {
    got = 0;
    while (got < count) {
        ssize_t n = ::pread(fd, buffer + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

namespace {

// The lock another program holds on the file, as far as Linux can tell: a BSD lock that keeps us
// from sharing it, or a POSIX write lock.
bool lockedByAnother(int fd) {
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    ::flock(fd, LOCK_UN);
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    return ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

}  // namespace

bool lockForOperation(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK; }

bool openSelectedFile(const std::string& path, FileHandle& file, std::uint64_t& length, const char* emptyMessage,
                      Prompter& ui) {
    // A run killed in this folder may have left a temporary file holding plaintext: it goes first.
    removeStaleTemporaryFiles(folderOf(path));
    length = 0;
    if (openForReading(path, file, length) != 0) {
        ui.showMessage("Could not open file");
        return false;
    }
    if (!lockForOperation(file.fd())) {
        ui.showMessage("File sharing violation");
        return false;
    }
    if (length == 0) {
        ui.showMessage(emptyMessage);
        return false;
    }
    return true;
}

// Whether the file is in the strong form: its magic at the start, and, should the old form's magic
// also sit at its end, an intact header (an old file's enciphered body might begin with the magic).
bool readAsStrong(int fd, std::uint64_t length, std::uint8_t* head, std::size_t& headSize) {
    headSize = 0;
    if (!readBytesAt(fd, 0, head, kStrongFileHeaderSize, headSize) || headSize < kStrongFileMagic.size() ||
        std::memcmp(head, kStrongFileMagic.data(), kStrongFileMagic.size()) != 0)
        return false;
    std::uint8_t magic[EncryptedFileMagic.size()];
    std::size_t got = 0;
    const bool oldMagic = length > kMagicFromEnd && readBytesAt(fd, length - kMagicFromEnd, magic, sizeof magic, got) &&
                          got == sizeof magic && std::memcmp(magic, EncryptedFileMagic.data(), sizeof magic) == 0;
    if (!oldMagic)
        return true;
    const HeaderDigest digest = headerDigest(head, kStrongFileDigestOffset);
    return headSize == kStrongFileHeaderSize &&
           std::memcmp(digest.data(), head + kStrongFileDigestOffset, digest.size()) == 0;
}

}  // namespace fileenc

using namespace fileenc;

std::uint64_t encryptedBodyLength(const std::string& path, std::uint64_t fileLength) {
    FileHandle file;
    std::uint64_t length = 0;
    std::uint8_t head[kStrongFileHeaderSize];
    std::size_t headSize = 0;
    if (openForReading(path, file, length) == 0 && readAsStrong(file.fd(), length, head, headSize))
        return fileLength - std::min<std::uint64_t>(fileLength, kStrongFileHeaderSize);
    return fileLength - std::min<std::uint64_t>(fileLength, kEncryptedTrailerLength);
}

const char* openFailureMessage(int err) {
    switch (err) {
        case EACCES:
        case EPERM:
            return "The file could not be accessed.!";
        case EMFILE:
        case ENFILE:
            return "The permitted number of open files was exceeded.";
        case EIO:
            return "An unspecified error occurred.";
        case EWOULDBLOCK:
        case ETXTBSY:
            return "File sharing violation";
        default:
            return nullptr;
    }
}

int probeOpenForReading(const std::string& path) {
    FileHandle file;
    std::uint64_t length = 0;
    if (int err = openForReading(path, file, length))
        return err;
    return lockedByAnother(file.fd()) ? EWOULDBLOCK : 0;
}

int CanOpenForReading(const std::string& path, Prompter& ui) {
    int err = probeOpenForReading(path);
    if (err == 0)
        return 1;
    if (const char* message = openFailureMessage(err))
        ui.showMessage(message);
    return 0;
}

int IsEncryptedFile(const std::string& path, Prompter& ui) {
    FileHandle file;
    std::uint64_t length = 0;
    if (openForReading(path, file, length) != 0) {
        ui.showMessage("File open error");
        return 0;
    }
    std::uint8_t head[kStrongFileMagic.size()];
    std::size_t got = 0;
    if (length >= kStrongFileHeaderSize + SecretStream::kChunkOverhead && readBytesAt(file.fd(), 0, head, sizeof head, got) &&
        got == sizeof head && std::memcmp(head, kStrongFileMagic.data(), sizeof head) == 0)
        return 1;
    if (length <= kMagicFromEnd)
        return 0;
    std::uint8_t magic[EncryptedFileMagic.size()];
    ssize_t n = ::pread(file.fd(), magic, sizeof magic, static_cast<off_t>(length - kMagicFromEnd));
    return n == static_cast<ssize_t>(sizeof magic) && std::memcmp(magic, EncryptedFileMagic.data(), sizeof magic) == 0
               ? 1
               : 0;
}

int IsNonEmptyFile(const std::string& path, Prompter& ui) {
    FileHandle file;
    std::uint64_t length = 0;
    if (openForReading(path, file, length) != 0) {
        ui.showMessage("Could not open file");
        return 0;
    }
    return length != 0 ? 1 : 0;
}
