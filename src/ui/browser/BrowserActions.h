#pragma once
// The browser commands: Load Web Page sends the selected card's address to the browser (and, with
// Automatic Access, has a browser that fills forms log in), Fill Login types the selected card's
// login into the page the browser shows, Get Web Page makes a card of the page the browser shows
// (with the login the person typed there, when the browser noted one), and OpenInBrowser opens a
// fixed page (home page, online documentation, the About box's link). A browser that does not
// answer is started and waited for once.

#include <QString>

class CMainFrame;

namespace browseractions {

inline constexpr int kBrowserWaitMs = 3000;

void OnLoadWebPage(CMainFrame& frame);
void OnGetWebPage(CMainFrame& frame);
void OnFillLogin(CMainFrame& frame);
void OpenInBrowser(CMainFrame& frame, const QString& address);

}  // namespace browseractions
