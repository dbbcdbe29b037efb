#include "ui/cards/CategoryTreeModel.h"

#include <algorithm>
#include <cstdint>

#include "cardstore/CardStore.h"
#include "ui/common/Icons.h"
#include "ui/common/QtText.h"

namespace {

// Each Windows-1252 byte as the case-folded UTF-16 unit it stands for: comparing names through this
// table orders them exactly as comparing their QStrings without regard to case, without making a
// QString per card.
const std::array<char16_t, 256>& foldTable() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const QString s = fromCardText(std::string(1, static_cast<char>(b)));
            t[static_cast<std::size_t>(b)] = s.isEmpty() ? char16_t(b) : s.at(0).toCaseFolded().unicode();
        }
        return t;
    }();
    return table;
}

// Each byte's place among the folded units above, 1-255 (0 is left for "no more characters"):
// comparing names byte by byte through this table orders them as comparing the folded units does.
const std::array<std::uint8_t, 256>& rankTable() {
    static const std::array<std::uint8_t, 256> table = [] {
        const auto& fold = foldTable();
        std::array<char16_t, 256> units = fold;
        std::sort(units.begin(), units.end());
        const auto end = std::unique(units.begin(), units.end());
        std::array<std::uint8_t, 256> t{};
        for (int b = 1; b < 256; ++b) {
            const auto at = std::lower_bound(units.begin(), end, fold[static_cast<std::size_t>(b)]);
            // The NUL byte folds to the smallest unit; every other byte ranks from 1 up.
            t[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(std::max<std::ptrdiff_t>(1, at - units.begin()));
        }
        return t;
    }();
    return table;
}

// The first sixteen ranked bytes of a name as two big-endian words: most comparisons while
// sorting are settled by these two numbers alone, without reaching into the cards.
struct SortKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    int position = 0;
};

SortKey sortKey(const std::string& name, int position) {
    const auto& rank = rankTable();
    SortKey key;
    key.position = position;
    for (std::size_t i = 0; i < 16; ++i) {
        const std::uint64_t byte = i < name.size() ? rank[static_cast<unsigned char>(name[i])] : 0;
        (i < 8 ? key.high : key.low) |= byte << (8 * (7 - i % 8));
    }
    return key;
}

/// True when `a` sorts before `b` ignoring case.
bool nameLess(const std::string& a, const std::string& b) {
    const auto& fold = foldTable();
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t x = fold[static_cast<unsigned char>(a[i])];
        const char16_t y = fold[static_cast<unsigned char>(b[i])];
        if (x != y) {
            return x < y;
        }
    }
    return a.size() < b.size();
}

}  // namespace

CategoryTreeModel::CategoryTreeModel(QObject* parent)
    : QAbstractItemModel(parent), m_icons{icons::closedFolder(), icons::openFolder(), icons::card()} {}

void CategoryTreeModel::setStore(CardStore* store) {
    m_store = store;
    rebuildAll();
}

const std::vector<int>& CategoryTreeModel::orderOf(int categoryId) const {
    Category& category = m_categories[static_cast<std::size_t>(categoryId)];
    if (!category.made) {
        // The cards the views know of: a card appended to the list and not announced yet stays out.
        category.order = sortedOrder(categoryId, category.rows);
        category.made = true;
    }
    return category.order;
}

std::vector<int> CategoryTreeModel::sortedOrder(int categoryId, int count) const {
    std::vector<int> order;
    const CardList* list = m_store ? m_store->GetCategoryList(categoryId) : nullptr;
    if (!list) {
        return order;
    }
    const int cards = count < 0 ? list->GetCardCount() : std::min(count, list->GetCardCount());
    order.reserve(static_cast<std::size_t>(cards));
    for (int i = 0; i < cards; ++i) {
        if (Card* card = list->GetCardAt(i)) {
            card->listPosition = i;
            order.push_back(i);
        }
    }
    std::vector<SortKey> keys;
    keys.reserve(order.size());
    for (int position : order) {
        keys.push_back(sortKey(list->GetCardAt(position)->firstField, position));
    }
    // Equal names keep their list order: the position decides last.
    std::sort(keys.begin(), keys.end(), [list](const SortKey& a, const SortKey& b) {
        if (a.high != b.high) {
            return a.high < b.high;
        }
        if (a.low != b.low) {
            return a.low < b.low;
        }
        const std::string& nameA = list->GetCardAt(a.position)->firstField;
        const std::string& nameB = list->GetCardAt(b.position)->firstField;
        if (nameA.size() > 16 || nameB.size() > 16) {
            if (nameLess(nameA, nameB)) {
                return true;
            }
            if (nameLess(nameB, nameA)) {
                return false;
            }
        }
        return a.position < b.position;
    });
    for (std::size_t i = 0; i < keys.size(); ++i) {
        order[i] = keys[i].position;
    }
    return order;
}

