// Find: the order it walks the cards in and its comparison with and without Ignore Case.
#include <gtest/gtest.h>

#include "cardstore/CardSearch.h"
#include "cardstore/CardStore.h"

namespace {

Card* addCard(CardStore& store, int categoryId, const std::string& first, const std::string& note = {}) {
    auto card = std::make_unique<Card>();
    card->categoryId = static_cast<std::uint8_t>(categoryId);
    card->firstField = first;
    card->note = note;
    Card* raw = card.get();
    store.GetCategoryList(categoryId)->AddCard(std::move(card));
    return raw;
}

TEST(CardSearch, ComparisonWithAndWithoutIgnoreCase) {
    Card card;
    card.firstField = "Example Bank";
    card.secondField = "https://bank.example.com";
    card.thirdField = "ann";
    card.fourthField = "S3cret";
    card.note = "PIN IN THE DRAWER; caf\xE9";  // Windows-1252 e acute

    const struct {
        const char* keyword;
        bool ignoreCase;
        bool found;
    } cases[] = {
        {"Bank", false, true},           // first field
        {"bank.example", false, true},   // second field
        {"ann", false, true},            // third field
        {"3cr", false, true},            // fourth field, the password
        {"DRAWER", false, true},         // note
        {"drawer", false, false},        // case matters without Ignore Case
        {"drawer", true, true},          // ... and not with it
        {"s3CRET", true, true},
        {"caf\xC9", true, false},        // only ASCII letters fold: E acute is not e acute
        {"caf\xE9", true, true},
        {"Bank Example", true, false},   // contiguous only
        {"ann\nS3", false, false},       // never across fields
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cardContains(card, c.keyword, c.ignoreCase), c.found) << c.keyword << " ignoreCase " << c.ignoreCase;
    }
}

TEST(CardSearch, WalksTheShownCategoriesInDisplayOrderFromStart) {
    CardStore store;
    Card* login = addCard(store, 5, "login x");
    Card* pop = addCard(store, 6, "pop x");
    Card* web = addCard(store, 0, "web x");
    Card* misc = addCard(store, 14, "misc x");
    addCard(store, kDeletedCategoryId, "deleted x");

    const std::vector<Card*> cards = cardsInSearchOrder(store);
    ASSERT_EQ(cards, (std::vector<Card*>{web, pop, login, misc}));

    // Find, then Find Again from one past each hit, until the search runs out.
    std::vector<int> hits;
    for (int start = 0, at; (at = findCard(cards, start, "x", false)) >= 0; start = at + 1) {
        hits.push_back(at);
    }
    EXPECT_EQ(hits, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(findCard(cards, 4, "x", false), -1);
    EXPECT_EQ(findCard(cards, 0, "deleted", false), -1);  // the deleted cards are not searched
    EXPECT_EQ(findCard({}, 0, "x", false), -1);
}

// Find selects the card it found by its place: the list it is in and its position there, counted
// across the categories in search order (POP Accounts, 6, before Login Accounts, 5).
TEST(CardSearch, PlaceOfAFoundCardIsItsListAndPosition) {
    CardStore store;
    addCard(store, 0, "web 0");
    addCard(store, 0, "web 1");
    addCard(store, 5, "login 0");
    addCard(store, 6, "pop 0");
    addCard(store, 6, "pop 1");
    addCard(store, kDeletedCategoryId, "deleted");
    const std::vector<Card*> cards = cardsInSearchOrder(store);
    ASSERT_EQ(cards.size(), 5u);
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {0, 1}, {6, 0}, {6, 1}, {5, 0}, {-1, -1}};
    for (int i = -1; i <= 5; ++i) {
        const CardPlace place = searchPlace(store, i);
        const auto want = i < 0 ? std::pair{-1, -1} : expected[static_cast<std::size_t>(i)];
        EXPECT_EQ(std::pair(place.categoryId, place.position), want) << "index " << i;
        if (place.categoryId >= 0) {
            EXPECT_EQ(store.GetCategoryList(place.categoryId)->GetCardAt(place.position),
                      cards[static_cast<std::size_t>(i)]);
        }
    }
}

}  // namespace
