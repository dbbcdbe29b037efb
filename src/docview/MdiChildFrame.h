#pragma once
// A child window of the main window showing one document through one or more views. It keeps
// the frame's active view (the one that last had the focus) and asks before closing a modified
// document through its last frame. A frame may also merely belong to a document without showing
// it: it goes when the document closes, but its views never hear from the document.

#include <QList>
#include <QMdiSubWindow>

class Document;
class View;

class MdiChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    /// How the frame stands to its document. A frame that shows it attaches its views to it (they
    /// get its updates), takes its title as caption, and closing the last such frame closes the
    /// document. A frame that belongs to it shows none of it: it closes on its own, and goes when
    /// the document closes or (since it has no views of it) never notices the document changing type.
    enum class DocumentRole { Shows, BelongsTo };

    explicit MdiChildFrame(Document* document, QWidget* parent = nullptr, DocumentRole role = DocumentRole::Shows);
    ~MdiChildFrame() override;

    DocumentRole documentRole() const { return m_role; }
    bool showsDocument() const { return m_role == DocumentRole::Shows; }

    Document* GetActiveDocument() const { return m_document; }
    View* GetActiveView() const { return m_activeView; }
    /// Makes `view` the frame's active view and, when asked, gives it the keyboard focus.
    void SetActiveView(View* view, bool focus = true);
    const QList<View*>& views() const { return m_views; }

    /// Shows the frame (maximized, unless it keeps its own size) and makes it the active child window.
    void ActivateFrame();
    /// Whether the frame is maximized whenever it is shown or activated (true unless set otherwise).
    bool opensMaximized() const { return m_opensMaximized; }
    void setOpensMaximized(bool maximized) { m_opensMaximized = maximized; }
    /// Removes the frame at once, without questions (the document is closing or moving on).
    void destroyFrame();
    bool isBeingDestroyed() const { return m_destroying; }

    /// The menu the main window shows while this frame is active.
    int menuId() const { return m_menuId; }
    void setMenuId(int menuId) { m_menuId = menuId; }

signals:
    void activeViewChanged(View* view);
    /// The frame is going away (it is hidden and leaves the main window now, and is deleted later).
    void frameClosing();

protected:
    /// Registers a view of this frame (done by subclasses as they build their panes).
    void addView(View* view);
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Document* m_document;
    View* m_activeView = nullptr;
    QList<View*> m_views;
    DocumentRole m_role;
    bool m_destroying = false;
    bool m_opensMaximized = true;
    int m_menuId = 0;
    bool m_tabbing = false;
};
