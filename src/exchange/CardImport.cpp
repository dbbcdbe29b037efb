// Import: telling the form and layout of a file from its content, and reading this program's own CSV
// and JSON. Other programs' rows go through the layout table (ExchangeLayouts) and ImportEntries.
#include "exchange/CardImport.h"

#include <algorithm>

#include "cardstore/Categories.h"
#include "cardstore/DateStamp.h"
#include "exchange/ExchangeParts.h"

// Bitwarden's JSON (BitwardenJson.cpp): its items as rows of its CSV columns.
ImportBatch importBitwardenJson(const std::string& text, const std::string& name);
// This program's JSON, in the form dump writes (OwnJson.cpp).
ImportBatch importOwnJson(const std::string& text);
// Whether `text` is JSON whose top level is an object with `key` (OwnJson.cpp).
bool jsonObjectHas(const std::string& text, const char* key);

namespace {

std::string cell(const CsvRow& row, std::size_t column) {
    return column < row.size() ? row[column] : std::string();
}

bool blank(const CsvRow& row) {
    return std::all_of(row.begin(), row.end(), [](const std::string& c) { return c.empty(); });
}

// The category whose header row of this program's layout `row` is, or -1.
int ownHeaderCategory(const CsvRow& row) {
    const int id = categoryForGroupName(cell(row, 0));
    if (id < 0 || id >= kCategoryCount || asciiLower(cell(row, 0)) != asciiLower(categoryDisplayName(id)))
        return -1;
    const CsvRow header = quorvaneHeader(id);
    return row.size() >= header.size() && std::equal(header.begin() + 1, header.end(), row.begin() + 1) ? id : -1;
}

ImportBatch importOwnCsv(const std::vector<CsvRow>& rows) {
    ImportBatch batch;
    batch.source = "this program's CSV";
    for (std::size_t r = 0; r < rows.size() && batch.ok(); ++r) {
        const CsvRow& row = rows[r];
        if (blank(row))
            continue;
        const std::string group = cell(row, 0);
        int id = categoryForGroupName(group);
        if (id < 0)
            id = kMiscellaneousId;
        // A category's header row. A card may hold its category's labels as texts; its date is a date,
        // never "Date".
        const CsvRow header = quorvaneHeader(id);
        if (row.size() >= 7 && std::equal(header.begin() + 1, header.end(), row.begin() + 1))
            continue;
        const std::string texts[5] = {cell(row, 1), cell(row, 2), cell(row, 3), cell(row, 4), cell(row, 5)};
        auto card = cardFromTexts(id, texts, "Row " + std::to_string(r + 1), batch);
        if (!card)
            break;
        card->dateStamp = ParseDateStamp(cell(row, 6), kIsoDateFormat).value_or(CurrentDateStamp());
        ++batch.groups[group][categoryDisplayName(id)];
        batch.cards.push_back(std::move(card));
    }
    return batch;
}

std::string columnsText(const CsvRow& header) {
    std::string text;
    for (const std::string& name : header)
        text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "none" : text;
}

// The rows after the header at `first` (the rows' numbers in messages count from the file's first).
ImportBatch importForeignCsv(const std::vector<CsvRow>& rows, std::size_t first, const LayoutInfo& layout) {
    ImportBatch batch;
    batch.source = layout.title + " CSV";
    const CsvRow& header = rows[first];
    for (std::size_t r = first + 1; r < rows.size() && batch.ok(); ++r) {
        if (blank(rows[r]))
            continue;
        if (rows[r].size() > header.size()) {
            batch.error = "Row " + std::to_string(r + 1) + " has " + std::to_string(rows[r].size()) +
                          " fields but the header row names only " + std::to_string(header.size()) + " columns.";
            break;
        }
        auto card = cardFromEntry(entryFromRow(layout, header, rows[r]), "Row " + std::to_string(r + 1), batch);
        if (card)
            batch.cards.push_back(std::move(card));
    }
    return batch;
}

ImportBatch failed(std::string error) {
    ImportBatch batch;
    batch.error = std::move(error);
    return batch;
}

ImportBatch importCsvText(const std::string& text, const std::string& name, const ImportRequest& request) {
    std::string error;
    auto rows = parseCsv(text, error);
    if (!rows)
        return failed(name + " is not readable CSV: " + error + ".");
    // Blank lines before the header are skipped, but counted, so that row numbers are the file's.
    const std::size_t first =
        static_cast<std::size_t>(std::find_if_not(rows->begin(), rows->end(), blank) - rows->begin());
    if (first == rows->size()) {
        ImportBatch empty;
        empty.source = "an empty file";
        return empty;
    }
    if (request.layout == CsvLayout::Quorvane || (!request.layout && ownHeaderCategory((*rows)[first]) >= 0))
        return importOwnCsv(*rows);
    const CsvRow& header = (*rows)[first];
    std::optional<CsvLayout> layout = request.layout;
    if (!layout)
        layout = recognizeHeader(header);
    if (!layout)
        return failed("No layout import knows fits " + name + ". Its header row names the columns " +
                      columnsText(header) + ". The layouts known are " + knownLayoutsText() + ".");
    const LayoutInfo& info = *layoutInfo(*layout);
    std::string missing;
    for (const std::string& column : info.required)
        if (std::none_of(header.begin(), header.end(),
                         [&](const std::string& h) { return asciiLower(h) == asciiLower(column); }))
            missing += (missing.empty() ? "" : ", ") + column;
    if (!missing.empty())
        return failed(name + " is not a " + info.title + " export: its header row lacks the columns " + missing +
                      " (it names " + columnsText(header) + ").");
    return importForeignCsv(*rows, first, info);
}

}  // namespace

