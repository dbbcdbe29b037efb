// The main window's bars: the main toolbar, the file-view toolbar, the two dialog bars and the
// status bar with its message and lock-key panes.

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>

#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/common/Icons.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/StatusDialogBar.h"

namespace {

constexpr int kSeparator = 0;

// Toolbar 128, left to right; 0 marks a separator.
const int kMainButtons[] = {
    cmd::FileNew,        cmd::FileOpen,          cmd::FileSave,          cmd::EncryptOnSaveButton, kSeparator,
    cmd::CopyPassword,   cmd::EditCut,           cmd::EditPaste,         cmd::EditCopy,            kSeparator,
    cmd::FilePrint,      kSeparator,             cmd::LaunchBrowserButton, kSeparator,             cmd::LoadWebPageButton,
    cmd::GetWebPageButton, kSeparator,           cmd::NewCardButton,     cmd::DeleteCardButton,    cmd::UpdateCardButton,
    kSeparator,          cmd::FindButton,        kSeparator,             cmd::FileEncryptionButton, kSeparator,
    cmd::OnlineDocumentation, cmd::AppAbout,
};

// Toolbar 158 of the file-encryption window.
const int kFileViewButtons[] = {
    cmd::FeSetPasswordButton, cmd::FeClearPasswordButton, kSeparator, cmd::FeEncryptFileButton,
    cmd::FeDecryptFileButton, kSeparator, cmd::FeShowEncryptedOnly, cmd::FeShowAllFiles, kSeparator,
    cmd::FeCardViewButton,
};

QToolBar* makeToolBar(QMainWindow* window, const QString& title, const QString& name) {
    auto* bar = new QToolBar(title, window);
    bar->setObjectName(name);
    bar->setIconSize(QSize(20, 20));
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    return bar;
}

}  // namespace

void CMainFrame::createBars() {
    m_mainToolBar = makeToolBar(this, QStringLiteral("Toolbar"), QStringLiteral("mainToolBar"));
    for (int id : kMainButtons) {
        if (id == kSeparator) {
            m_mainToolBar->addSeparator();
            continue;
        }
        QAction* action = m_commands->action(id);
        action->setIcon(icons::toolbar(id));
        m_toolbarImages.push_back(action->icon());
        m_mainToolBar->addAction(action);
    }
    m_fileViewToolBar = makeToolBar(this, QStringLiteral("File Encryption"), QStringLiteral("fileViewToolBar"));
    for (int id : kFileViewButtons) {
        if (id == kSeparator) {
            m_fileViewToolBar->addSeparator();
            continue;
        }
        QAction* action = m_commands->action(id);
        action->setIcon(icons::toolbar(id));
        m_fileViewToolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_mainToolBar);
    addToolBar(Qt::TopToolBarArea, m_fileViewToolBar);

    // The second set of button images; its first image is the encrypt button's encrypted state.
    const std::size_t buttons = m_toolbarImages.size();
    m_toolbarImageBase = static_cast<int>(buttons);
    m_toolbarImages.push_back(icons::encryptedButton());
    for (std::size_t i = 1; i < buttons; ++i) {
        m_toolbarImages.push_back(m_toolbarImages[i]);
    }

    addToolBarBreak(Qt::TopToolBarArea);
    m_statusDialogBar = new StatusDialogBar(this);
    m_statusBarHolder = makeToolBar(this, QStringLiteral("Status Dialog Bar"), QStringLiteral("statusDialogBar"));
    m_statusBarHolder->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    m_statusBarHolder->setMovable(false);
    m_statusBarHolder->addWidget(m_statusDialogBar);
    addToolBar(Qt::TopToolBarArea, m_statusBarHolder);

    m_foldersBar = makeToolBar(this, QStringLiteral("Folders"), QStringLiteral("foldersBar"));
    m_foldersBar->setMovable(false);
    auto* folders = new QLabel(QStringLiteral("Folders:"), m_foldersBar);
    folders->setContentsMargins(6, 2, 6, 2);
    m_foldersBar->addWidget(folders);
    addToolBar(Qt::TopToolBarArea, m_foldersBar);
}

void CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    m_messagePane = new QLabel(QStringLiteral("Ready"), bar);
    m_messagePane->setMinimumWidth(1);
    bar->addWidget(m_messagePane, 1);
    const char* const names[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        // The lock-key state cannot be read portably: the panes stay greyed, as for keys that are off.
        auto* pane = new QLabel(QString::fromLatin1(names[i]), bar);
        pane->setFrameShape(QFrame::StyledPanel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        pane->setEnabled(false);
        bar->addPermanentWidget(pane);
        m_lockPanes[static_cast<std::size_t>(i)] = pane;
    }
}

void CMainFrame::SetToolbarButton(int index, int commandId, int image) {
    const QList<QAction*> items = m_mainToolBar->actions();
    QAction* action = m_commands->action(commandId);
    if (index < 0 || index >= items.size() || !action) {
        return;
    }
    if (items.at(index) != action) {
        m_mainToolBar->insertAction(items.at(index), action);
        m_mainToolBar->removeAction(items.at(index));
    }
    if (image >= 0 && static_cast<std::size_t>(image) < m_toolbarImages.size()) {
        action->setIcon(m_toolbarImages[static_cast<std::size_t>(image)]);
        action->setProperty("toolbarImage", image);
    }
}

void CMainFrame::RestoreBarsAfterPreview() {
    m_statusBarHolder->show();
    m_mainToolBar->show();
    update();
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
