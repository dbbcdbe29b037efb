#pragma once
// A card's one-time code as the window shows it: the setup read from the card's note (Windows-1252),
// the code grouped for reading, and the card list's "One-time code:" row.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "otp/OneTimeCode.h"

struct Card;

/// The setup of a card's note that can give a code; nothing when it has none or one that cannot.
std::optional<otp::Setup> cardSetup(const Card& card);

/// The seconds since 1970 now.
std::int64_t secondsNow();

/// A code in groups for reading: "123 456", "1234 5678"; other lengths as they are.
QString groupedCode(const std::string& code);

/// What the card list's "One-time code:" row shows for a note at `unixTime`: "123 456  (17 s)",
/// "123 456  (counter 5)" for a counter-based setup, or the sentence saying why the setup line cannot
/// give a code. Nothing when the note has no setup line. `changesWithTime` says whether the text
/// goes out of date with the clock.
struct CodeRow {
    QString text;
    bool changesWithTime = false;
};
std::optional<CodeRow> oneTimeCodeRow(const std::string& note, std::int64_t unixTime);

/// The sentence of a refused setup as a QString, `form` being how the text handed to parseSetup was
/// encoded (its quoted parts are that text's own bytes).
QString setupError(const otp::ParsedSetup& parsed, otp::TextForm form);
