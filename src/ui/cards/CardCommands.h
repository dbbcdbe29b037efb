#pragma once
// The card commands of the main window: their enable rules and handlers.

class CMainFrame;

/// Installs the card commands, the card document's file commands and Encrypt On Save.
void installCardCommands(CMainFrame& frame);
