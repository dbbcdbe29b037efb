#include "cardstore/CardList.h"

int CardList::AddCard(std::unique_ptr<Card> card) {
    m_cards.push_back(std::move(card));
    return GetCardCount();
}

int CardList::RemoveCardAt(int index, std::unique_ptr<Card>* removed) {
    if (m_cards.empty()) return index;
    if (index < 0 || index >= GetCardCount()) return GetCardCount();
    auto it = m_cards.begin() + index;
    if (removed) *removed = std::move(*it);
    m_cards.erase(it);
    return GetCardCount();
}

void CardList::ReplaceCardAt(int index, std::unique_ptr<Card> card) {
    if (index < 0 || index >= GetCardCount()) return;
    m_cards[static_cast<std::size_t>(index)] = std::move(card);
}

Card* CardList::GetCardAt(int index) const {
    if (index < 0 || index >= GetCardCount()) return nullptr;
    return m_cards[static_cast<std::size_t>(index)].get();
}
