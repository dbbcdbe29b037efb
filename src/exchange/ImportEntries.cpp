// One entry of another program's export: read from a row by the layout's rules, filed in a category
// and made a card whose four fields and note keep every text the entry had.
#include <algorithm>
#include <cctype>
#include <ctime>
#include <regex>

#include "cardstore/Categories.h"
#include "cardstore/DateStamp.h"
#include "common/Win1252.h"
#include "exchange/ExchangeParts.h"
#include "otp/OneTimeCode.h"

namespace {

// Group names other programs use for what a category here holds.
const std::pair<const char*, int> kGroupAliases[] = {
    {"email", 4},    {"e-mail", 4}, {"mail", 4},     {"banking", 7},   {"bank", 7},
    {"internet", 0}, {"web", 0},    {"websites", 0}, {"web sites", 0}, {"logins", 0},
};

constexpr int kWwwSitesId = 0;
constexpr int kCreditCardsId = 8;
constexpr int kPersonalDataId = 10;

EntryKind kindOf(const std::string& text) {
    const std::string kind = asciiLower(text);
    if (kind == "note" || kind == "securenote" || kind == "secure note" || kind == "2")
        return EntryKind::Note;
    if (kind == "card" || kind == "3")
        return EntryKind::PaymentCard;
    if (kind == "identity" || kind == "4")
        return EntryKind::Identity;
    return EntryKind::Login;
}

bool saysYes(const std::string& text) {
    const std::string value = asciiLower(text);
    return value == "1" || value == "true" || value == "yes";
}

// A label for a column the layout does not list: "identity_postal_code" -> "Postal code".
std::string labelForColumn(const std::string& name) {
    std::string label = name;
    for (const char* prefix : {"identity_", "card_", "login_"})
        if (asciiLower(label).rfind(prefix, 0) == 0 && label.size() > std::char_traits<char>::length(prefix))
            label = label.substr(std::char_traits<char>::length(prefix));
    for (char& c : label)
        if (c == '_')
            c = ' ';
    if (!label.empty())
        label[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(label[0])));
    return label;
}

std::optional<std::uint32_t> stampFromUnix(std::time_t seconds) {
    std::tm local{};
    if (!::localtime_r(&seconds, &local) || local.tm_year + 1900 < 1904 || local.tm_year + 1900 > 2039)
        return std::nullopt;
    return DateStampFor(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec);
}

std::optional<std::int64_t> unixSeconds(const std::string& text) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    std::int64_t value = std::stoll(text);
    if (value >= 100'000'000'000'000)
        value /= 1'000'000;  // microseconds
    else if (value >= 100'000'000'000)
        value /= 1000;  // milliseconds
    return value;
}

std::string epochText(const std::string& text) {
    const auto seconds = unixSeconds(text);
    if (!seconds)
        return text;
    const std::time_t t = static_cast<std::time_t>(*seconds);
    std::tm local{};
    char out[32];
    if (!::localtime_r(&t, &local) || !std::strftime(out, sizeof out, "%Y-%m-%d %H:%M", &local))
        return text;
    return out;
}

std::string hostOf(const std::string& url) {
    std::string host = url;
    if (const auto scheme = host.find("://"); scheme != std::string::npos)
        host = host.substr(scheme + 3);
    host = host.substr(0, host.find_first_of("/?#"));
    if (const auto at = host.rfind('@'); at != std::string::npos)
        host = host.substr(at + 1);
    return host;
}

std::string joined(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& part : parts)
        if (!part.empty())
            out += (out.empty() ? "" : " ") + part;
    return out;
}

void addLine(std::string& note, const std::string& label, const std::string& text) {
    if (text.empty())
        return;
    note += (note.empty() ? "" : "\n") + (label.empty() ? text : label + ": " + text);
}

// The entry's one-time code setup on a line of its own, where the card's codes come from; a text that
// is no setup, or a second setup, stays as a line under its column's name.
void addSetup(std::string& note, const std::string& value, const std::string& label, const ImportedEntry& entry) {
    const std::size_t begin = value.find_first_not_of(" \t\r\n");
    const std::string text =
        begin == std::string::npos ? std::string() : value.substr(begin, value.find_last_not_of(" \t\r\n") + 1 - begin);
    if (text.empty())
        return;
    const std::string lower = asciiLower(text.substr(0, 10));
    otp::ParsedSetup parsed;
    if (lower.rfind("otpauth://", 0) == 0)
        parsed = otp::parseSetup(text, otp::TextForm::Utf8);
    else if (lower.rfind("steam://", 0) == 0)
        parsed = otp::setupFromSecret(text.substr(8), "Steam", entry.username, true);
    else if (text.find('\n') == std::string::npos)
        parsed = otp::setupFromSecret(text, entry.title, entry.username);
    if (parsed && !otp::findSetupLine(note))
        note = otp::noteWithSetup(note, *parsed.setup);
    else
        addLine(note, label, text);
}

}  // namespace

std::string labelText(const std::string& label) {
    return !label.empty() && label.back() == ':' ? label.substr(0, label.size() - 1) : label;
}

