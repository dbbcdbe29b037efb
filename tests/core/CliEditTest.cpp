// quorvane-cli add, edit, rm, find, show, import and export, run as separate processes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "cardstore/CardFile.h"
#include "cardstore/Categories.h"
#include "cardstore/DateStamp.h"
#include "common/Prompter.h"

namespace {

std::string fixture(const std::string& name) { return std::string(QUORVANE_TEST_DATA) + "/" + name; }

// The cards of a document as dump gives them.
nlohmann::json cardsOf(const std::string& path, const std::string& password = "") {
    CliRun dump = runCli({"dump", path}, password);
    EXPECT_EQ(dump.status, 0) << dump.err;
    return nlohmann::json::parse(dump.out, nullptr, false)["cards"];
}

void copyFile(const std::string& from, const std::string& to) {
    writeData(to, readData(from));
    ::chmod(to.c_str(), 0600);
}

void writeText(const std::string& path, const std::string& text, mode_t mode = 0600) {
    writeData(path, Data(text.begin(), text.end()));
    ::chmod(path.c_str(), mode);
}

TEST(CliEdit, BuildsADocumentCardByCardAsTheCardMenuDoes) {
    TempDir dir;
    const std::string doc = dir.file("cards.qvf");
    // The password is asked, never taken from the command line; the note's line breaks become CR LF.
    CliRun add = runCli({"add", doc, "--category", "www sites", "--name", "Example", "--url", "https://example.com",
                         "--user", "alice", "--note", "line1\nline2", "--password-prompt"},
                        "s3cr\xC3\xA9t\n");
    ASSERT_EQ(add.status, 0) << add.err;
    EXPECT_EQ(add.out, "WWW Sites card 1\n");
    ASSERT_EQ(runCli({"add", doc, "--category", "Bank Accounts", "--name", "Bank"}).status, 0);
    ASSERT_EQ(runCli({"add", doc, "--category", "Bank Accounts", "--name", "Other"}).status, 0);

    nlohmann::json cards = cardsOf(doc);
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0]["fields"], nlohmann::json({"Example", "https://example.com", "alice", "s3cr\xC3\xA9t"}));
    EXPECT_EQ(cards[0]["note"], "line1\r\nline2");
    EXPECT_EQ(cards[0]["stateFlags"], 0);
    EXPECT_GT(cards[0]["dateStamp"].get<std::uint32_t>(), 3'800'000'000u);  // stamped now, not left at 0
    const auto stamp = cards[0]["dateStamp"];

    // Edit keeps the date and the place, changes only the given fields and sets the edited bit.
    CliRun edit = runCli({"edit", doc, "--category", "WWW Sites", "--card", "Example", "--user", "bob"});
    ASSERT_EQ(edit.status, 0) << edit.err;
    ASSERT_EQ(runCli({"rm", doc, "--category", "Bank Accounts", "--position", "1"}).status, 0);
    cards = cardsOf(doc);
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0]["fields"][2], "bob");
    EXPECT_EQ(cards[0]["fields"][3], "s3cr\xC3\xA9t");
    EXPECT_EQ(cards[0]["dateStamp"], stamp);
    EXPECT_EQ(cards[0]["stateFlags"], kStateEdited);
    EXPECT_EQ(cards[1]["fields"][0], "Other");
    EXPECT_EQ(cards[2]["list"], kDeletedCategoryId);  // Delete moves the card to the deleted cards
    EXPECT_EQ(cards[2]["categoryId"], 7);
    EXPECT_EQ(cards[2]["stateFlags"], kStateDeleted);

    CliRun find = runCli({"find", doc, "BOB", "--ignore-case"});
    EXPECT_EQ(find.status, 0);
    EXPECT_EQ(find.out, "WWW Sites\t1\tExample\n");
    EXPECT_EQ(runCli({"find", doc, "BOB"}).status, 1);  // case counts without --ignore-case
    EXPECT_EQ(runCli({"find", doc, "Bank"}).out, "");   // deleted cards are never found

    CliRun masked = runCli({"show", doc, "--category", "WWW Sites", "--card", "Example"});
    EXPECT_NE(masked.out.find("Password: ******\n"), std::string::npos) << masked.out;
    EXPECT_NE(masked.out.find("Note:\nline1\nline2\n"), std::string::npos) << masked.out;
    CliRun revealed = runCli({"show", doc, "--category", "WWW Sites", "--position", "1", "--reveal"});
    EXPECT_NE(revealed.out.find("Password: s3cr\xC3\xA9t\n"), std::string::npos) << revealed.out;
}

