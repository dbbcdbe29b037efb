// encrypt-file, decrypt-file and classify: ~~~ files from the terminal.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <optional>

#include "cli/Commands.h"
#include "cli/DocumentAccess.h"
#include "cli/ProgressLine.h"
#include "cli/Terminal.h"
#include "common/SafeFile.h"
#include "crypto/PasswordRules.h"
#include "fileenc/EncryptedFileFormat.h"
#include "fileenc/FileEncryption.h"

namespace {

constexpr const char* kPasswordTitle = "File encryption password";

// For the checks made before the real operation, which reports on its own.
class SilentPrompter : public Prompter {
public:
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
    bool confirmReplace(const std::string&) override { return false; }
};

// Length of a file that opens for reading, or nothing after "Could not open file".
std::optional<std::uint64_t> readableFileLength(const std::string& path, Prompter& ui) {
    struct stat st {};
    if (probeOpenForReading(path) != 0 || ::stat(path.c_str(), &st) != 0) {
        ui.showMessage("Could not open file");
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

int finish(const FileOpResult& result, const std::string& input) {
    switch (result.status) {
        case FileOpStatus::Done:
            std::cout << result.outputPath << '\n';
            return 0;
        case FileOpStatus::InputKept:
            std::cerr << result.outputPath << " was written, but " << input << " could not be deleted";
            if (!result.detail.empty())
                std::cerr << " (" << result.detail << ")";
            std::cerr << ".\n";
            return 1;
        case FileOpStatus::Failed:
        case FileOpStatus::WrongPassword:
        case FileOpStatus::Declined:
        case FileOpStatus::Cancelled:
            break;
    }
    return 1;
}

// PATH [--force] naming a file that opens and is not empty; nothing after saying what is wrong.
struct FileArgument {
    std::string path;
    bool force = false;
    std::uint64_t length = 0;
};
std::optional<FileArgument> nonEmptyFileArgument(const FileOptions& options, const char* emptyMessage) {
    FileArgument file;
    file.path = options.path;
    file.force = options.force;
    TerminalPrompter report;
    auto length = readableFileLength(file.path, report);
    if (!length)
        return std::nullopt;
    if (*length == 0) {
        report.showMessage(emptyMessage);
        return std::nullopt;
    }
    file.length = *length;
    return file;
}

}  // namespace

int cmdEncryptFile(const FileOptions& options) {
    // Checked before the password is typed; the file list would not offer Encrypt File here either.
    auto file = nonEmptyFileArgument(options, "File is empty, cannot encrypt.");
    if (!file)
        return 1;
    const std::string& path = file->path;
    TerminalPrompter ui(file->force);
    if (!usePasswordSource(ui, options.password))
        return 1;
    SilentPrompter quiet;
    if (IsEncryptedFile(path, quiet)) {
        std::cerr << path << " is already an encrypted file.\n";
        return 1;
    }

    auto entered = ui.askNewPassword(kPasswordTitle);
    if (!entered) {
        if (!ui.inputRefused())
            std::cerr << "No password given.\n";
        return 1;
    }
    NewPasswordVerdict verdict = checkNewPassword(entered->first, entered->second);
    if (verdict != NewPasswordVerdict::Accepted) {
        ui.showMessage(newPasswordMessage(verdict));
        return 1;
    }

    FileEncryptionState state;
    state.FileEncryptionPassword = entered->first;
    state.PasswordIsSet = true;
    state.SelectedFile = path;
    state.CanEncrypt = true;
    state.EncryptInOldForm = options.legacy;
    ProgressLine line("Encrypting", file->length, ProgressLine::wanted(file->length));
    ProgressLinePrompter lineUi(ui, line);
    const FileOpResult result = EncryptSelectedFile(state, lineUi, line.callback());
    line.end();
    return finish(result, path);
}

int cmdDecryptFile(const FileOptions& options) {
    auto file = nonEmptyFileArgument(options, "File is empty, can not decrypt");
    if (!file)
        return 1;
    const std::string& path = file->path;
    TerminalPrompter ui(file->force);
    if (!usePasswordSource(ui, options.password))
        return 1;
    SilentPrompter quiet;

    if (file->length < kEncryptedTrailerLength) {
        ui.showMessage(kMsgEncryptedFileTooShort);
        return 1;
    }
    if (!IsEncryptedFile(path, quiet)) {
        std::cerr << path << " is not an encrypted file.\n";
        return 1;
    }

    auto password = ui.askPassword(kPasswordTitle);
    if (!password) {
        if (!ui.inputRefused())
            std::cerr << "No password given.\n";
        return 1;
    }
    FileEncryptionState state;
    state.FileEncryptionPassword = *password;
    state.PasswordIsSet = !password->empty();
    state.SelectedFile = path;
    state.IsEncrypted = true;
    const std::uint64_t body = encryptedBodyLength(path, file->length);
    ProgressLine line("Decrypting", body, ProgressLine::wanted(body));
    ProgressLinePrompter lineUi(ui, line);
    const FileOpResult result = DecryptSelectedFile(state, lineUi, line.callback());
    line.end();
    return finish(result, path);
}

int cmdClassify(const FileOptions& options) {
    const std::string& path = options.path;
    TerminalPrompter ui;
    removeStaleTemporaryFiles(folderOf(path));

    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
        std::cerr << "No such file: " << path << '\n';
        return 1;
    }
    // The reason a file cannot be read is its classification, so it goes to standard output.
    int err = probeOpenForReading(path);
    if (err != 0) {
        if (const char* message = openFailureMessage(err))
            std::cout << message << '\n';
        else if (err == EINVAL)  // what the probe says of a FIFO, a device or a socket
            std::cerr << path << " is not a regular file.\n";
        else
            std::cerr << "Cannot open " << path << ": " << std::strerror(err) << '\n';
        return 1;
    }
    if (IsEncryptedFile(path, ui))
        std::cout << "encrypted\n";
    else if (IsNonEmptyFile(path, ui))
        std::cout << "readable\n";
    else
        std::cout << "empty\n";
    return 0;
}
