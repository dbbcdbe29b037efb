// Card documents on disk: identification, the current plain and encrypted formats, the old formats,
// damaged files, and the writer's exact bytes and refusals. Fixtures are built by
// tests/data/make-fixtures.py from the byte layouts, independently of the writer under test.
#include <gtest/gtest.h>

#include "TestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <fstream>

#include "cardstore/CardFile.h"
#include "cardstore/DateStamp.h"
#include "common/SafeFile.h"
#include "crypto/Sha1.h"

namespace {

namespace fs = std::filesystem;

const std::string kWrongPassword = "Password not correct,try again.";
const std::string kMustEnter = "You must enter a password!";
const std::string kFixturePassword = "p\xE4ssw\xF6rd";  // "pässwörd" in Windows-1252

std::string fixturePath(const std::string& name) { return std::string(QUORVANE_TEST_DATA) + "/" + name; }

Bytes fixtureBytes(const std::string& name) {
    auto data = readWholeFile(fixturePath(name));
    EXPECT_TRUE(data.has_value()) << name;
    return data.value_or(Bytes{});
}

std::vector<std::string> firstFields(const CardStore& store, int listId) {
    std::vector<std::string> out;
    const CardList* list = store.GetCategoryList(listId);
    for (int i = 0; i < list->GetCardCount(); ++i) out.push_back(list->GetCardAt(i)->firstField);
    return out;
}

int allCards(const CardStore& store) {
    return store.shownCardCount() + store.GetCategoryList(kDeletedCategoryId)->GetCardCount();
}

std::vector<std::string> texts(const Card& c) { return {c.firstField, c.secondField, c.thirdField, c.fourthField, c.note}; }

Bytes serialized(const CardStore& store) {
    ScriptedUi ui;
    Bytes out;
    EXPECT_TRUE(serializeCardDocument(store, out, ui));
    EXPECT_TRUE(ui.messages.empty());
    return out;
}

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "cardfile-XXXXXX").string();
        m_path = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(m_path, fs::perms::owner_all, ec);
        fs::remove_all(m_path, ec);
    }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// --- reading --------------------------------------------------------------------------------------

TEST(CardFileRead, PlainDocumentFillsTheListsWithEveryStoredField) {
    CardStore store;
    ScriptedUi ui;
    LoadResult result = loadCardDocument(fixturePath("plain-cards.qvf"), store, ui, 4);
    ASSERT_EQ(result.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(result.format, CardFileFormat::Current);
    EXPECT_FALSE(result.encrypted);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.titles.empty());
    EXPECT_EQ(store.encryptOnSave, 0);

    ASSERT_EQ(store.GetCategoryList(0)->GetCardCount(), 2);
    const Card& site = *store.GetCategoryList(0)->GetCardAt(0);
    EXPECT_EQ(texts(site), (std::vector<std::string>{"Example", "https://example.com", "alice", "s3cr\xE9t",
                                                      "line1\nline2 \"q\" \\ \x80\t"}));
    EXPECT_EQ(site.legacyFlags, 0x11);
    EXPECT_EQ(site.stateFlags, 0);
    EXPECT_EQ(site.dateStamp, 3793342830u);
    EXPECT_EQ(site.extraValue, 0xDEADBEEFu);
    EXPECT_EQ(site.dateText, "2024-03-15");  // the date format in force when loading
    EXPECT_EQ(site.automaticAccess, 0);
    EXPECT_EQ(site.newBrowserWindow, 0);
    EXPECT_EQ(texts(*store.GetCategoryList(0)->GetCardAt(1)), std::vector<std::string>(5));

    EXPECT_EQ(firstFields(store, 7), std::vector<std::string>{"Bank"});
    EXPECT_EQ(store.GetCategoryList(7)->GetCardAt(0)->stateFlags, kStateEdited);
    EXPECT_EQ(store.GetCategoryList(14)->GetCardAt(0)->dateText, "2030-06-01");

    // A deleted card lives in list 100 but keeps its own number.
    ASSERT_EQ(firstFields(store, kDeletedCategoryId), std::vector<std::string>{"gone"});
    EXPECT_EQ(store.GetCategoryList(kDeletedCategoryId)->GetCardAt(0)->categoryId, 3);
    EXPECT_EQ(store.GetCategoryList(3)->GetCardCount(), 0);
}

