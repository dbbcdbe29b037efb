// The card records of both layouts, read into a store or an index, and written.
#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "cardstore/CardFile.h"
#include "cardstore/CardFileParts.h"
#include "cardstore/DateStamp.h"

namespace cardfile {

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

namespace {

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

}  // namespace

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
    card.setStoredStateFlags(header[3]);
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

void fileRecords(const std::uint8_t* records, std::size_t size, std::size_t start, bool oldLayout, int dateFormat,
                 CardStore& store) {
    std::size_t pos = start;
    for (Card card; readRecordAt(records, size, pos, oldLayout, dateFormat, card);)
        fileLoadedCard(store, std::move(card));
}

}  // namespace cardfile

class KeptRecordsAccess {
public:
    static void keep(KeptRecords& kept, const std::uint8_t* records, std::size_t size, std::size_t start,
                     bool oldLayout, Bytes* buffer) {
        kept.clear();
        const auto at = reinterpret_cast<std::uintptr_t>(records);
        const auto from = buffer ? reinterpret_cast<std::uintptr_t>(buffer->data()) : 0;
        if (buffer && at >= from && size <= buffer->size() && at - from <= buffer->size() - size) {
            // `records` lie in the buffer: it changes hands, and they stay where they are.
            kept.m_offset = at - from;
            kept.m_buffer = std::move(*buffer);
        } else {
            kept.m_buffer.assign(records, records + size);
        }
        kept.m_size = size;
        kept.m_start = start;
        kept.m_oldLayout = oldLayout;
        kept.m_holds = true;
    }
};

namespace cardfile {

// The sink that files every card in a store, and then keeps the records in `kept` when given.
RecordSink storeSink(CardStore& store, int dateFormat, KeptRecords* kept) {
    return [&store, dateFormat, kept](const std::uint8_t* records, std::size_t size, std::size_t start,
                                      bool oldLayout, Bytes* buffer) {
        fileRecords(records, size, start, oldLayout, dateFormat, store);
        if (kept) KeptRecordsAccess::keep(*kept, records, size, start, oldLayout, buffer);
    };
}

namespace {

int listSlot(int listId) { return listId == kDeletedCategoryId ? kCategoryCount : listId; }

}  // namespace

}  // namespace cardfile

using namespace cardfile;

void readCardRecords(const std::uint8_t* data, std::size_t size, CardStore& store, int dateFormat) {
    storeSink(store, dateFormat)(data, size, 0, false, nullptr);
}

void KeptRecords::fileInto(CardStore& store, int dateFormat) const {
    if (m_holds) fileRecords(m_buffer.data() + m_offset, m_size, m_start, m_oldLayout, dateFormat, store);
}

void KeptRecords::clear() {
    wipeSecret(m_buffer);
    Bytes().swap(m_buffer);
    m_offset = m_size = m_start = 0;
    m_oldLayout = false;
    m_holds = false;
}

void KeptRecords::swap(KeptRecords& other) noexcept {
    m_buffer.swap(other.m_buffer);
    std::swap(m_offset, other.m_offset);
    std::swap(m_size, other.m_size);
    std::swap(m_start, other.m_start);
    std::swap(m_oldLayout, other.m_oldLayout);
    std::swap(m_holds, other.m_holds);
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

void appendCardRecord(Bytes& out, const Card& card) {
    auto texts = storedTexts(card);
    std::size_t textBytes = texts.size();
    for (const std::string* text : texts) textBytes += text->size();

    std::uint8_t header[kCardHeaderSize] = {};
    header[0] = card.categoryId;
    header[2] = card.legacyFlags;
    header[3] = card.storedStateFlags();
    writeLE32(header + 4, card.dateStamp);
    writeLE32(header + 8, card.extraValue);
    writeLE32(header + 20, static_cast<std::uint32_t>(textBytes));
    out.insert(out.end(), header, header + sizeof header);
    for (const std::string* text : texts) {
        out.insert(out.end(), text->begin(), text->end());
        out.push_back(0);
    }
}
