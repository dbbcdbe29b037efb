// Changes made elsewhere are never overwritten: the fingerprint of what was read, the check just
// before a file is replaced, the lock of one writer at a time, and quorvane-cli using them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "TestSupport.h"
#include "cardstore/CardFile.h"
#include "cardstore/DocumentGuard.h"
#include "common/SafeFile.h"

namespace {

void writeText(const std::string& path, const std::string& text) {
    ASSERT_TRUE(writeFileSafely(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size()).ok);
}

TEST(DocumentGuard, OnlyAChangeOfTheBytesCountsAsAChange) {
    TempDir dir;
    const std::string path = dir.file("doc.qvf");
    writeText(path, "first version");
    const auto read = fingerprintFile(path);
    ASSERT_TRUE(read && read->exists);
    EXPECT_TRUE(fileStillMatches(path, *read));

    writeText(path, "first version");  // replaced by a sync program with the same bytes
    EXPECT_TRUE(fileStillMatches(path, *read));
    writeText(path, "other version");  // same size, other bytes
    EXPECT_FALSE(fileStillMatches(path, *read));
    ::unlink(path.c_str());
    EXPECT_FALSE(fileStillMatches(path, *read));

    const auto none = fingerprintFile(dir.file("new.qvf"));
    ASSERT_TRUE(none && !none->exists);
    EXPECT_TRUE(fileStillMatches(dir.file("new.qvf"), *none));
    writeText(dir.file("new.qvf"), "made meanwhile");
    EXPECT_FALSE(fileStillMatches(dir.file("new.qvf"), *none));
}

TEST(DocumentGuard, ARefusingCheckLeavesTheFileAndNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.file("doc.qvf");
    writeText(path, "theirs");
    const Data theirs = readData(path);
    FileResult result = writeFileSafely(path, Data{'m', 'i', 'n', 'e'}, WriteMode::Replace, [] { return false; });
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.refusedByCheck);
    EXPECT_TRUE(readData(path) == theirs);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"doc.qvf"});
}

TEST(DocumentGuard, OneWriterAtATimeAndStaleLocksAreTakenOver) {
    TempDir dir;
    const std::string path = dir.file("doc.qvf");
    writeText(path, "x");
    const std::string lockPath = DocumentLock::lockPathFor(path);
    EXPECT_EQ(lockPath, dir.file(".doc.qvf.lock"));

    DocumentLock first;
    ASSERT_EQ(first.acquire(path), DocumentLock::Outcome::Acquired);
    {
        // A live holder: init (process 1) stands for another program that has the document open.
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        first.release();
        writeText(lockPath, std::string(host) + "\n1\n");
        DocumentLock second;
        EXPECT_EQ(second.acquire(path), DocumentLock::Outcome::HeldElsewhere);
        EXPECT_EQ(second.holder(), "process 1 on " + std::string(host));

        // A holder that no longer runs on this host: its lock is taken over.
        const pid_t gone = ::fork();
        if (gone == 0) ::_exit(0);
        ::waitpid(gone, nullptr, 0);
        writeText(lockPath, std::string(host) + "\n" + std::to_string(gone) + "\n");
        DocumentLock third;
        EXPECT_EQ(third.acquire(path), DocumentLock::Outcome::Acquired);
        EXPECT_NE(slurp(lockPath).find(std::to_string(::getpid())), std::string::npos);
    }
    EXPECT_FALSE(fileExists(lockPath));  // released with its holder
}

// Starts quorvane-cli with standard input a pipe held open by the test, standard error to a file.
struct HeldCli {
    FILE* input = nullptr;
    std::string errPath;
    int finish(const std::string& lastInput) {
        std::fputs(lastInput.c_str(), input);
        const int status = ::pclose(input);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

HeldCli startCli(const std::string& args, const std::string& errPath) {
    const std::string command = std::string(QUORVANE_CLI_PATH) + " " + args + " 2>" + errPath + " >/dev/null";
    return HeldCli{::popen(command.c_str(), "w"), errPath};
}

void waitFor(const std::string& path) {
    for (int i = 0; i < 500 && !fileExists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TEST(CliDocumentGuard, AChangeMadeWhileACommandRunsIsNeverOverwritten) {
    TempDir dir;
    const std::string doc = dir.file("cards.qvf");
    ASSERT_EQ(runCli({"add", doc, "--category", "WWW Sites", "--name", "Mine"}).status, 0);

    // The command has read the document and waits for the card's password; meanwhile a sync
    // program puts another version in place.
    HeldCli cli = startCli("add " + doc + " --category Miscellaneous --name Late --password-prompt", dir.file("err"));
    waitFor(DocumentLock::lockPathFor(doc));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(runCli({"edit", doc, "--category", "WWW Sites", "--card", "Mine", "--user", "theirs", "--force"}).status, 0);
    const Data theirs = readData(doc);
    EXPECT_EQ(cli.finish("pw\n"), 1);
    EXPECT_NE(slurp(dir.file("err")).find("was changed by another program since it was read; nothing was written"),
              std::string::npos)
        << slurp(dir.file("err"));
    EXPECT_TRUE(readData(doc) == theirs);
    EXPECT_FALSE(fileExists(DocumentLock::lockPathFor(doc)));

    // While one command holds the document, another is refused without --force.
    HeldCli holder = startCli("edit " + doc + " --category \"WWW Sites\" --card Mine --password-prompt", dir.file("err2"));
    waitFor(DocumentLock::lockPathFor(doc));
    CliRun refused = runCli({"rm", doc, "--category", "WWW Sites", "--position", "1"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("is open for changes in process"), std::string::npos) << refused.err;
    EXPECT_EQ(holder.finish("new password\n"), 0);
    EXPECT_EQ(runCli({"rm", doc, "--category", "WWW Sites", "--position", "1"}).status, 0);
}

}  // namespace
