#include "browser/DdeErrors.h"

#include <array>

namespace dde {

namespace {

struct ErrorName {
    std::uint32_t value;
    const char* wire;   // the value's name without "DMLERR_"
    const char* shown;  // what the message box says
};

// The shown texts are the program's own: two of them keep the "DMLERR_" prefix.
constexpr std::array<ErrorName, 18> kErrors = {{
    {DMLERR_ADVACKTIMEOUT, "ADVACKTIMEOUT", "ADVACKTIMEOUT"},
    {DMLERR_BUSY, "BUSY", "BUSY"},
    {DMLERR_DATAACKTIMEOUT, "DATAACKTIMEOUT", "DATAACKTIMEOUT"},
    {DMLERR_DLL_NOT_INITIALIZED, "DLL_NOT_INITIALIZED", "DLL_NOT_INITIALIZED"},
    {DMLERR_DLL_USAGE, "DLL_USAGE", "DLL_USAGE"},
    {DMLERR_EXECACKTIMEOUT, "EXECACKTIMEOUT", "EXECACKTIMEOUT"},
    {DMLERR_INVALIDPARAMETER, "INVALIDPARAMETER", "INVALIDPARAMETER"},
    {DMLERR_LOW_MEMORY, "LOW_MEMORY", "LOW_MEMORY"},
    {DMLERR_MEMORY_ERROR, "MEMORY_ERROR", "DMLERR_MEMORY_ERROR"},
    {DMLERR_NOTPROCESSED, "NOTPROCESSED", "DMLERR_NOTPROCESSED"},
    {DMLERR_NO_CONV_ESTABLISHED, "NO_CONV_ESTABLISHED", "NO_CONV_ESTABLISHED"},
    {DMLERR_POKEACKTIMEOUT, "POKEACKTIMEOUT", "POKEACKTIMEOUT"},
    {DMLERR_POSTMSG_FAILED, "POSTMSG_FAILED", "POSTMSG_FAILED"},
    {DMLERR_REENTRANCY, "REENTRANCY", "REENTRANCY"},
    {DMLERR_SERVER_DIED, "SERVER_DIED", "SERVER_DIED"},
    {DMLERR_SYS_ERROR, "SYS_ERROR", "SYS_ERROR"},
    {DMLERR_UNADVACKTIMEOUT, "UNADVACKTIMEOUT", "UNADVACKTIMEOUT"},
    {DMLERR_UNFOUND_QUEUE_ID, "UNFOUND_QUEUE_ID", "UNFOUND_QUEUE_ID"},
}};

}  // namespace

std::string errorText(std::uint32_t error) {
    if (error == DMLERR_NO_ERROR) {
        return {};
    }
    for (const ErrorName& e : kErrors) {
        if (e.value == error) {
            return e.shown;
        }
    }
    return "Uknown Error";
}

std::string wireErrorName(std::uint32_t error) {
    for (const ErrorName& e : kErrors) {
        if (e.value == error) {
            return e.wire;
        }
    }
    return {};
}

std::uint32_t errorFromWireName(const std::string& name) {
    for (const ErrorName& e : kErrors) {
        if (name == e.wire) {
            return e.value;
        }
    }
    return 0;
}

}  // namespace dde