// The web switches are stored with the card: add and edit set them, show and dump tell them, and a
// JSON export brings them back through import.
TEST(CliEdit, WebSwitchesAreSetShownAndExchanged) {
    TempDir dir;
    const std::string doc = dir.file("cards.qvf");
    ASSERT_EQ(runCli({"add", doc, "--category", "WWW Sites", "--name", "Bank", "--automatic-access", "on"}).status, 0);
    ASSERT_EQ(runCli({"add", doc, "--category", "WWW Sites", "--name", "Plain"}).status, 0);
    CliRun edit = runCli({"edit", doc, "--category", "WWW Sites", "--card", "Bank", "--new-window", "ON",
                          "--automatic-access", "off"});
    ASSERT_EQ(edit.status, 0) << edit.err;
    ASSERT_EQ(runCli({"edit", doc, "--category", "WWW Sites", "--card", "Plain", "--automatic-access", "on"}).status, 0);

    CliRun show = runCli({"show", doc, "--category", "WWW Sites", "--card", "Bank"});
    EXPECT_NE(show.out.find("Automatic Access: Off\nNew Browser Window: On\n"), std::string::npos) << show.out;
    nlohmann::json cards = cardsOf(doc);
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0]["stateFlags"], kStateEdited | 0x20);  // the byte as the file holds it
    EXPECT_EQ(cards[0]["automaticAccess"], false);
    EXPECT_EQ(cards[0]["newBrowserWindow"], true);
    EXPECT_EQ(cards[1]["stateFlags"], kStateEdited | 0x10);
    EXPECT_EQ(cards[1]["automaticAccess"], true);

    ASSERT_EQ(runCli({"export", doc, "--format", "json", "-o", dir.file("all.json")}).status, 0);
    ASSERT_EQ(runCli({"import", dir.file("again.qvf"), "--format", "json", dir.file("all.json")}).status, 0);
    EXPECT_EQ(cardsOf(dir.file("again.qvf")), cards);

    // The bits of stateFlags alone set the switches (an older program's export); the named keys, when
    // given, decide; anything but true or false there is refused.
    writeText(dir.file("bits.json"), R"({"cards": [
        {"list": 0, "stateFlags": 48, "fields": ["Bits", "", "", ""]},
        {"list": 0, "stateFlags": 16, "automaticAccess": false, "newBrowserWindow": true, "fields": ["Keys", "", "", ""]}]})");
    ASSERT_EQ(runCli({"import", dir.file("bits.qvf"), "--format", "json", dir.file("bits.json")}).status, 0);
    cards = cardsOf(dir.file("bits.qvf"));
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0]["automaticAccess"], true);
    EXPECT_EQ(cards[0]["newBrowserWindow"], true);
    EXPECT_EQ(cards[1]["stateFlags"], 0x20);
    writeText(dir.file("bad.json"), R"({"cards": [{"list": 0, "automaticAccess": 1, "fields": ["x", "", "", ""]}]})");
    CliRun bad = runCli({"import", dir.file("bad.qvf"), "--format", "json", dir.file("bad.json")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Card 1: automaticAccess must be true or false."), std::string::npos) << bad.err;
}

TEST(CliEdit, AnEncryptedDocumentStaysEncryptedUnderItsPassword) {
    TempDir dir;
    const std::string doc = dir.file("enc.qve");
    copyFile(fixture("encrypted.qve"), doc);
    writeText(dir.file("pw"), "p\xC3\xA4ssw\xC3\xB6rd\nsecond line is ignored\n");
    CliRun add = runCli({"add", doc, "--category", "Miscellaneous", "--name", "Added", "--password-file", dir.file("pw")});
    ASSERT_EQ(add.status, 0) << add.err;
    CliRun dump = runCli({"dump", doc, "--password-file", dir.file("pw")});
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out.rfind(R"({"format": "current", "encrypted": true,)", 0), 0u);
    EXPECT_NE(dump.out.find(R"(["Added", "", "", ""])"), std::string::npos);

    // A new document named .qve is made encrypted under a new password.
    CliRun fresh = runCli({"add", dir.file("new.qve"), "--category", "WWW Sites", "--name", "x"}, "longenough1\n");
    ASSERT_EQ(fresh.status, 0) << fresh.err;
    EXPECT_EQ(runCli({"ls", dir.file("new.qve")}, "longenough1\n").status, 0);
    EXPECT_EQ(runCli({"ls", dir.file("new.qve")}, "wrong-password\n").status, 1);
}

