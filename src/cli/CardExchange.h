#pragma once
// Cards to and from the exchange formats of export and import: CSV in three layouts (this program's,
// and two widely used password managers') and JSON in the form dump prints. An import makes every
// card before any reaches the document, so it happens whole or not at all.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cardstore/CardStore.h"
#include "cli/Commands.h"
#include "cli/Csv.h"

/// The cards of `store` as CSV in `layout`; the deleted cards and those of numbers that are no
/// category are left out.
std::string exportCsv(const CardStore& store, CsvLayout layout);

// Cards made from an import, with what was filed where, before anything is added to the document.
struct ImportBatch {
    std::vector<std::unique_ptr<Card>> cards;
    std::map<std::string, std::string> mapped;  // group or folder -> category it went to
    bool ok = true;
};


/// The cards of CSV rows in `layout`; not ok after saying on standard error which row is wrong.
ImportBatch importCsv(const std::vector<CsvRow>& rows, CsvLayout layout);

/// The cards of JSON in the form dump writes; not ok after saying on standard error what is wrong.
ImportBatch importJson(const std::string& text);

/// Adds the batch's cards to `store`, each to its list (for JSON the list the file names, which may be
/// no category), and returns how many went where, by the names standard error reports.
std::map<std::string, int> addImportedCards(ImportBatch& batch, ExchangeFormat format, CardStore& store);
