#include "cardstore/CardStore.h"

#include <algorithm>
#include <utility>

#include "common/Wipe.h"

namespace {

// m_lists holds 0-14 at their own index and the deleted cards at index 15.
int slotOf(int categoryId) {
    if (categoryId >= 0 && categoryId < kCategoryCount) return categoryId;
    if (categoryId == kDeletedCategoryId) return kCategoryCount;
    return -1;
}

Labels labelsOf(const CategoryInfo& info) {
    return {info.labels[0], info.labels[1], info.labels[2], info.labels[3]};
}

// The longest label's length, at least 1, from the same category whose labels are returned.
int copyLabels(const CategoryInfo& info, Labels& labels) {
    std::size_t width = 1;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        labels[i] = info.labels[i];
        width = std::max(width, labels[i].size());
    }
    return static_cast<int>(width);
}

}  // namespace

CardStore::CardStore() {
    for (int id : storedListOrder()) {
        const CategoryInfo* info = findCategory(id);
        m_lists[static_cast<std::size_t>(slotOf(id))] = CardList(info->listName, labelsOf(*info));
    }
}

CardStore::~CardStore() {
    wipeSecret(encryptionPassword);
    wipeSecret(typedPassword);
}

CardList* CardStore::GetCategoryList(int categoryId) {
    int slot = slotOf(categoryId);
    return slot < 0 ? nullptr : &m_lists[static_cast<std::size_t>(slot)];
}

const CardList* CardStore::GetCategoryList(int categoryId) const {
    int slot = slotOf(categoryId);
    return slot < 0 ? nullptr : &m_lists[static_cast<std::size_t>(slot)];
}

int CardStore::GetLabelsForCategoryName(const std::string& name, Labels& labels) const {
    int id = categoryIdForDisplayName(name);
    return id < 0 ? 0 : copyLabels(*findCategory(id), labels);
}

int CardStore::GetLabelsForCategoryId(int categoryId, Labels& labels) const {
    if (categoryId < 0 || categoryId >= kCategoryCount) return 0;
    return copyLabels(*findCategory(categoryId), labels);
}

std::uint64_t CardStore::GetStoredSize() const {
    std::uint64_t total = 0;
    for (const CardList& list : m_lists)
        for (int i = 0; i < list.GetCardCount(); ++i) total += list.GetCardAt(i)->storedSize();
    for (int i = 0; i < m_unshown.GetCardCount(); ++i) total += m_unshown.GetCardAt(i)->storedSize();
    return total;
}

bool CardStore::hasCards() const {
    for (const CardList& list : m_lists)
        if (list.GetCardCount() > 0) return true;
    return m_unshown.GetCardCount() > 0;
}

int CardStore::shownCardCount() const {
    int count = 0;
    for (int id = 0; id < kCategoryCount; ++id) count += m_lists[static_cast<std::size_t>(id)].GetCardCount();
    return count;
}

bool CardStore::isEncrypted() const {
    if (encryptOnSave != 1) return false;
    return encryptionForm == EncryptionForm::Strong ? encryptionKey != nullptr : !encryptionPassword.empty();
}

void CardStore::swap(CardStore& other) {
    std::swap(m_lists, other.m_lists);
    std::swap(m_unshown, other.m_unshown);
    std::swap(encryptOnSave, other.encryptOnSave);
    encryptionPassword.swap(other.encryptionPassword);
    typedPassword.swap(other.typedPassword);
    std::swap(encryptionForm, other.encryptionForm);
    encryptionKey.swap(other.encryptionKey);
}

void CardStore::clear() {
    for (CardList& list : m_lists) list.clear();
    m_unshown.clear();
}
