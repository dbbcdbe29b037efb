#pragma once
// What the card list shows for a card, as Windows-1252 bytes: the rows of Field/Data pairs with
// the password masked and the note in its short form.

#include <string>
#include <utility>
#include <vector>

#include "cardstore/Card.h"
#include "cardstore/Categories.h"

/// The web categories show Automatic Access and New Browser Window rows.
bool isWebCategory(const std::string& displayName);

/// The note as one short line: up to its first line break, or cut near 60 characters at a
/// blank, followed by "..." when anything was left out.
std::string noteShortForm(const std::string& note);

/// The rows for `card` under `labels`; `categoryName` decides whether the web rows are shown.
std::vector<std::pair<std::string, std::string>> cardRows(const Card& card, const Labels& labels,
                                                           const std::string& categoryName);
