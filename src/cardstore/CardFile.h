#pragma once
// Reading and writing card documents. One format is written: a 22-byte header, then the cards
// plain or an enciphered body. Two older formats ("ENCRYPTED"/"NTENCRYPT" + "Version1.001"/
// "Version1.002") are read only. The content, not the extension, decides how a file is read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cardstore/CardStore.h"
#include "common/ByteIO.h"
#include "common/Prompter.h"
#include "common/SafeFile.h"

inline constexpr std::size_t kDocumentHeaderSize = 22;
inline constexpr std::size_t kCardHeaderSize = 24;

inline constexpr const char* kMsgEmptyFile = "Empty File !";
inline constexpr const char* kMsgNotQuorvane = "Not a Quorvane file";
inline constexpr const char* kMsgPasswordNotSet = "The encryption password is not set.";

/// The largest card document that is read; a larger file is refused before any of it is loaded. Its
/// cards would take several times its size in memory, while a million cards take about 100 MiB.
inline constexpr std::uint64_t kMaxCardDocumentBytes = 0x7FFFFFFF;

/// What the person is told once at open when cards of a number that is no category were read.
std::string unshownCardsMessage(int count);

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
    bool strong = false;  // encrypted in the strong form (body kind 3)
    // ReadError: why the file could not be read. Failed: a reason nothing was shown for (prompt
    // cancelled, unknown body kind), for callers without a window; empty after a refused password.
    std::string error;
    // Loaded without its cards: an old 1.001 document whose password prompt was cancelled opens
    // empty. Its file must not be written over as if the empty document were its contents.
    bool cardsUnread = false;
};

/// Loads the card document at `path` into an empty `store`. Messages and the password prompt
/// ("Decryption Password for file: NAME") go through `ui`; card dates are formatted with `dateFormat`.
/// On success with an enciphered file, store.encryptOnSave is 1 and the store keeps the file's form:
/// an old-form file sets store.encryptionPassword, a strong one store.encryptionKey (derived from the
/// typed password, which is wiped at once). A strong file is read with the key `store` already holds
/// when that key was derived with the file's salt and costs and passes its key check (a document read
/// again): no password is asked for then.
LoadResult loadCardDocument(const std::string& path, CardStore& store, Prompter& ui, int dateFormat);

/// The deciphered records a load read, kept as the file has them: what a window keeps of the cards
/// as read (the base of a later merge), at a fraction of the memory and none of the time a second
/// store of the same cards takes. Wiped when they go.
class KeptRecords {
public:
    KeptRecords() = default;
    ~KeptRecords() { clear(); }
    KeptRecords(const KeptRecords&) = delete;
    KeptRecords& operator=(const KeptRecords&) = delete;

    /// True when a load left records here (a document of no bytes leaves none).
    bool holdsRecords() const { return m_holds; }
    /// Files the kept cards in `store` as the load filed them (the same cards in the same lists).
    void fileInto(CardStore& store, int dateFormat) const;
    /// Wipes the records.
    void clear();
    void swap(KeptRecords& other) noexcept;

private:
    friend class KeptRecordsAccess;
    Bytes m_buffer;
    std::size_t m_offset = 0;  // where the records start in m_buffer
    std::size_t m_size = 0;
    std::size_t m_start = 0;  // where the first record starts in them
    bool m_oldLayout = false;
    bool m_holds = false;
};

/// loadCardDocument, also leaving the records it read in `kept` (emptied first), which takes over
/// the load's own buffer rather than copying it.
LoadResult loadCardDocument(const std::string& path, CardStore& store, Prompter& ui, int dateFormat,
                            KeptRecords& kept);

/// The same on bytes already in memory; `fileName` is the name without its folder.
LoadResult readCardDocument(const std::uint8_t* data, std::size_t size, const std::string& fileName,
                            CardStore& store, Prompter& ui, int dateFormat);

/// The cards of a card document list by list, each built only when asked for from the document's
/// records, which the index keeps as the file has them (deciphered). A store of cards takes several
/// times a document's size in memory; the index little more than the size, for a pass over a very
/// large document one card at a time.
class CardDocumentIndex {
public:
    CardDocumentIndex() = default;
    ~CardDocumentIndex();  // wipes the deciphered records
    CardDocumentIndex(const CardDocumentIndex&) = delete;  // the records pointer is into its own buffer
    CardDocumentIndex& operator=(const CardDocumentIndex&) = delete;

    /// The number of cards in list `listId` (0-14, or 100 for the deleted cards); 0 for other numbers.
    int cardCount(int listId) const;

    /// The card at `index` (0 <= index < cardCount) of list `listId`: the card a store loaded from the
    /// same document holds there.
    Card card(int listId, int index) const;

    /// The cards of a number that is no category, in file order (CardStore::unshownCards).
    int unshownCount() const { return static_cast<int>(m_unshownOffsets.size()); }
    Card unshownCard(int index) const;

private:
    friend LoadResult indexCardDocument(const std::string&, CardDocumentIndex&, Prompter&, int);
    void adopt(const std::uint8_t* records, std::size_t size, std::size_t start, bool oldLayout, Bytes* buffer,
               int dateFormat);

    Bytes m_buffer;  // holds the records
    const std::uint8_t* m_records = nullptr;
    std::size_t m_size = 0;
    bool m_oldLayout = false;  // records of the 1.001 and 1.002 formats
    int m_dateFormat = 0;
    std::array<std::vector<std::size_t>, kStoredListCount> m_offsets;  // where each list's cards start
    std::vector<std::size_t> m_unshownOffsets;
};

/// Reads the card document at `path` into `index` instead of a store, with the same messages,
/// password prompt and outcomes as loadCardDocument.
LoadResult indexCardDocument(const std::string& path, CardDocumentIndex& index, Prompter& ui, int dateFormat);

/// Reads cards back to back from a plain body into the store (stops when fewer than 10 bytes remain;
/// never reads past `size`).
void readCardRecords(const std::uint8_t* data, std::size_t size, CardStore& store, int dateFormat);

enum class SaveOutcome {
    Saved,
    Refused,     // a message was shown and nothing was written (no password, a text too long)
    WriteError,  // the file could not be written; `error` says why; the previous file is untouched
    Changed,     // the check before replacing found the file changed by another program: nothing written
};

struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Refused;
    std::string error;
};

/// The complete file bytes of the store in the current format (plain or encrypted after
/// store.encryptOnSave, in store.encryptionForm; the strong form with a fresh nonce under the stored
/// key, so no save derives a key). Returns false after showing a message when the store cannot be saved.
bool serializeCardDocument(const CardStore& store, Bytes& out, Prompter& ui);

/// Saves the store to `path` safely (temporary file, flush, rename); with CreateOnly an existing name
/// is never replaced, and `check`, when given, is asked just before the file is put in place (the
/// save fails as Changed when it says no).
SaveResult saveCardDocument(const std::string& path, const CardStore& store, Prompter& ui,
                            WriteMode mode = WriteMode::Replace, const ReplaceCheck& check = {});

/// Makes the store save encrypted under `password` in `form`. The strong form derives its key now, with
/// a fresh salt and the costs tuned to about a second here, and keeps no password; the old form keeps
/// the password, which its cipher is keyed with at every save. False when the key cannot be derived
/// (the memory Argon2id needs cannot be had); the store is unchanged then.
bool setEncryptionPassword(CardStore& store, const std::string& password, EncryptionForm form);

/// Appends one card (24-byte header and its five NUL-terminated texts) to `out`.
void appendCardRecord(Bytes& out, const Card& card);
