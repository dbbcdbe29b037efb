#pragma once
// Import: the cards of a file another password manager or browser exported, or of this program's own
// CSV or JSON. The form and the layout are recognised from the content unless the caller names them.
// Every card is made before any reaches a document, so an import happens whole or not at all; what
// goes wrong is said in `error`, for the window or the terminal to show.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cardstore/CardStore.h"
#include "exchange/ExchangeLayouts.h"

/// What the caller forces; nothing recognises it from the content.
struct ImportRequest {
    std::optional<ExchangeFormat> format;
    std::optional<CsvLayout> layout;  // CSV only
};

struct ImportBatch {
    std::vector<std::unique_ptr<Card>> cards;                  // each with listPosition set to the list it goes to
    std::string source;                                        // the layout read, as messages name it ("KeePassXC CSV")
    std::map<std::string, std::map<std::string, int>> groups;  // group or folder -> category -> cards
    std::vector<std::string> leftOut;  // what no card could keep, each a sentence (normally none)
    std::string error;                 // why nothing can be imported; empty when the batch is good

    bool ok() const { return error.empty(); }
};

/// The cards of `text` (UTF-8, a byte-order mark allowed). `name` names the file in messages.
ImportBatch importCards(const std::string& text, const std::string& name, const ImportRequest& request = {});

/// Adds the batch's cards to `store`, each to its list (which may be the deleted cards or a number that
/// is no category, from this program's JSON), its date shown in date format `dateFormat`, and returns
/// how many went where, by category name.
std::map<std::string, int> addImportedCards(ImportBatch& batch, CardStore& store, int dateFormat = 0);

/// The summary of an import for people: one line per group or folder that went to a category of
/// another name, one per category with its count, and what was left out.
std::vector<std::string> importSummary(const ImportBatch& batch, const std::map<std::string, int>& counts);

/// The category a group or folder names: the whole name or its last path part equal to a category's
/// name (any case), or a common name for one ("Email", "Banking", "Internet"); -1 when neither.
int categoryForGroupName(const std::string& group);
