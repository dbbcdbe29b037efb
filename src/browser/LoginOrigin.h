#pragma once
// May the frame that holds the focused field get this card's password? Only a page of the card's
// own site may: the same scheme, the same port, and the same host or a host under it within the
// same registrable domain, the registrable domain coming from the public suffix list (libpsl).
//
// Both addresses are UTF-8 text (the caller converts a card's Windows-1252 address at its edge).
// How they are read:
// - Only http and https fill web forms. A card for ftp, telnet or anything else never fills a page;
//   a frame of about:, data:, javascript:, file:, blob: or any other scheme never gets anything.
// - A card address without a scheme ("example.org/login", "example.org:8080") is read as https:
//   such a card fills only https pages, never an http one, so a missing scheme never downgrades.
// - Schemes and hosts compare without regard to case; a host's one trailing dot is dropped; the
//   default ports (80, 443) equal the explicit ones. Userinfo ("user:pass@") is skipped: the host
//   is what follows the last '@' of the part before the first '/', '\', '?' or '#'.
// - Hosts compare in their ASCII (punycode) form, converted by libidn2 (IDNA 2008, the mapping of
//   UTS #46), so a look-alike with a Cyrillic letter is a different xn-- host, never the same one.
// - An IP address (IPv4 dotted, or IPv6 in brackets) matches only the same address, never a host
//   under it. A host ending in a number that is not a plain dotted IPv4 address is refused.
// - "Under" means the frame's host ends with "." and the card's host, and both have the same
//   registrable domain. A card whose host has no registrable domain (a public suffix such as
//   github.io, or a single label such as localhost) fills only that exact host.
// - Anything that does not read as such an address (no host, a bad port, a character no host
//   holds, a percent sign, an empty label, over 253 characters) is refused: the rule fails closed.

#include <optional>
#include <string>
#include <string_view>

namespace browser {

/// The verdict on filling a login form: reason is empty when allowed, else one sentence for the
/// status bar that starts "Nothing was filled: ".
struct OriginVerdict {
    bool allowed = false;
    std::string reason;
};

/// The parts of an http or https address the rule compares.
struct WebOrigin {
    std::string scheme;  // "http" or "https"
    std::string host;    // lower case ASCII (punycode), no trailing dot; an IPv6 address in brackets
    int port = 0;        // the explicit port, or the scheme's default
    bool isIpAddress = false;
};

/// Reads the origin of an address the rule compares; whyNot gets the reason (without the
/// "Nothing was filled: " lead) when it does not read. A card address may lack its scheme (then
/// https); a frame's address may not.
std::optional<WebOrigin> readWebOrigin(std::string_view address, bool isCardAddress, std::string* whyNot = nullptr);

/// The host's registrable domain by the public suffix list, or "" when it has none.
std::string registrableDomain(const std::string& asciiHost);

/// Whether the frame at frameUrl may get the password of the card whose address is cardAddress.
OriginVerdict mayFillLogin(std::string_view cardAddress, std::string_view frameUrl);

/// Whether two page addresses (both with their scheme) are of the same site: the same scheme (http
/// or https) and the same registrable domain, or, for a host that has none (an IP address, a public
/// suffix, a single label), the same host. Ports do not count. Anything that does not read as an
/// http or https address is of no site, not even its own.
bool sameSite(std::string_view pageUrl, std::string_view otherPageUrl);

}  // namespace browser