ImportBatch importCards(const std::string& text, const std::string& name, const ImportRequest& request) {
    std::string_view body(text);
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
        body.remove_prefix(3);
    const std::size_t first = body.find_first_not_of(" \t\r\n");
    const bool looksJson = first != std::string_view::npos && (body[first] == '{' || body[first] == '[');
    const ExchangeFormat format =
        request.format.value_or(request.layout || !looksJson ? ExchangeFormat::Csv : ExchangeFormat::Json);
    if (format == ExchangeFormat::Csv)
        return importCsvText(text, name, request);
    const std::string json(body);
    if (jsonObjectHas(json, "items"))
        return importBitwardenJson(json, name);
    if (!jsonObjectHas(json, "cards") && !request.format)
        return failed(name +
                      " is JSON, but neither this program's (an object with a \"cards\" list) nor "
                      "Bitwarden's (an object with an \"items\" list). The layouts known are " +
                      knownLayoutsText() + ".");
    return importOwnJson(json);
}

std::map<std::string, int> addImportedCards(ImportBatch& batch, CardStore& store, int dateFormat) {
    std::map<std::string, int> counts;
    for (auto& card : batch.cards) {
        const int list = card->listPosition;
        card->listPosition = 0;
        card->dateText = FormatDateStamp(card->dateStamp, dateFormat);
        CardList* target = store.GetCategoryList(list);
        ++counts[list == kDeletedCategoryId ? std::string("the deleted cards")
                 : target                   ? categoryDisplayName(list)
                                            : "number " + std::to_string(list) + " (no category here, never shown)"];
        (target ? *target : store.unshownCards()).AddCard(std::move(card));
    }
    batch.cards.clear();
    return counts;
}

std::vector<std::string> importSummary(const ImportBatch& batch, const std::map<std::string, int>& counts) {
    std::vector<std::string> lines;
    for (const auto& [group, categories] : batch.groups) {
        if (categories.size() == 1 && categories.begin()->first == group)
            continue;
        if (group.empty() && batch.groups.size() == 1)
            continue;  // a file without groups (a browser's)
        std::string line = (group.empty() ? std::string("(no group)") : "\"" + group + "\"") + " -> ";
        bool first = true;
        for (const auto& [category, count] : categories) {
            line += (first ? "" : ", ") + category + (categories.size() > 1 ? " (" + std::to_string(count) + ")" : "");
            first = false;
        }
        lines.push_back(line);
    }
    for (const auto& [category, count] : counts)
        lines.push_back(std::to_string(count) + " card(s) into " + category);
    for (const std::string& what : batch.leftOut)
        lines.push_back("Left out: " + what);
    return lines;
}
