#include "cardstore/CardFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>

#include "cardstore/DateStamp.h"
#include "cardstore/StrongBody.h"
#include "common/SafeFile.h"
#include "common/Wipe.h"
#include "common/Win1252.h"
#include "crypto/Blowfish.h"
#include "crypto/PasswordKey.h"
#include "crypto/PasswordRules.h"
#include "crypto/Sha1.h"

namespace {

// The magic is the 32-bit value 'QrVn' stored little-endian, so the file holds the letters reversed.
constexpr std::uint8_t kMagic[4] = {'n', 'V', 'r', 'Q'};
constexpr std::size_t kMagicOffset = 14;
constexpr std::size_t kBodyKindOffset = 12;
constexpr std::uint8_t kBodyPlain = 0;
constexpr std::uint8_t kBodyEncrypted = 1;
constexpr std::size_t kMinimumCardBytes = 10;  // fewer trailing bytes are never a card
constexpr std::size_t kDigestSize = 20;

// The older formats: 9 marker bytes, 12 version bytes, then the body.
constexpr std::size_t kOldVersionOffset = 9;
constexpr std::size_t kOldBodyOffset = 21;
constexpr std::size_t kOldTrailingIgnored = 8;  // a record needs more than this many bytes left

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::array<std::string*, 5> storedTexts(Card& card) {
    return {&card.firstField, &card.secondField, &card.thirdField, &card.fourthField, &card.note};
}
std::array<const std::string*, 5> storedTexts(const Card& card) {
    return {&card.firstField, &card.secondField, &card.thirdField, &card.fourthField, &card.note};
}

// The list a loaded card goes to, or -1 for none: deleted cards go to list 100 whatever their
// number; a card of a number that is no category goes to the unshown cards.
int storedListFor(const Card& card) {
    int listId = (card.stateFlags & kStateDeleted) ? kDeletedCategoryId : card.categoryId;
    return isStoredListId(listId) ? listId : -1;
}

void fileLoadedCard(CardStore& store, Card&& card) {
    CardList* list = store.GetCategoryList(storedListFor(card));
    (list ? list : &store.unshownCards())->AddCard(std::make_unique<Card>(std::move(card)));
}

// Splits a card's text block at its NULs. A text without its terminator takes the rest of the
// block, and the texts after it stay empty.
void splitCardTexts(const std::uint8_t* data, std::size_t size, Card& card) {
    const char* p = reinterpret_cast<const char*>(data);
    const char* end = p + size;
    for (std::string* text : storedTexts(card)) {
        if (p >= end) break;
        const char* nul = static_cast<const char*>(std::memchr(p, 0, static_cast<std::size_t>(end - p)));
        const char* stop = nul ? nul : end;
        text->assign(p, stop);
        p = nul ? nul + 1 : end;
    }
}

// --- the older formats ------------------------------------------------------------------------

// Reads length-prefixed texts of an old record without ever passing the end; a text cut short
// yields the bytes that are there and marks the record as the last one.
class OldRecordReader {
public:
    OldRecordReader(const std::uint8_t* data, std::size_t size, std::size_t pos) : m_data(data), m_size(size), m_pos(pos) {}

