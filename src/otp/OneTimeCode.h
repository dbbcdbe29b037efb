#pragma once
// One-time codes: a card's setup is an otpauth:// address kept as a line of its note, so it travels
// with the card through every file form. This reads such an address as people paste it, writes it
// back in one plain form, finds it in a note, and works out its codes (on liboath; Steam's
// five-character codes from OpenSSL's HMAC-SHA1).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace otp {

enum class Kind { Totp, Hotp };  // codes from the clock, or from a counter
enum class Algorithm { Sha1, Sha256, Sha512 };

/// What an otpauth:// address says: enough to work out its codes, and the names to show.
struct Setup {
    Kind kind = Kind::Totp;
    std::string secret;  // the key's bytes (Base32 in the address)
    Algorithm algorithm = Algorithm::Sha1;
    unsigned digits = 6;        // 6 to 8; 5 characters for Steam
    std::uint32_t period = 30;  // seconds a code lasts (time-based only)
    std::uint64_t counter = 0;  // counter-based only
    bool steam = false;         // Steam Guard's five characters instead of digits
    std::string issuer;         // UTF-8, may be empty
    std::string account;        // UTF-8, may be empty

    bool operator==(const Setup&) const = default;
};

/// How the text handed to parseSetup is encoded outside its %-escapes.
enum class TextForm {
    Card,  // Windows-1252 bytes, as a card's note keeps them
    Utf8,  // as typed on a terminal or read from a QR code
};

/// A setup, or the reason the text cannot give a code (a full sentence).
struct ParsedSetup {
    std::optional<Setup> setup;
    std::string error;

    explicit operator bool() const { return setup.has_value(); }
};

/// Reads an otpauth:// address: Base32 in either case with spaces or padding, a %-encoded label with
/// or without an issuer parameter, totp or hotp (hotp needs a counter), encoder=steam. A setup that
/// cannot give a code is refused with a message naming what is wrong.
ParsedSetup parseSetup(std::string_view text, TextForm form = TextForm::Card);

/// A time-based setup with the defaults (SHA1, 6 digits, 30 seconds) from a bare Base32 secret, as other
/// programs export it without its address; with `steam`, Steam Guard's five characters. `issuer` and
/// `account` (UTF-8) name it. Refused as parseSetup refuses a secret that is not Base32.
ParsedSetup setupFromSecret(std::string_view base32, std::string issuer, std::string account, bool steam = false);

/// The address of a setup in one plain form: the label %-encoded as "issuer:account", the secret in
/// Base32 without padding, and only the parameters that differ from the defaults. Plain ASCII, so it
/// reads the same as Windows-1252 and as UTF-8.
std::string toUri(const Setup& setup);

/// The code at `unixTime` (seconds since 1970, not negative) for a time-based setup, or from the
/// counter for a counter-based one; empty if the setup is not one parseSetup would give.
std::string code(const Setup& setup, std::int64_t unixTime);

/// Seconds the code at `unixTime` has left (1 to the period); 0 for a counter-based setup.
std::uint32_t secondsLeft(const Setup& setup, std::int64_t unixTime);

/// Where a note keeps its setup: the first line that starts with "otpauth://" (any case, after
/// blanks), whether or not it can give a code.
struct SetupLine {
    std::size_t begin = 0;  // the line's first byte in the note
    std::size_t end = 0;    // one past its last byte, before its line break
    std::string text;       // the line without the blanks around it
};

/// The setup line of a note (CR LF or LF line breaks), if it has one.
std::optional<SetupLine> findSetupLine(std::string_view note);

/// The note with its setup line replaced by toUri(setup), or with that line added at its end.
std::string noteWithSetup(std::string_view note, const Setup& setup);

/// The note without its setup line (and that line's break).
std::string noteWithoutSetup(std::string_view note);

/// The note to show: its setup line replaced by `replacement`, so the secret stays hidden.
std::string noteForDisplay(std::string_view note, std::string_view replacement = "(one-time code set up)");

}  // namespace otp
