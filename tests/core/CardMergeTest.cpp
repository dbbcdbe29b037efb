// Merging two changed copies of a card document: the rules case by case, then random edits on both
// sides checked against what a merge must keep.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cardstore/CardMerge.h"
#include "cardstore/CardOperations.h"

namespace {

const std::string kMark = kOtherCopyMark;

Card card(int category, const std::string& name, std::uint32_t stamp, const std::string& password = "p") {
    Card c;
    c.categoryId = static_cast<std::uint8_t>(category);
    c.firstField = name;
    c.fourthField = password;
    c.dateStamp = stamp;
    return c;
}

// Files the card where a loaded document has it: deleted cards in list 100, a number that is no
// category among the unshown cards.
void put(CardStore& store, const Card& c) {
    const int list = (c.stateFlags & kStateDeleted) ? kDeletedCategoryId : c.categoryId;
    CardList* target = store.GetCategoryList(list);
    (target ? *target : store.unshownCards()).AddCard(std::make_unique<Card>(c));
}

Card* named(CardStore& store, int list, const std::string& name) {
    const CardList* cards = store.GetCategoryList(list);
    const int at = findCardByName(*cards, name);
    return at < 0 ? nullptr : cards->GetCardAt(at);
}

void edit(CardStore& store, const std::string& name, const std::string& newName, const std::string& password) {
    Card* c = named(store, 0, name);
    ASSERT_NE(c, nullptr) << name;
    editCardTexts(*c, {newName, c->secondField, c->thirdField, password, c->note});
}

void remove(CardStore& store, const std::string& name) {
    ASSERT_TRUE(deleteCard(store, 0, findCardByName(*store.GetCategoryList(0), name))) << name;
}

// Turns the named card's Automatic Access on, as its switch row in the window does.
void automatic(CardStore& store, const std::string& name) {
    Card* c = named(store, 0, name);
    ASSERT_NE(c, nullptr) << name;
    c->automaticAccess = 1;
}

// "name" for a card with the password "p", "name=password" otherwise; "+auto" when its Automatic
// Access is on.
std::vector<std::string> shown(const CardList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.GetCardCount(); ++i) {
        const Card* c = list.GetCardAt(i);
        out.push_back((c->fourthField == "p" ? c->firstField : c->firstField + "=" + c->fourthField) +
                      (c->automaticAccess == 1 ? "+auto" : ""));
    }
    return out;
}

using Change = std::function<void(CardStore&)>;

struct MergeCase {
    const char* what;
    Change ours;
    Change theirs;
    std::vector<std::string> category;  // WWW Sites after the merge
    std::vector<std::string> deleted;
    int conflicts;
};

