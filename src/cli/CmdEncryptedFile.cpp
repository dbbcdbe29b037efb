// encrypt-file, decrypt-file and classify: ~~~ files from the terminal.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <optional>

#include "cli/Commands.h"
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

// One path and, where allowed, --force. False (after a usage line) on anything else.
bool parsePathArgs(const Args& args, const char* command, bool allowForce, std::string& path, bool& force) {
    force = false;
    path.clear();
    bool havePath = false;
    bool onlyPaths = false;
    for (const std::string& arg : args) {
        if (!onlyPaths && arg == "--") {
            onlyPaths = true;  // a name after it may begin with '-'
        } else if (!onlyPaths && allowForce && arg == "--force") {
            force = true;
        } else if (!onlyPaths && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            havePath = false;
            break;
        } else if (!havePath) {
            path = arg;
            havePath = true;
        } else {
            havePath = false;
            break;
        }
    }
    if (!havePath || path.empty()) {
        std::cerr << "Usage: quorvane-cli " << command << " PATH" << (allowForce ? " [--force]" : "") << '\n';
        return false;
    }
    return true;
}

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
std::optional<FileArgument> nonEmptyFileArgument(const Args& args, const char* command, const char* emptyMessage) {
    FileArgument file;
    if (!parsePathArgs(args, command, true, file.path, file.force))
        return std::nullopt;
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

int cmdEncryptFile(const Args& args) {
    // Checked before the password is typed; the file list would not offer Encrypt File here either.
    auto file = nonEmptyFileArgument(args, "encrypt-file", "File is empty, cannot encrypt.");
    if (!file)
        return 1;
    const std::string& path = file->path;
    TerminalPrompter ui(file->force);
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
    return finish(EncryptSelectedFile(state, ui), path);
}

int cmdDecryptFile(const Args& args) {
    auto file = nonEmptyFileArgument(args, "decrypt-file", "File is empty, can not decrypt");
    if (!file)
        return 1;
    const std::string& path = file->path;
    TerminalPrompter ui(file->force);
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
    return finish(DecryptSelectedFile(state, ui), path);
}

int cmdClassify(const Args& args) {
    std::string path;
    bool force = false;
    if (!parsePathArgs(args, "classify", false, path, force))
        return 1;
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