TEST(CliEdit, RefusalsSayWhyAndLeaveTheDocumentAsItWas) {
    TempDir dir;
    const std::string doc = dir.file("cards.qvf");
    copyFile(fixture("plain-cards.qvf"), doc);
    writeText(dir.file("open-pw"), "p\xC3\xA4ssw\xC3\xB6rd\n", 0644);
    const Data before = readData(doc);
    struct Case {
        std::vector<std::string> args;
        std::string input;
        std::string err;
    };
    const Case cases[] = {
        {{"add", doc, "--category", "Web", "--name", "x"}, "", "No category is called \"Web\". The categories are: WWW Sites,"},
        {{"edit", doc, "--category", "WWW Sites", "--card", "Nobody", "--user", "x"}, "", "WWW Sites has no card called \"Nobody\"."},
        {{"rm", doc, "--category", "Bank Accounts", "--position", "2"}, "", "Bank Accounts has 1 card(s); there is no card 2."},
        {{"rm", doc, "--category", "Bank Accounts"}, "", "Name the card with --card NAME or --position N."},
        {{"edit", doc, "--category", "WWW Sites", "--card", "Example", "--note", "\xCE\xA9"}, "",
         "Card \"Example\", field Note: The character"},
        {{"add", doc, "--category", "WWW Sites", "--name", "x", "--password-prompt"}, "", "No Password was given"},
        {{"ls", fixture("encrypted.qve"), "--password-file", dir.file("open-pw")}, "", "may be read by others"},
        {{"ls", fixture("encrypted.qve"), "--password-file", dir.file("missing")}, "", "Cannot read the password file"},
        {{"show", doc, "--category", "WWW Sites", "--card", "x", "--position", "1"}, "", "excludes"},
        {{"add", doc, "--category", "WWW Sites", "--name", "x", "--password", "y"}, "", "--password"},
        {{"edit", doc, "--category", "WWW Sites", "--card", "Example", "--new-window", "yes"}, "", "--new-window"},
    };
    for (const Case& c : cases) {
        CliRun run = runCli(c.args, c.input);
        EXPECT_EQ(run.status, 1) << c.args[0];
        EXPECT_NE(run.err.find(c.err), std::string::npos) << c.args[0] << ": " << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(readData(doc) == before);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"cards.qvf", "open-pw"}));
}

// Texts that trip up CSV writers and readers: quotes, commas, line breaks and blanks at the ends.
const char* const kTrickyName = "Quote \"me\", ok";
const char* const kTrickyPassword = " pass,word ";

