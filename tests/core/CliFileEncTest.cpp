// quorvane-cli encrypt-file, decrypt-file and classify, run as a separate program with the
// password on standard input. Files built here with OpenSSL straight from the format's byte table
// check that the tool reads what another writer of the format produces.

// OpenSSL's BF_* and SHA1 calls are deprecated in OpenSSL 3 but remain the handiest oracle.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <csignal>
#include <termios.h>
#include <sys/wait.h>
#include <unistd.h>
#include <openssl/blowfish.h>
#include <openssl/sha.h>

#include "TestSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
// Blowfish with little-endian halves through OpenSSL, which reads its halves big-endian.
void opensslEncipherBlock(const BF_KEY& key, std::uint8_t* block) {
    std::reverse(block, block + 4);
    std::reverse(block + 4, block + 8);
    BF_ecb_encrypt(block, block, &key, BF_ENCRYPT);
    std::reverse(block, block + 4);
    std::reverse(block + 4, block + 8);
}

// An encrypted file assembled from the layout: body, SHA-1 of the password, magic, tail, version.
Data independentEncryptedFile(const Data& plain, const std::string& password, const std::string& tail) {
    BF_KEY key;
    BF_set_key(&key, static_cast<int>(password.size()), reinterpret_cast<const unsigned char*>(password.data()));
    Data file = plain;
    const std::size_t whole = plain.size() / 8 * 8;
    for (std::size_t i = 0; i < whole; i += 8)
        opensslEncipherBlock(key, file.data() + i);
    if (whole < plain.size()) {
        std::uint8_t pad[8] = {};
        if (whole >= 8)
            std::memcpy(pad, file.data() + whole - 8, 8);
        opensslEncipherBlock(key, pad);
        for (std::size_t i = whole; i < plain.size(); ++i)
            file[i] ^= pad[i - whole];
    }
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(password.data()), password.size(), digest);
    file.insert(file.end(), digest, digest + SHA_DIGEST_LENGTH);
    for (const std::string& part : {std::string("QrVnEncr"), tail, std::string("QuorvanVersion2.0.0.0")})
        file.insert(file.end(), part.begin(), part.end());
    return file;
}

class CliFileEncTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return m_dir.file(name); }
    std::vector<std::string> files() const { return m_dir.entries(); }

    // Runs quorvane-cli with `args` (plain words separated by blanks) and `input` on standard input.
    CliRun cli(const std::string& args, const std::string& input = "") const {
        std::vector<std::string> words;
        std::istringstream split(args);
        for (std::string word; split >> word;) words.push_back(word);
        return runCli(words, input);
    }

private:
    TempDir m_dir{"quorvane-clienc"};
};

TEST_F(CliFileEncTest, EncryptsAndDecryptsWithThePasswordOnStandardInput) {
    const Data plain = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '\n'};
    writeData(path("hello.txt"), plain);

    CliRun enc = cli("encrypt-file --legacy " + path("hello.txt"), "password1\n");
    EXPECT_EQ(enc.status, 0) << enc.err;
    EXPECT_EQ(enc.out, path("hello.~~~") + "\n");
    EXPECT_EQ(files(), std::vector<std::string>{"hello.~~~"});
    EXPECT_EQ(readData(path("hello.~~~")) == independentEncryptedFile(plain, "password1", "txt"), true);

    const Data stored = readData(path("hello.~~~"));
    CliRun wrong = cli("decrypt-file " + path("hello.~~~"), "password2\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("Password not correct,try again!"), std::string::npos) << wrong.err;
    EXPECT_TRUE(readData(path("hello.~~~")) == stored);

    CliRun dec = cli("decrypt-file " + path("hello.~~~"), "password1\n");
    EXPECT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(files(), std::vector<std::string>{"hello.txt"});
    EXPECT_TRUE(readData(path("hello.txt")) == plain);
}

