#include "fileenc/FileEncryption.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "common/SafeFile.h"
#include "crypto/Blowfish.h"
#include "crypto/Sha1.h"
#include "fileenc/EncryptedFileFormat.h"

namespace {

class FileHandle {
public:
    explicit FileHandle(int fd = -1) : m_fd(fd) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return m_fd; }
    void reset(int fd) {
        close();
        m_fd = fd;
    }
    void close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

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

// Reads `count` bytes from the start of the file; `got` tells how many arrived before its end.
bool ReadBytesInMemory(int fd, std::uint8_t* buffer, std::size_t count, std::size_t& got) {
    got = 0;
    while (got < count) {
        ssize_t n = ::pread(fd, buffer + got, count - got, static_cast<off_t>(got));
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

std::unique_ptr<std::uint8_t[]> allocateBuffer(std::uint64_t size) {
    if (size > SIZE_MAX)
        return nullptr;
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
}

bool writeOutput(const std::string& path, const std::uint8_t* data, std::size_t size, const char* stepError,
                 FileOpResult& result, Prompter& ui) {
    FileResult written = writeFileSafely(path, data, size);
    if (written.ok)
        return true;
    if (written.notCreated)
        ui.showMessage("Could not open file");
    ui.showMessage(stepError);
    ui.showMessage(written.error);
    result.detail = written.error;
    return false;
}

bool mayWriteOutput(const std::string& path, FileOpResult& result, Prompter& ui) {
    if (!fileExists(path) || ui.confirmReplace(path))
        return true;
    result.status = FileOpStatus::Declined;
    return false;
}

void removeInput(const std::string& path, FileOpResult& result) {
    // The output is safely on disk by now; if the input cannot go, both files stay.
    std::string error;
    if (removeFile(path, &error)) {
        result.status = FileOpStatus::Done;
    } else {
        result.status = FileOpStatus::InputKept;
        result.detail = error;
    }
}

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

FileOpResult EncryptSelectedFile(FileEncryptionState& state, Prompter& ui) {
    FileOpResult result;
    const std::string source = state.SelectedFile;

    FileHandle file;
    std::uint64_t length = 0;
    if (openForReading(source, file, length) != 0) {
        ui.showMessage("Could not open file");
        return result;
    }
    if (length == 0) {
        ui.showMessage("File is empty, cannot encrypt.");
        return result;
    }
    // Room for the body and the trailer, so the whole file goes out in one write.
    auto buffer =
        length <= UINT64_MAX - kEncryptedTrailerLength ? allocateBuffer(length + kEncryptedTrailerLength) : nullptr;
    if (!buffer) {
        ui.showMessage("Unable to Allocate memory");
        ui.showMessage("Can not Allocate memory");
        return result;
    }
    const auto bodyLength = static_cast<std::size_t>(length);
    std::size_t got = 0;
    if (!ReadBytesInMemory(file.fd(), buffer.get(), bodyLength, got)) {
        ui.showMessage("Read bytes in memory Error");
        return result;
    }
    if (got < bodyLength) {
        ui.showMessage("Not all bytes read!");
        return result;
    }
    file.close();

    if (state.FileEncryptionPassword.empty()) {
        ui.showMessage("Password not set!");
        return result;
    }

    auto name = encryptedNameFor(source);
    if (!name) {
        ui.showMessage(splitPathTail(source) ? kMsgNameTailNotStorable : kMsgNameTooShort);
        return result;
    }
    if (name->path == source) {
        ui.showMessage(kMsgAlreadyEndsInTildes);
        return result;
    }
    // Deleting a link would leave the file it points to readable beside the encrypted copy.
    if (struct stat st {}; ::lstat(source.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        ui.showMessage(kMsgSourceIsLink);
        return result;
    }
    result.outputPath = name->path;
    if (!mayWriteOutput(name->path, result, ui))
        return result;

    encipherFileBody(BlowfishKey(state.FileEncryptionPassword), buffer.get(), bodyLength);
    writeEncryptedTrailer(buffer.get() + bodyLength, Sha1Digest(state.FileEncryptionPassword), name->nameTail);
    if (!writeOutput(name->path, buffer.get(), bodyLength + kEncryptedTrailerLength, "WriteEncryptedFileToDisk() Error",
                     result, ui))
        return result;
    buffer.reset();

    state.SelectedFile = name->path;
    state.CanEncrypt = false;
    state.IsEncrypted = true;
    removeInput(source, result);
    return result;
}

FileOpResult DecryptSelectedFile(FileEncryptionState& state, Prompter& ui) {
    FileOpResult result;
    const std::string encrypted = state.SelectedFile;

    FileHandle file;
    std::uint64_t length = 0;
    if (openForReading(encrypted, file, length) != 0) {
        ui.showMessage("Could not open file");
        return result;
    }
    if (length == 0) {
        ui.showMessage("File is empty, can not decrypt");
        return result;
    }
    // Refused before any size is worked out from length - 52.
    if (length < kEncryptedTrailerLength) {
        ui.showMessage(kMsgEncryptedFileTooShort);
        return result;
    }
    auto buffer = allocateBuffer(length);
    if (!buffer) {
        ui.showMessage("Unable to Allocate memory");
        return result;
    }
    const auto fileLength = static_cast<std::size_t>(length);
    const std::size_t bodyLength = fileLength - kEncryptedTrailerLength;
    std::size_t got = 0;
    if (!ReadBytesInMemory(file.fd(), buffer.get(), fileLength, got)) {
        ui.showMessage("ReadBytesInMemory() Error");
        return result;
    }
    if (got != fileLength) {
        ui.showMessage("Bytes not read correctly");
        return result;
    }
    file.close();

    const EncryptedTrailer trailer = readEncryptedTrailer(buffer.get() + bodyLength);
    auto output = decryptedPathFor(encrypted, trailer.nameTail);
    if (!output) {
        ui.showMessage(splitPathTail(encrypted) ? kMsgStoredNameUnusable : kMsgNameTooShort);
        return result;
    }
    if (*output == encrypted) {
        ui.showMessage(kMsgRestoredNameIsInput);
        return result;
    }
    result.outputPath = *output;

    bool passwordMatches = false;
    if (state.FileEncryptionPassword.empty())
        ui.showMessage("Password not set !");
    else
        passwordMatches = Sha1Digest(state.FileEncryptionPassword) == trailer.digest;
    if (!passwordMatches) {
        ui.showMessage("Password not correct,try again!");
        result.status = FileOpStatus::WrongPassword;
        return result;
    }
    if (!mayWriteOutput(*output, result, ui))
        return result;

    decipherFileBody(BlowfishKey(state.FileEncryptionPassword), buffer.get(), bodyLength);
    if (!writeOutput(*output, buffer.get(), bodyLength, "WriteBytesToDisk() Error", result, ui))
        return result;
    buffer.reset();

    state.SelectedFile = *output;
    state.CanEncrypt = true;
    state.IsEncrypted = false;
    removeInput(encrypted, result);
    return result;
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
