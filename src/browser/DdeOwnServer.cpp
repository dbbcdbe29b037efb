#include "browser/DdeOwnServer.h"

#include <vector>

#include "browser/DdeCodec.h"
#include "browser/DdeVerbs.h"

namespace dde {

namespace {

/// Raw data for a single "DW" or "BL", else the item text with its zero byte.
std::string answer(const std::string& typeList, const Value& value) {
    if (typeList == "DW") {
        return rawNumber(numberOf(value));
    }
    if (typeList == "BL") {
        return rawTruth(truthOf(value));
    }
    std::string text = buildItem(typeList, {Arg{value}});
    text += '\0';
    return text;
}

}  // namespace

std::optional<std::string> ownServerAnswer(int verb, const std::string& item, std::uint32_t now,
                                           const std::function<std::string()>& temporaryName) {
    // The items are read as the browser writes them; the program needs none of their values.
    switch (verb) {
        case WWW_Alert:
            readReply(item, "QCS,DW,DW");
            return answer("DW", Value{std::uint32_t{0}});
        case WWW_BeginProgress:
            readReply(item, "DW,QCS");
            return answer("DW", Value{now});
        case WWW_MakingProgress:
            readReply(item, "DW,QCS,DW");
            return answer("BL", Value{false});
        case WWW_OpenURL:
            readReply(item, "QCS,QCS,DW,DW,QCS,QCS,CS");
            return answer("DW", Value{now});
        case WWW_QueryViewer:
            readReply(item, "QCS,QCS");
            return answer("QCS", Value{temporaryName()});
        default:
            return std::nullopt;
    }
}

bool ownServerTakesPoke(int verb) {
    switch (verb) {
        case WWW_EndProgress:
        case WWW_SetProgressRange:
        case WWW_URLEcho:
        case WWW_ViewDocFile:
        case WWW_WindowChange:
            return true;
        default:
            return false;
    }
}

}  // namespace dde
