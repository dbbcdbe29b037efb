#pragma once
// The layouts of the files other password managers and browsers export, as a table: for each, the
// columns that recognise it and what every column becomes on a card. Import reads a file by this
// table alone, so a new layout is a new row here, not new code.

#include <optional>
#include <string>
#include <vector>

#include "exchange/Csv.h"

enum class ExchangeFormat { Csv, Json };

/// The CSV layouts import knows. Quorvane is this program's own: a header row per category.
enum class CsvLayout { Quorvane, KeePassXC, Bitwarden, Chromium, Firefox, Safari, OnePassword };

/// What a column's text becomes.
enum class ColumnRole {
    Group,  // a group or folder: decides the category
    Kind,   // Bitwarden's item type: login, note, card or identity
    Title,  // the card's name
    Url,    // the address of a login
    Username,
    Password,
    Notes,         // the start of the card's note
    Totp,          // a one-time code setup (otpauth:// address, or a bare Base32 secret)
    CreatedIso,    // the creation time as ISO 8601 text: the card's date stamp
    CreatedEpoch,  // the creation time in seconds, milliseconds or microseconds since 1970
    Line,          // a line "label: text" of the note
    EpochLine,     // a line "label: date" of the note, from a time since 1970
    FlagLine,      // a line "label" of the note when the text says yes (1, true)
    CardHolder,    // a payment card's fields
    CardBrand,
    CardNumber,
    CardExpMonth,
    CardExpYear,
    CardCode,
    PersonTitle,  // an identity's name, in parts
    PersonFirst,
    PersonMiddle,
    PersonLast,
    Omit,  // the exporting program's own bookkeeping (an icon number, a record id)
};

struct ColumnRule {
    std::vector<std::string> names;  // the header's name for it (any case); more than one when spellings differ
    ColumnRole role;
    std::string label;  // for note lines
};

struct LayoutInfo {
    CsvLayout layout;
    std::string key;                    // the command line's name for it
    std::string title;                  // the name messages use
    std::vector<std::string> required;  // the columns that recognise the layout
    std::vector<ColumnRule> columns;    // every column the layout may have, required ones included
};

/// The CSV layouts other programs write, in the order they are tried (own layout not included).
const std::vector<LayoutInfo>& foreignLayouts();

/// The table row of a layout; nothing for this program's own.
const LayoutInfo* layoutInfo(CsvLayout layout);

/// The layout whose required columns a header row has all of (names in any case and order, other
/// columns allowed); of several, the one that needs the most columns. Nothing when none fits.
std::optional<CsvLayout> recognizeHeader(const CsvRow& header);

/// The rule for a header name in `layout`; nothing for a column the layout does not have.
const ColumnRule* ruleFor(const LayoutInfo& layout, const std::string& name);

/// A line listing the layouts import knows and the columns that recognise each, for messages.
std::string knownLayoutsText();

/// Lower-case ASCII, for comparing names.
std::string asciiLower(std::string text);