TEST(CliExchange, EveryLayoutComesBackAsItWent) {
    TempDir dir;
    const std::string doc = dir.file("cards.qvf");
    ASSERT_EQ(runCli({"add", doc, "--category", "WWW Sites", "--name", kTrickyName, "--url", "https://x.example",
                      "--user", "al\xC3\xA9", "--note", "two\nlines", "--password-prompt"},
                     std::string(kTrickyPassword) + "\n")
                  .status,
              0);
    ASSERT_EQ(runCli({"add", doc, "--category", "Credit Cards", "--name", "Visa", "--password-prompt"}, "1234\n").status, 0);
    // A category whose name holds a slash, and a card whose texts are its category's labels (as the
    // header row of this program's layout names them).
    ASSERT_EQ(runCli({"add", doc, "--category", "ATM/PIN Cards", "--name", "Name", "--url", "Bank", "--user",
                      "Telephone Number", "--note", "Note", "--password-prompt"},
                     "ATM/PIN Code\n")
                  .status,
              0);
    const nlohmann::json original = cardsOf(doc);
    for (const char* layout : {"quorvane", "keepassxc", "bitwarden"}) {
        const std::string csv = dir.file(std::string(layout) + ".csv");
        CliRun out = runCli({"export", doc, "--format", "csv", "--layout", layout, "-o", csv});
        ASSERT_EQ(out.status, 0) << out.err;
        EXPECT_NE(out.err.find("unencrypted"), std::string::npos);
        struct stat st {};
        ASSERT_EQ(::stat(csv.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << layout;

        const std::string back = dir.file(std::string(layout) + ".qvf");
        CliRun in = runCli({"import", back, "--format", "csv", "--layout", layout, csv});
        ASSERT_EQ(in.status, 0) << in.err;
        const nlohmann::json cards = cardsOf(back);
        ASSERT_EQ(cards.size(), original.size()) << layout;
        for (std::size_t i = 0; i < cards.size(); ++i) {
            EXPECT_EQ(cards[i]["list"], original[i]["list"]) << layout;
            EXPECT_EQ(cards[i]["fields"], original[i]["fields"]) << layout;
            EXPECT_EQ(cards[i]["note"], original[i]["note"]) << layout;
        }
    }
    // JSON is the dump form and keeps everything, the deleted cards and the flags included.
    const std::string plain = dir.file("plain.qvf");
    copyFile(fixture("plain-cards.qvf"), plain);
    ASSERT_EQ(runCli({"export", plain, "--format", "json", "-o", dir.file("all.json")}).status, 0);
    EXPECT_EQ(runCli({"export", plain, "--format", "json", "-o", dir.file("all.json")}).status, 1);  // exists
    EXPECT_EQ(runCli({"export", plain, "--format", "json", "-o", dir.file("all.json"), "--force"}).status, 0);
    ASSERT_EQ(runCli({"import", dir.file("again.qvf"), "--format", "json", dir.file("all.json")}).status, 0);
    EXPECT_EQ(cardsOf(dir.file("again.qvf")), cardsOf(plain));

    // A card of a number that is no category here (a later version's) is kept under its number.
    writeText(dir.file("later.json"),
              R"({"cards": [{"list": 50, "categoryId": 50, "fields": ["From later", "", "", ""], "note": ""}]})");
    CliRun later = runCli({"import", dir.file("later.qvf"), "--format", "json", dir.file("later.json")});
    ASSERT_EQ(later.status, 0) << later.err;
    EXPECT_NE(later.err.find("number 50 (no category here, never shown)"), std::string::npos) << later.err;
    const nlohmann::json kept = cardsOf(dir.file("later.qvf"));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0]["list"], 50);
    EXPECT_EQ(kept[0]["fields"][0], "From later");

    // A card file knows a deleted card by its flag alone: the list the JSON names sets it, so that
    // each card is read back from the document in the list it was imported to.
    writeText(dir.file("flags.json"), R"({"cards": [
        {"list": 100, "categoryId": 3, "stateFlags": 0, "fields": ["Deleted", "", "", ""]},
        {"list": 0, "stateFlags": 3, "fields": ["Shown", "", "", ""]}]})");
    ASSERT_EQ(runCli({"import", dir.file("flags.qvf"), "--format", "json", dir.file("flags.json")}).status, 0);
    const nlohmann::json flagged = cardsOf(dir.file("flags.qvf"));
    ASSERT_EQ(flagged.size(), 2u);
    EXPECT_EQ(flagged[0]["fields"][0], "Shown");
    EXPECT_EQ(flagged[0]["list"], 0);
    EXPECT_EQ(flagged[0]["stateFlags"], 1);
    EXPECT_EQ(flagged[1]["fields"][0], "Deleted");
    EXPECT_EQ(flagged[1]["list"], 100);
    EXPECT_EQ(flagged[1]["categoryId"], 3);
    EXPECT_EQ(flagged[1]["stateFlags"], 2);
}

