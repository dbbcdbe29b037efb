// Encrypting and decrypting files into "~~~" files: the layout on disk, the round trip of every
// length, the names, and what survives each failure.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "common/SafeFile.h"
#include "crypto/Blowfish.h"
#include "crypto/Sha1.h"
#include "fileenc/EncryptedFileFormat.h"
#include "fileenc/FileEncryption.h"

namespace {

namespace fs = std::filesystem;

const std::string kPassword = "correct horse";

class ScriptPrompter : public Prompter {
public:
    std::vector<std::string> messages;
    std::vector<std::string> replaceQuestions;
    bool replaceAnswer = false;
    void showMessage(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
    bool confirmReplace(const std::string& path) override {
        replaceQuestions.push_back(replaceQuestionText(path));
        return replaceAnswer;
    }
};

Data randomData(std::size_t length, unsigned seed) {
    std::mt19937 rng(seed);
    Data data(length);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(rng());
    return data;
}

std::string text(const Data& data, std::size_t offset, std::size_t length) {
    return std::string(reinterpret_cast<const char*>(data.data()) + offset, length);
}

// The body as the format fixes it, built one block at a time: whole blocks enciphered alone; the
// last N mod 8 bytes XORed with the encipherment of the ciphertext block before them (or of zeros).
Data expectedBody(const Data& plain, const std::string& password) {
    const BlowfishKey key(password);
    Data body = plain;
    const std::size_t whole = plain.size() / 8 * 8;
    for (std::size_t i = 0; i < whole; i += 8)
        key.EncryptBlocks(body.data() + i, 1);
    if (whole < plain.size()) {
        std::uint8_t pad[8] = {};
        if (whole >= 8)
            std::memcpy(pad, body.data() + whole - 8, 8);
        key.EncryptBlocks(pad, 1);
        for (std::size_t i = whole; i < plain.size(); ++i)
            body[i] ^= pad[i - whole];
    }
    return body;
}

class FileEncryptionTest : public ::testing::Test {
protected:
    void TearDown() override {
        setWriteFailureAfterBytes(std::nullopt);
        setFileChunkBytes(std::nullopt);
    }
    std::string path(const std::string& name) const { return m_temp.file(name); }
    std::vector<std::string> filesInDir() const { return m_temp.entries(); }
    FileEncryptionState stateFor(const std::string& file, const std::string& password = kPassword) const {
        FileEncryptionState state;
        state.FileEncryptionPassword = password;
        state.PasswordIsSet = !password.empty();
        state.SelectedFile = file;
        state.EncryptInOldForm = true;  // these tests pin the old form byte for byte (StrongFormTest the new one)
        return state;
    }
    // Encrypts `plain` saved as `name` and returns the encrypted file's path.
    std::string makeEncrypted(const std::string& name, const Data& plain, const std::string& password = kPassword) {
        writeData(path(name), plain);
        FileEncryptionState state = stateFor(path(name), password);
        ScriptPrompter ui;
        FileOpResult r = EncryptSelectedFile(state, ui);
        EXPECT_EQ(r.status, FileOpStatus::Done);
        return r.outputPath;
    }

    TempDir m_temp{"quorvane-fileenc"};
    const std::string dir = m_temp.path();
};

// ---------------------------------------------------------------------------------------------
// Every length comes back byte for byte, and the file on disk is the body plus the trailer.

class RoundTripTest : public FileEncryptionTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(RoundTripTest, EncryptsToTheFixedLayoutAndRestoresEveryByte) {
    const std::size_t n = GetParam();
    const Data plain = randomData(n, static_cast<unsigned>(n));
    writeData(path("data.bin"), plain);