void CategoryTreeModel::rebuildAll() {
    beginResetModel();
    for (int id = 0; id < kCategoryCount; ++id) {
        Category& category = m_categories[static_cast<std::size_t>(id)];
        const CardList* list = m_store ? m_store->GetCategoryList(id) : nullptr;
        category.order = std::vector<int>();
        category.rows = list ? list->GetCardCount() : 0;
        category.made = false;
        category.sorted = true;
        category.renamed.clear();
    }
    endResetModel();
}

void CategoryTreeModel::rebuildCategory(int categoryId) {
    Category& category = m_categories[static_cast<std::size_t>(categoryId)];
    const QModelIndex parent = categoryIndex(categoryId);
    if (category.rows > 0) {
        beginRemoveRows(parent, 0, category.rows - 1);
        category.order.clear();
        category.rows = 0;
        endRemoveRows();
    }
    category.order.clear();
    category.made = true;
    std::vector<int> order = sortedOrder(categoryId);
    if (!order.empty()) {
        beginInsertRows(parent, 0, static_cast<int>(order.size()) - 1);
        category.order = std::move(order);
        category.rows = static_cast<int>(category.order.size());
        endInsertRows();
    }
    category.sorted = true;
    category.renamed.clear();
}

int CategoryTreeModel::insertionRow(int categoryId, int position) const {
    const CardList* list = m_store->GetCategoryList(categoryId);
    const std::string& name = list->GetCardAt(position)->firstField;
    const std::vector<int>& order = orderOf(categoryId);
    // After every card that does not sort after it, and among equal names by list position.
    const auto at = std::partition_point(order.begin(), order.end(), [&](int other) {
        const std::string& otherName = list->GetCardAt(other)->firstField;
        if (nameLess(name, otherName)) {
            return false;
        }
        return nameLess(otherName, name) || other < position;
    });
    return static_cast<int>(at - order.begin());
}

int CategoryTreeModel::rowOfPosition(int categoryId, int position) const {
    const std::vector<int>& order = orderOf(categoryId);
    const auto at = std::find(order.begin(), order.end(), position);
    return at == order.end() ? -1 : static_cast<int>(at - order.begin());
}

void CategoryTreeModel::cardAppended(int categoryId, int position) {
    const CardList* list = m_store ? m_store->GetCategoryList(categoryId) : nullptr;
    Card* card = list ? list->GetCardAt(position) : nullptr;
    if (categoryId < 0 || categoryId >= kCategoryCount || !card) {
        return;
    }
    Category& category = m_categories[static_cast<std::size_t>(categoryId)];
    card->listPosition = position;
    if (!category.made) {
        // No row of the category was read: one row more, and the order made later puts the card in its place.
        beginInsertRows(categoryIndex(categoryId), category.rows, category.rows);
        ++category.rows;
        endInsertRows();
        return;
    }
    if (!category.sorted) {
        rebuildCategory(categoryId);
        return;
    }
    const int row = insertionRow(categoryId, position);
    beginInsertRows(categoryIndex(categoryId), row, row);
    category.order.insert(category.order.begin() + row, position);
    ++category.rows;
    endInsertRows();
}

void CategoryTreeModel::cardRemoved(int categoryId, int position) {
    if (categoryId < 0 || categoryId >= kCategoryCount || !m_store) {
        return;
    }
    Category& category = m_categories[static_cast<std::size_t>(categoryId)];
    const CardList* list = m_store->GetCategoryList(categoryId);
    if (!category.made) {
        // As for an added card: one row less; the cards after it move up one place in the list.
        if (category.rows > 0) {
            beginRemoveRows(categoryIndex(categoryId), category.rows - 1, category.rows - 1);
            --category.rows;
            endRemoveRows();
        }
        for (int i = position; list && i < list->GetCardCount(); ++i) {
            list->GetCardAt(i)->listPosition = i;
        }
        return;
    }
    if (!category.sorted) {
        rebuildCategory(categoryId);
        return;
    }
    const int row = rowOfPosition(categoryId, position);
    if (row >= 0) {
        beginRemoveRows(categoryIndex(categoryId), row, row);
        category.order.erase(category.order.begin() + row);
        --category.rows;
        endRemoveRows();
    }
    // The cards after it moved up one place in the list; the rows keep their order.
    for (int& p : category.order) {
        if (p > position) {
            --p;
        }
    }
    for (int i = position; list && i < list->GetCardCount(); ++i) {
        list->GetCardAt(i)->listPosition = i;
    }
    if (!category.order.empty()) {
        const QModelIndex parent = categoryIndex(categoryId);
        emit dataChanged(index(0, 0, parent), index(static_cast<int>(category.order.size()) - 1, 0, parent),
                         {kPositionRole});
    }
}

