#pragma once
// Encrypting and decrypting the selected file, and the tests that classify a file for the file
// list. The state lives in the main window; messages and questions go through the Prompter.

#include <string>

#include "common/Prompter.h"
#include "fileenc/FileBodyStream.h"

/// The file-encryption state the main window owns for one run; nothing of it is ever saved.
struct FileEncryptionState {
    std::string FileEncryptionPassword;  // Windows-1252 bytes; empty when none is set
    bool PasswordIsSet = false;
    std::string SelectedFile;  // full path; empty for a folder or no selection
    bool CanEncrypt = false;   // SelectedFile is readable, non-empty and not an encrypted file
    bool IsEncrypted = false;  // SelectedFile is an encrypted file
    bool ShowEncryptedOnly = false;
    // Encrypt File writes the old form (Blowfish, readable by older programs) instead of the strong one.
    bool EncryptInOldForm = false;
};

enum class FileOpStatus {
    Done,           // output in place, input deleted
    InputKept,      // output in place, but the input could not be deleted (both files remain)
    Failed,         // stopped with a message; no file changed
    WrongPassword,  // "Password not correct,try again!"; no file changed
    Declined,       // an existing output file was not to be replaced; no file changed
    Cancelled,      // the progress callback stopped it; no file changed
};

struct FileOpResult {
    FileOpStatus status = FileOpStatus::Failed;
    std::string outputPath;  // set once the output name is known
    std::string detail;      // the system's reason for a write or delete failure, if any
    bool outputWritten() const { return status == FileOpStatus::Done || status == FileOpStatus::InputKept; }
};

/// Replaces state.SelectedFile by its "~~~" file enciphered under state.FileEncryptionPassword: in the
/// strong form (a key derived with Argon2id, about a second, then libsodium's secretstream), or with
/// state.EncryptInOldForm in the old one.
/// On success SelectedFile names the encrypted file, CanEncrypt false, IsEncrypted true; on failure
/// or a cancel the state and every file stay as they were. The file streams through in chunks;
/// `progress` (called on this thread) is told the source bytes done and may cancel between chunks.
FileOpResult EncryptSelectedFile(FileEncryptionState& state, Prompter& ui, const FileProgress& progress = {});

/// Restores the file that the "~~~" file state.SelectedFile holds (either form), under the name it
/// keeps. On success SelectedFile names the restored file, CanEncrypt true, IsEncrypted false. The
/// password is checked against the trailer (the strong form's key check) before the body is read;
/// `progress` is told the body bytes done (trailer or header not counted) and may cancel between
/// chunks. A strong file that fails its authentication anywhere restores nothing.
FileOpResult DecryptSelectedFile(FileEncryptionState& state, Prompter& ui, const FileProgress& progress = {});

/// 1 when the file opens for reading; otherwise 0 after a message naming the cause (none for a
/// missing file or a bad path). A file another program holds a lock on counts as a sharing violation.
int CanOpenForReading(const std::string& path, Prompter& ui);

/// 1 when the 8 bytes 32 bytes before the end are the magic (the old form), or the file begins with the
/// strong form's magic and is long enough for its header; a file of 32 bytes or less is never
/// encrypted. "File open error" when it cannot be opened.
int IsEncryptedFile(const std::string& path, Prompter& ui);

/// 1 when the file is not empty; "Could not open file" when it cannot be opened.
int IsNonEmptyFile(const std::string& path, Prompter& ui);

/// The bytes of a "~~~" file's body that decryption reports progress over, by its form.
std::uint64_t encryptedBodyLength(const std::string& path, std::uint64_t fileLength);

/// The open-failure message for an errno value, or nullptr when that cause shows none.
const char* openFailureMessage(int err);

/// Opens `path` for reading and closes it again. Returns 0 when it opens, else the errno value;
/// EWOULDBLOCK when another program holds a lock on it.
int probeOpenForReading(const std::string& path);

/// The extended attribute of a "~~~" file that keeps the source file's permission bits and
/// modification time ("mode=0755 mtime=SECONDS.NANOSECONDS"); decryption gives them back to the
/// restored file when it is present and well formed.
inline constexpr const char* kKeptAttributesName = "user.quorvane.source";

// Messages of our own for what the classic steps cannot express.
inline constexpr const char* kMsgEncryptedFileTooShort = "The file is too short to be an encrypted file.";
inline constexpr const char* kMsgNameTooShort =
    "The file name must have at least three characters to be encrypted or decrypted.";
inline constexpr const char* kMsgNameTailNotStorable =
    "The last three characters of the file name cannot be stored in an encrypted file.";
inline constexpr const char* kMsgAlreadyEndsInTildes =
    "The file name already ends in ~~~, so the encrypted file would replace it. Rename the file first.";
inline constexpr const char* kMsgStoredNameUnusable = "The file name stored in the encrypted file cannot be used.";
inline constexpr const char* kMsgSourceIsLink =
    "The file is a link to another file. Encrypt the file it points to instead, so no readable copy stays behind.";
inline constexpr const char* kMsgOutputIsInput =
    "The file to be written is the very file being read (a link leads to it), so writing it would destroy both. "
    "Remove or rename it first.";
inline constexpr const char* kMsgRestoredNameIsInput =
    "The restored file would have the same name as the encrypted file. Rename the encrypted file first.";
