// quorvane-cli dump, ls and convert, run as a separate process with the password on standard input.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>

#include "TestSupport.h"
#include "common/SafeFile.h"

namespace {

namespace fs = std::filesystem;

std::string fixture(const std::string& name) { return std::string(QUORVANE_TEST_DATA) + "/" + name; }

const std::string kPassword = "p\xC3\xA4ssw\xC3\xB6rd\n";  // typed as UTF-8, stored as Windows-1252

const std::string kPlainCardsJson =
    R"({"format": "current", "encrypted": false, "cards": [
  {"list": 0, "categoryId": 0, "legacyFlags": 17, "stateFlags": 0, "automaticAccess": false, "newBrowserWindow": false, "dateStamp": 3793342830, "extraValue": 3735928559, "fields": ["Example", "https://example.com", "alice", "s3cr)"
    "\xC3\xA9"
    R"(t"], "note": "line1\u000aline2 \"q\" \\ )"
    "\xE2\x82\xAC"
    R"(\u0009", "date": "03/15/24"},
  {"list": 0, "categoryId": 0, "legacyFlags": 0, "stateFlags": 0, "automaticAccess": false, "newBrowserWindow": false, "dateStamp": 0, "extraValue": 0, "fields": ["", "", "", ""], "note": "", "date": "01/01/04"},
  {"list": 7, "categoryId": 7, "legacyFlags": 0, "stateFlags": 4, "automaticAccess": false, "newBrowserWindow": false, "dateStamp": 0, "extraValue": 0, "fields": ["Bank", "1234", "Alice", "NL00"], "note": "", "date": "01/01/04"},
  {"list": 14, "categoryId": 14, "legacyFlags": 0, "stateFlags": 0, "automaticAccess": false, "newBrowserWindow": false, "dateStamp": 3989390400, "extraValue": 0, "fields": ["Misc", "", "", "pin"], "note": "note", "date": "06/01/30"},
  {"list": 100, "categoryId": 3, "legacyFlags": 0, "stateFlags": 2, "automaticAccess": false, "newBrowserWindow": false, "dateStamp": 3029529599, "extraValue": 0, "fields": ["gone", "news://x", "", ""], "note": "", "date": "12/31/99"}
]}
)";

TEST(CliCard, DumpPrintsTheDocumentAsJson) {
    CliRun plain = runCli({"dump", fixture("plain-cards.qvf")});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, kPlainCardsJson);
    EXPECT_EQ(plain.err, "");

    CliRun encrypted = runCli({"dump", fixture("encrypted.qve")}, kPassword);
    EXPECT_EQ(encrypted.status, 0) << encrypted.err;
    std::string expected = kPlainCardsJson;
    expected.replace(expected.find("false"), 5, "true");
    EXPECT_EQ(encrypted.out, expected);

    CliRun old = runCli({"dump", "--date-format", "1", fixture("old-1001-enc.qve")}, "legacy01\n");
    EXPECT_EQ(old.status, 0) << old.err;
    EXPECT_EQ(old.out.rfind(R"({"format": "1.001", "encrypted": true, "cards": [)", 0), 0u) << old.out;
    EXPECT_NE(old.out.find(R"("date": "Sunday, March 15, 1998"})"), std::string::npos) << old.out;

    CliRun empty = runCli({"dump", fixture("empty-doc.qvf"), "--date-format=7"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "{\"format\": \"current\", \"encrypted\": false, \"cards\": []}\n");
}

TEST(CliCard, FailuresExitOneWithTheMessageAndNoData) {
    struct Case {
        std::vector<std::string> args;
        std::string input;
        std::string err;  // exact when it ends in a newline, else a part of standard error
    };
    const Case cases[] = {
        {{"dump", fixture("encrypted.qve")}, "wrong\n", "Password not correct,try again.\n"},
        {{"dump", fixture("encrypted.qve")}, "P\xC3\x84SSW\xC3\x96RD\n", "Password not correct,try again.\n"},
        {{"dump", fixture("encrypted.qve")}, "\n", "You must enter a password!\nPassword not correct,try again.\n"},
        {{"dump", fixture("encrypted.qve")}, "", "No password was given."},
        {{"dump", fixture("old-1002-enc.qve")}, "nope\n", "Password not correct,try again.\n"},
        // A password Windows-1252 cannot hold is refused, not taken for a cancel (which would open
        // an old 1.001 document empty).
        {{"dump", fixture("old-1001-enc.qve")}, "\xCE\xA9mega01\n",
         "The character \xE2\x80\x9C\xCE\xA9\xE2\x80\x9D (U+03A9) cannot be stored: Quorvane keeps texts in the "
         "Windows-1252 character set.\n"},
        {{"dump", fixture("encrypted.qve")}, "\xCE\xA9\n", "(U+03A9) cannot be stored"},
        // A line without end (< /dev/zero) is cut off, not read until memory runs out.
        {{"dump", fixture("encrypted.qve")}, std::string(70000, 'x'), "The password is too long"},
        {{"dump", fixture("encrypted.qve")}, std::string("pass\0word\n", 10), "cannot hold a NUL character"},
        {{"dump", fixture("empty.qvf")}, "", "Empty File !\n"},
        {{"ls", fixture("wrong-magic.qvf")}, "", "Not a Quorvane file\n"},
        {{"dump", fixture("body-kind-2.qvf")}, "", "body kind 2"},
        {{"dump", fixture("no-such-file.qvf")}, "", "no-such-file.qvf"},
        {{"dump", fixture("whatever.qvf~~~")}, "", "is an encrypted file, not a card document"},
        {{"dump", fixture("plain-cards.qvf"), "--date-format", "x"}, "", "--date-format"},
        {{"convert", fixture("plain-cards.qvf")}, "", "Usage"},
    };
    for (const Case& c : cases) {
        CliRun run = runCli(c.args, c.input);
        const std::string what = c.args[0] + " " + c.args[1] + " <<< " + c.input;
        EXPECT_EQ(run.status, 1) << what;
        EXPECT_EQ(run.out, "") << what;
        if (c.err.back() == '\n') {
            EXPECT_EQ(run.err, c.err) << what;
        } else {
            EXPECT_NE(run.err.find(c.err), std::string::npos) << what << ": " << run.err;
        }
    }
}