CsvRow quorvaneHeader(int categoryId) {
    const CategoryInfo* info = findCategory(categoryId);
    CsvRow row{categoryDisplayName(categoryId)};
    for (const char* label : info->labels)
        row.push_back(labelText(label));
    row.push_back("Note");
    row.push_back("Date");
    return row;
}

int categoryForGroupName(const std::string& group) {
    auto named = [](const std::string& name) {
        const std::string lower = asciiLower(name);
        for (int c = 0; c < kCategoryCount; ++c)
            if (lower == asciiLower(categoryDisplayName(c)))
                return c;
        for (const auto& [alias, id] : kGroupAliases)
            if (lower == alias)
                return id;
        return -1;
    };
    // The whole name first: a category's name may hold a slash, as "ATM/PIN Cards" does.
    int id = named(group);
    const std::size_t slash = group.find_last_of("/\\");
    if (id < 0 && slash != std::string::npos)
        id = named(group.substr(slash + 1));
    return id;
}

std::optional<std::uint32_t> stampFromIso(const std::string& text) {
    static const std::regex iso(
        R"(\s*(\d{4})-(\d{2})-(\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2})(?:[.,]\d+)?)?)?\s*(Z|[+-]\d{2}:?\d{2})?\s*)",
        std::regex::icase);
    std::smatch m;
    // std::regex recurses per character: a long text is no time, and is not handed to it.
    if (text.size() > 64 || !std::regex_match(text, m, iso))
        return std::nullopt;
    auto number = [&](int i) { return m[i].matched ? std::stoi(m[i].str()) : 0; };
    std::tm when{};
    when.tm_year = number(1) - 1900;
    when.tm_mon = number(2) - 1;
    when.tm_mday = number(3);
    when.tm_hour = number(4);
    when.tm_min = number(5);
    when.tm_sec = number(6);
    if (when.tm_mon < 0 || when.tm_mon > 11 || when.tm_mday < 1 || when.tm_mday > 31 || when.tm_hour > 23 ||
        when.tm_min > 59 || when.tm_sec > 60)
        return std::nullopt;
    if (!m[7].matched) {
        if (number(1) < 1904 || number(1) > 2039)
            return std::nullopt;
        return DateStampFor(number(1), number(2), number(3), number(4), number(5), number(6));
    }
    std::time_t utc = ::timegm(&when);
    const std::string zone = m[7].str();
    if (zone != "Z" && zone != "z") {
        std::string digits = zone.substr(1);
        std::erase(digits, ':');
        const int offset = std::stoi(digits.substr(0, 2)) * 3600 + std::stoi(digits.substr(2, 2)) * 60;
        utc -= zone[0] == '+' ? offset : -offset;
    }
    return stampFromUnix(utc);
}

std::optional<std::uint32_t> stampFromEpoch(const std::string& text) {
    const auto seconds = unixSeconds(text);
    if (!seconds)
        return std::nullopt;
    return stampFromUnix(static_cast<std::time_t>(*seconds));
}

ImportedEntry entryFromRow(const LayoutInfo& layout, const CsvRow& header, const CsvRow& row) {
    ImportedEntry entry;
    for (std::size_t c = 0; c < header.size(); ++c) {
        const std::string text = c < row.size() ? row[c] : std::string();
        const ColumnRule* rule = ruleFor(layout, header[c]);
        if (!rule) {
            // A column the layout does not list: kept as a line named after it.
            entry.lines.emplace_back(labelForColumn(header[c]), text);
            continue;
        }
        switch (rule->role) {
            case ColumnRole::Group:
                entry.group = text;
                break;
            case ColumnRole::Kind:
                entry.kind = kindOf(text);
                break;
            case ColumnRole::Title:
                entry.title = text;
                break;
            case ColumnRole::Url:
                entry.url = text;
                break;
            case ColumnRole::Username:
                entry.username = text;
                break;
            case ColumnRole::Password:
                entry.password = text;
                break;
            case ColumnRole::Notes:
                entry.notes = text;
                break;
            case ColumnRole::Totp:
                entry.totp = text;
                break;
            case ColumnRole::CreatedIso:
            case ColumnRole::CreatedEpoch: {
                const auto stamp = rule->role == ColumnRole::CreatedIso ? stampFromIso(text) : stampFromEpoch(text);
                if (stamp)
                    entry.created = stamp;
                else
                    entry.lines.emplace_back("Created", text);  // a time this program cannot keep as a date
                break;
            }
            case ColumnRole::Line:
                entry.lines.emplace_back(rule->label, text);
                break;
            case ColumnRole::EpochLine:
                entry.lines.emplace_back(rule->label, epochText(text));
                break;
            case ColumnRole::FlagLine:
                // "No" is the usual value and says nothing; anything else is kept.
                if (saysYes(text))
                    entry.lines.emplace_back("", rule->label);
                else if (!text.empty() && text != "0" && asciiLower(text) != "false")
                    entry.lines.emplace_back(rule->label, text);
                break;
            case ColumnRole::CardHolder:
                entry.holder = text;
                break;
            case ColumnRole::CardBrand:
                entry.brand = text;
                break;
            case ColumnRole::CardNumber:
                entry.number = text;
                break;
            case ColumnRole::CardExpMonth:
                entry.expMonth = text;
                break;
            case ColumnRole::CardExpYear:
                entry.expYear = text;
                break;
            case ColumnRole::CardCode:
                entry.code = text;
                break;
            case ColumnRole::PersonTitle:
                entry.personTitle = text;
                break;
            case ColumnRole::PersonFirst:
                entry.first = text;
                break;
            case ColumnRole::PersonMiddle:
                entry.middle = text;
                break;
            case ColumnRole::PersonLast:
                entry.last = text;
                break;
            case ColumnRole::Omit:
                break;
        }
    }
    // A layout without names (Firefox's) names its logins by their site.
    const bool named = std::any_of(layout.columns.begin(), layout.columns.end(),
                                   [](const ColumnRule& rule) { return rule.role == ColumnRole::Title; });
    if (!named)
        entry.title = hostOf(entry.url);
    return entry;
}

