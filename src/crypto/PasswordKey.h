#pragma once
// Keys derived from a password for the strong file forms, all on libsodium: Argon2id stretches the
// password with a salt and the costs the file states; two keys are drawn from its output, one that
// proves the password right (the key check) and one that encrypts the contents
// (XChaCha20-Poly1305, or its secretstream for files that go through in chunks).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "crypto/GuardedBytes.h"

/// Argon2id's costs: passes over the memory, and the memory in KiB (one lane, version 1.3).
struct KdfCost {
    std::uint32_t passes = 0;
    std::uint32_t memoryKiB = 0;
    bool operator==(const KdfCost&) const = default;
};

inline constexpr std::size_t kSaltBytes = 16;
inline constexpr std::size_t kNonceBytes = 24;      // XChaCha20-Poly1305
inline constexpr std::size_t kTagBytes = 16;        // Poly1305
inline constexpr std::size_t kKeyCheckBytes = 16;   // keyed BLAKE2b
inline constexpr std::size_t kHeaderDigestBytes = 16;  // unkeyed BLAKE2b
using Salt = std::array<std::uint8_t, kSaltBytes>;
using Nonce = std::array<std::uint8_t, kNonceBytes>;
using KeyCheck = std::array<std::uint8_t, kKeyCheckBytes>;
using HeaderDigest = std::array<std::uint8_t, kHeaderDigestBytes>;

/// The key-derivation algorithm number the strong forms store (libsodium's Argon2id v1.3).
inline constexpr std::uint8_t kKdfArgon2id13 = 2;

// What a file may ask for. Below Argon2id's own minimum nothing can be derived; above these bounds a
// hostile file would cost a gigabyte of memory or minutes of work, so it is refused unread.
inline constexpr std::uint32_t kMinKdfPasses = 1;
inline constexpr std::uint32_t kMinKdfMemoryKiB = 8;
inline constexpr std::uint32_t kMaxKdfMemoryKiB = 1024 * 1024;  // 1 GiB
inline constexpr std::uint32_t kMaxKdfPasses = 1024;
inline constexpr std::uint64_t kMaxKdfWorkKiB = std::uint64_t{16} * 1024 * 1024;  // passes x memory: 16 GiB

// What a new password gets: 256 MiB, and as many passes as take about a second here, at least 3.
inline constexpr std::uint32_t kNewKeyMemoryKiB = 256 * 1024;
inline constexpr std::uint32_t kNewKeyMinPasses = 3;
inline constexpr double kNewKeySeconds = 1.0;

/// Test switch (common/TestSeams.h): while this variable holds "PASSES,KIB", new passwords get those
/// costs instead of the tuned ones, so tests do not spend a second on every key; only a build made for
/// the tests obeys it. Reading is bounded as always.
inline constexpr const char* kTestKdfCostVariable = "QUORVANE_TEST_KDF";

/// Why a file's costs are refused ("asks for 4,096 MiB of memory ...; at most 1,024 MiB is allowed"),
/// or an empty text when they are within bounds.
std::string kdfCostProblem(const KdfCost& cost);

/// The costs for a new password: tuned once per run so that a derivation takes about a second on
/// this machine (never fewer than kNewKeyMinPasses passes over kNewKeyMemoryKiB).
KdfCost costForNewPassword();

/// A fresh random salt.
Salt randomSalt();
/// A fresh random nonce.
Nonce randomNonce();

/// BLAKE2b-128 of the bytes, without a key: it tells a damaged header before a password is asked for
/// (it proves nothing against a deliberate change; the key check and the tags do).
HeaderDigest headerDigest(const std::uint8_t* data, std::size_t size);

/// Argon2id over `password` with `salt` and `cost` (within bounds), split into the check key and the
/// content key, both kept in guarded memory for as long as the object lives. Move-only.
class PasswordKey {
public:
    /// Nothing when the memory Argon2id needs (or guarded memory) cannot be had.
    static std::optional<PasswordKey> derive(std::string_view password, const Salt& salt, const KdfCost& cost);
    /// A key for a new password: a fresh salt and costForNewPassword().
    static std::optional<PasswordKey> forNewPassword(std::string_view password);

