#include "ui/prefs/PrefsCommands.h"

#include "prefs/PreferenceValues.h"
#include "ui/common/GuiPrompter.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"
#include "ui/prefs/PrefPropertySheet.h"
#include "ui/prefs/QSettingsStore.h"

void OnPreferences(CMainFrame& frame) {
    SettingsStore& store = frame.settings();
    CPrefPropertySheet sheet(readPreferenceValues(store), dialogParent());
    if (guiPrompter().exec(sheet) == QDialog::Accepted) {
        writePreferenceValues(store, sheet.values());
        // On disk at once, so that nothing confirmed is lost should the program end abruptly.
        if (auto* file = dynamic_cast<QSettingsStore*>(&store)) {
            file->sync();
        }
    }
    // OK or Cancel, the window takes the settings in force now.
    frame.reloadSettings();
}

void installPrefsCommands(CMainFrame& frame) {
    CMainFrame* f = &frame;
    frame.commands().setHandler(cmd::Preferences, [f] { OnPreferences(*f); });
}
