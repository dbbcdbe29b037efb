#include "prefs/ProfileValue.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

std::optional<int> parseProfileInt(const std::string& text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    std::size_t digits = begin;
    if (digits < end && (text[digits] == '+' || text[digits] == '-'))
        ++digits;
    if (digits == end)
        return std::nullopt;
    for (std::size_t i = digits; i < end; ++i)
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    const std::string number = text.substr(begin, end - begin);
    errno = 0;
    long long value = std::strtoll(number.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}
