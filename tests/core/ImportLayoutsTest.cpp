// Import of other programs' exports: each layout's sample, written here from the columns that program
// documents for its export, is recognised from its content alone, and every column's text reaches
// the card (a field, a note line, the one-time code setup or the date stamp).
#include <gtest/gtest.h>

#include <algorithm>

#include "cardstore/Categories.h"
#include "cardstore/DateStamp.h"
#include "common/Win1252.h"
#include "exchange/CardExport.h"
#include "exchange/CardImport.h"
#include "exchange/Csv.h"
#include "otp/OneTimeCode.h"

namespace {

struct Expected {
    std::string category;
    std::vector<std::string> fields;  // the four, as UTF-8
    std::vector<std::string> noteHas;
    std::string date;  // yyyy-mm-dd, empty: the day of the import
};

struct LayoutCase {
    const char* name;
    std::string text;
    std::string source;
    std::vector<Expected> cards;
};

std::string noteOf(const Card& card) {
    std::string note = win1252ToUtf8(card.note);
    std::erase(note, '\r');
    return note;
}

std::string today() {
    return FormatDateStamp(CurrentDateStamp(), 4);
}

const std::vector<LayoutCase>& layoutCases() {
    static const std::vector<LayoutCase> cases = {
        {"KeePassXC, ten columns",
         "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last Modified\","
         "\"Created\"\n"
         "\"Root/Banking\",\"My \"\"bank\"\"\",\"me\",\"pw,1\",\"https://bank.example\",\"line 1\nline 2\","
         "\"otpauth://totp/Bank:me?secret=JBSWY3DPEHPK3PXP&issuer=Bank\",\"0\",\"2024-02-01T10:00:00Z\","
         "\"2021-03-04T10:20:30Z\"\n"
         "\"Root\",\"Forum\",\"fan\",\"pw2\",\"https://forum.example\",\"\",\"\",\"12\",\"\",\"2019-07-08T22:30:00Z\"\n"
         "\"Root/E-mail\",\"Mail\",\"me@mail.example\",\"pw3\",\"\",\"\",\"JBSWY3DPEHPK3PXP\",\"0\",\"\","
         "\"2020-01-01T12:00:00Z\"\n",
         "KeePassXC CSV",
         {{"Bank Accounts",
           {"My \"bank\"", "https://bank.example", "me", "pw,1"},
           {"line 1\nline 2", "Last modified: 2024-02-01T10:00:00Z", "otpauth://totp/Bank:me?secret=JBSWY3DPEHPK3PXP"},
           "2021-03-04"},
          {"WWW Sites", {"Forum", "https://forum.example", "fan", "pw2"}, {}, "2019-07-09"},
          {"E-Mail Contacts",
           {"Mail", "", "me@mail.example", "pw3"},
           {"otpauth://totp/Mail:me", "secret=JBSWY3DPEHPK3PXP&issuer=Mail"},
           "2020-01-01"}}},
        {"KeePassXC, six columns",
         "Group,Title,Username,Password,URL,Notes\n"
         "Root/Internet,Shop,buyer,\"p\"\"w\",https://shop.example,\"a, b\"\n"
         "Root/Credit Cards,Visa,,1234,,\n"
         "Root,Wifi,,secret,,\n",
         "KeePassXC CSV",
         {{"WWW Sites", {"Shop", "https://shop.example", "buyer", "p\"w"}, {"a, b"}, ""},
          {"Credit Cards", {"Visa", "", "", "1234"}, {}, ""},
          {"Miscellaneous", {"Wifi", "", "", "secret"}, {}, ""}}},
        {"Bitwarden with reprompt",
         "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
         "Social,1,login,Chat,\"hello,\nworld\",\"PIN: 12\nColour: blue\",1,https://chat.example,cat,pw,"
         "steam://JBSWY3DPEHPK3PXP\n"
         ",,note,Recipe,Two eggs,,0,,,,\n"
         "Bank,0,login,Savings,,,0,https://bank.example,saver,pw9,\n",
         "Bitwarden CSV",
         {{"WWW Sites",
           {"Chat", "https://chat.example", "cat", "pw"},
           {"hello,\nworld", "PIN: 12\nColour: blue", "Favorite", "Master password re-prompt",
            "otpauth://totp/Steam:cat?secret=JBSWY3DPEHPK3PXP&issuer=Steam&encoder=steam"},
           ""},
          {"Miscellaneous", {"Recipe", "", "", ""}, {"Two eggs"}, ""},
          {"Bank Accounts", {"Savings", "https://bank.example", "saver", "pw9"}, {}, ""}}},
        {"Bitwarden with archivedDate, cards and identities",
         "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp,"
         "archivedDate,card_brand,card_holder_name,card_number,card_exp_month,card_exp_year,card_code,"
         "identity_title,identity_first_name,identity_last_name,identity_email,identity_passport_number\n"
         ",0,card,Travel card,,,0,,,,,,Visa,Ann Lee,4111111111111111,04,2029,123,,,,,\n"
         ",0,identity,Passport,,,0,,,,,,,,,,,,Ms,Ann,Lee,ann@example.org,X1234\n"
         ",0,login,Old shop,,,0,https://old.example,ann,pw,,2024-05-06T07:08:09Z,,,,,,,,,,,\n",
         "Bitwarden CSV",
         {{"Credit Cards",
           {"Travel card", "04/2029", "4111111111111111", "123"},
           {"Cardholder: Ann Lee", "Brand: Visa"},
           ""},
          {"Personal Data",
           {"Ms Ann Lee", "Passport", "", ""},
           {"Email: ann@example.org", "Passport number: X1234"},
           ""},
          {"WWW Sites", {"Old shop", "https://old.example", "ann", "pw"}, {"Archived: 2024-05-06T07:08:09Z"}, ""}}},
        {"Chromium",
         "name,url,username,password,note\n"
         "accounts.example,https://accounts.example/login,al,\"pa,ss\",\n"
         "intranet,http://intra.example,bo,pw,\"a note\nover two lines\"\n",
         "Chromium, Chrome, Edge CSV",
         {{"WWW Sites", {"accounts.example", "https://accounts.example/login", "al", "pa,ss"}, {}, ""},
          {"WWW Sites", {"intranet", "http://intra.example", "bo", "pw"}, {"a note\nover two lines"}, ""}}},
        {"Firefox",
         "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\",\"timeCreated\","
         "\"timeLastUsed\",\"timePasswordChanged\"\n"
         "\"https://www.example.com\",\"fox\",\"p,w\",\"\",\"https://www.example.com\",\"{0b1e}\","
         "\"1598632148000\",\"1598632148000\",\"1598632148000\"\n"
         "\"https://router.example\",\"admin\",\"pw\",\"Router\",\"\",\"{0b1f}\",\"1262347200000000\",\"\",\"\"\n",
         "Firefox CSV",
         {{"WWW Sites",
           {"www.example.com", "https://www.example.com", "fox", "p,w"},
           {"Form sent to: https://www.example.com", "Last used: 2020-08-28", "Password changed: 2020-08-28"},
           "2020-08-28"},
          {"WWW Sites",
           {"router.example", "https://router.example", "admin", "pw"},
           {"HTTP realm: Router"},
           "2010-01-01"}}},
        {"Safari",
         "Title,URL,Username,Password,Notes,OTPAuth\n"
         "example.com (al),https://example.com/,al,pw,\"x, y\",otpauth://totp/Example:al?secret=JBSWY3DPEHPK3PXP\n"
         "plain,https://plain.example/,,pw,,\n",
         "Safari, Apple Passwords CSV",
         {{"WWW Sites",
           {"example.com (al)", "https://example.com/", "al", "pw"},
           {"x, y", "otpauth://totp/Example:al?secret=JBSWY3DPEHPK3PXP"},
           ""},
          {"WWW Sites", {"plain", "https://plain.example/", "", "pw"}, {}, ""}}},
        {"1Password",
         "Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes\n"
         "Shop,https://shop.example,al,pw,,true,false,\"shopping,home\",\"line\nbreak\"\n"
         "Server,,root,pw,otpauth://totp/Srv:root?secret=JBSWY3DPEHPK3PXP,false,true,,\n",
         "1Password CSV",
         {{"WWW Sites",
           {"Shop", "https://shop.example", "al", "pw"},
           {"Favorite", "Tags: shopping,home", "line\nbreak"},
           ""},
          {"Miscellaneous", {"Server", "", "root", "pw"}, {"Archived", "otpauth://totp/Srv:root?"}, ""}}},
        {"Bitwarden JSON",
         R"({"encrypted": false, "folders": [{"id": "f1", "name": "Email"}], "items": [
          {"id": "i1", "folderId": "f1", "type": 1, "name": "Mail", "notes": null, "favorite": false, "reprompt": 0,
           "fields": [{"name": "Recovery", "value": "abc", "type": 0}],
           "login": {"uris": [{"match": null, "uri": "https://mail.example"}, {"uri": "https://webmail.example"}],
                     "username": "me", "password": "pw", "totp": "JBSWY3DPEHPK3PXP"},
           "passwordHistory": [{"lastUsedDate": "2022-01-01T00:00:00Z", "password": "old"}],
           "creationDate": "2021-06-07T08:09:10.123Z", "revisionDate": "2023-01-01T00:00:00Z"},
          {"id": "i2", "folderId": null, "type": 3, "name": "Debit", "notes": "keep safe",
           "card": {"cardholderName": "Al", "brand": "Mastercard", "number": "5500", "expMonth": "1",
                    "expYear": "2030", "code": "999"}},
          {"id": "i3", "type": 2, "name": "Alarm code", "notes": "1234", "secureNote": {"type": 0}}]})",
         "Bitwarden JSON",
         {{"E-Mail Contacts",
           {"Mail", "https://mail.example", "me", "pw"},
           {"Recovery: abc", "URL: https://webmail.example", "Earlier password: old (until 2022-01-01T00:00:00Z)",
            "Last modified: 2023-01-01T00:00:00Z", "otpauth://totp/Mail:me?secret=JBSWY3DPEHPK3PXP"},
           "2021-06-07"},
          {"Credit Cards",
           {"Debit", "1/2030", "5500", "999"},
           {"keep safe", "Cardholder: Al", "Brand: Mastercard"},
           ""},
          {"Miscellaneous", {"Alarm code", "", "", ""}, {"1234"}, ""}}},
    };
    return cases;
}

