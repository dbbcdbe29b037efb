#include "cardstore/CardMerge.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// The lists of a store by slot: 0-15 the stored lists in file order (15 the deleted cards), 16 the
// cards of numbers that are no category.
constexpr int kUnshownSlot = kStoredListCount;
constexpr int kSlotCount = kStoredListCount + 1;

const CardList& listAt(const CardStore& store, int slot) {
    return slot == kUnshownSlot ? store.unshownCards()
                                : *store.GetCategoryList(storedListOrder()[static_cast<std::size_t>(slot)]);
}

CardList& listAt(CardStore& store, int slot) {
    return slot == kUnshownSlot ? store.unshownCards()
                                : *store.GetCategoryList(storedListOrder()[static_cast<std::size_t>(slot)]);
}

// A card where a store holds it. Entries of a store are in its order: list by list, then position.
struct Entry {
    const Card* card;
    int slot;
};

std::vector<Entry> entriesOf(const CardStore& store) {
    std::vector<Entry> entries;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const CardList& list = listAt(store, slot);
        for (int i = 0; i < list.GetCardCount(); ++i) entries.push_back({list.GetCardAt(i), slot});
    }
    return entries;
}

bool sameTexts(const Card& a, const Card& b) {
    return a.firstField == b.firstField && a.secondField == b.secondField && a.thirdField == b.thirdField &&
           a.fourthField == b.fourthField && a.note == b.note;
}

bool identical(const Entry& a, const Entry& b) { return a.slot == b.slot && sameStoredCard(*a.card, *b.card); }

