#pragma once
// What the browser commands send: which browser's DDE service they talk to, the window ids, and
// the address of a card with automatic access.

#include <cstdint>
#include <string>

namespace browser {

/// The browser's last active window.
inline constexpr std::uint32_t kLastActiveWindow = 0xFFFFFFFFu;
/// Asks the browser for a new window.
inline constexpr std::uint32_t kNewWindow = 0;

enum class Command { LoadWebPage, GetWebPage, FixedPage };

/// The DDE service name for a "Choose Web Browser" value: 0 "Netscape"; 1 "IExplore" for Get Web
/// Page and "Iexplore" for the others; any other value "" (no browser answers to it).
std::string serviceNameForChoice(int choice, Command command);

/// The address Load Web Page sends for a card with automatic access. For an http, https, ftp or
/// telnet address ("scheme://host..."), the scheme and host stay and the user ID and password,
/// percent-encoded as UTF-8, go in front of the host (replacing any user part the address had), so
/// that no character in them can change the host the browser contacts. Any other address, or one
/// without a scheme, is sent unchanged. Texts are Windows-1252 bytes.
std::string automaticAccessAddress(const std::string& address, const std::string& userId, const std::string& password);

/// An address the browser reported, split into the address without its user part and the user ID
/// and password that part held.
struct ReportedAddress {
    std::string address;   // scheme, host, port, path, query and fragment
    std::string userId;    // percent-decoded, Windows-1252; empty when there was none
    std::string password;  // the same
    bool hadUserPart = false;
};

/// Takes the user part ("user:password@") out of a "scheme://..." address, as a page opened with
/// automatic access reports it, so a password never lands in a card's address field. The user ID and
/// password are decoded from percent-encoded UTF-8; a part that does not decode to Windows-1252 text
/// is dropped. Other addresses come back unchanged. Texts are Windows-1252 bytes.
ReportedAddress withoutUserPart(const std::string& address);

}  // namespace browser