    std::string text(int lengthBytes) {
        if (m_size - m_pos < static_cast<std::size_t>(lengthBytes)) {
            m_truncated = true;
            m_pos = m_size;
            return {};
        }
        std::size_t length = lengthBytes == 1 ? m_data[m_pos] : readLE16(m_data + m_pos);
        m_pos += static_cast<std::size_t>(lengthBytes);
        if (length > m_size - m_pos) {
            length = m_size - m_pos;
            m_truncated = true;
        }
        std::string out(reinterpret_cast<const char*>(m_data + m_pos), length);
        m_pos += length;
        return out;
    }
    void skip(std::size_t count) {
        if (count > m_size - m_pos) m_truncated = true;
        m_pos += std::min(count, m_size - m_pos);
    }
    std::size_t pos() const { return m_pos; }
    bool truncated() const { return m_truncated; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos;
    bool m_truncated = false;
};

// A run of `count` decimal digits at `start`, or -1.
int digitsAt(const std::string& text, std::size_t start, std::size_t count) {
    if (text.size() < start + count) return -1;
    int value = 0;
    for (std::size_t i = start; i < start + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Old records keep their date as text: "dd?mm?yyyy" (any separators), or "mm/dd/yy" for years
// 1900-1999. The stamp is that day at 00:00, counted like every other stamp modulo 2^32 (so days of
// 1904-2040 come out true). A text that is no calendar date gives stamp 0 rather than an invented day.
std::uint32_t stampFromOldDateText(const std::string& text) {
    int day, month, year;
    if (text.find('/') == std::string::npos) {
        day = digitsAt(text, 0, 2);
        month = digitsAt(text, 3, 2);
        year = digitsAt(text, 6, 4);
    } else {
        month = digitsAt(text, 0, 2);
        day = digitsAt(text, 3, 2);
        year = digitsAt(text, 6, 2);
        if (year >= 0) year += 1900;
    }
    static constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || year < 0) return 0;
    if (day > kDaysInMonth[month - 1] + (month == 2 && isLeapYear(year) ? 1 : 0)) return 0;
    return DateStampFor(year, month, day);
}

// Reads the old record at `pos` into `card` and moves `pos` past it; false when no record starts
// there. Records follow the check area back to back while more than 8 bytes remain. A record's
// category is its display name; a name that matches no category files the card under Miscellaneous
// so it is not lost. A record cut short by the end of the body keeps what is there and ends the list.
bool readOldRecordAt(const std::uint8_t* body, std::size_t size, std::size_t& pos, Card& card) {
    if (pos >= size || size - pos <= kOldTrailingIgnored) return false;
    card = Card{};
    OldRecordReader reader(body, size, pos);
    std::string storedName = reader.text(1);
    card.dateText = reader.text(1);
    card.firstField = reader.text(1);
    card.secondField = reader.text(1);
    card.thirdField = reader.text(1);
    card.fourthField = reader.text(1);
    card.note = reader.text(2);
    reader.skip(2);  // two flag bytes nobody reads

    int id = categoryIdForDisplayName(storedName);
    if (id < 0) id = categoryIdForDisplayName("Miscellaneous");
    card.categoryId = static_cast<std::uint8_t>(id);
    card.categoryName = categoryDisplayName(id);
    card.dateStamp = stampFromOldDateText(card.dateText);
    pos = reader.truncated() ? size : reader.pos();
    return true;
}

// Reads the card record at `pos` into `card` (all but its date text) and moves `pos` past it; false
// when no record starts at `pos`.
bool readCardRecordAt(const std::uint8_t* data, std::size_t size, std::size_t& pos, Card& card) {
    if (size - pos < kMinimumCardBytes) return false;
    // A header cut short by the end of the file announces nothing that can be trusted.
    if (size - pos < kCardHeaderSize) return false;
    card = Card{};
    const std::uint8_t* header = data + pos;
    card.categoryId = header[0];
    card.legacyFlags = header[2];
    card.stateFlags = header[3];
    card.dateStamp = readLE32(header + 4);
    card.extraValue = readLE32(header + 8);
    pos += kCardHeaderSize;
    // The announced length is only a claim: take no more than the file holds.
    std::size_t textBytes = std::min<std::size_t>(readLE32(header + 20), size - pos);
    splitCardTexts(data + pos, textBytes, card);
    pos += textBytes;
    return true;
}

// Reads a record of either layout; a card record gets its date text formatted with `dateFormat`.
bool readRecordAt(const std::uint8_t* data, std::size_t size, std::size_t& pos, bool oldLayout, int dateFormat,
                  Card& card) {
    if (oldLayout) return readOldRecordAt(data, size, pos, card);
    if (!readCardRecordAt(data, size, pos, card)) return false;
    card.dateText = FormatDateStamp(card.dateStamp, dateFormat);
    return true;
}

// Where the records of a document go once its body is readable: the `size` bytes at `records`, the
// first record `start` bytes in, in the old layout or the current one. `buffer`, when not null, is
// the buffer the records lie in, which may be taken over.
using RecordSink = std::function<void(const std::uint8_t* records, std::size_t size, std::size_t start,
                                      bool oldLayout, Bytes* buffer)>;

// The sink that files every card in a store.
RecordSink storeSink(CardStore& store, int dateFormat) {
    return [&store, dateFormat](const std::uint8_t* records, std::size_t size, std::size_t start, bool oldLayout,
                                Bytes*) {
        std::size_t pos = start;
        for (Card card; readRecordAt(records, size, pos, oldLayout, dateFormat, card);)
            fileLoadedCard(store, std::move(card));
    };
}

// --- passwords --------------------------------------------------------------------------------

enum class Unlock { Accepted, Cancelled, Refused };

// Wipes a buffer of deciphered cards when it goes (unless a sink took it over, leaving it empty).
struct WipedBuffer {
    Bytes& bytes;
    ~WipedBuffer() { wipeSecret(bytes); }
};

// Asks for the password of an enciphered body and deciphers it in place; the check area decides.
Unlock unlockBody(Bytes& body, const std::string& fileName, BodyCheck check, CardStore& store, Prompter& ui) {
    std::optional<std::string> typed = ui.askPassword("Decryption Password for file: " + fileName);
    if (!typed) return Unlock::Cancelled;
    WipeOnExit wipeTyped(*typed);
    store.typedPassword = *typed;
    // A body too short for its check area cannot be right: whole zero blocks let the check refuse it
    // the usual way instead of comparing bytes that are not there.
    std::size_t minimum = check == BodyCheck::Digest20 ? 24 : 8;
    if (body.size() < minimum) body.resize(minimum, 0);
    if (!checkTypedPassword(body, *typed, check, ui)) return Unlock::Refused;
    if (typed->empty()) {
        // Nothing was deciphered, so a check area that happens to match proves nothing.
        ui.showMessage(kMsgPasswordWrongDecrypt);
        return Unlock::Refused;
    }
    store.encryptionPassword = *typed;
    store.encryptOnSave = 1;
    store.encryptionForm = EncryptionForm::Old;  // saved again in the old form, which other programs read
    store.encryptionKey.reset();
    return Unlock::Accepted;
}

// The enciphered body, the bytes from `offset` on, rounded up to whole cipher blocks with zeros, to
// decipher in place. When the caller gave up the file's buffer (`file`), the body is moved to its
// front, so a large document is not copied; `data` must not be read after that.
Bytes encipheredBlocks(const std::uint8_t* data, std::size_t size, std::size_t offset, Bytes* file) {
    const std::size_t bodySize = size - offset;
    if (file) {
        Bytes body = std::move(*file);
        body.erase(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(offset));
        body.resize(BlockCount(bodySize) * 8, 0);  // within the room the header leaves: no new buffer
        return body;
    }
    Bytes body(BlockCount(bodySize) * 8, 0);
    if (bodySize) std::memcpy(body.data(), data + offset, bodySize);
    return body;
}

LoadResult readOldDocument(const std::uint8_t* data, std::size_t size, Bytes* file, const std::string& fileName,
                           CardFileFormat format, CardStore& store, Prompter& ui, const RecordSink& sink) {
    LoadResult result;
    result.format = format;
    result.encrypted = std::memcmp(data, "ENCRYPTED", 9) == 0;
    const bool v1001 = format == CardFileFormat::Version1001;
    const std::size_t checkSize = v1001 ? 3 : kDigestSize;
    const std::uint8_t* body = data + kOldBodyOffset;
    const std::size_t bodySize = size - kOldBodyOffset;

    if (!result.encrypted) {
        sink(body, bodySize, checkSize, true, file);
        result.outcome = LoadOutcome::Loaded;
        return result;
    }
    Bytes plain = encipheredBlocks(data, size, kOldBodyOffset, file);
    WipedBuffer wipePlain{plain};
    const std::size_t plainSize = plain.size();
    switch (unlockBody(plain, fileName, v1001 ? BodyCheck::Xyz3 : BodyCheck::Digest20, store, ui)) {
        case Unlock::Cancelled:
            // The oldest format opens empty when the prompt is cancelled, without its cards.
            result.outcome = v1001 ? LoadOutcome::Loaded : LoadOutcome::Failed;
            result.cardsUnread = v1001;
            result.error = "No password was given.";
            return result;
        case Unlock::Refused:
            result.outcome = LoadOutcome::Failed;
            return result;
        case Unlock::Accepted:
            break;
    }
    sink(plain.data(), plainSize, checkSize, true, &plain);
    result.outcome = LoadOutcome::Loaded;
    return result;
}

// The key for a strong document: the one the store holds when it fits the file, else one derived
// from the password the person types. Nothing after the message when there is none.
std::shared_ptr<const PasswordKey> keyForStrongDocument(const std::uint8_t* data, const StrongHeader& header,
                                                        const std::string& fileName, CardStore& store, Prompter& ui,
                                                        LoadResult& result) {
    const std::shared_ptr<const PasswordKey>& known = store.encryptionKey;
    if (known && known->derivedWith(header.salt, header.cost) &&
        known->keyCheckMatches(data, kStrongKeyCheckOffset, data + kStrongKeyCheckOffset))
        return known;
    std::optional<std::string> typed = ui.askPassword("Decryption Password for file: " + fileName);
    if (!typed) {
        result.error = "No password was given.";
        return nullptr;
    }
    WipeOnExit wipeTyped(*typed);
    if (typed->empty()) {
        ui.showMessage(kMsgMustEnterPassword);
        ui.showMessage(kMsgPasswordWrongDecrypt);
        return nullptr;
    }
    std::optional<PasswordKey> derived = PasswordKey::derive(*typed, header.salt, header.cost);
    if (!derived) {
        ui.showMessage(keyNotDerivedMessage(fileName, header.cost));
        return nullptr;
    }
    // The key check covers the header only: a wrong password is told apart from a damaged body.
    if (!derived->keyCheckMatches(data, kStrongKeyCheckOffset, data + kStrongKeyCheckOffset)) {
        ui.showMessage(kMsgPasswordWrongDecrypt);
        return nullptr;
    }
    return std::make_shared<const PasswordKey>(std::move(*derived));
}

// Body kind 3: the header is checked before a password is asked for, the key before the body is
// opened, and no card is read unless the whole body authenticates.
LoadResult readStrongDocument(const std::uint8_t* data, std::size_t size, Bytes* file, const std::string& fileName,
                              CardStore& store, Prompter& ui, const RecordSink& sink) {
    LoadResult result;
    result.format = CardFileFormat::Current;
    result.encrypted = true;
    result.strong = true;
    result.outcome = LoadOutcome::Failed;
    StrongHeader header;
    const StrongHeaderVerdict verdict = readStrongHeader(data, size, header);
    if (verdict != StrongHeaderVerdict::Readable) {
        ui.showMessage(strongHeaderMessage(verdict, data, header, fileName));
        return result;
    }
    std::shared_ptr<const PasswordKey> key = keyForStrongDocument(data, header, fileName, store, ui, result);
    if (!key) return result;

    // Opened in place: the file's own buffer when the caller gave it up, so a large document is not copied.
    Bytes buffer = file ? std::move(*file) : Bytes(data, data + size);
    WipedBuffer wipeBuffer{buffer};
    if (!key->openInPlace(buffer.data() + kStrongHeaderSize, size - kStrongHeaderSize, buffer.data(),
                          kStrongHeaderSize, header.nonce)) {
        ui.showMessage(damagedFileMessage(fileName));
        return result;
    }
    store.encryptionKey = std::move(key);
    store.encryptionForm = EncryptionForm::Strong;
    store.encryptOnSave = 1;
    wipeSecret(store.encryptionPassword);
    const std::size_t cardBytes = size - kStrongMinimumSize;
    sink(buffer.data() + kStrongHeaderSize, cardBytes, 0, false, &buffer);
    result.outcome = LoadOutcome::Loaded;
    return result;
}

LoadResult readCurrentDocument(const std::uint8_t* data, std::size_t size, Bytes* file, const std::string& fileName,
                               CardStore& store, Prompter& ui, const RecordSink& sink) {
    LoadResult result;
    result.format = CardFileFormat::Current;
    const std::uint8_t kind = data[kBodyKindOffset];
    const std::uint8_t* body = data + kDocumentHeaderSize;
    const std::size_t bodySize = size - kDocumentHeaderSize;

    if (kind == kBodyPlain) {
        sink(body, bodySize, 0, false, file);
        result.outcome = LoadOutcome::Loaded;
        return result;
    }
    if (kind == kBodyStrong) return readStrongDocument(data, size, file, fileName, store, ui, sink);
    if (kind != kBodyEncrypted) {
        result.outcome = LoadOutcome::Failed;
        result.error = "The document's body kind " + std::to_string(kind) + " is not known.";
        return result;
    }
    result.encrypted = true;
    // The body length is not stored: it is whatever follows the header, deciphered as whole blocks.
    Bytes plain = encipheredBlocks(data, size, kDocumentHeaderSize, file);
    WipedBuffer wipePlain{plain};
    const std::size_t plainSize = plain.size();
    switch (unlockBody(plain, fileName, BodyCheck::Digest20, store, ui)) {
        case Unlock::Cancelled:
            result.outcome = LoadOutcome::Failed;
            result.error = "No password was given.";
            return result;
        case Unlock::Refused:
            result.outcome = LoadOutcome::Failed;
            return result;
        case Unlock::Accepted:
            break;
    }
    if (plainSize > kDigestSize) sink(plain.data() + kDigestSize, plainSize - kDigestSize, 0, false, &plain);
    result.outcome = LoadOutcome::Loaded;
    return result;
}

// --- writing ----------------------------------------------------------------------------------

const char* const kTextNames[5] = {"first field", "second field", "third field", "fourth field", "note"};

// The card as a message names it: its first field, shortened, in UTF-8.
std::string cardTitle(const Card& card) {
    constexpr std::size_t kShown = 40;
    if (card.firstField.size() <= kShown) return win1252ToUtf8(card.firstField);
    return win1252ToUtf8(card.firstField.substr(0, kShown)) + "\xE2\x80\xA6";
}

std::string withThousands(std::size_t value) {
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

// The file layout gives each text a NUL terminator and a signed 16-bit length budget: refuse a
// text that would not come back as it was, before anything is written.
bool cardTextsCanBeStored(const CardStore& store, Prompter& ui) {
    std::vector<const CardList*> lists{&store.unshownCards()};
    for (int id : storedListOrder()) lists.push_back(store.GetCategoryList(id));
    for (const CardList* list : lists) {
        for (int i = 0; i < list->GetCardCount(); ++i) {
            const Card& card = *list->GetCardAt(i);
            auto texts = storedTexts(card);
            for (std::size_t t = 0; t < texts.size(); ++t) {
                const std::string& text = *texts[t];
                const bool tooLong = text.size() > kMaxTextBytes;
                if (!tooLong && text.find('\0') == std::string::npos) continue;
                const std::string which = std::string("The ") + kTextNames[t] + " of the card \xE2\x80\x9C" +
                                          cardTitle(card) + "\xE2\x80\x9D";
                if (tooLong)
                    ui.showMessage(which + " is too long to be saved (" + std::to_string(text.size()) +
                                   " bytes; at most " + withThousands(kMaxTextBytes) + ").");
                else
                    ui.showMessage(which + " holds a NUL character and cannot be saved.");
                return false;
            }
        }
    }
    return true;
}

void appendDocumentHeader(Bytes& out, std::uint8_t bodyKind) {
    std::uint8_t header[kDocumentHeaderSize] = {};
    header[1] = 5;
    header[10] = 1;
    header[kBodyKindOffset] = bodyKind;
    std::memcpy(header + kMagicOffset, kMagic, sizeof kMagic);
    out.insert(out.end(), header, header + sizeof header);
}

// Lists in ascending number, as the file orders them: the unshown cards go by their numbers
// around the deleted cards (100), keeping their order among equal numbers.
void appendAllCards(Bytes& out, const CardStore& store) {
    std::vector<const Card*> unshown;
    for (int i = 0; i < store.unshownCards().GetCardCount(); ++i) unshown.push_back(store.unshownCards().GetCardAt(i));
    std::stable_sort(unshown.begin(), unshown.end(),
                     [](const Card* a, const Card* b) { return a->categoryId < b->categoryId; });
    auto next = unshown.begin();
    for (int id : storedListOrder()) {
        for (; next != unshown.end() && (*next)->categoryId < id; ++next) appendCardRecord(out, **next);
        const CardList* list = store.GetCategoryList(id);
        for (int i = 0; i < list->GetCardCount(); ++i) appendCardRecord(out, *list->GetCardAt(i));
    }
    for (; next != unshown.end(); ++next) appendCardRecord(out, **next);
}

}  // namespace

void readCardRecords(const std::uint8_t* data, std::size_t size, CardStore& store, int dateFormat) {
    storeSink(store, dateFormat)(data, size, 0, false, nullptr);
}

namespace {

// Reads a document from the `size` bytes at `data`; `file`, when not null, is the buffer they are in,
// which the reading may take over and change (see encipheredBlocks).
LoadResult readDocument(const std::uint8_t* data, std::size_t size, Bytes* file, const std::string& fileName,
                        CardStore& store, Prompter& ui, const RecordSink& sink) {
    LoadResult result;
    if (endsWith(fileName, "~~~")) {
        result.outcome = LoadOutcome::EncryptedFileName;
        return result;
    }
    if (size == 0) {
        ui.showMessage(kMsgEmptyFile);
        result.outcome = LoadOutcome::EmptyFile;
        return result;
    }
    if (size >= kOldBodyOffset) {
        std::string version(reinterpret_cast<const char*>(data) + kOldVersionOffset, kOldBodyOffset - kOldVersionOffset);
        if (version == "Version1.001")
            return readOldDocument(data, size, file, fileName, CardFileFormat::Version1001, store, ui, sink);
        if (version == "Version1.002")
            return readOldDocument(data, size, file, fileName, CardFileFormat::Version1002, store, ui, sink);
    }
    if (size < kDocumentHeaderSize || std::memcmp(data + kMagicOffset, kMagic, sizeof kMagic) != 0) {
        ui.showMessage(kMsgNotQuorvane);
        result.outcome = LoadOutcome::NotQuorvane;
        return result;
    }
    return readCurrentDocument(data, size, file, fileName, store, ui, sink);
}

// Whether the first bytes of a file (at most a header's worth, all of them for a shorter file) begin
// a card document of any format.
bool beginsCardDocument(const std::uint8_t* head, std::size_t size) {
    if (size >= kOldBodyOffset) {
        const std::string version(reinterpret_cast<const char*>(head) + kOldVersionOffset,
                                  kOldBodyOffset - kOldVersionOffset);
        if (version == "Version1.001" || version == "Version1.002") return true;
    }
    return size >= kDocumentHeaderSize && std::memcmp(head + kMagicOffset, kMagic, sizeof kMagic) == 0;
}

LoadResult loadDocument(const std::string& path, CardStore& store, Prompter& ui, const RecordSink& sink) {
    const std::string name = fileNameOf(path);
    LoadResult result;
    if (endsWith(name, "~~~")) {  // an encrypted file, not a card document: not even opened
        result.outcome = LoadOutcome::EncryptedFileName;
        return result;
    }
    removeStaleTemporaryFiles(folderOf(path));
    // Only a regular file is read, and its header first: anything else is refused before the rest of
    // it is read, however large it is.
    ReadableFile file;
    if (!file.open(path, &result.error)) {
        result.outcome = LoadOutcome::ReadError;
        return result;
    }
    std::uint8_t head[kDocumentHeaderSize];
    auto headSize = file.read(head, sizeof head, &result.error);
    if (!headSize) {
        result.outcome = LoadOutcome::ReadError;
        return result;
    }
    if (!beginsCardDocument(head, *headSize))
        return readDocument(head, *headSize, nullptr, name, store, ui, sink);  // "Empty File !" or "Not a Quorvane file"
    if (file.size() > kMaxCardDocumentBytes) {
        result.outcome = LoadOutcome::ReadError;
        result.error = name + " is too large to be a card document (" + withThousands(file.size()) + " bytes; at most " +
                       withThousands(kMaxCardDocumentBytes) + ").";
        return result;
    }
    std::optional<Bytes> data = readWholeFile(path, &result.error, kMaxCardDocumentBytes);
    if (!data) {
        result.outcome = LoadOutcome::ReadError;
        return result;
    }
    return readDocument(data->data(), data->size(), &*data, name, store, ui, sink);
}

void reportUnshownCards(int count, Prompter& ui) {
    if (count > 0) ui.showMessage(unshownCardsMessage(count));
}

int listSlot(int listId) { return listId == kDeletedCategoryId ? kCategoryCount : listId; }

}  // namespace

std::string unshownCardsMessage(int count) {
    if (count == 1)
        return "This document holds 1 card of a category this version of Quorvane cannot show. It is kept "
               "unchanged and saved with the document.";
    return "This document holds " + withThousands(static_cast<std::size_t>(count)) +
           " cards of categories this version of Quorvane cannot show. They are kept unchanged and saved with the "
           "document.";
}

LoadResult readCardDocument(const std::uint8_t* data, std::size_t size, const std::string& fileName,
                            CardStore& store, Prompter& ui, int dateFormat) {
    LoadResult result = readDocument(data, size, nullptr, fileName, store, ui, storeSink(store, dateFormat));
    reportUnshownCards(store.unshownCards().GetCardCount(), ui);
    return result;
}

LoadResult loadCardDocument(const std::string& path, CardStore& store, Prompter& ui, int dateFormat) {
    LoadResult result = loadDocument(path, store, ui, storeSink(store, dateFormat));
    reportUnshownCards(store.unshownCards().GetCardCount(), ui);
    return result;
}

CardDocumentIndex::~CardDocumentIndex() { wipeSecret(m_buffer); }

int CardDocumentIndex::cardCount(int listId) const {
    if (!isStoredListId(listId)) return 0;
    return static_cast<int>(m_offsets[static_cast<std::size_t>(listSlot(listId))].size());
}

Card CardDocumentIndex::card(int listId, int index) const {
    std::size_t pos = m_offsets[static_cast<std::size_t>(listSlot(listId))][static_cast<std::size_t>(index)];
    Card card;
    readRecordAt(m_records, m_size, pos, m_oldLayout, m_dateFormat, card);
    return card;
}

Card CardDocumentIndex::unshownCard(int index) const {
    std::size_t pos = m_unshownOffsets[static_cast<std::size_t>(index)];
    Card card;
    readRecordAt(m_records, m_size, pos, m_oldLayout, m_dateFormat, card);
    return card;
}

void CardDocumentIndex::adopt(const std::uint8_t* records, std::size_t size, std::size_t start, bool oldLayout,
                              Bytes* buffer, int dateFormat) {
    if (buffer) {
        m_buffer = std::move(*buffer);  // `records` points into it, and still does
    } else {
        m_buffer.assign(records, records + size);
        records = m_buffer.data();
    }
    m_records = records;
    m_size = size;
    m_oldLayout = oldLayout;
    m_dateFormat = dateFormat;
    for (auto& offsets : m_offsets) offsets.clear();
    m_unshownOffsets.clear();
    // Only where each card starts is kept; the card itself is read again when asked for.
    std::size_t pos = start;
    for (Card card;;) {
        const std::size_t at = pos;
        const bool read = oldLayout ? readOldRecordAt(m_records, m_size, pos, card)
                                    : readCardRecordAt(m_records, m_size, pos, card);
        if (!read) break;
        if (int listId = storedListFor(card); listId >= 0)
            m_offsets[static_cast<std::size_t>(listSlot(listId))].push_back(at);
        else
            m_unshownOffsets.push_back(at);
    }
}

LoadResult indexCardDocument(const std::string& path, CardDocumentIndex& index, Prompter& ui, int dateFormat) {
    CardStore passwords;  // takes the password state a load leaves; no card goes in
    LoadResult result = loadDocument(path, passwords, ui,
                        [&](const std::uint8_t* records, std::size_t size, std::size_t start, bool oldLayout,
                            Bytes* buffer) { index.adopt(records, size, start, oldLayout, buffer, dateFormat); });
    reportUnshownCards(index.unshownCount(), ui);
    return result;
}

void appendCardRecord(Bytes& out, const Card& card) {
    auto texts = storedTexts(card);
    std::size_t textBytes = texts.size();
    for (const std::string* text : texts) textBytes += text->size();

    std::uint8_t header[kCardHeaderSize] = {};
    header[0] = card.categoryId;
    header[2] = card.legacyFlags;
    header[3] = card.stateFlags;
    writeLE32(header + 4, card.dateStamp);
    writeLE32(header + 8, card.extraValue);
    writeLE32(header + 20, static_cast<std::uint32_t>(textBytes));
    out.insert(out.end(), header, header + sizeof header);
    for (const std::string* text : texts) {
        out.insert(out.end(), text->begin(), text->end());
        out.push_back(0);
    }
}

bool serializeCardDocument(const CardStore& store, Bytes& out, Prompter& ui) {
    const bool encrypt = store.encryptOnSave != 0;
    const bool strong = encrypt && store.encryptionForm == EncryptionForm::Strong;
    if (encrypt && (strong ? !store.encryptionKey : store.encryptionPassword.empty())) {
        ui.showMessage(kMsgPasswordNotSet);
        return false;
    }
    if (!cardTextsCanBeStored(store, ui)) return false;

    const std::size_t cardBytes = static_cast<std::size_t>(store.GetStoredSize());
    out.clear();
    if (!encrypt) {
        out.reserve(kDocumentHeaderSize + cardBytes);
        appendDocumentHeader(out, kBodyPlain);
        appendAllCards(out, store);
        return true;
    }
    if (strong) {
        // The header, then the cards as a plain body would hold them, sealed under the stored key with
        // a nonce of their own; the tag ends the file.
        out.reserve(kStrongMinimumSize + cardBytes);
        appendDocumentHeader(out, kBodyStrong);
        const Nonce nonce = randomNonce();
        appendStrongHeader(out, *store.encryptionKey, nonce);
        appendAllCards(out, store);
        sealStrongBody(out, *store.encryptionKey, nonce);
        return true;
    }
    // Digest, cards, zero padding to whole blocks, all enciphered block by block under the password.
    const std::size_t blocks = BlockCount(kDigestSize + cardBytes);
    out.reserve(kDocumentHeaderSize + blocks * 8);
    appendDocumentHeader(out, kBodyEncrypted);
    const Sha1Bytes digest = Sha1Digest(store.encryptionPassword);
    out.insert(out.end(), digest.begin(), digest.end());
    appendAllCards(out, store);
    out.resize(kDocumentHeaderSize + blocks * 8, 0);
    const BlowfishKey key(store.encryptionPassword);
    key.EncryptAll(out.data() + kDocumentHeaderSize, blocks);
    return true;
}

bool setEncryptionPassword(CardStore& store, const std::string& password, EncryptionForm form) {
    if (form == EncryptionForm::Old) {
        store.encryptionPassword = password;
        store.encryptionKey.reset();
    } else {
        std::optional<PasswordKey> key = PasswordKey::forNewPassword(password);
        if (!key) return false;
        store.encryptionKey = std::make_shared<const PasswordKey>(std::move(*key));
        wipeSecret(store.encryptionPassword);
    }
    store.encryptionForm = form;
    store.encryptOnSave = 1;
    return true;
}

SaveResult saveCardDocument(const std::string& path, const CardStore& store, Prompter& ui, WriteMode mode,
                             const ReplaceCheck& check) {
    SaveResult result;
    Bytes bytes;
    if (!serializeCardDocument(store, bytes, ui)) {
        result.outcome = SaveOutcome::Refused;
        return result;
    }
    FileResult written = writeFileSafely(path, bytes, mode, check);
    wipeSecret(bytes);
    if (!written.ok) {
        result.outcome = written.refusedByCheck ? SaveOutcome::Changed : SaveOutcome::WriteError;
        result.error = written.error;
        return result;
    }
    result.outcome = SaveOutcome::Saved;
    return result;
}
