// Encrypt File: the selected file replaced by its "~~~" file, in the strong form or the old one.
#include <sys/stat.h>

#include <optional>

#include "fileenc/FileEncryption.h"
#include "fileenc/FileEncryptionParts.h"
#include "crypto/PasswordKey.h"
#include "crypto/Sha1.h"
#include "fileenc/EncryptedFileFormat.h"
#include "fileenc/StrongFileFormat.h"

using namespace fileenc;

namespace {

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

}  // namespace

FileOpResult EncryptSelectedFile(FileEncryptionState& state, Prompter& ui, const FileProgress& progress) {
    FileOpResult result;
    const std::string source = state.SelectedFile;
    FileHandle file;
    std::uint64_t length = 0;
    if (!openSelectedFile(source, file, length, "File is empty, cannot encrypt.", ui)) return result;
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