// The cards of a batch in the order the file has them.
void expectCards(const ImportBatch& batch, const std::vector<Expected>& expected, const std::string& name) {
    ASSERT_EQ(batch.cards.size(), expected.size()) << name;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Card& card = *batch.cards[i];
        const Expected& want = expected[i];
        SCOPED_TRACE(name + ", card " + std::to_string(i + 1));
        EXPECT_EQ(categoryDisplayName(card.listPosition), want.category);
        const std::vector<std::string> fields = {win1252ToUtf8(card.firstField), win1252ToUtf8(card.secondField),
                                                 win1252ToUtf8(card.thirdField), win1252ToUtf8(card.fourthField)};
        EXPECT_EQ(fields, want.fields);
        const std::string note = noteOf(card);
        for (const std::string& part : want.noteHas)
            EXPECT_NE(note.find(part), std::string::npos) << note;
        EXPECT_EQ(FormatDateStamp(card.dateStamp, 4), want.date.empty() ? today() : want.date);
        // A setup the note has gives codes.
        if (auto line = otp::findSetupLine(card.note)) {
            EXPECT_TRUE(otp::parseSetup(line->text)) << line->text;
        }
    }
}

TEST(ImportLayouts, EachLayoutIsRecognisedAndEveryColumnReachesTheCard) {
    for (const LayoutCase& c : layoutCases()) {
        ImportBatch batch = importCards(c.text, "sample");
        ASSERT_TRUE(batch.ok()) << c.name << ": " << batch.error;
        EXPECT_EQ(batch.source, c.source) << c.name;
        EXPECT_TRUE(batch.leftOut.empty()) << c.name;
        expectCards(batch, c.cards, c.name);
        // A byte-order mark and the columns in another order and case change nothing.
        if (c.text[0] == '{')
            continue;
        std::string error;
        auto rows = parseCsv(c.text, error);
        ASSERT_TRUE(rows);
        std::string shuffled = "\xEF\xBB\xBF";
        for (std::size_t r = 0; r < rows->size(); ++r) {
            CsvRow row = (*rows)[r];
            std::reverse(row.begin(), row.end());
            if (r == 0)
                for (std::string& name : row)
                    name = asciiLower(name);
            shuffled += csvLine(row);
        }
        ImportBatch again = importCards(shuffled, "sample");
        ASSERT_TRUE(again.ok()) << c.name << ": " << again.error;
        EXPECT_EQ(again.source, c.source);
        ASSERT_EQ(again.cards.size(), batch.cards.size());
        for (std::size_t i = 0; i < batch.cards.size(); ++i) {
            EXPECT_EQ(again.cards[i]->listPosition, batch.cards[i]->listPosition) << c.name;
            EXPECT_EQ(again.cards[i]->fourthField, batch.cards[i]->fourthField) << c.name;
        }
    }
}