std::size_t mix(std::size_t seed, std::size_t value) {
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

std::size_t hashText(const std::string& text) { return std::hash<std::string_view>{}(text); }

std::size_t hashTexts(std::size_t seed, const Card& card) {
    for (const std::string* text : {&card.firstField, &card.secondField, &card.thirdField, &card.fourthField,
                                    &card.note})
        seed = mix(seed, hashText(*text));
    return seed;
}

std::size_t identicalKey(const Entry& e) {
    const Card& c = *e.card;
    std::size_t key = mix(static_cast<std::size_t>(e.slot), c.categoryId);
    key = mix(key, c.legacyFlags);
    key = mix(key, c.storedStateFlags());
    key = mix(key, c.dateStamp);
    key = mix(key, c.extraValue);
    return hashTexts(key, c);
}

// The rounds of the pairing, strictest first (CardMerge.h says why each one).
enum class Rule { Identical, FlagsOnly, StampAndName, Stamp, Name, AddressAndUser };
constexpr std::array<Rule, 6> kRules = {Rule::Identical, Rule::FlagsOnly, Rule::StampAndName,
                                        Rule::Stamp,     Rule::Name,      Rule::AddressAndUser};

bool eligible(Rule rule, const Card& c) {
    if (rule == Rule::Name) return !c.firstField.empty();
    if (rule == Rule::AddressAndUser) return !c.secondField.empty() && !c.thirdField.empty();
    return true;
}

bool pairs(Rule rule, const Entry& a, const Entry& b) {
    const Card& x = *a.card;
    const Card& y = *b.card;
    if (rule == Rule::Identical) return identical(a, b);
    if (x.categoryId != y.categoryId) return false;
    switch (rule) {
        case Rule::FlagsOnly:
            return x.dateStamp == y.dateStamp && sameTexts(x, y);
        case Rule::StampAndName:
            return x.dateStamp == y.dateStamp && x.firstField == y.firstField;
        case Rule::Stamp:
            return x.dateStamp == y.dateStamp;
        case Rule::Name:
            return x.firstField == y.firstField;
        case Rule::AddressAndUser:
            return x.secondField == y.secondField && x.thirdField == y.thirdField;
        case Rule::Identical:
            break;
    }
    return false;
}

std::size_t keyOf(Rule rule, const Entry& e) {
    const Card& c = *e.card;
    const std::size_t category = mix(static_cast<std::size_t>(rule), c.categoryId);
    switch (rule) {
        case Rule::Identical:
            return identicalKey(e);
        case Rule::FlagsOnly:
            return hashTexts(mix(category, c.dateStamp), c);
        case Rule::StampAndName:
            return mix(mix(category, c.dateStamp), hashText(c.firstField));
        case Rule::Stamp:
            return mix(category, c.dateStamp);
        case Rule::Name:
            return mix(category, hashText(c.firstField));
        case Rule::AddressAndUser:
            return mix(mix(category, hashText(c.secondField)), hashText(c.thirdField));
    }
    return category;
}

// Candidates of one key in their store's order; `next` skips those already paired.
struct Bucket {
    std::vector<int> items;
    std::size_t next = 0;
};

// How the base's cards pair with one side's: index of the side entry or -1, and whether it is the
// base card unchanged.
struct Pairing {
    std::vector<int> baseToSide;
    std::vector<int> sideToBase;
    std::vector<bool> unchanged;
};

// `rounds` limits the pairing to the strictest rules.
Pairing pairCards(const std::vector<Entry>& base, const std::vector<Entry>& side, std::size_t rounds = kRules.size()) {
    Pairing p;
    p.baseToSide.assign(base.size(), -1);
    p.sideToBase.assign(side.size(), -1);
    p.unchanged.assign(base.size(), false);
    std::size_t left = std::min(base.size(), side.size());
    for (std::size_t round = 0; round < rounds; ++round) {
        const Rule rule = kRules[round];
        if (left == 0) break;
        std::unordered_map<std::size_t, Bucket> buckets;
        for (std::size_t j = 0; j < side.size(); ++j)
            if (p.sideToBase[j] < 0 && eligible(rule, *side[j].card))
                buckets[keyOf(rule, side[j])].items.push_back(static_cast<int>(j));
        for (std::size_t i = 0; i < base.size() && left > 0; ++i) {
            if (p.baseToSide[i] >= 0 || !eligible(rule, *base[i].card)) continue;
            auto found = buckets.find(keyOf(rule, base[i]));
            if (found == buckets.end()) continue;
            Bucket& bucket = found->second;
            auto paired = [&](std::size_t k) { return p.sideToBase[static_cast<std::size_t>(bucket.items[k])] >= 0; };
            while (bucket.next < bucket.items.size() && paired(bucket.next)) ++bucket.next;
            for (std::size_t k = bucket.next; k < bucket.items.size(); ++k) {
                const auto j = static_cast<std::size_t>(bucket.items[k]);
                if (p.sideToBase[j] < 0 && pairs(rule, base[i], side[j])) {
                    p.baseToSide[i] = static_cast<int>(j);
                    p.sideToBase[j] = static_cast<int>(i);
                    p.unchanged[i] = rule == Rule::Identical;
                    --left;
                    break;
                }
            }
        }
    }
    return p;
}

// One card of the result, before it is placed.
struct Piece {
    int side;               // 0 ours (or a card both kept), 1 theirs
    int entry;              // index among that side's entries
    int origin = -1;        // the base card it comes from, or -1 for a card added
    bool changed = true;    // added or changed on its side (not the base card as it was)
    bool conflict = false;  // theirs, beside our different change of the same base card
    bool dropped = false;   // stands for a card of ours identical to it
    bool used = false;      // ours: already stands for a card of theirs
};

std::string markedName(const std::string& name) {
    const std::size_t markSize = std::strlen(kOtherCopyMark);
    std::string marked = name.substr(0, std::min(name.size(), kMaxTextBytes - markSize));
    return marked + kOtherCopyMark;
}

}  // namespace

bool sameStoredCard(const Card& a, const Card& b) {
    return a.categoryId == b.categoryId && a.legacyFlags == b.legacyFlags &&
           a.storedStateFlags() == b.storedStateFlags() && a.dateStamp == b.dateStamp && a.extraValue == b.extraValue &&
           sameTexts(a, b);
}

bool sameCards(const CardStore& a, const CardStore& b) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const CardList& x = listAt(a, slot);
        const CardList& y = listAt(b, slot);
        if (x.GetCardCount() != y.GetCardCount()) return false;
        for (int i = 0; i < x.GetCardCount(); ++i)
            if (!sameStoredCard(*x.GetCardAt(i), *y.GetCardAt(i))) return false;
    }
    return true;
}

void copyCards(const CardStore& from, CardStore& to) {
    to.clear();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const CardList& source = listAt(from, slot);
        CardList& target = listAt(to, slot);
        for (int i = 0; i < source.GetCardCount(); ++i) target.AddCard(std::make_unique<Card>(*source.GetCardAt(i)));
    }
}

