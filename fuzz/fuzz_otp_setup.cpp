// Fuzzes reading one-time code setups, as a note or a QR code may hold them, and the setup's line in a
// note. The input is read both as card text (Windows-1252) and as UTF-8.
//
// Never a crash; a refusal always comes with a sentence (one line of bounded length) and an acceptance
// with none; an accepted setup is written as plain ASCII that reads back as the same setup, and gives a
// code of its length (digits, or Steam's five letters) at any time, with 1 to period seconds left; a
// note given that setup has it on its setup line, keeps its other lines, loses the line again without
// it, and never shows it.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "otp/OneTimeCode.h"

namespace {

void checkSetup(const otp::Setup& setup, std::int64_t time) {
    const std::string uri = otp::toUri(setup);
    if (!std::all_of(uri.begin(), uri.end(), [](char c) { return c > ' ' && c < 0x7F; }))
        std::abort();
    const otp::ParsedSetup again = otp::parseSetup(uri);
    if (!again || !(*again.setup == setup))
        std::abort();

    const std::string code = otp::code(setup, time);
    if (code.size() != setup.digits)
        std::abort();
    const std::string_view allowed = setup.steam ? "23456789BCDFGHJKMNPQRTVWXY" : "0123456789";
    if (code.find_first_not_of(allowed) != std::string::npos)
        std::abort();
    const std::uint32_t left = otp::secondsLeft(setup, time);
    if (setup.kind == otp::Kind::Totp ? left < 1 || left > setup.period : left != 0)
        std::abort();
}

void checkNote(std::string_view note, const otp::Setup& setup) {
    const std::string uri = otp::toUri(setup);
    const std::string with = otp::noteWithSetup(note, setup);
    const auto line = otp::findSetupLine(with);
    if (!line || line->text != uri)
        std::abort();
    const std::string shown = otp::noteForDisplay(with);
    if (shown.find(uri) != std::string::npos && note.find(uri) == std::string_view::npos)
        std::abort();
    // The setup line goes, and every line of the note that was not its setup line stays.
    const std::string without = otp::noteWithoutSetup(with);
    const auto old = otp::findSetupLine(note);
    const std::string expected = old ? otp::noteWithoutSetup(note) : std::string(note);
    if (without != expected && without + "\r\n" != expected && without + "\n" != expected)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::int64_t time = 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(size, 5); ++i)
        time = time * 256 + data[i];
    for (otp::TextForm form : {otp::TextForm::Card, otp::TextForm::Utf8}) {
        const otp::ParsedSetup parsed = otp::parseSetup(input, form);
        if (parsed.setup.has_value() == !parsed.error.empty())
            std::abort();
        for (char c : parsed.error)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                std::abort();
        if (parsed.error.size() > 300)
            std::abort();
        if (parsed) {
            checkSetup(*parsed.setup, time);
            checkNote(input, *parsed.setup);
        }
    }
    if (auto line = otp::findSetupLine(input)) {
        if (line->end > size || line->begin > line->end)
            std::abort();
        if (const otp::ParsedSetup parsed = otp::parseSetup(line->text))
            checkNote(input, *parsed.setup);
    }
    return 0;
}
