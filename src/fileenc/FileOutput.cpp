// Writing the output of an encryption or decryption: through the safe-file writer, with the
// source's attributes kept beside a "~~~" file and given back to a restored one; then the input goes.
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <new>

#include "fileenc/FileEncryption.h"
#include "fileenc/FileEncryptionParts.h"
#include "crypto/PasswordKey.h"

namespace fileenc {

namespace {

// The messages of a failed write: "Could not open file" when the output could not even be created,
// then the step that failed, then the system's reason.
void reportWriteFailure(const FileResult& written, const char* stepError, FileOpResult& result, Prompter& ui) {
    if (written.notCreated)
        ui.showMessage("Could not open file");
    ui.showMessage(stepError);
    ui.showMessage(written.error);
    result.detail = written.error;
}

// A run at the same time (or another program) took the output's name after it was checked.
void reportNameTaken(const std::string& output, const std::string& input, FileOpResult& result, Prompter& ui) {
    ui.showMessage(fileNameOf(output) + " was created by another program while this one was working, and was left "
                   "as it is. " + fileNameOf(input) + " was kept.");
    result.detail = "the output's name was taken meanwhile";
}

}  // namespace

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

}  // namespace fileenc
