#include "ui/cards/QuorvaneListView.h"

#include <QDateTime>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "docview/MdiChildFrame.h"
#include "cardstore/DateStamp.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/CardActions.h"
#include "ui/cards/CardDlg.h"
#include "ui/cards/CardHints.h"
#include "ui/cards/NoteDlg.h"
#include "ui/cards/CardRows.h"
#include "ui/cards/ChildFrame.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/Platform.h"
#include "ui/common/QtText.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/otp/CardCode.h"

namespace {
const QColor kBlue(0, 0, 255);
}

CQuorvaneListView::CQuorvaneListView(QWidget* parent) : QTreeWidget(parent), m_codeTimer(this) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setContextMenuPolicy(Qt::NoContextMenu);
    setTextElideMode(Qt::ElideRight);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    m_codeTimer.setObjectName(QStringLiteral("oneTimeCodeTimer"));  // tests look at it by name
    m_codeTimer.setSingleShot(true);
    m_codeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_codeTimer, &QTimer::timeout, this, &CQuorvaneListView::updateCodeRow);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OnRowDoubleClicked(indexOfTopLevelItem(item)); });
}

CQuorvaneDoc* CQuorvaneListView::GetDocument() const { return qobject_cast<CQuorvaneDoc*>(m_document); }

void CQuorvaneListView::setBlueText() {
    QPalette p = palette();
    p.setColor(QPalette::Text, kBlue);
    setPalette(p);
}

void CQuorvaneListView::OnInitialUpdate() {
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("Field"), QStringLiteral("Data")});
    setColumnWidth(0, kFieldColumnWidth);
    setColumnWidth(1, 400);
    headerItem()->setTextAlignment(0, Qt::AlignLeft);
    headerItem()->setTextAlignment(1, Qt::AlignLeft);
    setBlueText();
    OnUpdate(nullptr, nullptr);
}

void CQuorvaneListView::OnUpdate(View*, const UpdateHint* hint) {
    if (const auto* show = dynamic_cast<const ShowCardHint*>(hint); show && show->card) {
        ShowCard(show->card, show->labels);
        return;
    }
    ShownCard = nullptr;
    stopCodeRow();
    clear();
}

void CQuorvaneListView::refreshShownCard() {
    if (ShownCard) {
        ShowCard(ShownCard, m_shownLabels);
    }
}

void CQuorvaneListView::ShowCard(Card* card, const Labels& labels) {
    ShownCard = card;
    m_shownLabels = labels;
    stopCodeRow();
    clear();
    setBlueText();
    // The date follows the date format in force now.
    const CQuorvaneDoc* document = GetDocument();
    const int format = document ? readSetting(document->settings(), settings::kDateFormat) : 0;
    card->dateText = FormatDateStamp(card->dateStamp, format);
    const std::string name = categoryDisplayName(card->categoryId);
    for (const auto& [field, data] : cardRows(*card, labels, name)) {
        auto* item = new QTreeWidgetItem(this);
        item->setText(0, fromCardText(field));
        item->setText(1, fromCardText(data));
        item->setForeground(0, kBlue);
        item->setForeground(1, kBlue);
    }
    updateCodeRow();
    fitFieldColumn();
}

void CQuorvaneListView::stopCodeRow() {
    m_codeTimer.stop();
    m_codeItem = nullptr;  // clear() deletes it with the other rows
}

void CQuorvaneListView::updateCodeRow() {
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    const std::optional<CodeRow> row = ShownCard ? oneTimeCodeRow(ShownCard->note, nowMs / 1000) : std::nullopt;
    if (!row) {
        if (m_codeItem) {
            delete m_codeItem;
            m_codeItem = nullptr;
        }
        m_codeTimer.stop();
        return;
    }
    if (!m_codeItem) {
        m_codeItem = new QTreeWidgetItem(this);
        m_codeItem->setText(0, QStringLiteral("One-time code:"));
        m_codeItem->setForeground(0, kBlue);
        m_codeItem->setForeground(1, kBlue);
    }
    m_codeItem->setText(1, row->text);
    if (row->changesWithTime) {
        m_codeTimer.start(static_cast<int>(1000 - nowMs % 1000) + 5);  // just past the next whole second
    } else {
        m_codeTimer.stop();
    }
}

QString CQuorvaneListView::oneTimeCodeText() const { return m_codeItem ? m_codeItem->text(1) : QString(); }

