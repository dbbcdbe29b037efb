#include "crypto/Blowfish.h"

#include <bit>
#include <cstring>

namespace {

#include "crypto/BlowfishTables.inc"

// The one key state of the program. Every user keys it right before its run of block operations.
struct KeyState {
    std::uint32_t p[18];
    std::uint32_t s[4][256];
};
KeyState g_key;

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

inline std::uint32_t f(const KeyState& k, std::uint32_t x) {
    return ((k.s[0][x >> 24] + k.s[1][(x >> 16) & 0xFF]) ^ k.s[2][(x >> 8) & 0xFF]) + k.s[3][x & 0xFF];
}

// Sixteen rounds written out without swapping: the halves trade roles from one line to the next.
inline void encipher(const KeyState& k, std::uint32_t& left, std::uint32_t& right) {
    const std::uint32_t* p = k.p;
    std::uint32_t l = left ^ p[0];
    std::uint32_t r = right;
    r ^= f(k, l) ^ p[1];
    l ^= f(k, r) ^ p[2];
    r ^= f(k, l) ^ p[3];
    l ^= f(k, r) ^ p[4];
    r ^= f(k, l) ^ p[5];
    l ^= f(k, r) ^ p[6];
    r ^= f(k, l) ^ p[7];
    l ^= f(k, r) ^ p[8];
    r ^= f(k, l) ^ p[9];
    l ^= f(k, r) ^ p[10];
    r ^= f(k, l) ^ p[11];
    l ^= f(k, r) ^ p[12];
    r ^= f(k, l) ^ p[13];
    l ^= f(k, r) ^ p[14];
    r ^= f(k, l) ^ p[15];
    l ^= f(k, r) ^ p[16];
    left = r ^ p[17];
    right = l;
}

inline void decipher(const KeyState& k, std::uint32_t& left, std::uint32_t& right) {
    const std::uint32_t* p = k.p;
    std::uint32_t l = left ^ p[17];
    std::uint32_t r = right;
    r ^= f(k, l) ^ p[16];
    l ^= f(k, r) ^ p[15];
    r ^= f(k, l) ^ p[14];
    l ^= f(k, r) ^ p[13];
    r ^= f(k, l) ^ p[12];
    l ^= f(k, r) ^ p[11];
    r ^= f(k, l) ^ p[10];
    l ^= f(k, r) ^ p[9];
    r ^= f(k, l) ^ p[8];
    l ^= f(k, r) ^ p[7];
    r ^= f(k, l) ^ p[6];
    l ^= f(k, r) ^ p[5];
    r ^= f(k, l) ^ p[4];
    l ^= f(k, r) ^ p[3];
    r ^= f(k, l) ^ p[2];
    l ^= f(k, r) ^ p[1];
    left = r ^ p[0];
    right = l;
}

template <void (*Cipher)(const KeyState&, std::uint32_t&, std::uint32_t&)>
void processBlocks(std::uint8_t* buffer, std::size_t blocks) {
    const KeyState& k = g_key;
    for (std::uint8_t* at = buffer; blocks != 0; --blocks, at += 8) {
        std::uint32_t l = loadLE(at);
        std::uint32_t r = loadLE(at + 4);
        Cipher(k, l, r);
        storeLE(at, l);
        storeLE(at + 4, r);
    }
}

constexpr std::size_t kMaxBlocksPerCall = 65535;

}  // namespace

void BlowfishSetKey(const std::uint8_t* key, int length) {
    std::memcpy(g_key.p, kInitialP, sizeof g_key.p);
    std::memcpy(g_key.s, kInitialS, sizeof g_key.s);

    // Key bytes are used cyclically, four to a P word, most significant first. A key that is not
    // there (callers refuse empty passwords) leaves the initial P-array unmixed rather than dividing by 0.
    if (key != nullptr && length > 0) {
        int j = 0;
        for (std::uint32_t& word : g_key.p) {
            std::uint32_t mix = 0;
            for (int n = 0; n < 4; ++n) {
                mix = (mix << 8) | key[j];
                j = (j + 1) % length;
            }
            word ^= mix;
        }
    }

    // One chain of encipherings, starting from the zero block, replaces P and then the S-boxes.
    std::uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
        encipher(g_key, l, r);
        g_key.p[i] = l;
        g_key.p[i + 1] = r;
    }
    for (auto& box : g_key.s) {
        for (int i = 0; i < 256; i += 2) {
            encipher(g_key, l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
}

void BlowfishEncryptBlocks(std::uint8_t* buffer, std::uint16_t blocks) {
    processBlocks<encipher>(buffer, blocks);
}

void BlowfishDecryptBlocks(std::uint8_t* buffer, std::uint16_t blocks) {
    processBlocks<decipher>(buffer, blocks);
}

void BlowfishEncryptAll(std::uint8_t* buffer, std::size_t blocks) {
    while (blocks != 0) {
        const std::size_t run = blocks < kMaxBlocksPerCall ? blocks : kMaxBlocksPerCall;
        BlowfishEncryptBlocks(buffer, static_cast<std::uint16_t>(run));
        buffer += run * 8;
        blocks -= run;
    }
}

void BlowfishDecryptAll(std::uint8_t* buffer, std::size_t blocks) {
    while (blocks != 0) {
        const std::size_t run = blocks < kMaxBlocksPerCall ? blocks : kMaxBlocksPerCall;
        BlowfishDecryptBlocks(buffer, static_cast<std::uint16_t>(run));
        buffer += run * 8;
        blocks -= run;
    }
}
