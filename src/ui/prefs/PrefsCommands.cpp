#include "ui/prefs/PrefsCommands.h"

#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

void installPrefsCommands(CMainFrame& frame) {
    // Not built yet: does nothing. Once the sheet writes settings it calls frame.reloadSettings().
    frame.commands().setHandler(cmd::Preferences, [] {});
}