TEST(CliCard, ConvertWritesTheCurrentFormatByteForByte) {
    TempDir dir("clicard");
    struct Case {
        const char* in;
        std::vector<std::string> flags;
        std::string input;
        const char* expected;
    };
    const Case cases[] = {
        {"plain-cards.qvf", {}, "", "plain-cards.qvf"},
        {"encrypted.qve", {}, kPassword, "encrypted.qve"},
        {"encrypted.qve", {"--plain"}, kPassword, "plain-cards.qvf"},
        {"plain-cards.qvf", {"--encrypt", "--legacy"}, kPassword, "encrypted.qve"},
        {"encrypted.qve", {"--encrypt", "--legacy"}, kPassword, "encrypted.qve"},
        {"odd-cards.qvf", {}, "", nullptr},
    };
    for (const Case& c : cases) {
        const std::string out = dir.file(std::string("out-") + c.in);
        std::vector<std::string> args{"convert", fixture(c.in), out};
        args.insert(args.end(), c.flags.begin(), c.flags.end());
        CliRun run = runCli(args, c.input);
        ASSERT_EQ(run.status, 0) << c.in << ": " << run.err;
        if (c.expected) {
            EXPECT_EQ(slurp(out), slurp(fixture(c.expected))) << c.in;
        }
        fs::remove(out);
    }

    // The old enciphered format comes out in the current one, under the same password, same cards.
    const std::string upgraded = dir.file("upgraded.qve");
    ASSERT_EQ(runCli({"convert", fixture("old-1002-enc.qve"), upgraded}, "oldpassword\n").status, 0);
    EXPECT_EQ(slurp(upgraded)[12], '\x01');
    CliRun before = runCli({"dump", fixture("old-1002-enc.qve")}, "oldpassword\n");
    CliRun after = runCli({"dump", upgraded}, "oldpassword\n");
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(after.out.substr(after.out.find('\n')), before.out.substr(before.out.find('\n')));

    // A new password follows the entry rules; nothing is written when it is refused.
    const std::string refused = dir.file("refused.qve");
    CliRun shortPassword = runCli({"convert", fixture("plain-cards.qvf"), refused, "--encrypt"}, "short\n");
    EXPECT_EQ(shortPassword.status, 1);
    EXPECT_EQ(shortPassword.err, "Password to short, please use more characters!\n");
    EXPECT_FALSE(fs::exists(refused));

    CliRun noFolder = runCli({"convert", fixture("plain-cards.qvf"), dir.file("missing/out.qvf")});
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_NE(noFolder.err.find("missing/out.qvf"), std::string::npos) << noFolder.err;
}

TEST(CliCard, ListShowsCategoriesWithMaskedPasswords) {
    CliRun run = runCli({"ls", fixture("encrypted.qve")}, kPassword);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("WWW Sites (2)\n  Example  |  https://example.com  |  ******\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Bank Accounts (1)\n"), std::string::npos);
    EXPECT_NE(run.out.find("Newsgroups (0)\n"), std::string::npos);  // the deleted card is not shown there
    EXPECT_EQ(run.out.find("gone"), std::string::npos);
    EXPECT_EQ(run.out.find("s3cr"), std::string::npos);
    EXPECT_NE(run.out.find("Deleted cards: 1\n"), std::string::npos);
}

