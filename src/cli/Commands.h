#pragma once
// The commands of quorvane-cli, each with the options its command line gives it. Each returns the
// process exit status (0 done, 1 failed).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exchange/ExchangeLayouts.h"

/// Where the document's password comes from: standard input (a terminal prompt without echo, or the
/// first line of piped input), or the first line of a private file.
struct PasswordSource {
    std::string passwordFile;  // empty: standard input
};

/// Which card of a category a command works on: by name (its first field) or position (from 1).
struct CardSelector {
    std::string category;
    std::string card;
    std::optional<int> position;
};

/// The texts and web switches `add` and `edit` may set; an unset option leaves the field as it is (or
/// empty, or off).
struct CardFieldOptions {
    std::optional<std::string> name, url, user, note;
    bool passwordPrompt = false;  // the fourth field, read without echo
    std::optional<bool> automaticAccess, newWindow;
};

struct DumpOptions {
    std::string file;
    int dateFormat = 0;
    PasswordSource password;
};
struct ListOptions {
    std::string file;
    PasswordSource password;
};
struct ConvertOptions {
    std::string in, out;
    bool encrypt = false, plain = false;
    bool legacy = false;  // with encrypt: the old form (Blowfish) instead of the strong one
    bool force = false;   // replace OUT when it exists
    PasswordSource password;
};
struct FileOptions {
    std::string path;
    bool force = false;
    bool legacy = false;  // encrypt-file: the old form (Blowfish) instead of the strong one
    PasswordSource password;
};
struct AddOptions {
    std::string file;
    std::string category;
    CardFieldOptions fields;
    bool force = false;  // write even when the document is locked or changed elsewhere
    PasswordSource password;
};
struct EditOptions {
    std::string file;
    CardSelector which;
    CardFieldOptions fields;
    bool force = false;  // write even when the document is locked or changed elsewhere
    PasswordSource password;
};
struct RemoveOptions {
    std::string file;
    CardSelector which;
    bool force = false;  // write even when the document is locked or changed elsewhere
    PasswordSource password;
};
struct ResolveOptions {
    std::string file;
    bool force = false;  // write even when the document is locked or changed elsewhere
    PasswordSource password;
};
struct FindOptions {
    std::string file;
    std::string keyword;
    bool ignoreCase = false;
    PasswordSource password;
};
struct ShowOptions {
    std::string file;
    CardSelector which;
    bool reveal = false;
    PasswordSource password;
};
struct TotpOptions {
    std::string file;
    CardSelector which;
    std::optional<std::int64_t> at;  // Unix time of the code; now without it
    PasswordSource password;
};
struct OtpSetOptions {
    std::string file;
    CardSelector which;
    std::string uri;      // the otpauth:// address, or
    std::string qrImage;  // a PNG or JPEG image of its QR code
    bool force = false;   // write even when the document is locked or changed elsewhere
    PasswordSource password;
};
struct ExportOptions {
    std::string file;
    ExchangeFormat format = ExchangeFormat::Json;
    CsvLayout layout = CsvLayout::Quorvane;
    std::string output;  // empty: standard output
    bool force = false;
    PasswordSource password;
};
struct ImportOptions {
    std::string file;
    std::string input;
    std::optional<ExchangeFormat> format;  // recognised from the content when not given
    std::optional<CsvLayout> layout;
    bool force = false;  // write even when the document is locked or changed elsewhere
    PasswordSource password;
};

struct GenerateOptions {
    std::size_t length = 20;
    bool noSymbols = false;
    std::size_t words = 0;  // > 0: a passphrase of this many words
    std::size_t count = 1;
};

int cmdDump(const DumpOptions& options);
int cmdList(const ListOptions& options);
/// Says on standard error which sync program's conflict copies lie beside the document at `path`.
void warnOfConflictCopies(const std::string& path);
int cmdConvert(const ConvertOptions& options);
int cmdEncryptFile(const FileOptions& options);
int cmdDecryptFile(const FileOptions& options);
int cmdClassify(const FileOptions& options);
int cmdInfo(const FileOptions& options);
int cmdAdd(const AddOptions& options);
int cmdEdit(const EditOptions& options);
int cmdRemove(const RemoveOptions& options);
int cmdResolve(const ResolveOptions& options);
int cmdFind(const FindOptions& options);
int cmdShow(const ShowOptions& options);
int cmdTotp(const TotpOptions& options);
int cmdOtpSet(const OtpSetOptions& options);
int cmdExport(const ExportOptions& options);
int cmdImport(const ImportOptions& options);
int cmdGenerate(const GenerateOptions& options);
int cmdStrength();