TEST(CardMerge, EachSidesChangesAreKeptAndOnlyDifferentChangesOfOneCardAreKeptTwice) {
    const Change none = [](CardStore&) {};
    const MergeCase cases[] = {
        {"the window adds, the other program adds and deletes",
         [](CardStore& s) { put(s, card(0, "Local", 900)); },
         [](CardStore& s) {
             put(s, card(0, "Remote", 901));
             remove(s, "Beta");
         },
         {"Alpha", "Local", "Remote"}, {"Beta"}, 0},
        {"an edit against no change", [](CardStore& s) { edit(s, "Beta", "Beta", "new"); }, none,
         {"Alpha", "Beta=new"}, {}, 0},
        {"renamed differently on both sides", [](CardStore& s) { edit(s, "Beta", "Bea", "p"); },
         [](CardStore& s) { edit(s, "Beta", "Bet", "p"); }, {"Alpha", "Bea", "Bet" + kMark}, {}, 1},
        {"the same edit on both sides", [](CardStore& s) { edit(s, "Alpha", "Al", "x"); },
         [](CardStore& s) { edit(s, "Alpha", "Al", "x"); }, {"Al=x", "Beta"}, {}, 0},
        {"the same card added on both sides", [](CardStore& s) { put(s, card(0, "Shared", 777)); },
         [](CardStore& s) { put(s, card(0, "Shared", 777)); }, {"Alpha", "Beta", "Shared"}, {}, 0},
        {"deleted on both sides", [](CardStore& s) { remove(s, "Beta"); },
         [](CardStore& s) { remove(s, "Beta"); }, {"Alpha"}, {"Beta"}, 0},
        {"ours edited, theirs deleted", [](CardStore& s) { edit(s, "Beta", "Beta", "new"); },
         [](CardStore& s) { remove(s, "Beta"); }, {"Alpha", "Beta=new"}, {"Beta" + kMark}, 1},
        {"ours deleted, theirs edited", [](CardStore& s) { remove(s, "Beta"); },
         [](CardStore& s) { edit(s, "Beta", "Beta", "new"); }, {"Alpha", "Beta" + kMark + "=new"}, {"Beta"}, 1},
        {"each side edits another card", [](CardStore& s) { edit(s, "Alpha", "Alpha", "a"); },
         [](CardStore& s) { edit(s, "Beta", "Beta", "b"); }, {"Alpha=a", "Beta=b"}, {}, 0},
        // A web switch is stored with the card: turning one is a change like an edit.
        {"ours edits a card, theirs turns a switch of another", [](CardStore& s) { edit(s, "Alpha", "Alpha", "a"); },
         [](CardStore& s) { automatic(s, "Beta"); }, {"Alpha=a", "Beta+auto"}, {}, 0},
        {"ours turns a switch, theirs edits the same card", [](CardStore& s) { automatic(s, "Beta"); },
         [](CardStore& s) { edit(s, "Beta", "Beta", "t"); }, {"Alpha", "Beta+auto", "Beta" + kMark + "=t"}, {}, 1},
        {"base order, then ours, then theirs",
         [](CardStore& s) {
             put(s, card(0, "Ours", 902));
             edit(s, "Beta", "Beta", "o");
         },
         [](CardStore& s) {
             put(s, card(0, "Theirs", 903));
             edit(s, "Alpha", "Alpha", "t");
         },
         {"Alpha=t", "Beta=o", "Ours", "Theirs"}, {}, 0},
        // Alpha and Beta share their stamp (made in one second): the order pairs them.
        {"both renamed on one side, one edited on the other",
         [](CardStore& s) {
             edit(s, "Alpha", "X", "p");
             edit(s, "Beta", "Y", "p");
         },
         [](CardStore& s) { edit(s, "Beta", "Beta", "t"); }, {"X", "Y", "Beta" + kMark + "=t"}, {}, 1},
        // A program that stamps a card anew when it changes it: the name still pairs it.
        {"restamped on one side, edited on the other",
         [](CardStore& s) { edit(s, "Beta", "Beta", "o"); },
         [](CardStore& s) {
             Card* c = named(s, 0, "Beta");
             c->dateStamp = 5000;
             c->fourthField = "t";
         },
         {"Alpha", "Beta=o", "Beta" + kMark + "=t"}, {}, 1},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.what);
        CardStore base, ours, theirs, merged;
        put(base, card(0, "Alpha", 100));
        put(base, card(0, "Beta", 100));
        put(base, card(40, "From a later version", 103));  // kept, though never shown
        copyCards(base, ours);
        copyCards(base, theirs);
        c.ours(ours);
        c.theirs(theirs);
        const CardMergeResult result = mergeCardDocuments(base, ours, theirs, merged);
        EXPECT_EQ(shown(*merged.GetCategoryList(0)), c.category);
        EXPECT_EQ(shown(*merged.GetCategoryList(kDeletedCategoryId)), c.deleted);
        EXPECT_EQ(shown(merged.unshownCards()), std::vector<std::string>{"From a later version"});
        EXPECT_EQ(result.conflicts, c.conflicts);
    }
}

TEST(CardMerge, TheMarkFitsALongestName) {
    CardStore base, ours, theirs, merged;
    const std::string longest(kMaxTextBytes, 'n');
    put(base, card(0, longest, 100));
    copyCards(base, ours);
    copyCards(base, theirs);
    ours.GetCategoryList(0)->GetCardAt(0)->fourthField = "o";
    theirs.GetCategoryList(0)->GetCardAt(0)->fourthField = "t";
    EXPECT_EQ(mergeCardDocuments(base, ours, theirs, merged).conflicts, 1);
    const CardList& list = *merged.GetCategoryList(0);
    ASSERT_EQ(list.GetCardCount(), 2);
    EXPECT_EQ(list.GetCardAt(0)->firstField, longest);
    const std::string& marked = list.GetCardAt(1)->firstField;
    EXPECT_EQ(marked.size(), kMaxTextBytes);
    EXPECT_EQ(marked.substr(marked.size() - kMark.size()), kMark);
}

