// Reading and writing otpauth:// addresses. People paste them from many sources, so the reading is
// lenient about case, blanks and padding, and strict only about what decides the codes.
#include <liboath/oath.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "common/Win1252.h"
#include "otp/OathLibrary.h"
#include "otp/OneTimeCode.h"

namespace otp {

namespace {

char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool startsWithIgnoringCase(std::string_view text, std::string_view head) {
    return text.size() >= head.size() &&
           std::equal(head.begin(), head.end(), text.begin(), [](char a, char b) { return upper(a) == upper(b); });
}

std::string upperCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upper);
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// %XX escapes decoded; a '%' that starts no escape stays as it is. In the query '+' is a blank, as
// web forms write it.
std::string percentDecoded(std::string_view text, bool plusIsBlank) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += plusIsBlank && text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

std::string percentEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Bytes of 0x80 and above as UTF-8, whatever form the text came in, so that the names read the same
// from a note and from a terminal; %-escapes stay for percentDecoded.
std::string asUtf8(std::string_view text, TextForm form) {
    return form == TextForm::Card ? win1252ToUtf8(std::string(text)) : std::string(text);
}

template <typename Number>
bool readNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// A value of the address in quotes for a message: control characters as '?', and no longer than a
// line, so that whatever a QR code holds cannot garble the terminal or the dialog that shows it.
std::string quoted(std::string_view value) {
    constexpr std::size_t kLongest = 40;
    std::string out = "\"";
    std::size_t cut = std::min(value.size(), kLongest);
    while (cut < value.size() && cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
        --cut;  // not inside a UTF-8 sequence
    for (char c : value.substr(0, cut))
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return out + (cut < value.size() ? "...\"" : "\"");
}

// The key from its Base32 text, with liboath's decoder; blanks and '=' padding are dropped first.
std::optional<std::string> base32Key(std::string_view text, std::string& error) {
    std::string letters;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '-')
            letters += upper(c);
    while (!letters.empty() && letters.back() == '=')
        letters.pop_back();
    if (letters.empty()) {
        error = "The setup has no secret (secret=...), so it cannot give a code.";
        return std::nullopt;
    }
    for (char c : letters) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '2' && c <= '7'))) {
            const std::string which =
                static_cast<unsigned char>(c) >= 0x80 ? "a letter outside ASCII" : quoted({&c, 1});
            error = "The secret is not Base32: " + which + " is not one of its letters A-Z and digits 2-7.";
            return std::nullopt;
        }
    }
    char* bytes = nullptr;
    std::size_t length = 0;
    ensureOathReady();
    const int status = oath_base32_decode(letters.data(), letters.size(), &bytes, &length);
    std::unique_ptr<char, decltype(&std::free)> owned(bytes, &std::free);
    if (status != OATH_OK || length == 0) {
        error = "The secret is not Base32: it has " + std::to_string(letters.size()) +
                " letters, which is a length Base32 never has (it was cut short?).";
        return std::nullopt;
    }
    return std::string(bytes, length);
}

struct Parameters {
    std::optional<std::string> secret, issuer, algorithm, digits, period, counter, encoder;
};

// The query's parameters by name (any case); the first of a name counts, unknown ones are ignored.
Parameters parametersOf(std::string_view query) {
    Parameters found;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const std::size_t equals = pair.find('=');
        const std::string name = upperCase(trimmed(pair.substr(0, equals)));
        const std::string value =
            equals == std::string_view::npos ? std::string() : percentDecoded(pair.substr(equals + 1), true);
        std::optional<std::string>* slot = name == "SECRET"      ? &found.secret
                                           : name == "ISSUER"    ? &found.issuer
                                           : name == "ALGORITHM" ? &found.algorithm
                                           : name == "DIGITS"    ? &found.digits
                                           : name == "PERIOD"    ? &found.period
                                           : name == "COUNTER"   ? &found.counter
                                           : name == "ENCODER"   ? &found.encoder
                                                                 : nullptr;
        if (slot && !*slot)
            *slot = value;
    }
    return found;
}

ParsedSetup refused(std::string error) {
    return {std::nullopt, std::move(error)};
}

}  // namespace

ParsedSetup setupFromSecret(std::string_view base32, std::string issuer, std::string account, bool steam) {
    std::string error;
    auto key = base32Key(trimmed(base32), error);
    if (!key) return refused(error);
    Setup setup;
    setup.secret = std::move(*key);
    setup.issuer = std::move(issuer);
    setup.account = std::move(account);
    if (steam) {
        setup.steam = true;
        setup.digits = 5;
    }
    return {setup, {}};
}

