#include "crypto/Sha1.h"

#include <cstring>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define QUORVANE_SHA1_X86 1
#endif

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

// The blocks are read where they lie, with only the 16-word window of the schedule kept, and the
// state stays in registers from one block to the next.
void blocksPortable(std::uint32_t* state, const std::uint8_t* block, std::size_t count) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (; count != 0; --count, block += 64) {
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d, e0 = e;
        std::uint32_t w[16];

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

        a += a0;
        b += b0;
        c += c0;
        d += d0;
        e += e0;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
    state[4] = e;
}

#undef SHA1_FIVE
#undef SHA1_W
#undef SHA1_W0
#undef SHA1_STEP

#ifdef QUORVANE_SHA1_X86

// The x86 SHA extensions do four steps per instruction. A register holds four state or message
// words with the first in the highest lane, so abcd is loaded reversed and message words are
// byte-swapped to big-endian as they are loaded.
#define QUORVANE_SHA_TARGET gnu::target("sha,sse4.1")

// Four steps, the `I`th four of 80. `w` is the ring of the last four message groups, `w[I % 4]`
// holding words 4I to 4I+3 on entry and, where more are needed, words 4I+16 to 4I+19 on exit.
// `previous` is abcd as the last four steps found it: e now is its a rotated, which sha1nexte adds.
template <int I>
[[gnu::always_inline, QUORVANE_SHA_TARGET]] inline void fourSteps(__m128i& abcd, __m128i& previous, __m128i (&w)[4]) {
    const __m128i eAndWords = _mm_sha1nexte_epu32(previous, w[I % 4]);
    previous = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, eAndWords, I / 5);
    if constexpr (I < 16) {
        const __m128i mixed = _mm_xor_si128(_mm_sha1msg1_epu32(w[I % 4], w[(I + 1) % 4]), w[(I + 2) % 4]);
        w[I % 4] = _mm_sha1msg2_epu32(mixed, w[(I + 3) % 4]);
    }
}

template <int... I>
[[gnu::always_inline, QUORVANE_SHA_TARGET]] inline void steps4To79(__m128i& abcd, __m128i& previous, __m128i (&w)[4],
                                                                   std::integer_sequence<int, I...>) {
    (fourSteps<I + 1>(abcd, previous, w), ...);
}

[[QUORVANE_SHA_TARGET]] void blocksShaInstructions(std::uint32_t* state, const std::uint8_t* block, std::size_t count) {
    const __m128i bigEndian = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; count != 0; --count, block += 64) {
        const __m128i abcdBefore = abcd, eBefore = e;
        __m128i w[4];
        for (int i = 0; i < 4; ++i)
            w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i)), bigEndian);

        // Steps 0-3 take e as it is; every later four get it from sha1nexte inside fourSteps.
        __m128i previous = abcd;
        abcd = _mm_sha1rnds4_epu32(abcd, _mm_add_epi32(e, w[0]), 0);
        {
            const __m128i mixed = _mm_xor_si128(_mm_sha1msg1_epu32(w[0], w[1]), w[2]);
            w[0] = _mm_sha1msg2_epu32(mixed, w[3]);
        }
        steps4To79(abcd, previous, w, std::make_integer_sequence<int, 19>());

        e = _mm_sha1nexte_epu32(previous, eBefore);
        abcd = _mm_add_epi32(abcd, abcdBefore);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e, 3));
}

#undef QUORVANE_SHA_TARGET

bool hasShaInstructions() {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || (ecx & bit_SSE4_1) == 0 || (ecx & bit_SSSE3) == 0)
        return false;
    return __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & bit_SHA) != 0;
}

#endif  // QUORVANE_SHA1_X86

// Asked once; the answer cannot change while the program runs.
bool shaInstructionsAvailable() {
#ifdef QUORVANE_SHA1_X86
    static const bool available = hasShaInstructions();
    return available;
#else
    return false;
#endif
}

using BlockFunction = void (*)(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);

BlockFunction blocksFor(Sha1Impl impl) {
#ifdef QUORVANE_SHA1_X86
    if (impl != Sha1Impl::Portable && shaInstructionsAvailable())
        return blocksShaInstructions;
#else
    (void)impl;
#endif
    return blocksPortable;
}

}  // namespace

bool sha1Supports(Sha1Impl impl) {
    return impl != Sha1Impl::ShaInstructions || shaInstructionsAvailable();
}

Sha1::Sha1(Sha1Impl impl)
    : m_blocks(blocksFor(impl)), m_state{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u}, m_buffer{} {}

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
        m_blocks(m_state, m_buffer, 1);
        m_buffered = 0;
    }
    // Whole blocks straight from the caller's bytes, all in one call so the state stays in registers.
    if (length >= 64) {
        m_blocks(m_state, data, length / 64);
        data += length / 64 * 64;
        length %= 64;
    }
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
