// The exchange formats of export and import: CSV in this program's layout and two widely used
// password managers' layouts, and JSON in the form dump prints.
#include "cli/CardExchange.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>

#include "cardstore/CardOperations.h"
#include "cardstore/Categories.h"
#include "cardstore/DateStamp.h"
#include "cli/CardEditing.h"
#include "otp/OneTimeCode.h"
#include "common/Win1252.h"

namespace {

constexpr int kMiscellaneous = 14;
constexpr int kIsoDateFormat = 4;  // "%Y-%m-%d"

const CsvRow kKeePassXCHeader = {"Group", "Title", "Username", "Password", "URL", "Notes"};
const CsvRow kBitwardenHeader = {"folder",         "favorite",       "type",       "name",
                                 "notes",          "fields",         "reminder",   "login_uri",
                                 "login_username", "login_password", "login_totp"};

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string labelText(const std::string& label) {
    return !label.empty() && label.back() == ':' ? label.substr(0, label.size() - 1) : label;
}

// This program's CSV header for a category: its name, its four labels, the note and the date.
CsvRow quorvaneHeader(int categoryId) {
    const CategoryInfo* info = findCategory(categoryId);
    CsvRow row{categoryDisplayName(categoryId)};
    for (const char* label : info->labels) row.push_back(labelText(label));
    row.push_back("Note");
    row.push_back("Date");
    return row;
}

// The category a group or folder names, compared with the category names without case: the whole
// name (a category name may hold a slash, as "ATM/PIN Cards" does), else its last path component, else
// Miscellaneous.
int categoryForGroup(const std::string& group, ImportBatch& batch) {
    auto named = [](const std::string& name) {
        for (int c = 0; c < kCategoryCount; ++c)
            if (lower(name) == lower(categoryDisplayName(c))) return c;
        return -1;
    };
    int id = named(group);
    const std::size_t slash = group.find_last_of("/\\");
    if (id < 0 && slash != std::string::npos) id = named(group.substr(slash + 1));
    if (id < 0) id = kMiscellaneous;
    batch.mapped.emplace(group, categoryDisplayName(id));
    return id;
}

// A card of category `id` from UTF-8 texts; nothing (after saying which text is wrong) when one cannot
// be stored. `row` names the card in messages.
std::unique_ptr<Card> cardFrom(int id, const std::string (&texts)[5], const std::string& row) {
    const CategoryInfo* info = findCategory(id);
    auto card = std::make_unique<Card>();
    std::string* targets[5] = {&card->firstField, &card->secondField, &card->thirdField, &card->fourthField,
                               &card->note};
    const std::string name = row + (texts[0].empty() ? "" : " (card \"" + texts[0] + "\")");
    for (int f = 0; f < 5; ++f) {
        auto text = cardTextForCommand(texts[f], name, f < 4 ? labelText(info->labels[static_cast<std::size_t>(f)]) : "Note",
                                       f == 4);
        if (!text) return nullptr;
        *targets[f] = *text;
    }
    card->categoryId = static_cast<std::uint8_t>(id);
    card->categoryName = categoryDisplayName(id);
    return card;
}

// Column positions of a header row, by name without case; false when one of `names` is missing.
bool columnsOf(const CsvRow& header, const CsvRow& names, std::vector<std::size_t>& columns) {
    columns.clear();
    for (const std::string& name : names) {
        auto it = std::find_if(header.begin(), header.end(), [&](const std::string& h) { return lower(h) == lower(name); });
        if (it == header.end()) return false;
        columns.push_back(static_cast<std::size_t>(it - header.begin()));
    }
    return true;
}

std::string cell(const CsvRow& row, std::size_t column) { return column < row.size() ? row[column] : std::string(); }

}  // namespace

std::string exportCsv(const CardStore& store, CsvLayout layout) {
    std::string out;
    if (layout == CsvLayout::KeePassXC) out += csvLine(kKeePassXCHeader);
    if (layout == CsvLayout::Bitwarden) out += csvLine(kBitwardenHeader);
    for (int id = 0; id < kCategoryCount; ++id) {
        const CardList& list = *store.GetCategoryList(id);
        if (layout == CsvLayout::Quorvane && list.GetCardCount() > 0) out += csvLine(quorvaneHeader(id));
        const std::string category = categoryDisplayName(id);
        for (int i = 0; i < list.GetCardCount(); ++i) {
            const Card& card = *list.GetCardAt(i);
            const std::string first = textForOutput(card.firstField, false);
            const std::string second = textForOutput(card.secondField, false);
            const std::string third = textForOutput(card.thirdField, false);
            const std::string fourth = textForOutput(card.fourthField, false);
            const std::string note = textForOutput(card.note, true);
            switch (layout) {
                case CsvLayout::Quorvane:
                    out += csvLine({category, first, second, third, fourth, note,
                                    FormatDateStamp(card.dateStamp, kIsoDateFormat)});
                    break;
                case CsvLayout::KeePassXC:
                    out += csvLine({category, first, third, fourth, second, note});
                    break;
                case CsvLayout::Bitwarden:
                    out += csvLine({category, "", "login", first, note, "", "", second, third, fourth, ""});
                    break;
            }
        }
    }
    return out;
}

