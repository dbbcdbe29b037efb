#pragma once
// New passwords and passphrases, drawn with libsodium's uniform random numbers (no modulo bias).

#include <cstddef>
#include <string>
#include <string_view>

struct PasswordRecipe {
    std::size_t length = 20;  // characters of a password
    bool symbols = true;      // draw from symbols as well as letters and digits
    std::size_t words = 0;    // > 0: a passphrase of this many words instead
};

/// A password of `recipe.length` characters with at least one lower-case letter, one upper-case
/// letter, one digit and (with symbols) one symbol, each character uniformly drawn from the classes
/// in use; or, with `recipe.words` > 0, that many words of the passphrase list joined by "-".
/// Lengths below the number of classes are raised to it. ASCII only, so any card can hold it.
std::string generatePassword(const PasswordRecipe& recipe);

/// The symbols a password may hold.
inline constexpr std::string_view kPasswordSymbols = "!#$%&()*+,-./:;<=>?@[]^_{|}~";

/// The passphrase word list: 7,776 distinct lower-case words.
std::size_t passphraseWordCount();
std::string_view passphraseWord(std::size_t index);
