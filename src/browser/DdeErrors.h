#pragma once
// The DDE error values and the names the program shows for them.

#include <cstdint>
#include <string>

namespace dde {

inline constexpr std::uint32_t DMLERR_NO_ERROR = 0;
inline constexpr std::uint32_t DMLERR_ADVACKTIMEOUT = 0x4000;
inline constexpr std::uint32_t DMLERR_BUSY = 0x4001;
inline constexpr std::uint32_t DMLERR_DATAACKTIMEOUT = 0x4002;
inline constexpr std::uint32_t DMLERR_DLL_NOT_INITIALIZED = 0x4003;
inline constexpr std::uint32_t DMLERR_DLL_USAGE = 0x4004;
inline constexpr std::uint32_t DMLERR_EXECACKTIMEOUT = 0x4005;
inline constexpr std::uint32_t DMLERR_INVALIDPARAMETER = 0x4006;
inline constexpr std::uint32_t DMLERR_LOW_MEMORY = 0x4007;
inline constexpr std::uint32_t DMLERR_MEMORY_ERROR = 0x4008;
inline constexpr std::uint32_t DMLERR_NOTPROCESSED = 0x4009;
inline constexpr std::uint32_t DMLERR_NO_CONV_ESTABLISHED = 0x400A;
inline constexpr std::uint32_t DMLERR_POKEACKTIMEOUT = 0x400B;
inline constexpr std::uint32_t DMLERR_POSTMSG_FAILED = 0x400C;
inline constexpr std::uint32_t DMLERR_REENTRANCY = 0x400D;
inline constexpr std::uint32_t DMLERR_SERVER_DIED = 0x400E;
inline constexpr std::uint32_t DMLERR_SYS_ERROR = 0x400F;
inline constexpr std::uint32_t DMLERR_UNADVACKTIMEOUT = 0x4010;
inline constexpr std::uint32_t DMLERR_UNFOUND_QUEUE_ID = 0x4011;

/// The text the "Error" box shows for a pending error ("BUSY", "DMLERR_NOTPROCESSED", ...), "Uknown
/// Error" for a value outside the table, and "" for no error.
std::string errorText(std::uint32_t error);

/// The short name of an error value as it travels on the bus ("BUSY", "NOTPROCESSED", ...); "" for
/// a value outside the table.
std::string wireErrorName(std::uint32_t error);
/// The error value of a short name; 0 for an unknown name.
std::uint32_t errorFromWireName(const std::string& name);

}  // namespace dde
