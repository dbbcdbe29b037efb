#include "crypto/PasswordGenerator.h"

#include <sodium.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

// The EFF large word list, compiled in by the build.
constexpr std::string_view kWords[] = {
#include "PassphraseWords.inc"
};

/// A uniform index below `bound` (bound > 0).
std::size_t uniform(std::size_t bound) {
    if (sodium_init() < 0) throw std::runtime_error("The random number generator cannot be started.");
    return randombytes_uniform(static_cast<std::uint32_t>(bound));
}

}  // namespace

std::size_t passphraseWordCount() { return std::size(kWords); }

std::string_view passphraseWord(std::size_t index) { return kWords[index]; }

std::string generatePassword(const PasswordRecipe& recipe) {
    if (recipe.words > 0) {
        std::string phrase;
        for (std::size_t i = 0; i < recipe.words; ++i) {
            if (i > 0) phrase += '-';
            phrase += kWords[uniform(std::size(kWords))];
        }
        return phrase;
    }
    std::vector<std::string_view> classes = {"abcdefghijklmnopqrstuvwxyz", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "0123456789"};
    if (recipe.symbols) classes.push_back(kPasswordSymbols);
    std::string alphabet;
    for (std::string_view c : classes) alphabet += c;
    const std::size_t length = std::max(recipe.length, classes.size());
    // Drawn whole until every class is present: each accepted password is then uniform among the
    // passwords of this length that hold every class.
    for (;;) {
        std::string password(length, '\0');
        for (char& c : password) c = alphabet[uniform(alphabet.size())];
        bool all = true;
        for (std::string_view c : classes) all = all && password.find_first_of(c) != std::string::npos;
        if (all) return password;
        sodium_memzero(password.data(), password.size());
    }
}
