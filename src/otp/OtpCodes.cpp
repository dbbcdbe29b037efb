// The codes of a setup. Decimal codes come from liboath; Steam's five characters need the whole
// 31-bit number of the RFC 4226 truncation, which liboath does not give, so their HMAC-SHA1 comes
// from OpenSSL and only the truncation and the alphabet are done here.
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <array>

#include "otp/OathLibrary.h"
#include "otp/OneTimeCode.h"

namespace otp {

namespace {

int oathFlags(Algorithm algorithm) {
    switch (algorithm) {
        case Algorithm::Sha256:
            return OATH_TOTP_HMAC_SHA256;
        case Algorithm::Sha512:
            return OATH_TOTP_HMAC_SHA512;
        case Algorithm::Sha1:
            break;
    }
    return 0;
}

std::string steamCode(const Setup& setup, std::uint64_t step) {
    std::array<unsigned char, 8> message{};
    for (int i = 7; i >= 0; --i, step >>= 8)
        message[static_cast<std::size_t>(i)] = static_cast<unsigned char>(step);
    std::array<unsigned char, EVP_MAX_MD_SIZE> mac{};
    unsigned int macLength = 0;
    if (!HMAC(EVP_sha1(), setup.secret.data(), static_cast<int>(setup.secret.size()), message.data(), message.size(),
              mac.data(), &macLength) ||
        macLength != 20)
        return {};
    const unsigned offset = mac[19] & 0x0F;
    std::uint32_t number = (std::uint32_t{mac[offset]} & 0x7F) << 24 | std::uint32_t{mac[offset + 1]} << 16 |
                           std::uint32_t{mac[offset + 2]} << 8 | std::uint32_t{mac[offset + 3]};
    static constexpr char kAlphabet[] = "23456789BCDFGHJKMNPQRTVWXY";
    std::string code;
    for (int i = 0; i < 5; ++i, number /= 26)
        code += kAlphabet[number % 26];
    return code;
}

}  // namespace

std::string code(const Setup& setup, std::int64_t unixTime) {
    if (unixTime < 0 || setup.secret.empty())
        return {};
    if (setup.steam) {
        if (setup.kind != Kind::Totp || setup.period == 0)
            return {};
        return steamCode(setup, static_cast<std::uint64_t>(unixTime) / setup.period);
    }
    if (setup.digits < 6 || setup.digits > 8)
        return {};
    ensureOathReady();
    std::array<char, 10> output{};
    int status = OATH_CRYPTO_ERROR;
    if (setup.kind == Kind::Hotp && setup.algorithm == Algorithm::Sha1) {
        status = oath_hotp_generate(setup.secret.data(), setup.secret.size(), setup.counter, setup.digits, false,
                                    OATH_HOTP_DYNAMIC_TRUNCATION, output.data());
    } else if (setup.kind == Kind::Hotp) {
        // liboath's counter call knows only SHA1; its time-based call with a step of one second and the
        // counter as the time is the same computation with any of the three.
        if (setup.counter > static_cast<std::uint64_t>(INT64_MAX))
            return {};
        status = oath_totp_generate2(setup.secret.data(), setup.secret.size(), static_cast<time_t>(setup.counter), 1, 0,
                                     setup.digits, oathFlags(setup.algorithm), output.data());
    } else if (setup.period > 0) {
        status = oath_totp_generate2(setup.secret.data(), setup.secret.size(), static_cast<time_t>(unixTime),
                                     setup.period, 0, setup.digits, oathFlags(setup.algorithm), output.data());
    }
    return status == OATH_OK ? std::string(output.data()) : std::string();
}

std::uint32_t secondsLeft(const Setup& setup, std::int64_t unixTime) {
    if (setup.kind != Kind::Totp || setup.period == 0 || unixTime < 0)
        return 0;
    return setup.period - static_cast<std::uint32_t>(static_cast<std::uint64_t>(unixTime) % setup.period);
}

}  // namespace otp