ImportBatch importCsv(const std::vector<CsvRow>& rows, CsvLayout layout) {
    ImportBatch batch;
    auto add = [&](int id, const std::string (&texts)[5], std::size_t rowIndex, std::uint32_t stamp) {
        auto card = cardFrom(id, texts, "Row " + std::to_string(rowIndex + 1));
        if (!card) {
            batch.ok = false;
            return;
        }
        card->dateStamp = stamp;
        batch.cards.push_back(std::move(card));
    };
    if (layout == CsvLayout::Quorvane) {
        for (std::size_t r = 0; r < rows.size() && batch.ok; ++r) {
            const CsvRow& row = rows[r];
            if (row.size() == 1 && row[0].empty()) continue;  // a blank line
            const int id = categoryForGroup(cell(row, 0), batch);
            // A category's header row. A card may hold its category's labels as texts; its date is a
            // date, never "Date".
            const CsvRow header = quorvaneHeader(id);
            if (row.size() >= 7 && std::equal(header.begin() + 1, header.end(), row.begin() + 1)) continue;
            const std::string texts[5] = {cell(row, 1), cell(row, 2), cell(row, 3), cell(row, 4), cell(row, 5)};
            add(id, texts, r, ParseDateStamp(cell(row, 6), kIsoDateFormat).value_or(CurrentDateStamp()));
        }
        return batch;
    }
    const CsvRow& names = layout == CsvLayout::KeePassXC ? kKeePassXCHeader : kBitwardenHeader;
    std::vector<std::size_t> col;
    if (rows.empty() || !columnsOf(rows[0], names, col)) {
        std::cerr << "The first row must name the columns:";
        for (const std::string& name : names) std::cerr << ' ' << name;
        std::cerr << ".\n";
        batch.ok = false;
        return batch;
    }
    for (std::size_t r = 1; r < rows.size() && batch.ok; ++r) {
        const CsvRow& row = rows[r];
        if (row.size() == 1 && row[0].empty()) continue;
        if (layout == CsvLayout::KeePassXC) {
            const int id = categoryForGroup(cell(row, col[0]), batch);
            const std::string texts[5] = {cell(row, col[1]), cell(row, col[4]), cell(row, col[2]), cell(row, col[3]),
                                          cell(row, col[5])};
            add(id, texts, r, CurrentDateStamp());
        } else {
            const int id = categoryForGroup(cell(row, col[0]), batch);
            // Custom fields and a TOTP secret have no place of their own on a card: they go into the
            // note, so that nothing of the entry is lost. An otpauth:// address goes on a line of its
            // own, where it is the card's one-time code setup.
            std::string note = cell(row, col[4]);
            for (const auto& [label, column] : {std::pair{"Fields", col[5]}, std::pair{"TOTP", col[10]}}) {
                const std::string extra = cell(row, column);
                const bool setup =
                    column == col[10] && extra.find('\n') == std::string::npos && otp::findSetupLine(extra);
                if (!extra.empty())
                    note += (note.empty() ? "" : "\n") + (setup ? std::string() : std::string(label) + ": ") + extra;
            }
            const std::string texts[5] = {cell(row, col[3]), cell(row, col[7]), cell(row, col[8]), cell(row, col[9]),
                                          note};
            add(id, texts, r, CurrentDateStamp());
        }
    }
    return batch;
}

