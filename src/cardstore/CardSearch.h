#pragma once
// Finding cards by text: the order Find walks the cards in, and its comparison.

#include <string>
#include <string_view>
#include <vector>

#include "cardstore/Card.h"

class CardStore;

/// The category numbers in the order Find walks them: the shown categories in their display order
/// (POP Accounts before Login Accounts). The deleted cards are never searched.
const std::vector<int>& searchCategoryOrder();

/// The cards of the shown categories, category by category in searchCategoryOrder, each in its
/// list order.
std::vector<Card*> cardsInSearchOrder(CardStore& store);

/// Where the card at `index` of cardsInSearchOrder stands: its category and its place in that list;
/// {-1, -1} when `index` is out of range.
struct CardPlace {
    int categoryId = -1;
    int position = -1;
};
CardPlace searchPlace(const CardStore& store, int index);

/// True when `keyword` occurs in one of the card's four fields or its note. With `ignoreCase` the
/// texts compare after upper-casing the ASCII letters a-z only; every other byte, accented letters
/// included, must be equal.
bool cardContains(const Card& card, std::string_view keyword, bool ignoreCase);

/// The index of the first card from `start` on that contains `keyword`; -1 when none does (or
/// `start` is past the end).
int findCard(const std::vector<Card*>& cards, int start, std::string_view keyword, bool ignoreCase);
