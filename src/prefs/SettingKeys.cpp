#include "prefs/SettingKeys.h"

namespace settings {

TextSetting recentFileSetting(int index) {
    static const char* const kKeys[kRecentFileCount] = {"File1", "File2", "File3", "File4"};
    return {kRecentFileSection, kKeys[index], ""};
}

}  // namespace settings
