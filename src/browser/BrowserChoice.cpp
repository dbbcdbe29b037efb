#include "browser/BrowserChoice.h"

#include <array>
#include <cctype>

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

}  // namespace browser
