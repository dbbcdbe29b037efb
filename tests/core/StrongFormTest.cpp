// The strong forms of encrypted card documents (body kind 3) and ~~~ files: round trips, a flipped
// byte or a cut anywhere refused with nothing shown or restored, wrong passwords, hostile costs
// refused unread, keys kept and reused, and what programs that know only the old forms make of them.
// The keys here cost one pass over 8 KiB (QUORVANE_TEST_KDF, set for the test run); the bounds on
// reading are the real ones.
#include <gtest/gtest.h>
#include <sodium.h>
#include <stdlib.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <functional>
#include <memory>

#include "TestSupport.h"
#include "cardstore/CardFile.h"
#include "cardstore/CardMerge.h"
#include "cardstore/StrongBody.h"
#include "common/ByteIO.h"
#include "common/SafeFile.h"
#include "common/TestSeams.h"
#include "crypto/GuardedBytes.h"
#include "crypto/PasswordKey.h"
#include "fileenc/EncryptedFileFormat.h"
#include "fileenc/FileBodyStream.h"
#include "fileenc/FileEncryption.h"
#include "fileenc/StrongFileFormat.h"

namespace {

namespace fs = std::filesystem;
const std::string kPassword = "correct horse battery";
const std::string kWrongPassword = "Password not correct,try again.";

int cardsIn(const CardStore& store) {
    return store.shownCardCount() + store.GetCategoryList(kDeletedCategoryId)->GetCardCount() +
           store.unshownCards().GetCardCount();
}

// A store of a few cards, the strong form's key set.
void fillStrong(CardStore& store, int cards = 5) {
    for (int i = 0; i < cards; ++i) {
        auto card = std::make_unique<Card>();
        card->categoryId = static_cast<std::uint8_t>(i % 3);
        card->firstField = "Card " + std::to_string(i);
        card->fourthField = "secret-" + std::to_string(i);
        card->note = std::string(static_cast<std::size_t>(40 * i), 'n');
        store.GetCategoryList(i % 3)->AddCard(std::move(card));
    }
    ASSERT_TRUE(setEncryptionPassword(store, kPassword, EncryptionForm::Strong));
}

Bytes bytesOf(const CardStore& store) {
    ScriptedUi ui;
    Bytes out;
    EXPECT_TRUE(serializeCardDocument(store, out, ui));
    return out;
}

struct Read {
    LoadResult result;
    int cards = 0;
    ScriptedUi ui;
};

void readInto(const Bytes& file, Read& read, std::deque<std::optional<std::string>> answers = {kPassword}) {
    CardStore store;
    read.ui = ScriptedUi(std::move(answers));
    read.result = readCardDocument(file.data(), file.size(), "cards.qve", store, read.ui, 0);
    read.cards = cardsIn(store);
}

// Rewrites the header's digest after a change to it, as a hostile writer would.
void redigest(Bytes& file, std::size_t digestOffset) {
    const HeaderDigest digest = headerDigest(file.data(), digestOffset);
    std::memcpy(file.data() + digestOffset, digest.data(), digest.size());
}

TEST(StrongCardDocument, RoundTripKeepsTheKeyAndEverySaveDiffers) {
    CardStore store;
    fillStrong(store);
    const Bytes first = bytesOf(store), second = bytesOf(store);
    ASSERT_EQ(first.size(), kStrongMinimumSize + store.GetStoredSize());
    EXPECT_NE(first, second) << "a fresh nonce for every save";
    // The same key: same salt and costs, only the nonce (and what depends on it) differs.
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + kStrongNonceOffset, second.begin()));
    EXPECT_EQ(first[12], kBodyStrong);
    for (const Bytes& file : {first, second}) {
        CardStore back;
        ScriptedUi ui({kPassword});
        LoadResult result = readCardDocument(file.data(), file.size(), "cards.qve", back, ui, 0);
        ASSERT_EQ(result.outcome, LoadOutcome::Loaded);
        EXPECT_TRUE(result.strong);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(cardsIn(back), 5);
        EXPECT_EQ(back.GetCategoryList(1)->GetCardAt(0)->fourthField, "secret-1");
        // Kept as it came: the strong form, its key, and no password anywhere.
        EXPECT_EQ(back.encryptionForm, EncryptionForm::Strong);
        ASSERT_TRUE(back.encryptionKey);
        EXPECT_TRUE(back.encryptionKey->derivedWith(store.encryptionKey->salt(), store.encryptionKey->cost()));
        EXPECT_TRUE(back.encryptionPassword.empty());
        EXPECT_TRUE(back.typedPassword.empty());
        EXPECT_TRUE(back.isEncrypted());
    }
    // A document with no cards is header and tag alone.
    CardStore empty;
    ASSERT_TRUE(setEncryptionPassword(empty, kPassword, EncryptionForm::Strong));
    Read read;
    const Bytes none = bytesOf(empty);
    EXPECT_EQ(none.size(), kStrongMinimumSize);
    readInto(none, read);
    EXPECT_EQ(read.result.outcome, LoadOutcome::Loaded);
}

