#include "fileenc/FileEncryption.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <optional>

#include "common/SafeFile.h"
#include "crypto/Blowfish.h"
#include "crypto/PasswordKey.h"
#include "crypto/Sha1.h"
#include "fileenc/EncryptedFileFormat.h"
#include "fileenc/FileBodyStream.h"
#include "fileenc/StrongFileFormat.h"

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

// The messages of a failed write: "Could not open file" when the output could not even be created,
// then the step that failed, then the system's reason.
void reportWriteFailure(const FileResult& written, const char* stepError, FileOpResult& result, Prompter& ui) {
    if (written.notCreated)
        ui.showMessage("Could not open file");
    ui.showMessage(stepError);
    ui.showMessage(written.error);
    result.detail = written.error;
}

// The messages a failed read gives at each step.
struct ReadMessages {
    const char* readError;
    const char* shortRead;
};
constexpr ReadMessages kEncryptReadMessages{"Read bytes in memory Error", "Not all bytes read!"};
constexpr ReadMessages kDecryptReadMessages{"ReadBytesInMemory() Error", "Bytes not read correctly"};

// The source file's permission bits and modification time, which the "~~~" format has no room for:
// they travel beside it in an extended attribute of the "~~~" file ("mode=0755 mtime=SECONDS.NANOS").
struct KeptAttributes {
    unsigned mode = 0;
    FileTime modified;
};

std::string formatKeptAttributes(const struct stat& st) {
    char text[96];
    std::snprintf(text, sizeof text, "mode=%04o mtime=%lld.%09ld", static_cast<unsigned>(st.st_mode & 0777),
                  static_cast<long long>(st.st_mtim.tv_sec), static_cast<long>(st.st_mtim.tv_nsec));
    return text;
}

// The attributes kept beside `fd`'s file; nothing when it has none or they are not in our form.
std::optional<KeptAttributes> readKeptAttributes(int fd) {
    char text[96] = {};
    const ssize_t n = ::fgetxattr(fd, kKeptAttributesName, text, sizeof text - 1);
    if (n <= 0)
        return std::nullopt;
    unsigned mode = 0;
    long long seconds = 0;
    long nanoseconds = 0;
    int used = 0;
    if (std::sscanf(text, "mode=%4o mtime=%lld.%9ld%n", &mode, &seconds, &nanoseconds, &used) != 3 ||
        used != static_cast<int>(n) || mode > 0777 || nanoseconds < 0 || nanoseconds > 999999999)
        return std::nullopt;
    return KeptAttributes{mode, {seconds, nanoseconds}};
}

// What goes with an output besides its bytes: an attribute to set on it, or attributes to restore.
struct OutputExtras {
    std::string keepAttributes;              // set as the kept-attributes value when not empty
    std::optional<KeptAttributes> restore;  // the permission bits and time to give the output
    WriteMode mode = WriteMode::CreateOnly;  // Replace once replacing was confirmed
};

// A run at the same time (or another program) took the output's name after it was checked.
void reportNameTaken(const std::string& output, const std::string& input, FileOpResult& result, Prompter& ui) {
    ui.showMessage(fileNameOf(output) + " was created by another program while this one was working, and was left "
                   "as it is. " + fileNameOf(input) + " was kept.");
    result.detail = "the output's name was taken meanwhile";
}