    FileEncryptionState state = stateFor(path("data.bin"));
    state.CanEncrypt = true;
    ScriptPrompter ui;
    FileOpResult enc = EncryptSelectedFile(state, ui);
    ASSERT_EQ(enc.status, FileOpStatus::Done);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(enc.outputPath, path("data.~~~"));
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"data.~~~"});
    EXPECT_EQ(state.SelectedFile, path("data.~~~"));
    EXPECT_FALSE(state.CanEncrypt);
    EXPECT_TRUE(state.IsEncrypted);
    EXPECT_EQ(fs::status(path("data.~~~")).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    const Data file = readData(path("data.~~~"));
    ASSERT_EQ(file.size(), n + 52);
    EXPECT_TRUE(Data(file.begin(), file.begin() + static_cast<long>(n)) == expectedBody(plain, kPassword));
    const Sha1Bytes digest = Sha1Digest(kPassword);
    EXPECT_EQ(text(file, n, 20), std::string(digest.begin(), digest.end()));
    EXPECT_EQ(text(file, n + 20, 8), "QrVnEncr");
    EXPECT_EQ(text(file, n + 28, 3), "bin");
    EXPECT_EQ(text(file, n + 31, 21), "QuorvanVersion2.0.0.0");
    EXPECT_EQ(IsEncryptedFile(path("data.~~~"), ui), 1);

    FileOpResult dec = DecryptSelectedFile(state, ui);
    ASSERT_EQ(dec.status, FileOpStatus::Done);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"data.bin"});
    EXPECT_TRUE(readData(path("data.bin")) == plain);
    EXPECT_EQ(state.SelectedFile, path("data.bin"));
    EXPECT_TRUE(state.CanEncrypt);
    EXPECT_FALSE(state.IsEncrypted);
}

// Several MiB cross the 65,535-block limit of one cipher call; the last one ends in a partial block.
// The largest go through in several chunks of the default size, one ending in a partial block too
// short to be a chunk of its own.
INSTANTIATE_TEST_SUITE_P(Lengths, RoundTripTest,
                         ::testing::Values(1, 3, 7, 8, 13, 16, 1024, 1025, 5 * 1024 * 1024 + 5,
                                           2 * kDefaultFileChunkBytes + 3));

// ---------------------------------------------------------------------------------------------
// Streaming: the body goes through in chunks, here of 64 bytes, and the file on disk is the same
// as from one pass over the whole body, whichever chunk the last partial block falls in.

TEST_F(FileEncryptionTest, ChunkedBodyIsTheSameAsTheWholeBodyAtEveryBoundary) {
    setFileChunkBytes(64);
    for (std::size_t n : {1, 7, 8, 9, 63, 64, 65, 71, 72, 127, 128, 129, 135, 136, 64 * 37 + 5, 64 * 37 + 12}) {
        SCOPED_TRACE(n);
        const Data plain = randomData(n, static_cast<unsigned>(n) + 100);
        writeData(path("chunked.bin"), plain);
        FileEncryptionState state = stateFor(path("chunked.bin"));
        ScriptPrompter ui;
        ASSERT_EQ(EncryptSelectedFile(state, ui).status, FileOpStatus::Done);
        const Data file = readData(path("chunked.~~~"));
        ASSERT_EQ(file.size(), n + 52);
        EXPECT_TRUE(Data(file.begin(), file.begin() + static_cast<long>(n)) == expectedBody(plain, kPassword));
        EXPECT_EQ(text(file, n + 20, 8), "QrVnEncr");

        ASSERT_EQ(DecryptSelectedFile(state, ui).status, FileOpStatus::Done);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_TRUE(readData(path("chunked.bin")) == plain);
        fs::remove(path("chunked.bin"));
    }
}

TEST_F(FileEncryptionTest, ProgressRisesOnTheCallingThreadToTheTotal) {
    setFileChunkBytes(64);
    const std::size_t n = 64 * 20 + 3;  // 20 chunks, the last one 67 bytes
    const Data plain = randomData(n, 11);
    writeData(path("big.dat"), plain);
    const auto caller = std::this_thread::get_id();
    for (bool encrypt : {true, false}) {
        SCOPED_TRACE(encrypt ? "encrypt" : "decrypt");
        std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
        bool onCaller = true;
        FileProgress progress = [&](std::uint64_t done, std::uint64_t total) {
            calls.emplace_back(done, total);
            onCaller = onCaller && std::this_thread::get_id() == caller;
            return true;
        };
        FileEncryptionState state = stateFor(path(encrypt ? "big.dat" : "big.~~~"));
        ScriptPrompter ui;
        FileOpResult r = encrypt ? EncryptSelectedFile(state, ui, progress) : DecryptSelectedFile(state, ui, progress);
        ASSERT_EQ(r.status, FileOpStatus::Done);
        EXPECT_TRUE(onCaller);
        ASSERT_EQ(calls.size(), 21u);  // before the first chunk, then after each
        EXPECT_EQ(calls.front().first, 0u);
        EXPECT_EQ(calls.back().first, n);
        for (std::size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(calls[i].second, n) << i;
            if (i > 0) {
                EXPECT_GT(calls[i].first, calls[i - 1].first) << i;
            }
        }
    }
    EXPECT_TRUE(readData(path("big.dat")) == plain);
}

