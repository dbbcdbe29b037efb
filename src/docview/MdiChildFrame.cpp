#include "docview/MdiChildFrame.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>

#include "docview/Document.h"
#include "docview/View.h"

MdiChildFrame::MdiChildFrame(Document* document, QWidget* parent, DocumentRole role)
    : QMdiSubWindow(parent), m_document(document), m_role(role) {
    // Child windows carry no system menu: its Close shortcut would take keys of the main window.
    setSystemMenu(nullptr);
    if (document) {
        document->addFrame(this);
        if (showsDocument()) {
            setWindowTitle(document->GetTitle());
            connect(document, &Document::titleChanged, this, &QWidget::setWindowTitle);
        }
    }
}

MdiChildFrame::~MdiChildFrame() {
    if (m_document && !m_destroying) {
        m_document->removeFrame(this);
    }
}

void MdiChildFrame::addView(View* view) {
    m_views.append(view);
    view->widget()->installEventFilter(this);
    // Views of a frame that only belongs to the document never hear of it.
    view->attachDocument(showsDocument() ? m_document : nullptr);
    if (!m_activeView) {
        m_activeView = view;
    }
}

void MdiChildFrame::SetActiveView(View* view, bool focus) {
    if (!m_views.contains(view)) {
        return;
    }
    if (m_activeView != view) {
        View* old = m_activeView;
        m_activeView = view;
        if (old) {
            old->OnActivateView(false);
        }
        view->OnActivateView(true);
        emit activeViewChanged(view);
    }
    if (focus) {
        view->widget()->setFocus(Qt::OtherFocusReason);
    }
}

void MdiChildFrame::ActivateFrame() {
    if (m_opensMaximized) {
        showMaximized();
    } else {
        show();
    }
    if (mdiArea()) {
        mdiArea()->setActiveSubWindow(this);
    }
}

void MdiChildFrame::destroyFrame() {
    if (m_destroying) {
        return;
    }
    m_destroying = true;
    if (m_document) {
        m_document->removeFrame(this);
    }
    emit frameClosing();
    for (View* view : m_views) {
        view->widget()->removeEventFilter(this);
        view->OnDestroyView();
        if (Document* document = view->GetDocument()) {
            document->RemoveView(view);
        }
        view->detachDocument();
    }
    hide();
    if (QMdiArea* area = mdiArea()) {
        area->removeSubWindow(this);
    }
    deleteLater();
}

void MdiChildFrame::closeEvent(QCloseEvent* event) {
    if (m_destroying || !m_document) {
        event->accept();
        return;
    }
    event->ignore();
    if (!showsDocument() || m_document->showingFrames().size() > 1) {
        destroyFrame();  // the document stays with its other frames
        return;
    }
    if (m_document->SaveModified()) {
        m_document->OnCloseDocument();
    }
}

bool MdiChildFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        m_tabbing = key == Qt::Key_Tab || key == Qt::Key_Backtab;
    } else if (event->type() == QEvent::FocusIn && !m_destroying) {
        // Only focus the user moves (a click, Tab from a pane, a shortcut) makes a view the active
        // one; focus that wanders while child windows come and go does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool byUser = reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason ||
                            ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && m_tabbing);
        m_tabbing = false;
        if (byUser) {
            for (View* view : m_views) {
                if (view->widget() == watched) {
                    SetActiveView(view, false);
                    break;
                }
            }
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}
