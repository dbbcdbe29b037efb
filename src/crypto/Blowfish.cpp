#include "crypto/Blowfish.h"

#include <string.h>  // explicit_bzero
#include <sys/mman.h>

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

// Sixteen rounds over `Lanes` independent blocks, two rounds a pass without swapping: the halves
// trade roles from one round to the next. Each round is applied to every lane before the next one
// starts, so the S-box loads of different blocks overlap instead of waiting on one block's chain of
// lookups. Always inlined and fully unrolled (at -O2 too), so the halves live in registers.
template <std::size_t Lanes, bool Decrypt>
[[gnu::always_inline]] inline void cipherLanes(const PArray& p, const SBoxes& s, std::uint32_t (&left)[Lanes],
                                               std::uint32_t (&right)[Lanes]) {
    // Deciphering takes the P words in reverse order; nothing else differs.
    constexpr auto key = [](int i) { return Decrypt ? 17 - i : i; };
    std::uint32_t l[Lanes], r[Lanes];
#pragma GCC unroll 16
    for (std::size_t k = 0; k < Lanes; ++k) {
        l[k] = left[k] ^ p[key(0)];
        r[k] = right[k];
    }
#pragma GCC unroll 16
    for (int i = 1; i < 17; i += 2) {
        const std::uint32_t p1 = p[key(i)], p2 = p[key(i + 1)];
#pragma GCC unroll 16
        for (std::size_t k = 0; k < Lanes; ++k)
            r[k] ^= f(s, l[k]) ^ p1;
#pragma GCC unroll 16
        for (std::size_t k = 0; k < Lanes; ++k)
            l[k] ^= f(s, r[k]) ^ p2;
    }
#pragma GCC unroll 16
    for (std::size_t k = 0; k < Lanes; ++k) {
        left[k] = r[k] ^ p[key(17)];
        right[k] = l[k];
    }
}

template <std::size_t Lanes, bool Decrypt>
[[gnu::always_inline]] inline void cipherBuffer(const PArray& p, const SBoxes& s, std::uint8_t* __restrict at) {
    std::uint32_t l[Lanes], r[Lanes];
#pragma GCC unroll 16
    for (std::size_t k = 0; k < Lanes; ++k) {
        l[k] = loadLE(at + 8 * k);
        r[k] = loadLE(at + 8 * k + 4);
    }
    cipherLanes<Lanes, Decrypt>(p, s, l, r);
#pragma GCC unroll 16
    for (std::size_t k = 0; k < Lanes; ++k) {
        storeLE(at + 8 * k, l[k]);
        storeLE(at + 8 * k + 4, r[k]);
    }
}

// Eight blocks in flight keep the load ports busy (each round of each block reads four S-box words);
// more only adds spills, fewer leaves the ports waiting on one block's chain of lookups.
constexpr std::size_t kLanes = 8;

// One group of blocks per call. The call costs next to nothing beside 128 rounds, and it keeps GCC's
// -O3 loop vectorizer off the group loop, which it would otherwise turn into emulated gathers that
// run at a third of the speed.
template <bool Decrypt>
[[gnu::noinline]] void cipherGroup(const PArray& p, const SBoxes& s, std::uint8_t* __restrict at) {
    cipherBuffer<kLanes, Decrypt>(p, s, at);
}

// The buffer never overlaps the key (__restrict says so), so the compiler need not read the P words
// and S-boxes again after each store into the buffer.
template <bool Decrypt>
void processBlocks(const PArray& p, const SBoxes& s, std::uint8_t* __restrict buffer, std::size_t blocks) {
    std::uint8_t* at = buffer;
    for (; blocks >= kLanes; blocks -= kLanes, at += 8 * kLanes)
        cipherGroup<Decrypt>(p, s, at);
    for (; blocks != 0; --blocks, at += 8)
        cipherBuffer<1, Decrypt>(p, s, at);
}

}  // namespace

BlowfishKey::BlowfishKey(const std::uint8_t* key, std::size_t length) {
    // Kept out of swap where the system allows it (RLIMIT_MEMLOCK). A best effort: locks do not
    // nest, so a page this key shares with another locked one is unlocked with the first to go.
    m_locked = ::mlock(&m_state, sizeof m_state) == 0;
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
    std::uint32_t l[1] = {0}, r[1] = {0};
    for (int i = 0; i < 18; i += 2) {
        cipherLanes<1, false>(m_state.p, m_state.s, l, r);
        m_state.p[i] = l[0];
        m_state.p[i + 1] = r[0];
    }
    for (auto& box : m_state.s) {
        for (int i = 0; i < 256; i += 2) {
            cipherLanes<1, false>(m_state.p, m_state.s, l, r);
            box[i] = l[0];
            box[i + 1] = r[0];
        }
    }
}

BlowfishKey::BlowfishKey(std::string_view key)
    : BlowfishKey(reinterpret_cast<const std::uint8_t*>(key.data()), key.size()) {}

// The tables are derived from the password. Unlike memset, explicit_bzero is never dropped as a store
// to an object whose life is ending.
BlowfishKey::~BlowfishKey() {
    const bool locked = m_locked;
    explicit_bzero(this, sizeof *this);
    if (locked)
        ::munlock(&m_state, sizeof m_state);
}

void BlowfishKey::EncryptBlocks(std::uint8_t* buffer, std::uint16_t blocks) const {
    processBlocks<false>(m_state.p, m_state.s, buffer, blocks);
}

void BlowfishKey::DecryptBlocks(std::uint8_t* buffer, std::uint16_t blocks) const {
    processBlocks<true>(m_state.p, m_state.s, buffer, blocks);
}

// ECB blocks stand alone, so a long buffer needs no cutting into runs: one pass keeps the eight-block
// stride going over all of it.
void BlowfishKey::EncryptAll(std::uint8_t* buffer, std::size_t blocks) const {
    processBlocks<false>(m_state.p, m_state.s, buffer, blocks);
}

void BlowfishKey::DecryptAll(std::uint8_t* buffer, std::size_t blocks) const {
    processBlocks<true>(m_state.p, m_state.s, buffer, blocks);
}
