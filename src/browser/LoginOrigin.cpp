#include "browser/LoginOrigin.h"

#include <arpa/inet.h>
#include <idn2.h>
#include <libpsl.h>

#include <memory>

namespace browser {

namespace {

constexpr std::size_t kMaxHostLength = 253;
constexpr std::size_t kMaxLabelLength = 63;
constexpr std::size_t kMaxSchemeShown = 20;
constexpr const char* kLead = "Nothing was filled: ";

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = lowerAscii(c);
    return lower;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (lowerAscii(c) >= 'a' && lowerAscii(c) <= 'f');
}

bool isAlpha(char c) {
    return lowerAscii(c) >= 'a' && lowerAscii(c) <= 'z';
}

// What an ASCII host name holds; '%', ':', '@', '/', spaces and controls never.
bool isHostChar(char c) {
    return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_';
}

// Space and the C0 controls, which people paste around an address and browsers drop at its ends.
bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The public suffix list: psl_latest takes the newer of the list built into libpsl and the one the
// publicsuffix package installs under /usr/share/publicsuffix, so an updated list counts without a
// rebuild, and a missing or broken file leaves the built-in one. Loaded once, kept until exit.
const psl_ctx_t* publicSuffixes() {
    struct Free {
        void operator()(psl_ctx_t* ctx) const { psl_free(ctx); }  // leaves the built-in list alone
    };
    static const std::unique_ptr<psl_ctx_t, Free> latest(psl_latest(nullptr));
    static const psl_ctx_t* const list = latest ? latest.get() : psl_builtin();
    return list;
}

// A scheme name as an address starts with it: a letter, then letters, digits, '+', '-' or '.'.
bool isSchemeName(std::string_view name) {
    if (name.empty() || !isAlpha(name.front()))
        return false;
    for (char c : name)
        if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.')
            return false;
    return true;
}

// Schemes a card address is read with even without "//" after them; any other "name:" in front
// of a card address is a host and its port ("localhost:3000").
bool isKnownScheme(const std::string& scheme) {
    for (const char* known :
         {"http", "https", "ftp", "telnet", "file", "about", "data", "javascript", "blob", "mailto"})
        if (scheme == known)
            return true;
    return false;
}

std::string shownScheme(const std::string& scheme) {
    return scheme.size() <= kMaxSchemeShown ? scheme + ":" : "a scheme of its own";
}

bool fail(std::string* whyNot, const char* why) {
    if (whyNot)
        *whyNot = why;
    return false;
}

// "0" to "65535", leading zeros allowed as browsers allow them; empty keeps the default.
bool readPort(std::string_view text, int& port) {
    if (text.empty())
        return true;
    long value = 0;
    for (char c : text) {
        if (!isDigit(c))
            return false;
        value = value * 10 + (c - '0');
        if (value > 65535)
            return false;
    }
    port = static_cast<int>(value);
    return true;
}

// A host ending in a number is read by browsers as an IPv4 address ("127.1", "0x7f.1", "2130706433").
bool endsInNumber(const std::string& host) {
    const auto dot = host.rfind('.');
    const std::string_view last = std::string_view(host).substr(dot == std::string::npos ? 0 : dot + 1);
    if (last.empty())
        return false;
    if (last.size() >= 2 && last[0] == '0' && last[1] == 'x') {
        for (char c : last.substr(2))
            if (!isHexDigit(c))
                return false;
        return true;
    }
    for (char c : last)
        if (!isDigit(c))
            return false;
    return true;
}

// The host's ASCII form: lower case, punycode for the labels that are not ASCII, the trailing dot
// dropped; false for anything that is not a host name.
bool readHostName(std::string_view text, WebOrigin& origin) {
    bool ascii = true;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
            ascii = false;
        else if (!isHostChar(c))
            return false;
    }
    std::string host;
    if (ascii) {
        host = lowerAscii(text);
    } else {
        char* converted = nullptr;
        const std::string utf8(text);
        if (idn2_to_ascii_8z(utf8.c_str(), &converted, IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL) != IDN2_OK) {
            idn2_free(converted);
            return false;
        }
        host = lowerAscii(converted);
        idn2_free(converted);
        // The mapping turns some characters into others ("\u2100" into "a/c"): the result must be a
        // host name too.
        for (char c : host)
            if (!isHostChar(c))
                return false;
    }
    if (!host.empty() && host.back() == '.')
        host.pop_back();
    if (host.empty() || host.size() > kMaxHostLength)
        return false;
    std::size_t start = 0;
    while (true) {
        const auto dot = host.find('.', start);
        const std::size_t length = (dot == std::string::npos ? host.size() : dot) - start;
        if (length == 0 || length > kMaxLabelLength)
            return false;
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    if (endsInNumber(host)) {
        in_addr address{};
        char canonical[INET_ADDRSTRLEN] = {};
        if (inet_pton(AF_INET, host.c_str(), &address) != 1 ||
            !inet_ntop(AF_INET, &address, canonical, sizeof canonical))
            return false;
        host = canonical;
        origin.isIpAddress = true;
    }
    origin.host = std::move(host);
    return true;
}

// "[v6 address]", compared in its canonical form, so "[::1]" and "[0:0::1]" are one address.
bool readIpv6(std::string_view text, WebOrigin& origin) {
    if (text.size() < 3 || text.size() > INET6_ADDRSTRLEN + 1)
        return false;
    const std::string inner(text.substr(1, text.size() - 2));
    for (char c : inner)
        if (!isHexDigit(c) && c != ':' && c != '.')
            return false;  // no zone ("%25eth0")
    in6_addr address{};
    char canonical[INET6_ADDRSTRLEN] = {};
    if (inet_pton(AF_INET6, inner.c_str(), &address) != 1 ||
        !inet_ntop(AF_INET6, &address, canonical, sizeof canonical))
        return false;
    origin.host = "[" + std::string(canonical) + "]";
    origin.isIpAddress = true;
    return true;
}

std::string shownOrigin(const WebOrigin& origin) {
    const int defaultPort = origin.scheme == "https" ? 443 : 80;
    std::string shown = origin.scheme + "://" + origin.host;
    if (origin.port != defaultPort)
        shown += ":" + std::to_string(origin.port);
    return shown;
}

OriginVerdict refused(std::string why) {
    return {false, kLead + std::move(why) + "."};
}

}  // namespace

