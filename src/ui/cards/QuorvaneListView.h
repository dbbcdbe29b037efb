#pragma once
// CQuorvaneListView: the card list on the right of a card window. It shows the card the tree
// sends as Field/Data rows, the password masked, and empties on every update without a card.

#include <QTreeWidget>
#include <cstdint>
#include <string>

#include "docview/View.h"
#include "cardstore/Categories.h"

struct Card;
class CQuorvaneDoc;

class CQuorvaneListView : public QTreeWidget, public View {
    Q_OBJECT
public:
    static constexpr int kPasswordRow = 3;

    explicit CQuorvaneListView(QWidget* parent = nullptr);

    QWidget* widget() override { return this; }
    CQuorvaneDoc* GetDocument() const;
    void OnInitialUpdate() override;
    /// A ShowCardHint shows its card; any other update empties the list.
    void OnUpdate(View* sender, const UpdateHint* hint) override;

    void ShowCard(Card* card, const Labels& labels);
    /// Shows the shown card again (the date format may have changed).
    void refreshShownCard();
    /// A click on row `row`: remembers the row and its text for the clipboard commands.
    void OnRowClicked(int row);
    /// A double click on row `row`: flips the web switches, then refreshes and reselects the card.
    void OnRowDoubleClicked(int row);
    /// A right click on row `row`: the password row shows the password in a pop-up menu.
    void OnRowRightClicked(int row);

    Card* ShownCard = nullptr;
    int SelectedRow = -1;
    std::string SelectedRowText;  // Windows-1252
    std::uint32_t SelectedRowStamp = 0;

    /// Brings a row into view without scrolling sideways.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setBlueText();

    Labels m_shownLabels{"", "", "", ""};
};
