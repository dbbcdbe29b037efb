#include "common/Wipe.h"
#include "ui/frame/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

#include "cardstore/Categories.h"
#include "docview/DocManager.h"
#include "docview/DocTemplate.h"
#include "docview/MdiChildFrame.h"
#include "docview/MdiWindowList.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/ChildFrame.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/CommandBlock.h"
#include "ui/common/DocumentTypes.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/Icons.h"
#include "ui/fileenc/FileEncryptionCommands.h"
#include "ui/fileenc/FilePassword.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/StatusDialogBar.h"
#include "ui/frame/WindowPlacement.h"

namespace {
constexpr int kStatusNoticeMilliseconds = 20000;
}  // namespace

CMainFrame::CMainFrame(SettingsStore& settings, QWidget* parent) : QMainWindow(parent), m_settings(settings) {
    setDialogParent(this);
    m_caption = QString::fromUtf8(kAppTitle);
    setWindowTitle(m_caption);
    setWindowIcon(icons::app());
    resize(kDefaultWidth, kDefaultHeight);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setViewMode(QMdiArea::SubWindowView);
    // Card windows maximize themselves when activated; a window of its own size stays so.
    m_mdiArea->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    setCentralWidget(m_mdiArea);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::onSubWindowActivated);
    m_windowList = new MdiWindowList(m_mdiArea, this);

    m_commands = new CommandTable(this);
    createBars();
    createStatusBar();
    createMenus();
    installFrameCommands();

    ShowEncryptionStatus(false);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    // Where the window was left last time, if it was; the first start keeps the size above.
    placement::restoreWindowGeometry(*this, m_settings);
    m_cardListWidth = readSetting(m_settings, settings::kCardListWidth);
    if (m_cardListWidth < kMinCardListWidth) {
        m_cardListWidth = settings::kCardListWidth.defaultValue;
    }
    m_fileViewToolBar->hide();
    m_foldersBar->hide();

    ReloadPrintSwitches();
    m_autosaveTimer.setInterval(60 * 1000);
    connect(&m_autosaveTimer, &QTimer::timeout, this, &CMainFrame::OnAutosaveTick);

    // Enable states follow the program's state: re-evaluated once the event loop has handled
    // the input that may have changed it, and before any menu opens.
    m_commandUpdateTimer.setSingleShot(true);
    m_commandUpdateTimer.setInterval(0);
    connect(&m_commandUpdateTimer, &QTimer::timeout, this, &CMainFrame::updateCommandStates);
    connect(m_commands, &CommandTable::executed, this, &CMainFrame::scheduleCommandUpdate);
    qApp->installEventFilter(this);
    switchMenu(kMenuNoDocument);
    updateCommandStates();
}

CMainFrame::~CMainFrame() {
    wipeSecret(FileEncryption.FileEncryptionPassword);  // it lives for this run only
    qApp->removeEventFilter(this);
    // Child windows still open (a file-encryption window of no document) go with the frame; the
    // frame, half gone by then, must not hear of them.
    disconnect(m_mdiArea, nullptr, this, nullptr);
    if (dialogParent() == this) {
        setDialogParent(nullptr);
    }
}

// --- Shared state -------------------------------------------------------------------------------

bool CMainFrame::CardSelected() const {
    const CQuorvaneView* tree = activeCategoryTree();
    return tree && tree->IsCardItemCurrent();
}

int CMainFrame::GetCurrentCardPosition() const {
    const CQuorvaneView* tree = activeCategoryTree();
    return tree && tree->IsCardItemCurrent() ? tree->GetSelectedPosition() : -1;
}

// --- Category operations ------------------------------------------------------------------

int CMainFrame::CategoryIdFromName(const QString& name) { return categoryIdForDisplayName(name.toStdString()); }

QString CMainFrame::CategoryNameFromId(int categoryId) {
    return QString::fromStdString(categoryDisplayName(categoryId));
}

