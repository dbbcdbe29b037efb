#pragma once
// What the tree tells the other views of a card window when a card is selected.

#include "cardstore/Card.h"
#include "cardstore/Categories.h"
#include "docview/View.h"

/// Show this card under these four labels.
struct ShowCardHint : UpdateHint {
    ShowCardHint(Card* shown, const Labels& fieldLabels) : card(shown), labels(fieldLabels) {}
    Card* card;
    Labels labels;
};
