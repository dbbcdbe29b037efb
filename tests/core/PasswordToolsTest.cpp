// The password generator and the strength estimate, in the core and through quorvane-cli.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>
#include <sstream>

#include "TestSupport.h"
#include "crypto/PasswordGenerator.h"
#include "crypto/PasswordStrength.h"

namespace {

bool holdsAny(const std::string& text, std::string_view chars) {
    return text.find_first_of(chars) != std::string::npos;
}

}  // namespace

TEST(PasswordGenerator, PasswordsHoldEveryClassAtTheirLength) {
    const struct {
        PasswordRecipe recipe;
        std::size_t length;
    } cases[] = {
        {{20, true, 0}, 20}, {{64, true, 0}, 64}, {{12, false, 0}, 12}, {{4, true, 0}, 4}, {{1, true, 0}, 4},
        {{1, false, 0}, 3},
    };
    for (const auto& c : cases) {
        for (int round = 0; round < 200; ++round) {
            const std::string password = generatePassword(c.recipe);
            ASSERT_EQ(password.size(), c.length);
            EXPECT_TRUE(holdsAny(password, "abcdefghijklmnopqrstuvwxyz")) << password;
            EXPECT_TRUE(holdsAny(password, "ABCDEFGHIJKLMNOPQRSTUVWXYZ")) << password;
            EXPECT_TRUE(holdsAny(password, "0123456789")) << password;
            EXPECT_EQ(holdsAny(password, kPasswordSymbols), c.recipe.symbols) << password;
            for (char ch : password) {
                EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(ch)) || kPasswordSymbols.find(ch) != std::string_view::npos);
            }
        }
    }
    // Every character of the alphabet turns up, and passwords do not repeat.
    std::set<char> seen;
    std::set<std::string> passwords;
    for (int i = 0; i < 2000; ++i) {
        const std::string password = generatePassword({});
        seen.insert(password.begin(), password.end());
        passwords.insert(password);
    }
    EXPECT_EQ(seen.size(), 26u + 26u + 10u + kPasswordSymbols.size());
    EXPECT_EQ(passwords.size(), 2000u);
}

TEST(PasswordGenerator, PassphrasesAreWordsOfTheListJoinedByHyphens) {
    ASSERT_EQ(passphraseWordCount(), 7776u);
    std::set<std::string_view> list;
    for (std::size_t i = 0; i < passphraseWordCount(); ++i) list.insert(passphraseWord(i));
    EXPECT_EQ(list.size(), 7776u);
    PasswordRecipe one;
    one.words = 1;
    std::set<std::string> drawn;
    for (int round = 0; round < 3000; ++round) {
        const std::string word = generatePassword(one);
        EXPECT_EQ(list.count(word), 1u) << word;
        drawn.insert(word);
    }
    EXPECT_GT(drawn.size(), 2000u);  // 3,000 draws from 7,776 words repeat a few hundred at most
    PasswordRecipe six;
    six.words = 6;
    const std::string phrase = generatePassword(six);
    EXPECT_GE(std::count(phrase.begin(), phrase.end(), '-'), 5) << phrase;
    EXPECT_TRUE(std::islower(static_cast<unsigned char>(phrase.front())) &&
                std::islower(static_cast<unsigned char>(phrase.back())))
        << phrase;
}

TEST(PasswordStrength, ScoresAndTimesFollowTheEstimate) {
    const struct {
        const char* password;
        int minScore, maxScore;
    } cases[] = {
        {"", 0, 0}, {"password", 0, 0}, {"123456", 0, 0}, {"qwertyuiop", 0, 1},
        {"correct horse battery staple", 3, 4}, {"x;r!G6e|GS@8zrc/&}z3<", 4, 4},
    };
    for (const auto& c : cases) {
        const PasswordStrength s = estimateStrength(c.password);
        EXPECT_GE(s.score, c.minScore) << c.password;
        EXPECT_LE(s.score, c.maxScore) << c.password;
    }
    EXPECT_EQ(strengthName(0), "Very weak");
    EXPECT_EQ(strengthName(4), "Very strong");
    EXPECT_EQ(offlineGuessTime(5), "less than a second");
    EXPECT_EQ(offlineGuessTime(10 + std::log10(3 * 3600.0)), "about 3 hours");
    EXPECT_EQ(offlineGuessTime(10 + std::log10(86400.0)), "about 1 day");
    EXPECT_EQ(offlineGuessTime(40), "centuries");
}

// The time to guess is the guess count over the rate: the fast hash for passwords other programs
// keep, one key derivation per guess (per core) for our own files.
TEST(PasswordStrength, GuessTimeAtARate) {
    const struct {
        double log10Guesses;
        double secondsPerGuess;  // 0: the fast hash
        const char* time;
    } cases[] = {
        {5, 0, "less than a second"},
        {10 + std::log10(3 * 3600.0), 0, "about 3 hours"},
        {std::log10(3 * 86400.0), 1.0, "about 3 days"},  // a second of Argon2id for each guess
        {std::log10(3 * 86400.0), 2.0, "about 6 days"},  // a slower machine's cost doubles it
        {std::log10(30.0), 1.0, "about 30 seconds"},
        {0.3, 1.0, "about 2 seconds"},
        {std::log10(0.5), 1.0, "less than a second"},
        {std::log10(31557600.0 * 6), 0.5, "about 3 years"},
        {12, 1.0, "centuries"},
        {12, 1e-12, "about 2 minutes"},  // a derivation too fast to time counts as the fast hash
    };
    for (const auto& c : cases) {
        const double rate = c.secondsPerGuess > 0 ? guessesPerSecondAt(c.secondsPerGuess) : kFastHashGuessesPerSecond;
        EXPECT_EQ(guessTime(c.log10Guesses, rate), c.time) << c.log10Guesses << " at " << c.secondsPerGuess;
    }
    EXPECT_EQ(guessesPerSecondAt(0), kFastHashGuessesPerSecond);
    EXPECT_EQ(offlineGuessTime(12), guessTime(12, kFastHashGuessesPerSecond));
}

TEST(CliPasswords, GenerateAndStrength) {
    CliRun many = runCli({"generate", "--count", "5", "--length", "30", "--no-symbols"});
    ASSERT_EQ(many.status, 0) << many.err;
    std::stringstream lines(many.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        EXPECT_EQ(line.size(), 30u);
        EXPECT_FALSE(holdsAny(line, kPasswordSymbols));
        ++count;
    }
    EXPECT_EQ(count, 5);
    CliRun words = runCli({"generate", "--words", "4"});
    ASSERT_EQ(words.status, 0);
    EXPECT_GE(std::count(words.out.begin(), words.out.end(), '-'), 3);
    EXPECT_NE(runCli({"generate", "--length", "0"}).status, 0);

    CliRun weak = runCli({"strength"}, "password\n");
    EXPECT_EQ(weak.status, 0);
    EXPECT_EQ(weak.out, "0/4 (about 10^0 guesses)\n");
    CliRun strong = runCli({"strength"}, "x;r!G6e|GS@8zrc/&}z3<\n");
    EXPECT_EQ(strong.out.substr(0, 4), "4/4 ");
    EXPECT_EQ(runCli({"strength"}, "").status, 1);
}
