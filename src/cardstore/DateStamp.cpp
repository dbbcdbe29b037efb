#include "cardstore/DateStamp.h"

#include <ctime>

namespace {

// A stamp counts local calendar seconds, so it is converted with plain calendar arithmetic
// (no time-zone rules): a stamp taken now reads back as today's local date in every zone.
constexpr std::int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to the given proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month;  // 1-12
    unsigned day;    // 1-31
    unsigned weekday;  // 0 = Sunday
};

CivilDate civilFromDays(std::int64_t z) {
    CivilDate c{};
    c.weekday = static_cast<unsigned>((z % 7 + 11) % 7);  // 1970-01-01 was a Thursday
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    c.day = doy - (153 * mp + 2) / 5 + 1;
    c.month = mp < 10 ? mp + 3 : mp - 9;
    c.year = static_cast<std::int64_t>(yoe) + era * 400 + (c.month <= 2);
    return c;
}

std::uint32_t stampFromCalendar(std::int64_t year, int month, int day, int hour, int minute, int second) {
    // Let out-of-range months roll into the year so the day arithmetic below stays valid.
    std::int64_t m0 = month - 1;
    year += m0 >= 0 ? m0 / 12 : (m0 - 11) / 12;
    m0 -= (m0 >= 0 ? m0 / 12 : (m0 - 11) / 12) * 12;
    std::int64_t days = daysFromCivil(year, static_cast<unsigned>(m0 + 1), 1) + (day - 1);
    std::int64_t seconds = days * kSecondsPerDay + hour * 3600LL + minute * 60LL + second;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(seconds + kSecondsFrom1904To1970));
}

const char* const kWeekdays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};

const char* const kPatterns[kDateFormatCount] = {
    "%m/%d/%y", "%A, %B %d, %Y", "%B, %d, %Y", "%m/%d/%Y", "%Y-%m-%d", "%d-%B-%y",
    "%m.%d.%y", "%B.%d.%y",      "%d-%B-%Y",   "%B, %y",   "%B-%y",    "%d-%m-%Y",
};

void appendTwoDigits(std::string& out, unsigned value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

std::uint32_t CurrentDateStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!::localtime_r(&now, &local)) return static_cast<std::uint32_t>(now + kSecondsFrom1904To1970);
    return stampFromCalendar(local.tm_year + 1900LL, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                             local.tm_sec);
}

std::uint32_t DateStampFor(int year, int month, int day, int hour, int minute, int second) {
    return stampFromCalendar(year, month, day, hour, minute, second);
}

const char* dateFormatPattern(int formatIndex) {
    if (formatIndex < 0 || formatIndex >= kDateFormatCount) return kPatterns[11];
    return kPatterns[formatIndex];
}

std::string FormatDateStamp(std::uint32_t stamp, int formatIndex) {
    std::int64_t seconds = static_cast<std::int64_t>(stamp) - kSecondsFrom1904To1970;
    std::int64_t days = seconds >= 0 ? seconds / kSecondsPerDay : (seconds - kSecondsPerDay + 1) / kSecondsPerDay;
    CivilDate date = civilFromDays(days);

    std::string out;
    out.reserve(32);
    for (const char* p = dateFormatPattern(formatIndex); *p; ++p) {
        if (*p != '%' || !p[1]) {
            out += *p;
            continue;
        }
        switch (*++p) {
            case 'm': appendTwoDigits(out, date.month); break;
            case 'd': appendTwoDigits(out, date.day); break;
            case 'y': appendTwoDigits(out, static_cast<unsigned>(date.year % 100)); break;
            case 'Y': out += std::to_string(date.year); break;
            case 'A': out += kWeekdays[date.weekday]; break;
            case 'B': out += kMonths[date.month - 1]; break;
            default: out += '%'; out += *p; break;
        }
    }
    return out;
}

namespace {

bool readNumber(const std::string& text, std::size_t& at, std::size_t minDigits, std::size_t maxDigits, int& value) {
    std::size_t digits = 0;
    value = 0;
    while (at < text.size() && digits < maxDigits && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++digits;
    }
    return digits >= minDigits;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Matches one of `names` at `at` without regard to ASCII case; the longest that fits wins.
int readName(const std::string& text, std::size_t& at, const char* const* names, int count) {
    int best = -1;
    std::size_t bestLength = 0;
    for (int i = 0; i < count; ++i) {
        const std::string name = names[i];
        if (name.size() <= bestLength || at + name.size() > text.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k) same = lower(text[at + k]) == lower(name[k]);
        if (same) {
            best = i;
            bestLength = name.size();
        }
    }
    at += bestLength;
    return best;
}

}  // namespace

std::optional<std::uint32_t> ParseDateStamp(const std::string& text, int formatIndex) {
    int year = -1;
    int month = -1;
    int day = 1;
    std::size_t at = 0;
    for (const char* p = dateFormatPattern(formatIndex); *p; ++p) {
        if (*p != '%' || !p[1]) {
            if (at >= text.size() || text[at] != *p) return std::nullopt;
            ++at;
            continue;
        }
        int value = 0;
        switch (*++p) {
            case 'm':
                if (!readNumber(text, at, 1, 2, month)) return std::nullopt;
                break;
            case 'd':
                if (!readNumber(text, at, 1, 2, day)) return std::nullopt;
                break;
            case 'y':
                if (!readNumber(text, at, 2, 2, value)) return std::nullopt;
                year = value < 40 ? 2000 + value : 1900 + value;
                break;
            case 'Y':
                if (!readNumber(text, at, 4, 4, year)) return std::nullopt;
                break;
            case 'A':
                if (readName(text, at, kWeekdays, 7) < 0) return std::nullopt;
                break;
            case 'B':
                month = readName(text, at, kMonths, 12) + 1;
                if (month == 0) return std::nullopt;
                break;
            default:
                return std::nullopt;
        }
    }
    if (at != text.size() || year < 1904 || year > 2040 || month < 1 || month > 12 || day < 1) return std::nullopt;
    // The day must exist in that month: it comes back unchanged from the calendar.
    const std::uint32_t stamp = stampFromCalendar(year, month, day, 0, 0, 0);
    const std::int64_t days = (static_cast<std::int64_t>(stamp) - kSecondsFrom1904To1970) / kSecondsPerDay;
    const CivilDate back = civilFromDays(days);
    if (static_cast<int>(back.day) != day || static_cast<int>(back.month) != month) return std::nullopt;
    return stamp;
}
