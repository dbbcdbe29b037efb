#include "cardstore/Categories.h"

namespace {

// Numbers 0-14 in order, then the deleted cards. Only 2-13 carry a list name: the old-format
// import compares against those, while the display names are what the tree and the lookups use.
const std::array<CategoryInfo, kStoredListCount> kCategories = {{
    {0, "WWW Sites", "", {"Name:", "URL:", "User ID:", "Password:"}},
    {1, "WWW Forms", "", {"Name:", "URL:", "User ID:", "Password:"}},
    {2, "FTP Servers", "FTP Servers", {"Name:", "URL:", "User ID:", "Password:"}},
    {3, "Newsgroups", "Newsgroups", {"Name:", "URL:", "User ID:", "Password:"}},
    {4, "E-Mail Contacts", "E-Mail Contacts", {"Name:", "URL:", "N/A:", "N/A:"}},
    {5, "Login Accounts", "Login Accounts", {"Name:", "Host:", "Login:", "Password:"}},
    {6, "POP Accounts", "POP Accounts", {"Full Name:", "POP Server:", "UserID:", "Password:"}},
    {7, "Bank Accounts", "Bank Accounts", {"Bank:", "Branch Number:", "Account Holder:", "Account Number:"}},
    {8, "Credit Cards", "Credit Cards", {"Name/Type:", "Exp. Date:", "Number:", "PIN Code:"}},
    {9, "ATM/PIN Cards", "ATM/PIN Cards", {"Name:", "Bank:", "Telephone Number:", "ATM/PIN Code:"}},
    {10, "Personal Data", "Personal Data", {"Person:", "Type of Data:", "Date/Place Issued:", "Number:"}},
    {11, "Software Keys", "Software Keys", {"Product:", "Home Page:", "Licensed To:", "Software Key:"}},
    {12, "Serial Numbers", "Serial Numbers", {"Name:", "Home Page:", "Other:", "Number:"}},
    {13, "Membership Numbers", "Membership Numbers", {"Organisation:", "Home Page:", "Name:", "Number:"}},
    {14, "Miscellaneous", "", {"Name:", "Home Page:", "Description:", "Password:"}},
    {kDeletedCategoryId, "", "", {"Field_1", "Field_2", "Field_3", "Field_4"}},
}};

}  // namespace

const CategoryInfo* findCategory(int categoryId) {
    if (categoryId >= 0 && categoryId < kCategoryCount) return &kCategories[static_cast<std::size_t>(categoryId)];
    if (categoryId == kDeletedCategoryId) return &kCategories[kCategoryCount];
    return nullptr;
}

const std::array<int, kStoredListCount>& storedListOrder() {
    static const std::array<int, kStoredListCount> kOrder = {0, 1, 2,  3,  4,  5,  6,  7,
                                                             8, 9, 10, 11, 12, 13, 14, kDeletedCategoryId};
    return kOrder;
}

const std::array<const char*, 16>& categoryDisplayOrder() {
    static const std::array<const char*, 16> kOrder = {
        "WWW Sites",     "WWW Forms",      "FTP Servers",    "Newsgroups",       "E-Mail Contacts",
        "POP Accounts",  "Login Accounts", "Bank Accounts",  "Software Keys",    "Credit Cards",
        "ATM/PIN Cards", "Serial Numbers", "Password Manager", "Personal Data", "Membership Numbers",
        "Miscellaneous",
    };
    return kOrder;
}

std::string categoryDisplayName(int categoryId) {
    if (categoryId < 0 || categoryId >= kCategoryCount) return {};
    return kCategories[static_cast<std::size_t>(categoryId)].displayName;
}

int categoryIdForDisplayName(const std::string& name) {
    for (int id = 0; id < kCategoryCount; ++id)
        if (name == kCategories[static_cast<std::size_t>(id)].displayName) return id;
    return -1;
}