TEST_F(CliFileEncTest, ProgressLineOnlyOnATerminal) {
    Data big(6 * 1024 * 1024);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    writeData(path("big.bin"), big);

    // Not a terminal: no line at all.
    CliRun piped = cli("encrypt-file " + path("big.bin"), "password1\n");
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.err.find("Encrypting"), std::string::npos) << piped.err;

    // On a terminal the line rises to the whole file and ends before the output's name.
    int terminal = -1;
    const std::string encrypted = path("big.~~~");
    pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(QUORVANE_CLI_PATH, QUORVANE_CLI_PATH, "decrypt-file", encrypted.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string screen;
    bool answered = false;
    char buffer[4096];
    for (;;) {
        pollfd ready{terminal, POLLIN, 0};
        if (::poll(&ready, 1, 30000) <= 0) {
            ::kill(pid, SIGKILL);  // stuck: fail rather than hang
            ADD_FAILURE() << "no progress on the terminal: " << screen;
        }
        ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n <= 0)
            break;  // the program is gone (EIO)
        screen.append(buffer, static_cast<std::size_t>(n));
        if (!answered && screen.find("password: ") != std::string::npos) {
            // Typed only once the prompt has turned echo off: that step throws away what came before.
            for (int wait = 0; wait < 1000; ++wait) {
                termios mode {};
                if (::tcgetattr(terminal, &mode) == 0 && !(mode.c_lflag & ECHO))
                    break;
                ::usleep(10000);
            }
            ASSERT_EQ(::write(terminal, "password1\n", 10), 10);
            answered = true;
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(terminal);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen;
    EXPECT_NE(screen.find("\rDecrypting 100%  6.0 of 6.0 MiB"), std::string::npos) << screen;
    EXPECT_NE(screen.find("\r\n" + path("big.bin") + "\r\n"), std::string::npos) << screen;
    EXPECT_TRUE(readData(path("big.bin")) == big);
}

TEST_F(CliFileEncTest, DecryptsFilesBuiltByAnotherWriterOfTheFormat) {
    for (std::size_t length : {3u, 8u, 13u, 1024u, 1029u}) {
        SCOPED_TRACE(length);
        Data plain(length);
        for (std::size_t i = 0; i < length; ++i)
            plain[i] = static_cast<std::uint8_t>(i * 7 + length);
        writeData(path("in.~~~"), independentEncryptedFile(plain, "an independent key", "bin"));
        CliRun dec = cli("decrypt-file " + path("in.~~~"), "an independent key\n");
        ASSERT_EQ(dec.status, 0) << dec.err;
        EXPECT_TRUE(readData(path("in.bin")) == plain);

        // And back again in the old form: the same bytes as the other writer's.
        CliRun enc = cli("encrypt-file --legacy " + path("in.bin"), "an independent key\n");
        ASSERT_EQ(enc.status, 0) << enc.err;
        EXPECT_TRUE(readData(path("in.~~~")) == independentEncryptedFile(plain, "an independent key", "bin"));
        fs::remove(path("in.~~~"));
    }
}

TEST_F(CliFileEncTest, RefusalsExitWithTheirMessageAndChangeNothing) {
    const Data plain(60, 'p');
    writeData(path("plain.txt"), plain);
    writeData(path("empty.txt"), {});
    writeData(path("short.~~~"), Data(40, 's'));
    struct Case {
        std::string args;
        std::string input;
        std::string message;
    };
    const Case cases[] = {
        {"encrypt-file " + path("plain.txt"), "short12\n", "Password to short, please use more characters!"},
        {"encrypt-file " + path("plain.txt"), "\n", "Password to short, please use more characters!"},
        {"encrypt-file " + path("empty.txt"), "password1\n", "File is empty, cannot encrypt."},
        {"encrypt-file " + path("missing.txt"), "password1\n", "Could not open file"},
        {"decrypt-file " + path("empty.txt"), "password1\n", "File is empty, can not decrypt"},
        {"decrypt-file " + path("short.~~~"), "password1\n", "The file is too short to be an encrypted file."},
        {"decrypt-file " + path("plain.txt"), "password1\n", "is not an encrypted file"},
        {"encrypt-file", "", "Usage: quorvane-cli encrypt-file [OPTIONS] PATH"},
    };
    const auto before = files();
    for (const Case& c : cases) {
        CliRun run = cli(c.args, c.input);
        EXPECT_EQ(run.status, 1) << c.args;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << ": " << run.err;
        EXPECT_EQ(files(), before) << c.args;
    }
    EXPECT_TRUE(readData(path("plain.txt")) == plain);
}

TEST_F(CliFileEncTest, ExistingOutputIsReplacedOnlyWithForce) {
    const Data plain(50, 'a');
    const Data other = {'o', 't', 'h', 'e', 'r'};
    writeData(path("doc.txt"), plain);
    writeData(path("doc.~~~"), other);

    CliRun refused = cli("encrypt-file " + path("doc.txt"), "password1\n");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(path("doc.~~~") + " already exists. Do you want to replace it?"), std::string::npos);
    EXPECT_TRUE(readData(path("doc.txt")) == plain);
    EXPECT_TRUE(readData(path("doc.~~~")) == other);

    CliRun forced = cli("encrypt-file --force " + path("doc.txt"), "password1\n");
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(files(), std::vector<std::string>{"doc.~~~"});
    EXPECT_EQ(readData(path("doc.~~~")).size(), plain.size() + 100 + 17);  // the strong form: header, one chunk
}

