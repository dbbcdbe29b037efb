// The web switches (Automatic Access, New Browser Window) kept as bits 0x10 and 0x20 of a card's state
// flags byte: through every form a document is written in, and beside the bits no version knows.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "cardstore/CardFile.h"
#include "cardstore/LockedCards.h"

namespace {

const std::string kPassword = "switch\xE9s";
constexpr std::uint8_t kUnknownBits = 0xC1;  // no version gives these a meaning: carried as read

std::string fixturePath(const std::string& name) {
    return std::string(QUORVANE_TEST_DATA) + "/" + name;
}

enum class Form { Plain, Old, Strong, Sealed };

// Writes `store` in `form` and reads it back into `back` (the sealed form as a locked document seals
// and opens it).
void writeAndRead(CardStore& store, Form form, CardStore& back) {
    ScriptedUi ui;
    if (form == Form::Sealed) {
        ASSERT_TRUE(setEncryptionPassword(store, kPassword, EncryptionForm::Old));
        Bytes sealed;
        ASSERT_TRUE(sealCardsForLock(store, sealed, ui));
        ASSERT_TRUE(unsealLockedCards(sealed, kPassword, EncryptionForm::Old, back, 0));
        return;
    }
    if (form != Form::Plain) {
        ASSERT_TRUE(
            setEncryptionPassword(store, kPassword, form == Form::Old ? EncryptionForm::Old : EncryptionForm::Strong));
    }
    Bytes bytes;
    ASSERT_TRUE(serializeCardDocument(store, bytes, ui));
    if (form == Form::Plain) {
        // The first card's byte 3, after the 22 header bytes: the switches' bits over the others.
        ASSERT_GT(bytes.size(), kDocumentHeaderSize + 3);
        const Card& first = *store.GetCategoryList(0)->GetCardAt(0);
        const int expected = kUnknownBits | (first.automaticAccess ? 0x10 : 0) | (first.newBrowserWindow ? 0x20 : 0);
        EXPECT_EQ(bytes[kDocumentHeaderSize + 3], expected);
    }
    ScriptedUi readUi({kPassword});
    ASSERT_EQ(readCardDocument(bytes.data(), bytes.size(), "cards.qve", back, readUi, 0).outcome, LoadOutcome::Loaded);
}

}  // namespace

TEST(CardSwitches, EveryCombinationComesBackFromEveryForm) {
    for (Form form : {Form::Plain, Form::Old, Form::Strong, Form::Sealed}) {
        for (int combination = 0; combination < 4; ++combination) {
            SCOPED_TRACE("form " + std::to_string(static_cast<int>(form)) + ", switches " +
                         std::to_string(combination));
            CardStore store;
            auto card = std::make_unique<Card>();
            card->firstField = "Bank";
            card->stateFlags = kUnknownBits;
            card->automaticAccess = combination & 1;
            card->newBrowserWindow = (combination >> 1) & 1;
            store.GetCategoryList(0)->AddCard(std::move(card));
            // A deleted card with the switches the other way round: its bits travel with the deleted bit.
            auto deleted = std::make_unique<Card>();
            deleted->categoryId = 2;
            deleted->stateFlags = kStateDeleted;
            deleted->automaticAccess = (combination & 1) ^ 1;
            deleted->newBrowserWindow = ((combination >> 1) & 1) ^ 1;
            store.GetCategoryList(kDeletedCategoryId)->AddCard(std::move(deleted));

            CardStore back;
            writeAndRead(store, form, back);
            ASSERT_EQ(back.GetCategoryList(0)->GetCardCount(), 1);
            ASSERT_EQ(back.GetCategoryList(kDeletedCategoryId)->GetCardCount(), 1);
            const Card& bank = *back.GetCategoryList(0)->GetCardAt(0);
            EXPECT_EQ(bank.automaticAccess, combination & 1);
            EXPECT_EQ(bank.newBrowserWindow, (combination >> 1) & 1);
            EXPECT_EQ(bank.stateFlags, kUnknownBits);
            const Card& gone = *back.GetCategoryList(kDeletedCategoryId)->GetCardAt(0);
            EXPECT_EQ(gone.automaticAccess, (combination & 1) ^ 1);
            EXPECT_EQ(gone.newBrowserWindow, ((combination >> 1) & 1) ^ 1);
            EXPECT_EQ(gone.stateFlags, kStateDeleted);
        }
    }
}

// A file written by hand from the layout: the switches are read from their bits, every other bit is
// kept, and the file is written back byte for byte.
TEST(CardSwitches, AFileWithTheBitsLoadsThemAndSavesBackByteForByte) {
    CardStore store;
    ScriptedUi ui;
    ASSERT_EQ(loadCardDocument(fixturePath("switches.qvf"), store, ui, 0).outcome, LoadOutcome::Loaded);
    struct Expected {
        int list, index;
        const char* name;
        int automatic, newWindow;
        std::uint8_t others;
    };
    const Expected cards[] = {{0, 0, "automatic", 1, 0, 0},
                              {0, 1, "new window", 0, 1, 0},
                              {0, 2, "both", 1, 1, 0},
                              {1, 0, "unknown bits", 1, 0, 0xC9},
                              {kDeletedCategoryId, 0, "deleted", 0, 1, kStateDeleted}};
    for (const Expected& e : cards) {
        SCOPED_TRACE(e.name);
        const CardList& list = *store.GetCategoryList(e.list);
        ASSERT_GT(list.GetCardCount(), e.index);
        const Card& card = *list.GetCardAt(e.index);
        EXPECT_EQ(card.firstField, e.name);
        EXPECT_EQ(card.automaticAccess, e.automatic);
        EXPECT_EQ(card.newBrowserWindow, e.newWindow);
        EXPECT_EQ(card.stateFlags, e.others);
    }
    Bytes saved;
    ASSERT_TRUE(serializeCardDocument(store, saved, ui));
    EXPECT_EQ(saved, readData(fixturePath("switches.qvf")));

    // Turned off, a card's byte holds only its other bits again.
    Card& unknown = *store.GetCategoryList(1)->GetCardAt(0);
    unknown.automaticAccess = 0;
    EXPECT_EQ(unknown.storedStateFlags(), 0xC9);
}
