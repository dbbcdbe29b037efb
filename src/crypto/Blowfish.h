#pragma once
// Blowfish as this program applies it: the password's bytes are the key, a block's two halves are
// little-endian 32-bit words (bytes 0-3 left, 4-7 right), every block stands alone (ECB), and there
// is one key state for the whole program, reset by every BlowfishSetKey.

#include <cstddef>
#include <cstdint>

/// Resets the working tables to the published initial values, then runs the key schedule.
/// `length` must be 1 to 32,767; callers refuse empty passwords first.
void BlowfishSetKey(const std::uint8_t* key, int length);

/// Enciphers `blocks` consecutive 8-byte blocks of `buffer` in place (at most 65,535 a call).
void BlowfishEncryptBlocks(std::uint8_t* buffer, std::uint16_t blocks);

/// Deciphers `blocks` consecutive 8-byte blocks of `buffer` in place (at most 65,535 a call).
void BlowfishDecryptBlocks(std::uint8_t* buffer, std::uint16_t blocks);

/// The number of 8-byte blocks that cover `bytes` bytes (rounded up).
constexpr std::size_t BlockCount(std::size_t bytes) { return (bytes + 7) / 8; }

/// Enciphers any number of blocks, in runs of at most 65,535 blocks per BlowfishEncryptBlocks call.
void BlowfishEncryptAll(std::uint8_t* buffer, std::size_t blocks);

/// Deciphers any number of blocks, in runs of at most 65,535 blocks per BlowfishDecryptBlocks call.
void BlowfishDecryptAll(std::uint8_t* buffer, std::size_t blocks);