TEST(StrongCardDocument, ADocumentReadAgainUsesTheKeyItHolds) {
    CardStore store;
    fillStrong(store);
    const Bytes file = bytesOf(store);
    ScriptedUi noPassword;  // would cancel, were it asked
    store.clear();
    ASSERT_EQ(readCardDocument(file.data(), file.size(), "cards.qve", store, noPassword, 0).outcome,
              LoadOutcome::Loaded);
    EXPECT_EQ(noPassword.asked(), 0);
    EXPECT_EQ(cardsIn(store), 5);

    // Read from its file, the records it kept give the same cards (opened in the file's own buffer).
    TempDir dir;
    std::ofstream(dir.file("cards.qve"), std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    CardStore fromFile, fromKept;
    fromFile.encryptionKey = store.encryptionKey;
    KeptRecords kept;
    ASSERT_EQ(loadCardDocument(dir.file("cards.qve"), fromFile, noPassword, 0, kept).outcome, LoadOutcome::Loaded);
    kept.fileInto(fromKept, 0);
    EXPECT_TRUE(sameCards(fromFile, fromKept));
    EXPECT_EQ(fromKept.GetCategoryList(1)->GetCardAt(0)->fourthField, "secret-1");

    // Another key (a new password set elsewhere) does not fit: the password is asked for.
    CardStore other;
    fillStrong(other);
    const Bytes elsewhere = bytesOf(other);
    ScriptedUi ui({kPassword});
    store.clear();
    ASSERT_EQ(readCardDocument(elsewhere.data(), elsewhere.size(), "cards.qve", store, ui, 0).outcome,
              LoadOutcome::Loaded);
    EXPECT_EQ(ui.asked(), 1);
}

TEST(StrongCardDocument, AnyFlippedByteOrCutIsRefusedAndNothingIsShown) {
    CardStore store;
    fillStrong(store, 3);
    const Bytes file = bytesOf(store);
    const std::string damaged = "cards.qve was changed or damaged; nothing was read.";
    struct Region {
        const char* name;
        std::size_t offset;
        std::vector<std::string> messages;
    };
    const std::vector<Region> regions = {
        {"document header", 0, {damaged}},
        {"version", kStrongVersionOffset,
         {"cards.qve is in a strong form this version of Quorvane does not know (version 0), or was changed or "
          "damaged; nothing was read."}},
        {"key derivation", kStrongKdfOffset, {damaged}},
        {"passes", kStrongPassesOffset, {damaged}},
        {"memory", kStrongMemoryOffset + 1, {damaged}},
        {"salt", kStrongSaltOffset + 5, {damaged}},
        {"nonce", kStrongNonceOffset + 23, {damaged}},
        {"key check", kStrongKeyCheckOffset, {damaged}},
        {"header digest", kStrongDigestOffset + 15, {damaged}},
        {"cards", kStrongHeaderSize + 30, {damaged}},
        {"tag", file.size() - kTagBytes, {damaged}},
        {"last byte", file.size() - 1, {damaged}},
    };
    for (const Region& region : regions) {
        SCOPED_TRACE(region.name);
        Bytes changed = file;
        changed[region.offset] ^= 0x01;
        Read read;
        readInto(changed, read);
        EXPECT_EQ(read.result.outcome, LoadOutcome::Failed);
        EXPECT_EQ(read.cards, 0);
        EXPECT_EQ(read.ui.messages, region.messages);
        // A damaged header is told before any password is typed.
        EXPECT_EQ(read.ui.asked(), region.offset >= kStrongHeaderSize ? 1 : 0);
    }
    // Every other byte and every length short of the whole: never a card, never a crash.
    for (std::size_t i = 0; i < file.size(); ++i) {
        Bytes changed = file;
        changed[i] ^= 0x80;
        Read read;
        readInto(changed, read);
        EXPECT_NE(read.result.outcome, LoadOutcome::Loaded) << "byte " << i;
        EXPECT_EQ(read.cards, 0) << "byte " << i;
    }
    for (std::size_t length = kDocumentHeaderSize; length < file.size(); ++length) {
        Read read;
        readInto(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)), read);
        EXPECT_EQ(read.result.outcome, LoadOutcome::Failed) << "cut to " << length;
        EXPECT_EQ(read.cards, 0) << "cut to " << length;
        EXPECT_EQ(read.ui.messages, std::vector<std::string>{damaged}) << "cut to " << length;
    }
}