    const Salt& salt() const { return m_salt; }
    const KdfCost& cost() const { return m_cost; }
    /// Whether this key was derived with this salt and these costs (a file written under it).
    bool derivedWith(const Salt& salt, const KdfCost& cost) const { return m_salt == salt && m_cost == cost; }

    /// The key check of `size` bytes: BLAKE2b-128 keyed with the check key.
    KeyCheck keyCheck(const std::uint8_t* data, std::size_t size) const;
    /// Whether `stored` is the key check of the bytes (compared in constant time).
    bool keyCheckMatches(const std::uint8_t* data, std::size_t size, const std::uint8_t* stored) const;

    /// XChaCha20-Poly1305 under the content key, in place: the `size` bytes at `data` become their
    /// ciphertext and the tag is written to the 16 bytes after them.
    void sealInPlace(std::uint8_t* data, std::size_t size, const std::uint8_t* ad, std::size_t adSize,
                     const Nonce& nonce) const;
    /// The reverse: `size` counts the tag; false (and nothing usable at `data`) when the bytes, the
    /// associated data or the nonce are not what was sealed.
    bool openInPlace(std::uint8_t* data, std::size_t size, const std::uint8_t* ad, std::size_t adSize,
                     const Nonce& nonce) const;

    /// Runs `use(const std::uint8_t* contentKey)` with the 32-byte content key readable.
    template <class Use>
    decltype(auto) withContentKey(Use&& use) const {
        return m_keys.read([&](const std::uint8_t* keys) { return use(keys + kKeyBytes); });
    }

    static constexpr std::size_t kKeyBytes = 32;

private:
    PasswordKey() = default;
    Salt m_salt{};
    KdfCost m_cost;
    GuardedBytes m_keys;  // the check key, then the content key
};

/// libsodium's crypto_secretstream_xchacha20poly1305 under a key's content key: a sequence of
/// chunks, each authenticated, whose order and end are authenticated too. Its state (which holds a
/// key) is kept in guarded memory.
class SecretStream {
public:
    static constexpr std::size_t kHeaderBytes = 24;
    static constexpr std::size_t kChunkOverhead = 17;  // a tag byte and the 16-byte MAC
    using Header = std::array<std::uint8_t, kHeaderBytes>;

    /// A stream to seal; `header` receives the random stream header the reader needs.
    static std::optional<SecretStream> forSealing(const PasswordKey& key, Header& header);
    /// A stream to open from its header.
    static std::optional<SecretStream> forOpening(const PasswordKey& key, const Header& header);

    /// Seals the next chunk: `size` bytes at `in` go to `out` as size + 17 bytes (no overlap). The
    /// last chunk is marked as such.
    void seal(const std::uint8_t* in, std::size_t size, const std::uint8_t* ad, std::size_t adSize, bool last,
              std::uint8_t* out);

    enum class Opened { Chunk, LastChunk, Refused };
    /// Opens the next chunk of `size` bytes (its 17 bytes of overhead included) into `out`.
    Opened open(const std::uint8_t* in, std::size_t size, const std::uint8_t* ad, std::size_t adSize,
                std::uint8_t* out);

private:
    SecretStream() = default;
    GuardedBytes m_state;
};

/// "NAME was changed or damaged; nothing was read." for a strong file that fails its checks.
std::string damagedFileMessage(const std::string& name);
/// The message for a strong file whose form version (or key-derivation algorithm) is not known here.
std::string unknownStrongFormMessage(const std::string& name, const char* what, unsigned value);
/// The message for a strong file whose costs are out of bounds (kdfCostProblem names the bound).
std::string refusedCostMessage(const std::string& name, const std::string& problem);
/// The message when the memory Argon2id needs for a file's key cannot be had.
std::string keyNotDerivedMessage(const std::string& name, const KdfCost& cost);
