#pragma once
// The fifteen card categories with their display names and field labels, and the hidden list of
// deleted cards (number 100).

#include <array>
#include <string>

inline constexpr int kCategoryCount = 15;        // shown categories, numbers 0-14
inline constexpr int kDeletedCategoryId = 100;   // the hidden list of deleted cards
inline constexpr int kStoredListCount = 16;      // 0-14 and 100
inline constexpr unsigned kStateDeleted = 0x02;  // stateFlags bit 1: the card has been deleted
inline constexpr unsigned kStateEdited = 0x04;   // stateFlags bit 2: set by the Edit Card command

using Labels = std::array<std::string, 4>;

struct CategoryInfo {
    int id;
    const char* displayName;  // "" for the deleted-cards list
    const char* listName;     // the name a CardList carries: set for 2-13 only
    std::array<const char*, 4> labels;
};

/// The category with this number (0-14 or 100), or nullptr.
const CategoryInfo* findCategory(int categoryId);

/// The list numbers in file order: 0, 1, ... 14, then 100.
const std::array<int, kStoredListCount>& storedListOrder();

/// True for the numbers of real lists (0-14 and 100).
inline bool isStoredListId(int id) { return (id >= 0 && id < kCategoryCount) || id == kDeletedCategoryId; }

/// The sixteen names of the window's category table, in its display order. "Password Manager" among
/// them is no category: it has no number, no labels and no place in the tree.
const std::array<const char*, 16>& categoryDisplayOrder();

/// The display name of a category 0-14; empty for any other number.
std::string categoryDisplayName(int categoryId);

/// The number of the category (0-14) whose display name equals `name` exactly; -1 otherwise.
int categoryIdForDisplayName(const std::string& name);
