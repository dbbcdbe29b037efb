#include "browser/DdeBusNames.h"

#include <cctype>
#include <cstring>

namespace dde {

std::string busNameForService(const std::string& serviceName) {
    if (serviceName.empty()) {
        return {};
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = kBusNamePrefix;
    for (char c : serviceName) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80 && std::isalnum(byte)) {
            name += static_cast<char>(std::tolower(byte));
        } else {
            name += '_';
            name += kHex[byte >> 4];
            name += kHex[byte & 0x0F];
        }
    }
    return name.size() <= 255 ? name : std::string();
}

bool sameDdeName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if ((x < 0x80 ? std::tolower(x) : x) != (y < 0x80 ? std::tolower(y) : y)) {
            return false;
        }
    }
    return true;
}

}  // namespace dde
