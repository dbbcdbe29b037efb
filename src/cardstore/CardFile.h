#pragma once
// Reading and writing card documents. One format is written: a 22-byte header, then the cards
// plain or an enciphered body. Two older formats ("ENCRYPTED"/"NTENCRYPT" + "Version1.001"/
// "Version1.002") are read only. The content, not the extension, decides how a file is read.

#include <cstddef>
#include <cstdint>
#include <string>

#include "cardstore/CardStore.h"
#include "common/ByteIO.h"
#include "common/Prompter.h"

inline constexpr std::size_t kDocumentHeaderSize = 22;
inline constexpr std::size_t kCardHeaderSize = 24;

inline constexpr const char* kMsgEmptyFile = "Empty File !";
inline constexpr const char* kMsgNotQuorvane = "Not a Quorvane file";
inline constexpr const char* kMsgPasswordNotSet = "The encryption password is not set.";

enum class CardFileFormat { Current, Version1001, Version1002 };

enum class LoadOutcome {
    Loaded,             // the cards that could be read are in the store
    EncryptedFileName,  // the name ends in "~~~": not a card document, nothing was read
    EmptyFile,          // "Empty File !" was shown; the document stays open and empty
    NotQuorvane,        // "Not a Quorvane file" was shown; the document stays open and empty
    Failed,             // cancelled or refused password, unknown body kind: the document is closed
    ReadError,          // the file could not be read; `error` says why
};

struct LoadResult {
    LoadOutcome outcome = LoadOutcome::Failed;
    CardFileFormat format = CardFileFormat::Current;
    bool encrypted = false;
    // ReadError: why the file could not be read. Failed: a reason nothing was shown for (prompt
    // cancelled, unknown body kind), for callers without a window; empty after a refused password.
    std::string error;
};

/// Loads the card document at `path` into an empty `store`. Messages and the password prompt
/// ("Decryption Password for file: NAME") go through `ui`; card dates are formatted with `dateFormat`.
/// On success with an enciphered file, store.encryptOnSave is 1 and store.encryptionPassword is set.
LoadResult loadCardDocument(const std::string& path, CardStore& store, Prompter& ui, int dateFormat);

/// The same on bytes already in memory; `fileName` is the name without its folder.
LoadResult readCardDocument(const std::uint8_t* data, std::size_t size, const std::string& fileName,
                            CardStore& store, Prompter& ui, int dateFormat);

/// Reads cards back to back from a plain body into the store (stops when fewer than 10 bytes remain;
/// never reads past `size`).
void readCardRecords(const std::uint8_t* data, std::size_t size, CardStore& store, int dateFormat);

enum class SaveOutcome {
    Saved,
    Refused,     // a message was shown and nothing was written (no password, a text too long)
    WriteError,  // the file could not be written; `error` says why; the previous file is untouched
};

struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Refused;
    std::string error;
};

/// The complete file bytes of the store in the current format (plain or encrypted after
/// store.encryptOnSave). Returns false after showing a message when the store cannot be saved.
bool serializeCardDocument(const CardStore& store, Bytes& out, Prompter& ui);

/// Saves the store to `path` safely (temporary file, flush, rename).
SaveResult saveCardDocument(const std::string& path, const CardStore& store, Prompter& ui);

/// Appends one card (24-byte header and its five NUL-terminated texts) to `out`.
void appendCardRecord(Bytes& out, const Card& card);
