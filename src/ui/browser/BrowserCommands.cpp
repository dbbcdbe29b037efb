#include "ui/browser/BrowserCommands.h"

#include "docview/MdiChildFrame.h"
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
    // Not built yet: they do nothing.
    for (int id : {cmd::LaunchWww, cmd::LaunchBrowserButton, cmd::LaunchEmail, cmd::LaunchLogin, cmd::LaunchNews,
                   cmd::LaunchFtp, cmd::LoadWebPage, cmd::LoadWebPageButton, cmd::GetWebPage, cmd::GetWebPageButton,
                   cmd::OnlineDocumentation, cmd::HelpReader, cmd::HomePage, cmd::OpenNewWindow,
                   cmd::AutomaticAccess}) {
        c.setHandler(id, [] {});
    }
}
