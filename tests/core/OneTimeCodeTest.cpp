// One-time codes: the published HOTP and TOTP vectors, Steam's codes, reading otpauth:// addresses as
// people paste them (and refusing those that cannot give a code), and the setup's line in a note.
#include <gtest/gtest.h>

#include <algorithm>

#include "otp/OneTimeCode.h"

namespace {

using otp::Algorithm;
using otp::Kind;
using OtpSetup = otp::Setup;  // gtest's Test has a member of the plain name

// The seeds of RFC 6238's appendix B ("1234567890" repeated to 20, 32 and 64 bytes), in Base32.
constexpr const char* kSeed20 = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
constexpr const char* kSeed32 = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZA";
constexpr const char* kSeed64 =
    "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNA";

OtpSetup parsed(const std::string& uri) {
    otp::ParsedSetup result = otp::parseSetup(uri);
    EXPECT_TRUE(result) << uri << ": " << result.error;
    return result.setup.value_or(OtpSetup{});
}

TEST(OneTimeCode, GivesTheTimeBasedCodesOfRfc6238) {
    struct Row {
        std::int64_t time;
        const char *sha1, *sha256, *sha512;
    };
    const Row rows[] = {
        {59, "94287082", "46119246", "90693936"},         {1111111109, "07081804", "68084774", "25091201"},
        {1111111111, "14050471", "67062674", "99943326"}, {1234567890, "89005924", "91819424", "93441116"},
        {2000000000, "69279037", "90698825", "38618901"}, {20000000000, "65353130", "77737706", "47863826"}};
    const OtpSetup sha1 = parsed(std::string("otpauth://totp/RFC?secret=") + kSeed20 + "&digits=8");
    const OtpSetup sha256 = parsed(std::string("otpauth://totp/RFC?secret=") + kSeed32 + "&digits=8&algorithm=SHA256");
    const OtpSetup sha512 = parsed(std::string("otpauth://totp/RFC?secret=") + kSeed64 + "&digits=8&algorithm=SHA512");
    ASSERT_EQ(sha1.secret, "12345678901234567890");
    ASSERT_EQ(sha256.secret.size(), 32u);
    ASSERT_EQ(sha512.secret.size(), 64u);
    for (const Row& row : rows) {
        EXPECT_EQ(otp::code(sha1, row.time), row.sha1) << row.time;
        EXPECT_EQ(otp::code(sha256, row.time), row.sha256) << row.time;
        EXPECT_EQ(otp::code(sha512, row.time), row.sha512) << row.time;
    }
    // The step starts at each multiple of the period: 59 has one second left, 60 the whole period.
    EXPECT_EQ(otp::secondsLeft(sha1, 59), 1u);
    EXPECT_EQ(otp::secondsLeft(sha1, 60), 30u);
    EXPECT_EQ(otp::secondsLeft(parsed(std::string("otpauth://totp/x?secret=") + kSeed20 + "&period=60"), 61), 59u);
    EXPECT_EQ(otp::code(sha1, -1), "");
}

TEST(OneTimeCode, GivesTheCounterBasedCodesOfRfc4226) {
    const char* expected[] = {"755224", "287082", "359152", "969429", "338314",
                              "254676", "287922", "162583", "399871", "520489"};
    for (int counter = 0; counter < 10; ++counter) {
        const OtpSetup setup =
            parsed(std::string("otpauth://hotp/RFC?secret=") + kSeed20 + "&counter=" + std::to_string(counter));
        EXPECT_EQ(otp::code(setup, 1'700'000'000), expected[counter]) << counter;  // the clock plays no part
        EXPECT_EQ(otp::secondsLeft(setup, 1'700'000'000), 0u);
    }
    // With another algorithm a counter gives what the time-based code of the same step gives (59 s is step 1).
    EXPECT_EQ(
        otp::code(parsed(std::string("otpauth://hotp/x?secret=") + kSeed32 + "&counter=1&digits=8&algorithm=SHA256"),
                  0),
        "46119246");
}

TEST(OneTimeCode, GivesSteamCodesInItsFiveCharacters) {
    // Worked out independently: the 31-bit number of the HMAC-SHA1 truncation, least significant
    // character first, in the alphabet 23456789BCDFGHJKMNPQRTVWXY.
    struct Row {
        const char* secret;
        std::int64_t time;
        const char* code;
    };
    const Row rows[] = {{kSeed20, 0, "GG5F5"},
                        {kSeed20, 59, "PV9M4"},
                        {kSeed20, 1111111109, "PY4YB"},
                        {kSeed20, 1234567890, "VHHQY"},
                        {kSeed20, 2000000000, "9N776"},
                        {"JBSWY3DPEHPK3PXP", 0, "VH8YJ"},
                        {"JBSWY3DPEHPK3PXP", 1700000000, "2KM2P"}};
    for (const Row& row : rows) {
        const OtpSetup setup = parsed(std::string("otpauth://totp/Steam:me?secret=") + row.secret + "&encoder=steam");
        EXPECT_TRUE(setup.steam);
        EXPECT_EQ(otp::code(setup, row.time), row.code) << row.secret << " at " << row.time;
    }
    EXPECT_EQ(otp::code(parsed(std::string("otpauth://steam/Steam:me?secret=") + kSeed20), 59), "PV9M4");
}

TEST(OneTimeCode, ReadsSetupsAsPeoplePasteThem) {
    const std::string hello = "Hello!\xDE\xAD\xBE\xEF";  // JBSWY3DPEHPK3PXP
    auto setup = [&](Kind kind, Algorithm algorithm, unsigned digits, std::uint32_t period, std::uint64_t counter,
                     bool steam, std::string issuer, std::string account) {
        return OtpSetup{kind, hello, algorithm, digits, period, counter, steam, std::move(issuer), std::move(account)};
    };
    struct Row {
        std::string text;
        otp::TextForm form;
        OtpSetup expected;
    };
    const otp::TextForm card = otp::TextForm::Card;
    const Row rows[] = {
        {"otpauth://totp/Example:alice@example.com?secret=JBSWY3DPEHPK3PXP&issuer=Example", card,
         setup(Kind::Totp, Algorithm::Sha1, 6, 30, 0, false, "Example", "alice@example.com")},
        // Lower case, blanks and padding in the secret; blanks around the address.
        {"  otpauth://totp/bob?secret=jbsw y3dp ehpk 3pxp====  \r\n", card,
         setup(Kind::Totp, Algorithm::Sha1, 6, 30, 0, false, "", "bob")},
        {"otpauth://totp/ACME%20Co%3Ajohn.doe%40email.com?secret=JBSWY3DPEHPK3PXP&algorithm=SHA1&digits=6&period=30",
         card, setup(Kind::Totp, Algorithm::Sha1, 6, 30, 0, false, "ACME Co", "john.doe@email.com")},
        // The issuer parameter wins over the label's; '+' in the query is a blank.
        {"otpauth://totp/Old:%20bob?secret=JBSWY3DPEHPK3PXP&issuer=New+Name", card,
         setup(Kind::Totp, Algorithm::Sha1, 6, 30, 0, false, "New Name", "bob")},
        {"OTPAUTH://TOTP/x?SECRET=JBSWY3DPEHPK3PXP&Algorithm=sha-512&digits=8&period=60&image=https%3A%2F%2Fx", card,
         setup(Kind::Totp, Algorithm::Sha512, 8, 60, 0, false, "", "x")},
        {"otpauth://hotp/Bank:me?secret=JBSWY3DPEHPK3PXP&counter=42&digits=7&algorithm=SHA256&period=0", card,
         setup(Kind::Hotp, Algorithm::Sha256, 7, 30, 42, false, "Bank", "me")},
        {"otpauth://totp/Steam:me?secret=JBSWY3DPEHPK3PXP&digits=5&encoder=steam", card,
         setup(Kind::Totp, Algorithm::Sha1, 5, 30, 0, true, "Steam", "me")},
        {"otpauth://totp?secret=JBSWY3DPEHPK3PXP", card, setup(Kind::Totp, Algorithm::Sha1, 6, 30, 0, false, "", "")},
        // Colons inside the names: the issuer parameter finds the issuer whole; an empty issuer before the
        // separator leaves the account whole; an empty issuer parameter is no issuer.
        {"otpauth://totp/a%3Ab:c?secret=JBSWY3DPEHPK3PXP&issuer=a%3Ab", card,
         setup(Kind::Totp, Algorithm::Sha1, 6, 30, 0, false, "a:b", "c")},
        {"otpauth://totp/:x:y?secret=JBSWY3DPEHPK3PXP", card,
         setup(Kind::Totp, Algorithm::Sha1, 6, 30, 0, false, "", "x:y")},
        {"otpauth://totp/A:b?secret=JBSWY3DPEHPK3PXP&issuer=", card,
         setup(Kind::Totp, Algorithm::Sha1, 6, 30, 0, false, "A", "b")},
        // A name typed in a note is Windows-1252; one from a terminal or a QR code UTF-8; %-escapes UTF-8.
        {"otpauth://totp/Caf\xE9:%C3%A9mile?secret=JBSWY3DPEHPK3PXP", card,
         setup(Kind::Totp, Algorithm::Sha1, 6, 30, 0, false, "Caf\xC3\xA9", "\xC3\xA9mile")},
        {"otpauth://totp/Caf\xC3\xA9:%C3%A9mile?secret=JBSWY3DPEHPK3PXP", otp::TextForm::Utf8,
         setup(Kind::Totp, Algorithm::Sha1, 6, 30, 0, false, "Caf\xC3\xA9", "\xC3\xA9mile")},
    };
    for (const Row& row : rows) {
        otp::ParsedSetup result = otp::parseSetup(row.text, row.form);
        ASSERT_TRUE(result) << row.text << ": " << result.error;
        EXPECT_EQ(*result.setup, row.expected) << row.text;
        // The plain form reads back as the same setup, and is ASCII whatever the names hold.
        const std::string uri = otp::toUri(*result.setup);
        EXPECT_EQ(otp::parseSetup(uri).setup, row.expected) << uri;
        EXPECT_TRUE(std::all_of(uri.begin(), uri.end(), [](char c) { return c > ' ' && c < 0x7F; })) << uri;
    }
    EXPECT_EQ(otp::toUri(rows[2].expected),
              "otpauth://totp/ACME%20Co:john.doe%40email.com?secret=JBSWY3DPEHPK3PXP&issuer=ACME%20Co");
    EXPECT_EQ(otp::toUri(rows[5].expected),
              "otpauth://hotp/Bank:me?secret=JBSWY3DPEHPK3PXP&issuer=Bank&algorithm=SHA256&digits=7&counter=42");
    EXPECT_EQ(otp::toUri(rows[6].expected),
              "otpauth://totp/Steam:me?secret=JBSWY3DPEHPK3PXP&issuer=Steam&encoder=steam");
}

TEST(OneTimeCode, RefusesSetupsThatCannotGiveACodeAndSaysWhy) {
    const std::string notAnAddress =
        "A one-time code setup is an address that starts with otpauth://, as in "
        "otpauth://totp/Example:alice?secret=JBSWY3DPEHPK3PXP.";
    const std::string noSecret = "The setup has no secret (secret=...), so it cannot give a code.";
    const std::string digits =
        "digits cannot be made: codes have 6 to 8 digits (Steam's have 5 characters, with "
        "encoder=steam).";
    const std::pair<std::string, std::string> rows[] = {
        {"", notAnAddress},
        {"https://example.com/?secret=JBSWY3DPEHPK3PXP", notAnAddress},
        {"otpauth-migration://offline?data=CjEKCkhlbGxvId6tvu8",
         "This is an export of several accounts (otpauth-migration:), not one setup; set each card from its own "
         "otpauth:// address."},
        {"otpauth://xotp/x?secret=JBSWY3DPEHPK3PXP",
         "The kind of code \"xotp\" is not known: a setup is otpauth://totp/... (codes from the clock) or "
         "otpauth://hotp/... (codes from a counter)."},
        {"otpauth://totp/x?issuer=Example", noSecret},
        {"otpauth://totp/x?secret=%20==&issuer=Example", noSecret},
        {"otpauth://totp/x?secret=JBSWY3DP1EHPK3PXP",
         "The secret is not Base32: \"1\" is not one of its letters A-Z and digits 2-7."},
        {"otpauth://totp/x?secret=JBSWY3DPE",
         "The secret is not Base32: it has 9 letters, which is a length Base32 never has (it was cut short?)."},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&digits=9", "A code of \"9\" " + digits},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&digits=5", "A code of \"5\" " + digits},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&digits=six", "A code of \"six\" " + digits},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&digits=6&encoder=steam", "A code of \"6\" " + digits},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&period=0",
         "The period \"0\" is not a number of seconds of at least 1, so codes cannot follow the clock."},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&period=-30",
         "The period \"-30\" is not a number of seconds of at least 1, so codes cannot follow the clock."},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&algorithm=MD5",
         "The algorithm \"MD5\" is not one a code can be made with: it must be SHA1, SHA256 or SHA512."},
        // What the address holds is quoted on one line of bounded length.
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&algorithm=%0Aabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz",
         "The algorithm \"?abcdefghijklmnopqrstuvwxyzabcdefghijklm...\" is not one a code can be made with: it must "
         "be SHA1, SHA256 or SHA512."},
        {"otpauth://totp/x?secret=JBSWY3DP%C3%A9",
         "The secret is not Base32: a letter outside ASCII is not one of its "
         "letters A-Z and digits 2-7."},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&encoder=morse",
         "The encoder \"morse\" is not known; the only one is steam."},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&encoder=steam&algorithm=SHA256",
         "Steam codes are made with SHA1; the setup asks for another algorithm."},
        {"otpauth://hotp/x?secret=JBSWY3DPEHPK3PXP",
         "A counter-based setup (otpauth://hotp/...) needs its counter, as in counter=0."},
        {"otpauth://hotp/x?secret=JBSWY3DPEHPK3PXP&counter=9223372036854775808",
         "The counter \"9223372036854775808\" is not a whole number from 0 to 9223372036854775807."},
        {"otpauth://hotp/x?secret=JBSWY3DPEHPK3PXP&counter=1&encoder=steam",
         "Steam codes follow the clock; a counter-based setup cannot have them."},
    };
    for (const auto& [text, message] : rows) {
        otp::ParsedSetup result = otp::parseSetup(text);
        EXPECT_FALSE(result) << text;
        EXPECT_EQ(result.error, message) << text;
    }
}

