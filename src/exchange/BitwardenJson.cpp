// Bitwarden's JSON export: each item is laid out as a row of its CSV columns (nested objects as
// "login_", "card_" and "identity_" columns), so one table of rules reads both forms.
#include <cctype>
#include <map>
#include <nlohmann/json.hpp>

#include "exchange/ExchangeParts.h"

ImportBatch importBitwardenJson(const std::string& text, const std::string& name);

namespace {

using nlohmann::json;

// "cardholderName" -> "cardholder_name"
std::string snake(const std::string& key) {
    std::string out;
    for (char c : key) {
        if (std::isupper(static_cast<unsigned char>(c))) {
            if (!out.empty())
                out += '_';
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else {
            out += c;
        }
    }
    return out;
}

bool scalar(const json& value) {
    return value.is_string() || value.is_number() || value.is_boolean();
}

std::string textOf(const json& value) {
    return value.is_string() ? value.get<std::string>() : value.dump();
}

// The text under `key`, or empty when there is none or it is no text (value() would throw).
std::string textAt(const json& object, const char* key) {
    return object.contains(key) && scalar(object[key]) ? textOf(object[key]) : std::string();
}

const char* kindName(const json& type) {
    if (!type.is_number_integer())
        return "login";
    switch (type.get<int>()) {
        case 2:
            return "note";
        case 3:
            return "card";
        case 4:
            return "identity";
        default:
            return "login";
    }
}

struct Row {
    CsvRow header, cells;
    void add(const std::string& column, const std::string& text) {
        header.push_back(column);
        cells.push_back(text);
    }
};

// The item's texts as CSV columns; what has no text form goes to `leftOut`.
Row rowOf(const json& item, const std::map<std::string, std::string>& folders, const std::string& where,
          std::vector<std::string>& leftOut) {
    Row row;
    for (const auto& [key, value] : item.items()) {
        if (value.is_null() || key == "id" || key == "organizationId" || key == "folderId" || key == "collectionIds")
            continue;
        if (key == "type") {
            row.add("type", kindName(value));
        } else if (key == "fields" && value.is_array()) {
            std::string lines;
            for (const json& field : value) {
                if (!field.is_object())
                    continue;
                const std::string text = textAt(field, "name") + ": " + textAt(field, "value");
                lines += (lines.empty() ? "" : "\n") + text;
            }
            row.add("fields", lines);
        } else if (key == "passwordHistory" && value.is_array()) {
            for (const json& old : value)
                if (old.is_object() && old.contains("password") && old["password"].is_string())
                    row.add("login_password_history",
                            old["password"].get<std::string>() +
                                (old.contains("lastUsedDate") && old["lastUsedDate"].is_string()
                                     ? " (until " + old["lastUsedDate"].get<std::string>() + ")"
                                     : ""));
        } else if ((key == "login" || key == "card" || key == "identity" || key == "sshKey") && value.is_object()) {
            const std::string prefix = snake(key) + "_";
            for (const auto& [inner, part] : value.items()) {
                if (part.is_null())
                    continue;
                if (key == "login" && inner == "uris" && part.is_array()) {
                    bool first = true;
                    for (const json& uri : part) {
                        if (!uri.is_object() || !uri.contains("uri") || !uri["uri"].is_string())
                            continue;
                        row.add(first ? "login_uri" : "login_uris_more", uri["uri"].get<std::string>());
                        first = false;
                    }
                } else if (key == "login" && inner == "fido2Credentials") {
                    if (part.is_array() && !part.empty())
                        leftOut.push_back("the passkey of " + where + ": a card cannot keep one.");
                } else if (scalar(part)) {
                    row.add(inner == "totp" ? "login_totp" : prefix + snake(inner), textOf(part));
                } else {
                    leftOut.push_back("\"" + key + "." + inner + "\" of " + where + ", which is not a text.");
                }
            }
        } else if (key == "secureNote") {
            continue;  // only says which kind of note, which every note here is
        } else if (scalar(value)) {
            row.add(key, textOf(value));
        } else {
            leftOut.push_back("\"" + key + "\" of " + where + ", which is not a text.");
        }
    }
    if (item.contains("folderId") && item["folderId"].is_string()) {
        auto folder = folders.find(item["folderId"].get<std::string>());
        row.add("folder", folder == folders.end() ? std::string() : folder->second);
    }
    return row;
}

}  // namespace

ImportBatch importBitwardenJson(const std::string& text, const std::string& name) {
    ImportBatch batch;
    batch.source = "Bitwarden JSON";
    const json document = json::parse(text, nullptr, false);
    if (document.contains("encrypted") && document["encrypted"] == true) {
        batch.error = name +
                      " is an encrypted Bitwarden export, which only Bitwarden can read. Export the vault "
                      "again as unencrypted JSON or CSV and import that.";
        return batch;
    }
    if (!document["items"].is_array()) {
        batch.error = name + ": Bitwarden's \"items\" must be a list.";
        return batch;
    }
    std::map<std::string, std::string> folders;
    if (document.contains("folders") && document["folders"].is_array())
        for (const json& folder : document["folders"])
            if (folder.is_object() && folder.contains("id") && folder["id"].is_string())
                folders[folder["id"].get<std::string>()] = textAt(folder, "name");
    const LayoutInfo& layout = *layoutInfo(CsvLayout::Bitwarden);
    std::size_t n = 0;
    for (const json& item : document["items"]) {
        const std::string where = "Item " + std::to_string(++n);
        if (!item.is_object()) {
            batch.error = where + " of " + name + " is not an object.";
            break;
        }
        const std::string named =
            where +
            (item.contains("name") && item["name"].is_string() ? " (\"" + item["name"].get<std::string>() + "\")" : "");
        Row row = rowOf(item, folders, named, batch.leftOut);
        auto card = cardFromEntry(entryFromRow(layout, row.header, row.cells), where, batch);
        if (!card)
            break;
        batch.cards.push_back(std::move(card));
    }
    return batch;
}