void CMainFrame::AddCardToCategory(CQuorvaneDoc* document, int categoryId, std::unique_ptr<Card> card) {
    if (!document || categoryId < 0 || categoryId >= kCategoryCount) {
        return;
    }
    if (CardList* list = document->GetCategoryList(categoryId)) {
        list->AddCard(std::move(card));
    }
}

void CMainFrame::AddCardByCategoryName(CQuorvaneDoc* document, const QString& name, std::unique_ptr<Card> card) {
    const int id = CategoryIdFromName(name);
    if (id >= 0) {
        AddCardToCategory(document, id, std::move(card));
    }
}

std::unique_ptr<Card> CMainFrame::RemoveCardFromCategory(CQuorvaneDoc* document, const QString& name, int position) {
    const int id = CategoryIdFromName(name);
    CardList* list = document && id >= 0 ? document->GetCategoryList(id) : nullptr;
    std::unique_ptr<Card> removed;
    if (list && position >= 0 && position < list->GetCardCount()) {
        list->RemoveCardAt(position, &removed);
    }
    return removed;
}

void CMainFrame::ReplaceCardInCategory(CQuorvaneDoc* document, const QString& name, std::unique_ptr<Card> card,
                                       int position) {
    const int id = CategoryIdFromName(name);
    CardList* list = document && id >= 0 ? document->GetCategoryList(id) : nullptr;
    if (list && position >= 0 && position < list->GetCardCount()) {
        list->ReplaceCardAt(position, std::move(card));
    }
}

// --- Status ---------------------------------------------------------------------------------

void CMainFrame::UpdateCardCounts(int cardsInCategory, int totalCards) {
    m_statusDialogBar->item(StatusDialogBar::kCardsInCategory)->setText(QString::number(cardsInCategory));
    m_statusDialogBar->item(StatusDialogBar::kTotalCards)->setText(QString::number(totalCards));
}

void CMainFrame::ShowEncryptionStatus(bool encrypted) {
    const bool on = encrypted;
    SetToolbarButton(3, cmd::EncryptOnSaveButton, on ? GetToolbarImageBase() : 3);
    QLabel* icon = m_statusDialogBar->item(StatusDialogBar::kSaveStatusIcon);
    icon->setPixmap((on ? icons::encrypted() : icons::plain()).pixmap(20, 20));
    icon->setProperty("encrypted", on);
    m_statusDialogBar->item(StatusDialogBar::kSaveStatusText)
        ->setText(on ? QStringLiteral("(Encrypted)") : QStringLiteral("(Not Encrypted)"));
}

QLabel* CMainFrame::GetStatusDialogBarItem(int id) const { return m_statusDialogBar->item(id); }

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
    connect(document, &CQuorvaneDoc::encryptedFileOpened, this, &CMainFrame::OpenFileEncryptionView);
    connect(document, &CQuorvaneDoc::statusMessage, this, [this](const QString& text) { m_messagePane->setText(text); });
    // Shown over the pane for 20 seconds, so the prompts of the menus a person moves over do not wipe it.
    connect(document, &CQuorvaneDoc::statusNotice, this,
            [this](const QString& text) { statusBar()->showMessage(text, kStatusNoticeMilliseconds); });
    // A locked document counts no cards; unlocked, its counts come back.
    connect(document, &CQuorvaneDoc::lockChanged, this, [this, document] {
        if (document == activeCardDocument()) {
            refreshCardStatus();
        }
        scheduleCommandUpdate();
    });
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

void CMainFrame::updateCaption() {
    MdiChildFrame* frame = activeChildFrame();
    if (m_captionFrame != frame) {
        if (m_captionFrame && m_captionFrame->GetActiveDocument()) {
            disconnect(m_captionFrame->GetActiveDocument(), &Document::titleChanged, this, nullptr);
        }
        m_captionFrame = frame;
        if (frame && frame->GetActiveDocument()) {
            connect(frame->GetActiveDocument(), &Document::titleChanged, this, [this] { updateCaption(); });
        }
    }
    const QString app = QString::fromUtf8(kAppTitle);
    const Document* document = frame ? frame->GetActiveDocument() : nullptr;
    m_caption = document ? app + QStringLiteral(" - ") + document->GetTitle() : app;
    setWindowTitle(m_caption);
}