ImportBatch importJson(const std::string& text) {
    ImportBatch batch;
    auto fail = [&](const std::string& why) {
        std::cerr << why << '\n';
        batch.ok = false;
        return std::move(batch);
    };
    nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object() || !document.contains("cards") ||
        !document["cards"].is_array())
        return fail("The file is not JSON in the form dump writes: an object with a \"cards\" list.");
    std::size_t n = 0;
    for (const nlohmann::json& entry : document["cards"]) {
        ++n;
        const std::string where = "Card " + std::to_string(n);
        auto number = [&](const char* key, std::uint64_t limit, std::uint64_t fallback) -> std::optional<std::uint64_t> {
            if (!entry.contains(key)) return fallback;
            const nlohmann::json& value = entry[key];
            if (!value.is_number_unsigned() || value.get<std::uint64_t>() > limit) return std::nullopt;
            return value.get<std::uint64_t>();
        };
        if (!entry.is_object() || !entry.contains("fields") || !entry["fields"].is_array() ||
            entry["fields"].size() != 4)
            return fail(where + ": it needs \"fields\", a list of four texts.");
        std::string texts[5];
        for (std::size_t f = 0; f < 4; ++f) {
            if (!entry["fields"][f].is_string()) return fail(where + ": its fields must be texts.");
            texts[f] = entry["fields"][f].get<std::string>();
        }
        if (entry.contains("note") && !entry["note"].is_string()) return fail(where + ": its note must be a text.");
        texts[4] = entry.value("note", std::string());
        const auto list = number("list", 255, kMiscellaneous);
        const auto categoryId = number("categoryId", 255, list.value_or(kMiscellaneous));
        const auto legacy = number("legacyFlags", 255, 0);
        const auto state = number("stateFlags", 255, 0);
        const auto stamp = number("dateStamp", UINT32_MAX, CurrentDateStamp());
        const auto extra = number("extraValue", UINT32_MAX, 0);
        if (!list || !categoryId || !legacy || !state || !stamp || !extra)
            return fail(where + ": list, categoryId, legacyFlags, stateFlags, dateStamp and extraValue must be "
                                "whole numbers in their range.");
        // The switches are bits of stateFlags; "automaticAccess" and "newBrowserWindow", when given, say
        // the same more plainly and decide.
        std::optional<bool> switches[2];
        const char* const kSwitchKeys[2] = {"automaticAccess", "newBrowserWindow"};
        for (int s = 0; s < 2; ++s) {
            if (!entry.contains(kSwitchKeys[s])) continue;
            if (!entry[kSwitchKeys[s]].is_boolean())
                return fail(where + ": " + kSwitchKeys[s] + " must be true or false.");
            switches[s] = entry[kSwitchKeys[s]].get<bool>();
        }
        // A number that is no category here (a later version's) is kept as it is, never shown, as
        // the document keeps such cards when it reads them.
        const int id = static_cast<int>(*list);
        // The JSON holds the texts as the card keeps them (a note's CR LF included): no conversion of
        // line breaks here, only of the character set.
        auto card = std::make_unique<Card>();
        std::string* targets[5] = {&card->firstField, &card->secondField, &card->thirdField, &card->fourthField,
                                   &card->note};
        static const char* kNames[5] = {"field 1", "field 2", "field 3", "field 4", "note"};
        for (int f = 0; f < 5; ++f) {
            std::string error;
            if (!utf8ToWin1252(texts[f], *targets[f], &error))
                return fail(where + " (\"" + texts[0] + "\"), " + kNames[f] + ": " + error);
            if (targets[f]->size() > kMaxTextBytes || targets[f]->find('\0') != std::string::npos)
                return fail(where + " (\"" + texts[0] + "\"), " + kNames[f] + ": too long, or holds a NUL character.");
        }
        const int category = id == kDeletedCategoryId ? static_cast<int>(*categoryId) : id;
        card->categoryId = static_cast<std::uint8_t>(id == kDeletedCategoryId && category >= kCategoryCount ? id : category);
        card->categoryName = categoryDisplayName(card->categoryId);
        card->legacyFlags = static_cast<std::uint8_t>(*legacy);
        // A card file knows a deleted card by this flag alone: the list the JSON names decides it, so
        // that a card comes back from the file in the list it was imported to.
        const std::uint64_t stored =
            id == kDeletedCategoryId ? *state | kStateDeleted : *state & ~std::uint64_t{kStateDeleted};
        card->setStoredStateFlags(static_cast<std::uint8_t>(stored));
        if (switches[0]) card->automaticAccess = *switches[0] ? 1 : 0;
        if (switches[1]) card->newBrowserWindow = *switches[1] ? 1 : 0;
        card->dateStamp = static_cast<std::uint32_t>(*stamp);
        card->extraValue = static_cast<std::uint32_t>(*extra);
        card->listPosition = id;  // the list it goes to, read back when the batch is added
        batch.cards.push_back(std::move(card));
    }
    return batch;
}

std::map<std::string, int> addImportedCards(ImportBatch& batch, ExchangeFormat format, CardStore& store) {
    std::map<std::string, int> counts;
    for (auto& card : batch.cards) {
        const int list = format == ExchangeFormat::Json ? card->listPosition : card->categoryId;
        card->listPosition = 0;
        card->dateText = FormatDateStamp(card->dateStamp, 0);
        CardList* target = store.GetCategoryList(list);
        ++counts[list == kDeletedCategoryId ? std::string("the deleted cards")
                 : target                   ? categoryDisplayName(list)
                                            : "number " + std::to_string(list) + " (no category here, never shown)"];
        (target ? *target : store.unshownCards()).AddCard(std::move(card));
    }
    return counts;
}
