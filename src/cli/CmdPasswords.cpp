// generate and strength: new passwords, and how hard one is to guess.

#include <cmath>
#include <iostream>

#include "cli/Commands.h"
#include "cli/Terminal.h"
#include "common/Wipe.h"
#include "common/Win1252.h"
#include "crypto/PasswordGenerator.h"
#include "crypto/PasswordStrength.h"

int cmdGenerate(const GenerateOptions& options) {
    PasswordRecipe recipe;
    recipe.length = options.length;
    recipe.symbols = !options.noSymbols;
    recipe.words = options.words;
    for (std::size_t i = 0; i < options.count; ++i) {
        std::string password = generatePassword(recipe);
        std::cout << password << '\n';
        wipeSecret(password);
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

int cmdStrength() {
    TerminalPrompter terminal;
    std::optional<std::string> typed = terminal.askSecretText("Password: ");
    if (!typed) {
        return 1;
    }
    std::string utf8 = win1252ToUtf8(*typed);
    wipeSecret(*typed);
    const PasswordStrength strength = estimateStrength(utf8);
    wipeSecret(utf8);
    std::cout << strength.score << "/4 (about 10^" << std::lround(strength.log10Guesses) << " guesses)\n";
    std::cerr << strengthName(strength.score) << ": guessed offline in " << offlineGuessTime(strength.log10Guesses)
              << ".\n";
    return 0;
}