// End of input at a password prompt is a failure, never an empty document: an old 1.001 document
// used to be converted onto itself with no cards, and dumped as empty with exit 0.
TEST(CliCard, EndOfInputAtThePromptFailsAndWritesNothing) {
    TempDir dir("clicard");
    const std::string doc = dir.file("v.qve");
    fs::copy_file(fixture("old-1001-enc.qve"), doc);
    const std::string before = slurp(doc);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"dump", doc}, {"ls", doc},
                                                 {"convert", doc, doc, "--force"}, {"convert", doc, dir.file("o.qvf")}}) {
        CliRun run = runCli(args, "");
        EXPECT_EQ(run.status, 1) << args[0];
        EXPECT_EQ(run.out, "") << args[0];
        EXPECT_EQ(run.err, doc + ": No password was given.\n") << args[0];
    }
    EXPECT_EQ(slurp(doc), before);
    EXPECT_FALSE(fs::exists(dir.file("o.qvf")));
}

// Special files neither hang a read nor get replaced by a write; an existing output is replaced only
// with --force, as for encrypt-file; a name ending in ~~~ would make a document nobody opens.
TEST(CliCard, OutputsAndInputsThatAreNoPlainNewFile) {
    TempDir dir("clicard");
    const std::string fifo = dir.file("f.qvf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& input : {fifo, std::string("/dev/zero")}) {
        CliRun run = runCli({"dump", input});
        EXPECT_EQ(run.status, 1) << input;
        EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;
    }
    CliRun toFifo = runCli({"convert", fixture("plain-cards.qvf"), fifo, "--force"});
    EXPECT_EQ(toFifo.status, 1);
    EXPECT_NE(toFifo.err.find("not a regular file"), std::string::npos) << toFifo.err;
    EXPECT_TRUE(fs::is_fifo(fifo));

    const std::string out = dir.file("out.qvf");
    writeData(out, {1, 2, 3});
    CliRun refused = runCli({"convert", fixture("plain-cards.qvf"), out});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, out + " already exists. Do you want to replace it? (use --force to replace it)\n");
    EXPECT_EQ(slurp(out), std::string("\1\2\3"));
    EXPECT_EQ(runCli({"convert", fixture("plain-cards.qvf"), out, "--force"}).status, 0);
    EXPECT_EQ(slurp(out), slurp(fixture("plain-cards.qvf")));

    CliRun tildes = runCli({"convert", fixture("plain-cards.qvf"), dir.file("y~~~")});
    EXPECT_EQ(tildes.status, 1);
    EXPECT_NE(tildes.err.find("kept for encrypted files"), std::string::npos) << tildes.err;
    EXPECT_FALSE(fs::exists(dir.file("y~~~")));
}

// Cards of a number that is no category are listed by dump under their number, in file order, and
// survive a convert.
TEST(CliCard, CardsOfUnknownCategoriesAreDumpedAndConverted) {
    TempDir dir("clicard");
    CliRun run = runCli({"dump", fixture("odd-cards.qvf")});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::size_t fifty = run.out.find(R"("list": 50, "categoryId": 50)");
    const std::size_t hundred = run.out.find(R"("list": 100)");
    const std::size_t twoHundred = run.out.find(R"("list": 200, "categoryId": 200)");
    EXPECT_TRUE(fifty < hundred && hundred < twoHundred) << run.out;
    EXPECT_NE(run.err.find("2 cards of categories"), std::string::npos) << run.err;

    ASSERT_EQ(runCli({"convert", fixture("odd-cards.qvf"), dir.file("c.qvf")}).status, 0);
    CliRun again = runCli({"dump", dir.file("c.qvf")});
    EXPECT_EQ(again.out, run.out);
}

// Ctrl+C (or a kill) at a password prompt on a terminal puts echo back before the program ends as
// interrupted; it used to leave the terminal without echo.
TEST(CliCard, InterruptAtThePasswordPromptRestoresEcho) {
    for (int signal : {SIGINT, SIGTERM}) {
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const std::string doc = fixture("encrypted.qve");
            ::execl(QUORVANE_CLI_PATH, QUORVANE_CLI_PATH, "dump", doc.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Wait for the prompt, by which time echo is off.
        std::string seen;
        for (int i = 0; i < 500 && seen.find("Decryption Password") == std::string::npos; ++i) {
            pollfd poll{master, POLLIN, 0};
            if (::poll(&poll, 1, 10) == 1) {
                char buffer[256];
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0) seen.append(buffer, static_cast<std::size_t>(n));
            }
        }
        ASSERT_NE(seen.find("Decryption Password"), std::string::npos) << seen;
        termios during {};
        for (int i = 0; i < 200; ++i) {  // the prompt is written just before echo goes off
            ASSERT_EQ(::tcgetattr(master, &during), 0);
            if (!(during.c_lflag & ECHO)) break;
            ::usleep(5000);
        }
        EXPECT_FALSE(during.c_lflag & ECHO);
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        termios after {};
        ASSERT_EQ(::tcgetattr(master, &after), 0);
        EXPECT_TRUE(after.c_lflag & ECHO) << "signal " << signal;
        ::close(master);
    }
}

}  // namespace
