#pragma once
// Comma-separated values through libcsv: quoted fields may hold commas, quotes and line breaks.

#include <optional>
#include <string>
#include <vector>

using CsvRow = std::vector<std::string>;

/// The rows of `text` (a leading UTF-8 byte-order mark skipped; blanks kept as typed); nothing, with
/// the reason in `error`, when a quote is not closed or stray.
std::optional<std::vector<CsvRow>> parseCsv(const std::string& text, std::string& error);

/// One row, every field quoted, ended with a line feed.
std::string csvLine(const CsvRow& row);
