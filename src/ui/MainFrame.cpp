#include "ui/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStatusTipEvent>
#include <QToolBar>

#include "app/docview/DocManager.h"
#include "app/docview/MdiChildFrame.h"
#include "prefs/SettingKeys.h"
#include "ui/CommandIds.h"
#include "ui/CommandTable.h"
#include "ui/DocumentTypes.h"
#include "ui/Icons.h"
#include "ui/QuorvaneDoc.h"
#include "ui/QuorvaneView.h"
#include "ui/StatusDialogBar.h"

namespace {

CMainFrame* g_mainFrame = nullptr;

// Category names by categoryId 0-14 (the order of the card file, not the display order).
const char* const kNamesById[15] = {
    "WWW Sites",     "WWW Forms",     "FTP Servers",    "Newsgroups",     "E-Mail Contacts",
    "Login Accounts", "POP Accounts", "Bank Accounts",  "Credit Cards",   "ATM/PIN Cards",
    "Personal Data", "Software Keys", "Serial Numbers", "Membership Numbers", "Miscellaneous",
};

}  // namespace

CMainFrame* GetMainFrame() { return g_mainFrame; }

CMainFrame::CMainFrame(SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent),
      m_settings(settings),
      m_categoryNames{QStringLiteral("WWW Sites"),       QStringLiteral("WWW Forms"),
                      QStringLiteral("FTP Servers"),     QStringLiteral("Newsgroups"),
                      QStringLiteral("E-Mail Contacts"), QStringLiteral("POP Accounts"),
                      QStringLiteral("Login Accounts"),  QStringLiteral("Bank Accounts"),
                      QStringLiteral("Software Keys"),   QStringLiteral("Credit Cards"),
                      QStringLiteral("ATM/PIN Cards"),   QStringLiteral("Serial Numbers"),
                      QStringLiteral("Password Manager"), QStringLiteral("Personal Data"),
                      QStringLiteral("Membership Numbers"), QStringLiteral("Miscellaneous")} {
    g_mainFrame = this;
    m_caption = QString::fromUtf8(kAppTitle);
    setWindowTitle(m_caption);
    setWindowIcon(icons::app());
    resize(kDefaultWidth, kDefaultHeight);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(m_mdiArea);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::onSubWindowActivated);

    m_commands = new CommandTable(this);
    createBars();
    createStatusBar();
    createMenus();
    installCommandRules();
    installFrameHandlers();

    ShowEncryptionStatus(0);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    m_fileViewToolBar->hide();
    m_foldersBar->hide();

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
    qApp->removeEventFilter(this);
    if (g_mainFrame == this) {
        g_mainFrame = nullptr;
    }
}

// --- Category operations ------------------------------------------------------------------

int CMainFrame::CategoryIdFromName(const QString& name) const {
    for (int id = 0; id < 15; ++id) {
        if (name == QLatin1String(kNamesById[id])) {
            return id;
        }
    }
    return -1;
}

QString CMainFrame::CategoryNameFromId(int categoryId) const {
    return categoryId >= 0 && categoryId < 15 ? QString::fromLatin1(kNamesById[categoryId]) : QString();
}

void CMainFrame::AddCardToCategory(CQuorvaneDoc* document, int categoryId, std::unique_ptr<Card> card) {
    if (!document || categoryId < 0 || categoryId >= 15) {
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

void CMainFrame::ShowEncryptionStatus(int encrypted) {
    const bool on = encrypted == 1;
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
    MdiChildFrame* frame = activeChildFrame();
    return frame ? qobject_cast<CQuorvaneDoc*>(frame->GetActiveDocument()) : nullptr;
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
    MdiChildFrame* frame = activeChildFrame();
    if (!frame) {
        return nullptr;
    }
    for (View* view : frame->views()) {
        if (auto* tree = dynamic_cast<CQuorvaneView*>(view)) {
            return tree;
        }
    }
    return nullptr;
}

bool CMainFrame::activeDocumentHasCards() const {
    const CQuorvaneDoc* document = activeCardDocument();
    return document && document->GetStoredSize() > 0;
}

void CMainFrame::setDocManager(DocManager* manager) {
    m_docManager = manager;
    manager->setMdiArea(m_mdiArea);
    connect(manager, &DocManager::recentFilesChanged, this, &CMainFrame::fillRecentFileEntries);
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
        frame->showMaximized();
        if (View* view = frame->GetActiveView()) {
            view->OnActivateView(true);
        }
    }
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
    const CQuorvaneDoc* document = activeCardDocument();
    if (m_autoSave.tick(document && !document->GetPathName().isEmpty())) {
        m_commands->execute(cmd::FileSave);
    }
}

void CMainFrame::OpenFileEncryptionView() {}

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
    if (m_docManager) {
        if (!m_docManager->SaveAllModified()) {
            event->ignore();
            return;
        }
        m_docManager->CloseAllDocuments();
    }
    event->accept();
}
