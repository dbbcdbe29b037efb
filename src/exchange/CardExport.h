#pragma once
// Export: the cards of a document as CSV in this program's layout or one other password managers
// read, or as JSON in the form dump prints. The window and the command line write the text.

#include <string>

#include "cardstore/CardStore.h"
#include "exchange/ExchangeLayouts.h"

/// The layouts export writes (import reads more).
bool exportableLayout(CsvLayout layout);

/// The cards of `store` as CSV in `layout` (Quorvane, KeePassXC or Bitwarden); the deleted cards and
/// those of numbers that are no category are left out.
std::string exportCsv(const CardStore& store, CsvLayout layout);

/// Every card of `store`, the deleted ones and those of numbers that are no category included, as
/// JSON in the form dump prints and import reads back.
std::string exportJson(const CardStore& store);
