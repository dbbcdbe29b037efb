#pragma once
// What a multiple-document window provides by itself: the Window menu's numbered list of the open
// child windows (the active one checked), keys that cycle through them (Ctrl+F6 and Ctrl+Tab
// forward, with Shift backward), and arranging minimized child windows along the bottom.

#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QWidget;

class MdiWindowList : public QObject {
    Q_OBJECT
public:
    /// The cycling keys work anywhere in `window`, the top-level window holding `area`.
    MdiWindowList(QMdiArea* area, QWidget* window);

    /// Lists the child windows at the end of `menu` each time it opens, below its own items.
    void attachMenu(QMenu* menu);

    /// The child windows in the order they were opened.
    QList<QMdiSubWindow*> windows() const;
    /// The menu text of child window `index`: "&1 cards.qvf" ('&' in the title doubled).
    QString menuText(int index) const;

    void activateNext();
    void activatePrevious();
    /// Lines up the minimized child windows along the bottom of the area, left to right.
    void arrangeIcons();

    QAction* nextWindowAction() const { return m_next; }
    QAction* previousWindowAction() const { return m_previous; }

private:
    void refill(QMenu* menu);
    void cycle(int step);

    QMdiArea* m_area;
    QAction* m_next;
    QAction* m_previous;
};