TEST(StrongCardDocument, WrongEmptyOrNoPasswordOpensNothing) {
    CardStore store;
    fillStrong(store);
    const Bytes file = bytesOf(store);
    struct Case {
        std::optional<std::string> typed;
        std::vector<std::string> messages;
        std::string error;
    };
    const Case cases[] = {
        {std::string("correct horse battery!"), {kWrongPassword}, ""},
        {std::string("Correct horse battery"), {kWrongPassword}, ""},
        {std::string(""), {"You must enter a password!", kWrongPassword}, ""},
        {std::nullopt, {}, "No password was given."},
    };
    for (const Case& c : cases) {
        Read read;
        readInto(file, read, {c.typed});
        EXPECT_EQ(read.result.outcome, LoadOutcome::Failed);
        EXPECT_EQ(read.cards, 0);
        EXPECT_EQ(read.ui.messages, c.messages);
        EXPECT_EQ(read.result.error, c.error);
    }
}

TEST(StrongCardDocument, HostileCostsAreRefusedBeforeAnyPassword) {
    CardStore store;
    fillStrong(store);
    const Bytes file = bytesOf(store);
    struct Case {
        std::uint32_t passes, memoryKiB;
        const char* says;
    };
    const Case cases[] = {
        {1, 2 * 1024 * 1024, "asks for 2,048 MiB of memory to derive its key; at most 1,024 MiB is allowed"},
        {1025, 8, "at most 1,024 passes"},
        {65, 256 * 1024, "which would take minutes"},
        {0, 1024, "below what Argon2id allows"},
        {1, 7, "below what Argon2id allows"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        Bytes hostile = file;
        writeLE32(hostile.data() + kStrongPassesOffset, c.passes);
        writeLE32(hostile.data() + kStrongMemoryOffset, c.memoryKiB);
        redigest(hostile, kStrongDigestOffset);
        Read read;
        readInto(hostile, read);
        EXPECT_EQ(read.result.outcome, LoadOutcome::Failed);
        EXPECT_EQ(read.ui.asked(), 0);
        ASSERT_EQ(read.ui.messages.size(), 1u);
        EXPECT_NE(read.ui.messages[0].find(c.says), std::string::npos) << read.ui.messages[0];
    }
    // The largest costs allowed are obeyed (only checked here, not derived: that would take seconds).
    EXPECT_EQ(kdfCostProblem({16, kMaxKdfMemoryKiB}), "");
    EXPECT_EQ(kdfCostProblem({64, 256 * 1024}), "");
    // A file of weak costs only weakens itself: it is read.
    EXPECT_EQ(kdfCostProblem({1, 8}), "");
}

// What a reader that knows only the old forms sees: the current header with a body kind it does not
// know (it refuses kinds other than 0 and 1), and no old version text in bytes 9-20.
TEST(StrongCardDocument, OldReadersRefuseItByItsBodyKind) {
    CardStore store;
    fillStrong(store);
    const Bytes file = bytesOf(store);
    EXPECT_EQ(std::memcmp(file.data() + 14, "nVrQ", 4), 0);
    EXPECT_NE(file[12], 0);
    EXPECT_NE(file[12], 1);
    const std::string version(reinterpret_cast<const char*>(file.data()) + 9, 12);
    EXPECT_NE(version, "Version1.001");
    EXPECT_NE(version, "Version1.002");
}

TEST(StrongCardDocument, OldFormDocumentsStayOldAndNewPasswordsFollowTheForm) {
    const Bytes old = *readWholeFile(std::string(QUORVANE_TEST_DATA) + "/encrypted.qve");
    CardStore store;
    ScriptedUi ui({std::string("p\xE4ssw\xF6rd")});
    ASSERT_EQ(readCardDocument(old.data(), old.size(), "encrypted.qve", store, ui, 0).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(store.encryptionForm, EncryptionForm::Old);
    EXPECT_EQ(bytesOf(store), old);  // saved again byte for byte

    // Upgrading takes the password it was opened with; the old form keeps its password, the strong none.
    ASSERT_TRUE(setEncryptionPassword(store, store.encryptionPassword, EncryptionForm::Strong));
    EXPECT_TRUE(store.encryptionPassword.empty());
    EXPECT_EQ(bytesOf(store)[12], kBodyStrong);
    ASSERT_TRUE(setEncryptionPassword(store, "another password", EncryptionForm::Old));
    EXPECT_FALSE(store.encryptionKey);
    EXPECT_EQ(bytesOf(store)[12], 1);

    // The strong form without a key cannot be saved, like the old one without a password.
    CardStore keyless;
    keyless.encryptOnSave = 1;
    Bytes out;
    ScriptedUi refused;
    EXPECT_FALSE(serializeCardDocument(keyless, out, refused));
    EXPECT_EQ(refused.messages, std::vector<std::string>{"The encryption password is not set."});
}

TEST(StrongKeys, GuardedBytesHoldWhatWasWrittenAndMove) {
    auto bytes = GuardedBytes::allocate(32);
    ASSERT_TRUE(bytes);
    bytes->write([](std::uint8_t* p) { std::memset(p, 0x5A, 32); });
    GuardedBytes moved = std::move(*bytes);
    EXPECT_TRUE(bytes->empty());
    EXPECT_EQ(moved.read([](const std::uint8_t* p) { return p[0] + p[31]; }), 0xB4);
}

// A build not made for the tests names each test switch set in its environment as ignored; the
// tests' build names none (it obeys them).
TEST(StrongKeys, OnlyBuildsForTheTestsObeyTestSwitches) {
    EXPECT_TRUE(testSwitchesHonoured());
    EXPECT_STREQ(testSwitch(kTestKdfCostVariable), "1,8");
    const std::map<std::string, const char*> environment{
        {"QUORVANE_TEST_KDF", "1,8"}, {"QUORVANE_BRIDGE_TRACE", "1"}, {"QUORVANE_ALLOW_CORE_DUMPS", ""}, {"HOME", "/h"}};
    auto lookup = [&environment](const char* name) {
        auto it = environment.find(name);
        return it == environment.end() ? nullptr : it->second;
    };
    EXPECT_TRUE(ignoredTestSwitchWarnings(lookup, true).empty());
    EXPECT_EQ(ignoredTestSwitchWarnings(lookup, false),
              (std::vector<std::string>{
                  "Quorvane ignores QUORVANE_TEST_KDF: it is a switch for the tests, obeyed only by builds made for them.",
                  "Quorvane ignores QUORVANE_BRIDGE_TRACE: it is a switch for the tests, obeyed only by builds made "
                  "for them."}));
}

TEST(StrongKeys, NewPasswordsGetTheTunedCostsUnlessTestsAskOtherwise) {
    EXPECT_EQ(costForNewPassword(), (KdfCost{1, 8}));  // QUORVANE_TEST_KDF of the test run
    // Without the seam: 256 MiB and at least three passes, as many as take about a second here (one
    // derivation measures it, once per run).
    const std::string saved = std::getenv(kTestKdfCostVariable) ? std::getenv(kTestKdfCostVariable) : "";
    ::unsetenv(kTestKdfCostVariable);
    const KdfCost tuned = costForNewPassword();
    ::setenv(kTestKdfCostVariable, saved.c_str(), 1);
    EXPECT_EQ(tuned.memoryKiB, kNewKeyMemoryKiB);
    EXPECT_GE(tuned.passes, kNewKeyMinPasses);
    EXPECT_EQ(kdfCostProblem(tuned), "");
    // The same password and salt give the same key; another salt another one.
    const Salt salt = randomSalt();
    auto a = PasswordKey::derive(kPassword, salt, {1, 8});
    auto b = PasswordKey::derive(kPassword, salt, {1, 8});
    auto c = PasswordKey::derive(kPassword, randomSalt(), {1, 8});
    ASSERT_TRUE(a && b && c);
    const std::uint8_t text[] = "header";
    EXPECT_EQ(a->keyCheck(text, sizeof text), b->keyCheck(text, sizeof text));
    EXPECT_NE(a->keyCheck(text, sizeof text), c->keyCheck(text, sizeof text));
    EXPECT_FALSE(PasswordKey::derive(kPassword, salt, {1, kMaxKdfMemoryKiB + 1}));  // refused, not attempted
}

// --- ~~~ files --------------------------------------------------------------------------------

class StrongFileTest : public ::testing::Test {
protected:
    void TearDown() override { setFileChunkBytes(std::nullopt); }
    std::string path(const std::string& name) const { return m_dir.file(name); }
    std::vector<std::string> files() const { return m_dir.entries(); }
    FileEncryptionState stateFor(const std::string& file, const std::string& password = kPassword) const {
        FileEncryptionState state;
        state.FileEncryptionPassword = password;
        state.PasswordIsSet = true;
        state.SelectedFile = file;
        return state;
    }
    // Encrypts `plain` as NAME.txt and returns the ~~~ file's bytes.
    Data encrypt(const Data& plain, const std::string& name = "doc") {
        writeData(path(name + ".txt"), plain);
        FileEncryptionState state = stateFor(path(name + ".txt"));
        ScriptedUi ui;
        EXPECT_EQ(EncryptSelectedFile(state, ui).status, FileOpStatus::Done);
        EXPECT_TRUE(ui.messages.empty());
        return readData(path(name + ".~~~"));
    }
    FileOpResult decrypt(const std::string& name, ScriptedUi& ui, const std::string& password = kPassword,
                         const FileProgress& progress = {}) {
        FileEncryptionState state = stateFor(path(name), password);
        state.IsEncrypted = true;
        return DecryptSelectedFile(state, ui, progress);
    }
    // The ~~~ file is refused: nothing restored, the file as it was, and the messages.
    void expectRefused(const std::string& name, const Data& stored, ScriptedUi& ui, const std::string& password = kPassword) {
        const FileOpResult r = decrypt(name, ui, password);
        EXPECT_FALSE(r.outputWritten());
        EXPECT_EQ(files(), std::vector<std::string>{name});
        EXPECT_TRUE(readData(path(name)) == stored);
    }

private:
    TempDir m_dir{"quorvane-strong"};
};

Data pattern(std::size_t length, unsigned seed = 1) {
    Data data(length);
    for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<std::uint8_t>(i * 31 + seed);
    return data;
}

TEST_F(StrongFileTest, RoundTripsAcrossChunkSizesAndTwoEncryptionsDiffer) {
    for (std::size_t chunk : {std::size_t{8}, std::size_t{64}, kDefaultFileChunkBytes}) {
        setFileChunkBytes(chunk);
        for (std::size_t length : {1u, 7u, 8u, 9u, 64u, 65u, 1000u}) {
            SCOPED_TRACE(std::to_string(chunk) + " " + std::to_string(length));
            const Data plain = pattern(length);
            const Data first = encrypt(plain);
            ASSERT_EQ(first.size(), strongFileLength(length, static_cast<std::uint32_t>(chunk)));
            EXPECT_EQ(std::memcmp(first.data(), "QrVnStrm", 8), 0);
            ScriptedUi quiet;
            EXPECT_EQ(IsEncryptedFile(path("doc.~~~"), quiet), 1);
            ScriptedUi ui;
            ASSERT_EQ(decrypt("doc.~~~", ui).status, FileOpStatus::Done);
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_TRUE(readData(path("doc.txt")) == plain);
            EXPECT_FALSE(encrypt(plain) == first) << "a fresh salt and stream header each time";
            fs::remove(path("doc.~~~"));
        }
    }
}

TEST_F(StrongFileTest, AnyFlippedByteCutOrReorderRestoresNothing) {
    setFileChunkBytes(16);
    const Data plain = pattern(50);  // chunks of 16, 16, 16 and 2 bytes
    const Data file = encrypt(plain);
    fs::remove(path("doc.txt"));
    const std::string damaged = "doc.~~~ was changed or damaged; nothing was read.";
    const std::size_t body = kStrongFileHeaderSize;
    struct Region {
        const char* name;
        std::size_t offset;
    };
    const Region regions[] = {{"parameters", kStrongFilePassesOffset}, {"chunk size", kStrongFileChunkOffset},
                              {"salt", kStrongFileSaltOffset},          {"name tail", kStrongFileNameTailOffset},
                              {"stream header", kStrongFileStreamOffset}, {"key check", kStrongFileKeyCheckOffset},
                              {"digest", kStrongFileDigestOffset},     {"first chunk", body + 3},
                              {"a tag byte", body + 33},                {"last chunk", file.size() - 5},
                              {"last byte", file.size() - 1}};
    for (const Region& region : regions) {
        SCOPED_TRACE(region.name);
        Data changed = file;
        changed[region.offset] ^= 0x04;
        writeData(path("doc.~~~"), changed);
        ScriptedUi ui;
        expectRefused("doc.~~~", changed, ui);
        EXPECT_EQ(ui.messages, std::vector<std::string>{damaged});
    }
    for (std::size_t i = 0; i < file.size(); ++i) {
        Data changed = file;
        changed[i] ^= 0x80;
        writeData(path("doc.~~~"), changed);
        ScriptedUi ui;
        expectRefused("doc.~~~", changed, ui);
        EXPECT_FALSE(ui.messages.empty()) << "byte " << i;
    }
    // Cut anywhere, at a chunk's end too; two whole chunks swapped; a chunk repeated.
    const std::size_t sealed = 16 + SecretStream::kChunkOverhead;
    std::vector<Data> variants;
    for (std::size_t length = 1; length < file.size(); ++length) variants.emplace_back(file.begin(), file.begin() + length);
    Data swapped = file;
    std::swap_ranges(swapped.begin() + body, swapped.begin() + body + sealed, swapped.begin() + body + sealed);
    variants.push_back(swapped);
    Data repeated = file;
    repeated.insert(repeated.begin() + body + sealed, file.begin() + body + sealed, file.begin() + body + 2 * sealed);
    variants.push_back(repeated);
    for (const Data& variant : variants) {
        writeData(path("doc.~~~"), variant);
        ScriptedUi ui;
        expectRefused("doc.~~~", variant, ui);
        EXPECT_FALSE(ui.messages.empty()) << variant.size() << " bytes";
    }
}

TEST_F(StrongFileTest, WrongPasswordIsToldBeforeAnythingIsWritten) {
    const Data file = encrypt(pattern(100));
    for (const std::string& password : {std::string("correct horse batterY"), std::string("")}) {
        ScriptedUi ui;
        expectRefused("doc.~~~", file, ui, password);
        EXPECT_EQ(ui.messages.back(), "Password not correct,try again!");
    }
    ScriptedUi ui;
    EXPECT_EQ(decrypt("doc.~~~", ui).status, FileOpStatus::Done);
}

TEST_F(StrongFileTest, HostileCostsAndChunkSizesAreRefusedUnread) {
    const Data file = encrypt(pattern(100));
    struct Case {
        std::size_t offset;
        std::uint32_t value;
        const char* says;
    };
    const Case cases[] = {
        {kStrongFileMemoryOffset, 4 * 1024 * 1024, "at most 1,024 MiB is allowed"},
        {kStrongFilePassesOffset, 1 << 20, "which would take minutes"},
        {kStrongFileChunkOffset, 64 * 1024 * 1024, "asks for chunks of 67108864 bytes; at most 8388608"},
        {kStrongFileChunkOffset, 0, "asks for chunks of 0 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        Data hostile = file;
        writeLE32(hostile.data() + c.offset, c.value);
        redigest(hostile, kStrongFileDigestOffset);
        writeData(path("doc.~~~"), hostile);
        ScriptedUi ui;
        expectRefused("doc.~~~", hostile, ui);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find(c.says), std::string::npos) << ui.messages[0];
    }
}

TEST_F(StrongFileTest, CancelAndOldFormChoice) {
    setFileChunkBytes(64);
    const Data plain = pattern(1000);
    const Data file = encrypt(plain);
    ScriptedUi ui;
    const FileOpResult cancelled = decrypt("doc.~~~", ui, kPassword, [](std::uint64_t done, std::uint64_t) {
        return done < 200;  // stop after a few chunks
    });
    EXPECT_EQ(cancelled.status, FileOpStatus::Cancelled);
    EXPECT_EQ(files(), std::vector<std::string>{"doc.~~~"});

    // The old form on request, and what a reader of the old form sees in a strong file: no trailer
    // magic where it looks, so it takes the file for no encrypted file at all.
    EXPECT_FALSE(readEncryptedTrailer(file.data() + file.size() - kEncryptedTrailerLength).magicMatches);
    ASSERT_EQ(decrypt("doc.~~~", ui).status, FileOpStatus::Done);
    FileEncryptionState state = stateFor(path("doc.txt"));
    state.EncryptInOldForm = true;
    ASSERT_EQ(EncryptSelectedFile(state, ui).status, FileOpStatus::Done);
    const Data old = readData(path("doc.~~~"));
    ASSERT_EQ(old.size(), plain.size() + kEncryptedTrailerLength);
    EXPECT_TRUE(readEncryptedTrailer(old.data() + plain.size()).magicMatches);
    ASSERT_EQ(decrypt("doc.~~~", ui).status, FileOpStatus::Done);
    EXPECT_TRUE(readData(path("doc.txt")) == plain);
}

}  // namespace
