// The main window's menus: 128 with no document, 129 for a plain card document, 200 for an
// encrypted one (no "File View", no mnemonics on Card and Internet), 155 for the file-encryption
// window. The recent files stand in every File menu between separators.

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "docview/DocManager.h"
#include "docview/MdiWindowList.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

namespace {

constexpr int kSep = 0;
constexpr int kRecentFiles = -1;

struct Item {
    int id;
    const char* text = nullptr;  // another text for the command in this menu
};

struct Popup {
    const char* title;
    std::vector<Item> items;
};

std::vector<Popup> menuLayout(int menuId) {
    using I = Item;
    if (menuId == CMainFrame::kMenuNoDocument) {
        return {
            {"&File", {I{cmd::FileNew}, I{cmd::FileOpen}, I{cmd::FileImport}, I{kSep}, I{cmd::FilePrintSetup}, I{kSep}, I{kRecentFiles},
                       I{kSep}, I{cmd::AppExit}}},
            {"&View", {I{cmd::ViewToolbar}, I{cmd::ViewStatusBar}, I{kSep}, I{cmd::StandardView}}},
            {"&Help", {I{cmd::AppAbout, "&About Quorvane"}}},
        };
    }
    if (menuId == CMainFrame::kMenuFileView) {
        return {
            {"&File", {I{cmd::FeEncryptFile}, I{cmd::FeDecryptFile}, I{kSep}, I{cmd::AppExit}}},
            {"&Encryption", {I{cmd::FeSetPassword}, I{cmd::FeClearPassword}}},
            {"&View", {I{cmd::FeCardView}, I{kSep}, I{cmd::FeAllFiles}, I{cmd::FeEncryptedFiles}}},
        };
    }
    const bool encrypted = menuId == CMainFrame::kMenuEncrypted;
    std::vector<Item> view = {I{cmd::ViewToolbar}, I{cmd::ViewStatusBar}};
    if (!encrypted) {
        view.insert(view.end(), {I{kSep}, I{cmd::FileView}});
    }
    return {
        {"&File",
         {I{cmd::FileNew}, I{cmd::FileOpen}, I{cmd::FileClose}, I{cmd::FileSave}, I{cmd::FileSaveAs}, I{kSep},
          I{cmd::FileImport}, I{cmd::FileExport}, I{kSep},
          I{cmd::EncryptOnSave}, I{cmd::FileLock}, I{kSep}, I{cmd::FilePrint}, I{cmd::PrintPreview}, I{cmd::FilePrintSetup}, I{kSep},
          I{kRecentFiles}, I{kSep}, I{cmd::AppExit}}},
        {"&Edit",
         {I{cmd::EditUndo}, I{kSep}, I{cmd::EditCut}, I{cmd::EditCopy}, I{cmd::EditPaste}, I{kSep}, I{cmd::EditFind},
          I{kSep}, I{cmd::Preferences}}},
        {encrypted ? "Card" : "&Card",
         {I{cmd::NewCard}, I{cmd::DeleteCard}, I{kSep}, I{cmd::FirstCard}, I{cmd::LastCard}, I{kSep},
          I{cmd::EditCard}, I{cmd::ShareWithPrograms}, I{kSep}, I{cmd::CopyOneTimeCode}, I{cmd::SetUpOneTimeCode},
          I{cmd::ShowQrCode}}},
        {encrypted ? "Internet" : "&Internet",
         {I{cmd::LaunchWww}, I{cmd::LaunchEmail}, I{cmd::LaunchLogin}, I{cmd::LaunchNews}, I{cmd::LaunchFtp}, I{kSep},
          I{cmd::LoadWebPage}, I{cmd::GetWebPage}, I{cmd::FillLogin}}},
        {"&View", view},
        {"&Window", {I{cmd::WindowArrange}}},
        {"&Help",
         {I{cmd::OnlineDocumentation}, I{cmd::HelpReader}, I{cmd::HomePage}, I{kSep}, I{cmd::AppAbout}}},
    };
}

}  // namespace

void CMainFrame::createMenus() {
    for (int menuId : {kMenuNoDocument, kMenuPlain, kMenuEncrypted, kMenuFileView}) {
        QList<QMenu*> popups;
        for (const Popup& popup : menuLayout(menuId)) {
            auto* menu = new QMenu(QString::fromUtf8(popup.title), this);
            menu->setProperty("menuId", menuId);
            for (const Item& item : popup.items) {
                if (item.id == kSep) {
                    menu->addSeparator();
                } else if (item.id == kRecentFiles) {
                    for (int i = 0; i < 4; ++i) {
                        menu->addAction(m_commands->action(cmd::FileMru1 + i));
                    }
                } else if (item.text) {
                    menu->addAction(m_commands->addAlias(item.id, QString::fromUtf8(item.text)));
                } else {
                    menu->addAction(m_commands->action(item.id));
                }
            }
            connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
            if (popup.items.size() == 1 && popup.items.front().id == cmd::WindowArrange) {
                m_windowList->attachMenu(menu);  // the open child windows follow Arrange Icons
            }
            popups.append(menu);
        }
        m_menus.insert(menuId, popups);
    }
}

void CMainFrame::switchMenu(int menuId) {
    if (menuId == m_activeMenu) {
        return;
    }
    m_activeMenu = menuId;
    menuBar()->clear();
    for (QMenu* popup : m_menus.value(menuId)) {
        menuBar()->addMenu(popup);
    }
}

void CMainFrame::fillRecentFileEntries() {
    const int count = m_docManager ? m_docManager->recentFiles().count() : 0;
    for (int i = 0; i < 4; ++i) {
        QAction* action = m_commands->action(cmd::FileMru1 + i);
        if (i < count) {
            action->setText(m_docManager->recentFiles().menuText(i));
            action->setVisible(true);
        } else {
            // An empty list shows one greyed "Recent File" entry, as the framework does.
            action->setText(QStringLiteral("Recent File"));
            action->setVisible(i == 0);
        }
    }
    scheduleCommandUpdate();
}