void CQuorvaneListView::fitFieldColumn() {
    // The labels are never cut ("Automatic Ac…"): the column is as wide as its longest one, with the
    // margins the item delegate keeps on either side of a text, and never narrower than at first.
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 4;
    int widest = header()->fontMetrics().horizontalAdvance(headerItem()->text(0));
    for (int row = 0; row < topLevelItemCount(); ++row) {
        widest = std::max(widest, fontMetrics().horizontalAdvance(topLevelItem(row)->text(0)));
    }
    setColumnWidth(0, std::max(kFieldColumnWidth, widest + margins));
}

void CQuorvaneListView::OnRowClicked(int row) {
    if (QTreeWidgetItem* item = topLevelItem(row)) {
        setCurrentItem(item);
    }
}

int CQuorvaneListView::SelectedRow() const {
    QTreeWidgetItem* item = ShownCard ? currentItem() : nullptr;
    return item ? indexOfTopLevelItem(item) : -1;
}

CardRowKind CQuorvaneListView::SelectedRowKind() const {
    if (!ShownCard) {
        return CardRowKind::None;
    }
    return cardRowKind(SelectedRow(), isWebCategory(categoryDisplayName(ShownCard->categoryId)));
}

std::string CQuorvaneListView::SelectedRowText() const {
    return ShownCard ? clipboardTextOf(*ShownCard, SelectedRowKind()) : std::string();
}

void CQuorvaneListView::OnRowDoubleClicked(int row) {
    CQuorvaneDoc* document = GetDocument();
    auto* window = qobject_cast<CChildFrame*>(GetParentFrame());
    if (!document || !window) {
        return;
    }
    CQuorvaneView* tree = window->tree();
    const int position = tree->GetSelectedPosition();
    const QString name = ShownCard ? QString::fromStdString(categoryDisplayName(ShownCard->categoryId)) : QString();
    const bool web = isWebCategory(name.toStdString());
    if (ShownCard && processorFlag() == 0) {
        // The card shown is the stored one: it is changed in place.
        Card& card = *ShownCard;
        if ((row >= 0 && row <= 3) || row == 7) {
            CCardDlg editor(cardactions::editorDataFor(card, *document, web), this);
            if (guiPrompter().exec(editor) == QDialog::Accepted && cardactions::applyEditorData(editor.data(), card)) {
                document->SetModifiedFlag();
            }
        } else if (row == 4) {
            CNoteDlg editor(fromCardText(card.note), this);
            if (guiPrompter().exec(editor) == QDialog::Accepted) {
                if (const std::optional<std::string> note = toCardText(editor.note())) {
                    card.note = *note;
                    document->SetModifiedFlag();
                }
            }
        } else if ((row == 5 || row == 6) && web) {
            // The web switches are kept with the card in its file: flipping one is a change to save.
            std::int32_t& flag = row == 5 ? card.automaticAccess : card.newBrowserWindow;
            flag = flag == 1 ? 0 : 1;
            topLevelItem(row)->setText(1, flag == 1 ? QStringLiteral("On") : QStringLiteral("Off"));
            document->SetModifiedFlag();
        }
    }
    const int categoryId = ShownCard ? ShownCard->categoryId : -1;
    if (categoryId >= 0) {
        const CardsChangedHint hint(CardsChangedHint::Kind::Changed, categoryId, position);
        document->UpdateAllViews(nullptr, &hint);
    } else {
        document->UpdateAllViews(nullptr);
    }
    window->SetActiveView(tree);
    // Reselect by list position: the n-th item from the top is another card whenever the list is
    // not in alphabetical order.
    tree->SelectCardByListPosition(tree->GetCategoryItem(name), position);
}

void CQuorvaneListView::OnRowRightClicked(int row) {
    if (row != kPasswordRow || !ShownCard || row >= topLevelItemCount()) {
        return;
    }
    const QRect rect = visualItemRect(topLevelItem(row));
    const QPoint at = viewport()->mapToGlobal(rect.topLeft() + QPoint(80, 0));
    guiPrompter().popupText(fromCardText(ShownCard->fourthField), at);
}

void CQuorvaneListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    // A click on the wide Data column would otherwise scroll the Field labels out of sight.
    const int x = horizontalScrollBar()->value();
    QTreeWidget::scrollTo(index, hint);
    horizontalScrollBar()->setValue(x);
}

void CQuorvaneListView::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    if (event->button() == Qt::RightButton) {
        if (QTreeWidgetItem* item = itemAt(event->position().toPoint())) {
            OnRowRightClicked(indexOfTopLevelItem(item));
        }
    }
}
