#pragma once
// A small DDE management library over the D-Bus session bus: one instance per program, string
// handles, the name service, conversations, request and poke transactions, and a pending last
// error. Its calls have the shape of the platform library the program was first written against;
// docs/browser-protocol.md says how each one travels on the bus.
//
// Everything runs on the user-interface thread. A transaction waits for its answer in a local event
// loop under a CommandBlock: the windows repaint and the program's own server keeps answering the
// browser's calls, but no command starts meanwhile.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace dde {

using DWORD = std::uint32_t;
using HSZ = std::uint32_t;    // string handle; 0 is none
using HCONV = std::uint64_t;  // conversation handle; 0 is none

enum TransactionType { XTYP_CONNECT, XTYP_CONNECT_CONFIRM, XTYP_DISCONNECT, XTYP_REQUEST, XTYP_POKE };
enum NameServiceCommand { DNS_REGISTER, DNS_UNREGISTER };

inline constexpr DWORD DDE_FACK = 0x8000;
inline constexpr DWORD kDefaultTimeout = 60000;  // milliseconds a transaction waits for its answer

/// What the program's server callback answers. XTYP_CONNECT: `value` non-zero accepts. XTYP_REQUEST:
/// `data` (none: no data). XTYP_POKE: `value` is the acknowledgement (DDE_FACK, or 0 for not processed).
struct CallbackResult {
    DWORD value = 0;
    std::optional<std::string> data;
};

/// The server callback. `hsz1` is the topic; `hsz2` the service (connect) or the item (request, poke);
/// `data` the poked data.
using Callback = std::function<CallbackResult(TransactionType type, HCONV conversation, HSZ hsz1, HSZ hsz2,
                                              const std::string& data)>;

/// The session bus address the program uses: $DBUS_SESSION_BUS_ADDRESS, else the per-user bus socket
/// in $XDG_RUNTIME_DIR when it exists, else empty (no session bus).
QString sessionBusAddress();

/// Connects to the bus at `busAddress` (empty: sessionBusAddress()) and serves the callback there.
/// Returns DMLERR_NO_ERROR and sets `instance`, or an error with `instance` 0 when there is no bus.
DWORD DdeInitialize(DWORD* instance, Callback callback, const QString& busAddress = QString());
/// Ends the instance: its names are released and its conversations dropped.
bool DdeUninitialize(DWORD instance);

/// The pending error of the instance, cleared by reading it.
DWORD DdeGetLastError(DWORD instance);

/// A handle for a name or item text (Windows-1252). Texts that differ only in the case of ASCII
/// letters share a handle, as DDE names do; each create needs a free.
HSZ DdeCreateStringHandle(DWORD instance, const std::string& text);
bool DdeFreeStringHandle(DWORD instance, HSZ handle);
/// The text of a handle as first created; empty for an unknown handle.
std::string DdeQueryString(DWORD instance, HSZ handle);

/// Registers or releases a service name of the program's own server on the bus.
bool DdeNameService(DWORD instance, HSZ service, NameServiceCommand command);

/// Opens a conversation with `service` on `topic`; 0 (and NO_CONV_ESTABLISHED pending) when no server
/// of that name runs or it refuses the topic.
HCONV DdeConnect(DWORD instance, HSZ service, HSZ topic);
/// Ends a conversation, whichever side opened it.
bool DdeDisconnect(HCONV conversation);

/// A request (XTYP_REQUEST: `data` unused, answers the data) or a poke (XTYP_POKE: sends `data`,
/// answers an empty text when acknowledged). Nothing, with the error pending, when it fails or
/// `timeoutMs` passes.
std::optional<std::string> DdeClientTransaction(const std::string& data, HCONV conversation, HSZ item,
                                                TransactionType type, DWORD timeoutMs = kDefaultTimeout);

}  // namespace dde
