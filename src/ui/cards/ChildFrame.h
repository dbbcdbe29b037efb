#pragma once
// CChildFrame: the window of a card document, split into the category tree (left) and the card
// list (right, 240 pixels wide at first unless another width is given).

#include "docview/MdiChildFrame.h"

class CQuorvaneView;
class CQuorvaneListView;
class QSplitter;

class CChildFrame : public MdiChildFrame {
    Q_OBJECT
public:
    static constexpr int kListWidth = 240;

    explicit CChildFrame(Document* document, QWidget* parent = nullptr);

    CQuorvaneView* tree() const { return m_tree; }
    CQuorvaneListView* list() const { return m_list; }
    QSplitter* splitter() const { return m_splitter; }
    /// The card list's width once the window first has a real size (the width it was left at).
    void setInitialListWidth(int width) { m_listWidth = width; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QSplitter* m_splitter;
    CQuorvaneView* m_tree;
    CQuorvaneListView* m_list;
    int m_listWidth = kListWidth;
    bool m_sized = false;
};
