#include "ui/browser/BrowserCommands.h"

#include <QPushButton>

#include "docview/MdiChildFrame.h"
#include "ui/browser/BrowserActions.h"
#include "ui/browser/Launcher.h"
#include "ui/common/GuiPrompter.h"
#include "ui/frame/AboutDlg.h"
#include "ui/frame/AppInfo.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

void installBrowserCommands(CMainFrame& frame) {
    CommandTable& c = frame.commands();
    CMainFrame* f = &frame;
    c.setEnableRule(cmd::LoadWebPage, [f] { return f->CardSelected(); });
    c.setEnableRule(cmd::LoadWebPageButton, [f] { return f->CardSelected(); });
    c.setEnableRule(cmd::GetWebPageButton, [f] {
        MdiChildFrame* window = f->activeChildFrame();
        return window && window->GetActiveView();
    });
    c.setHandler(cmd::LoadWebPage, [f] { browseractions::OnLoadWebPage(*f); });
    c.setHandler(cmd::LoadWebPageButton, [f] { browseractions::OnLoadWebPage(*f); });
    c.setEnableRule(cmd::FillLogin, [f] { return f->CardSelected(); });
    c.setHandler(cmd::FillLogin, [f] { browseractions::OnFillLogin(*f); });
    c.setHandler(cmd::GetWebPage, [f] { browseractions::OnGetWebPage(*f); });
    c.setHandler(cmd::GetWebPageButton, [f] { browseractions::OnGetWebPage(*f); });
    c.setHandler(cmd::HomePage, [f] { browseractions::OpenInBrowser(*f, QString::fromUtf8(kHomePageAddress)); });
    c.setHandler(cmd::OnlineDocumentation,
                 [f] { browseractions::OpenInBrowser(*f, QString::fromUtf8(kUserGuideAddress)); });

    c.setHandler(cmd::LaunchWww, [f] { launcher::LaunchBrowser(*f); });
    c.setHandler(cmd::LaunchBrowserButton, [f] { launcher::LaunchBrowser(*f); });
    c.setHandler(cmd::LaunchEmail, [f] { launcher::LaunchEmail(*f); });
    c.setHandler(cmd::LaunchLogin, [f] { launcher::LaunchLogin(*f); });
    c.setHandler(cmd::LaunchNews, [f] { launcher::LaunchNews(*f); });
    c.setHandler(cmd::LaunchFtp, [f] { launcher::LaunchFtp(*f); });
    c.setHandler(cmd::HelpReader, [f] { launcher::LaunchHelpReader(*f); });

    // The About box's home-page button opens the page in the browser like the Help menu's item.
    c.setHandler(cmd::AppAbout, [f] {
        CAboutDlg about(f);
        QObject::connect(about.homePageButton(), &QPushButton::clicked, &about,
                         [f] { browseractions::OpenInBrowser(*f, QString::fromUtf8(kHomePageAddress)); });
        guiPrompter().exec(about);
    });

    // Not built yet: they do nothing.
    for (int id : {cmd::OpenNewWindow, cmd::AutomaticAccess}) {
        c.setHandler(id, [] {});
    }
}
