#pragma once
// The preference sheet's command.

class CMainFrame;

void installPrefsCommands(CMainFrame& frame);

/// Preferences: shows "Preferences Settings", stores every value on OK and nothing on Cancel,
/// and in both cases lets the window take over the settings in force.
void OnPreferences(CMainFrame& frame);