// Every column a layout lists has a rule, and a column no layout lists still reaches the note.
TEST(ImportLayouts, ColumnsNoLayoutListsAreKeptAsNoteLines) {
    ImportBatch batch =
        importCards("name,url,username,password,note,Security question\nSite,https://s.example,u,p,,Pet's name\n", "f");
    ASSERT_TRUE(batch.ok()) << batch.error;
    ASSERT_EQ(batch.cards.size(), 1u);
    EXPECT_EQ(noteOf(*batch.cards[0]), "Security question: Pet's name");
    for (const LayoutInfo& layout : foreignLayouts())
        for (const std::string& column : layout.required)
            EXPECT_TRUE(ruleFor(layout, column)) << column;
}

TEST(ImportLayouts, WhatCannotBeReadIsRefusedWithReasons) {
    struct Refusal {
        std::string text;
        ImportRequest request;
        std::vector<std::string> says;
    };
    const std::vector<Refusal> refusals = {
        {"Site,Login,Secret\nA,b,c\n",
         {},
         {"Site, Login, Secret", "KeePassXC (Group,Title", "Firefox (url,", "1Password"}},
        {"name,url,username,password\nA,b,c,d\n",
         {std::nullopt, CsvLayout::KeePassXC},
         {"not a KeePassXC export", "lacks the columns Group, Title, Notes"}},
        {"Group,Title,Username,Password,URL,Notes\nA,ok,,,,\nB,Greek,\xCE\xA9,,,\n",
         {},
         {"Row 3 (card \"Greek\"), field Description: The character"}},
        // Rows are counted from the file's first, an empty row before the header included.
        {",,,\nname,url,username,password\nx,https://x.example,\xCE\xA9,\n", {},
         {"Row 3 (card \"x\"), field User ID: The character"}},
        {"Group,Title,Username,Password,URL,Notes\nA,b,c,d,e,f,g\n", {}, {"Row 2 has 7 fields"}},
        {"Group,Title\n\"unclosed,x\n", {}, {"is not readable CSV"}},
        {R"({"encrypted": true, "items": []})", {}, {"encrypted Bitwarden export"}},
        {R"({"something": []})", {}, {"neither this program's", "Bitwarden's"}},
    };
    for (const Refusal& r : refusals) {
        ImportBatch batch = importCards(r.text, "in.csv", r.request);
        EXPECT_FALSE(batch.ok()) << r.text;
        for (const std::string& part : r.says)
            EXPECT_NE(batch.error.find(part), std::string::npos) << batch.error;
    }
}

