#pragma once
// Shared by the import's files only: one entry of another program's export, read from its columns
// before it becomes a card.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cardstore/Card.h"
#include "exchange/CardImport.h"

enum class EntryKind { Login, Note, PaymentCard, Identity };

struct ImportedEntry {
    EntryKind kind = EntryKind::Login;
    std::string group;
    std::string title, url, username, password, notes, totp;
    std::string holder, brand, number, expMonth, expYear, code;
    std::string personTitle, first, middle, last;
    std::vector<std::pair<std::string, std::string>> lines;  // label (may be empty), text: note lines
    std::optional<std::uint32_t> created;
};

/// The entry of one row, by the layout's rules for the header's columns (UTF-8 texts as read).
ImportedEntry entryFromRow(const LayoutInfo& layout, const CsvRow& header, const CsvRow& row);

/// The card of an entry, filed by its group or kind; nothing after setting the batch's error, which
/// names `where` ("Row 4"), the card and the field whose text a card cannot hold.
std::unique_ptr<Card> cardFromEntry(const ImportedEntry& entry, const std::string& where, ImportBatch& batch);

/// A card of category `id` from five UTF-8 texts (a note's line feeds become CR LF); nothing after
/// setting the batch's error, naming `where`, the card and the field.
std::unique_ptr<Card> cardFromTexts(int id, const std::string (&texts)[5], const std::string& where,
                                    ImportBatch& batch);

/// This program's CSV header for a category: its name, its four labels, the note and the date.
CsvRow quorvaneHeader(int categoryId);

/// A label without its colon ("User ID:" -> "User ID").
std::string labelText(const std::string& label);

/// The date stamp of an ISO 8601 time ("2024-03-05T10:20:30Z", fractions and offsets allowed; without a
/// zone it is local time), or of a number of seconds, milliseconds or microseconds since 1970.
std::optional<std::uint32_t> stampFromIso(const std::string& text);
std::optional<std::uint32_t> stampFromEpoch(const std::string& text);

inline constexpr int kMiscellaneousId = 14;
inline constexpr int kIsoDateFormat = 4;  // "%Y-%m-%d"
