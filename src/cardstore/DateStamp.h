#pragma once
// Card dates: seconds since 1904-01-01 00:00:00 local time in 4 bytes, read as unsigned (1904-2040).

#include <cstdint>
#include <optional>
#include <string>

inline constexpr std::uint32_t kSecondsFrom1904To1970 = 2082844800u;
inline constexpr int kDateFormatCount = 12;

/// The stamp for the current local date and time.
std::uint32_t CurrentDateStamp();

/// The stamp for a local date and time (used for dates read from old files).
std::uint32_t DateStampFor(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

/// Formats a stamp with date format `formatIndex` (0-11; any other index uses "%d-%m-%Y").
/// Day and month names are English whatever the locale.
std::string FormatDateStamp(std::uint32_t stamp, int formatIndex);

/// Reads a date written in date format `formatIndex` (as FormatDateStamp writes it; month names in
/// any case, one-digit days and months accepted, two-digit years 40-99 as 19xx, 00-39 as 20xx, a
/// format without a day as the 1st) and returns the stamp of its midnight; nothing when the text
/// is not a date of that format.
std::optional<std::uint32_t> ParseDateStamp(const std::string& text, int formatIndex);

/// The strftime-style pattern of a format index ("%m/%d/%y" for 0 ...).
const char* dateFormatPattern(int formatIndex);