TEST(CardMerge, CopiesAndSwapsKeepTheEncryptionState) {
    CardStore a, b;
    put(a, card(0, "A", 1));
    put(a, card(3, "Gone", 2));
    a.GetCategoryList(3)->GetCardAt(0)->stateFlags = kStateDeleted;
    put(b, card(20, "Unshown", 3));
    a.encryptOnSave = 1;
    a.encryptionPassword = "secret";
    CardStore copy;
    copyCards(a, copy);
    EXPECT_TRUE(sameCards(a, copy));
    EXPECT_EQ(copy.encryptOnSave, 0);
    EXPECT_TRUE(copy.encryptionPassword.empty());
    swapCards(a, b);
    EXPECT_TRUE(sameCards(b, copy));
    EXPECT_EQ(a.unshownCards().GetCardCount(), 1);
    EXPECT_EQ(a.encryptionPassword, "secret");
    EXPECT_TRUE(b.encryptionPassword.empty());
}

// ---- random edits on both sides ----

// A card as a whole value in its list, what the counts below compare.
std::string valueOf(int list, const Card& c) {
    std::ostringstream out;
    out << list << '|' << int(c.categoryId) << '|' << int(c.legacyFlags) << '|' << int(c.stateFlags) << '|'
        << c.dateStamp << '|' << c.extraValue << '|' << c.firstField << '|' << c.secondField << '|' << c.thirdField
        << '|' << c.fourthField << '|' << c.note;
    return out.str();
}

constexpr int kUnshown = -1;

template <typename F>
void eachCard(const CardStore& store, F f) {
    for (int id : storedListOrder()) {
        const CardList& list = *store.GetCategoryList(id);
        for (int i = 0; i < list.GetCardCount(); ++i) f(id, *list.GetCardAt(i));
    }
    for (int i = 0; i < store.unshownCards().GetCardCount(); ++i) f(kUnshown, *store.unshownCards().GetCardAt(i));
}

std::map<std::string, int> countValues(const CardStore& store) {
    std::map<std::string, int> counts;
    eachCard(store, [&](int list, const Card& c) { ++counts[valueOf(list, c)]; });
    return counts;
}

std::string describe(const CardStore& store) {
    std::string out;
    eachCard(store, [&](int list, const Card& c) {
        out += "  [" + std::to_string(list) + "] " + c.firstField + " " + c.secondField + "/" + c.thirdField + "/" +
               c.fourthField + " @" + std::to_string(c.dateStamp) + " flags " + std::to_string(c.stateFlags) + "\n";
    });
    return out;
}

// Small pools, so that names, stamps and addresses collide as in a real document (a batch imported
// in one second shares its stamp).
struct RandomDocs {
    std::mt19937 rng;
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    template <typename T>
    const T& from(const std::vector<T>& pool) {
        return pool[static_cast<std::size_t>(pick(static_cast<int>(pool.size())))];
    }

    const std::vector<std::string> names{"A", "B", "C", "D", ""};
    const std::vector<std::string> texts{"", "u", "x"};
    const std::vector<std::string> passwords{"p", "q", "r", "s"};
    const std::vector<int> categories{0, 0, 0, 1, 14};

    Card randomCard() {
        Card c = card(pick(12) == 0 ? 40 : from(categories), from(names), 10 + static_cast<std::uint32_t>(pick(4)),
                      from(passwords));
        c.secondField = from(texts);
        c.thirdField = from(texts);
        return c;
    }

    void fill(CardStore& store) {
        for (int n = pick(8); n > 0; --n) {
            Card c = randomCard();
            if (pick(5) == 0 && c.categoryId < kCategoryCount) c.stateFlags |= kStateDeleted;
            put(store, c);
        }
    }

