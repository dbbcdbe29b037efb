#include "ui/cards/QuorvaneView.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <vector>

#include "cardstore/CardList.h"
#include "ui/cards/CardHints.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/QtText.h"

namespace {
void errorBox(const QString& caption) { guiPrompter().message(QString(), caption, GuiPrompter::Icon::Information); }
}  // namespace

CQuorvaneView::CQuorvaneView(QWidget* parent) : QTreeView(parent), m_model(new CategoryTreeModel(this)) {
    setModel(m_model);
    header()->hide();
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::NoContextMenu);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &CQuorvaneView::onCurrentChanged);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& item) {
        if (!m_expandingByCode) {
            swapPicture(item);
        }
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& item) {
        if (!m_expandingByCode) {
            swapPicture(item);
        }
    });
    connect(this, &QTreeView::doubleClicked, this, &CQuorvaneView::onDoubleClicked);
}

CQuorvaneDoc* CQuorvaneView::GetDocument() const { return qobject_cast<CQuorvaneDoc*>(m_document); }

void CQuorvaneView::swapPicture(const QModelIndex& item) {
    // The picture in place decides, not the direction: closed becomes open and open closed.
    if (CategoryTreeModel::isCard(item)) {
        return;
    }
    const int category = CategoryTreeModel::categoryOf(item);
    const int current = m_model->picture(category);
    m_model->setPicture(category, current == ClosedPicture ? OpenPicture : ClosedPicture);
}

void CQuorvaneView::expandByCode(const QModelIndex& category) {
    m_expandingByCode = true;
    expand(category);
    m_expandingByCode = false;
}

CardList* CQuorvaneView::listOf(const QModelIndex& categoryItem) const {
    CQuorvaneDoc* document = GetDocument();
    if (!document || !categoryItem.isValid() || CategoryTreeModel::isCard(categoryItem)) {
        return nullptr;
    }
    return document->GetCategoryList(CategoryTreeModel::categoryOf(categoryItem));
}

void CQuorvaneView::OnInitialUpdate() {
    m_ready = false;
    for (int id = 0; id < kCategoryCount; ++id) {
        m_model->setPicture(id, ClosedPicture);
    }
    CQuorvaneDoc* document = GetDocument();
    m_model->setStore(document ? &document->store() : nullptr);
    SelectItem(GetCategoryItemAt(0));
    emit cardCountsChanged(webSitesCount(), GetTotalCardCount());
    m_ready = true;
}

void CQuorvaneView::OnUpdate(View*, const UpdateHint* hint) {
    if (!GetDocument()) {
        return;
    }
    // An update is not a selection by the user: a selected card item simply goes (the commands
    // reselect afterwards); a selected category stays.
    const QModelIndex current = currentIndex();
    const bool cardWasSelected = CategoryTreeModel::isCard(current);
    const int currentCategory = CategoryTreeModel::categoryOf(current);
    m_silent = true;
    if (cardWasSelected) {
        selectionModel()->clear();
    }
    if (const auto* changed = dynamic_cast<const CardsChangedHint*>(hint)) {
        switch (changed->kind) {
            case CardsChangedHint::Kind::Appended:
                m_model->cardAppended(changed->categoryId, changed->position);
                break;
            case CardsChangedHint::Kind::Removed:
                m_model->cardRemoved(changed->categoryId, changed->position);
                break;
            case CardsChangedHint::Kind::Changed:
                m_model->cardChanged(changed->categoryId, changed->position);
                break;
        }
    } else {
        // Everything anew; the categories keep their expanded state and a selected one stays selected.
        std::vector<int> open;
        for (int id = 0; id < kCategoryCount; ++id) {
            if (isExpanded(GetCategoryItemAt(id))) {
                open.push_back(id);
            }
        }
        m_model->rebuildAll();
        for (int id : open) {
            expandByCode(GetCategoryItemAt(id));
        }
        if (!cardWasSelected && currentCategory >= 0) {
            selectionModel()->setCurrentIndex(GetCategoryItemAt(currentCategory),
                                              QItemSelectionModel::ClearAndSelect);
        }
        // Many cards may have come or gone at once (an import): the bar's counts follow.
        emit cardCountsChanged(currentCategory >= 0 ? GetCategoryCardCount(GetCategoryItemAt(currentCategory)) : 0,
                               GetTotalCardCount());
    }
    m_silent = false;
    if (cardWasSelected) {
        emit selectionChanged();
    }
}

int CQuorvaneView::webSitesCount() const { return GetCategoryCardCount(GetCategoryItemAt(0)); }

void CQuorvaneView::OnActivateView(bool activate) {
    if (activate && GetDocument()) {
        emit activated();
    }
}

bool CQuorvaneView::IsCardItemCurrent() const { return CategoryTreeModel::isCard(currentIndex()) && GetDocument(); }