void swapCards(CardStore& a, CardStore& b) {
    for (int slot = 0; slot < kSlotCount; ++slot) std::swap(listAt(a, slot), listAt(b, slot));
}

CardMergeResult mergeCardDocuments(const CardStore& base, const CardStore& ours, const CardStore& theirs,
                                   CardStore& merged) {
    if (sameCards(base, theirs)) {
        copyCards(ours, merged);
        return {};
    }
    if (sameCards(base, ours)) {
        copyCards(theirs, merged);
        CardMergeResult result;
        const std::vector<Entry> theirEntries = entriesOf(theirs);
        const Pairing kept = pairCards(entriesOf(base), theirEntries);
        for (int b : kept.sideToBase)
            if (b < 0 || !kept.unchanged[static_cast<std::size_t>(b)]) ++result.fromTheirs;
        return result;
    }
    const std::vector<Entry> baseEntries = entriesOf(base);
    const std::array<std::vector<Entry>, 2> sides = {entriesOf(ours), entriesOf(theirs)};
    const std::array<Pairing, 2> pairing = {pairCards(baseEntries, sides[0]), pairCards(baseEntries, sides[1])};

    std::vector<Piece> pieces;
    std::vector<int> oursOf(baseEntries.size(), -1);  // the piece of ours each base card gave, if any
    for (std::size_t i = 0; i < baseEntries.size(); ++i) {
        const int o = pairing[0].baseToSide[i];
        const int t = pairing[1].baseToSide[i];
        const bool oursKept = pairing[0].unchanged[i];
        const bool theirsKept = pairing[1].unchanged[i];
        const int origin = static_cast<int>(i);
        if (oursKept && theirsKept) {
            pieces.push_back({0, o, origin, false});
            continue;
        }
        if (o >= 0 && !oursKept) {
            oursOf[i] = static_cast<int>(pieces.size());
            pieces.push_back({0, o, origin});
        }
        if (t >= 0 && !theirsKept) {
            Piece piece{1, t, origin};
            piece.conflict = oursOf[i] >= 0;
            pieces.push_back(piece);
        }
    }
    for (int side = 0; side < 2; ++side)
        for (std::size_t j = 0; j < sides[side].size(); ++j)
            if (pairing[side].sideToBase[j] < 0) pieces.push_back({side, static_cast<int>(j)});

    auto entryOf = [&](const Piece& piece) -> const Entry& {
        return sides[static_cast<std::size_t>(piece.side)][static_cast<std::size_t>(piece.entry)];
    };
    // A card of theirs identical to one ours added or changed is the same card: one stays. The same
    // change of one base card goes first, so that it is never taken for a conflict.
    for (Piece& piece : pieces) {
        if (piece.side != 1 || piece.origin < 0 || oursOf[static_cast<std::size_t>(piece.origin)] < 0) continue;
        Piece& mine = pieces[static_cast<std::size_t>(oursOf[static_cast<std::size_t>(piece.origin)])];
        if (identical(entryOf(mine), entryOf(piece))) {
            mine.used = true;
            piece.dropped = true;
        }
    }
    std::unordered_map<std::size_t, Bucket> oursChanged;
    for (std::size_t k = 0; k < pieces.size(); ++k)
        if (pieces[k].side == 0 && pieces[k].changed && !pieces[k].used)
            oursChanged[identicalKey(entryOf(pieces[k]))].items.push_back(static_cast<int>(k));
    for (Piece& piece : pieces) {
        if (piece.side != 1 || piece.dropped) continue;
        auto found = oursChanged.find(identicalKey(entryOf(piece)));
        if (found == oursChanged.end()) continue;
        for (int k : found->second.items) {
            Piece& mine = pieces[static_cast<std::size_t>(k)];
            if (!mine.used && identical(entryOf(mine), entryOf(piece))) {
                mine.used = true;
                piece.dropped = true;
                break;
            }
        }
    }

    // Placing: where the base card stood when the card is still in that list (ours, then theirs'
    // copy), else after those, ours in our order, then theirs in their order.
    struct Placed {
        int group;
        std::size_t first;
        int second;
        const Piece* piece;
    };
    std::array<std::vector<Placed>, kSlotCount> lists;
    CardMergeResult result;
    for (const Piece& piece : pieces) {
        if (piece.dropped) continue;
        const Entry& entry = entryOf(piece);
        const bool inPlace =
            piece.origin >= 0 && baseEntries[static_cast<std::size_t>(piece.origin)].slot == entry.slot;
        Placed placed = inPlace ? Placed{0, static_cast<std::size_t>(piece.origin), piece.side, &piece}
                                : Placed{1 + piece.side, static_cast<std::size_t>(piece.entry), 0, &piece};
        lists[static_cast<std::size_t>(entry.slot)].push_back(placed);
        if (piece.conflict) ++result.conflicts;
        if (piece.side == 1) ++result.fromTheirs;
    }
    merged.clear();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        std::vector<Placed>& placed = lists[static_cast<std::size_t>(slot)];
        std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
            return std::tie(a.group, a.first, a.second) < std::tie(b.group, b.first, b.second);
        });
        CardList& list = listAt(merged, slot);
        for (const Placed& p : placed) {
            auto card = std::make_unique<Card>(*entryOf(*p.piece).card);
            if (p.piece->conflict) card->firstField = markedName(card->firstField);
            list.AddCard(std::move(card));
        }
    }
    return result;
}