// Writes a new file at `outputPath`: `prefix` (may be empty), the body `stream` writes through the
// writer, `trailer` (may be empty), and puts it in place. False after the messages of a failure, or on
// a cancel (status Cancelled); the temporary file is gone either way and the target untouched.
bool writeOutput(const std::string& inputPath, const std::function<StreamResult(SafeFileWriter&)>& stream,
                 const std::string& outputPath, const std::uint8_t* prefix, std::size_t prefixLength,
                 const std::uint8_t* trailer, std::size_t trailerLength, const OutputExtras& extras,
                 const char* stepError, const ReadMessages& readMessages, FileOpResult& result, Prompter& ui) {
    // A name taken meanwhile (create-only) and any other failure of the writer each have their message.
    auto writerFailed = [&](const FileResult& failure) {
        if (failure.alreadyExists)
            reportNameTaken(outputPath, inputPath, result, ui);
        else
            reportWriteFailure(failure, stepError, result, ui);
        return false;
    };
    SafeFileWriter out;
    FileResult written = out.open(outputPath, extras.mode);
    if (!written.ok)
        return writerFailed(written);
    if (prefixLength != 0) {
        written = out.write(prefix, prefixLength);
        if (!written.ok)
            return writerFailed(written);
    }
    StreamResult streamed = stream(out);
    switch (streamed.outcome) {
        case StreamOutcome::Done:
            break;
        case StreamOutcome::ReadError:
            ui.showMessage(readMessages.readError);
            return false;
        case StreamOutcome::ShortRead:
            ui.showMessage(readMessages.shortRead);
            return false;
        case StreamOutcome::WriteError:
            reportWriteFailure(streamed.write, stepError, result, ui);
            return false;
        case StreamOutcome::Cancelled:
            result.status = FileOpStatus::Cancelled;
            return false;
        case StreamOutcome::Refused:
            // What was restored so far goes with the temporary file: nothing of it is kept.
            ui.showMessage(damagedFileMessage(fileNameOf(inputPath)));
            return false;
    }
    if (trailerLength != 0)
        written = out.write(trailer, trailerLength);
    // Where the file system keeps no extended attributes, the restored file is owner-only.
    if (written.ok && !extras.keepAttributes.empty())
        out.setExtendedAttribute(kKeptAttributesName, extras.keepAttributes);
    if (written.ok && extras.restore)
        written = out.setAttributes(extras.restore->mode, extras.restore->modified);
    if (written.ok)
        written = out.commit();
    return written.ok || writerFailed(written);
}

// The old form: the body through Blowfish, then the trailer.
bool writeStreamedOutput(int input, const std::string& inputPath, const BodyBuffers& buffers, const BlowfishKey& key,
                         BodyCipher how, const std::string& outputPath, const std::uint8_t* trailer,
                         std::size_t trailerLength, const OutputExtras& extras, const char* stepError,
                         const ReadMessages& readMessages, const FileProgress& progress, FileOpResult& result,
                         Prompter& ui) {
    return writeOutput(
        inputPath, [&](SafeFileWriter& out) { return streamFileBody(input, buffers, key, how, out, progress); },
        outputPath, nullptr, 0, trailer, trailerLength, extras, stepError, readMessages, result, ui);
}

// A buffer for one sealed or opened chunk; nothing when the memory cannot be had.
std::unique_ptr<std::uint8_t[]> chunkBuffer(std::size_t size) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size]);
}

// The strong form: a key from the password with a fresh salt, the header, then each chunk sealed in
// turn (the first with the header as associated data, the last marked as the last).
bool writeStrongEncrypted(int input, const std::string& inputPath, const BodyBuffers& buffers,
                          const std::string& password, const std::string& nameTail, const std::string& outputPath,
                          const OutputExtras& extras, const FileProgress& progress, FileOpResult& result,
                          Prompter& ui) {
    const std::size_t chunk = buffers.chunkBytes();
    auto sealed = chunkBuffer(chunk + SecretStream::kChunkOverhead);
    std::optional<PasswordKey> key = sealed ? PasswordKey::forNewPassword(password) : std::nullopt;
    SecretStream::Header streamHeader{};
    std::optional<SecretStream> stream = key ? SecretStream::forSealing(*key, streamHeader) : std::nullopt;
    if (!stream) {
        ui.showMessage("Unable to Allocate memory");
        ui.showMessage("Can not Allocate memory");
        return false;
    }
    std::uint8_t header[kStrongFileHeaderSize];
    writeStrongFileHeader(header, *key, static_cast<std::uint32_t>(chunk), nameTail, streamHeader);
    auto seal = [&](std::size_t i, std::uint8_t* data, std::size_t size, FileResult& write, SafeFileWriter& out) {
        const bool first = i == 0;
        stream->seal(data, size, first ? header : nullptr, first ? sizeof header : 0, i + 1 == buffers.chunkCount(),
                     sealed.get());
        write = out.write(sealed.get(), size + SecretStream::kChunkOverhead);
        return write.ok ? StreamOutcome::Done : StreamOutcome::WriteError;
    };
    return writeOutput(
        inputPath,
        [&](SafeFileWriter& out) {
            return streamChunks(
                input, buffers,
                [&](std::size_t i, std::uint8_t* data, std::size_t size, FileResult& write) {
                    return seal(i, data, size, write, out);
                },
                progress);
        },
        outputPath, header, sizeof header, nullptr, 0, extras, "WriteEncryptedFileToDisk() Error",
        kEncryptReadMessages, result, ui);
}

