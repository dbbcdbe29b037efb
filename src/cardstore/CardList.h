#pragma once
// The ordered cards of one category, with its name and four field labels. The list owns its cards.

#include <memory>
#include <string>
#include <vector>

#include "cardstore/Card.h"
#include "cardstore/Categories.h"

class CardList {
public:
    CardList() : m_labels{"Field_1", "Field_2", "Field_3", "Field_4"} {}
    CardList(std::string name, Labels labels) : m_name(std::move(name)), m_labels(std::move(labels)) {}

    /// Appends the card and takes ownership; returns the new count.
    int AddCard(std::unique_ptr<Card> card);

    /// Removes the entry at `index`. On an empty list returns `index` unchanged; with an index out
    /// of range returns the count. The removed card is handed to `removed` when given, else destroyed.
    int RemoveCardAt(int index, std::unique_ptr<Card>* removed = nullptr);

    /// Stores `card` at `index` when 0 <= index < count; otherwise does nothing (and frees `card`).
    void ReplaceCardAt(int index, std::unique_ptr<Card> card);

    /// The card at `index`, or nullptr when out of range.
    Card* GetCardAt(int index) const;
    int GetCardCount() const { return static_cast<int>(m_cards.size()); }

    const std::string& name() const { return m_name; }
    const Labels& labels() const { return m_labels; }
    void clear() { m_cards.clear(); }

private:
    std::vector<std::unique_ptr<Card>> m_cards;
    std::string m_name;
    Labels m_labels;
};
