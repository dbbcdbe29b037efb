// The category table, card lists, the store's lookups and sizes, and card date stamps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "cardstore/CardStore.h"
#include "cardstore/DateStamp.h"

namespace {

std::unique_ptr<Card> cardNamed(const std::string& first) {
    auto card = std::make_unique<Card>();
    card->firstField = first;
    return card;
}

TEST(Categories, ListNamesOnlyForTwoToThirteenAndTheTwinLabels) {
    for (int id : storedListOrder()) {
        const CategoryInfo* info = findCategory(id);
        ASSERT_NE(info, nullptr) << id;
        EXPECT_EQ(info->id, id);
        const bool named = id >= 2 && id <= 13;
        EXPECT_EQ(std::string(info->listName), named ? std::string(info->displayName) : std::string()) << id;
    }
    EXPECT_EQ(storedListOrder().back(), kDeletedCategoryId);
    for (int id : {-1, 15, 50, 99, 101, 255}) EXPECT_EQ(findCategory(id), nullptr) << id;

    // The third label differs between near twins: web categories, POP and Login accounts.
    EXPECT_STREQ(findCategory(0)->labels[2], "User ID:");
    EXPECT_STREQ(findCategory(6)->labels[2], "UserID:");
    EXPECT_STREQ(findCategory(5)->labels[2], "Login:");

    CardStore store;
    EXPECT_EQ(store.GetCategoryList(kDeletedCategoryId)->labels(), (Labels{"Field_1", "Field_2", "Field_3", "Field_4"}));
    EXPECT_EQ(store.GetCategoryList(kDeletedCategoryId)->name(), "");
    EXPECT_EQ(store.GetCategoryList(7)->name(), "Bank Accounts");
    EXPECT_EQ(store.GetCategoryList(14)->name(), "");
    EXPECT_EQ(store.GetCategoryList(15), nullptr);
    EXPECT_EQ(store.GetCategoryList(-1), nullptr);

    EXPECT_EQ(categoryIdForDisplayName("Miscellaneous"), 14);
    EXPECT_EQ(categoryIdForDisplayName("Password Manager"), -1);
    EXPECT_EQ(categoryDisplayName(100), "");
}

TEST(CardStore, LabelLookupsReturnTheWidthOfTheSameCategory) {
    const CardStore store;
    struct Case {
        std::string name;
        int id;
        int width;
        const char* firstLabel;
    };
    const Case cases[] = {
        {"Bank Accounts", 7, 15, "Bank:"},            // "Account Holder:", "Account Number:"
        {"ATM/PIN Cards", 9, 17, "Name:"},            // "Telephone Number:"
        {"Personal Data", 10, 18, "Person:"},         // "Date/Place Issued:"
        {"E-Mail Contacts", 4, 5, "Name:"},
        {"WWW Sites", 0, 9, "Name:"},
        {"Miscellaneous", 14, 12, "Name:"},
    };
    for (const Case& c : cases) {
        Labels byName, byId;
        EXPECT_EQ(store.GetLabelsForCategoryName(c.name, byName), c.width) << c.name;
        EXPECT_EQ(store.GetLabelsForCategoryId(c.id, byId), c.width) << c.name;
        EXPECT_EQ(byName, byId);
        EXPECT_EQ(byName[0], c.firstLabel);
        EXPECT_EQ(byName, store.GetCategoryList(c.id)->labels());
    }

    const Labels untouched{"a", "b", "c", "d"};
    for (const char* name : {"Password Manager", "bank accounts", "", "Bank Accounts "}) {
        Labels labels = untouched;
        EXPECT_EQ(store.GetLabelsForCategoryName(name, labels), 0) << name;
        EXPECT_EQ(labels, untouched);
    }
    for (int id : {-1, 15, 100, 255}) {
        Labels labels = untouched;
        EXPECT_EQ(store.GetLabelsForCategoryId(id, labels), 0) << id;
        EXPECT_EQ(labels, untouched);
    }
}

TEST(CardStore, StoredSizeCountsEveryListIncludingDeletedCards) {
    CardStore store;
    EXPECT_EQ(store.GetStoredSize(), 0u);
    EXPECT_FALSE(store.hasCards());

    store.GetCategoryList(kDeletedCategoryId)->AddCard(std::make_unique<Card>());
    EXPECT_EQ(store.GetStoredSize(), 29u);  // a deleted card alone still makes the document non-empty
    EXPECT_TRUE(store.hasCards());
    EXPECT_EQ(store.shownCardCount(), 0);

    auto card = std::make_unique<Card>();
    card->firstField = "ab";
    card->note = std::string(1000, 'n');
    card->categoryName = "not stored";
    card->dateText = "not stored";
    store.GetCategoryList(3)->AddCard(std::move(card));
    EXPECT_EQ(store.GetStoredSize(), 29u + 29u + 2u + 1000u);
    EXPECT_EQ(store.shownCardCount(), 1);

    store.clear();
    EXPECT_EQ(store.GetStoredSize(), 0u);
    EXPECT_FALSE(store.hasCards());
}

TEST(CardList, RemoveReplaceAndGetHandleEveryIndex) {
    CardList empty;
    EXPECT_EQ(empty.RemoveCardAt(5), 5);
    EXPECT_EQ(empty.RemoveCardAt(-3), -3);
    EXPECT_EQ(empty.GetCardAt(0), nullptr);

    CardList list;
    for (const char* name : {"A", "B", "C"}) list.AddCard(cardNamed(name));
    EXPECT_EQ(list.RemoveCardAt(-1), 3);
    EXPECT_EQ(list.RemoveCardAt(3), 3);
    EXPECT_EQ(list.GetCardCount(), 3);

    std::unique_ptr<Card> removed;
    EXPECT_EQ(list.RemoveCardAt(1, &removed), 2);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->firstField, "B");
    EXPECT_EQ(list.GetCardAt(0)->firstField, "A");
    EXPECT_EQ(list.GetCardAt(1)->firstField, "C");
    EXPECT_EQ(list.GetCardAt(2), nullptr);
    EXPECT_EQ(list.GetCardAt(-1), nullptr);

