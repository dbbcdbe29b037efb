#include "exchange/Csv.h"

#include <csv.h>

namespace {

struct Reader {
    std::vector<CsvRow> rows;
    CsvRow row;
};

void onField(void* data, std::size_t size, void* context) {
    auto* reader = static_cast<Reader*>(context);
    reader->row.emplace_back(data ? static_cast<const char*>(data) : "", data ? size : 0);
}

void onRowEnd(int, void* context) {
    auto* reader = static_cast<Reader*>(context);
    reader->rows.push_back(std::move(reader->row));
    reader->row.clear();
}

// Spaces around a field are part of it: a password may begin or end with one.
int noSpace(unsigned char) {
    return 0;
}

}  // namespace

std::optional<std::vector<CsvRow>> parseCsv(const std::string& text, std::string& error) {
    std::string_view input(text);
    if (input.substr(0, 3) == "\xEF\xBB\xBF")
        input.remove_prefix(3);
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        error = "out of memory";
        return std::nullopt;
    }
    csv_set_space_func(&parser, noSpace);
    Reader reader;
    bool ok = csv_parse(&parser, input.data(), input.size(), onField, onRowEnd, &reader) == input.size() &&
              csv_fini(&parser, onField, onRowEnd, &reader) == 0;
    if (!ok) {
        error = csv_strerror(csv_error(&parser));
        // Count the rows read so far so that the message says where.
        error += " after row " + std::to_string(reader.rows.size());
    }
    csv_free(&parser);
    if (!ok)
        return std::nullopt;
    return std::move(reader.rows);
}

std::string csvLine(const CsvRow& row) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i)
            line += ',';
        std::string quoted(row[i].size() * 2 + 2, '\0');
        quoted.resize(csv_write(quoted.data(), quoted.size(), row[i].data(), row[i].size()));
        line += quoted;
    }
    line += '\n';
    return line;
}
