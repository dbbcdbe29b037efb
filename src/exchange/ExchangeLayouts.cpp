// The layouts of other programs' exports. The column names are those the programs write in their
// header rows; a column a file has that its layout does not list still reaches the card, as a note
// line named after the column.
#include "exchange/ExchangeLayouts.h"

#include <algorithm>
#include <cctype>

namespace {

using R = ColumnRole;

std::vector<LayoutInfo> makeLayouts() {
    return {
        {CsvLayout::KeePassXC,
         "keepassxc",
         "KeePassXC",
         {"Group", "Title", "Username", "Password", "URL", "Notes"},
         {{{"Group"}, R::Group, ""},
          {{"Title"}, R::Title, ""},
          {{"Username"}, R::Username, ""},
          {{"Password"}, R::Password, ""},
          {{"URL"}, R::Url, ""},
          {{"Notes"}, R::Notes, ""},
          {{"TOTP"}, R::Totp, "TOTP"},
          {{"Icon"}, R::Omit, ""},
          {{"Last Modified"}, R::Line, "Last modified"},
          {{"Created"}, R::CreatedIso, ""}}},
        {CsvLayout::Bitwarden,
         "bitwarden",
         "Bitwarden",
         {"folder", "favorite", "type", "name", "notes", "fields", "login_uri", "login_username", "login_password",
          "login_totp"},
         {{{"folder"}, R::Group, ""},
          {{"favorite"}, R::FlagLine, "Favorite"},
          {{"type"}, R::Kind, ""},
          {{"name"}, R::Title, ""},
          {{"notes"}, R::Notes, ""},
          // Custom fields, "name: value" a line, as Bitwarden writes them.
          {{"fields"}, R::Line, ""},
          // Whether Bitwarden asks for the master password again to show the item; "reminder" is
          // how this program's exports spelled the column before.
          {{"reprompt", "reminder"}, R::FlagLine, "Master password re-prompt"},
          {{"login_uri"}, R::Url, ""},
          {{"login_uris_more"}, R::Line, "URL"},
          {{"login_username"}, R::Username, ""},
          {{"login_password"}, R::Password, ""},
          {{"login_totp"}, R::Totp, "TOTP"},
          {{"login_password_history"}, R::Line, "Earlier password"},
          {{"archivedDate", "archived_date"}, R::Line, "Archived"},
          {{"creationDate", "creation_date"}, R::CreatedIso, ""},
          {{"revisionDate", "revision_date"}, R::Line, "Last modified"},
          {{"card_holder_name", "card_cardholder_name", "card_cardholdername"}, R::CardHolder, "Cardholder"},
          {{"card_brand"}, R::CardBrand, "Brand"},
          {{"card_number"}, R::CardNumber, ""},
          {{"card_exp_month", "card_expmonth"}, R::CardExpMonth, ""},
          {{"card_exp_year", "card_expyear"}, R::CardExpYear, ""},
          {{"card_code"}, R::CardCode, ""},
          {{"identity_title"}, R::PersonTitle, ""},
          {{"identity_first_name", "identity_firstname"}, R::PersonFirst, ""},
          {{"identity_middle_name", "identity_middlename"}, R::PersonMiddle, ""},
          {{"identity_last_name", "identity_lastname"}, R::PersonLast, ""},
          {{"id", "organization_id", "folder_id", "collection_ids"}, R::Omit, ""}}},
        {CsvLayout::Chromium,
         "chromium",
         "Chromium, Chrome, Edge",
         {"name", "url", "username", "password"},
         {{{"name"}, R::Title, ""},
          {{"url"}, R::Url, ""},
          {{"username"}, R::Username, ""},
          {{"password"}, R::Password, ""},
          {{"note"}, R::Notes, ""}}},
        {CsvLayout::Firefox,
         "firefox",
         "Firefox",
         {"url", "username", "password", "httpRealm", "formActionOrigin", "guid", "timeCreated", "timeLastUsed",
          "timePasswordChanged"},
         {{{"url"}, R::Url, ""},
          {{"username"}, R::Username, ""},
          {{"password"}, R::Password, ""},
          {{"httpRealm"}, R::Line, "HTTP realm"},
          {{"formActionOrigin"}, R::Line, "Form sent to"},
          {{"guid"}, R::Omit, ""},
          {{"timeCreated"}, R::CreatedEpoch, ""},
          {{"timeLastUsed"}, R::EpochLine, "Last used"},
          {{"timePasswordChanged"}, R::EpochLine, "Password changed"}}},
        {CsvLayout::Safari,
         "safari",
         "Safari, Apple Passwords",
         {"Title", "URL", "Username", "Password", "Notes", "OTPAuth"},
         {{{"Title"}, R::Title, ""},
          {{"URL"}, R::Url, ""},
          {{"Username"}, R::Username, ""},
          {{"Password"}, R::Password, ""},
          {{"Notes"}, R::Notes, ""},
          {{"OTPAuth"}, R::Totp, "OTPAuth"}}},
        {CsvLayout::OnePassword,
         "1password",
         "1Password",
         {"Title", "Url", "Username", "Password", "OTPAuth", "Favorite", "Archived", "Tags", "Notes"},
         {{{"Title"}, R::Title, ""},
          {{"Url"}, R::Url, ""},
          {{"Username"}, R::Username, ""},
          {{"Password"}, R::Password, ""},
          {{"OTPAuth"}, R::Totp, "OTPAuth"},
          {{"Favorite"}, R::FlagLine, "Favorite"},
          {{"Archived"}, R::FlagLine, "Archived"},
          {{"Tags"}, R::Line, "Tags"},
          {{"Notes"}, R::Notes, ""}}},
    };
}

bool hasColumn(const CsvRow& header, const std::string& name) {
    const std::string wanted = asciiLower(name);
    return std::any_of(header.begin(), header.end(), [&](const std::string& h) { return asciiLower(h) == wanted; });
}

}  // namespace

std::string asciiLower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

const std::vector<LayoutInfo>& foreignLayouts() {
    static const std::vector<LayoutInfo> layouts = makeLayouts();
    return layouts;
}

const LayoutInfo* layoutInfo(CsvLayout layout) {
    for (const LayoutInfo& info : foreignLayouts())
        if (info.layout == layout)
            return &info;
    return nullptr;
}

std::optional<CsvLayout> recognizeHeader(const CsvRow& header) {
    const LayoutInfo* best = nullptr;
    for (const LayoutInfo& info : foreignLayouts()) {
        const bool fits = std::all_of(info.required.begin(), info.required.end(),
                                      [&](const std::string& name) { return hasColumn(header, name); });
        if (fits && (!best || info.required.size() > best->required.size()))
            best = &info;
    }
    if (!best)
        return std::nullopt;
    return best->layout;
}

const ColumnRule* ruleFor(const LayoutInfo& layout, const std::string& name) {
    const std::string wanted = asciiLower(name);
    for (const ColumnRule& rule : layout.columns)
        for (const std::string& spelling : rule.names)
            if (asciiLower(spelling) == wanted)
                return &rule;
    return nullptr;
}

std::string knownLayoutsText() {
    std::string text =
        "this program's own CSV (a header row per category) and JSON (as dump writes it), "
        "Bitwarden's JSON";
    for (const LayoutInfo& info : foreignLayouts()) {
        text += "; " + info.title + " (";
        for (std::size_t i = 0; i < info.required.size(); ++i)
            text += (i ? "," : "") + info.required[i];
        text += ")";
    }
    return text;
}
