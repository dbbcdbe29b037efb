#pragma once
// CQuorvaneListView: the card list on the right of a card window. It shows the card the tree
// sends as Field/Data rows, the password masked, and empties on every update without a card. A card
// whose note holds a one-time code setup gets a last row, "One-time code:", kept current each second
// by one timer that runs only while such a card is shown.

#include <QTimer>
#include <QTreeWidget>
#include <string>

#include "docview/View.h"
#include "cardstore/Categories.h"
#include "ui/cards/CardRows.h"

struct Card;
class CQuorvaneDoc;

class CQuorvaneListView : public QTreeWidget, public View {
    Q_OBJECT
public:
    static constexpr int kPasswordRow = 3;
    static constexpr int kFieldColumnWidth = 100;  // the Field column's width before a card is shown

    explicit CQuorvaneListView(QWidget* parent = nullptr);

    QWidget* widget() override { return this; }
    CQuorvaneDoc* GetDocument() const;
    void OnInitialUpdate() override;
    /// A ShowCardHint shows its card; any other update empties the list.
    void OnUpdate(View* sender, const UpdateHint* hint) override;

    void ShowCard(Card* card, const Labels& labels);
    /// Shows the shown card again (the date format may have changed).
    void refreshShownCard();
    /// Makes row `row` the current one, as a click or the arrow keys do.
    void OnRowClicked(int row);
    /// A double click on row `row`: flips the web switches, then refreshes and reselects the card.
    void OnRowDoubleClicked(int row);
    /// A right click on row `row`: the password row shows the password in a pop-up menu.
    void OnRowRightClicked(int row);

    Card* ShownCard = nullptr;

    /// The row the clipboard commands act on: the current row, however it was reached (mouse or
    /// keyboard); -1 when no card is shown or no row is current.
    int SelectedRow() const;
    /// What that row stands for on the card shown now.
    CardRowKind SelectedRowKind() const;
    /// Its text on the card shown now, for the clipboard (Windows-1252; the password in clear).
    std::string SelectedRowText() const;

    /// The text of the "One-time code:" row; empty when the card shown has none.
    QString oneTimeCodeText() const;
    /// Whether the current row is the one-time code row.
    bool isCodeRowCurrent() const { return m_codeItem && currentItem() == m_codeItem; }

    /// Brings a row into view without scrolling sideways.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setBlueText();
    /// Adds or refreshes the one-time code row and runs the timer just past the next whole second,
    /// or stops it when the card shown has no code that changes with the time.
    void updateCodeRow();
    void stopCodeRow();
    void fitFieldColumn();

    Labels m_shownLabels{"", "", "", ""};
    QTimer m_codeTimer;
    QTreeWidgetItem* m_codeItem = nullptr;  // the one-time code row, when the card shown has one
};