void CQuorvaneView::onCurrentChanged(const QModelIndex& current, const QModelIndex&) {
    CQuorvaneDoc* document = GetDocument();
    if (!m_ready || m_silent || !current.isValid() || !document) {
        return;
    }
    const int total = GetTotalCardCount();
    if (!CategoryTreeModel::isCard(current)) {
        emit cardCountsChanged(GetCategoryCardCount(current), total);
        document->UpdateAllViews(this);  // no card: the card list empties
        emit selectionChanged();
        return;
    }
    const QModelIndex category = current.parent();
    const int position = current.data(kPositionRole).toInt();
    emit cardCountsChanged(GetCategoryCardCount(category), total);
    ShowCard(position, category);
    SelectedPosition = position;
    CardItemSelected = 1;
    emit selectionChanged();
}

void CQuorvaneView::ShowCard(int position, const QModelIndex& category) {
    CQuorvaneDoc* document = GetDocument();
    CardList* list = listOf(category);
    Card* card = list ? list->GetCardAt(position) : nullptr;
    if (!document || !card) {
        return;
    }
    Labels labels{"", "", "", ""};
    document->GetLabelsForCategoryName(itemText(category), labels);
    const ShowCardHint hint(card, labels);
    document->UpdateAllViews(this, &hint);
}

void CQuorvaneView::onDoubleClicked() {
    const QModelIndex selected = currentIndex();
    SelectedPosition = selected.isValid() ? selected.data(kPositionRole).toInt() : 0;
    emit editCardRequested();
}

QString CQuorvaneView::GetSelectedCategoryName() const {
    const QModelIndex item = currentIndex();
    if (!item.isValid()) {
        return QString();
    }
    return itemText(CategoryTreeModel::isCard(item) ? item.parent() : item);
}

Card* CQuorvaneView::GetSelectedCard() const {
    const QModelIndex item = currentIndex();
    if (!CategoryTreeModel::isCard(item)) {
        return nullptr;
    }
    CardList* list = listOf(item.parent());
    return list ? list->GetCardAt(SelectedPosition) : nullptr;
}

QModelIndex CQuorvaneView::GetCategoryItem(const QString& name) const {
    return m_model->categoryIndex(categoryIdForDisplayName(name.toStdString()));
}

QModelIndex CQuorvaneView::GetCategoryItemAt(int categoryId) const { return m_model->categoryIndex(categoryId); }

int CQuorvaneView::GetCategoryCardCount(const QModelIndex& item) const {
    const CardList* list = listOf(item);
    return list ? list->GetCardCount() : 0;
}

int CQuorvaneView::GetTotalCardCount() const {
    int total = 0;
    for (int id = 0; id < kCategoryCount; ++id) {
        total += GetCategoryCardCount(GetCategoryItemAt(id));
    }
    return total;
}

void CQuorvaneView::SelectCardAtPosition(const QModelIndex& category, int n) {
    if (!category.isValid()) {
        return;
    }
    // Expanding from code does not swap the picture; the commands set it themselves.
    expandByCode(category);
    const int count = childCount(category);
    if (count == 0) {
        return;
    }
    const int index = n <= 0 ? 0 : n;
    SelectItem(index < count ? child(category, index) : QModelIndex());
}

void CQuorvaneView::SelectFirstOrLastCard(bool last) {
    QModelIndex item = currentIndex();
    if (!item.isValid()) {
        return;
    }
    if (CategoryTreeModel::isCard(item)) {
        item = item.parent();
    }
    const int count = GetCategoryCardCount(item);
    if (count > 0) {
        SelectCardAtPosition(item, last ? count - 1 : 0);
    }
}

void CQuorvaneView::SelectCardByListPosition(const QModelIndex& category, int position) {
    if (!category.isValid()) {
        return;
    }
    if (childCount(category) == 0) {
        SelectItem(category);
        return;
    }
    SelectItem(m_model->cardIndex(CategoryTreeModel::categoryOf(category), position));
}

void CQuorvaneView::SelectCardInCategory(const QModelIndex& category, int position) {
    if (!category.isValid()) {
        return;
    }
    expandByCode(category);
    SelectItem(m_model->cardIndex(CategoryTreeModel::categoryOf(category), position));
}

void CQuorvaneView::SetCategoryPicture(const QModelIndex& item, int count) {
    if (!item.isValid() || CategoryTreeModel::isCard(item) || count < 0) {
        return;
    }
    m_model->setPicture(CategoryTreeModel::categoryOf(item), count > 0 ? OpenPicture : ClosedPicture);
}

void CQuorvaneView::RenameSelectedItem(const QString& text) {
    const QModelIndex item = currentIndex();
    if (!item.isValid()) {
        errorBox(QStringLiteral("GetSelectedItem() Error"));
        return;
    }
    if (CategoryTreeModel::isCard(item)) {
        m_model->cardRenamedInPlace(CategoryTreeModel::categoryOf(item), item.data(kPositionRole).toInt(), text);
    }
}

void CQuorvaneView::SelectItem(const QModelIndex& item) {
    if (item.isValid()) {
        setCurrentIndex(item);
    } else {
        selectionModel()->clear();
    }
}