TEST_F(FileEncryptionTest, CancelAtAnyChunkChangesNoFile) {
    setFileChunkBytes(64);
    const Data plain = randomData(64 * 9 + 5, 12);  // 9 chunks: 10 progress calls
    const std::string encrypted = makeEncrypted("doc.txt", plain);
    const Data stored = readData(encrypted);
    writeData(path("doc.txt"), plain);
    const Data old = {'o', 'l', 'd'};

    for (bool encrypt : {true, false}) {
        for (int cancelAt : {1, 2, 5, 10}) {
            SCOPED_TRACE(std::string(encrypt ? "encrypt" : "decrypt") + ", cancel at call " + std::to_string(cancelAt));
            // The output name is taken by an older file that may be replaced, but only by a finished one.
            const std::string input = encrypt ? path("doc.txt") : encrypted;
            const std::string output = encrypt ? encrypted : path("doc.txt");
            const Data inputBytes = readData(input);
            writeData(output, old);
            int calls = 0;
            FileProgress progress = [&](std::uint64_t, std::uint64_t) { return ++calls < cancelAt; };
            FileEncryptionState state = stateFor(input);
            ScriptPrompter ui;
            ui.replaceAnswer = true;
            FileOpResult r =
                encrypt ? EncryptSelectedFile(state, ui, progress) : DecryptSelectedFile(state, ui, progress);
            EXPECT_EQ(r.status, FileOpStatus::Cancelled);
            EXPECT_FALSE(r.outputWritten());
            EXPECT_EQ(calls, cancelAt);
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(filesInDir(), (std::vector<std::string>{"doc.txt", "doc.~~~"}));
            EXPECT_TRUE(readData(input) == inputBytes);
            EXPECT_TRUE(readData(output) == old);
            EXPECT_EQ(state.SelectedFile, input);
            writeData(output, encrypt ? stored : plain);
        }
    }
}

// A hole of a tebibyte before the trailer: only the trailer is read to refuse a wrong password,
// and a cancel before the first chunk reads nothing more.
TEST_F(FileEncryptionTest, PasswordIsCheckedFromTheTrailerAloneBeforeTheBodyIsRead) {
    const std::string small = makeEncrypted("huge.txt", randomData(16, 13));
    Data trailer = readData(small);
    trailer.erase(trailer.begin(), trailer.begin() + 16);
    const std::uint64_t body = std::uint64_t{1} << 40;
    {
        std::ofstream{path("huge.~~~")};
    }
    if (::truncate(path("huge.~~~").c_str(), static_cast<off_t>(body)) != 0)
        GTEST_SKIP() << "this file system holds no sparse file of 1 TiB";
    std::ofstream(path("huge.~~~"), std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(trailer.data()), static_cast<std::streamsize>(trailer.size()));
    ASSERT_EQ(fs::file_size(path("huge.~~~")), body + 52);

    FileEncryptionState state = stateFor(path("huge.~~~"), "not the password");
    ScriptPrompter ui;
    EXPECT_EQ(DecryptSelectedFile(state, ui).status, FileOpStatus::WrongPassword);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Password not correct,try again!"});

    state.FileEncryptionPassword = kPassword;
    std::vector<std::uint64_t> totals;
    FileOpResult r = DecryptSelectedFile(state, ui, [&](std::uint64_t done, std::uint64_t total) {
        totals.push_back(total);
        return done != 0;  // stop before the first chunk
    });
    EXPECT_EQ(r.status, FileOpStatus::Cancelled);
    EXPECT_EQ(totals, std::vector<std::uint64_t>{body});
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"huge.~~~"});
}

