#pragma once
// The strong "~~~" file: a 100-byte header (magic "QrVnStrm", version, Argon2id costs and salt, the
// chunk size, the source name's last three characters, the secretstream header, a key check and a
// header digest), then the source file in chunks sealed by libsodium's secretstream, the first with
// the header as associated data and the last marked as the last. docs/file-formats.md gives every byte.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "crypto/PasswordKey.h"

inline constexpr std::string_view kStrongFileMagic = "QrVnStrm";
inline constexpr std::uint8_t kStrongFileVersion = 1;
inline constexpr std::size_t kStrongFileVersionOffset = 8;
inline constexpr std::size_t kStrongFileKdfOffset = 9;
inline constexpr std::size_t kStrongFilePassesOffset = 12;
inline constexpr std::size_t kStrongFileMemoryOffset = 16;
inline constexpr std::size_t kStrongFileChunkOffset = 20;
inline constexpr std::size_t kStrongFileSaltOffset = 24;
inline constexpr std::size_t kStrongFileNameTailOffset = 40;
inline constexpr std::size_t kStrongFileStreamOffset = 44;
inline constexpr std::size_t kStrongFileKeyCheckOffset = 68;
inline constexpr std::size_t kStrongFileDigestOffset = 84;
inline constexpr std::size_t kStrongFileHeaderSize = 100;

/// The chunk sizes a file may state: above the bound a hostile file would make every buffer huge.
inline constexpr std::uint32_t kMinStrongChunkBytes = 1;
inline constexpr std::uint32_t kMaxStrongChunkBytes = 8 * 1024 * 1024;

struct StrongFileHeader {
    KdfCost cost;
    std::uint32_t chunkBytes = 0;
    Salt salt{};
    std::string nameTail;  // 3 bytes, Windows-1252
    SecretStream::Header stream{};
};

enum class StrongFileVerdict { Readable, Damaged, UnknownVersion, UnknownKdf, CostRefused, ChunkRefused };

/// Whether a file of `length` bytes whose first bytes are `head` (at least 8 of them) is in the strong
/// form: its magic and an intact header digest (so an old file whose body happens to begin with the
/// magic is not taken for one).
bool isStrongEncryptedFile(const std::uint8_t* head, std::size_t headSize, std::uint64_t length);

/// Reads and checks a header (the first 100 bytes of a file of `fileLength` bytes): version, digest,
/// algorithm, costs, chunk size, and that the length is that of a stream of such chunks. `plainLength`
/// receives the source file's length.
StrongFileVerdict readStrongFileHeader(const std::uint8_t* header, std::uint64_t fileLength, StrongFileHeader& out,
                                       std::uint64_t& plainLength);

/// The message for a verdict other than Readable.
std::string strongFileMessage(StrongFileVerdict verdict, const std::uint8_t* header, const StrongFileHeader& parsed,
                              const std::string& fileName);

/// Writes the 100-byte header for `key`, `chunkBytes`, `nameTail` and the stream's header.
void writeStrongFileHeader(std::uint8_t* out, const PasswordKey& key, std::uint32_t chunkBytes,
                           const std::string& nameTail, const SecretStream::Header& stream);

/// The length of the strong file of a source of `plainLength` bytes (at least 1) in chunks of `chunkBytes`.
std::uint64_t strongFileLength(std::uint64_t plainLength, std::uint32_t chunkBytes);