TEST(OneTimeCode, KeepsTheSetupAsOneLineOfTheNote) {
    const OtpSetup setup = parsed("otpauth://totp/Example:bob?secret=JBSWY3DPEHPK3PXP");
    const std::string uri = otp::toUri(setup);
    const std::string shown = "(one-time code set up)";
    struct Row {
        std::string note, withSetup, forDisplay, withoutSetup;
    };
    const Row rows[] = {
        {"", uri, "", ""},
        {"PIN 1234", "PIN 1234\r\n" + uri, "PIN 1234", "PIN 1234"},
        {"a\r\nb\r\n", "a\r\nb\r\n" + uri, "a\r\nb\r\n", "a\r\nb\r\n"},
        // A mention inside a line is not a setup line.
        {"see otpauth://totp/x", "see otpauth://totp/x\r\n" + uri, "see otpauth://totp/x", "see otpauth://totp/x"},
        // The first setup line counts, blanks around it and all, even one that cannot give a code.
        {"a\r\n  OTPAUTH://totp/old?secret=1 \r\nb\r\notpauth://totp/y", "a\r\n" + uri + "\r\nb\r\notpauth://totp/y",
         "a\r\n" + shown + "\r\nb\r\notpauth://totp/y", "a\r\nb\r\notpauth://totp/y"},
        {"a\r\notpauth://totp/old", "a\r\n" + uri, "a\r\n" + shown, "a"},
        {"otpauth://totp/old\r\n", uri + "\r\n", shown + "\r\n", ""},
        {"a\notpauth://totp/old\nb", "a\n" + uri + "\nb", "a\n" + shown + "\nb", "a\nb"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(otp::noteWithSetup(row.note, setup), row.withSetup) << row.note;
        EXPECT_EQ(otp::noteForDisplay(row.note), row.forDisplay) << row.note;
        EXPECT_EQ(otp::noteWithoutSetup(row.note), row.withoutSetup) << row.note;
    }
    auto line = otp::findSetupLine("x\r\n  otpauth://totp/a?secret=AA \r\n");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->begin, 3u);
    EXPECT_EQ(line->end, 32u);
    EXPECT_EQ(line->text, "otpauth://totp/a?secret=AA");
    EXPECT_FALSE(otp::findSetupLine("no setup\r\nhere"));
}

}  // namespace