    list.ReplaceCardAt(1, cardNamed("D"));
    list.ReplaceCardAt(2, cardNamed("E"));
    list.ReplaceCardAt(-1, cardNamed("F"));
    EXPECT_EQ(list.GetCardCount(), 2);
    EXPECT_EQ(list.GetCardAt(1)->firstField, "D");
}

// --- date stamps ----------------------------------------------------------------------------------

std::string todayLocal() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

// Runs `body` with TZ set to `zone`, then restores the zone the test started with.
template <typename Body>
void inZone(const char* zone, Body body) {
    const char* old = std::getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", zone, 1);
    tzset();
    body();
    if (old) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}

TEST(DateStamp, AStampMadeNowShowsTodayInEveryZone) {
    // Zones far either side of UTC: a stamp read back through the wrong offset shows another day.
    for (const char* zone : {"Europe/Amsterdam", "Pacific/Kiritimati", "Pacific/Pago_Pago", "UTC"}) {
        inZone(zone, [&] {
            std::string before = todayLocal();
            std::string shown = FormatDateStamp(CurrentDateStamp(), 4);
            std::string after = todayLocal();
            EXPECT_TRUE(shown == before || shown == after) << zone << ": " << shown << " vs " << before;
        });
    }
    // Today lies past January 1972, where a signed reading of the stamp would turn negative.
    EXPECT_GT(CurrentDateStamp(), 0x80000000u);
}

