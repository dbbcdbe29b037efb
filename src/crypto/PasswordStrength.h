#pragma once
// How hard a password is to guess, as zxcvbn estimates it. It only informs: the program's own
// password rules decide what is accepted.

#include <string>

struct PasswordStrength {
    int score = 0;              // 0 (very weak) to 4 (very strong), zxcvbn's scale
    double log10Guesses = 0.0;  // the estimated guesses to find it, as a power of ten
};

/// The estimate for `utf8Password` (UTF-8 text).
PasswordStrength estimateStrength(const std::string& utf8Password);

/// "Very weak", "Weak", "Fair", "Strong" or "Very strong".
std::string strengthName(int score);

/// Ten billion guesses a second: a fast hash on graphics cards, what a password other programs keep
/// (a card's password for a web site) may face.
inline constexpr double kFastHashGuessesPerSecond = 1e10;

/// The time `guessesPerSecond` need for 10^log10Guesses guesses, in words: "less than a second",
/// "about 3 hours", "centuries".
std::string guessTime(double log10Guesses, double guessesPerSecond);

/// guessTime() at the fast-hash rate.
std::string offlineGuessTime(double log10Guesses);

/// The guesses a second one core makes when each guess is a key derivation that takes `seconds`.
double guessesPerSecondAt(double seconds);