TEST(CardFileRead, IdentificationAndDamagedFiles) {
    struct Case {
        const char* fixture;
        LoadOutcome outcome;
        std::vector<std::string> messages;
        int cards;
    };
    const Case cases[] = {
        {"empty.qvf", LoadOutcome::EmptyFile, {"Empty File !"}, 0},
        {"empty-doc.qvf", LoadOutcome::Loaded, {}, 0},
        {"stray-bytes.qvf", LoadOutcome::Loaded, {}, 0},
        {"wrong-magic.qvf", LoadOutcome::NotQuorvane, {"Not a Quorvane file"}, 0},
        {"body-kind-2.qvf", LoadOutcome::Failed, {}, 0},
        {"odd-cards.qvf", LoadOutcome::Loaded, {unshownCardsMessage(2)}, 3},
        {"truncated-texts.qvf", LoadOutcome::Loaded, {}, 2},
        {"huge-length.qvf", LoadOutcome::Loaded, {}, 1},
    };
    for (const Case& c : cases) {
        CardStore store;
        ScriptedUi ui;
        LoadResult result = loadCardDocument(fixturePath(c.fixture), store, ui, 0);
        EXPECT_EQ(result.outcome, c.outcome) << c.fixture;
        EXPECT_EQ(ui.messages, c.messages) << c.fixture;
        EXPECT_EQ(allCards(store), c.cards) << c.fixture;
    }

    // Files shorter than a header that are no old format either.
    for (const std::string& bytes : {std::string("x"), std::string("NTENCRYPTVersion1.00"), std::string(21, 'Q')}) {
        CardStore store;
        ScriptedUi ui;
        auto data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        EXPECT_EQ(readCardDocument(data, bytes.size(), "short.qvf", store, ui, 0).outcome, LoadOutcome::NotQuorvane);
        EXPECT_EQ(ui.messages, std::vector<std::string>{"Not a Quorvane file"});
    }
}

