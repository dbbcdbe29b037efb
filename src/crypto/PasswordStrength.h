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

/// The time an attacker with a copy of the file needs at ten billion guesses a second (a fast hash
/// on graphics cards), in words: "less than a second", "about 3 hours", "centuries".
std::string offlineGuessTime(double log10Guesses);
