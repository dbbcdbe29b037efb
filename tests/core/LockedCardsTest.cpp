// Cards sealed while their document is locked: both encryption forms come back whole with the right
// password, never with a wrong one, and nothing readable is left in the store meanwhile.

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "cardstore/CardFile.h"
#include "cardstore/LockedCards.h"
#include "crypto/PasswordKey.h"

namespace {

void fill(CardStore& store) {
    for (int list : {0, 7, 100}) {
        auto card = std::make_unique<Card>();
        card->categoryId = static_cast<std::uint8_t>(list == 100 ? 3 : list);
        if (list == 100) card->stateFlags |= kStateDeleted;
        card->firstField = "card " + std::to_string(list);
        card->fourthField = "secret\xE9";
        card->note = "line\r\nline";
        card->dateStamp = 3'800'000'000u + static_cast<std::uint32_t>(list);
        store.GetCategoryList(list)->AddCard(std::move(card));
    }
}

}  // namespace

TEST(LockedCards, SealAndOpenBothForms) {
    for (const EncryptionForm form : {EncryptionForm::Strong, EncryptionForm::Old}) {
        CardStore store;
        fill(store);
        store.encryptOnSave = 1;
        ASSERT_TRUE(setEncryptionPassword(store, "pass\x80word", form));
        Bytes sealed;
        ScriptedUi ui;
        ASSERT_TRUE(sealCardsForLock(store, sealed, ui));
        EXPECT_FALSE(store.hasCards());
        EXPECT_TRUE(store.encryptionPassword.empty());
        EXPECT_FALSE(store.encryptionKey);
        EXPECT_EQ(std::string(sealed.begin(), sealed.end()).find("secret"), std::string::npos);

        EXPECT_FALSE(unsealLockedCards(sealed, "wrong", form, store, 0));
        EXPECT_FALSE(store.hasCards());
        ASSERT_TRUE(unsealLockedCards(sealed, "pass\x80word", form, store, 0));
        EXPECT_EQ(store.encryptionForm, form);
        EXPECT_TRUE(store.isEncrypted());
        EXPECT_EQ(store.encryptionPassword, form == EncryptionForm::Old ? "pass\x80word" : "");
        for (int list : {0, 7, 100}) {
            ASSERT_EQ(store.GetCategoryList(list)->GetCardCount(), 1) << list;
            const Card* card = store.GetCategoryList(list)->GetCardAt(0);
            EXPECT_EQ(card->firstField, "card " + std::to_string(list));
            EXPECT_EQ(card->fourthField, "secret\xE9");
            EXPECT_EQ(card->note, "line\r\nline");
            EXPECT_EQ(card->dateStamp, 3'800'000'000u + static_cast<std::uint32_t>(list));
        }
    }
    CardStore plain;
    fill(plain);
    Bytes sealed;
    ScriptedUi ui;
    EXPECT_FALSE(sealCardsForLock(plain, sealed, ui));  // a plain document has nothing to lock with
    EXPECT_TRUE(plain.hasCards());
}
