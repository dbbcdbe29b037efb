// This program's JSON, in the form dump writes: every card with its list, flags and date.
#include <nlohmann/json.hpp>

#include "cardstore/Categories.h"
#include "cardstore/DateStamp.h"
#include "common/Win1252.h"
#include "exchange/ExchangeParts.h"

bool jsonObjectHas(const std::string& text, const char* key) {
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    return !document.is_discarded() && document.is_object() && document.contains(key);
}

ImportBatch importOwnJson(const std::string& text) {
    ImportBatch batch;
    batch.source = "this program's JSON";
    auto fail = [&](const std::string& why) {
        ImportBatch failed;
        failed.error = why;
        return failed;
    };
    nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object() || !document.contains("cards") ||
        !document["cards"].is_array())
        return fail("The file is not JSON in the form dump writes: an object with a \"cards\" list.");
    std::size_t n = 0;
    for (const nlohmann::json& entry : document["cards"]) {
        ++n;
        const std::string where = "Card " + std::to_string(n);
        auto number = [&](const char* key, std::uint64_t limit,
                          std::uint64_t fallback) -> std::optional<std::uint64_t> {
            if (!entry.contains(key))
                return fallback;
            const nlohmann::json& value = entry[key];
            if (!value.is_number_unsigned() || value.get<std::uint64_t>() > limit)
                return std::nullopt;
            return value.get<std::uint64_t>();
        };
        if (!entry.is_object() || !entry.contains("fields") || !entry["fields"].is_array() ||
            entry["fields"].size() != 4)
            return fail(where + ": it needs \"fields\", a list of four texts.");
        std::string texts[5];
        for (std::size_t f = 0; f < 4; ++f) {
            if (!entry["fields"][f].is_string())
                return fail(where + ": its fields must be texts.");
            texts[f] = entry["fields"][f].get<std::string>();
        }
        if (entry.contains("note") && !entry["note"].is_string())
            return fail(where + ": its note must be a text.");
        texts[4] = entry.value("note", std::string());
        const auto list = number("list", 255, kMiscellaneousId);
        const auto categoryId = number("categoryId", 255, list.value_or(kMiscellaneousId));
        const auto legacy = number("legacyFlags", 255, 0);
        const auto state = number("stateFlags", 255, 0);
        const auto stamp = number("dateStamp", UINT32_MAX, CurrentDateStamp());
        const auto extra = number("extraValue", UINT32_MAX, 0);
        if (!list || !categoryId || !legacy || !state || !stamp || !extra)
            return fail(where +
                        ": list, categoryId, legacyFlags, stateFlags, dateStamp and extraValue must be "
                        "whole numbers in their range.");
        // The switches are bits of stateFlags; "automaticAccess" and "newBrowserWindow", when given, say
        // the same more plainly and decide.
        std::optional<bool> switches[2];
        const char* const kSwitchKeys[2] = {"automaticAccess", "newBrowserWindow"};
        for (int s = 0; s < 2; ++s) {
            if (!entry.contains(kSwitchKeys[s]))
                continue;
            if (!entry[kSwitchKeys[s]].is_boolean())
                return fail(where + ": " + kSwitchKeys[s] + " must be true or false.");
            switches[s] = entry[kSwitchKeys[s]].get<bool>();
        }
        // A number that is no category here (a later version's) is kept as it is, never shown, as
        // the document keeps such cards when it reads them.
        const int id = static_cast<int>(*list);
        // The JSON holds the texts as the card keeps them (a note's CR LF included): no conversion of
        // line breaks here, only of the character set.
        auto card = std::make_unique<Card>();
        std::string* targets[5] = {&card->firstField, &card->secondField, &card->thirdField, &card->fourthField,
                                   &card->note};
        static const char* kNames[5] = {"field 1", "field 2", "field 3", "field 4", "note"};
        for (int f = 0; f < 5; ++f) {
            std::string error;
            if (!utf8ToWin1252(texts[f], *targets[f], &error))
                return fail(where + " (\"" + texts[0] + "\"), " + kNames[f] + ": " + error);
            if (targets[f]->size() > kMaxTextBytes || targets[f]->find('\0') != std::string::npos)
                return fail(where + " (\"" + texts[0] + "\"), " + kNames[f] + ": too long, or holds a NUL character.");
        }
        const int category = id == kDeletedCategoryId ? static_cast<int>(*categoryId) : id;
        card->categoryId =
            static_cast<std::uint8_t>(id == kDeletedCategoryId && category >= kCategoryCount ? id : category);
        card->categoryName = categoryDisplayName(card->categoryId);
        card->legacyFlags = static_cast<std::uint8_t>(*legacy);
        // A card file knows a deleted card by this flag alone: the list the JSON names decides it, so
        // that a card comes back from the file in the list it was imported to.
        const std::uint64_t stored =
            id == kDeletedCategoryId ? *state | kStateDeleted : *state & ~std::uint64_t{kStateDeleted};
        card->setStoredStateFlags(static_cast<std::uint8_t>(stored));
        if (switches[0])
            card->automaticAccess = *switches[0] ? 1 : 0;
        if (switches[1])
            card->newBrowserWindow = *switches[1] ? 1 : 0;
        card->dateStamp = static_cast<std::uint32_t>(*stamp);
        card->extraValue = static_cast<std::uint32_t>(*extra);
        card->listPosition = id;  // the list it goes to, read back when the batch is added
        batch.cards.push_back(std::move(card));
    }
    return batch;
}
