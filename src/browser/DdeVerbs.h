#pragma once
// The 27 "WWW_" verbs of the browsers' DDE interface. A verb is a DDE topic; its index in this
// table is how the program names it.

#include <array>
#include <string>

namespace dde {

enum Verb : int {
    WWW_Activate = 0,
    WWW_Alert,
    WWW_BeginProgress,
    WWW_CancelProgress,
    WWW_EndProgress,
    WWW_Exit,
    WWW_GetWindowInfo,
    WWW_ListWindows,
    WWW_MakingProgress,
    WWW_OpenURL,
    WWW_ParseAnchor,
    WWW_QueryURLFile,
    WWW_QueryViewer,
    WWW_RegisterProtocol,
    WWW_RegisterURLEcho,
    WWW_RegisterViewer,
    WWW_RegisterWindowChange,
    WWW_SetProgressRange,
    WWW_ShowFile,
    WWW_UnRegisterProtocol,
    WWW_UnRegisterURLEcho,
    WWW_UnRegisterViewer,
    WWW_UnRegisterWindowChange,
    WWW_URLEcho,
    WWW_Version,
    WWW_ViewDocFile,
    WWW_WindowChange,
};

inline constexpr int kVerbCount = 27;

/// Topics of our own beyond the 27, answered by quorvane-browser: filling a login form, and taking
/// the login the person last sent by hand. A browser side that does not know them refuses the
/// conversation, and the program goes without.
enum ExtraVerb : int {
    QV_FillLogin = kVerbCount,
    QV_TakeLogin,
};
inline constexpr int kAllVerbCount = kVerbCount + 2;

/// The verb texts, by index ("WWW_Activate" ... "WWW_WindowChange").
const std::array<const char*, kVerbCount>& verbTexts();

/// The text of verb `index` (one of the 27 or of our own); empty for an index outside both.
std::string verbText(int index);

/// The index of a topic name, compared exactly; -1 when it is none of the 27.
int verbIndex(const std::string& topic);

}  // namespace dde
