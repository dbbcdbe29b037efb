#include "cardstore/CardOperations.h"

#include "cardstore/DateStamp.h"

int addNewCard(CardStore& store, int categoryId, std::unique_ptr<Card> card, int dateFormat) {
    CardList* list = categoryId >= 0 && categoryId < kCategoryCount ? store.GetCategoryList(categoryId) : nullptr;
    if (!list || !card)
        return -1;
    card->categoryId = static_cast<std::uint8_t>(categoryId);
    card->categoryName = categoryDisplayName(categoryId);
    card->dateStamp = CurrentDateStamp();
    card->dateText = FormatDateStamp(card->dateStamp, dateFormat);
    return list->AddCard(std::move(card)) - 1;
}

void editCardTexts(Card& card, const CardTexts& texts) {
    card.firstField = texts.firstField;
    card.secondField = texts.secondField;
    card.thirdField = texts.thirdField;
    card.fourthField = texts.fourthField;
    card.note = texts.note;
    card.stateFlags |= kStateEdited;
}

bool deleteCard(CardStore& store, int categoryId, int position) {
    CardList* list = categoryId >= 0 && categoryId < kCategoryCount ? store.GetCategoryList(categoryId) : nullptr;
    if (!list || position < 0 || position >= list->GetCardCount())
        return false;
    std::unique_ptr<Card> card;
    list->RemoveCardAt(position, &card);
    card->stateFlags |= kStateDeleted;
    store.GetCategoryList(kDeletedCategoryId)->AddCard(std::move(card));
    return true;
}

int findCardByName(const CardList& list, const std::string& name) {
    for (int i = 0; i < list.GetCardCount(); ++i)
        if (list.GetCardAt(i)->firstField == name)
            return i;
    return -1;
}
