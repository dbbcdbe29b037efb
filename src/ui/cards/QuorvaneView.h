#pragma once
// CQuorvaneView: the category tree on the left of a card window. Fifteen category items with the
// cards of each as children, sorted by name without regard to case. Selecting an item announces
// the new counts and selection, and makes the card list show the selected card.

#include <QTreeWidget>
#include <array>

#include "docview/View.h"
#include "cardstore/Categories.h"

class CardList;
class CQuorvaneDoc;
struct Card;

class CQuorvaneView : public QTreeWidget, public View {
    Q_OBJECT
public:
    enum Picture { ClosedPicture = 0, OpenPicture = 1, CardPicture = 2 };
    static constexpr int kPositionRole = Qt::UserRole;
    static constexpr int kPictureRole = Qt::UserRole + 1;

    explicit CQuorvaneView(QWidget* parent = nullptr);

    QWidget* widget() override { return this; }
    CQuorvaneDoc* GetDocument() const;
    void OnInitialUpdate() override;
    void OnUpdate(View* sender, const UpdateHint* hint) override;
    void OnActivateView(bool activate) override;

    QString GetSelectedCategoryName() const;
    /// The card of the selected card item, or nullptr while a category (or nothing) is selected.
    Card* GetSelectedCard() const;
    QTreeWidgetItem* GetCategoryItem(const QString& name) const;
    QTreeWidgetItem* GetCategoryItemAt(int categoryId) const;
    int GetCategoryCardCount(QTreeWidgetItem* item) const;
    /// Cards in the fifteen shown categories (deleted cards excluded).
    int GetTotalCardCount() const;
    /// Expands `category` and selects its n-th card item from the top (nothing past the last one).
    void SelectCardAtPosition(QTreeWidgetItem* category, int n);
    void SelectFirstOrLastCard(bool last);
    /// Selects the card item of `category` carrying list position `position` (none if no item does).
    void SelectCardByListPosition(QTreeWidgetItem* category, int position);
    /// Expands `category` and selects the card item carrying list position `position`, so the card
    /// just added, pasted or changed is the one shown (nothing selected when no item carries it).
    void SelectCardInCategory(QTreeWidgetItem* category, int position);
    void SetCategoryPicture(QTreeWidgetItem* item, int count);
    void RenameSelectedItem(const QString& text);
    /// Makes the other views show the card at `position` of `category`'s list.
    void ShowCard(int position, QTreeWidgetItem* category);
    int GetSelectedPosition() const { return SelectedPosition; }
    /// The tree's current item is a card item (the selection as it is now, not as last reported).
    bool IsCardItemCurrent() const;
    /// The cards of "WWW Sites", the category the counts show when the tree becomes active.
    int webSitesCount() const;
    void SetCardItemSelected(int flag) { CardItemSelected = flag; }
    int IsCardItemSelected() const { return CardItemSelected; }
    void SelectItem(QTreeWidgetItem* item);

    static int picture(const QTreeWidgetItem* item);

signals:
    /// The counts the status bar shows: cards in the category concerned and in the document.
    void cardCountsChanged(int cardsInCategory, int totalCards);
    /// The tree became the active view; the window's status is to be shown again.
    void activated();
    /// A card or a category was selected (or the selection went with a rebuild).
    void selectionChanged();
    /// A double click asks for the Edit Card command.
    void editCardRequested();

private:
    int categoryIdOf(const QTreeWidgetItem* categoryItem) const;
    CardList* listOf(const QTreeWidgetItem* categoryItem) const;
    void buildCategoryItems();
    void insertCardItems(QTreeWidgetItem* category);
    void setPicture(QTreeWidgetItem* item, int picture);
    void swapPicture(QTreeWidgetItem* item);
    void onCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void onItemDoubleClicked(QTreeWidgetItem* item);

    std::array<QTreeWidgetItem*, kCategoryCount> m_categoryItems{};
    int SelectedPosition = 0;
    int CardItemSelected = 0;
    bool m_ready = false;          // the first selection after building the tree is not handled
    bool m_expandingByCode = false;  // expanding from code leaves the pictures alone
};
