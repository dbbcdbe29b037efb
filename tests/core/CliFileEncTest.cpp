// quorvane-cli encrypt-file, decrypt-file and classify, run as a separate program with the
// password on standard input. Files built here with OpenSSL straight from the format's byte table
// check that the tool reads what another writer of the format produces.

// OpenSSL's BF_* and SHA1 calls are deprecated in OpenSSL 3 but remain the handiest oracle.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <gtest/gtest.h>
#include <openssl/blowfish.h>
#include <openssl/sha.h>

#include "TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
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

    CliRun enc = cli("encrypt-file " + path("hello.txt"), "password1\n");
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

        // And back again: the same bytes as the other writer's.
        CliRun enc = cli("encrypt-file " + path("in.bin"), "an independent key\n");
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
    EXPECT_EQ(readData(path("doc.~~~")).size(), plain.size() + 52);
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
    };
    for (const Case& c : cases) {
        CliRun run = cli("classify " + path(c.name));
        EXPECT_EQ(run.status, c.exitCode) << c.name;
        EXPECT_EQ(run.out, c.out) << c.name;
        EXPECT_EQ(run.err, c.err) << c.name;
    }
}

}  // namespace
