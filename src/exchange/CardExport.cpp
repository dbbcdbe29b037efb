#include "exchange/CardExport.h"

#include <nlohmann/json.hpp>

#include "cardstore/Categories.h"
#include "cardstore/DateStamp.h"
#include "common/Win1252.h"
#include "exchange/ExchangeParts.h"

namespace {

const CsvRow kKeePassXCHeader = {"Group", "Title", "Username", "Password",      "URL",
                                 "Notes", "TOTP",  "Icon",     "Last Modified", "Created"};
const CsvRow kBitwardenHeader = {"folder",   "favorite",  "type",           "name",           "notes",     "fields",
                                 "reprompt", "login_uri", "login_username", "login_password", "login_totp"};

// A card text as UTF-8 for a file; a note's CR LF as line feeds.
std::string utf8Of(const std::string& win1252, bool isNote) {
    std::string utf8 = win1252ToUtf8(win1252);
    if (!isNote)
        return utf8;
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n'))
            out += utf8[i];
    return out;
}

}  // namespace

bool exportableLayout(CsvLayout layout) {
    return layout == CsvLayout::Quorvane || layout == CsvLayout::KeePassXC || layout == CsvLayout::Bitwarden;
}

std::string exportCsv(const CardStore& store, CsvLayout layout) {
    std::string out;
    if (layout == CsvLayout::KeePassXC)
        out += csvLine(kKeePassXCHeader);
    if (layout == CsvLayout::Bitwarden)
        out += csvLine(kBitwardenHeader);
    for (int id = 0; id < kCategoryCount; ++id) {
        const CardList& list = *store.GetCategoryList(id);
        if (layout == CsvLayout::Quorvane && list.GetCardCount() > 0)
            out += csvLine(quorvaneHeader(id));
        const std::string category = categoryDisplayName(id);
        for (int i = 0; i < list.GetCardCount(); ++i) {
            const Card& card = *list.GetCardAt(i);
            const std::string first = utf8Of(card.firstField, false);
            const std::string second = utf8Of(card.secondField, false);
            const std::string third = utf8Of(card.thirdField, false);
            const std::string fourth = utf8Of(card.fourthField, false);
            const std::string note = utf8Of(card.note, true);
            const std::string date = FormatDateStamp(card.dateStamp, kIsoDateFormat);
            switch (layout) {
                case CsvLayout::KeePassXC:
                    out += csvLine({category, first, third, fourth, second, note, "", "0", "", date});
                    break;
                case CsvLayout::Bitwarden:
                    out += csvLine({category, "", "login", first, note, "", "", second, third, fourth, ""});
                    break;
                default:
                    out += csvLine({category, first, second, third, fourth, note, date});
                    break;
            }
        }
    }
    return out;
}

std::string exportJson(const CardStore& store) {
    nlohmann::ordered_json cards = nlohmann::ordered_json::array();
    auto add = [&](int list, const Card& card) {
        nlohmann::ordered_json entry;
        entry["list"] = list;
        entry["categoryId"] = card.categoryId;
        entry["legacyFlags"] = card.legacyFlags;
        entry["stateFlags"] = card.storedStateFlags();
        entry["automaticAccess"] = card.automaticAccess == 1;
        entry["newBrowserWindow"] = card.newBrowserWindow == 1;
        entry["dateStamp"] = card.dateStamp;
        entry["extraValue"] = card.extraValue;
        entry["fields"] = {win1252ToUtf8(card.firstField), win1252ToUtf8(card.secondField),
                           win1252ToUtf8(card.thirdField), win1252ToUtf8(card.fourthField)};
        entry["note"] = win1252ToUtf8(card.note);
        entry["date"] = FormatDateStamp(card.dateStamp, 0);
        cards.push_back(std::move(entry));
    };
    for (int id : storedListOrder()) {
        const CardList& list = *store.GetCategoryList(id);
        for (int i = 0; i < list.GetCardCount(); ++i)
            add(id, *list.GetCardAt(i));
    }
    const CardList& unshown = store.unshownCards();
    for (int i = 0; i < unshown.GetCardCount(); ++i)
        add(unshown.GetCardAt(i)->categoryId, *unshown.GetCardAt(i));
    nlohmann::ordered_json document;
    document["cards"] = std::move(cards);
    return document.dump(2) + "\n";
}