TEST(DateStamp, CalendarRangeOfTheUnsignedStamp) {
    struct Case {
        int y, m, d, hh, mm, ss;
        std::uint32_t stamp;
        const char* shown;  // format 4
    };
    const Case cases[] = {
        {1904, 1, 1, 0, 0, 0, 0u, "1904-01-01"},
        {1999, 12, 31, 23, 59, 59, 3029529599u, "1999-12-31"},
        {2000, 2, 29, 0, 0, 0, 3034627200u, "2000-02-29"},
        {2024, 3, 15, 10, 20, 30, 3793342830u, "2024-03-15"},
        {2030, 6, 1, 12, 0, 0, 3989390400u, "2030-06-01"},
        {2040, 2, 6, 6, 28, 15, 4294967295u, "2040-02-06"},  // the last second the stamp holds
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DateStampFor(c.y, c.m, c.d, c.hh, c.mm, c.ss), c.stamp) << c.shown;
        EXPECT_EQ(FormatDateStamp(c.stamp, 4), c.shown);
    }
}

TEST(DateStamp, EveryFormatIndexAndTheFallback) {
    const std::uint32_t stamp = DateStampFor(2024, 3, 5, 23, 59, 59);  // a Tuesday
    const std::pair<int, const char*> cases[] = {
        {0, "03/05/24"},
        {1, "Tuesday, March 05, 2024"},
        {2, "March, 05, 2024"},
        {3, "03/05/2024"},
        {4, "2024-03-05"},
        {5, "05-March-24"},
        {6, "03.05.24"},
        {7, "March.05.24"},
        {8, "05-March-2024"},
        {9, "March, 24"},
        {10, "March-24"},
        {11, "05-03-2024"},
        {12, "05-03-2024"},
        {-1, "05-03-2024"},
        {1000, "05-03-2024"},
    };
    for (const auto& [index, shown] : cases) EXPECT_EQ(FormatDateStamp(stamp, index), shown) << index;
    EXPECT_EQ(FormatDateStamp(0, 1), "Friday, January 01, 1904");
    EXPECT_STREQ(dateFormatPattern(-7), "%d-%m-%Y");
}

}  // namespace

namespace {

TEST(DateStamp, ParsingReadsWhatFormattingWritesInEveryFormat) {
    const std::uint32_t stamps[] = {DateStampFor(1904, 1, 1), DateStampFor(1999, 12, 31), DateStampFor(2024, 2, 29),
                                    DateStampFor(2039, 7, 4)};
    for (int format = 0; format < kDateFormatCount; ++format) {
        for (std::uint32_t stamp : stamps) {
            const std::string text = FormatDateStamp(stamp, format);
            const std::optional<std::uint32_t> back = ParseDateStamp(text, format);
            ASSERT_TRUE(back.has_value()) << text << " format " << format;
            EXPECT_EQ(FormatDateStamp(*back, format), text) << "format " << format;
        }
    }
    // A full date comes back as the very stamp (midnight); a format without a day as the 1st.
    EXPECT_EQ(ParseDateStamp(FormatDateStamp(stamps[2], 4), 4), stamps[2]);
    EXPECT_EQ(ParseDateStamp(FormatDateStamp(stamps[2], 10), 10), DateStampFor(2024, 2, 1));
}

TEST(DateStamp, ParsingRefusesWhatIsNoDateOfTheFormat) {
    const struct {
        const char* text;
        int format;
        bool valid;
    } cases[] = {
        {"12/31/99", 0, true},         {"1/2/24", 0, true},       {"13/01/24", 0, false},
        {"02/30/24", 0, false},        {"12/31/99 ", 0, false},   {"", 0, false},
        {"2024-02-29", 4, true},       {"2023-02-29", 4, false},  {"1903-12-31", 4, false},
        {"2041-01-01", 4, false},      {"05-march-2024", 8, true}, {"05-Marc-2024", 8, false},
        {"Monday, July 04, 2039", 1, true}, {"July-24", 10, true}, {"12.31.99", 6, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDateStamp(c.text, c.format).has_value(), c.valid) << c.text << " format " << c.format;
    }
    EXPECT_EQ(ParseDateStamp("05-march-2024", 8), DateStampFor(2024, 3, 5));
}

}  // namespace