// The input shrinks while it is being read (another program truncates it): the read step's
// message, and no output.
TEST_F(FileEncryptionTest, InputThatShrinksWhileStreamingFailsWithTheReadMessage) {
    setFileChunkBytes(64);
    const Data plain = randomData(64 * 50, 14);
    const std::string encrypted = makeEncrypted("shrink.txt", plain);
    writeData(path("shrink.txt"), plain);
    struct Case {
        std::string input;
        bool encrypt;
        const char* message;
    };
    const Case cases[] = {{path("shrink.txt"), true, "Not all bytes read!"},
                          {encrypted, false, "Bytes not read correctly"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        int calls = 0;
        FileProgress progress = [&](std::uint64_t, std::uint64_t) {
            if (++calls == 2) {
                EXPECT_EQ(::truncate(c.input.c_str(), 64 * 10), 0);
            }
            return true;
        };
        FileEncryptionState state = stateFor(c.input);
        ScriptPrompter ui;
        ui.replaceAnswer = true;
        FileOpResult r =
            c.encrypt ? EncryptSelectedFile(state, ui, progress) : DecryptSelectedFile(state, ui, progress);
        EXPECT_EQ(r.status, FileOpStatus::Failed);
        EXPECT_EQ(ui.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(filesInDir(), (std::vector<std::string>{"shrink.txt", "shrink.~~~"}));
        EXPECT_EQ(state.SelectedFile, c.input);
    }
}

TEST_F(FileEncryptionTest, SixteenByteFileHasTheDocumentedOffsetsAndCodebookBlocks) {
    // Two equal blocks: in codebook mode they encipher to equal blocks.
    const Data plain = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
    const std::string encrypted = makeEncrypted("notes.txt", plain);
    const Data file = readData(encrypted);
    ASSERT_EQ(file.size(), 68u);
    EXPECT_TRUE(Data(file.begin(), file.begin() + 8) == Data(file.begin() + 8, file.begin() + 16));
    EXPECT_TRUE(Data(file.begin(), file.begin() + 16) == expectedBody(plain, kPassword));
    const Sha1Bytes digest = Sha1Digest(kPassword);
    EXPECT_EQ(text(file, 16, 20), std::string(digest.begin(), digest.end()));
    EXPECT_EQ(text(file, 36, 8), "QrVnEncr");
    EXPECT_EQ(text(file, 44, 3), "txt");
    EXPECT_EQ(text(file, 47, 21), "QuorvanVersion2.0.0.0");
}

TEST_F(FileEncryptionTest, TrailerOfFiftyTwoBytesAloneRestoresAnEmptyFile) {
    const Data plain = {1};
    std::string encrypted = makeEncrypted("one.dat", plain);
    Data file = readData(encrypted);
    file.erase(file.begin());  // drop the one body byte: N = 0
    writeData(encrypted, file);
    FileEncryptionState state = stateFor(encrypted);
    ScriptPrompter ui;
    ASSERT_EQ(DecryptSelectedFile(state, ui).status, FileOpStatus::Done);
    EXPECT_TRUE(readData(path("one.dat")).empty());
}

TEST_F(FileEncryptionTest, OtherVersionTextStillDecrypts) {
    const Data plain = randomData(40, 7);
    std::string encrypted = makeEncrypted("log.txt", plain);
    Data file = readData(encrypted);
    std::memcpy(file.data() + file.size() - 21, "SomeOtherVersion9.9.9", 21);
    writeData(encrypted, file);
    FileEncryptionState state = stateFor(encrypted);
    ScriptPrompter ui;
    ASSERT_EQ(DecryptSelectedFile(state, ui).status, FileOpStatus::Done);
    EXPECT_TRUE(readData(path("log.txt")) == plain);
}

// ---------------------------------------------------------------------------------------------
// Names by character position.

TEST(EncryptedFileNames, LastThreeCharactersAreReplacedAndRestored) {
    struct Case {
        const char* source;
        const char* encrypted;
        const char* tail;  // as stored (Windows-1252)
    };
    const Case cases[] = {
        {"/d/report.txt", "/d/report.~~~", "txt"},
        {"/d/README", "/d/REA~~~", "DME"},
        {"/d/a.c", "/d/~~~", "a.c"},
        {"/d/caf\xC3\xA9", "/d/c~~~", "af\xE9"},  // é is one character, stored as one byte
        {"/d/x\xE2\x82\xAC"
         "ab",
         "/d/x~~~",
         "\x80"
         "ab"},  // so is €
        {"rel.doc", "rel.~~~", "doc"},
    };
    for (const Case& c : cases) {
        auto name = encryptedNameFor(c.source);
        ASSERT_TRUE(name) << c.source;
        EXPECT_EQ(name->path, c.encrypted) << c.source;
        EXPECT_EQ(name->nameTail, c.tail) << c.source;
        EXPECT_EQ(decryptedPathFor(name->path, name->nameTail), std::string(c.source)) << c.source;
    }
}

TEST(EncryptedFileNames, NamesThatWouldLeaveTheFolderOrCannotBeStoredAreRefused) {
    // Fewer than three characters in the file name: the new name would reach into the folder part.
    EXPECT_FALSE(encryptedNameFor("/d/ab"));
    EXPECT_FALSE(encryptedNameFor("/d/"));
    EXPECT_FALSE(encryptedNameFor("/d/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"));  // no Windows-1252 form
    EXPECT_FALSE(encryptedNameFor("/d/bad\xFF"));                               // not UTF-8
    EXPECT_FALSE(decryptedPathFor("/d/ab", "txt"));
    EXPECT_FALSE(decryptedPathFor("/d/x~~~", "a/b"));
    EXPECT_FALSE(decryptedPathFor("/d/x~~~", std::string("a\0b", 3)));
    EXPECT_FALSE(decryptedPathFor("/d/x~~~", "ab"));
}

TEST_F(FileEncryptionTest, RenamedEncryptedFileTakesOnlyTheTailFromTheFile) {
    const Data plain = randomData(100, 3);
    const std::string encrypted = makeEncrypted("report.txt", plain);
    fs::rename(encrypted, path("other.~~~"));
    FileEncryptionState state = stateFor(path("other.~~~"));
    ScriptPrompter ui;
    FileOpResult r = DecryptSelectedFile(state, ui);
    ASSERT_EQ(r.status, FileOpStatus::Done);
    EXPECT_EQ(r.outputPath, path("other.txt"));
    EXPECT_EQ(filesInDir(), std::vector<std::string>{"other.txt"});
    EXPECT_TRUE(readData(path("other.txt")) == plain);
}

// ---------------------------------------------------------------------------------------------
// Failures: the message, and every file and the state as they were.

TEST_F(FileEncryptionTest, EncryptRefusalsLeaveEverythingAlone) {
    struct Case {
        const char* name;  // file to create ("" for none)
        std::size_t length;
        const char* selected;  // the selection
        std::string password;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"", 0, "missing.txt", kPassword, {"Could not open file"}},
        {"", 0, ".", kPassword, {"Could not open file"}},  // a folder
        {"empty.txt", 0, "empty.txt", kPassword, {"File is empty, cannot encrypt."}},
        {"plain.txt", 10, "plain.txt", "", {"Password not set!"}},
        {"ab", 10, "ab", kPassword, {kMsgNameTooShort}},
        {"x.~~~", 10, "x.~~~", kPassword, {kMsgAlreadyEndsInTildes}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected);
        const Data plain = randomData(c.length, 1);
        if (*c.name)
            writeData(path(c.name), plain);
        const auto before = filesInDir();
        FileEncryptionState state = stateFor(path(c.selected), c.password);
        state.CanEncrypt = true;
        ScriptPrompter ui;
        FileOpResult r = EncryptSelectedFile(state, ui);
        EXPECT_EQ(r.status, FileOpStatus::Failed);
        EXPECT_EQ(ui.messages, c.messages);
        EXPECT_EQ(filesInDir(), before);
        if (*c.name) {
            EXPECT_TRUE(readData(path(c.name)) == plain);
        }
        EXPECT_EQ(state.SelectedFile, path(c.selected));
        EXPECT_TRUE(state.CanEncrypt);
        EXPECT_FALSE(state.IsEncrypted);
        if (*c.name)
            fs::remove(path(c.name));
    }

    // A link: deleting it would leave the file it points to readable, so it is refused.
    const Data plain = randomData(40, 2);
    writeData(path("target.txt"), plain);
    fs::create_symlink(path("target.txt"), path("link.txt"));
    FileEncryptionState state = stateFor(path("link.txt"), kPassword);
    ScriptPrompter ui;
    EXPECT_EQ(EncryptSelectedFile(state, ui).status, FileOpStatus::Failed);
    EXPECT_EQ(ui.messages, std::vector<std::string>{kMsgSourceIsLink});
    EXPECT_EQ(filesInDir(), (std::vector<std::string>{"link.txt", "target.txt"}));
    EXPECT_TRUE(readData(path("target.txt")) == plain);
}

TEST_F(FileEncryptionTest, DecryptRefusalsLeaveEverythingAlone) {
    const std::string good = makeEncrypted("good.txt", randomData(30, 2));
    Data tildeTail = readData(good);
    std::memcpy(tildeTail.data() + tildeTail.size() - 24, "~~~", 3);
    Data slashTail = readData(good);
    std::memcpy(slashTail.data() + slashTail.size() - 24, "a/b", 3);

    struct Case {
        const char* name;
        Data content;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"empty.~~~", {}, {"File is empty, can not decrypt"}},
        {"one.~~~", Data(1, 'x'), {kMsgEncryptedFileTooShort}},
        {"short.~~~", Data(51, 'x'), {kMsgEncryptedFileTooShort}},
        {"x.~~~", tildeTail, {kMsgRestoredNameIsInput}},  // would restore onto itself
        {"slash.~~~", slashTail, {kMsgStoredNameUnusable}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeData(path(c.name), c.content);
        const auto before = filesInDir();
        FileEncryptionState state = stateFor(path(c.name));
        state.IsEncrypted = true;
        ScriptPrompter ui;
        EXPECT_EQ(DecryptSelectedFile(state, ui).status, FileOpStatus::Failed);
        EXPECT_EQ(ui.messages, c.messages);
        EXPECT_EQ(filesInDir(), before);
        EXPECT_TRUE(readData(path(c.name)) == c.content);
        EXPECT_EQ(state.SelectedFile, path(c.name));
        EXPECT_TRUE(state.IsEncrypted);
        fs::remove(path(c.name));
    }
    FileEncryptionState state = stateFor(path("missing.~~~"));
    ScriptPrompter ui;
    EXPECT_EQ(DecryptSelectedFile(state, ui).status, FileOpStatus::Failed);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Could not open file"});
}

TEST_F(FileEncryptionTest, WrongPasswordChangesNothingAndTheRightOneThenSucceeds) {
    const Data plain = randomData(77, 5);
    const std::string encrypted = makeEncrypted("secret.txt", plain);
    const Data stored = readData(encrypted);

    struct Attempt {
        std::string password;
        std::vector<std::string> messages;
    };
    const Attempt attempts[] = {
        {"not the password", {"Password not correct,try again!"}},
        {"", {"Password not set !", "Password not correct,try again!"}},
    };
    FileEncryptionState state = stateFor(encrypted);
    state.IsEncrypted = true;
    for (const Attempt& a : attempts) {
        state.FileEncryptionPassword = a.password;
        ScriptPrompter ui;
        EXPECT_EQ(DecryptSelectedFile(state, ui).status, FileOpStatus::WrongPassword);
        EXPECT_EQ(ui.messages, a.messages);
        EXPECT_EQ(filesInDir(), std::vector<std::string>{"secret.~~~"});
        EXPECT_TRUE(readData(encrypted) == stored);
        EXPECT_EQ(state.SelectedFile, encrypted);
        EXPECT_TRUE(state.IsEncrypted);
    }
    state.FileEncryptionPassword = kPassword;
    ScriptPrompter ui;
    ASSERT_EQ(DecryptSelectedFile(state, ui).status, FileOpStatus::Done);
    EXPECT_TRUE(readData(path("secret.txt")) == plain);
}

TEST_F(FileEncryptionTest, ExistingOutputIsReplacedOnlyWhenTheAnswerIsYes) {
    const Data plain = randomData(20, 8);
    const Data other = {'k', 'e', 'e', 'p'};
    for (bool encrypt : {true, false}) {
        for (bool answer : {false, true}) {
            SCOPED_TRACE(std::string(encrypt ? "encrypt" : "decrypt") + (answer ? " yes" : " no"));
            fs::remove_all(dir);
            fs::create_directory(dir);
            std::string input, output;
            if (encrypt) {
                input = path("a.txt"), output = path("a.~~~");
                writeData(input, plain);
            } else {
                input = makeEncrypted("a.txt", plain), output = path("a.txt");
            }
            const Data inputBytes = readData(input);
            writeData(output, other);

            FileEncryptionState state = stateFor(input);
            ScriptPrompter ui;
            ui.replaceAnswer = answer;
            FileOpResult r = encrypt ? EncryptSelectedFile(state, ui) : DecryptSelectedFile(state, ui);
            EXPECT_EQ(ui.replaceQuestions,
                      std::vector<std::string>{output + " already exists. Do you want to replace it?"});
            EXPECT_TRUE(ui.messages.empty());
            if (answer) {
                EXPECT_EQ(r.status, FileOpStatus::Done);
                EXPECT_FALSE(fs::exists(input));
                EXPECT_EQ(readData(output).size(), encrypt ? plain.size() + 52 : plain.size());
            } else {
                EXPECT_EQ(r.status, FileOpStatus::Declined);
                EXPECT_TRUE(readData(input) == inputBytes);
                EXPECT_TRUE(readData(output) == other);
                EXPECT_EQ(state.SelectedFile, input);
            }
        }
    }
}

TEST_F(FileEncryptionTest, OutputThatIsALinkToTheInputIsRefusedBeforeAnyQuestion) {
    // Replacing it would write through the link into the input and then delete the input.
    const Data plain = randomData(20, 9);
    for (bool encrypt : {true, false}) {
        SCOPED_TRACE(encrypt ? "encrypt" : "decrypt");
        fs::remove_all(dir);
        fs::create_directory(dir);
        std::string input, output;
        if (encrypt) {
            input = path("a.txt"), output = path("a.~~~");
            writeData(input, plain);
        } else {
            input = makeEncrypted("a.txt", plain), output = path("a.txt");
        }
        fs::create_symlink(input, output);
        const Data inputBytes = readData(input);

        FileEncryptionState state = stateFor(input);
        ScriptPrompter ui;
        ui.replaceAnswer = true;
        FileOpResult r = encrypt ? EncryptSelectedFile(state, ui) : DecryptSelectedFile(state, ui);
        EXPECT_EQ(r.status, FileOpStatus::Failed);
        EXPECT_EQ(ui.messages, std::vector<std::string>{kMsgOutputIsInput});
        EXPECT_TRUE(ui.replaceQuestions.empty());
        EXPECT_TRUE(readData(input) == inputBytes);
        EXPECT_TRUE(fs::is_symlink(output));
        EXPECT_EQ(state.SelectedFile, input);
    }
}

TEST_F(FileEncryptionTest, FailedWriteKeepsTheInputAndReportsTheStep) {
    const Data plain = randomData(300, 9);
    const std::string encrypted = makeEncrypted("keep.txt", plain);
    const Data stored = readData(encrypted);
    writeData(path("plain.txt"), plain);

    struct Case {
        std::string input;
        bool encrypt;
        const char* step;
    };
    const Case cases[] = {{path("plain.txt"), true, "WriteEncryptedFileToDisk() Error"},
                          {encrypted, false, "WriteBytesToDisk() Error"}};
    // The disk fills up before the first byte, inside the body, at the trailer, one byte short; in
    // one chunk, and in chunks of 64 bytes (the limits at 64 and 128 fall between two of them).
    for (std::size_t chunk : {kDefaultFileChunkBytes, std::size_t{64}})
    for (std::size_t limit : {0, 1, 64, 100, 128, 299, 300, 351})
    for (const Case& c : cases) {
        setFileChunkBytes(chunk);
        if (!c.encrypt && limit >= plain.size()) continue;  // the restored file is only 300 bytes
        SCOPED_TRACE(std::string(c.step) + " after " + std::to_string(limit) + " bytes, chunks of " +
                     std::to_string(chunk));
        setWriteFailureAfterBytes(limit);
        FileEncryptionState state = stateFor(c.input);
        ScriptPrompter ui;
        FileOpResult r = c.encrypt ? EncryptSelectedFile(state, ui) : DecryptSelectedFile(state, ui);
        EXPECT_EQ(r.status, FileOpStatus::Failed);
        ASSERT_GE(ui.messages.size(), 2u);
        EXPECT_EQ(ui.messages[0], c.step);
        EXPECT_FALSE(r.detail.empty());
        EXPECT_EQ(state.SelectedFile, c.input);
    }
    // Inputs intact, no output and no temporary file left behind.
    EXPECT_EQ(filesInDir(), (std::vector<std::string>{"keep.~~~", "plain.txt"}));
    EXPECT_TRUE(readData(path("plain.txt")) == plain);
    EXPECT_TRUE(readData(encrypted) == stored);
}

TEST_F(FileEncryptionTest, OutputThatCannotBeCreatedSaysSoFirst) {
    writeData(path("a.txt"), randomData(10, 4));
    fs::create_directory(path("a.~~~"));  // in the way, and not a file that can be replaced
    FileEncryptionState state = stateFor(path("a.txt"));
    ScriptPrompter ui;
    ui.replaceAnswer = true;
    EXPECT_EQ(EncryptSelectedFile(state, ui).status, FileOpStatus::Failed);
    ASSERT_GE(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], "Could not open file");
    EXPECT_EQ(ui.messages[1], "WriteEncryptedFileToDisk() Error");
    EXPECT_TRUE(fs::exists(path("a.txt")));
}