std::optional<WebOrigin> readWebOrigin(std::string_view address, bool isCardAddress, std::string* whyNot) {
    std::string_view text = trimmed(address);
    if (text.empty()) {
        fail(whyNot, "is empty");
        return std::nullopt;
    }
    WebOrigin origin;
    const auto colon = text.find(':');
    std::string scheme = colon == std::string_view::npos ? "" : lowerAscii(text.substr(0, colon));
    const bool slashes = colon != std::string_view::npos && text.substr(colon + 1, 2) == "//";
    if (isSchemeName(scheme) && (slashes || !isCardAddress || isKnownScheme(scheme))) {
        if (scheme != "http" && scheme != "https") {
            if (whyNot)
                *whyNot = "uses " + shownScheme(scheme) + ", not http or https";
            return std::nullopt;
        }
        if (!slashes) {
            fail(whyNot, "has no host");
            return std::nullopt;
        }
        text.remove_prefix(colon + 3);
    } else if (isCardAddress) {
        scheme = "https";  // no scheme typed: never fill an http page on that account
    } else {
        fail(whyNot, "is not a web address");
        return std::nullopt;
    }
    origin.scheme = scheme;
    origin.port = scheme == "https" ? 443 : 80;

    // Browsers end the host part at '\' too in http and https addresses, so "https://evil.test\@x"
    // is a page of evil.test.
    std::string_view authority = text.substr(0, text.find_first_of("/\\?#"));
    const auto at = authority.rfind('@');
    if (at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::string_view hostText = authority;
    std::string_view portText;
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        if (close == std::string_view::npos) {
            fail(whyNot, "has a host that is not valid");
            return std::nullopt;
        }
        hostText = authority.substr(0, close + 1);
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty() && after.front() != ':') {
            fail(whyNot, "has a host that is not valid");
            return std::nullopt;
        }
        if (!after.empty())
            portText = after.substr(1);
    } else if (const auto portColon = authority.find(':'); portColon != std::string_view::npos) {
        hostText = authority.substr(0, portColon);
        portText = authority.substr(portColon + 1);
    }
    if (hostText.empty()) {
        fail(whyNot, "has no host");
        return std::nullopt;
    }
    if (!readPort(portText, origin.port)) {
        fail(whyNot, "has a port that is not a number from 0 to 65535");
        return std::nullopt;
    }
    if (!(hostText.front() == '[' ? readIpv6(hostText, origin) : readHostName(hostText, origin))) {
        fail(whyNot, "has a host that is not valid");
        return std::nullopt;
    }
    return origin;
}

std::string registrableDomain(const std::string& asciiHost) {
    const psl_ctx_t* list = publicSuffixes();
    if (!list)
        return {};  // no list at all: no host is under another, only exact hosts fill
    const char* domain = psl_registrable_domain(list, asciiHost.c_str());
    return domain ? domain : "";
}

OriginVerdict mayFillLogin(std::string_view cardAddress, std::string_view frameUrl) {
    std::string why;
    const auto card = readWebOrigin(cardAddress, true, &why);
    if (!card)
        return refused("the card's address " + why);
    const auto frame = readWebOrigin(frameUrl, false, &why);
    if (!frame)
        return refused("the focused field's page " + why);

    if (frame->host != card->host) {
        const std::string dotted = "." + card->host;
        const bool under = !card->isIpAddress && !frame->isIpAddress && frame->host.size() > dotted.size() &&
                           frame->host.compare(frame->host.size() - dotted.size(), dotted.size(), dotted) == 0;
        if (!under)
            return refused("the focused field is in a page of " + frame->host + ", not " + card->host);
        const std::string cardDomain = registrableDomain(card->host);
        if (cardDomain.empty())
            return refused("the focused field is in a page of " + frame->host + ", and a card for " + card->host +
                           " fills only that host, not the hosts under it");
        if (registrableDomain(frame->host) != cardDomain)
            return refused("the focused field is in a page of " + frame->host + ", another site than " + card->host);
    }
    if (frame->scheme != card->scheme || frame->port != card->port)
        return refused("the page is " + shownOrigin(*frame) + " but the card is for " + shownOrigin(*card));
    return {true, {}};
}

bool sameSite(std::string_view pageUrl, std::string_view otherPageUrl) {
    const auto one = readWebOrigin(pageUrl, false);
    const auto other = readWebOrigin(otherPageUrl, false);
    if (!one || !other || one->scheme != other->scheme)
        return false;
    if (one->host == other->host)
        return true;
    if (one->isIpAddress || other->isIpAddress)
        return false;
    const std::string domain = registrableDomain(one->host);
    return !domain.empty() && domain == registrableDomain(other->host);
}

}  // namespace browser
