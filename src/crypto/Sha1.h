#pragma once
// Standard SHA-1 (FIPS 180-1). A password is digested as its bytes, with no salt or conversion.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using Sha1Bytes = std::array<std::uint8_t, 20>;

/// The routine that digests whole 64-byte blocks. All give the same digest; the choice exists so tests
/// and benchmarks can reach each one on a machine that has the faster.
enum class Sha1Impl {
    Fastest,          ///< the processor's SHA instructions where it has them, otherwise Portable
    Portable,         ///< plain C++, for any processor
    ShaInstructions,  ///< the x86 SHA extensions; only where sha1Supports says so
};

/// Whether this build on this processor can use `impl` (Fastest and Portable always can).
bool sha1Supports(Sha1Impl impl);

/// Incremental SHA-1: init on construction, update with any runs of bytes, finalise once.
class Sha1 {
public:
    /// An `impl` that sha1Supports refuses falls back to Portable.
    explicit Sha1(Sha1Impl impl = Sha1Impl::Fastest);
    void update(const std::uint8_t* data, std::size_t length);
    /// Emits the digest (state words most significant byte first) and clears the working state.
    Sha1Bytes finalise();

private:
    // Digests `count` consecutive 64-byte blocks into the five state words.
    using BlockFunction = void (*)(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);

    BlockFunction m_blocks;
    std::uint32_t m_state[5];
    std::uint64_t m_bitCount = 0;
    std::uint8_t m_buffer[64];
    std::size_t m_buffered = 0;
};

/// The SHA-1 digest of the text's bytes (a password's Windows-1252 bytes).
Sha1Bytes Sha1Digest(const std::string& text);