// ---------------------------------------------------------------------------------------------
// Classification for the file list.

TEST_F(FileEncryptionTest, IsEncryptedFileLooksForTheMagicThirtyTwoBytesFromTheEnd) {
    auto withMagicAt = [](std::size_t length, std::size_t at) {
        Data d(length, 'x');
        std::memcpy(d.data() + at, "QrVnEncr", 8);
        return d;
    };
    struct Case {
        const char* name;
        Data content;
        int expected;
    };
    const Case cases[] = {
        {"exactly32", withMagicAt(32, 0), 0},  // 32 bytes or less never counts
        {"thirty3", withMagicAt(33, 1), 1},    // too short to decrypt, but it counts
        {"plain", Data(100, 'x'), 0},
        {"empty", {}, 0},
    };
    for (const Case& c : cases) {
        writeData(path(c.name), c.content);
        ScriptPrompter ui;
        EXPECT_EQ(IsEncryptedFile(path(c.name), ui), c.expected) << c.name;
        EXPECT_TRUE(ui.messages.empty());
    }
    ScriptPrompter ui;
    EXPECT_EQ(IsEncryptedFile(makeEncrypted("real.txt", {1, 2, 3}), ui), 1);
    EXPECT_EQ(IsEncryptedFile(path("missing"), ui), 0);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"File open error"});
}

