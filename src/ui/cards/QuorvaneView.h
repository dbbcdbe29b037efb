#pragma once
// CQuorvaneView: the category tree on the left of a card window. Fifteen category items with the
// cards of each as children, sorted by name without regard to case. Selecting an item announces
// the new counts and selection, and makes the card list show the selected card. The items come
// from a CategoryTreeModel over the document's card lists; updates that say which card changed
// touch its row only.

#include <QTreeView>

#include "docview/View.h"
#include "ui/cards/CategoryTreeModel.h"

class CardList;
class CQuorvaneDoc;
struct Card;

/// Which card changed, so the tree can touch one row instead of rebuilding. Other views treat it
/// as any update.
struct CardsChangedHint : UpdateHint {
    enum class Kind { Appended, Removed, Changed };
    CardsChangedHint(Kind what, int category, int listPosition)
        : kind(what), categoryId(category), position(listPosition) {}
    Kind kind;
    int categoryId;
    int position;
};

class CQuorvaneView : public QTreeView, public View {
    Q_OBJECT
public:
    using Picture = CategoryTreeModel::Picture;
    static constexpr Picture ClosedPicture = CategoryTreeModel::ClosedPicture;
    static constexpr Picture OpenPicture = CategoryTreeModel::OpenPicture;
    static constexpr Picture CardPicture = CategoryTreeModel::CardPicture;
    static constexpr int kPositionRole = CategoryTreeModel::kPositionRole;
    static constexpr int kPictureRole = CategoryTreeModel::kPictureRole;

    explicit CQuorvaneView(QWidget* parent = nullptr);

    QWidget* widget() override { return this; }
    CQuorvaneDoc* GetDocument() const;
    CategoryTreeModel* cardModel() const { return m_model; }
    void OnInitialUpdate() override;
    void OnUpdate(View* sender, const UpdateHint* hint) override;
    void OnActivateView(bool activate) override;

    QString GetSelectedCategoryName() const;
    /// The card of the selected card item, or nullptr while a category (or nothing) is selected.
    Card* GetSelectedCard() const;
    QModelIndex GetCategoryItem(const QString& name) const;
    QModelIndex GetCategoryItemAt(int categoryId) const;
    int GetCategoryCardCount(const QModelIndex& item) const;
    /// Cards in the fifteen shown categories (deleted cards excluded).
    int GetTotalCardCount() const;
    /// Expands `category` and selects its n-th card item from the top (nothing past the last one).
    void SelectCardAtPosition(const QModelIndex& category, int n);
    void SelectFirstOrLastCard(bool last);
    /// Selects the card item of `category` carrying list position `position` (none if no item does).
    void SelectCardByListPosition(const QModelIndex& category, int position);
    /// Expands `category` and selects the card item carrying list position `position`, so the card
    /// just added, pasted or changed is the one shown (nothing selected when no item carries it).
    void SelectCardInCategory(const QModelIndex& category, int position);
    void SetCategoryPicture(const QModelIndex& item, int count);
    /// Shows `text` as the selected card's name, in place (the card items are re-sorted by the
    /// next change that rebuilds the category).
    void RenameSelectedItem(const QString& text);
    /// Makes the other views show the card at `position` of `category`'s list.
    void ShowCard(int position, const QModelIndex& category);
    int GetSelectedPosition() const { return SelectedPosition; }
    void SetCardItemSelected(int flag) { CardItemSelected = flag; }
    int IsCardItemSelected() const { return CardItemSelected; }
    void SelectItem(const QModelIndex& item);

    /// The tree's current item is a card item (the selection as it is now, not as last reported).
    bool IsCardItemCurrent() const;
    /// The cards of "WWW Sites", the category the counts show when the tree becomes active.
    int webSitesCount() const;

    // Reading the items, for the commands and tests.
    QString itemText(const QModelIndex& item) const { return item.data().toString(); }
    int childCount(const QModelIndex& item) const { return m_model->rowCount(item); }
    QModelIndex child(const QModelIndex& item, int row) const { return m_model->index(row, 0, item); }
    static int picture(const QModelIndex& item) { return item.data(kPictureRole).toInt(); }

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
    CardList* listOf(const QModelIndex& categoryItem) const;
    void swapPicture(const QModelIndex& item);
    void expandByCode(const QModelIndex& category);
    void onCurrentChanged(const QModelIndex& current, const QModelIndex& previous);
    void onDoubleClicked();

    CategoryTreeModel* m_model;
    int SelectedPosition = 0;
    int CardItemSelected = 0;
    bool m_ready = false;            // the first selection after building the tree is not handled
    bool m_expandingByCode = false;  // expanding from code leaves the pictures alone
    bool m_silent = false;           // selection changes made while updating are not the user's
};
