#pragma once
// What the card list shows for a card, as Windows-1252 bytes: the rows of Field/Data pairs with
// the password masked and the note in its short form (a one-time code setup in it hidden). The
// one-time code's own row, which changes with the clock, is the card list's.

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

/// What a row of the card list shows: one of the card's texts, a web switch, or the date.
enum class CardRowKind { First, Second, Third, Fourth, Note, AutomaticAccess, NewBrowserWindow, Date, None };

/// The kind of row `row` (0 at the top) of a card of a web or other category; None past the last.
CardRowKind cardRowKind(int row, bool web);

/// The card text a row's kind stands for (the four fields and the note); nothing for the other rows.
std::string* cardTextOf(Card& card, CardRowKind kind);
const std::string* cardTextOf(const Card& card, CardRowKind kind);

/// What the clipboard receives for a row: the field in full (the password in clear), the whole note,
/// "On" or "Off" for a web switch, the date text.
std::string clipboardTextOf(const Card& card, CardRowKind kind);

/// The rows for `card` under `labels`; `categoryName` decides whether the web rows are shown.
std::vector<std::pair<std::string, std::string>> cardRows(const Card& card, const Labels& labels,
                                                           const std::string& categoryName);
