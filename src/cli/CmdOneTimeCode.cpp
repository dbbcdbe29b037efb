// totp and otp-set: a card's one-time code, and setting it up. The setup is an otpauth:// address on
// a line of the card's note (see otp/OneTimeCode.h), so nothing in the file formats changes.
#include <ctime>
#include <iostream>

#include "cardstore/CardOperations.h"
#include "cli/CardEditing.h"
#include "cli/DocumentAccess.h"
#include "cli/QrImage.h"
#include "otp/OneTimeCode.h"

namespace {

std::string cardName(const Card& card) {
    return "card \"" + textForOutput(card.firstField, false) + "\"";
}

}  // namespace

std::string oneTimeCodeLine(const std::string& setupText, std::int64_t now) {
    const otp::ParsedSetup parsed = otp::parseSetup(setupText);
    if (!parsed)
        return "One-time code: none, the setup cannot give one (" + parsed.error + ")";
    const otp::Setup& setup = *parsed.setup;
    const std::string left = setup.kind == otp::Kind::Hotp ? "counter " + std::to_string(setup.counter)
                                                           : std::to_string(otp::secondsLeft(setup, now)) + " s";
    return "One-time code: " + otp::code(setup, now) + " (" + left + ")";
}

std::string noteForOutput(const std::string& note, bool reveal, std::int64_t now) {
    auto line = otp::findSetupLine(note);
    if (!line)
        return textForOutput(note, true);
    const std::string codeLine = oneTimeCodeLine(line->text, now);
    // Revealed, the setup stays and the code follows it on a line of its own.
    const std::string shown = reveal ? note.substr(line->begin, line->end - line->begin) + "\r\n" + codeLine : codeLine;
    return textForOutput(otp::noteForDisplay(note, shown), true);
}

int cmdTotp(const TotpOptions& options) {
    const int categoryId = categoryForCommand(options.which.category);
    if (categoryId < 0)
        return 1;
    TerminalPrompter ui;
    if (!usePasswordSource(ui, options.password))
        return 1;
    CardStore store;
    LoadResult result;
    if (!loadForCommand(options.file, store, ui, 0, result))
        return 1;
    const int position = cardForCommand(store, categoryId, options.which);
    if (position < 0)
        return 1;

    const Card& card = *store.GetCategoryList(categoryId)->GetCardAt(position);
    auto line = otp::findSetupLine(card.note);
    if (!line) {
        std::cerr << categoryDisplayName(categoryId) << ' ' << cardName(card)
                  << " has no one-time code setup (an otpauth:// line in its note); otp-set gives it one.\n";
        return 1;
    }
    const otp::ParsedSetup parsed = otp::parseSetup(line->text);
    if (!parsed) {
        std::cerr << "The one-time code setup of " << cardName(card) << " cannot give a code: " << parsed.error << '\n';
        return 1;
    }
    const std::int64_t now = options.at.value_or(static_cast<std::int64_t>(std::time(nullptr)));
    const std::string code = otp::code(*parsed.setup, now);
    if (code.empty()) {
        std::cerr << "No one-time code could be made for " << cardName(card) << ".\n";
        return 1;
    }
    std::cout << code << '\n' << std::flush;
    if (parsed.setup->kind == otp::Kind::Hotp)
        std::cerr << "From counter " << parsed.setup->counter << " (the counter is not advanced).\n";
    else
        std::cerr << otp::secondsLeft(*parsed.setup, now) << " s left\n";
    return std::cout ? 0 : 1;
}

int cmdOtpSet(const OtpSetOptions& options) {
    const int categoryId = categoryForCommand(options.which.category);
    if (categoryId < 0)
        return 1;
    // The setup is read before the document, so that no password is typed for a setup that is refused.
    std::string text = options.uri;
    if (!options.qrImage.empty()) {
        std::string error;
        auto found = readQrText(options.qrImage, "otpauth://", error);
        if (!found) {
            std::cerr << error << " Nothing was changed.\n";
            return 1;
        }
        text = *found;
    } else if (text.empty()) {
        std::cerr << "Give the setup with --uri TEXT or --qr IMAGE.\n";
        return 1;
    }
    const otp::ParsedSetup parsed = otp::parseSetup(text, otp::TextForm::Utf8);
    if (!parsed) {
        std::cerr << parsed.error << " Nothing was changed.\n";
        return 1;
    }

    DocumentChange doc;
    if (!doc.open(options.file, options.password, options.force, false))
        return 1;
    const int position = cardForCommand(doc.store, categoryId, options.which);
    if (position < 0)
        return 1;
    Card& card = *doc.store.GetCategoryList(categoryId)->GetCardAt(position);
    CardTexts texts{card.firstField, card.secondField, card.thirdField, card.fourthField,
                    otp::noteWithSetup(card.note, *parsed.setup)};
    if (texts.note.size() > kMaxTextBytes) {
        std::cerr << "With the setup the note of " << cardName(card) << " would hold " << texts.note.size()
                  << " characters; a card keeps at most " << kMaxTextBytes << ". Nothing was changed.\n";
        return 1;
    }
    editCardTexts(card, texts);
    if (!doc.save())
        return 1;
    std::cerr << "One-time code set up for " << categoryDisplayName(categoryId) << ' ' << cardName(card) << ".\n";
    return 0;
}
