#pragma once
// A child window of the main window showing one document through one or more views. It keeps
// the frame's active view (the one that last had the focus) and asks before closing a modified
// document through its last frame.

#include <QList>
#include <QMdiSubWindow>

class Document;
class View;

class MdiChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit MdiChildFrame(Document* document, QWidget* parent = nullptr);
    ~MdiChildFrame() override;

    Document* GetActiveDocument() const { return m_document; }
    View* GetActiveView() const { return m_activeView; }
    /// Makes `view` the frame's active view and, when asked, gives it the keyboard focus.
    void SetActiveView(View* view, bool focus = true);
    const QList<View*>& views() const { return m_views; }

    /// Shows the frame maximized and makes it the active child window.
    void ActivateFrame();
    /// Removes the frame at once, without questions (the document is closing or moving on).
    void destroyFrame();
    bool isBeingDestroyed() const { return m_destroying; }

    /// The menu the main window shows while this frame is active.
    int menuId() const { return m_menuId; }
    void setMenuId(int menuId) { m_menuId = menuId; }

signals:
    void activeViewChanged(View* view);

protected:
    /// Registers a view of this frame (done by subclasses as they build their panes).
    void addView(View* view);
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Document* m_document;
    View* m_activeView = nullptr;
    QList<View*> m_views;
    bool m_destroying = false;
    int m_menuId = 0;
    bool m_tabbing = false;
};