TEST(CardFileRead, DamagedCardsKeepWhatTheFileHolds) {
    CardStore odd, truncated, huge;
    ScriptedUi oddUi;
    ASSERT_EQ(loadCardDocument(fixturePath("odd-cards.qvf"), odd, oddUi, 0).outcome, LoadOutcome::Loaded);
    // Numbers 50 and 200 are no category: kept aside, never shown, and said once; the cards after
    // them still load; 100 is the deleted list.
    EXPECT_EQ(oddUi.messages, std::vector<std::string>{unshownCardsMessage(2)});
    ASSERT_EQ(odd.unshownCards().GetCardCount(), 2);
    EXPECT_EQ(odd.unshownCards().GetCardAt(0)->firstField, "fifty");
    EXPECT_EQ(odd.unshownCards().GetCardAt(1)->categoryId, 200);
    EXPECT_EQ(firstFields(odd, 2), std::vector<std::string>{"after fifty"});
    EXPECT_EQ(firstFields(odd, kDeletedCategoryId), (std::vector<std::string>{"hundred", "deleted login"}));
    EXPECT_EQ(odd.GetCategoryList(kDeletedCategoryId)->GetCardAt(1)->categoryId, 5);

    ScriptedUi ui;
    ASSERT_EQ(loadCardDocument(fixturePath("truncated-texts.qvf"), truncated, ui, 0).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(firstFields(truncated, 1), std::vector<std::string>{"whole"});
    ASSERT_EQ(truncated.GetCategoryList(4)->GetCardCount(), 1);
    EXPECT_EQ(texts(*truncated.GetCategoryList(4)->GetCardAt(0)), (std::vector<std::string>{"abc", "de", "", "", ""}));

    ASSERT_EQ(loadCardDocument(fixturePath("huge-length.qvf"), huge, ui, 0).outcome, LoadOutcome::Loaded);
    ASSERT_EQ(huge.GetCategoryList(6)->GetCardCount(), 1);
    EXPECT_EQ(texts(*huge.GetCategoryList(6)->GetCardAt(0)), (std::vector<std::string>{"pop", "server", "", "", ""}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(CardFileRead, EveryPrefixAndByteFlipOfAFileLoadsSafely) {
    // Cut and damaged copies of each format must never read outside the file (run under the
    // sanitizers) and never yield more cards than the whole file.
    const std::pair<const char*, std::string> files[] = {
        {"plain-cards.qvf", ""}, {"encrypted.qve", kFixturePassword}, {"old-1001-plain.qvf", ""},
        {"old-1002-enc.qve", "oldpassword"}, {"odd-cards.qvf", ""},
    };
    for (const auto& [name, password] : files) {
        const Bytes whole = fixtureBytes(name);
        for (std::size_t length = 0; length <= whole.size(); ++length) {
            Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            for (int variant = 0; variant < 2; ++variant) {
                if (variant == 1) {
                    if (length <= 21) continue;
                    cut[length - 1] ^= 0xFF;
                }
                CardStore store;
                ScriptedUi ui({password});
                readCardDocument(cut.data(), cut.size(), name, store, ui, 0);
                EXPECT_LE(allCards(store), 5) << name << " cut at " << length;
            }
        }
    }
}

// Every list of `store` against the same list of `index`, card for card.
void expectSameCards(const CardStore& store, const CardDocumentIndex& index, const std::string& what) {
    for (int id : storedListOrder()) {
        const CardList* list = store.GetCategoryList(id);
        ASSERT_EQ(index.cardCount(id), list->GetCardCount()) << what << ", list " << id;
        for (int i = 0; i < list->GetCardCount(); ++i)
            EXPECT_TRUE(index.card(id, i) == *list->GetCardAt(i)) << what << ", list " << id << ", card " << i;
    }
    EXPECT_EQ(index.cardCount(50), 0);
    ASSERT_EQ(index.unshownCount(), store.unshownCards().GetCardCount()) << what;
    for (int i = 0; i < index.unshownCount(); ++i)
        EXPECT_TRUE(index.unshownCard(i) == *store.unshownCards().GetCardAt(i)) << what << ", unshown card " << i;
}

// Every list, the unshown cards included, card for card with every field.
void expectEqualStores(const CardStore& a, const CardStore& b, const std::string& what) {
    std::vector<std::pair<const CardList*, const CardList*>> lists{{&a.unshownCards(), &b.unshownCards()}};
    for (int id : storedListOrder()) lists.emplace_back(a.GetCategoryList(id), b.GetCategoryList(id));
    for (const auto& [x, y] : lists) {
        ASSERT_EQ(x->GetCardCount(), y->GetCardCount()) << what;
        for (int i = 0; i < x->GetCardCount(); ++i) EXPECT_TRUE(*x->GetCardAt(i) == *y->GetCardAt(i)) << what;
    }
}

// Four ways to read a document agree on every fixture and every cut of some: from bytes in memory
// into a store, from the file into a store (enciphered bodies deciphered in the file's own buffer),
// from the file into an index that builds each card when asked, and from the records a read of the
// file kept (what a window makes the base of a merge from).
TEST(CardFileRead, FileStoreAndIndexReadTheSameCardsFromEveryFileAndCut) {
    struct Case {
        const char* name;
        std::optional<std::string> password;  // the answer to a password prompt; nullopt cancels
        bool everyCut;
    };
    const Case cases[] = {
        {"plain-cards.qvf", std::nullopt, true},  {"encrypted.qve", kFixturePassword, true},
        {"encrypted.qve", "wrong", false},        {"encrypted.qve", std::nullopt, false},
        {"encrypted.qve", "", false},             {"old-1001-enc.qve", "legacy01", true},
        {"old-1001-enc.qve", std::nullopt, false}, {"old-1001-plain.qvf", std::nullopt, true},
        {"old-1002-enc.qve", "oldpassword", true}, {"old-1002-plain.qvf", std::nullopt, false},
        {"old-past-end.qvf", std::nullopt, false}, {"odd-cards.qvf", std::nullopt, true},
        {"truncated-texts.qvf", std::nullopt, false}, {"huge-length.qvf", std::nullopt, false},
        {"stray-bytes.qvf", std::nullopt, false}, {"empty-doc.qvf", std::nullopt, false},
        {"wrong-magic.qvf", std::nullopt, false}, {"body-kind-2.qvf", std::nullopt, false},
        {"empty.qvf", std::nullopt, false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const Bytes whole = fixtureBytes(c.name);
        for (std::size_t length = c.everyCut ? 0 : whole.size(); length <= whole.size(); ++length) {
            const std::string what = std::string(c.name) + " cut at " + std::to_string(length);
            const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            const std::string path = dir.file(c.name);
            std::ofstream(path, std::ios::binary | std::ios::trunc)
                .write(reinterpret_cast<const char*>(cut.data()), static_cast<std::streamsize>(cut.size()));

            CardStore fromMemory, fromFile;
            CardDocumentIndex index;
            ScriptedUi memoryUi({c.password}), fileUi({c.password}), indexUi({c.password});
            const LoadResult expected = readCardDocument(cut.data(), cut.size(), c.name, fromMemory, memoryUi, 2);
            KeptRecords kept;
            for (auto [result, ui] : {std::pair{loadCardDocument(path, fromFile, fileUi, 2, kept), &fileUi},
                                      std::pair{indexCardDocument(path, index, indexUi, 2), &indexUi}}) {
                EXPECT_EQ(result.outcome, expected.outcome) << what;
                EXPECT_EQ(result.format, expected.format) << what;
                EXPECT_EQ(result.encrypted, expected.encrypted) << what;
                EXPECT_EQ(result.error, expected.error) << what;
                EXPECT_EQ(ui->messages, memoryUi.messages) << what;
                EXPECT_EQ(ui->titles, memoryUi.titles) << what;
            }
            expectSameCards(fromMemory, index, what);
            expectEqualStores(fromMemory, fromFile, what);
            CardStore fromKept;
            kept.fileInto(fromKept, 2);
            expectEqualStores(fromFile, fromKept, what + ", from the kept records");
            EXPECT_TRUE(fromKept.encryptionPassword.empty() && !fromKept.encryptionKey) << what;
            EXPECT_EQ(fromFile.encryptionPassword, fromMemory.encryptionPassword) << what;
        }
    }
}

TEST(CardFileRead, NameEndingInTildesIsNeverRead) {
    TempDir dir;
    const std::string path = dir.file("cards.qvf~~~");
    fs::copy_file(fixturePath("plain-cards.qvf"), path);
    for (const std::string& p : {path, dir.file("missing~~~")}) {
        CardStore store;
        ScriptedUi ui;
        LoadResult result = loadCardDocument(p, store, ui, 0);
        EXPECT_EQ(result.outcome, LoadOutcome::EncryptedFileName);
        EXPECT_EQ(allCards(store), 0);
        EXPECT_TRUE(ui.messages.empty());
    }
    // "~~" or "~~~" in the middle is an ordinary name.
    CardStore store;
    ScriptedUi ui;
    fs::copy_file(fixturePath("plain-cards.qvf"), dir.file("a~~~.qvf"));
    EXPECT_EQ(loadCardDocument(dir.file("a~~~.qvf"), store, ui, 0).outcome, LoadOutcome::Loaded);
}

TEST(CardFileRead, UnreadableFileIsAReadErrorWithoutMessages) {
    TempDir dir;
    for (const std::string& path : {dir.file("missing.qvf"), dir.path()}) {
        CardStore store;
        ScriptedUi ui;
        LoadResult result = loadCardDocument(path, store, ui, 0);
        EXPECT_EQ(result.outcome, LoadOutcome::ReadError) << path;
        EXPECT_NE(result.error.find(path), std::string::npos) << result.error;
        EXPECT_TRUE(ui.messages.empty());
    }
}

// FIFOs and devices are refused before anything is read (a FIFO used to hang the open, /dev/zero to
// fill memory); a file that is no card document is refused on its header alone, whatever its size;
// a card document larger than any the program reads is refused before it is read.
TEST(CardFileRead, SpecialAndHugeFilesAreRefusedWithoutReadingThem) {
    TempDir dir;
    const std::string fifo = dir.file("pipe.qvf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), std::string("/dev/null")}) {
        CardStore store;
        CardDocumentIndex index;
        ScriptedUi ui;
        LoadResult result = loadCardDocument(path, store, ui, 0);
        EXPECT_EQ(result.outcome, LoadOutcome::ReadError) << path;
        EXPECT_NE(result.error.find("not a regular file"), std::string::npos) << result.error;
        EXPECT_EQ(indexCardDocument(path, index, ui, 0).outcome, LoadOutcome::ReadError) << path;
        EXPECT_TRUE(ui.messages.empty());
    }

    // Sparse files of 5 GiB: zeros are no card document; a real header before them is too large.
    const std::string zeros = dir.file("zeros.qvf");
    const std::string large = dir.file("large.qvf");
    std::ofstream{zeros};
    fs::copy_file(fixturePath("plain-cards.qvf"), large);
    if (::truncate(zeros.c_str(), off_t{5} << 30) != 0 || ::truncate(large.c_str(), off_t{5} << 30) != 0)
        GTEST_SKIP() << "this file system holds no sparse file of 5 GiB";
    CardStore store;
    ScriptedUi ui;
    EXPECT_EQ(loadCardDocument(zeros, store, ui, 0).outcome, LoadOutcome::NotQuorvane);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Not a Quorvane file"});
    LoadResult result = loadCardDocument(large, store, ui, 0);
    EXPECT_EQ(result.outcome, LoadOutcome::ReadError);
    EXPECT_EQ(result.error, "large.qvf is too large to be a card document (5,368,709,120 bytes; at most 2,147,483,647).");
}

// --- passwords ------------------------------------------------------------------------------------

TEST(CardFileRead, EncryptedDocumentOpensOnlyWithItsExactPassword) {
    CardStore store;
    ScriptedUi ui({kFixturePassword});
    LoadResult result = loadCardDocument(fixturePath("encrypted.qve"), store, ui, 0);
    ASSERT_EQ(result.outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(result.encrypted);
    EXPECT_EQ(ui.titles, std::vector<std::string>{"Decryption Password for file: encrypted.qve"});
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(store.encryptOnSave, 1);
    EXPECT_EQ(store.encryptionPassword, kFixturePassword);
    CardStore plain;
    ASSERT_EQ(loadCardDocument(fixturePath("plain-cards.qvf"), plain, ui, 0).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(serialized(plain), Bytes(fixtureBytes("plain-cards.qvf")));
    for (int id : storedListOrder()) EXPECT_EQ(firstFields(store, id), firstFields(plain, id)) << id;

    struct Case {
        const char* name;
        std::optional<std::string> answer;
        std::vector<std::string> messages;
    };
    const Case refused[] = {
        {"wrong", std::string("wrong password"), {kWrongPassword}},
        {"other case", std::string("P\xC4SSW\xD6RD"), {kWrongPassword}},
        {"UTF-8 bytes", std::string("p\xC3\xA4ssw\xC3\xB6rd"), {kWrongPassword}},
        {"empty", std::string(), {kMustEnter, kWrongPassword}},
        {"cancel", std::nullopt, {}},
    };
    for (const Case& c : refused) {
        CardStore refusedStore;
        ScriptedUi refusedUi({c.answer});
        LoadResult r = loadCardDocument(fixturePath("encrypted.qve"), refusedStore, refusedUi, 0);
        EXPECT_EQ(r.outcome, LoadOutcome::Failed) << c.name;
        EXPECT_EQ(refusedUi.messages, c.messages) << c.name;
        EXPECT_EQ(refusedUi.titles.size(), 1u) << c.name;  // one try per open
        EXPECT_EQ(allCards(refusedStore), 0) << c.name;
        EXPECT_EQ(refusedStore.encryptOnSave, 0) << c.name;
        EXPECT_TRUE(refusedStore.encryptionPassword.empty()) << c.name;
    }
}

TEST(CardFileRead, EncryptedBodyWithDamagedTailOrNoRoomForItsDigest) {
    // Cut inside the last card: the digest still matches and the cards before it load.
    Bytes cut = fixtureBytes("encrypted.qve");
    cut.resize(cut.size() - 11);
    CardStore store;
    ScriptedUi ui({kFixturePassword});
    EXPECT_EQ(readCardDocument(cut.data(), cut.size(), "cut.qve", store, ui, 0).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(store.shownCardCount(), 4);

    // A body too short to hold a digest is refused like a wrong password.
    Bytes tiny = fixtureBytes("empty-doc.qvf");
    tiny[12] = 1;
    tiny.insert(tiny.end(), {1, 2, 3, 4, 5});
    CardStore tinyStore;
    ScriptedUi tinyUi({std::string("whatever1")});
    EXPECT_EQ(readCardDocument(tiny.data(), tiny.size(), "tiny.qve", tinyStore, tinyUi, 0).outcome, LoadOutcome::Failed);
    EXPECT_EQ(tinyUi.messages, std::vector<std::string>{kWrongPassword});
}

// --- the older formats ----------------------------------------------------------------------------

TEST(CardFileRead, OldFormatsOpenPlainOrWithTheirPassword) {
    struct Case {
        const char* fixture;
        std::optional<std::string> answer;
        LoadOutcome outcome;
        CardFileFormat format;
        bool encrypted;
        int cards;
        std::vector<std::string> messages;
    };
    const auto v1 = CardFileFormat::Version1001;
    const auto v2 = CardFileFormat::Version1002;
    const Case cases[] = {
        {"old-1001-plain.qvf", std::nullopt, LoadOutcome::Loaded, v1, false, 3, {}},
        {"old-1001-enc.qve", std::string("legacy01"), LoadOutcome::Loaded, v1, true, 3, {}},
        {"old-1001-enc.qve", std::string("legacy02"), LoadOutcome::Failed, v1, true, 0, {kWrongPassword}},
        {"old-1001-enc.qve", std::nullopt, LoadOutcome::Loaded, v1, true, 0, {}},  // cancel opens it empty, unread
        {"old-1002-plain.qvf", std::nullopt, LoadOutcome::Loaded, v2, false, 2, {}},
        {"old-1002-enc.qve", std::string("oldpassword"), LoadOutcome::Loaded, v2, true, 2, {}},
        {"old-1002-enc.qve", std::string("OldPassword"), LoadOutcome::Failed, v2, true, 0, {kWrongPassword}},
        {"old-1002-enc.qve", std::string(), LoadOutcome::Failed, v2, true, 0, {kMustEnter, kWrongPassword}},
        {"old-1002-enc.qve", std::nullopt, LoadOutcome::Failed, v2, true, 0, {}},
        {"old-past-end.qvf", std::nullopt, LoadOutcome::Loaded, v2, false, 2, {}},
    };
    for (const Case& c : cases) {
        CardStore store;
        ScriptedUi ui({c.answer});
        LoadResult result = loadCardDocument(fixturePath(c.fixture), store, ui, 0);
        const std::string what = std::string(c.fixture) + (c.answer ? " with " + *c.answer : " cancelled");
        EXPECT_EQ(result.outcome, c.outcome) << what;
        EXPECT_EQ(result.format, c.format) << what;
        EXPECT_EQ(result.encrypted, c.encrypted) << what;
        EXPECT_EQ(allCards(store), c.cards) << what;
        EXPECT_EQ(ui.messages, c.messages) << what;
        EXPECT_EQ(store.encryptOnSave, c.encrypted && c.cards > 0 ? 1 : 0) << what;
        EXPECT_EQ(ui.titles.size(), c.encrypted ? 1u : 0u) << what;
        // Only the cancelled 1.001 document is open without the cards its file holds.
        EXPECT_EQ(result.cardsUnread, c.outcome == LoadOutcome::Loaded && c.encrypted && c.cards == 0) << what;
    }
}

TEST(CardFileRead, OldRecordsLandInTheCategoryTheyNameWithTheirDates) {
    for (const char* fixture : {"old-1001-plain.qvf", "old-1001-enc.qve"}) {
        CardStore store;
        ScriptedUi ui({std::string("legacy01")});
        ASSERT_EQ(loadCardDocument(fixturePath(fixture), store, ui, 4).outcome, LoadOutcome::Loaded) << fixture;
        ASSERT_EQ(firstFields(store, 0), std::vector<std::string>{"Site"}) << fixture;
        const Card& site = *store.GetCategoryList(0)->GetCardAt(0);
        EXPECT_EQ(texts(site), (std::vector<std::string>{"Site", "http://a.example", "bob", "pw1", "n1"}));
        EXPECT_EQ(site.categoryId, 0);
        EXPECT_EQ(site.categoryName, "WWW Sites");
        EXPECT_EQ(site.dateText, "15-03-1998");  // the record's own text
        EXPECT_EQ(site.dateStamp, DateStampFor(1998, 3, 15));
        EXPECT_EQ(site.legacyFlags | site.stateFlags | site.extraValue, 0u);

        // "mm/dd/yy" with 1900 added to the year.
        ASSERT_EQ(firstFields(store, 7), std::vector<std::string>{"Bank"});
        EXPECT_EQ(store.GetCategoryList(7)->GetCardAt(0)->dateStamp, DateStampFor(1998, 3, 15));

        // A name that is no category keeps the card under Miscellaneous, with stamp 0 for "xx".
        ASSERT_EQ(firstFields(store, 14), std::vector<std::string>{"Lost?"});
        const Card& lost = *store.GetCategoryList(14)->GetCardAt(0);
        EXPECT_EQ(lost.fourthField, "kept");
        EXPECT_EQ(lost.note, "not lost");
        EXPECT_EQ(lost.categoryId, 14);
        EXPECT_EQ(lost.dateStamp, 0u);
    }

    CardStore v2, cut;
    ScriptedUi ui;
    ASSERT_EQ(loadCardDocument(fixturePath("old-1002-plain.qvf"), v2, ui, 0).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(v2.GetCategoryList(8)->GetCardAt(0)->dateStamp, DateStampFor(2039, 12, 31));
    EXPECT_EQ(v2.GetCategoryList(14)->GetCardAt(0)->dateStamp, DateStampFor(2000, 2, 29));
    EXPECT_EQ(v2.GetCategoryList(14)->GetCardAt(0)->note, std::string(300, 'x'));  // 16-bit note length

    // The second record's note runs past the end: the card keeps the bytes that are there.
    ASSERT_EQ(loadCardDocument(fixturePath("old-past-end.qvf"), cut, ui, 0).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(firstFields(cut, 8), std::vector<std::string>{"Visa"});
    ASSERT_EQ(firstFields(cut, 1), std::vector<std::string>{"Form"});
    EXPECT_EQ(cut.GetCategoryList(1)->GetCardAt(0)->note, std::string(10, 'y'));
}

TEST(CardFileRead, OldRecordDatesCountLikeEveryStampModulo2To32) {
    struct Case {
        const char* text;
        std::uint32_t stamp;
    };
    const Case cases[] = {
        {"01-01-1904", 0u},
        {"06-02-2040", 4294944000u},                // the last day a stamp holds
        {"07-02-2040", 63104u},                     // one day later wraps past 2^32
        {"31-12-1903", 4294967296u - 86400u},       // the day before 1904 wraps the other way
        {"01/01/03", 4294967296u - 365u * 86400u},  // "mm/dd/yy" adds 1900: 1903
        {"29-02-2000", DateStampFor(2000, 2, 29)},
        {"30-02-2000", 0u},  // no such day
        {"xx", 0u},
    };
    for (const Case& c : cases) {
        const std::string date = c.text;
        Bytes file;
        appendBytes(file, "NTENCRYPTVersion1.001XYZ");
        file.push_back(9);
        appendBytes(file, "WWW Sites");
        file.push_back(static_cast<std::uint8_t>(date.size()));
        appendBytes(file, date);
        file.insert(file.end(), {1, 'a', 0, 0, 0, 0, 0, 0, 0});  // four fields, a 16-bit note length, two flags
        CardStore store;
        ScriptedUi ui;
        ASSERT_EQ(readCardDocument(file.data(), file.size(), "old.qvf", store, ui, 0).outcome, LoadOutcome::Loaded);
        ASSERT_EQ(firstFields(store, 0), std::vector<std::string>{"a"}) << c.text;
        EXPECT_EQ(store.GetCategoryList(0)->GetCardAt(0)->dateStamp, c.stamp) << c.text;
    }
}

TEST(CardFileRead, OldEncipheredDocumentSavesInTheCurrentFormatUnderItsPassword) {
    CardStore old;
    ScriptedUi ui({std::string("oldpassword")});
    ASSERT_EQ(loadCardDocument(fixturePath("old-1002-enc.qve"), old, ui, 0).outcome, LoadOutcome::Loaded);
    const Bytes saved = serialized(old);
    EXPECT_EQ(saved[12], 1);

    CardStore again;
    ScriptedUi againUi({std::string("oldpassword")});
    ASSERT_EQ(readCardDocument(saved.data(), saved.size(), "x.qve", again, againUi, 0).outcome, LoadOutcome::Loaded);
    for (int id : storedListOrder()) EXPECT_EQ(firstFields(again, id), firstFields(old, id)) << id;
    EXPECT_EQ(again.GetCategoryList(8)->GetCardAt(0)->categoryId, 8);  // an imported card keeps its category
}

// --- writing --------------------------------------------------------------------------------------

TEST(CardFileWrite, ExactBytesOfSmallDocuments) {
    CardStore store;
    const Bytes empty = serialized(store);
    EXPECT_EQ(empty, fixtureBytes("empty-doc.qvf"));  // 22 bytes

    store.GetCategoryList(0)->AddCard(std::make_unique<Card>());
    Bytes oneCard = serialized(store);
    ASSERT_EQ(oneCard.size(), 22u + 29u);
    Bytes expectedCard(29, 0);
    expectedCard[20] = 5;  // five empty texts and their NULs
    EXPECT_EQ(Bytes(oneCard.begin() + 22, oneCard.end()), expectedCard);

    // Encrypted in the old form: digest and cards padded to whole blocks; no salt, so the same input
    // gives the same file.
    CardStore encrypted;
    encrypted.encryptOnSave = 1;
    encrypted.encryptionForm = EncryptionForm::Old;
    encrypted.encryptionPassword = "password";
    EXPECT_EQ(serialized(encrypted).size(), 46u);
    encrypted.GetCategoryList(5)->AddCard(std::make_unique<Card>());
    const Bytes first = serialized(encrypted);
    EXPECT_EQ(first.size(), 22u + 56u);
    EXPECT_EQ(first, serialized(encrypted));
    EXPECT_EQ(first[12], 1);
    CardStore back;
    ScriptedUi ui({std::string("password")});
    ASSERT_EQ(readCardDocument(first.data(), first.size(), "x.qve", back, ui, 0).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(allCards(back), 1);  // the 7 padding bytes are no card
}

TEST(CardFileWrite, LoadedFixturesSaveBackByteForByte) {
    for (const auto& [name, password] :
         {std::pair<const char*, std::string>{"plain-cards.qvf", ""}, {"encrypted.qve", kFixturePassword}}) {
        CardStore store;
        ScriptedUi ui({password});
        ASSERT_EQ(loadCardDocument(fixturePath(name), store, ui, 0).outcome, LoadOutcome::Loaded) << name;
        EXPECT_EQ(serialized(store), fixtureBytes(name)) << name;
    }
}

// Cards of a number that is no category are written back as they were read, in the file's order of
// ascending numbers: 50 between Miscellaneous (14) and the deleted cards (100), 200 after them.
TEST(CardFileWrite, CardsOfUnknownCategoriesAreWrittenBackUnchanged) {
    CardStore odd;
    ScriptedUi ui;
    ASSERT_EQ(loadCardDocument(fixturePath("odd-cards.qvf"), odd, ui, 0).outcome, LoadOutcome::Loaded);
    const Bytes saved = serialized(odd);

    Bytes expected;
    const Bytes whole = serialized(CardStore{});
    expected.assign(whole.begin(), whole.begin() + kDocumentHeaderSize);
    const CardList& unshown = odd.unshownCards();
    const CardList& deleted = *odd.GetCategoryList(kDeletedCategoryId);
    for (const Card* card : {odd.GetCategoryList(2)->GetCardAt(0), unshown.GetCardAt(0), deleted.GetCardAt(0),
                             deleted.GetCardAt(1), unshown.GetCardAt(1)})
        appendCardRecord(expected, *card);
    EXPECT_EQ(saved, expected);

    CardStore again;
    ScriptedUi againUi;
    ASSERT_EQ(readCardDocument(saved.data(), saved.size(), "again.qvf", again, againUi, 0).outcome, LoadOutcome::Loaded);
    ASSERT_EQ(again.unshownCards().GetCardCount(), 2);
    EXPECT_TRUE(*again.unshownCards().GetCardAt(0) == *unshown.GetCardAt(0));
    EXPECT_TRUE(*again.unshownCards().GetCardAt(1) == *unshown.GetCardAt(1));
    EXPECT_EQ(againUi.messages, std::vector<std::string>{unshownCardsMessage(2)});
    EXPECT_EQ(unshownCardsMessage(1),
              "This document holds 1 card of a category this version of Quorvane cannot show. It is kept "
              "unchanged and saved with the document.");
}

TEST(CardFileWrite, RefusalsShowWhyAndLeaveTheFileAlone) {
    TempDir dir;
    const std::string path = dir.file("doc.qvf");
    fs::copy_file(fixturePath("plain-cards.qvf"), path);
    const Bytes before = fixtureBytes("plain-cards.qvf");

    auto cardWith = [](std::string Card::*field, std::string text) {
        auto card = std::make_unique<Card>();
        card->firstField = "Big";
        (*card).*field = std::move(text);
        return card;
    };
    struct Case {
        const char* name;
        std::function<void(CardStore&)> setUp;
        std::string message;
    };
    const Case cases[] = {
        {"no password", [](CardStore& s) { s.encryptOnSave = 1; }, "The encryption password is not set."},
        {"long note",
         [&](CardStore& s) { s.GetCategoryList(2)->AddCard(cardWith(&Card::note, std::string(40000, 'n'))); },
         "The note of the card \xE2\x80\x9C" "Big\xE2\x80\x9D is too long to be saved (40000 bytes; at most 32,766)."},
        {"one byte too long",
         [&](CardStore& s) {
             s.GetCategoryList(kDeletedCategoryId)->AddCard(cardWith(&Card::fourthField, std::string(32767, 'p')));
         },
         "The fourth field of the card \xE2\x80\x9C" "Big\xE2\x80\x9D is too long to be saved (32767 bytes; at most "
         "32,766)."},
        {"embedded NUL",
         [&](CardStore& s) { s.GetCategoryList(0)->AddCard(cardWith(&Card::secondField, std::string("a\0b", 3))); },
         "The second field of the card \xE2\x80\x9C" "Big\xE2\x80\x9D holds a NUL character and cannot be saved."},
    };
    for (const Case& c : cases) {
        CardStore store;
        c.setUp(store);
        ScriptedUi ui;
        SaveResult result = saveCardDocument(path, store, ui);
        EXPECT_EQ(result.outcome, SaveOutcome::Refused) << c.name;
        EXPECT_EQ(ui.messages, std::vector<std::string>{c.message}) << c.name;
        EXPECT_EQ(readWholeFile(path).value_or(Bytes{}), before) << c.name;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // The longest text that fits is saved and read back whole.
    CardStore fits;
    auto longest = cardWith(&Card::note, std::string(kMaxTextBytes, 'n'));
    longest->categoryId = 2;
    fits.GetCategoryList(2)->AddCard(std::move(longest));
    ScriptedUi ui;
    ASSERT_EQ(saveCardDocument(path, fits, ui).outcome, SaveOutcome::Saved);
    CardStore back;
    ASSERT_EQ(loadCardDocument(path, back, ui, 0).outcome, LoadOutcome::Loaded);
    ASSERT_EQ(back.GetCategoryList(2)->GetCardCount(), 1);
    EXPECT_EQ(back.GetCategoryList(2)->GetCardAt(0)->note.size(), kMaxTextBytes);
}

TEST(CardFileWrite, FailedWriteLeavesThePreviousFile) {
    TempDir dir;
    const std::string path = dir.file("doc.qvf");
    fs::copy_file(fixturePath("plain-cards.qvf"), path);
    CardStore store;
    store.GetCategoryList(3)->AddCard(std::make_unique<Card>());
    ScriptedUi ui;

    setWriteFailureAfterBytes(10);  // the disk fills up part-way
    SaveResult full = saveCardDocument(path, store, ui);
    setWriteFailureAfterBytes(std::nullopt);
    EXPECT_EQ(full.outcome, SaveOutcome::WriteError);
    EXPECT_FALSE(full.error.empty());
    EXPECT_EQ(readWholeFile(path).value_or(Bytes{}), fixtureBytes("plain-cards.qvf"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    SaveResult missing = saveCardDocument(dir.file("no-such-folder/doc.qvf"), store, ui);
    EXPECT_EQ(missing.outcome, SaveOutcome::WriteError);
    EXPECT_NE(missing.error.find("no-such-folder"), std::string::npos) << missing.error;

    if (::geteuid() != 0) {  // permissions do not stop the superuser
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(saveCardDocument(path, store, ui).outcome, SaveOutcome::WriteError);
        fs::permissions(dir.path(), fs::perms::owner_all);
        EXPECT_EQ(readWholeFile(path).value_or(Bytes{}), fixtureBytes("plain-cards.qvf"));
    }
    EXPECT_TRUE(ui.messages.empty());  // callers show the write error
}

}  // namespace