TEST_F(CliFileEncTest, ClassifyNamesWhatTheFileListWouldSee) {
    writeData(path("plain.txt"), {1, 2, 3});
    writeData(path("empty.txt"), {});
    writeData(path("secret.~~~"), independentEncryptedFile({1, 2, 3}, "whatever1", "txt"));
    struct Case {
        std::string name;
        int exitCode;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {"secret.~~~", 0, "encrypted\n", ""},
        {"plain.txt", 0, "readable\n", ""},
        {"empty.txt", 0, "empty\n", ""},
        {"missing.txt", 1, "", "No such file: " + path("missing.txt") + "\n"},
        {"pipe", 1, "", path("pipe") + " is not a regular file.\n"},
    };
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    for (const Case& c : cases) {
        CliRun run = cli("classify " + path(c.name));
        EXPECT_EQ(run.status, c.exitCode) << c.name;
        EXPECT_EQ(run.out, c.out) << c.name;
        EXPECT_EQ(run.err, c.err) << c.name;
    }
}

// Under a file-size limit the write fails with EFBIG instead of killing the program: the failure is
// reported, the source stays, and no temporary file (one holding plaintext, for a decryption) is left.
TEST_F(CliFileEncTest, FileSizeLimitFailsTheWriteCleanly) {
    Data plain(1 << 20);
    for (std::size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<std::uint8_t>(i * 7);
    writeData(path("big.txt"), plain);
    CliRun encrypt = runCliWithFileSizeLimit({"encrypt-file", path("big.txt")}, "password1\n", 100);
    EXPECT_EQ(encrypt.status, 1) << encrypt.err;
    EXPECT_NE(encrypt.err.find("File too large"), std::string::npos) << encrypt.err;
    EXPECT_EQ(files(), std::vector<std::string>{"big.txt"});

    ASSERT_EQ(cli("encrypt-file " + path("big.txt"), "password1\n").status, 0);
    CliRun decrypt = runCliWithFileSizeLimit({"decrypt-file", path("big.~~~")}, "password1\n", 100);
    EXPECT_EQ(decrypt.status, 1) << decrypt.err;
    EXPECT_EQ(files(), std::vector<std::string>{"big.~~~"});
}

// Permission bits and modification time travel beside the ~~~ file in an extended attribute: back
// on the restored file when present, owner-only when it is gone or malformed. The ~~~ file itself
// is owner-only.
TEST_F(CliFileEncTest, PermissionsAndTimeComeBackFromTheKeptAttribute) {
    writeData(path("tool.bin"), {'#', '!'});
    if (::setxattr(path("tool.bin").c_str(), "user.probe", "1", 1, 0) != 0)
        GTEST_SKIP() << "this file system keeps no extended attributes";
    ::removexattr(path("tool.bin").c_str(), "user.probe");
    ASSERT_EQ(::chmod(path("tool.bin").c_str(), 0755), 0);
    const timespec times[2] = {{0, UTIME_OMIT}, {1'500'000'000, 250'000'000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path("tool.bin").c_str(), times, 0), 0);

    ASSERT_EQ(cli("encrypt-file " + path("tool.bin"), "password1\n").status, 0);
    struct stat st {};
    ASSERT_EQ(::stat(path("tool.~~~").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    char kept[64] = {};
    EXPECT_GT(::getxattr(path("tool.~~~").c_str(), "user.quorvane.source", kept, sizeof kept), 0);
    EXPECT_STREQ(kept, "mode=0755 mtime=1500000000.250000000");

    ASSERT_EQ(cli("decrypt-file " + path("tool.~~~"), "password1\n").status, 0);
    ASSERT_EQ(::stat(path("tool.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1'500'000'000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 250'000'000);

    for (const char* malformed : {"mode=7777 mtime=1.0", "mode=0755", "garbage"}) {
        ASSERT_EQ(cli("encrypt-file " + path("tool.bin"), "password1\n").status, 0);
        ASSERT_EQ(::setxattr(path("tool.~~~").c_str(), "user.quorvane.source", malformed, std::strlen(malformed), 0), 0);
        ASSERT_EQ(cli("decrypt-file " + path("tool.~~~"), "password1\n").status, 0);
        ASSERT_EQ(::stat(path("tool.bin").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << malformed;
    }
}

// Two encryptions racing for one ~~~ name: at most one wins, the loser says so and keeps its source,
// and every ~~~ file left opens with the password its run reported.
TEST_F(CliFileEncTest, EncryptionsRacingForOneNameLoseNoFile) {
    const Data a(4 << 20, 'a'), b(4 << 20, 'b');
    for (int round = 0; round < 4; ++round) {
        writeData(path("r.txt"), a);
        writeData(path("r.txx"), b);
        CliRun first, second;
        std::thread other([&] { second = cli("encrypt-file " + path("r.txx"), "password2\n"); });
        first = cli("encrypt-file " + path("r.txt"), "password1\n");
        other.join();
        EXPECT_EQ(first.status + second.status, 1) << first.err << second.err;
        const bool firstWon = first.status == 0;
        const std::string kept = firstWon ? "r.txx" : "r.txt";
        EXPECT_EQ(files(), (std::vector<std::string>{kept, "r.~~~"}));
        // Lost at the end ("was kept"), or the other had finished before it began ("already exists").
        const std::string& loser = (firstWon ? second : first).err;
        EXPECT_TRUE(loser.find("was kept") != std::string::npos || loser.find("already exists") != std::string::npos)
            << loser;
        CliRun back = cli("decrypt-file " + path("r.~~~"), firstWon ? "password1\n" : "password2\n");
        ASSERT_EQ(back.status, 0) << back.err;
        EXPECT_TRUE(readData(path(firstWon ? "r.txt" : "r.txx")) == (firstWon ? a : b));
        fs::remove(path("r.txt"));
        fs::remove(path("r.txx"));
    }
}

TEST_F(CliFileEncTest, NamesAfterDoubleDashAndUnusualNames) {
    writeData(path("-x.txt"), {1, 2, 3});
    // An absolute path never begins with '-': run from the folder so the name does.
    const fs::path here = fs::current_path();
    fs::current_path(path(""));
    CliRun relative = runCli({"encrypt-file", "--", "-x.txt"}, "password1\n");
    fs::current_path(here);
    EXPECT_EQ(relative.status, 0) << relative.err;
    EXPECT_EQ(files(), std::vector<std::string>{"-x.~~~"});

    // A name that is not UTF-8 before its last three characters encrypts; a control character in a
    // stored name tail comes back as '_'.
    writeData(path("caf\xE9.txt"), {4, 5, 6});
    CliRun latin1 = cli("encrypt-file " + path("caf\xE9.txt"), "password1\n");
    EXPECT_EQ(latin1.status, 0) << latin1.err;
    writeData(path("odd.~~~"), independentEncryptedFile({7}, "password1", "a\x01\x1b"));
    CliRun odd = cli("decrypt-file " + path("odd.~~~"), "password1\n");
    EXPECT_EQ(odd.status, 0) << odd.err;
    EXPECT_TRUE(fs::exists(path("odd.a__")));

    // A password holding a NUL is refused: the stored digest would stop at it.
    writeData(path("nul.txt"), {1});
    CliRun nul = runCli({"encrypt-file", path("nul.txt")}, std::string("pass\0word1\n", 11));
    EXPECT_EQ(nul.status, 1);
    EXPECT_NE(nul.err.find("A password cannot hold a NUL character."), std::string::npos) << nul.err;
    EXPECT_TRUE(fs::exists(path("nul.txt")));
}

// A dangling link at the restored name counts as an existing file: refused without --force.
TEST_F(CliFileEncTest, DanglingLinkAtTheOutputIsAnExistingName) {
    writeData(path("doc.txt"), {1, 2, 3});
    ASSERT_EQ(cli("encrypt-file " + path("doc.txt"), "password1\n").status, 0);
    ASSERT_EQ(::symlink(path("nowhere").c_str(), path("doc.txt").c_str()), 0);
    CliRun refused = cli("decrypt-file " + path("doc.~~~"), "password1\n");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("already exists"), std::string::npos) << refused.err;
    EXPECT_TRUE(fs::is_symlink(path("doc.txt")));
    EXPECT_TRUE(fs::exists(path("doc.~~~")));
}

// A decryption killed outright leaves its temporary file (part of the plaintext); the next run of
// quorvane-cli in that folder removes it, whatever that run does.
TEST_F(CliFileEncTest, NextRunRemovesTheTemporaryFileOfAKilledOne) {
    Data plain(8 << 20, 'k');
    writeData(path("big.txt"), plain);
    ASSERT_EQ(cli("encrypt-file " + path("big.txt"), "password1\n").status, 0);
    bool leftOne = false;
    for (int attempt = 0; attempt < 20 && !leftOne; ++attempt) {
        // Start a decryption with the password on a pipe and kill it once its temporary file shows.
        int in[2];
        ASSERT_EQ(::pipe(in), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(in[0], 0);
            ::close(in[1]);
            const std::string encrypted = path("big.~~~");
            ::execl(QUORVANE_CLI_PATH, QUORVANE_CLI_PATH, "decrypt-file", encrypted.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        [[maybe_unused]] ssize_t n = ::write(in[1], "password1\n", 10);
        ::close(in[1]);
        for (int i = 0; i < 2000 && !leftOne; ++i) {
            for (const std::string& name : files())
                leftOne = leftOne || name.find(".quorvane-") != std::string::npos;
            if (!leftOne)
                ::usleep(200);
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        if (fs::exists(path("big.txt"))) {  // it finished first: encrypt again and start over
            ASSERT_EQ(cli("encrypt-file " + path("big.txt"), "password1\n").status, 0);
        }
        leftOne = false;
        for (const std::string& name : files())
            leftOne = leftOne || name.find(".quorvane-") != std::string::npos;
    }
    if (!leftOne)
        GTEST_SKIP() << "no decryption was caught with its temporary file";
    CliRun next = cli("classify " + path("big.~~~"));
    EXPECT_EQ(next.out, "encrypted\n");
    EXPECT_EQ(files(), std::vector<std::string>{"big.~~~"});
}

}  // namespace
