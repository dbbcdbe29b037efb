#pragma once
// The card commands as changes to a store, shared by the window and quorvane-cli so that both file,
// date, mark and delete cards alike.

#include <memory>
#include <optional>
#include <string>

#include "cardstore/CardStore.h"

/// The texts a person types for a card (Windows-1252 bytes).
struct CardTexts {
    std::string firstField;
    std::string secondField;
    std::string thirdField;
    std::string fourthField;
    std::string note;
};

/// Files `card` at the end of category `categoryId` (0-14) as New Card does: the category's number
/// and name, and the current date and time. Returns the card's position, or -1 for any other number.
int addNewCard(CardStore& store, int categoryId, std::unique_ptr<Card> card, int dateFormat);

/// Writes `texts` into the card as Edit Card does: same list, same position, same date, and the
/// edited bit set.
void editCardTexts(Card& card, const CardTexts& texts);

/// Moves the card at `position` of category `categoryId` (0-14) to the list of deleted cards with its
/// deleted bit set, as Delete Card does. False when there is no such card.
bool deleteCard(CardStore& store, int categoryId, int position);

/// The position of the first card of the list whose name (first field) equals `name`; -1 if none.
int findCardByName(const CardList& list, const std::string& name);
