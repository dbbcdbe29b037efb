#pragma once
// The category tree as an item model over a document's card lists: fifteen category rows, each
// with its cards as children in name order (ignoring case; equal names keep their list order).
// Each category keeps a sorted index of list positions, so adding, removing or renaming one card
// touches single rows instead of rebuilding a tree of perhaps a million items. That index is made
// when a row's card is first asked for (a category opened, a card selected or found), not when the
// document is shown: until then the category has only its number of rows, in which a card added or
// removed is a row more or less.

#include <QAbstractItemModel>
#include <QIcon>
#include <array>
#include <map>
#include <vector>

#include "cardstore/Categories.h"

class CardStore;
struct Card;

class CategoryTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Picture { ClosedPicture = 0, OpenPicture = 1, CardPicture = 2 };
    static constexpr int kPositionRole = Qt::UserRole;     // a card row's list position; 0 for categories
    static constexpr int kPictureRole = Qt::UserRole + 1;  // the row's Picture

    explicit CategoryTreeModel(QObject* parent = nullptr);

    /// Shows `store` (or nothing), every category rebuilt; the category pictures stay.
    void setStore(CardStore* store);
    CardStore* store() const { return m_store; }

    /// Rebuilds every category's rows from the lists; each category's order is made, and its cards'
    /// listPosition set, when its cards are first asked for.
    void rebuildAll();
    /// Card `position` was appended to category `categoryId`'s list: one row goes in at its place.
    void cardAppended(int categoryId, int position);
    /// The card that stood at `position` left the list; later positions moved down by one.
    void cardRemoved(int categoryId, int position);
    /// The card at `position` changed: its row shows the new name and moves to its place.
    void cardChanged(int categoryId, int position);
    /// The row of the card at `position` shows `text` but stays where it is, until the category is
    /// rebuilt (as the tree shows a renamed card in place).
    void cardRenamedInPlace(int categoryId, int position, const QString& text);

    QModelIndex categoryIndex(int categoryId) const;
    /// The row of the card at list `position` in `categoryId`; invalid when no row carries it.
    QModelIndex cardIndex(int categoryId, int position) const;
    /// 0-14 for a category row or a card row's category; -1 for anything else.
    static int categoryOf(const QModelIndex& index);
    static bool isCard(const QModelIndex& index) { return index.isValid() && index.internalId() != 0; }
    /// The card a card row stands for.
    Card* cardAt(const QModelIndex& index) const;

    int picture(int categoryId) const { return m_pictures[static_cast<std::size_t>(categoryId)]; }
    void setPicture(int categoryId, int picture);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Category {
        std::vector<int> order;          // list positions in row order, once made
        int rows = 0;                    // the rows the views know of: order.size() once it is made
        bool made = true;                // false until a row's card is asked for: the order is not made yet
        bool sorted = true;              // false once a row was renamed in place
        std::map<int, QString> renamed;  // texts shown in place of a card's name, by list position
    };

    /// The category's order, made from its list first when it is not made yet.
    const std::vector<int>& orderOf(int categoryId) const;
    /// The order of the list's first `count` cards (all when -1), setting their listPosition.
    std::vector<int> sortedOrder(int categoryId, int count = -1) const;
    void rebuildCategory(int categoryId);
    /// The row a card at `position` goes to so the order stays sorted and stable.
    int insertionRow(int categoryId, int position) const;
    int rowOfPosition(int categoryId, int position) const;

    CardStore* m_store = nullptr;
    // Mutable: the order is made on the first read that needs it.
    mutable std::array<Category, kCategoryCount> m_categories;
    std::array<int, kCategoryCount> m_pictures{};
    std::array<QIcon, 3> m_icons;
};
