// quorvane-cli with the strong forms, run as a separate program: what it writes by default and with
// --legacy, info without a password, refusals of damaged files with nothing on standard output, and an
// independent reader (tests/core/independent_reader.py, written from docs/file-formats.md on
// argon2-cffi, hashlib and python3-cryptography) reading what it wrote and writing what it reads.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestSupport.h"

namespace {

namespace fs = std::filesystem;
const std::string kPassword = "strong password";
const std::string kReader = std::string(QUORVANE_TEST_DATA) + "/../core/independent_reader.py";

bool haveIndependentReader() {
    return std::system("/usr/bin/python3 -c 'import cryptography.hazmat.primitives.poly1305, argon2.low_level' "
                       ">/dev/null 2>&1") == 0;
}

struct ReaderRun {
    int status = -1;
    std::string out;
    Data contents;
};

ReaderRun readIndependently(const TempDir& dir, const std::string& file, const std::string& password) {
    const std::string out = dir.file("reader.out"), log = dir.file("reader.log");
    const std::string command =
        "/usr/bin/python3 '" + kReader + "' '" + file + "' '" + password + "' '" + out + "' >'" + log + "' 2>&1";
    ReaderRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = slurp(log);
    if (run.status == 0) run.contents = readData(out);
    fs::remove(out);
    return run;
}

Data pattern(std::size_t length) {
    Data data(length);
    for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<std::uint8_t>((i * 131) ^ (i >> 9));
    return data;
}

TEST(CliStrong, NewFilesAreStrongAndAnIndependentReaderOpensThem) {
    if (!haveIndependentReader()) GTEST_SKIP() << "python3-cryptography and python3-argon2 are not installed";
    TempDir dir("clistrong");
    // Three chunks of the 2 MiB the program writes, the last one short (3 bytes past a multiple of 16,
    // where the stream's MAC padding differs from RFC 8439's).
    const Data plain = pattern(5 * 1024 * 1024 + 3);
    writeData(dir.file("big.bin"), plain);
    ASSERT_EQ(runCli({"encrypt-file", dir.file("big.bin")}, kPassword + "\n" + kPassword + "\n").status, 0);
    ReaderRun file = readIndependently(dir, dir.file("big.~~~"), kPassword);
    ASSERT_EQ(file.status, 0) << file.out;
    EXPECT_TRUE(file.contents == plain);
    EXPECT_NE(file.out.find("chunk=2097152 chunks=3 tail=bin"), std::string::npos) << file.out;
    EXPECT_NE(readIndependently(dir, dir.file("big.~~~"), kPassword + "x").out.find("wrong password"),
              std::string::npos);

    // A new document: its cards are the bytes its plain conversion holds after the header.
    const std::string doc = dir.file("cards.qve");
    ASSERT_EQ(runCli({"add", doc, "--category", "WWW Sites", "--name", "Bank", "--url", "https://bank.example",
                      "--user", "alice", "--note", "caf\xC3\xA9"},
                     kPassword + "\n" + kPassword + "\n")
                  .status,
              0);
    ASSERT_EQ(runCli({"convert", doc, dir.file("plain.qvf"), "--plain"}, kPassword + "\n").status, 0);
    ReaderRun cards = readIndependently(dir, doc, kPassword);
    ASSERT_EQ(cards.status, 0) << cards.out;
    const Data plainDoc = readData(dir.file("plain.qvf"));
    EXPECT_TRUE(cards.contents == Data(plainDoc.begin() + 22, plainDoc.end()));
}

TEST(CliStrong, FilesTheIndependentWriterMakesAreRead) {
    if (!haveIndependentReader()) GTEST_SKIP() << "python3-cryptography and python3-argon2 are not installed";
    TempDir dir("clistrong");
    fs::create_directory(dir.file("src"));
    struct Case {
        std::size_t chunk, length;
    };
    // Chunk lengths of every remainder mod 16 but 0 and 8 show a MAC padded the wrong way.
    for (const Case c : {Case{1001, 3 * 1001 + 37}, Case{13, 13 * 4 + 7}, Case{5000, 3}}) {
        SCOPED_TRACE(c.length);
        const Data plain = pattern(c.length);
        writeData(dir.file("src/sent.txt"), plain);
        const std::string command = "/usr/bin/python3 '" + kReader + "' --write '" + dir.file("src/sent.txt") + "' '" +
                                    kPassword + "' '" + dir.file("sent.~~~") + "' " + std::to_string(c.chunk) +
                                    " >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        CliRun dec = runCli({"decrypt-file", dir.file("sent.~~~")}, kPassword + "\n");
        ASSERT_EQ(dec.status, 0) << dec.err;
        EXPECT_TRUE(readData(dir.file("sent.txt")) == plain);
        fs::remove(dir.file("sent.txt"));
    }
}

TEST(CliStrong, RealCostsAreTunedAndShownWithoutAPassword) {
    if (!haveIndependentReader()) GTEST_SKIP() << "python3-cryptography and python3-argon2 are not installed";
    TempDir dir("clistrong");
    writeData(dir.file("note.txt"), pattern(1001));
    // The tuned costs, as a person gets them from a build not made for the tests, even with the cheap
    // keys of the tests left in the environment: that build says it ignores the switch.
    ASSERT_STREQ(std::getenv("QUORVANE_TEST_KDF"), "1,8");
    CliRun enc = runCliWithoutTestSwitches({"encrypt-file", dir.file("note.txt")}, kPassword + "\n" + kPassword + "\n");
    ASSERT_EQ(enc.status, 0) << enc.err;
    EXPECT_NE(enc.err.find("Quorvane ignores QUORVANE_TEST_KDF: it is a switch for the tests"), std::string::npos)
        << enc.err;
    CliRun info = runCli({"info", dir.file("note.~~~")});  // no password on standard input
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("form: strong"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("memory: 262144 KiB (256 MiB)"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("salt: "), std::string::npos) << info.out;
    ReaderRun file = readIndependently(dir, dir.file("note.~~~"), kPassword);
    ASSERT_EQ(file.status, 0) << file.out;
    EXPECT_TRUE(file.contents == pattern(1001));
}

TEST(CliStrong, FormsOnRequestAndDamageRefusedWithNothingOnStandardOutput) {
    TempDir dir("clistrong");
    const std::string plainDoc = std::string(QUORVANE_TEST_DATA) + "/plain-cards.qvf";
    struct Case {
        std::vector<std::string> flags;
        char kind;
        std::string info;
    };
    const Case cases[] = {
        {{"--encrypt"}, '\x03', "form: strong"},
        {{"--encrypt", "--legacy"}, '\x01', "form: old"},
    };
    for (const Case& c : cases) {
        const std::string out = dir.file("out.qve");
        std::vector<std::string> args{"convert", plainDoc, out};
        args.insert(args.end(), c.flags.begin(), c.flags.end());
        ASSERT_EQ(runCli(args, kPassword + "\n" + kPassword + "\n").status, 0);
        EXPECT_EQ(slurp(out)[12], c.kind);
        EXPECT_NE(runCli({"info", out}).out.find(c.info), std::string::npos);
        CliRun ls = runCli({"ls", out}, kPassword + "\n");
        EXPECT_EQ(ls.status, 0) << ls.err;
        fs::remove(out);
    }
    // A strong document stays strong unless asked; to the old form it needs a password of its own.
    const std::string strong = dir.file("strong.qve");
    ASSERT_EQ(runCli({"convert", plainDoc, strong, "--encrypt"}, kPassword + "\n" + kPassword + "\n").status, 0);
    ASSERT_EQ(runCli({"convert", strong, dir.file("kept.qve")}, kPassword + "\n").status, 0);
    EXPECT_EQ(slurp(dir.file("kept.qve"))[12], '\x03');
    ASSERT_EQ(runCli({"convert", strong, dir.file("old.qve"), "--encrypt", "--legacy"},
                     kPassword + "\n" + "other password\nother password\n")
                  .status,
              0);
    EXPECT_EQ(runCli({"ls", dir.file("old.qve")}, "other password\n").status, 0);

    // A changed byte: exit 1, the message, and not one card on standard output.
    std::string bytes = slurp(strong);
    bytes[bytes.size() - 20] ^= 0x01;
    writeData(dir.file("changed.qve"), Data(bytes.begin(), bytes.end()));
    for (const char* command : {"dump", "ls"}) {
        CliRun run = runCli({command, dir.file("changed.qve")}, kPassword + "\n");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("changed.qve was changed or damaged; nothing was read."), std::string::npos) << run.err;
    }
    // The same for a ~~~ file: nothing restored, the file kept.
    writeData(dir.file("x.txt"), pattern(300));
    ASSERT_EQ(runCli({"encrypt-file", dir.file("x.txt")}, kPassword + "\n" + kPassword + "\n").status, 0);
    std::string sealed = slurp(dir.file("x.~~~"));
    sealed[150] ^= 0x40;
    writeData(dir.file("x.~~~"), Data(sealed.begin(), sealed.end()));
    CliRun dec = runCli({"decrypt-file", dir.file("x.~~~")}, kPassword + "\n");
    EXPECT_EQ(dec.status, 1);
    EXPECT_NE(dec.err.find("x.~~~ was changed or damaged; nothing was read."), std::string::npos) << dec.err;
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"changed.qve", "kept.qve", "old.qve", "strong.qve", "x.~~~"}));
}

}  // namespace
