#pragma once
// The Internet menu and the browser buttons: launching programs, loading a card's address in the
// browser and making a card from the page it shows.

class CMainFrame;

void installBrowserCommands(CMainFrame& frame);
