// The two older forms, read only: 9 marker bytes ("ENCRYPTED" or "NTENCRYPT"), the version text
// "Version1.001" or "Version1.002", then a body of length-prefixed records.
#include <algorithm>
#include <cstring>

#include "cardstore/CardFile.h"
#include "cardstore/CardFileParts.h"
#include "cardstore/Categories.h"
#include "cardstore/DateStamp.h"

namespace cardfile {

namespace {

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

}  // namespace

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

}  // namespace cardfile