// True when both names lead to one file on disk (through links or not).
bool sameFileOnDisk(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Whether the output may be written, and how: a free name is taken only while it stays free (a run at
// the same time must not be replaced); an existing file is replaced once that was confirmed. Anything
// with the name counts as existing, a dangling link too.
bool mayWriteOutput(const std::string& path, WriteMode& mode, FileOpResult& result, Prompter& ui) {
    if (!fileExists(path)) {
        mode = WriteMode::CreateOnly;
        return true;
    }
    if (ui.confirmReplace(path)) {
        mode = WriteMode::Replace;
        return true;
    }
    result.status = FileOpStatus::Declined;
    return false;
}

/// The name a decryption restores from the stored name tail, both forms alike; nothing, after saying
/// why, when the tail gives no usable name or names the encrypted file itself.
std::optional<std::string> restoredPathFor(const std::string& encrypted, const std::string& nameTail, Prompter& ui) {
    auto output = decryptedPathFor(encrypted, nameTail);
    if (!output) {
        ui.showMessage(splitPathTail(encrypted) ? kMsgStoredNameUnusable : kMsgNameTooShort);
    } else if (*output == encrypted) {
        ui.showMessage(kMsgRestoredNameIsInput);
        output.reset();
    }
    return output;
}

/// The checks before a decryption writes its output, the same for both forms: never over the
/// encrypted file itself, a replacement only when confirmed; then what the source's attributes were.
bool prepareRestoredOutput(const std::string& output, const std::string& encrypted, int fd, OutputExtras& extras,
                           FileOpResult& result, Prompter& ui) {
    if (sameFileOnDisk(output, encrypted)) {
        ui.showMessage(kMsgOutputIsInput);
        return false;
    }
    if (!mayWriteOutput(output, extras.mode, result, ui)) return false;
    extras.restore = readKeptAttributes(fd);
    return true;
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

// Holds the input for the whole operation, so that a second encryption or decryption of the same
// file (in this run or another) is refused instead of racing this one. False only when another
// holds it; a file system without locks does not stop the operation.
bool lockForOperation(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK; }

}  // namespace

FileOpResult EncryptSelectedFile(FileEncryptionState& state, Prompter& ui, const FileProgress& progress) {
    FileOpResult result;
    const std::string source = state.SelectedFile;
    // A run killed in this folder may have left a temporary file holding plaintext: it goes first.
    removeStaleTemporaryFiles(folderOf(source));

    FileHandle file;
    std::uint64_t length = 0;
    if (openForReading(source, file, length) != 0) {
        ui.showMessage("Could not open file");
        return result;
    }
    if (!lockForOperation(file.fd())) {
        ui.showMessage("File sharing violation");
        return result;
    }
    if (length == 0) {
        ui.showMessage("File is empty, cannot encrypt.");
        return result;
    }
    // The body goes through a few chunk buffers, whatever the file's size.
    auto buffers = state.EncryptInOldForm ? BodyBuffers::allocate(length)
                                          : BodyBuffers::allocateChunks(0, length, fileChunkBytes());
    if (!buffers) {
        ui.showMessage("Unable to Allocate memory");
        ui.showMessage("Can not Allocate memory");
        return result;
    }

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
    if (sameFileOnDisk(name->path, source)) {
        ui.showMessage(kMsgOutputIsInput);
        return result;
    }
    OutputExtras extras;
    if (!mayWriteOutput(name->path, extras.mode, result, ui))
        return result;
    if (struct stat st {}; ::fstat(file.fd(), &st) == 0)
        extras.keepAttributes = formatKeptAttributes(st);

    if (state.EncryptInOldForm) {
        std::uint8_t trailer[kEncryptedTrailerLength];
        writeEncryptedTrailer(trailer, Sha1Digest(state.FileEncryptionPassword), name->nameTail);
        const BlowfishKey key(state.FileEncryptionPassword);
        if (!writeStreamedOutput(file.fd(), source, *buffers, key, BodyCipher::Encipher, name->path, trailer,
                                 sizeof trailer, extras, "WriteEncryptedFileToDisk() Error", kEncryptReadMessages,
                                 progress, result, ui))
            return result;
    } else if (!writeStrongEncrypted(file.fd(), source, *buffers, state.FileEncryptionPassword, name->nameTail,
                                     name->path, extras, progress, result, ui)) {
        return result;
    }
    file.close();

    state.SelectedFile = name->path;
    state.CanEncrypt = false;
    state.IsEncrypted = true;
    removeInput(source, result);
    return result;
}

namespace {

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

// Decrypts a strong "~~~" file: the header is checked before the password, the password (the key
// check) before anything is written, and every chunk before it is written; a failure anywhere
// leaves no output.
FileOpResult decryptStrong(FileEncryptionState& state, Prompter& ui, const FileProgress& progress, int fd,
                           std::uint64_t length, const std::uint8_t* head, FileOpResult result) {
    const std::string encrypted = state.SelectedFile;
    const std::string name = fileNameOf(encrypted);
    StrongFileHeader header;
    std::uint64_t plainLength = 0;
    const StrongFileVerdict verdict = readStrongFileHeader(head, length, header, plainLength);
    if (verdict != StrongFileVerdict::Readable) {
        ui.showMessage(strongFileMessage(verdict, head, header, name));
        return result;
    }
    const auto output = restoredPathFor(encrypted, header.nameTail, ui);
    if (!output) return result;
    result.outputPath = *output;
    if (state.FileEncryptionPassword.empty()) {
        ui.showMessage("Password not set !");
        ui.showMessage("Password not correct,try again!");
        result.status = FileOpStatus::WrongPassword;
        return result;
    }
    const std::size_t sealedChunk = std::size_t{header.chunkBytes} + SecretStream::kChunkOverhead;
    auto buffers = BodyBuffers::allocateChunks(kStrongFileHeaderSize, length - kStrongFileHeaderSize, sealedChunk);
    auto opened = chunkBuffer(header.chunkBytes);
    if (!buffers || !opened) {
        ui.showMessage("Unable to Allocate memory");
        return result;
    }
    std::optional<PasswordKey> key = PasswordKey::derive(state.FileEncryptionPassword, header.salt, header.cost);
    if (!key) {
        ui.showMessage(keyNotDerivedMessage(name, header.cost));
        return result;
    }
    if (!key->keyCheckMatches(head, kStrongFileKeyCheckOffset, head + kStrongFileKeyCheckOffset)) {
        ui.showMessage("Password not correct,try again!");
        result.status = FileOpStatus::WrongPassword;
        return result;
    }
    OutputExtras extras;
    if (!prepareRestoredOutput(*output, encrypted, fd, extras, result, ui)) return result;
    std::optional<SecretStream> stream = SecretStream::forOpening(*key, header.stream);
    if (!stream) {
        ui.showMessage("Unable to Allocate memory");
        return result;
    }
    auto open = [&](std::size_t i, std::uint8_t* data, std::size_t size, FileResult& write, SafeFileWriter& out) {
        const bool first = i == 0;
        const SecretStream::Opened chunk =
            stream->open(data, size, first ? head : nullptr, first ? kStrongFileHeaderSize : 0, opened.get());
        // The last chunk must say it is the last, and no other may: a file cut at a chunk's end, or
        // grown by chunks of another file, is refused like any other change.
        const bool last = i + 1 == buffers->chunkCount();
        if (chunk == SecretStream::Opened::Refused || (chunk == SecretStream::Opened::LastChunk) != last)
            return StreamOutcome::Refused;
        write = out.write(opened.get(), size - SecretStream::kChunkOverhead);
        return write.ok ? StreamOutcome::Done : StreamOutcome::WriteError;
    };
    if (!writeOutput(
            encrypted,
            [&](SafeFileWriter& out) {
                return streamChunks(
                    fd, *buffers,
                    [&](std::size_t i, std::uint8_t* data, std::size_t size, FileResult& write) {
                        return open(i, data, size, write, out);
                    },
                    progress);
            },
            *output, nullptr, 0, nullptr, 0, extras, "WriteBytesToDisk() Error", kDecryptReadMessages, result, ui))
        return result;
    state.SelectedFile = *output;
    state.CanEncrypt = true;
    state.IsEncrypted = false;
    return result;
}

}  // namespace

FileOpResult DecryptSelectedFile(FileEncryptionState& state, Prompter& ui, const FileProgress& progress) {
    FileOpResult result;
    const std::string encrypted = state.SelectedFile;
    removeStaleTemporaryFiles(folderOf(encrypted));

    FileHandle file;
    std::uint64_t length = 0;
    if (openForReading(encrypted, file, length) != 0) {
        ui.showMessage("Could not open file");
        return result;
    }
    if (!lockForOperation(file.fd())) {
        ui.showMessage("File sharing violation");
        return result;
    }
    if (length == 0) {
        ui.showMessage("File is empty, can not decrypt");
        return result;
    }
    std::uint8_t head[kStrongFileHeaderSize] = {};
    std::size_t headSize = 0;
    if (readAsStrong(file.fd(), length, head, headSize)) {
        result = decryptStrong(state, ui, progress, file.fd(), length, head, result);
        if (state.SelectedFile == encrypted) return result;  // nothing was restored
        file.close();
        removeInput(encrypted, result);
        return result;
    }
    // Refused before any size is worked out from length - 52.
    if (length < kEncryptedTrailerLength) {
        ui.showMessage(kMsgEncryptedFileTooShort);
        return result;
    }
    const std::uint64_t bodyLength = length - kEncryptedTrailerLength;
    auto buffers = BodyBuffers::allocate(bodyLength);
    if (!buffers) {
        ui.showMessage("Unable to Allocate memory");
        return result;
    }
    // The trailer alone decides the name and the password, so a wrong password costs no more than it.
    std::uint8_t trailerBytes[kEncryptedTrailerLength];
    std::size_t got = 0;
    if (!readBytesAt(file.fd(), bodyLength, trailerBytes, sizeof trailerBytes, got)) {
        ui.showMessage(kDecryptReadMessages.readError);
        return result;
    }
    if (got != sizeof trailerBytes) {
        ui.showMessage(kDecryptReadMessages.shortRead);
        return result;
    }

    const EncryptedTrailer trailer = readEncryptedTrailer(trailerBytes);
    const auto output = restoredPathFor(encrypted, trailer.nameTail, ui);
    if (!output) return result;
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
    OutputExtras extras;
    if (!prepareRestoredOutput(*output, encrypted, file.fd(), extras, result, ui)) return result;

    const BlowfishKey key(state.FileEncryptionPassword);
    if (!writeStreamedOutput(file.fd(), encrypted, *buffers, key, BodyCipher::Decipher, *output, nullptr, 0, extras,
                             "WriteBytesToDisk() Error", kDecryptReadMessages, progress, result, ui))
        return result;
    file.close();

    state.SelectedFile = *output;
    state.CanEncrypt = true;
    state.IsEncrypted = false;
    removeInput(encrypted, result);
    return result;
}

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
