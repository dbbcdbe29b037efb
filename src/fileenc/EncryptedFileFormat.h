#pragma once
// The "~~~" file: the enciphered body (as long as the source file), then a 52-byte trailer that is
// always read from the end: 20 bytes SHA-1 of the password, 8 bytes magic, the source name's last
// three characters, 21 bytes version text. There is no header and no length field.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "crypto/Blowfish.h"
#include "crypto/Sha1.h"

inline constexpr std::string_view EncryptedFileMagic = "QrVnEncr";
inline constexpr std::string_view EncryptedFileVersion = "QuorvanVersion2.0.0.0";

inline constexpr std::size_t kPasswordDigestLength = 20;
inline constexpr std::size_t kNameTailLength = 3;
inline constexpr std::size_t kEncryptedTrailerLength =
    kPasswordDigestLength + EncryptedFileMagic.size() + kNameTailLength + EncryptedFileVersion.size();
static_assert(kEncryptedTrailerLength == 52);

// Offsets of the trailer fields counted back from the end of the file.
inline constexpr std::size_t kDigestFromEnd = kEncryptedTrailerLength;  // 52
inline constexpr std::size_t kMagicFromEnd =
    EncryptedFileVersion.size() + kNameTailLength + EncryptedFileMagic.size();                  // 32
inline constexpr std::size_t kNameTailFromEnd = EncryptedFileVersion.size() + kNameTailLength;  // 24
inline constexpr std::size_t kVersionFromEnd = EncryptedFileVersion.size();                     // 21

/// Enciphers the first `length` bytes of `data` in place under `key`. Whole 8-byte blocks
/// are enciphered on their own; the last `length % 8` bytes are XORed with the start of the
/// encipherment of the ciphertext block before them (eight zero bytes when there is none), so the
/// body stays exactly as long as the source and every byte comes back.
void encipherFileBody(const BlowfishKey& key, std::uint8_t* data, std::size_t length);

/// Reverses encipherFileBody under the same key.
void decipherFileBody(const BlowfishKey& key, std::uint8_t* data, std::size_t length);

/// Writes the 52-byte trailer at `out`: `digest`, the magic, `nameTail` (3 bytes), the version text.
void writeEncryptedTrailer(std::uint8_t* out, const Sha1Bytes& digest, const std::string& nameTail);

/// The parts of a trailer that decryption uses; `trailer` points at its first byte (L - 52).
struct EncryptedTrailer {
    Sha1Bytes digest{};
    std::string nameTail;  // 3 bytes, Windows-1252
    bool magicMatches = false;
};
EncryptedTrailer readEncryptedTrailer(const std::uint8_t* trailer);

/// A full path cut before its last three characters (UTF-8 code points; bytes when the path is not
/// valid UTF-8). Nothing when fewer than three characters follow the last '/'.
struct PathTail {
    std::string head;
    std::string tail;
};
std::optional<PathTail> splitPathTail(const std::string& path);

/// The encrypted file's path for a source path ("/d/report.txt" gives "/d/report.~~~") and the name
/// tail to store (the replaced characters as Windows-1252 bytes). Nothing when the file name is
/// shorter than three characters, or ends in characters Windows-1252 cannot hold or that are not
/// UTF-8 (the rest of the name may be any bytes).
struct EncryptedName {
    std::string path;
    std::string nameTail;
};
std::optional<EncryptedName> encryptedNameFor(const std::string& sourcePath);

/// The restored file's path: `encryptedPath` with its last three characters replaced by the stored
/// tail, each control character of it (1-31, 127) as '_'. Nothing when the tail holds a '/' or a NUL
/// or the file name is shorter than three characters.
std::optional<std::string> decryptedPathFor(const std::string& encryptedPath, const std::string& nameTail);