TEST(ImportLayouts, GroupsGoToTheirCategoriesAndTheSummarySaysWhere) {
    const std::vector<std::pair<std::string, int>> groups = {
        {"Root/Banking", 7},     {"bank", 7},          {"Root/Email", 4},
        {"E-Mail", 4},           {"Web", 0},           {"Websites", 0},
        {"internet", 0},         {"ATM/PIN Cards", 9}, {"Root/atm/pin cards", -1},
        {"x/Software Keys", 11}, {"Root", -1},         {"", -1},
    };
    for (const auto& [group, id] : groups)
        EXPECT_EQ(categoryForGroupName(group), id) << group;

    ImportBatch batch = importCards(
        "Group,Title,Username,Password,URL,Notes\n"
        "Root,Site,,,https://s.example,\nRoot,Other,,,,\nPersonal Data,Me,,,,\n",
        "kp.csv");
    ASSERT_TRUE(batch.ok()) << batch.error;
    CardStore store;
    const auto counts = addImportedCards(batch, store);
    const std::vector<std::string> summary = importSummary(batch, counts);
    const std::vector<std::string> expected = {"\"Root\" -> Miscellaneous (1), WWW Sites (1)",
                                               "1 card(s) into Miscellaneous", "1 card(s) into Personal Data",
                                               "1 card(s) into WWW Sites"};
    EXPECT_EQ(summary, expected);
    EXPECT_EQ(store.GetCategoryList(10)->GetCardCount(), 1);
}

