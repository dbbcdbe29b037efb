#pragma once
// Merging two changed copies of one card document, card by card: the base (the cards as this program
// last read or wrote them), ours (the window's cards) and theirs (the file as another program left
// it). Nothing is asked: a card only one side changed takes that change, and a card both sides
// changed differently is kept in both versions, theirs marked.
//
// Cards carry no identity in the file, so the base is matched to each side by content, one card to
// one card, in rounds from the strictest rule to the loosest; each round pairs only cards left over
// by the rounds before, each base card with the first such side card in the side's order:
//   1. identical: the same list and every stored field equal (the five texts, category number, both
//      flag bytes, the web switches among them, date stamp and the extra value). Such a side card is
//      the base card, unchanged.
//   2. same category, date stamp and five texts: only the flags differ (a web switch turned, or a
//      delete, which moves the card to the deleted cards and sets its deleted bit, keeping its category
//      number).
//   3. same category, date stamp and name (first field): an edit of the other texts.
//   4. same category and date stamp: an edit that renamed the card (the editor keeps a card's stamp,
//      New and Paste stamp the current time).
//   5. same category and a non-empty name: a program that stamps a card anew when it changes it.
//   6. same category and the same non-empty second and third fields (address and user for the web
//      categories).
// A side card paired with no base card was added on that side; a base card paired with nothing
// was removed from that side altogether.
//
// Each base card then gives: itself when both sides kept it; the changed side's card when only one
// side changed it (nothing when that side removed it); both side cards when both changed it, unless
// they are identical (then one). A card one side added or changed is dropped only when the other
// side added or changed a card identical to it (then that one stands for both). What is left of
// theirs beside our different change of the same base card is a conflict: its name gets
// kOtherCopyMark appended.
//
// The pairing decides only which of theirs are marked and where cards stand, never which cards
// survive: whatever a side added or changed is in the result however its cards were paired, and
// a base card is dropped only in favour of a side's change. Counted by content (a card as a whole
// value, in its list, theirs' marks taken off), the result holds each card min(B, O, T) +
// max(0, O - B, T - B) times, B, O and T being how often the base, ours and theirs hold it: as often
// as both sides kept it, plus the copies added by the side that added more.
//
// Order within each list: the base order (a card stays where its base card stood, theirs' conflict
// copy right after ours), then the cards that came into the list or were added: ours in our order,
// then theirs in their order. When one side equals the base, the result is exactly the other side.

#include <string>

#include "cardstore/CardStore.h"

/// What marks the other copy of a card that both sides changed: appended to its name.
inline constexpr const char* kOtherCopyMark = " (other copy)";

struct CardMergeResult {
    /// Base cards that both sides changed differently: kept in both versions, theirs marked.
    int conflicts = 0;
    /// Cards of the result that came from theirs: added or changed there (a card deleted there counts).
    int fromTheirs = 0;
};

/// Whether two cards hold the same stored content (what the file keeps of them: the five texts,
/// category number, flags with the web switches, date stamp and extra value), whatever only memory holds.
bool sameStoredCard(const Card& a, const Card& b);

/// Whether every list, the deleted cards and the unshown cards included, holds the same cards in the
/// same order in both stores (by sameStoredCard).
bool sameCards(const CardStore& a, const CardStore& b);

/// Merges `ours` and `theirs`, both changed from `base`, into `merged` (emptied first; its encryption
/// state is left alone). The three inputs are only read; `merged` must be none of them.
CardMergeResult mergeCardDocuments(const CardStore& base, const CardStore& ours, const CardStore& theirs,
                                   CardStore& merged);

/// Merges a sync program's conflict copy (`theirs`) into `ours`, which share no base, into `merged`
/// (emptied first). The base the three-way merge starts from is made of the two sides themselves:
/// a card both hold stays; a card deleted on one side (in the deleted cards, nothing else changed) and
/// unchanged on the other stays deleted; two cards of one category, date stamp and name that differ
/// otherwise (one card changed on one side or both, or deleted on one and changed on the other) are
/// both kept, theirs marked; any other card is an addition of its side and kept.
CardMergeResult mergeConflictCopy(const CardStore& ours, const CardStore& theirs, CardStore& merged);

/// Copies every card of `from` into `to` (emptied first), leaving the encryption state of both.
void copyCards(const CardStore& from, CardStore& to);

/// Exchanges the cards of `a` and `b`, leaving each store's encryption state where it is.
void swapCards(CardStore& a, CardStore& b);
