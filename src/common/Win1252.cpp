#include "common/Win1252.h"

#include <cstdint>
#include <cstdio>

namespace {

// Unicode code points of bytes 0x80-0x9F; the undefined ones map to the C1 control of the same number.
constexpr std::uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int byteForCodePoint(std::uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp) return 0x80 + i;
    return -1;
}

}  // namespace

std::string win1252ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (unsigned char c : bytes) {
        if (c < 0x80) out += static_cast<char>(c);
        else if (c < 0xA0) appendUtf8(out, kHigh[c - 0x80]);
        else appendUtf8(out, c);
    }
    return out;
}

bool utf8ToWin1252(const std::string& utf8, std::string& out, std::string* error) {
    out.clear();
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp;
        int extra;
        if (c < 0x80) { cp = c; extra = 0; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
        else {
            if (error) *error = "The text is not valid UTF-8.";
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) {
                if (error) *error = "The text is not valid UTF-8.";
                return false;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        static constexpr std::uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[extra]) {  // overlong forms would smuggle in a NUL or hide a character
            if (error) *error = "The text is not valid UTF-8.";
            return false;
        }
        int b = byteForCodePoint(cp);
        if (b < 0) {
            if (error) {
                char code[16];
                std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
                *error = "The character \xE2\x80\x9C" + utf8.substr(i, extra + 1) + "\xE2\x80\x9D (" + code +
                         ") cannot be stored: Quorvane keeps texts in the Windows-1252 character set.";
            }
            return false;
        }
        out += static_cast<char>(b);
        i += extra + 1;
    }
    return true;
}
