#include "cardstore/CardSearch.h"

#include <algorithm>

#include "cardstore/CardStore.h"

namespace {

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool contains(std::string_view text, std::string_view keyword, bool ignoreCase) {
    if (!ignoreCase) {
        return text.find(keyword) != std::string_view::npos;
    }
    const auto found = std::search(text.begin(), text.end(), keyword.begin(), keyword.end(),
                                   [](char a, char b) { return asciiUpper(a) == asciiUpper(b); });
    return found != text.end() || keyword.empty();
}

}  // namespace

const std::vector<int>& searchCategoryOrder() {
    static const std::vector<int> kOrder = {0, 1, 2, 3, 4, 6, 5, 7, 8, 9, 10, 11, 12, 13, 14};
    return kOrder;
}

std::vector<Card*> cardsInSearchOrder(CardStore& store) {
    std::vector<Card*> cards;
    for (int id : searchCategoryOrder()) {
        const CardList* list = store.GetCategoryList(id);
        for (int i = 0; list && i < list->GetCardCount(); ++i) {
            cards.push_back(list->GetCardAt(i));
        }
    }
    return cards;
}

CardPlace searchPlace(const CardStore& store, int index) {
    if (index < 0) {
        return {};
    }
    for (int id : searchCategoryOrder()) {
        const CardList* list = store.GetCategoryList(id);
        const int count = list ? list->GetCardCount() : 0;
        if (index < count) {
            return {id, index};
        }
        index -= count;
    }
    return {};
}

bool cardContains(const Card& card, std::string_view keyword, bool ignoreCase) {
    for (const std::string* text : {&card.firstField, &card.secondField, &card.thirdField, &card.fourthField,
                                    &card.note}) {
        if (contains(*text, keyword, ignoreCase)) {
            return true;
        }
    }
    return false;
}

int findCard(const std::vector<Card*>& cards, int start, std::string_view keyword, bool ignoreCase) {
    for (std::size_t i = start < 0 ? 0 : static_cast<std::size_t>(start); i < cards.size(); ++i) {
        if (cards[i] && cardContains(*cards[i], keyword, ignoreCase)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