ParsedSetup parseSetup(std::string_view text, TextForm form) {
    const std::string address = asUtf8(trimmed(text), form);
    std::string_view rest = address;
    if (startsWithIgnoringCase(rest, "otpauth-migration:"))
        return refused(
            "This is an export of several accounts (otpauth-migration:), not one setup; set each card "
            "from its own otpauth:// address.");
    if (!startsWithIgnoringCase(rest, "otpauth://"))
        return refused(
            "A one-time code setup is an address that starts with otpauth://, as in "
            "otpauth://totp/Example:alice?secret=JBSWY3DPEHPK3PXP.");
    rest.remove_prefix(10);

    Setup setup;
    const std::size_t kindEnd = std::min(rest.find('/'), rest.find('?'));
    const std::string kind = upperCase(rest.substr(0, kindEnd));
    if (kind == "HOTP") {
        setup.kind = Kind::Hotp;
    } else if (kind == "STEAM") {
        setup.steam = true;
    } else if (kind != "TOTP") {
        return refused("The kind of code " + quoted(rest.substr(0, kindEnd)) +
                       " is not known: a setup is otpauth://totp/... (codes from the clock) or otpauth://hotp/... "
                       "(codes from a counter).");
    }
    rest = kindEnd == std::string_view::npos ? std::string_view() : rest.substr(kindEnd);
    const std::size_t queryStart = rest.find('?');
    std::string_view path = rest.substr(0, queryStart);
    if (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    const std::string_view query =
        queryStart == std::string_view::npos ? std::string_view() : rest.substr(queryStart + 1);
    const Parameters parameters = parametersOf(query.substr(0, query.find('#')));

    // The label is "issuer:account" or just the account; the issuer parameter, where given, wins. An
    // issuer with a colon of its own is found whole at the label's start when the parameter names it.
    const std::string label = percentDecoded(path, false);
    const std::string issuer = parameters.issuer ? std::string(trimmed(*parameters.issuer)) : std::string();
    const std::size_t colon = !issuer.empty() && label.starts_with(issuer + ":") ? issuer.size() : label.find(':');
    if (colon != std::string::npos) {
        setup.issuer = std::string(trimmed(std::string_view(label).substr(0, colon)));
        setup.account = std::string(trimmed(std::string_view(label).substr(colon + 1)));
    } else {
        setup.account = std::string(trimmed(label));
    }
    if (!issuer.empty())
        setup.issuer = issuer;

    std::string error;
    auto key = base32Key(parameters.secret.value_or(""), error);
    if (!key)
        return refused(error);
    setup.secret = std::move(*key);

    if (parameters.algorithm) {
        std::string name = upperCase(trimmed(*parameters.algorithm));
        std::erase(name, '-');
        if (name == "SHA1")
            setup.algorithm = Algorithm::Sha1;
        else if (name == "SHA256")
            setup.algorithm = Algorithm::Sha256;
        else if (name == "SHA512")
            setup.algorithm = Algorithm::Sha512;
        else
            return refused("The algorithm " + quoted(*parameters.algorithm) +
                           " is not one a code can be made with: it must be SHA1, SHA256 or SHA512.");
    }
    if (parameters.encoder) {
        if (upperCase(trimmed(*parameters.encoder)) != "STEAM")
            return refused("The encoder " + quoted(*parameters.encoder) + " is not known; the only one is steam.");
        setup.steam = true;
    }
    if (parameters.digits) {
        const std::string_view value = trimmed(*parameters.digits);
        if (!readNumber(value, setup.digits) || setup.digits < 5 || setup.digits > 8 ||
            (setup.digits == 5) != setup.steam)
            return refused("A code of " + quoted(*parameters.digits) +
                           " digits cannot be made: codes have 6 to 8 digits " +
                           "(Steam's have 5 characters, with encoder=steam).");
    }
    if (setup.steam)
        setup.digits = 5;
    // A counter-based setup has no period: one given is ignored, so it reads back the same.
    if (parameters.period && setup.kind == Kind::Totp) {
        const std::string_view value = trimmed(*parameters.period);
        if (!readNumber(value, setup.period) || setup.period == 0)
            return refused("The period " + quoted(*parameters.period) +
                           " is not a number of seconds of at least 1, so codes cannot follow the clock.");
    }
    if (setup.kind == Kind::Hotp) {
        if (!parameters.counter)
            return refused("A counter-based setup (otpauth://hotp/...) needs its counter, as in counter=0.");
        // Codes from a counter are made by liboath's time-based call with a one-second step (for the
        // algorithms its counter call lacks), which takes the counter as a signed time.
        if (!readNumber(trimmed(*parameters.counter), setup.counter) || setup.counter > INT64_MAX)
            return refused("The counter " + quoted(*parameters.counter) + " is not a whole number from 0 to " +
                           std::to_string(INT64_MAX) + ".");
        if (setup.steam)
            return refused("Steam codes follow the clock; a counter-based setup cannot have them.");
    }
    if (setup.steam && setup.algorithm != Algorithm::Sha1)
        return refused("Steam codes are made with SHA1; the setup asks for another algorithm.");
    return {std::move(setup), {}};
}

std::string toUri(const Setup& setup) {
    std::string uri = setup.kind == Kind::Hotp ? "otpauth://hotp/" : "otpauth://totp/";
    // An account with a colon and no issuer gets an empty issuer before it, so its colon is not taken
    // for the separator.
    if (!setup.issuer.empty() || setup.account.find(':') != std::string::npos)
        uri += percentEncoded(setup.issuer) + ":";
    uri += percentEncoded(setup.account);

    char* base32 = nullptr;
    std::size_t length = 0;
    std::string secret;
    ensureOathReady();
    if (oath_base32_encode(setup.secret.data(), setup.secret.size(), &base32, &length) == OATH_OK)
        secret.assign(base32, length);
    std::free(base32);
    while (!secret.empty() && secret.back() == '=')
        secret.pop_back();
    uri += "?secret=" + secret;

    if (!setup.issuer.empty())
        uri += "&issuer=" + percentEncoded(setup.issuer);
    if (setup.algorithm == Algorithm::Sha256)
        uri += "&algorithm=SHA256";
    if (setup.algorithm == Algorithm::Sha512)
        uri += "&algorithm=SHA512";
    if (setup.steam)
        uri += "&encoder=steam";
    else if (setup.digits != 6)
        uri += "&digits=" + std::to_string(setup.digits);
    if (setup.kind == Kind::Hotp)
        uri += "&counter=" + std::to_string(setup.counter);
    else if (setup.period != 30)
        uri += "&period=" + std::to_string(setup.period);
    return uri;
}

}  // namespace otp
