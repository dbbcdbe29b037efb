#pragma once
// What the card-document readers and writers share, and nothing else includes: the header's layout,
// the records of both layouts and the reading of each form's body. CardFile.cpp reads a document and
// tells the forms apart, CardFileOld.cpp reads the two older forms, CardFileEncrypted.cpp the
// enciphered bodies (the old cipher and the strong form), CardRecords.cpp the card records, and
// CardFileWrite.cpp writes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "cardstore/CardFile.h"
#include "common/Wipe.h"
#include "crypto/PasswordRules.h"

namespace cardfile {

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

std::array<std::string*, 5> storedTexts(Card& card);
std::array<const std::string*, 5> storedTexts(const Card& card);

// The list a loaded card goes to, or -1 for none: deleted cards go to list 100 whatever their
// number; a card of a number that is no category goes to the unshown cards.
int storedListFor(const Card& card);

// Reads the old record at `pos` into `card` and moves `pos` past it; false when no record starts
// there (CardFileOld.cpp).
bool readOldRecordAt(const std::uint8_t* body, std::size_t size, std::size_t& pos, Card& card);

// Reads the card record at `pos` into `card` (all but its date text) and moves `pos` past it; false
// when no record starts at `pos`.
bool readCardRecordAt(const std::uint8_t* data, std::size_t size, std::size_t& pos, Card& card);

// Reads a record of either layout; a card record gets its date text formatted with `dateFormat`.
bool readRecordAt(const std::uint8_t* data, std::size_t size, std::size_t& pos, bool oldLayout, int dateFormat,
                  Card& card);

// Where the records of a document go once its body is readable: the `size` bytes at `records`, the
// first record `start` bytes in, in the old layout or the current one. `buffer`, when not null, is
// the buffer the records lie in, which may be taken over.
using RecordSink = std::function<void(const std::uint8_t* records, std::size_t size, std::size_t start,
                                      bool oldLayout, Bytes* buffer)>;

// The sink that files every card in a store, and then keeps the records in `kept` when given.
RecordSink storeSink(CardStore& store, int dateFormat, KeptRecords* kept = nullptr);

enum class Unlock { Accepted, Cancelled, Refused };

// Wipes a buffer of deciphered cards when it goes (unless a sink took it over, leaving it empty).
struct WipedBuffer {
    Bytes& bytes;
    ~WipedBuffer() { wipeSecret(bytes); }
};

// Asks for the password of an enciphered body and deciphers it in place; the check area decides.
Unlock unlockBody(Bytes& body, const std::string& fileName, BodyCheck check, CardStore& store, Prompter& ui);

// The enciphered body, the bytes from `offset` on, rounded up to whole cipher blocks with zeros, to
// decipher in place. When the caller gave up the file's buffer (`file`), the body is moved to its
// front, so a large document is not copied; `data` must not be read after that.
Bytes encipheredBlocks(const std::uint8_t* data, std::size_t size, std::size_t offset, Bytes* file);

// The two older forms, whose version text `format` names.
LoadResult readOldDocument(const std::uint8_t* data, std::size_t size, Bytes* file, const std::string& fileName,
                           CardFileFormat format, CardStore& store, Prompter& ui, const RecordSink& sink);

// Body kind 3, the strong form.
LoadResult readStrongDocument(const std::uint8_t* data, std::size_t size, Bytes* file, const std::string& fileName,
                              CardStore& store, Prompter& ui, const RecordSink& sink);

// A number with a comma between each group of three digits.
inline std::string withThousands(std::size_t value) {
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

}  // namespace cardfile
