#include "ui/cards/QuorvaneView.h"

#include <QHeaderView>
#include <algorithm>
#include <vector>

#include "docview/MdiChildFrame.h"
#include "cardstore/CardList.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/Icons.h"
#include "ui/common/QtText.h"
#include "ui/cards/CardHints.h"
#include "ui/cards/QuorvaneDoc.h"

namespace {
const QIcon& pictureIcon(int picture) {
    static const QIcon closed = icons::closedFolder();
    static const QIcon open = icons::openFolder();
    static const QIcon card = icons::card();
    return picture == CQuorvaneView::OpenPicture ? open : picture == CQuorvaneView::CardPicture ? card : closed;
}

void errorBox(const QString& caption) { guiPrompter().message(QString(), caption, GuiPrompter::Icon::Information); }
}  // namespace

CQuorvaneView::CQuorvaneView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    header()->hide();
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::NoContextMenu);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::currentItemChanged, this, &CQuorvaneView::onCurrentItemChanged);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (!m_expandingByCode) {
            swapPicture(item);
        }
    });
    connect(this, &QTreeWidget::itemCollapsed, this, &CQuorvaneView::swapPicture);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &CQuorvaneView::onItemDoubleClicked);
}

CQuorvaneDoc* CQuorvaneView::GetDocument() const { return qobject_cast<CQuorvaneDoc*>(m_document); }

int CQuorvaneView::picture(const QTreeWidgetItem* item) { return item->data(0, kPictureRole).toInt(); }

void CQuorvaneView::setPicture(QTreeWidgetItem* item, int picture) {
    item->setData(0, kPictureRole, picture);
    item->setIcon(0, pictureIcon(picture));
}

void CQuorvaneView::swapPicture(QTreeWidgetItem* item) {
    // The picture in place decides, not the direction: closed becomes open and open closed.
    const int current = picture(item);
    if (current == ClosedPicture) {
        setPicture(item, OpenPicture);
    } else if (current == OpenPicture) {
        setPicture(item, ClosedPicture);
    }
}

int CQuorvaneView::categoryIdOf(const QTreeWidgetItem* categoryItem) const {
    for (int id = 0; id < kCategoryCount; ++id) {
        if (categoryItem && m_categoryItems[static_cast<std::size_t>(id)] == categoryItem) {
            return id;
        }
    }
    return -1;
}

CardList* CQuorvaneView::listOf(const QTreeWidgetItem* categoryItem) const {
    const int id = categoryIdOf(categoryItem);
    CQuorvaneDoc* document = GetDocument();
    return document && id >= 0 ? document->GetCategoryList(id) : nullptr;
}

void CQuorvaneView::buildCategoryItems() {
    clear();
    for (int id = 0; id < kCategoryCount; ++id) {
        auto* item = new QTreeWidgetItem(this);
        item->setText(0, QString::fromStdString(categoryDisplayName(id)));
        item->setData(0, kPositionRole, 0);
        setPicture(item, ClosedPicture);
        m_categoryItems[static_cast<std::size_t>(id)] = item;
    }
}

void CQuorvaneView::OnInitialUpdate() {
    m_ready = false;
    buildCategoryItems();
    SelectItem(m_categoryItems[0]);
    emit cardCountsChanged(webSitesCount(), GetTotalCardCount());
    OnUpdate(nullptr, nullptr);
    m_ready = true;
}

void CQuorvaneView::OnUpdate(View*, const UpdateHint*) {
    if (!GetDocument() || !m_categoryItems[0]) {
        return;
    }
    // Rebuilding the card items is not a selection by the user: the tree's own notifications are
    // held back, and a selected card item simply goes (the commands reselect afterwards).
    QTreeWidgetItem* current = currentItem();
    const bool cardWasSelected = current && current->parent();
    const QSignalBlocker blocker(this);
    for (QTreeWidgetItem* category : m_categoryItems) {
        qDeleteAll(category->takeChildren());
        insertCardItems(category);
    }
    if (cardWasSelected) {
        setCurrentItem(nullptr);
        emit selectionChanged();
    }
}

void CQuorvaneView::insertCardItems(QTreeWidgetItem* category) {
    CardList* list = listOf(category);
    if (!list) {
        return;
    }
    // Card items stand in alphabetical order ignoring case; equal names keep their list order.
    // Sorting once (stable) gives the same order as inserting each item at its sorted place, without
    // the quadratic cost for a category of many cards.
    struct Entry {
        QString text;
        int position;
    };
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(list->GetCardCount()));
    for (int i = 0; i < list->GetCardCount(); ++i) {
        Card* card = list->GetCardAt(i);
        if (!card) {
            errorBox(QStringLiteral("InsertItemError"));
            continue;
        }
        entries.push_back({fromCardText(card->firstField), i});
        card->listPosition = i;
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return QString::compare(a.text, b.text, Qt::CaseInsensitive) < 0;
    });
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(entries.size()));
    for (const Entry& entry : entries) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, entry.text);
        item->setData(0, kPositionRole, entry.position);
        setPicture(item, CardPicture);
        items.append(item);
    }
    category->addChildren(items);
}

int CQuorvaneView::webSitesCount() const { return GetCategoryCardCount(m_categoryItems[0]); }

void CQuorvaneView::OnActivateView(bool activate) {
    if (activate && GetDocument()) {
        emit activated();
    }
}

bool CQuorvaneView::IsCardItemCurrent() const {
    const QTreeWidgetItem* item = currentItem();
    return item && item->parent() && GetDocument();
}