namespace {

constexpr int kDeletedSlot = kStoredListCount - 1;

// Whether `gone` is `kept` deleted and nothing else: in the deleted cards, the same texts, stamp,
// category and flags but for the deleted bit.
bool deletionOf(const Entry& gone, const Entry& kept) {
    const Card& g = *gone.card;
    const Card& k = *kept.card;
    return gone.slot == kDeletedSlot && kept.slot != kDeletedSlot && (g.stateFlags & kStateDeleted) &&
           g.categoryId == k.categoryId && g.dateStamp == k.dateStamp && g.legacyFlags == k.legacyFlags &&
           g.extraValue == k.extraValue && sameTexts(g, k) &&
           g.storedStateFlags() == static_cast<std::uint8_t>(k.storedStateFlags() | kStateDeleted);
}

}  // namespace

CardMergeResult mergeConflictCopy(const CardStore& ours, const CardStore& theirs, CardStore& merged) {
    // Ours stands in for the base while the two sides are paired by the merge's strictest rules: with
    // no base to tell them apart, two cards of one category and date stamp are taken for one card only
    // when they also have the same name (the editor keeps a card's stamp; New and Paste stamp it anew).
    // Cards added on both sides in the same second are not taken for one card edited.
    constexpr std::size_t kSameCardRounds = 3;  // identical, only the flags differ, same stamp and name
    static_assert(kRules[kSameCardRounds - 1] == Rule::StampAndName);
    const std::vector<Entry> mine = entriesOf(ours);
    const std::vector<Entry> other = entriesOf(theirs);
    const Pairing pairing = pairCards(mine, other, kSameCardRounds);
    // A copy holding nothing ours lacks leaves ours exactly as it is, its order included.
    if (std::all_of(pairing.sideToBase.begin(), pairing.sideToBase.end(),
                    [&](int i) { return i >= 0 && pairing.unchanged[static_cast<std::size_t>(i)]; })) {
        copyCards(ours, merged);
        return {};
    }
    CardStore base;
    for (std::size_t i = 0; i < mine.size(); ++i) {
        const int j = pairing.baseToSide[i];
        if (j < 0) continue;  // ours alone: an addition
        const Entry& o = mine[i];
        const Entry& t = other[static_cast<std::size_t>(j)];
        if (pairing.unchanged[i] || deletionOf(t, o)) {
            listAt(base, o.slot).AddCard(std::make_unique<Card>(*o.card));
        } else if (deletionOf(o, t)) {
            listAt(base, t.slot).AddCard(std::make_unique<Card>(*t.card));
        } else {
            // One card changed on both sides, or two that only look alike: a base card that pairs with
            // both but equals neither (the merge pairs it with ours by its texts, with theirs by what
            // paired the two), so that both stay and theirs is marked.
            auto unknown = std::make_unique<Card>(*o.card);
            unknown->extraValue = ~unknown->extraValue;
            listAt(base, o.slot).AddCard(std::move(unknown));
        }
    }
    return mergeCardDocuments(base, ours, theirs, merged);
}
