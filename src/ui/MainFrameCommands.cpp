// The command table's rules: when each command is enabled, and the handlers the main window
// itself carries. Commands built by later parts of the program are registered here as inert
// handlers so that they show their real enable states until their handlers are installed.

#include <QAction>
#include <QMdiArea>
#include <QStatusBar>
#include <QToolBar>

#include "app/docview/DocManager.h"
#include "app/docview/Document.h"
#include "app/docview/MdiChildFrame.h"
#include "app/docview/View.h"
#include "ui/CommandIds.h"
#include "ui/CommandTable.h"
#include "ui/MainFrame.h"
#include "ui/QuorvaneDoc.h"
#include "ui/QuorvaneListView.h"

void CMainFrame::installCommandRules() {
    CommandTable& c = *m_commands;
    auto child = [this] { return hasActiveChild(); };
    auto cardSelected = [this] { return CardSelected != 0; };
    auto hasCards = [this] { return activeDocumentHasCards(); };

    // Card commands and the browser.
    c.setEnableRule(cmd::NewCardButton, child);
    c.setEnableRule(cmd::FileEncryptionButton, child);
    c.setEnableRule(cmd::EditCard, [this] { return CardSelected == 1; });
    for (int id : {cmd::DeleteCard, cmd::DeleteCardButton, cmd::UpdateCardButton, cmd::EditCut, cmd::LoadWebPage,
                   cmd::LoadWebPageButton}) {
        c.setEnableRule(id, cardSelected);
    }
    c.setEnableRule(cmd::CopyPassword, [this] { return hasActiveChild() && CardSelected == 1; });
    c.setEnableRule(cmd::EditCopy, [this] {
        MdiChildFrame* frame = activeChildFrame();
        return frame && (dynamic_cast<CQuorvaneListView*>(frame->GetActiveView()) || CardSelected == 1);
    });
    c.setEnableRule(cmd::EditPaste, [this] { return PasteAvailable != 0; });
    c.setEnableRule(cmd::GetWebPageButton, [this] {
        MdiChildFrame* frame = activeChildFrame();
        return frame && frame->GetActiveView();
    });
    c.setEnableRule(cmd::FindButton, hasCards);

    // The card document's file commands need at least one card.
    for (int id : {cmd::EncryptOnSave, cmd::EncryptOnSaveButton, cmd::PrintPreview, cmd::FilePrint, cmd::FileSave,
                   cmd::FileSaveAs, cmd::EditFind}) {
        c.setEnableRule(id, hasCards);
    }
    // Print Setup belongs to the application while no card document is active.
    c.setEnableRule(cmd::FilePrintSetup, [this] { return !activeCardDocument() || activeDocumentHasCards(); });
    c.setEnableRule(cmd::FileClose, child);
    c.setEnableRule(cmd::WindowArrange, child);
    c.setEnableRule(cmd::NextPane, child);
    c.setEnableRule(cmd::PrevPane, child);
    for (int i = 0; i < 4; ++i) {
        c.setEnableRule(cmd::FileMru1 + i, [this, i] { return m_docManager && m_docManager->recentFiles().count() > i; });
    }

    // The file-encryption window.
    c.setEnableRule(cmd::FeEncryptFile, [this] { return PasswordIsSet == 1 && CanEncrypt == 1; });
    c.setEnableRule(cmd::FeEncryptFileButton, [this] { return PasswordIsSet == 1 && CanEncrypt == 1; });
    c.setEnableRule(cmd::FeDecryptFile, [this] { return PasswordIsSet == 1 && IsEncrypted == 1; });
    c.setEnableRule(cmd::FeDecryptFileButton, [this] { return PasswordIsSet == 1 && IsEncrypted == 1; });
    c.setEnableRule(cmd::FeShowEncryptedOnly, [this] { return ShowEncryptedOnly != 1; });
    c.setEnableRule(cmd::FeShowAllFiles, [this] { return ShowEncryptedOnly == 1; });
    c.setEnableRule(cmd::FeClearPassword, [this] { return !FileEncryptionPassword.empty(); });
    c.setEnableRule(cmd::FeClearPasswordButton, [this] { return !FileEncryptionPassword.empty(); });
    c.setCheckRule(cmd::FeAllFiles, [this] { return ShowEncryptedOnly != 1; });
    c.setCheckRule(cmd::FeEncryptedFiles, [this] { return ShowEncryptedOnly != 0; });

    c.setCheckRule(cmd::ViewToolbar, [this] { return !m_mainToolBar->isHidden(); });
    c.setCheckRule(cmd::ViewStatusBar, [this] { return !statusBar()->isHidden(); });
    c.setCheckRule(cmd::ViewStatusDialogBar, [this] { return !m_statusBarHolder->isHidden(); });
}

