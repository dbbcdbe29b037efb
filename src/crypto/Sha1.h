#pragma once
// Standard SHA-1 (FIPS 180-1). A password is digested as its bytes, with no salt or conversion.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using Sha1Bytes = std::array<std::uint8_t, 20>;

/// Incremental SHA-1: init on construction, update with any runs of bytes, finalise once.
class Sha1 {
public:
    Sha1();
    void update(const std::uint8_t* data, std::size_t length);
    /// Emits the digest (state words most significant byte first) and clears the working state.
    Sha1Bytes finalise();

private:
    void processBlock(const std::uint8_t* block);
    std::uint32_t m_state[5];
    std::uint64_t m_bitCount = 0;
    std::uint8_t m_buffer[64];
    std::size_t m_buffered = 0;
};

/// The SHA-1 digest of the text's bytes (a password's Windows-1252 bytes).
Sha1Bytes Sha1Digest(const std::string& text);
