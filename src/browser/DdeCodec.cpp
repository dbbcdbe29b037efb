#include "browser/DdeCodec.h"

#include <cctype>
#include <limits>

namespace dde {

namespace {

std::vector<std::string> splitTypeList(const std::string& typeList) {
    std::vector<std::string> codes;
    std::string::size_type start = 0;
    while (true) {
        const auto comma = typeList.find(',', start);
        codes.push_back(typeList.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) {
            return codes;
        }
        start = comma + 1;
    }
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

struct Field {
    bool present = false;
    bool quoted = false;
    std::string value;  // between the quotes for a quoted field
};

/// Fields of a text reply: separated by commas outside double quotes; inside quotes a backslash
/// followed by a double quote does not close them.
std::vector<Field> splitFields(const std::string& text) {
    std::vector<Field> fields;
    std::string::size_type i = 0;
    const auto n = text.size();
    while (true) {
        Field field;
        const auto start = i;
        if (i < n && text[i] == '"') {
            field.quoted = true;
            ++i;
            while (i < n && !(text[i] == '"' && text[i - 1] != '\\')) {
                ++i;
            }
            field.value = text.substr(start + 1, i - start - 1);
            // Whatever follows the closing quote up to the comma belongs to no value.
            while (i < n && text[i] != ',') {
                ++i;
            }
        } else {
            while (i < n && text[i] != ',') {
                ++i;
            }
            field.value = text.substr(start, i - start);
        }
        field.present = i > start;
        fields.push_back(std::move(field));
        if (i >= n) {
            return fields;
        }
        ++i;  // the comma
    }
}

std::uint32_t parseNumber(const std::string& text) {
    std::string::size_type i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    std::uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return std::numeric_limits<std::uint32_t>::max();
        }
    }
    return static_cast<std::uint32_t>(value);
}

bool equalsNoCase(const std::string& a, const char* b) {
    std::string::size_type i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

std::optional<ArgCode> argCode(const std::string& entry) {
    if (startsWith(entry, "DW")) {
        return ArgCode::DW;
    }
    if (startsWith(entry, "QCS")) {
        return ArgCode::QCS;
    }
    if (startsWith(entry, "CS")) {
        return ArgCode::CS;
    }
    if (startsWith(entry, "BL")) {
        return ArgCode::BL;
    }
    return std::nullopt;
}

std::string buildItem(const std::string& typeList, const std::vector<Arg>& args) {
    const std::vector<std::string> codes = splitTypeList(typeList);
    std::string item;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const auto code = argCode(codes[i]);
        if (!code) {
            break;
        }
        const Arg arg = i < args.size() ? args[i] : Arg{};
        if (arg) {
            switch (*code) {
                case ArgCode::DW:
                    if (const auto* number = std::get_if<std::uint32_t>(&*arg)) {
                        item += std::to_string(*number);
                    }
                    break;
                case ArgCode::CS:
                    if (const auto* text = std::get_if<std::string>(&*arg)) {
                        item += *text;
                    }
                    break;
                case ArgCode::QCS:
                    if (const auto* text = std::get_if<std::string>(&*arg)) {
                        item += '"';
                        for (char c : *text) {
                            if (c == '"') {
                                item += '\\';
                            }
                            item += c;
                        }
                        item += '"';
                    }
                    break;
                case ArgCode::BL:
                    if (const auto* truth = std::get_if<bool>(&*arg)) {
                        item += *truth ? "TRUE" : "FALSE";
                    }
                    break;
            }
        }
        if (i + 1 < codes.size()) {
            item += ',';
        }
    }
    return item;
}

std::vector<Value> readReply(const std::string& data, const std::string& typeList) {
    std::vector<Value> values;
    if (typeList == "DW") {
        std::uint32_t number = 0;
        if (data.size() >= 4) {
            for (int i = 3; i >= 0; --i) {
                number = (number << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
            }
        }
        values.emplace_back(number);
        return values;
    }
    if (typeList == "BL") {
        bool truth = false;
        if (data.size() >= 2) {
            truth = data[0] != '\0' || data[1] != '\0';
        }
        values.emplace_back(truth);
        return values;
    }
    const std::string text = data.substr(0, data.find('\0'));
    const std::vector<Field> fields = splitFields(text);
    const std::vector<std::string> codes = splitTypeList(typeList);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const auto code = argCode(codes[i]);
        if (!code) {
            continue;
        }
        const Field* field = i < fields.size() && fields[i].present ? &fields[i] : nullptr;
        switch (*code) {
            case ArgCode::DW:
                values.emplace_back(field ? parseNumber(field->value) : std::uint32_t{0});
                break;
            case ArgCode::CS:
                values.emplace_back(field ? field->value : std::string());
                break;
            case ArgCode::QCS: {
                std::string value;
                if (field) {
                    for (std::size_t k = 0; k < field->value.size(); ++k) {
                        if (field->value[k] == '\\' && k + 1 < field->value.size() && field->value[k + 1] == '"') {
                            continue;
                        }
                        value += field->value[k];
                    }
                }
                values.emplace_back(std::move(value));
                break;
            }
            case ArgCode::BL:
                values.emplace_back(field != nullptr && equalsNoCase(field->value, "TRUE"));
                break;
        }
    }
    return values;
}

std::string rawNumber(std::uint32_t value) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i) {
        data[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return data;
}

std::string rawTruth(bool value) {
    return std::string(value ? "\x01\x00" : "\x00\x00", 2);
}

std::uint32_t numberOf(const Value& value) {
    const auto* number = std::get_if<std::uint32_t>(&value);
    return number ? *number : 0;
}

std::string textOf(const Value& value) {
    const auto* text = std::get_if<std::string>(&value);
    return text ? *text : std::string();
}

bool truthOf(const Value& value) {
    const auto* truth = std::get_if<bool>(&value);
    return truth && *truth;
}

}  // namespace dde