std::unique_ptr<Card> cardFromTexts(int id, const std::string (&texts)[5], const std::string& where,
                                    ImportBatch& batch) {
    const CategoryInfo* info = findCategory(id);
    auto card = std::make_unique<Card>();
    std::string* targets[5] = {&card->firstField, &card->secondField, &card->thirdField, &card->fourthField,
                               &card->note};
    const std::string name = where + (texts[0].empty() ? "" : " (card \"" + texts[0] + "\")");
    for (std::size_t f = 0; f < 5; ++f) {
        std::string text = texts[f];
        if (f == 4) {  // cards keep line breaks as CR LF, as the note editor writes them
            std::string crlf;
            for (std::size_t i = 0; i < text.size(); ++i) {
                if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
                    crlf += '\r';
                crlf += text[i];
            }
            text = crlf;
        }
        const std::string field = f < 4 ? labelText(info->labels[f]) : "Note";
        std::string error;
        if (!utf8ToWin1252(text, *targets[f], &error)) {
            batch.error = name + ", field " + field + ": " + error;
        } else if (targets[f]->find('\0') != std::string::npos) {
            batch.error = name + ", field " + field + ": it holds a NUL character, which a card cannot keep.";
        } else if (targets[f]->size() > kMaxTextBytes) {
            batch.error = name + ", field " + field + ": it holds " + std::to_string(targets[f]->size()) +
                          " characters; a card keeps at most " + std::to_string(kMaxTextBytes) + ".";
        }
        if (!batch.ok())
            return nullptr;
    }
    card->categoryId = static_cast<std::uint8_t>(id);
    card->categoryName = categoryDisplayName(id);
    card->listPosition = id;
    card->dateStamp = CurrentDateStamp();
    return card;
}

std::unique_ptr<Card> cardFromEntry(const ImportedEntry& entry, const std::string& where, ImportBatch& batch) {
    int id = categoryForGroupName(entry.group);
    if (id < 0) {
        switch (entry.kind) {
            case EntryKind::Login:
                id = entry.url.empty() ? kMiscellaneousId : kWwwSitesId;
                break;
            case EntryKind::Note:
                id = kMiscellaneousId;
                break;
            case EntryKind::PaymentCard:
                id = kCreditCardsId;
                break;
            case EntryKind::Identity:
                id = kPersonalDataId;
                break;
        }
    }
    const std::string& title = entry.title;
    std::string texts[5] = {title, entry.url, entry.username, entry.password, entry.notes};
    std::string& note = texts[4];
    if (entry.kind == EntryKind::PaymentCard || entry.kind == EntryKind::Identity) {
        // Their own fields take the four; a login's texts they also have go to the note.
        addLine(note, "URL", entry.url);
        addLine(note, "Username", entry.username);
        addLine(note, "Password", entry.password);
    }
    if (entry.kind == EntryKind::PaymentCard) {
        const std::string expiry = entry.expMonth.empty() || entry.expYear.empty()
                                       ? entry.expMonth + entry.expYear
                                       : entry.expMonth + "/" + entry.expYear;
        texts[0] = title.empty() ? entry.brand : title;
        texts[1] = expiry;
        texts[2] = entry.number;
        texts[3] = entry.code;
        addLine(note, "Cardholder", entry.holder);
        addLine(note, "Brand", entry.brand);
    } else if (entry.kind == EntryKind::Identity) {
        const std::string person = joined({entry.personTitle, entry.first, entry.middle, entry.last});
        texts[0] = person.empty() ? title : person;
        texts[1] = person.empty() ? "Identity" : title;
        texts[2] = texts[3] = "";
    }
    for (const auto& [label, text] : entry.lines)
        addLine(note, label, text);
    addSetup(note, entry.totp, "TOTP", entry);
    auto card = cardFromTexts(id, texts, where, batch);
    if (card && entry.created)
        card->dateStamp = *entry.created;
    if (card)
        ++batch.groups[entry.group][categoryDisplayName(id)];
    return card;
}
