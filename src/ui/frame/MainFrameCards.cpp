// The card state the frame keeps for the card commands, and the category operations on a document.

#include "cardstore/Categories.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/frame/MainFrame.h"

// --- Shared state -------------------------------------------------------------------------------

bool CMainFrame::CardSelected() const {
    const CQuorvaneView* tree = activeCategoryTree();
    return tree && tree->IsCardItemCurrent();
}

int CMainFrame::GetCurrentCardPosition() const {
    const CQuorvaneView* tree = activeCategoryTree();
    return tree && tree->IsCardItemCurrent() ? tree->GetSelectedPosition() : -1;
}

// --- Category operations ------------------------------------------------------------------

int CMainFrame::CategoryIdFromName(const QString& name) { return categoryIdForDisplayName(name.toStdString()); }

QString CMainFrame::CategoryNameFromId(int categoryId) {
    return QString::fromStdString(categoryDisplayName(categoryId));
}

void CMainFrame::AddCardToCategory(CQuorvaneDoc* document, int categoryId, std::unique_ptr<Card> card) {
    if (!document || categoryId < 0 || categoryId >= kCategoryCount) {
        return;
    }
    if (CardList* list = document->GetCategoryList(categoryId)) {
        list->AddCard(std::move(card));
    }
}

void CMainFrame::AddCardByCategoryName(CQuorvaneDoc* document, const QString& name, std::unique_ptr<Card> card) {
    const int id = CategoryIdFromName(name);
    if (id >= 0) {
        AddCardToCategory(document, id, std::move(card));
    }
}

std::unique_ptr<Card> CMainFrame::RemoveCardFromCategory(CQuorvaneDoc* document, const QString& name, int position) {
    const int id = CategoryIdFromName(name);
    CardList* list = document && id >= 0 ? document->GetCategoryList(id) : nullptr;
    std::unique_ptr<Card> removed;
    if (list && position >= 0 && position < list->GetCardCount()) {
        list->RemoveCardAt(position, &removed);
    }
    return removed;
}

void CMainFrame::ReplaceCardInCategory(CQuorvaneDoc* document, const QString& name, std::unique_ptr<Card> card,
                                       int position) {
    const int id = CategoryIdFromName(name);
    CardList* list = document && id >= 0 ? document->GetCategoryList(id) : nullptr;
    if (list && position >= 0 && position < list->GetCardCount()) {
        list->ReplaceCardAt(position, std::move(card));
    }
}
