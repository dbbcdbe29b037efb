// The frame's card documents and windows: the active window, the documents and card windows the
// frame makes and connects to, and the features that open files other than card documents.

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSplitter>
#include <QStatusBar>
#include <algorithm>

#include "docview/DocManager.h"
#include "docview/DocTemplate.h"
#include "docview/MdiChildFrame.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/ChildFrame.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/DocumentTypes.h"
#include "ui/common/GuiPrompter.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/StatusMessagePane.h"

namespace {
constexpr int kStatusNoticeMilliseconds = 20000;
}  // namespace

// --- Active window ----------------------------------------------------------------------------

MdiChildFrame* CMainFrame::activeChildFrame() const {
    auto* frame = qobject_cast<MdiChildFrame*>(m_mdiArea->currentSubWindow());
    return frame && !frame->isBeingDestroyed() ? frame : nullptr;
}

CQuorvaneDoc* CMainFrame::activeCardDocument() const {
    // Only a card window shows its document; a file-encryption window belongs to one but shows none.
    MdiChildFrame* frame = activeChildFrame();
    return frame && frame->showsDocument() ? qobject_cast<CQuorvaneDoc*>(frame->GetActiveDocument()) : nullptr;
}

CQuorvaneDoc* CMainFrame::GetActiveCardDocument() {
    CQuorvaneDoc* document = activeCardDocument();
    if (document) {
        if (CQuorvaneView* tree = activeCategoryTree()) {
            activeChildFrame()->SetActiveView(tree);
        }
    }
    return document;
}

CQuorvaneView* CMainFrame::activeCategoryTree() const {
    auto* window = qobject_cast<CChildFrame*>(activeChildFrame());
    return window ? window->tree() : nullptr;
}

CQuorvaneListView* CMainFrame::activeCardList() const {
    auto* window = qobject_cast<CChildFrame*>(activeChildFrame());
    return window ? window->list() : nullptr;
}

bool CMainFrame::isActiveCardWindow(const QObject* windowOrView) const {
    auto* window = qobject_cast<CChildFrame*>(activeChildFrame());
    return window && (windowOrView == window || windowOrView == window->tree() || windowOrView == window->list());
}

bool CMainFrame::isActiveCardDocument(const QObject* document) const {
    return document && document == activeCardDocument();
}

CQuorvaneDoc* CMainFrame::createCardDocument() {
    auto* document = new CQuorvaneDoc(m_settings);
    connect(document, &CQuorvaneDoc::encryptionStateChanged, this, [this, document] {
        if (isActiveCardDocument(document)) {
            ShowEncryptionStatus(document->IsEncrypted());
        }
    });
    connect(document, &CQuorvaneDoc::fileStored, this, [this] {
        if (readSetting(m_settings, settings::kAutomaticSaveCheck) == 1) {
            StartAutosaveTimer();
        }
    });
    connect(document, &CQuorvaneDoc::encryptedFileOpened, this, &CMainFrame::openRegisteredFile);
    connect(document, &CQuorvaneDoc::statusMessage, m_messagePane, &StatusMessagePane::showMessage);
    // Shown in the pane for 20 seconds, so the prompts of the menus a person moves over do not wipe it.
    connect(document, &CQuorvaneDoc::statusNotice, this,
            [this](const QString& text) { m_messagePane->showNotice(text, kStatusNoticeMilliseconds); });
    // A locked document counts no cards; unlocked, its counts come back.
    connect(document, &CQuorvaneDoc::lockChanged, this, [this, document] {
        if (document == activeCardDocument()) {
            refreshCardStatus();
        }
        scheduleCommandUpdate();
    });
    emit cardDocumentCreated(document);
    return document;
}

MdiChildFrame* CMainFrame::createCardWindow(Document* document, DocTemplate* docTemplate) {
    auto* window = new CChildFrame(document);
    window->setInitialListWidth(m_cardListWidth);
    connect(window->splitter(), &QSplitter::splitterMoved, this, [this, window] {
        m_cardListWidth = window->splitter()->sizes().value(1, m_cardListWidth);
    });
    window->setMenuId(docTemplate && docTemplate->resourceId() == kEncryptedDocTemplate ? kMenuEncrypted
                                                                                         : kMenuPlain);
    CQuorvaneView* tree = window->tree();
    // Only the active window's panes speak for the bars; a window opening or closing behind it
    // (a file that failed to load, say) leaves them alone.
    connect(tree, &CQuorvaneView::cardCountsChanged, this, [this, tree](int inCategory, int total) {
        if (isActiveCardWindow(tree)) {
            UpdateCardCounts(inCategory, total);
        }
    });
    connect(tree, &CQuorvaneView::activated, this, [this, tree] {
        if (isActiveCardWindow(tree)) {
            refreshCardStatus();
        }
    });
    connect(tree, &CQuorvaneView::selectionChanged, this, &CMainFrame::scheduleCommandUpdate);
    connect(tree, &CQuorvaneView::editCardRequested, this, [this] { m_commands->runHandler(cmd::EditCard); });
    return window;
}

void CMainFrame::refreshCardStatus() {
    CQuorvaneDoc* document = activeCardDocument();
    CQuorvaneView* tree = activeCategoryTree();
    if (!document || !tree) {
        UpdateCardCounts(0, 0);
        return;
    }
    ShowEncryptionStatus(document->IsEncrypted());
    // As when the tree is activated: the count of "WWW Sites", not of the selected category.
    UpdateCardCounts(tree->GetCategoryCardCount(tree->GetCategoryItemAt(0)), tree->GetTotalCardCount());
}

void CMainFrame::setDocManager(DocManager* manager) {
    m_docManager = manager;
    manager->setMdiArea(m_mdiArea);
    manager->setPrompter(&docPrompterForwarder());
    connect(manager, &DocManager::recentFilesChanged, this, &CMainFrame::fillRecentFileEntries);
    m_commands->setHandler(cmd::FileNew, [manager] { manager->OnFileNew(); });
    m_commands->setHandler(cmd::FileOpen, [manager] { manager->OnFileOpen(); });
    connect(manager, &DocManager::documentsChanged, this, [this] {
        updateCaption();
        scheduleCommandUpdate();
    });
    fillRecentFileEntries();
}

void CMainFrame::onSubWindowActivated(QMdiSubWindow* window) {
    auto* frame = qobject_cast<MdiChildFrame*>(window);
    if (frame && frame->isBeingDestroyed()) {
        frame = nullptr;
    }
    if (frame) {
        if (!frame->isMinimized() && frame->opensMaximized()) {
            frame->showMaximized();  // card windows stay maximized unless the person minimized one
        }
        if (View* view = frame->GetActiveView()) {
            view->OnActivateView(true);
        }
    }
    refreshCardStatus();
    switchMenu(frame ? frame->menuId() : kMenuNoDocument);
    updateCaption();
    scheduleCommandUpdate();
}

void CMainFrame::registerFileOpener(std::function<bool(const QString& path)> opens, FileOpener open) {
    m_fileOpeners.push_back({std::move(opens), std::move(open)});
}

bool CMainFrame::hasFileOpener(const QString& path) const {
    return std::any_of(m_fileOpeners.begin(), m_fileOpeners.end(),
                       [&path](const RegisteredOpener& opener) { return opener.opens(path); });
}

Document* CMainFrame::openRegisteredFile(const QString& path) {
    for (const RegisteredOpener& opener : m_fileOpeners) {
        if (opener.opens(path)) {
            return opener.open(path);
        }
    }
    return nullptr;
}