    // One change as the window or quorvane-cli makes it: add, edit (texts only, or a rename), delete,
    // a flag another program sets, a restamping edit, or a deleted card purged.
    void change(CardStore& store) {
        const int category = from(categories);
        CardList& list = *store.GetCategoryList(category);
        const int count = list.GetCardCount();
        switch (pick(7)) {
            case 0:
                put(store, randomCard());
                return;
            case 1:
            case 2:
                if (count > 0) {
                    Card& c = *list.GetCardAt(pick(count));
                    editCardTexts(c, {pick(2) ? from(names) : c.firstField, pick(3) ? c.secondField : from(texts),
                                      c.thirdField, from(passwords), c.note});
                }
                return;
            case 3:
                if (count > 0) deleteCard(store, category, pick(count));
                return;
            case 4:
                if (count > 0) list.GetCardAt(pick(count))->legacyFlags ^= 1;
                return;
            case 5:
                if (count > 0) {
                    Card& c = *list.GetCardAt(pick(count));
                    c.dateStamp = 50 + static_cast<std::uint32_t>(pick(3));
                    c.fourthField = from(passwords);
                }
                return;
            default: {
                CardList& deleted = *store.GetCategoryList(kDeletedCategoryId);
                if (deleted.GetCardCount() > 0) deleted.RemoveCardAt(pick(deleted.GetCardCount()));
                return;
            }
        }
    }
};

// What a merge must keep, counted per card value: as often as both sides kept it, plus the copies
// added by the side that added more. Less loses a change; more repeats a card both sides hold.
int expectedCount(int base, int ours, int theirs) {
    return std::min({base, ours, theirs}) + std::max({0, ours - base, theirs - base});
}

bool endsWithMark(const std::string& name) {
    return name.size() >= kMark.size() && name.compare(name.size() - kMark.size(), kMark.size(), kMark) == 0;
}

TEST(CardMerge, RandomEditsOnBothSidesLoseNothingAndRepeatNothing) {
    const unsigned firstSeed = 24000;
    for (unsigned seed = firstSeed; seed < firstSeed + 600; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomDocs random{std::mt19937(seed)};
        CardStore base, ours, theirs, merged;
        random.fill(base);
        copyCards(base, ours);
        // Some changes made identically on both sides, then each side's own.
        for (int n = random.pick(3); n > 0; --n) random.change(ours);
        copyCards(ours, theirs);
        for (int n = random.pick(5); n > 0; --n) random.change(ours);
        for (int n = random.pick(5); n > 0; --n) random.change(theirs);

        const CardMergeResult result = mergeCardDocuments(base, ours, theirs, merged);

        // Theirs' conflict copies are counted without their mark; each is a card of theirs that
        // ours does not hold.
        const std::map<std::string, int> oursCounts = countValues(ours);
        const std::map<std::string, int> theirsCounts = countValues(theirs);
        int marked = 0;
        std::map<std::string, int> mergedCounts;
        eachCard(merged, [&](int list, const Card& c) {
            Card unmarked = c;
            if (endsWithMark(c.firstField)) {
                ++marked;
                unmarked.firstField.resize(c.firstField.size() - kMark.size());
                EXPECT_TRUE(theirsCounts.count(valueOf(list, unmarked))) << unmarked.firstField;
            }
            ++mergedCounts[valueOf(list, unmarked)];
        });
        EXPECT_EQ(marked, result.conflicts);

        const std::map<std::string, int> baseCounts = countValues(base);
        std::map<std::string, int> all = baseCounts;
        all.insert(oursCounts.begin(), oursCounts.end());
        all.insert(theirsCounts.begin(), theirsCounts.end());
        all.insert(mergedCounts.begin(), mergedCounts.end());
        auto count = [](const std::map<std::string, int>& counts, const std::string& value) {
            const auto found = counts.find(value);
            return found == counts.end() ? 0 : found->second;
        };
        for (const auto& [value, unused] : all) {
            EXPECT_EQ(count(mergedCounts, value),
                      expectedCount(count(baseCounts, value), count(oursCounts, value), count(theirsCounts, value)))
                << value;
        }

        // No change on one side: the other side, card for card and in its order.
        CardStore same;
        EXPECT_EQ(mergeCardDocuments(base, base, theirs, same).conflicts, 0);
        EXPECT_TRUE(sameCards(same, theirs));
        EXPECT_EQ(mergeCardDocuments(base, ours, base, same).conflicts, 0);
        EXPECT_TRUE(sameCards(same, ours));
        // The same changes on both sides are no conflict.
        EXPECT_EQ(mergeCardDocuments(base, ours, ours, same).conflicts, 0);

        if (::testing::Test::HasFailure()) {
            std::cerr << "seed " << seed << "\nbase:\n"
                      << describe(base) << "ours:\n"
                      << describe(ours) << "theirs:\n"
                      << describe(theirs) << "merged:\n"
                      << describe(merged);
            return;
        }
    }
}

}  // namespace
