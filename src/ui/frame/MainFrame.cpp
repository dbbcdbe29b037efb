#include "common/Wipe.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/WelcomePane.h"

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

#include "docview/DocManager.h"
#include "docview/MdiChildFrame.h"
#include "docview/MdiWindowList.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/ChildFrame.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/common/CommandBlock.h"
#include "ui/common/DocumentTypes.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/Icons.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/StatusMessagePane.h"
#include "ui/frame/WindowPlacement.h"

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
    m_welcomePane = new WelcomePane(*this, m_mdiArea);

    ShowEncryptionStatus(false);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(placement::firstStartGeometry(screen->availableGeometry(), QSize(kDefaultWidth, kDefaultHeight)));
    }
    // Where the window was left last time, if it was; the first start keeps the place above.
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
        m_messagePane->setPrompt(tip);
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