TEST(CliExchange, OtherManagersExportsAreRecognisedAndNothingIsHalfImported) {
    TempDir dir;
    // No --format or --layout: the header row says whose export it is.
    writeText(dir.file("kp.csv"),
              "\xEF\xBB\xBF\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
              "\"Last Modified\",\"Created\"\n"
              "\"Root/Bank Accounts\",\"My bank\",\"me\",\"pw1\",\"https://bank.example\",\"\",\"\",\"0\",\"\","
              "\"2021-03-04T10:20:30Z\"\n"
              "\"Root/Internet\",\"Forum\",\"me2\",\"pw2\",\"https://forum.example\",\"a\nb\",\"JBSWY3DPEHPK3PXP\","
              "\"0\",\"\",\"\"\n");
    CliRun kp = runCli({"import", dir.file("k.qvf"), dir.file("kp.csv")});
    ASSERT_EQ(kp.status, 0) << kp.err;
    for (const char* said : {"as KeePassXC CSV.", "\"Root/Internet\" -> WWW Sites", "\"Root/Bank Accounts\" -> Bank Accounts",
                             "1 card(s) into WWW Sites", "2 card(s) imported into"})
        EXPECT_NE(kp.err.find(said), std::string::npos) << said << " in " << kp.err;
    nlohmann::json cards = cardsOf(dir.file("k.qvf"));
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0]["list"], 0);
    EXPECT_EQ(cards[0]["note"], "a\r\nb\r\notpauth://totp/Forum:me2?secret=JBSWY3DPEHPK3PXP&issuer=Forum");
    EXPECT_EQ(cards[1]["list"], 7);
    EXPECT_EQ(cards[1]["fields"], nlohmann::json({"My bank", "https://bank.example", "me", "pw1"}));
    EXPECT_EQ(cards[1]["dateStamp"], DateStampFor(2021, 3, 4, 11, 20, 30));  // the tests run in Amsterdam's time

    // A file no layout fits is refused with its columns and the layouts known.
    writeText(dir.file("odd.csv"), "Site,Login,Secret\nA,b,c\n");
    CliRun odd = runCli({"import", dir.file("k.qvf"), dir.file("odd.csv")});
    EXPECT_EQ(odd.status, 1);
    EXPECT_NE(odd.err.find("Site, Login, Secret"), std::string::npos) << odd.err;
    EXPECT_NE(odd.err.find("Chromium, Chrome, Edge (name,url,username,password)"), std::string::npos) << odd.err;
    EXPECT_EQ(cardsOf(dir.file("k.qvf")).size(), 2u);

    // One text Windows-1252 cannot hold refuses the whole import, naming the row, card and field.
    const Data before = readData(dir.file("k.qvf"));
    writeText(dir.file("bad.csv"), "Group,Title,Username,Password,URL,Notes\nA,ok,,,,\nB,Greek,\xCE\xA9,,,\n");
    CliRun bad = runCli({"import", dir.file("k.qvf"), dir.file("bad.csv")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Row 3 (card \"Greek\"), field Description: The character"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("Nothing was imported."), std::string::npos);
    EXPECT_TRUE(readData(dir.file("k.qvf")) == before);

    writeText(dir.file("broken.csv"), "Group,Title\n\"unclosed,x\n");
    EXPECT_EQ(runCli({"import", dir.file("k.qvf"), "--format", "csv", "--layout", "keepassxc", dir.file("broken.csv")}).status, 1);
    writeText(dir.file("wrong.json"), "{\"cards\": [{\"fields\": [\"a\", \"b\"]}]}");
    CliRun json = runCli({"import", dir.file("k.qvf"), "--format", "json", dir.file("wrong.json")});
    EXPECT_EQ(json.status, 1);
    EXPECT_NE(json.err.find("Card 1: it needs \"fields\", a list of four texts."), std::string::npos) << json.err;
    EXPECT_TRUE(readData(dir.file("k.qvf")) == before);
}

TEST(CliDocs, ManualPageAndCompletionComeFromTheCommandLine) {
    CliRun man = runCli({"--manual-page"});
    ASSERT_EQ(man.status, 0);
    CliRun completion = runCli({"--bash-completion"});
    ASSERT_EQ(completion.status, 0);
    for (const char* command : {"dump", "ls", "convert", "add", "edit", "rm", "find", "show", "export", "import",
                                "encrypt-file", "decrypt-file", "classify", "totp", "otp-set"}) {
        std::string roffName;  // troff writes a hyphen as \-
        for (const char* c = command; *c; ++c) roffName += *c == '-' ? std::string("\\-") : std::string(1, *c);
        EXPECT_NE(man.out.find(".SS " + roffName + "\n"), std::string::npos) << command;
        EXPECT_NE(completion.out.find(std::string(command) + ") options="), std::string::npos) << command;
    }
    EXPECT_NE(man.out.find("\\-\\-password\\-file"), std::string::npos);
}

}  // namespace
