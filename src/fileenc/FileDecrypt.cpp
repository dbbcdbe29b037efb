// Decrypt File: the file a "~~~" file holds restored under the name it keeps, from either form.
#include <cstring>
#include <optional>

#include "fileenc/FileEncryption.h"
#include "fileenc/FileEncryptionParts.h"
#include "crypto/PasswordKey.h"
#include "crypto/Sha1.h"
#include "fileenc/EncryptedFileFormat.h"
#include "fileenc/StrongFileFormat.h"

using namespace fileenc;

namespace {

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
    FileHandle file;
    std::uint64_t length = 0;
    if (!openSelectedFile(encrypted, file, length, "File is empty, can not decrypt", ui)) return result;
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