void CQuorvaneView::onCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem*) {
    CQuorvaneDoc* document = GetDocument();
    if (!m_ready || !current || !document) {
        return;
    }
    const int total = GetTotalCardCount();
    QTreeWidgetItem* category = current->parent();
    if (!category) {
        emit cardCountsChanged(GetCategoryCardCount(current), total);
        document->UpdateAllViews(this);  // no card: the card list empties
        emit selectionChanged();
        return;
    }
    const int position = current->data(0, kPositionRole).toInt();
    emit cardCountsChanged(GetCategoryCardCount(category), total);
    ShowCard(position, category);
    SelectedPosition = position;
    CardItemSelected = 1;
    emit selectionChanged();
}

void CQuorvaneView::ShowCard(int position, QTreeWidgetItem* category) {
    CQuorvaneDoc* document = GetDocument();
    CardList* list = listOf(category);
    Card* card = list ? list->GetCardAt(position) : nullptr;
    if (!document || !card) {
        return;
    }
    Labels labels{"", "", "", ""};
    document->GetLabelsForCategoryName(category->text(0), labels);
    const ShowCardHint hint(card, labels);
    document->UpdateAllViews(this, &hint);
}

void CQuorvaneView::onItemDoubleClicked(QTreeWidgetItem*) {
    QTreeWidgetItem* selected = currentItem();
    SelectedPosition = selected ? selected->data(0, kPositionRole).toInt() : 0;
    emit editCardRequested();
}

QString CQuorvaneView::GetSelectedCategoryName() const {
    const QTreeWidgetItem* item = currentItem();
    if (!item) {
        return QString();
    }
    return item->parent() ? item->parent()->text(0) : item->text(0);
}

Card* CQuorvaneView::GetSelectedCard() const {
    const QTreeWidgetItem* item = currentItem();
    if (!item || !item->parent()) {
        return nullptr;
    }
    CardList* list = listOf(item->parent());
    return list ? list->GetCardAt(SelectedPosition) : nullptr;
}

QTreeWidgetItem* CQuorvaneView::GetCategoryItem(const QString& name) const {
    for (QTreeWidgetItem* item : m_categoryItems) {
        if (item && item->text(0) == name) {
            return item;
        }
    }
    return nullptr;
}

QTreeWidgetItem* CQuorvaneView::GetCategoryItemAt(int categoryId) const {
    return categoryId >= 0 && categoryId < kCategoryCount ? m_categoryItems[static_cast<std::size_t>(categoryId)]
                                                          : nullptr;
}

int CQuorvaneView::GetCategoryCardCount(QTreeWidgetItem* item) const {
    const CardList* list = listOf(item);
    return list ? list->GetCardCount() : 0;
}

int CQuorvaneView::GetTotalCardCount() const {
    int total = 0;
    for (QTreeWidgetItem* item : m_categoryItems) {
        total += GetCategoryCardCount(item);
    }
    return total;
}

void CQuorvaneView::SelectCardAtPosition(QTreeWidgetItem* category, int n) {
    if (!category) {
        return;
    }
    {
        // Expanding from code does not swap the picture; the commands set it themselves.
        m_expandingByCode = true;
        category->setExpanded(true);
        m_expandingByCode = false;
    }
    if (category->childCount() == 0) {
        return;
    }
    const int index = n <= 0 ? 0 : n;
    SelectItem(index < category->childCount() ? category->child(index) : nullptr);
}

void CQuorvaneView::SelectFirstOrLastCard(bool last) {
    QTreeWidgetItem* item = currentItem();
    if (!item) {
        return;
    }
    if (item->parent()) {
        item = item->parent();
    }
    const int count = GetCategoryCardCount(item);
    if (count > 0) {
        SelectCardAtPosition(item, last ? count - 1 : 0);
    }
}

void CQuorvaneView::SelectCardByListPosition(QTreeWidgetItem* category, int position) {
    if (!category) {
        return;
    }
    if (category->childCount() == 0) {
        SelectItem(category);
        return;
    }
    for (int k = 0; k < category->childCount(); ++k) {
        if (category->child(k)->data(0, kPositionRole).toInt() == position) {
            SelectItem(category->child(k));
            return;
        }
    }
    SelectItem(nullptr);
}

void CQuorvaneView::SelectCardInCategory(QTreeWidgetItem* category, int position) {
    if (!category) {
        return;
    }
    m_expandingByCode = true;
    category->setExpanded(true);
    m_expandingByCode = false;
    for (int k = 0; k < category->childCount(); ++k) {
        if (category->child(k)->data(0, kPositionRole).toInt() == position) {
            SelectItem(category->child(k));
            return;
        }
    }
    SelectItem(nullptr);
}

void CQuorvaneView::SetCategoryPicture(QTreeWidgetItem* item, int count) {
    if (!item || count < 0) {
        return;
    }
    setPicture(item, count > 0 ? OpenPicture : ClosedPicture);
}

void CQuorvaneView::RenameSelectedItem(const QString& text) {
    QTreeWidgetItem* item = currentItem();
    if (!item) {
        errorBox(QStringLiteral("GetSelectedItem() Error"));
        return;
    }
    item->setText(0, text);
}

void CQuorvaneView::SelectItem(QTreeWidgetItem* item) {
    if (item) {
        setCurrentItem(item);
    } else {
        setCurrentItem(nullptr);
        clearSelection();
    }
}
