// Changes made elsewhere are never overwritten: the fingerprint of what was read, the check just
// before a file is replaced, the lock of one writer at a time, and quorvane-cli using them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

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

// quorvane-cli with standard input a pipe held open by the test and standard error to a file.
struct HeldCli {
    pid_t pid = -1;
    int input = -1;
    /// Types `lastInput`, ends the input and returns the exit status.
    int finish(const std::string& lastInput) {
        [[maybe_unused]] const ssize_t n = ::write(input, lastInput.data(), lastInput.size());
        ::close(input);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    /// Waits, ten seconds at most, until the command sits in a read of its standard input: it has
    /// read the document and waits for what is typed.
    bool waitsForInput() const {
        const std::string readingStdin = std::to_string(SYS_read) + " 0x0 ";
        for (int i = 0; i < 1000; ++i) {
            std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
            std::string now;
            std::getline(syscall, now);
            if (now.rfind(readingStdin, 0) == 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

HeldCli startCli(const std::vector<std::string>& args, const std::string& errPath) {
    std::vector<std::string> words{QUORVANE_CLI_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeEnds[0], 0);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        ::dup2(::open("/dev/null", O_WRONLY), 1);
        ::execv(QUORVANE_CLI_PATH, argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[0]);
    return HeldCli{pid, pipeEnds[1]};
}

/// Waits, ten seconds at most, for `path` to appear.
bool waitFor(const std::string& path) {
    for (int i = 0; i < 1000 && !fileExists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fileExists(path);
}

TEST(CliDocumentGuard, AChangeMadeWhileACommandRunsIsNeverOverwritten) {
    TempDir dir;
    const std::string doc = dir.file("cards.qvf");
    ASSERT_EQ(runCli({"add", doc, "--category", "WWW Sites", "--name", "Mine"}).status, 0);

    // The command has read the document and waits for the card's password; meanwhile a sync
    // program puts another version in place.
    HeldCli cli =
        startCli({"add", doc, "--category", "Miscellaneous", "--name", "Late", "--password-prompt"}, dir.file("err"));
    ASSERT_GT(cli.pid, 0);
    ASSERT_TRUE(cli.waitsForInput());
    ASSERT_EQ(runCli({"edit", doc, "--category", "WWW Sites", "--card", "Mine", "--user", "theirs", "--force"}).status, 0);
    const Data theirs = readData(doc);
    EXPECT_EQ(cli.finish("pw\n"), 1);
    EXPECT_NE(slurp(dir.file("err")).find("was changed by another program since it was read; nothing was written"),
              std::string::npos)
        << slurp(dir.file("err"));
    EXPECT_TRUE(readData(doc) == theirs);
    EXPECT_FALSE(fileExists(DocumentLock::lockPathFor(doc)));

    // While one command holds the document, another is refused without --force.
    HeldCli holder =
        startCli({"edit", doc, "--category", "WWW Sites", "--card", "Mine", "--password-prompt"}, dir.file("err2"));
    ASSERT_GT(holder.pid, 0);
    ASSERT_TRUE(waitFor(DocumentLock::lockPathFor(doc)));
    CliRun refused = runCli({"rm", doc, "--category", "WWW Sites", "--position", "1"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("is open for changes in process"), std::string::npos) << refused.err;
    EXPECT_EQ(holder.finish("new password\n"), 0);
    EXPECT_EQ(runCli({"rm", doc, "--category", "WWW Sites", "--position", "1"}).status, 0);
}

}  // namespace
