// The commands the main window itself carries: the active document's file commands, the recent
// files, the bars, the panes and the child windows.

#include <QAction>
#include <QMdiArea>
#include <QStatusBar>
#include <QToolBar>

#include "docview/DocManager.h"
#include "docview/Document.h"
#include "docview/MdiChildFrame.h"
#include "docview/MdiWindowList.h"
#include "docview/View.h"
#include "ui/common/GuiPrompter.h"
#include "ui/frame/AboutDlg.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

void CMainFrame::installFrameCommands() {
    CommandTable& c = *m_commands;
    auto child = [this] { return activeChildFrame() != nullptr; };

    c.setEnableRule(cmd::FileClose, child);
    c.setHandler(cmd::FileClose, [this] {
        if (MdiChildFrame* frame = activeChildFrame()) {
            if (!frame->showsDocument()) {
                frame->close();  // a window that belongs to a document closes alone
                return;
            }
            Document* document = frame->GetActiveDocument();
            if (document && document->SaveModified()) {
                document->OnCloseDocument();
            }
        }
    });
    c.setHandler(cmd::FileSave, [this] {
        if (MdiChildFrame* frame = activeChildFrame(); frame && frame->GetActiveDocument()) {
            frame->GetActiveDocument()->DoFileSave();
        }
    });
    c.setHandler(cmd::FileSaveAs, [this] {
        if (MdiChildFrame* frame = activeChildFrame(); frame && frame->GetActiveDocument()) {
            frame->GetActiveDocument()->DoSave(QString());
        }
    });
    for (int i = 0; i < 4; ++i) {
        c.setEnableRule(cmd::FileMru1 + i,
                        [this, i] { return m_docManager && m_docManager->recentFiles().count() > i; });
        c.setHandler(cmd::FileMru1 + i, [this, i] {
            if (m_docManager) {
                m_docManager->OpenRecentFile(i);
            }
        });
    }
    c.setHandler(cmd::AppExit, [this] { close(); });
    c.setHandler(cmd::AppAbout, [this] {
        CAboutDlg about(this);
        guiPrompter().exec(about);
    });

    // Bars.
    c.setCheckRule(cmd::ViewToolbar, [this] { return !m_mainToolBar->isHidden(); });
    c.setCheckRule(cmd::ViewStatusBar, [this] { return !statusBar()->isHidden(); });
    c.setCheckRule(cmd::ViewStatusDialogBar, [this] { return !m_statusBarHolder->isHidden(); });
    c.setHandler(cmd::ViewToolbar, [this] { m_mainToolBar->setVisible(m_mainToolBar->isHidden()); });
    c.setHandler(cmd::ViewStatusBar, [this] { statusBar()->setVisible(statusBar()->isHidden()); });
    c.setHandler(cmd::ViewStatusDialogBar, [this] { m_statusBarHolder->setVisible(m_statusBarHolder->isHidden()); });

    // F6 and Shift+F6 move between the panes of the active child window.
    c.setEnableRule(cmd::NextPane, child);
    c.setEnableRule(cmd::PrevPane, child);
    c.setHandler(cmd::NextPane, [this] { cyclePane(1); });
    c.setHandler(cmd::PrevPane, [this] { cyclePane(-1); });

    // The Window menu: Arrange Icons lines up minimized child windows; the list of windows below
    // it and Ctrl+F6 come from the window list.
    c.setEnableRule(cmd::WindowArrange, child);
    c.setHandler(cmd::WindowArrange, [this] { m_windowList->arrangeIcons(); });
}

void CMainFrame::cyclePane(int step) {
    MdiChildFrame* frame = activeChildFrame();
    if (!frame || frame->views().isEmpty()) {
        return;
    }
    const QList<View*>& views = frame->views();
    const int count = static_cast<int>(views.size());
    const int at = static_cast<int>(views.indexOf(frame->GetActiveView()));
    frame->SetActiveView(views.at(((at < 0 ? 0 : at) + step + count) % count));
}
