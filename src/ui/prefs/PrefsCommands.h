#pragma once
// The preference sheet's command.

class CMainFrame;

void installPrefsCommands(CMainFrame& frame);