void CMainFrame::changeEvent(QEvent* event) {
    // A maximized child window writes "%1 - [%2]" into the caption; the caption names the
    // document once, so it is put back.
    if (event->type() == QEvent::WindowTitleChange && !m_caption.isEmpty() && windowTitle() != m_caption) {
        setWindowTitle(m_caption);
    }
    QMainWindow::changeEvent(event);
}

// --- Automatic save -----------------------------------------------------------------------------

void CMainFrame::StartAutosaveTimer() {
    m_autoSave.start(readSetting(m_settings, settings::kAutomaticSave));
    m_autosaveTimer.start();
}

void CMainFrame::OnAutosaveTick() {
    if (CommandBlock::active()) {
        return;  // a command is waiting for the browser; this minute is not counted
    }
    CQuorvaneDoc* document = activeCardDocument();
    if (m_autoSave.tick(document && document->savesToItsOwnFile()) && m_commands->isEnabled(cmd::FileSave)) {
        document->saveAutomatically();  // leaves a file changed elsewhere alone
        scheduleCommandUpdate();
    }
}

void CMainFrame::OpenFileEncryptionView(const QString& path) { openEncryptedFile(*this, path); }

void CMainFrame::LoadProgramSettings() {
    auto path = [this](const TextSetting& key) { return QString::fromStdString(readSetting(m_settings, key)); };
    Paths = {path(settings::kExplorerPath), path(settings::kNetscapePath), path(settings::kMailPath),
             path(settings::kTelnetPath),   path(settings::kNewsPath),     path(settings::kFtpPath),
             path(settings::kHelpPath)};
    ReloadPrintSwitches();
}

void CMainFrame::ReloadPrintSwitches() {
    PrintAtm = readSetting(m_settings, settings::kPrintAtmMainFrame);
    PrintNotes = readSetting(m_settings, settings::kPrintNotesMainFrame);
}

void CMainFrame::reloadSettings() {
    LoadProgramSettings();  // the paths and the print switches
    // The automatic save runs once a document was read or written; switched off, it stops.
    if (readSetting(m_settings, settings::kAutomaticSaveCheck) != 1) {
        m_autosaveTimer.stop();
    } else if (m_autosaveTimer.isActive() || activeCardDocument()) {
        StartAutosaveTimer();
    }
    // The card lists show dates in the format in force.
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        if (auto* cards = qobject_cast<CChildFrame*>(window)) {
            cards->list()->refreshShownCard();
        }
    }
    emit settingsChanged();
}

// --- Events -------------------------------------------------------------------------------------

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        m_messagePane->setText(tip.isEmpty() ? QStringLiteral("Ready") : tip);
        return true;
    }
    return QMainWindow::event(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonRelease:
        case QEvent::KeyRelease:
        case QEvent::FocusIn:
        case QEvent::WindowActivate:
            scheduleCommandUpdate();
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::scheduleCommandUpdate() {
    if (!m_commandUpdateTimer.isActive()) {
        m_commandUpdateTimer.start();
    }
}

void CMainFrame::updateCommandStates() { m_commands->updateCommandStates(); }

QAction* CMainFrame::commandAction(int id) const { return m_commands->action(id); }

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (CommandBlock::active()) {
        event->ignore();  // a command is waiting for the browser and still needs its window
        return;
    }
    if (m_docManager) {
        if (!m_docManager->SaveAllModified()) {
            event->ignore();
            return;
        }
        m_docManager->CloseAllDocuments();
    }
    placement::saveWindowGeometry(*this, m_settings);
    writeSetting(m_settings, settings::kCardListWidth, m_cardListWidth);
    event->accept();
}
