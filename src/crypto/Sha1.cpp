#include "crypto/Sha1.h"

#include <cstring>

namespace {

inline std::uint32_t rotl(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

inline std::uint32_t loadBE(const std::uint8_t* at) {
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) | at[3];
}

// The four step functions with their constants, for steps 0-19, 20-39, 40-59 and 60-79.
inline std::uint32_t f0(std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return (d ^ (b & (c ^ d))) + 0x5A827999u;
}
inline std::uint32_t f1(std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return (b ^ c ^ d) + 0x6ED9EBA1u;
}
inline std::uint32_t f2(std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return ((b & c) | (d & (b | c))) + 0x8F1BBCDCu;
}
inline std::uint32_t f3(std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return (b ^ c ^ d) + 0xCA62C1D6u;
}

}  // namespace

// One step: e takes the new value and b is rotated; the caller rotates the names, so no words move.
#define SHA1_STEP(fn, a, b, c, d, e, word)      \
    do {                                        \
        e += rotl(a, 5) + fn(b, c, d) + (word); \
        b = rotl(b, 30);                        \
    } while (0)
// The message words: the first 16 straight from the block, then the schedule in a ring of 16.
#define SHA1_W0(i) (w[i] = loadBE(block + 4 * (i)))
#define SHA1_W(i) (w[(i)&15] = rotl(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i)&15], 1))
// Five steps, after which the names are back in their starting places.
#define SHA1_FIVE(fn, W, i)                 \
    SHA1_STEP(fn, a, b, c, d, e, W(i));     \
    SHA1_STEP(fn, e, a, b, c, d, W(i + 1)); \
    SHA1_STEP(fn, d, e, a, b, c, W(i + 2)); \
    SHA1_STEP(fn, c, d, e, a, b, W(i + 3)); \
    SHA1_STEP(fn, b, c, d, e, a, W(i + 4))

void Sha1::processBlock(const std::uint8_t* block) {
    std::uint32_t w[16];
    std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3], e = m_state[4];

    SHA1_FIVE(f0, SHA1_W0, 0);
    SHA1_FIVE(f0, SHA1_W0, 5);
    SHA1_FIVE(f0, SHA1_W0, 10);
    SHA1_STEP(f0, a, b, c, d, e, SHA1_W0(15));
    SHA1_STEP(f0, e, a, b, c, d, SHA1_W(16));
    SHA1_STEP(f0, d, e, a, b, c, SHA1_W(17));
    SHA1_STEP(f0, c, d, e, a, b, SHA1_W(18));
    SHA1_STEP(f0, b, c, d, e, a, SHA1_W(19));
    SHA1_FIVE(f1, SHA1_W, 20);
    SHA1_FIVE(f1, SHA1_W, 25);
    SHA1_FIVE(f1, SHA1_W, 30);
    SHA1_FIVE(f1, SHA1_W, 35);
    SHA1_FIVE(f2, SHA1_W, 40);
    SHA1_FIVE(f2, SHA1_W, 45);
    SHA1_FIVE(f2, SHA1_W, 50);
    SHA1_FIVE(f2, SHA1_W, 55);
    SHA1_FIVE(f3, SHA1_W, 60);
    SHA1_FIVE(f3, SHA1_W, 65);
    SHA1_FIVE(f3, SHA1_W, 70);
    SHA1_FIVE(f3, SHA1_W, 75);

    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
    m_state[4] += e;
}

#undef SHA1_FIVE
#undef SHA1_W
#undef SHA1_W0
#undef SHA1_STEP

Sha1::Sha1() : m_state{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u}, m_buffer{} {}

void Sha1::update(const std::uint8_t* data, std::size_t length) {
    m_bitCount += static_cast<std::uint64_t>(length) * 8;
    if (m_buffered != 0) {
        const std::size_t take = length < 64 - m_buffered ? length : 64 - m_buffered;
        std::memcpy(m_buffer + m_buffered, data, take);
        m_buffered += take;
        data += take;
        length -= take;
        if (m_buffered < 64)
            return;
        processBlock(m_buffer);
        m_buffered = 0;
    }
    for (; length >= 64; data += 64, length -= 64)
        processBlock(data);
    if (length != 0)
        std::memcpy(m_buffer, data, length);
    m_buffered = length;
}

Sha1Bytes Sha1::finalise() {
    const std::uint64_t bits = m_bitCount;
    std::uint8_t tail[72] = {0x80};  // 0x80, zeros to 56 mod 64, then the bit count
    const std::size_t padding = (m_buffered < 56 ? 56 : 120) - m_buffered;
    for (int i = 0; i < 8; ++i)
        tail[padding + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    update(tail, padding + 8);

    Sha1Bytes digest;
    for (int i = 0; i < 5; ++i) {
        for (int n = 0; n < 4; ++n)
            digest[4 * i + n] = static_cast<std::uint8_t>(m_state[i] >> (24 - 8 * n));
    }
    // The digest of a password is a secret too: leave nothing of it behind in this object.
    std::memset(m_state, 0, sizeof m_state);
    std::memset(m_buffer, 0, sizeof m_buffer);
    m_bitCount = 0;
    m_buffered = 0;
    return digest;
}

Sha1Bytes Sha1Digest(const std::string& text) {
    Sha1 sha;
    sha.update(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return sha.finalise();
}
