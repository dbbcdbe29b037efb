// A save that fails half-way, or a process killed in the middle of one, never damages the file:
// the target is always either the previous document or the new one, byte for byte.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <random>

#include "TestSupport.h"
#include "cardstore/CardFile.h"
#include "common/SafeFile.h"
#include "fileenc/FileEncryption.h"

namespace {

class SilentPrompter : public Prompter {
public:
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
    bool confirmReplace(const std::string&) override { return true; }
};

/// A child that works in a loop and says, once, when it has finished its first pass: a kill before
/// then would find the file as the test left it and prove nothing, which a slow machine made likely.
struct LoopingChild {
    pid_t pid = -1;
    int ready = -1;  // the read end; one byte arrives after the first pass

    /// Forks; the child runs `pass` forever, writing the byte after the first one.
    template <class Pass>
    static LoopingChild start(Pass pass) {
        int ends[2];
        if (::pipe(ends) != 0)
            return {};
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ends[0]);
            pass();
            [[maybe_unused]] const ssize_t n = ::write(ends[1], "r", 1);
            for (;;)
                pass();
        }
        ::close(ends[1]);
        return {pid, ends[0]};
    }
    /// Waits, ten seconds at most, for the end of the first pass.
    bool waitReady() const {
        pollfd wait{ready, POLLIN, 0};
        char byte = 0;
        return ::poll(&wait, 1, 10000) == 1 && ::read(ready, &byte, 1) == 1;
    }
    void kill() {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(ready);
    }
};

void fill(CardStore& store, int cards, const std::string& tag) {
    for (int i = 0; i < cards; ++i) {
        auto card = std::make_unique<Card>();
        card->categoryId = static_cast<std::uint8_t>(i % kCategoryCount);
        card->firstField = tag + " card " + std::to_string(i);
        card->fourthField = "secret-" + std::to_string(i * 7919);
        card->note = std::string(200, 'n');
        store.GetCategoryList(card->categoryId)->AddCard(std::move(card));
    }
}

Bytes bytesOf(const CardStore& store) {
    SilentPrompter ui;
    Bytes out;
    EXPECT_TRUE(serializeCardDocument(store, out, ui));
    return out;
}

TEST(CrashSafety, WriteFailingAtAnyPointLeavesThePreviousFile) {
    TempDir dir("quorvane-crash");
    const std::string target = dir.file("cards.qvf");
    CardStore oldDoc, newDoc;
    fill(oldDoc, 20, "old");
    fill(newDoc, 40, "new");
    ASSERT_TRUE(setEncryptionPassword(newDoc, "a long password", EncryptionForm::Strong));
    SilentPrompter ui;
    ASSERT_EQ(saveCardDocument(target, oldDoc, ui).outcome, SaveOutcome::Saved);
    const Bytes before = *readWholeFile(target);
    const std::size_t newSize = bytesOf(newDoc).size();

    for (std::size_t limit : {std::size_t{0}, std::size_t{1}, std::size_t{21}, std::size_t{22}, std::size_t{23},
                              newSize / 2, newSize - 1}) {
        SCOPED_TRACE(limit);
        setWriteFailureAfterBytes(limit);
        SaveResult result = saveCardDocument(target, newDoc, ui);
        setWriteFailureAfterBytes(std::nullopt);
        EXPECT_EQ(result.outcome, SaveOutcome::WriteError);
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(*readWholeFile(target), before);
        EXPECT_EQ(dir.entries().size(), 1u) << "a temporary file was left";
    }
}

TEST(CrashSafety, ProcessKilledDuringSavesLeavesOldOrNewDocument) {
    TempDir dir("quorvane-crash");
    const std::string target = dir.file("cards.qve");
    CardStore first, second;
    fill(first, 2000, "first");
    fill(second, 3000, "second");
    // The old form, whose bytes do not change from save to save, so what is on disk can be named.
    first.encryptOnSave = second.encryptOnSave = 1;
    first.encryptionForm = second.encryptionForm = EncryptionForm::Old;
    first.encryptionPassword = second.encryptionPassword = "kill test password";
    const Bytes a = bytesOf(first), b = bytesOf(second);
    SilentPrompter ui;
    ASSERT_EQ(saveCardDocument(target, first, ui).outcome, SaveOutcome::Saved);

    std::mt19937 random(12345);
    constexpr int kRounds = 60;
    for (int round = 0; round < kRounds; ++round) {
        LoopingChild child = LoopingChild::start([&, i = 0]() mutable {
            SilentPrompter childUi;
            saveCardDocument(target, (i++ % 2) ? first : second, childUi);
        });
        ASSERT_GT(child.pid, 0);
        const bool ready = child.waitReady();
        // The kill lands at a random point of the saves that follow.
        ::usleep(std::uniform_int_distribution<int>(200, 30000)(random));
        child.kill();
        ASSERT_TRUE(ready) << "round " << round << ": the child never finished a save";
        const Bytes now = *readWholeFile(target);
        ASSERT_TRUE(now == a || now == b) << "round " << round << ": the file is neither document";
    }
}

TEST(CrashSafety, ProcessKilledWhileEncryptingOrDecryptingNeverLosesTheFile) {
    TempDir dir("quorvane-crash");
    const std::string plain = dir.file("report.txt"), encrypted = dir.file("report.~~~");
    Bytes original(3 * 1024 * 1024 + 5);
    std::mt19937 random(777);
    for (auto& b : original) b = static_cast<std::uint8_t>(random());
    ASSERT_TRUE(writeFileSafely(plain, original).ok);

    // The contents as a person could get them back: the plain file if it is whole, else by decrypting.
    auto recoverable = [&]() -> Bytes {
        if (auto bytes = readWholeFile(plain); bytes && *bytes == original) return *bytes;
        SilentPrompter ui;
        FileEncryptionState state{"file password", 1, encrypted, 0, 1, 0};
        if (DecryptSelectedFile(state, ui).status == FileOpStatus::Done) return *readWholeFile(plain);
        return {};
    };

    for (int round = 0; round < 30; ++round) {
        LoopingChild child = LoopingChild::start([&] {
            SilentPrompter childUi;
            FileEncryptionState state{"file password", 1, plain, 1, 0, 0};
            if (fileExists(plain))
                EncryptSelectedFile(state, childUi);
            state.SelectedFile = encrypted;
            if (fileExists(encrypted))
                DecryptSelectedFile(state, childUi);
        });
        ASSERT_GT(child.pid, 0);
        const bool ready = child.waitReady();
        // The kill lands at a random point of the encryptions and decryptions that follow.
        ::usleep(std::uniform_int_distribution<int>(500, 60000)(random));
        child.kill();
        ASSERT_TRUE(ready) << "round " << round << ": the child never finished a pass";
        ASSERT_EQ(recoverable(), original) << "round " << round;
        // Start the next round from the plain file alone.
        removeFile(encrypted);
    }
}

}  // namespace
