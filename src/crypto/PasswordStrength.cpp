#include "crypto/PasswordStrength.h"

#include <zxcvbn.h>

#include <algorithm>
#include <cmath>

PasswordStrength estimateStrength(const std::string& utf8Password) {
    // zxcvbn gives the entropy in bits; its scores are thresholds on the guesses that stands for.
    const double bits = ZxcvbnMatch(utf8Password.c_str(), nullptr, nullptr);
    PasswordStrength strength;
    strength.log10Guesses = bits * std::log10(2.0);
    const double thresholds[] = {3, 6, 8, 10};
    while (strength.score < 4 && strength.log10Guesses >= thresholds[strength.score]) ++strength.score;
    return strength;
}

std::string strengthName(int score) {
    static const char* const kNames[] = {"Very weak", "Weak", "Fair", "Strong", "Very strong"};
    return kNames[score < 0 ? 0 : score > 4 ? 4 : score];
}

double guessesPerSecondAt(double seconds) {
    // A derivation no clock can time is taken as the fast hash, never as infinitely many guesses.
    return seconds > 0 ? std::min(1.0 / seconds, kFastHashGuessesPerSecond) : kFastHashGuessesPerSecond;
}

std::string offlineGuessTime(double log10Guesses) { return guessTime(log10Guesses, kFastHashGuessesPerSecond); }

std::string guessTime(double log10Guesses, double guessesPerSecond) {
    if (!(guessesPerSecond > 0)) guessesPerSecond = kFastHashGuessesPerSecond;
    const double seconds = std::pow(10.0, log10Guesses - std::log10(guessesPerSecond));
    const struct {
        double size;
        const char* unit;
    } units[] = {{31557600.0 * 100, "century"}, {31557600.0, "year"}, {2629800.0, "month"}, {86400.0, "day"},
                 {3600.0, "hour"},             {60.0, "minute"},     {1.0, "second"}};
    if (seconds < 1.0) return "less than a second";
    if (seconds >= 31557600.0 * 100 * 10) return "centuries";
    for (const auto& u : units) {
        if (seconds >= u.size) {
            const long n = std::lround(seconds / u.size);
            const std::string unit = n == 1 ? u.unit : std::string(u.unit) == "century" ? "centuries" : std::string(u.unit) + "s";
            return "about " + std::to_string(n) + " " + unit;
        }
    }
    return "less than a second";
}