void CMainFrame::installFrameHandlers() {
    CommandTable& c = *m_commands;

    // Built by later parts of the program; until then they do nothing.
    const int inert[] = {
        cmd::NewCard, cmd::NewCardButton, cmd::DeleteCard, cmd::DeleteCardButton, cmd::EditCard,
        cmd::UpdateCardButton, cmd::FirstCard, cmd::LastCard, cmd::EditFind, cmd::FindButton, cmd::CopyPassword,
        cmd::EditCopy, cmd::EditCut, cmd::EditPaste, cmd::PrintPreview, cmd::FilePrint, cmd::FilePrintSetup,
        cmd::Preferences, cmd::LaunchWww, cmd::LaunchBrowserButton, cmd::LaunchEmail, cmd::LaunchLogin,
        cmd::LaunchNews, cmd::LaunchFtp, cmd::LoadWebPage, cmd::LoadWebPageButton, cmd::GetWebPage,
        cmd::GetWebPageButton, cmd::OnlineDocumentation, cmd::HelpReader, cmd::HomePage, cmd::FileView,
        cmd::FileEncryptionButton, cmd::OpenNewWindow, cmd::AutomaticAccess, cmd::FeEncryptFile, cmd::FeDecryptFile,
        cmd::FeSetPassword, cmd::FeClearPassword, cmd::FeCardView, cmd::FeAllFiles, cmd::FeEncryptedFiles,
        cmd::FeSetPasswordButton, cmd::FeClearPasswordButton, cmd::FeEncryptFileButton, cmd::FeDecryptFileButton,
        cmd::FeShowEncryptedOnly, cmd::FeShowAllFiles, cmd::FeCardViewButton,
        // Arrange Icons lines up minimized child windows; card windows are always maximized.
        cmd::WindowArrange,
    };
    for (int id : inert) {
        c.setHandler(id, [] {});
    }

    // The active document's file commands.
    c.setHandler(cmd::FileClose, [this] {
        if (MdiChildFrame* frame = activeChildFrame()) {
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
    auto encryptOnSave = [this] {
        if (CQuorvaneDoc* document = activeCardDocument()) {
            document->OnEncryptOnSave();
        }
    };
    c.setHandler(cmd::EncryptOnSave, encryptOnSave);
    c.setHandler(cmd::EncryptOnSaveButton, encryptOnSave);
    for (int i = 0; i < 4; ++i) {
        c.setHandler(cmd::FileMru1 + i, [this, i] {
            if (m_docManager) {
                m_docManager->OpenRecentFile(i);
            }
        });
    }
    c.setHandler(cmd::AppExit, [this] { close(); });

    // Bars.
    c.setHandler(cmd::ViewToolbar, [this] { m_mainToolBar->setVisible(m_mainToolBar->isHidden()); });
    c.setHandler(cmd::ViewStatusBar, [this] { statusBar()->setVisible(statusBar()->isHidden()); });
    c.setHandler(cmd::ViewStatusDialogBar, [this] { m_statusBarHolder->setVisible(m_statusBarHolder->isHidden()); });

    // F6 and Shift+F6 move between the panes of the active child window.
    c.setHandler(cmd::NextPane, [this] { cyclePane(1); });
    c.setHandler(cmd::PrevPane, [this] { cyclePane(-1); });
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
