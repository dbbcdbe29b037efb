#include "crypto/PasswordKey.h"

#include <sodium.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "common/TestSeams.h"

static_assert(kSaltBytes == crypto_pwhash_SALTBYTES);
static_assert(kNonceBytes == crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
static_assert(kTagBytes == crypto_aead_xchacha20poly1305_ietf_ABYTES);
static_assert(kKdfArgon2id13 == crypto_pwhash_ALG_ARGON2ID13);
static_assert(PasswordKey::kKeyBytes == crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
static_assert(PasswordKey::kKeyBytes == crypto_secretstream_xchacha20poly1305_KEYBYTES);
static_assert(SecretStream::kHeaderBytes == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(SecretStream::kChunkOverhead == crypto_secretstream_xchacha20poly1305_ABYTES);
static_assert(kMinKdfPasses >= crypto_pwhash_argon2id_OPSLIMIT_MIN);
static_assert(kMinKdfMemoryKiB * 1024ull >= crypto_pwhash_argon2id_MEMLIMIT_MIN);

namespace {

// The two keys are drawn from Argon2id's output with BLAKE2b (libsodium's crypto_kdf) under this
// context: number 1 is the check key, number 2 the content key.
constexpr char kKeyContext[crypto_kdf_CONTEXTBYTES + 1] = "QrVnKeys";
constexpr std::uint64_t kCheckKeyId = 1;
constexpr std::uint64_t kContentKeyId = 2;

std::string withThousands(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

std::string mebibytes(std::uint64_t kib) {
    if (kib % 1024 == 0) return withThousands(kib / 1024) + " MiB";
    return withThousands(kib) + " KiB";
}

bool argon2id(std::uint8_t* out, std::size_t outSize, std::string_view password, const Salt& salt,
              const KdfCost& cost) {
    return crypto_pwhash(out, outSize, password.data(), password.size(), salt.data(), cost.passes,
                         static_cast<std::size_t>(cost.memoryKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13) == 0;
}

std::optional<KdfCost> testCost() {
    const char* text = testSwitch(kTestKdfCostVariable);  // nullptr in a build not made for the tests
    if (!text) return std::nullopt;
    unsigned passes = 0, kib = 0;
    int used = 0;
    if (std::sscanf(text, "%u,%u%n", &passes, &kib, &used) != 2 || text[used] != '\0') return std::nullopt;
    KdfCost cost{passes, kib};
    if (!kdfCostProblem(cost).empty()) return std::nullopt;
    return cost;
}

// The passes that take about kNewKeySeconds here, from the `seconds` a derivation at the floor took.
// The first pass also pays for touching fresh memory, so the scaled figure errs low.
KdfCost scaledCost(double seconds) {
    KdfCost cost{kNewKeyMinPasses, kNewKeyMemoryKiB};
    if (seconds <= 0) return cost;
    const double passes = std::round(kNewKeyMinPasses * kNewKeySeconds / seconds);
    const std::uint64_t mostPasses = std::min<std::uint64_t>(kMaxKdfPasses, kMaxKdfWorkKiB / kNewKeyMemoryKiB);
    cost.passes = static_cast<std::uint32_t>(
        std::clamp<double>(passes, kNewKeyMinPasses, static_cast<double>(mostPasses)));
    return cost;
}

// The costs tuned once per run, and what guards them.
std::mutex g_tuningMutex;
std::optional<KdfCost> g_tuned;

// Derives at the floor costs (the password given, or a stand-in) and tunes the costs from its time.
// Called with g_tuningMutex held.
std::optional<PasswordKey> tuneWith(std::string_view password, const Salt& salt) {
    const auto start = std::chrono::steady_clock::now();
    std::optional<PasswordKey> key = PasswordKey::derive(password, salt, {kNewKeyMinPasses, kNewKeyMemoryKiB});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    g_tuned = key ? scaledCost(seconds) : KdfCost{kNewKeyMinPasses, kNewKeyMemoryKiB};
    return key;
}

}  // namespace

std::string kdfCostProblem(const KdfCost& cost) {
    if (cost.passes < kMinKdfPasses || cost.memoryKiB < kMinKdfMemoryKiB)
        return "asks for key-derivation costs below what Argon2id allows (at least " + std::to_string(kMinKdfPasses) +
               " pass and " + std::to_string(kMinKdfMemoryKiB) + " KiB of memory)";
    if (cost.memoryKiB > kMaxKdfMemoryKiB)
        return "asks for " + mebibytes(cost.memoryKiB) + " of memory to derive its key; at most " +
               mebibytes(kMaxKdfMemoryKiB) + " is allowed";
    const std::uint64_t work = std::uint64_t{cost.passes} * cost.memoryKiB;
    if (cost.passes > kMaxKdfPasses || work > kMaxKdfWorkKiB)
        return "asks for " + withThousands(cost.passes) + " passes over " + mebibytes(cost.memoryKiB) +
               " to derive its key, which would take minutes; at most " + withThousands(kMaxKdfPasses) +
               " passes and " + mebibytes(kMaxKdfWorkKiB) + " of passes in all (passes times memory) are allowed";
    return {};
}

KdfCost costForNewPassword() {
    if (auto cost = testCost()) return *cost;
    std::lock_guard lock(g_tuningMutex);
    if (!g_tuned) tuneWith("calibration", randomSalt());
    return *g_tuned;
}

Salt randomSalt() {
    Salt salt{};
    if (sodiumReady()) randombytes_buf(salt.data(), salt.size());
    return salt;
}

Nonce randomNonce() {
    Nonce nonce{};
    if (sodiumReady()) randombytes_buf(nonce.data(), nonce.size());
    return nonce;
}

std::optional<PasswordKey> PasswordKey::derive(std::string_view password, const Salt& salt, const KdfCost& cost) {
    if (!sodiumReady() || !kdfCostProblem(cost).empty()) return std::nullopt;
    auto master = GuardedBytes::allocate(crypto_kdf_KEYBYTES);
    auto keys = GuardedBytes::allocate(2 * kKeyBytes);
    if (!master || !keys) return std::nullopt;
    const bool derived =
        master->write([&](std::uint8_t* m) { return argon2id(m, crypto_kdf_KEYBYTES, password, salt, cost); });
    if (!derived) return std::nullopt;
    master->read([&](const std::uint8_t* m) {
        keys->write([&](std::uint8_t* k) {
            crypto_kdf_derive_from_key(k, kKeyBytes, kCheckKeyId, kKeyContext, m);
            crypto_kdf_derive_from_key(k + kKeyBytes, kKeyBytes, kContentKeyId, kKeyContext, m);
        });
    });
    PasswordKey key;
    key.m_salt = salt;
    key.m_cost = cost;
    key.m_keys = std::move(*keys);
    return key;
}

std::optional<PasswordKey> PasswordKey::forNewPassword(std::string_view password) {
    if (!sodiumReady()) return std::nullopt;
    if (auto cost = testCost()) return derive(password, randomSalt(), *cost);
    std::unique_lock lock(g_tuningMutex);
    if (!g_tuned) {
        // The run's first new password: its derivation at the floor also times the machine, and is
        // the key when the floor is what the tuning asks for (a slow or busy machine).
        std::optional<PasswordKey> key = tuneWith(password, randomSalt());
        if (key && key->cost() == *g_tuned) return key;
    }
    const KdfCost cost = *g_tuned;
    lock.unlock();
    return derive(password, randomSalt(), cost);
}

KeyCheck PasswordKey::keyCheck(const std::uint8_t* data, std::size_t size) const {
    KeyCheck check{};
    m_keys.read([&](const std::uint8_t* keys) {
        crypto_generichash(check.data(), check.size(), data, size, keys, kKeyBytes);
    });
    return check;
}

bool PasswordKey::keyCheckMatches(const std::uint8_t* data, std::size_t size, const std::uint8_t* stored) const {
    const KeyCheck check = keyCheck(data, size);
    return sodium_memcmp(check.data(), stored, check.size()) == 0;
}

void PasswordKey::sealInPlace(std::uint8_t* data, std::size_t size, const std::uint8_t* ad, std::size_t adSize,
                              const Nonce& nonce) const {
    withContentKey([&](const std::uint8_t* key) {
        crypto_aead_xchacha20poly1305_ietf_encrypt_detached(data, data + size, nullptr, data, size, ad, adSize,
                                                            nullptr, nonce.data(), key);
    });
}

bool PasswordKey::openInPlace(std::uint8_t* data, std::size_t size, const std::uint8_t* ad, std::size_t adSize,
                              const Nonce& nonce) const {
    if (size < kTagBytes) return false;
    const std::size_t textSize = size - kTagBytes;
    return withContentKey([&](const std::uint8_t* key) {
        return crypto_aead_xchacha20poly1305_ietf_decrypt_detached(data, nullptr, data, textSize, data + textSize, ad,
                                                                   adSize, nonce.data(), key) == 0;
    });
}

std::optional<SecretStream> SecretStream::forSealing(const PasswordKey& key, Header& header) {
    auto state = GuardedBytes::allocate(sizeof(crypto_secretstream_xchacha20poly1305_state));
    if (!state) return std::nullopt;
    key.withContentKey([&](const std::uint8_t* k) {
        state->write([&](std::uint8_t* s) {
            crypto_secretstream_xchacha20poly1305_init_push(
                reinterpret_cast<crypto_secretstream_xchacha20poly1305_state*>(s), header.data(), k);
        });
    });
    SecretStream stream;
    stream.m_state = std::move(*state);
    return stream;
}

std::optional<SecretStream> SecretStream::forOpening(const PasswordKey& key, const Header& header) {
    auto state = GuardedBytes::allocate(sizeof(crypto_secretstream_xchacha20poly1305_state));
    if (!state) return std::nullopt;
    const bool ready = key.withContentKey([&](const std::uint8_t* k) {
        return state->write([&](std::uint8_t* s) {
            return crypto_secretstream_xchacha20poly1305_init_pull(
                       reinterpret_cast<crypto_secretstream_xchacha20poly1305_state*>(s), header.data(), k) == 0;
        });
    });
    if (!ready) return std::nullopt;
    SecretStream stream;
    stream.m_state = std::move(*state);
    return stream;
}

void SecretStream::seal(const std::uint8_t* in, std::size_t size, const std::uint8_t* ad, std::size_t adSize,
                        bool last, std::uint8_t* out) {
    m_state.write([&](std::uint8_t* s) {
        crypto_secretstream_xchacha20poly1305_push(
            reinterpret_cast<crypto_secretstream_xchacha20poly1305_state*>(s), out, nullptr, in, size, ad, adSize,
            last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
    });
}

SecretStream::Opened SecretStream::open(const std::uint8_t* in, std::size_t size, const std::uint8_t* ad,
                                        std::size_t adSize, std::uint8_t* out) {
    if (size < kChunkOverhead) return Opened::Refused;
    unsigned char tag = 0;
    const bool opened = m_state.write([&](std::uint8_t* s) {
        return crypto_secretstream_xchacha20poly1305_pull(
                   reinterpret_cast<crypto_secretstream_xchacha20poly1305_state*>(s), out, nullptr, &tag, in, size, ad,
                   adSize) == 0;
    });
    if (!opened) return Opened::Refused;
    if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) return Opened::LastChunk;
    // Only the two tags this program writes are accepted.
    return tag == crypto_secretstream_xchacha20poly1305_TAG_MESSAGE ? Opened::Chunk : Opened::Refused;
}

HeaderDigest headerDigest(const std::uint8_t* data, std::size_t size) {
    HeaderDigest digest{};
    if (!sodiumReady()) return digest;
    crypto_generichash(digest.data(), digest.size(), data, size, nullptr, 0);
    return digest;
}

std::string damagedFileMessage(const std::string& name) { return name + " was changed or damaged; nothing was read."; }

std::string unknownStrongFormMessage(const std::string& name, const char* what, unsigned value) {
    return name + " is in a strong form this version of Quorvane does not know (" + what + " " +
           std::to_string(value) + "), or was changed or damaged; nothing was read.";
}

std::string refusedCostMessage(const std::string& name, const std::string& problem) {
    return name + " " + problem + ", so nothing was read.";
}

std::string keyNotDerivedMessage(const std::string& name, const KdfCost& cost) {
    return "The key of " + name + " could not be derived: " + mebibytes(cost.memoryKiB) +
           " of memory could not be had. Nothing was read.";
}