// This program's own layouts come back as they went, recognised without being named.
TEST(ImportLayouts, OwnLayoutsRoundTrip) {
    CardStore store;
    auto add = [&](int list, std::string first, std::string note, std::uint32_t stamp) {
        auto card = std::make_unique<Card>();
        card->firstField = std::move(first);
        card->secondField = "https://x.example/?a=1,b=2";
        card->thirdField = "Name";  // a label of the category, as a header row names it
        card->fourthField = " pass\"word ";
        card->note = std::move(note);
        card->categoryId = static_cast<std::uint8_t>(list == kDeletedCategoryId ? 3 : list);
        card->dateStamp = stamp;
        card->automaticAccess = 1;
        if (list == kDeletedCategoryId)
            card->stateFlags = kStateDeleted;  // as the deleted list keeps its cards
        store.GetCategoryList(list)->AddCard(std::move(card));
    };
    add(0, "Caf\xE9", "two\r\nlines, \"quoted\"\r\notpauth://totp/A:b?secret=JBSWY3DPEHPK3PXP",
        DateStampFor(2020, 2, 3));
    add(9, "Name", "Note", DateStampFor(2001, 1, 1, 10, 0, 0));
    add(13, "", "", DateStampFor(2039, 12, 31));
    add(kDeletedCategoryId, "Gone", "", DateStampFor(2010, 5, 5));

    auto cardsOf = [](const CardStore& s, bool withDeleted) {
        std::vector<std::pair<int, Card>> out;
        for (int id : storedListOrder()) {
            if (id == kDeletedCategoryId && !withDeleted)
                continue;
            const CardList& list = *s.GetCategoryList(id);
            for (int i = 0; i < list.GetCardCount(); ++i) {
                Card c = *list.GetCardAt(i);
                c.dateText.clear();
                c.categoryName.clear();
                c.listPosition = 0;
                out.emplace_back(id, c);
            }
        }
        return out;
    };
    // JSON keeps everything.
    ImportBatch json = importCards(exportJson(store), "all.json");
    ASSERT_TRUE(json.ok()) << json.error;
    EXPECT_EQ(json.source, "this program's JSON");
    CardStore fromJson;
    addImportedCards(json, fromJson);
    EXPECT_EQ(cardsOf(fromJson, true), cardsOf(store, true));
    // CSV keeps the shown cards' texts and days.
    ImportBatch csv = importCards(exportCsv(store, CsvLayout::Quorvane), "all.csv");
    ASSERT_TRUE(csv.ok()) << csv.error;
    EXPECT_EQ(csv.source, "this program's CSV");
    CardStore fromCsv;
    addImportedCards(csv, fromCsv);
    const auto before = cardsOf(store, false), after = cardsOf(fromCsv, false);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].first, before[i].first);
        const Card &a = after[i].second, &b = before[i].second;
        EXPECT_EQ(std::tie(a.firstField, a.secondField, a.thirdField, a.fourthField, a.note),
                  std::tie(b.firstField, b.secondField, b.thirdField, b.fourthField, b.note));
        EXPECT_EQ(FormatDateStamp(a.dateStamp, 4), FormatDateStamp(b.dateStamp, 4));
    }
    // The other managers' layouts export writes are read back to the same texts and categories.
    for (CsvLayout layout : {CsvLayout::KeePassXC, CsvLayout::Bitwarden}) {
        ImportBatch back = importCards(exportCsv(store, layout), "other.csv");
        ASSERT_TRUE(back.ok()) << back.error;
        ASSERT_EQ(back.cards.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(back.cards[i]->listPosition, before[i].first);
            EXPECT_EQ(back.cards[i]->note, before[i].second.note);
            EXPECT_EQ(back.cards[i]->secondField, before[i].second.secondField);
        }
    }
}

}  // namespace
