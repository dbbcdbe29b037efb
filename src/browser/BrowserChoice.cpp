#include "browser/BrowserChoice.h"

#include <array>
#include <cctype>
#include <optional>

#include "common/Win1252.h"

namespace browser {

namespace {

std::string percentEncoded(const std::string& win1252) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : win1252ToUtf8(win1252)) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x80 && std::isalnum(byte)) || byte == '-' || byte == '.' || byte == '_' || byte == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

bool isSchemeWithHost(const std::string& scheme) {
    static constexpr std::array<const char*, 4> kSchemes = {"http", "https", "ftp", "telnet"};
    for (const char* known : kSchemes) {
        std::string lower;
        for (char c : scheme) {
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        if (lower == known) {
            return true;
        }
    }
    return false;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

/// Percent-encoded UTF-8 back to Windows-1252 text; nothing when it is no such text. A '%' that
/// starts no escape stands for itself.
std::optional<std::string> percentDecoded(const std::string& encoded) {
    std::string utf8;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const int high = encoded[i] == '%' && i + 2 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(encoded[i + 2]) : -1;
        if (low >= 0) {
            utf8 += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            utf8 += encoded[i];
        }
    }
    std::string text;
    if (!utf8ToWin1252(utf8, text)) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

std::string serviceNameForChoice(int choice, Command command) {
    if (choice == 0) {
        return "Netscape";
    }
    if (choice == 1) {
        return command == Command::GetWebPage ? "IExplore" : "Iexplore";
    }
    return {};
}

std::string automaticAccessAddress(const std::string& address, const std::string& userId, const std::string& password) {
    const auto separator = address.find("://");
    if (separator == std::string::npos || !isSchemeWithHost(address.substr(0, separator))) {
        return address;
    }
    const auto hostStart = separator + 3;
    auto hostEnd = address.find_first_of("/?#", hostStart);
    if (hostEnd == std::string::npos) {
        hostEnd = address.size();
    }
    std::string authority = address.substr(hostStart, hostEnd - hostStart);
    if (const auto at = authority.rfind('@'); at != std::string::npos) {
        authority.erase(0, at + 1);  // the card's user ID and password replace a user part written in
    }
    if (authority.empty()) {
        return address;  // "http:///path" names no host to put them in front of
    }
    return address.substr(0, hostStart) + percentEncoded(userId) + ':' + percentEncoded(password) + '@' + authority +
           address.substr(hostEnd);
}

ReportedAddress withoutUserPart(const std::string& address) {
    ReportedAddress reported{address, {}, {}, false};
    const auto separator = address.find("://");
    if (separator == std::string::npos) {
        return reported;
    }
    const auto authorityStart = separator + 3;
    auto authorityEnd = address.find_first_of("/?#", authorityStart);
    if (authorityEnd == std::string::npos) {
        authorityEnd = address.size();
    }
    const auto at = address.rfind('@', authorityEnd - 1);  // the authority is never at the start
    if (at == std::string::npos || at < authorityStart) {
        return reported;
    }
    const std::string userPart = address.substr(authorityStart, at - authorityStart);
    reported.address = address.substr(0, authorityStart) + address.substr(at + 1);
    reported.hadUserPart = true;
    const auto colon = userPart.find(':');
    const std::optional<std::string> userId = percentDecoded(userPart.substr(0, colon));
    const std::optional<std::string> password =
        colon == std::string::npos ? std::optional<std::string>("") : percentDecoded(userPart.substr(colon + 1));
    if (userId && password) {
        reported.userId = *userId;
        reported.password = *password;
    }
    return reported;
}

}  // namespace browser