TEST_F(FileEncryptionTest, IsNonEmptyFileAndCanOpenForReading) {
    writeData(path("empty"), {});
    writeData(path("full"), {1});
    ScriptPrompter ui;
    EXPECT_EQ(IsNonEmptyFile(path("empty"), ui), 0);
    EXPECT_EQ(IsNonEmptyFile(path("full"), ui), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(IsNonEmptyFile(path("missing"), ui), 0);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Could not open file"});

    // A missing file or a folder is simply not readable: no message.
    ui.messages.clear();
    EXPECT_EQ(CanOpenForReading(path("full"), ui), 1);
    EXPECT_EQ(CanOpenForReading(path("missing"), ui), 0);
    EXPECT_EQ(CanOpenForReading(path("nodir/x"), ui), 0);
    EXPECT_EQ(CanOpenForReading(dir, ui), 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FileEncryptionTest, LockedFileIsASharingViolation) {
    writeData(path("locked"), {1, 2, 3});
    int holder = ::open(path("locked").c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    ScriptPrompter ui;
    EXPECT_EQ(CanOpenForReading(path("locked"), ui), 0);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"File sharing violation"});
    ::close(holder);
    ui.messages.clear();
    EXPECT_EQ(CanOpenForReading(path("locked"), ui), 1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FileEncryptionTest, FileInTheMiddleOfAnotherOperationIsLeftAlone) {
    // A second encryption or decryption of a file that one is still working on is refused.
    const Data plain = randomData(100, 7);
    writeData(path("busy.txt"), plain);
    const std::string encrypted = makeEncrypted("other.txt", plain);
    for (const std::string& input : {path("busy.txt"), encrypted}) {
        int holder = ::open(input.c_str(), O_RDONLY);
        ASSERT_GE(holder, 0);
        ASSERT_EQ(::flock(holder, LOCK_EX), 0);
        const Data before = readData(input);
        const auto entries = filesInDir();
        FileEncryptionState state = stateFor(input);
        ScriptPrompter ui;
        const FileOpResult r = input == encrypted ? DecryptSelectedFile(state, ui) : EncryptSelectedFile(state, ui);
        ::close(holder);
        EXPECT_EQ(r.status, FileOpStatus::Failed) << input;
        EXPECT_EQ(ui.messages, std::vector<std::string>{"File sharing violation"}) << input;
        EXPECT_EQ(readData(input), before);
        EXPECT_EQ(filesInDir(), entries);
        EXPECT_EQ(state.SelectedFile, input);
    }
}

TEST_F(FileEncryptionTest, UnreadableFileIsAccessDenied) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads files regardless of their permissions";
    writeData(path("private"), {1});
    fs::permissions(path("private"), fs::perms::none);
    ScriptPrompter ui;
    EXPECT_EQ(CanOpenForReading(path("private"), ui), 0);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"The file could not be accessed.!"});
}

}  // namespace
