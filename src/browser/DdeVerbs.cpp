#include "browser/DdeVerbs.h"

namespace dde {

const std::array<const char*, kVerbCount>& verbTexts() {
    static constexpr std::array<const char*, kVerbCount> kTexts = {
        "WWW_Activate",
        "WWW_Alert",
        "WWW_BeginProgress",
        "WWW_CancelProgress",
        "WWW_EndProgress",
        "WWW_Exit",
        "WWW_GetWindowInfo",
        "WWW_ListWindows",
        "WWW_MakingProgress",
        "WWW_OpenURL",
        "WWW_ParseAnchor",
        "WWW_QueryURLFile",
        "WWW_QueryViewer",
        "WWW_RegisterProtocol",
        "WWW_RegisterURLEcho",
        "WWW_RegisterViewer",
        "WWW_RegisterWindowChange",
        "WWW_SetProgressRange",
        "WWW_ShowFile",
        "WWW_UnRegisterProtocol",
        "WWW_UnRegisterURLEcho",
        "WWW_UnRegisterViewer",
        "WWW_UnRegisterWindowChange",
        "WWW_URLEcho",
        "WWW_Version",
        "WWW_ViewDocFile",
        "WWW_WindowChange",
    };
    return kTexts;
}

std::string verbText(int index) {
    if (index == QV_FillLogin)
        return "QV_FillLogin";
    if (index == QV_TakeLogin)
        return "QV_TakeLogin";
    return index >= 0 && index < kVerbCount ? std::string(verbTexts()[index]) : std::string();
}

int verbIndex(const std::string& topic) {
    for (int i = 0; i < kVerbCount; ++i) {
        if (topic == verbTexts()[i]) {
            return i;
        }
    }
    return -1;
}

}  // namespace dde
