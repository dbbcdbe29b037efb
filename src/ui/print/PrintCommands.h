#pragma once
// Printing the cards: Print, Print Preview and Print Setup.

class CMainFrame;

void installPrintCommands(CMainFrame& frame);
