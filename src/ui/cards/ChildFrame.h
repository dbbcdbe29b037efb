#pragma once
// CChildFrame: the window of a card document, split into the category tree (left) and the card
// list (right, 240 pixels wide at first unless another width is given). While its document is locked
// it shows the locked pane.

#include "docview/MdiChildFrame.h"

class CQuorvaneView;
class CQuorvaneListView;
class QSplitter;
class QStackedWidget;
class LockedPane;

class CChildFrame : public MdiChildFrame {
    Q_OBJECT
public:
    static constexpr int kListWidth = 240;

    explicit CChildFrame(Document* document, QWidget* parent = nullptr);

    CQuorvaneView* tree() const { return m_tree; }
    CQuorvaneListView* list() const { return m_list; }
    QSplitter* splitter() const { return m_splitter; }
    LockedPane* lockedPane() const { return m_lockedPane; }
    /// The card list's width once the window first has a real size (the width it was left at).
    void setInitialListWidth(int width) { m_listWidth = width; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    /// Shows the locked pane or the cards again, the selection as it was before the lock.
    void showLocked(bool locked);

    QStackedWidget* m_stack;
    LockedPane* m_lockedPane;
    QString m_lockedCategory;  // the selection when the document locked
    int m_lockedPosition = -1;
    QSplitter* m_splitter;
    CQuorvaneView* m_tree;
    CQuorvaneListView* m_list;
    int m_listWidth = kListWidth;
    bool m_sized = false;
};
