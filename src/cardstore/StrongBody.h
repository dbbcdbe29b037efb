#pragma once
// The strong body of an encrypted card document (body kind 3): after the 22-byte document header,
// the form's version, the Argon2id costs and salt, the nonce, a key check and a header digest, then
// the cards (laid out as a plain body) sealed with XChaCha20-Poly1305, the whole header being the
// associated data. docs/file-formats.md gives every byte.

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/ByteIO.h"
#include "crypto/PasswordKey.h"

inline constexpr std::uint8_t kBodyStrong = 3;
inline constexpr std::uint8_t kStrongBodyVersion = 1;
inline constexpr std::size_t kStrongVersionOffset = 22;
inline constexpr std::size_t kStrongKdfOffset = 23;
inline constexpr std::size_t kStrongPassesOffset = 24;
inline constexpr std::size_t kStrongMemoryOffset = 28;
inline constexpr std::size_t kStrongSaltOffset = 32;
inline constexpr std::size_t kStrongNonceOffset = 48;
inline constexpr std::size_t kStrongKeyCheckOffset = 72;
inline constexpr std::size_t kStrongDigestOffset = 88;
inline constexpr std::size_t kStrongHeaderSize = 104;  // the associated data; the sealed cards follow
inline constexpr std::size_t kStrongMinimumSize = kStrongHeaderSize + kTagBytes;

/// What the header of a strong document says.
struct StrongHeader {
    KdfCost cost;
    Salt salt{};
    Nonce nonce{};
};

enum class StrongHeaderVerdict { Readable, Damaged, UnknownVersion, UnknownKdf, CostRefused };

/// Reads and checks the header of a strong document whose file is `size` bytes long (`data` holds at
/// least its header when the file is long enough): its length, version, digest, algorithm and costs,
/// in that order, before any password is asked for.
StrongHeaderVerdict readStrongHeader(const std::uint8_t* data, std::size_t size, StrongHeader& header);

/// The message for a verdict other than Readable (the file's name without its folder).
std::string strongHeaderMessage(StrongHeaderVerdict verdict, const std::uint8_t* data, const StrongHeader& header,
                                const std::string& fileName);

/// Appends the strong header's fields after the document header already in `out` (22 bytes), with
/// `key`'s costs and salt and a fresh `nonce`, its key check and digest.
void appendStrongHeader(Bytes& out, const PasswordKey& key, const Nonce& nonce);

/// Seals everything after the header in place and appends the tag.
void sealStrongBody(Bytes& out, const PasswordKey& key, const Nonce& nonce);
