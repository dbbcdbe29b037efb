#pragma once
// File, Import... and File, Export...: other programs' exports into a card document, and a document's
// cards out to CSV or JSON (exchange/ in the core reads and writes them).

class CMainFrame;

void installExchangeCommands(CMainFrame& frame);