void CategoryTreeModel::cardChanged(int categoryId, int position) {
    if (categoryId < 0 || categoryId >= kCategoryCount || !m_store || !m_store->GetCategoryList(categoryId) ||
        !m_store->GetCategoryList(categoryId)->GetCardAt(position)) {
        return;
    }
    Category& category = m_categories[static_cast<std::size_t>(categoryId)];
    if (!category.made) {
        return;  // no row shows it yet: the order made later sorts it by its new name
    }
    const int row = rowOfPosition(categoryId, position);
    if (!category.sorted || row < 0) {
        rebuildCategory(categoryId);
        return;
    }
    const QModelIndex parent = categoryIndex(categoryId);
    // Take the row out of the order, find where the new name goes, and move it there.
    category.order.erase(category.order.begin() + row);
    const int to = insertionRow(categoryId, position);
    category.order.insert(category.order.begin() + row, position);
    if (to != row) {
        // Qt counts the destination before the move: one further down when moving down.
        beginMoveRows(parent, row, row, parent, to > row ? to + 1 : to);
        category.order.erase(category.order.begin() + row);
        category.order.insert(category.order.begin() + to, position);
        endMoveRows();
    }
    const QModelIndex moved = index(to, 0, parent);
    emit dataChanged(moved, moved);
}

void CategoryTreeModel::cardRenamedInPlace(int categoryId, int position, const QString& text) {
    const int row = categoryId >= 0 && categoryId < kCategoryCount ? rowOfPosition(categoryId, position) : -1;
    if (row < 0) {
        return;
    }
    Category& category = m_categories[static_cast<std::size_t>(categoryId)];
    category.sorted = false;
    category.renamed[position] = text;
    const QModelIndex changed = index(row, 0, categoryIndex(categoryId));
    emit dataChanged(changed, changed);
}

QModelIndex CategoryTreeModel::categoryIndex(int categoryId) const {
    return categoryId >= 0 && categoryId < kCategoryCount ? createIndex(categoryId, 0, quintptr(0)) : QModelIndex();
}

QModelIndex CategoryTreeModel::cardIndex(int categoryId, int position) const {
    const int row = categoryId >= 0 && categoryId < kCategoryCount ? rowOfPosition(categoryId, position) : -1;
    return row < 0 ? QModelIndex() : createIndex(row, 0, quintptr(categoryId + 1));
}

int CategoryTreeModel::categoryOf(const QModelIndex& index) {
    if (!index.isValid()) {
        return -1;
    }
    return index.internalId() == 0 ? index.row() : static_cast<int>(index.internalId()) - 1;
}

Card* CategoryTreeModel::cardAt(const QModelIndex& index) const {
    if (!isCard(index) || !m_store) {
        return nullptr;
    }
    const int categoryId = categoryOf(index);
    const std::vector<int>& order = orderOf(categoryId);
    if (index.row() < 0 || static_cast<std::size_t>(index.row()) >= order.size()) {
        return nullptr;
    }
    return m_store->GetCategoryList(categoryId)->GetCardAt(order[static_cast<std::size_t>(index.row())]);
}

void CategoryTreeModel::setPicture(int categoryId, int picture) {
    if (categoryId < 0 || categoryId >= kCategoryCount) {
        return;
    }
    m_pictures[static_cast<std::size_t>(categoryId)] = picture;
    const QModelIndex changed = categoryIndex(categoryId);
    emit dataChanged(changed, changed, {Qt::DecorationRole, kPictureRole});
}

QModelIndex CategoryTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return QModelIndex();
    }
    if (!parent.isValid()) {
        return row < kCategoryCount ? createIndex(row, 0, quintptr(0)) : QModelIndex();
    }
    if (isCard(parent) || parent.row() >= kCategoryCount ||
        row >= m_categories[static_cast<std::size_t>(parent.row())].rows) {
        return QModelIndex();
    }
    return createIndex(row, 0, quintptr(parent.row() + 1));
}

QModelIndex CategoryTreeModel::parent(const QModelIndex& child) const {
    return isCard(child) ? categoryIndex(categoryOf(child)) : QModelIndex();
}

int CategoryTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return kCategoryCount;
    }
    return isCard(parent) || parent.row() >= kCategoryCount ? 0
                                                            : m_categories[static_cast<std::size_t>(parent.row())].rows;
}

int CategoryTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant CategoryTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return QVariant();
    }
    const int categoryId = categoryOf(index);
    if (!isCard(index)) {
        switch (role) {
            case Qt::DisplayRole:
                return QString::fromStdString(categoryDisplayName(categoryId));
            case Qt::DecorationRole:
                return m_icons[static_cast<std::size_t>(picture(categoryId))];
            case kPositionRole:
                return 0;
            case kPictureRole:
                return picture(categoryId);
            default:
                return QVariant();
        }
    }
    const Card* card = cardAt(index);  // makes the category's order
    const std::vector<int>& order = orderOf(categoryId);
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= order.size()) {
        return QVariant();
    }
    switch (role) {
        case Qt::DisplayRole: {
            const auto& renamed = m_categories[static_cast<std::size_t>(categoryId)].renamed;
            if (!renamed.empty()) {
                const auto it = renamed.find(order[row]);
                if (it != renamed.end()) {
                    return it->second;
                }
            }
            return card ? fromCardText(card->firstField) : QString();
        }
        case Qt::DecorationRole:
            return m_icons[CardPicture];
        case kPositionRole:
            return order[row];
        case kPictureRole:
            return int(CardPicture);
        default:
            return QVariant();
    }
}

Qt::ItemFlags CategoryTreeModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
