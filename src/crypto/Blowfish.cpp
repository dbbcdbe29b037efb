#include "crypto/Blowfish.h"

#include <string.h>  // explicit_bzero

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

#include "crypto/BlowfishTables.inc"

using PArray = std::uint32_t[18];
using SBoxes = std::uint32_t[4][256];

inline std::uint32_t loadLE(const std::uint8_t* at) {
    std::uint32_t v;
    std::memcpy(&v, at, 4);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap32(v);
    return v;
}

inline void storeLE(std::uint8_t* at, std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap32(v);
    std::memcpy(at, &v, 4);
}

inline std::uint32_t f(const SBoxes& s, std::uint32_t x) {
    return ((s[0][x >> 24] + s[1][(x >> 16) & 0xFF]) ^ s[2][(x >> 8) & 0xFF]) + s[3][x & 0xFF];
}

// Sixteen rounds written out without swapping: the halves trade roles from one line to the next.
// Always inlined, so the block loop keeps the halves in registers and makes no call per block.
[[gnu::always_inline]] inline void encipher(const PArray& p, const SBoxes& s, std::uint32_t& left,
                                            std::uint32_t& right) {
    std::uint32_t l = left ^ p[0];
    std::uint32_t r = right;
    r ^= f(s, l) ^ p[1];
    l ^= f(s, r) ^ p[2];
    r ^= f(s, l) ^ p[3];
    l ^= f(s, r) ^ p[4];
    r ^= f(s, l) ^ p[5];
    l ^= f(s, r) ^ p[6];
    r ^= f(s, l) ^ p[7];
    l ^= f(s, r) ^ p[8];
    r ^= f(s, l) ^ p[9];
    l ^= f(s, r) ^ p[10];
    r ^= f(s, l) ^ p[11];
    l ^= f(s, r) ^ p[12];
    r ^= f(s, l) ^ p[13];
    l ^= f(s, r) ^ p[14];
    r ^= f(s, l) ^ p[15];
    l ^= f(s, r) ^ p[16];
    left = r ^ p[17];
    right = l;
}

[[gnu::always_inline]] inline void decipher(const PArray& p, const SBoxes& s, std::uint32_t& left,
                                            std::uint32_t& right) {
    std::uint32_t l = left ^ p[17];
    std::uint32_t r = right;
    r ^= f(s, l) ^ p[16];
    l ^= f(s, r) ^ p[15];
    r ^= f(s, l) ^ p[14];
    l ^= f(s, r) ^ p[13];
    r ^= f(s, l) ^ p[12];
    l ^= f(s, r) ^ p[11];
    r ^= f(s, l) ^ p[10];
    l ^= f(s, r) ^ p[9];
    r ^= f(s, l) ^ p[8];
    l ^= f(s, r) ^ p[7];
    r ^= f(s, l) ^ p[6];
    l ^= f(s, r) ^ p[5];
    r ^= f(s, l) ^ p[4];
    l ^= f(s, r) ^ p[3];
    r ^= f(s, l) ^ p[2];
    l ^= f(s, r) ^ p[1];
    left = r ^ p[0];
    right = l;
}

// The buffer never overlaps the key (__restrict says so), which lets the P words stay in registers
// from one block to the next instead of being read again after every store.
template <void (*Cipher)(const PArray&, const SBoxes&, std::uint32_t&, std::uint32_t&)>
void processBlocks(const PArray& p, const SBoxes& s, std::uint8_t* __restrict buffer, std::size_t blocks) {
    for (std::uint8_t* at = buffer; blocks != 0; --blocks, at += 8) {
        std::uint32_t l = loadLE(at);
        std::uint32_t r = loadLE(at + 4);
        Cipher(p, s, l, r);
        storeLE(at, l);
        storeLE(at + 4, r);
    }
}

constexpr std::size_t kMaxBlocksPerCall = 65535;

}  // namespace

BlowfishKey::BlowfishKey(const std::uint8_t* key, std::size_t length) {
    std::memcpy(m_state.p, kInitialP, sizeof m_state.p);
    std::memcpy(m_state.s, kInitialS, sizeof m_state.s);

    // Key bytes are used cyclically, four to a P word, most significant first, over at most the first
    // 32,767 bytes (only the first 72 can ever be reached). An empty key leaves the initial P-array
    // unmixed, as a zero byte would, rather than dividing by 0.
    const std::size_t used = key == nullptr ? 0 : std::min(length, kMaxKeyBytes);
    if (used != 0) {
        std::size_t j = 0;
        for (std::uint32_t& word : m_state.p) {
            std::uint32_t mix = 0;
            for (int n = 0; n < 4; ++n) {
                mix = (mix << 8) | key[j];
                j = (j + 1) % used;
            }
            word ^= mix;
        }
    }

    // One chain of encipherings, starting from the zero block, replaces P and then the S-boxes.
    std::uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
        encipher(m_state.p, m_state.s, l, r);
        m_state.p[i] = l;
        m_state.p[i + 1] = r;
    }
    for (auto& box : m_state.s) {
        for (int i = 0; i < 256; i += 2) {
            encipher(m_state.p, m_state.s, l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
}

BlowfishKey::BlowfishKey(std::string_view key)
    : BlowfishKey(reinterpret_cast<const std::uint8_t*>(key.data()), key.size()) {}

// The tables are derived from the password. Unlike memset, explicit_bzero is never dropped as a store
// to an object whose life is ending.
BlowfishKey::~BlowfishKey() {
    explicit_bzero(&m_state, sizeof m_state);
}

void BlowfishKey::EncryptBlocks(std::uint8_t* buffer, std::uint16_t blocks) const {
    processBlocks<encipher>(m_state.p, m_state.s, buffer, blocks);
}

void BlowfishKey::DecryptBlocks(std::uint8_t* buffer, std::uint16_t blocks) const {
    processBlocks<decipher>(m_state.p, m_state.s, buffer, blocks);
}

void BlowfishKey::EncryptAll(std::uint8_t* buffer, std::size_t blocks) const {
    while (blocks != 0) {
        const std::size_t run = std::min(blocks, kMaxBlocksPerCall);
        EncryptBlocks(buffer, static_cast<std::uint16_t>(run));
        buffer += run * 8;
        blocks -= run;
    }
}

void BlowfishKey::DecryptAll(std::uint8_t* buffer, std::size_t blocks) const {
    while (blocks != 0) {
        const std::size_t run = std::min(blocks, kMaxBlocksPerCall);
        DecryptBlocks(buffer, static_cast<std::uint16_t>(run));
        buffer += run * 8;
        blocks -= run;
    }
}
