// The cipher and the digest against published vectors and OpenSSL, and the password checks built on them.

// OpenSSL's BF_* and SHA1 calls are deprecated in OpenSSL 3 but remain the handiest oracle.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <gtest/gtest.h>
#include <openssl/blowfish.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <latch>
#include <new>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "crypto/Blowfish.h"
#include "crypto/PasswordRules.h"
#include "crypto/Sha1.h"

// Names the routine in failure messages rather than its bytes.
void PrintTo(Sha1Impl impl, std::ostream* out) {
    *out << (impl == Sha1Impl::Portable          ? "Portable"
             : impl == Sha1Impl::ShaInstructions ? "ShaInstructions"
                                                 : "Fastest");
}

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes fromHex(const std::string& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::string toHex(const std::uint8_t* data, std::size_t size) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}
std::string toHex(const Bytes& b) {
    return toHex(b.data(), b.size());
}

// Published vectors write each half big-endian; our blocks hold little-endian halves.
Bytes swapHalves(Bytes b) {
    for (std::size_t i = 0; i + 4 <= b.size(); i += 4)
        std::reverse(b.begin() + i, b.begin() + i + 4);
    return b;
}

Bytes randomBytes(std::mt19937& rng, std::size_t size) {
    Bytes out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng());
    return out;
}

Bytes encrypted(const BlowfishKey& key, Bytes data) {
    key.EncryptAll(data.data(), data.size() / 8);
    return data;
}

Bytes encrypted(const Bytes& key, Bytes data) {
    return encrypted(BlowfishKey(key.data(), key.size()), std::move(data));
}

// OpenSSL's ECB reads each half big-endian, so the halves are swapped on the way in and out.
Bytes opensslEncrypted(const Bytes& key, const Bytes& data) {
    BF_KEY bf;
    BF_set_key(&bf, static_cast<int>(key.size()), key.data());
    Bytes in = swapHalves(data), out(data.size());
    for (std::size_t i = 0; i < data.size(); i += 8)
        BF_ecb_encrypt(in.data() + i, out.data() + i, &bf, BF_ENCRYPT);
    return swapHalves(out);
}

struct BlowfishVector {
    const char* key;
    const char* plain;
    const char* cipher;
};

const BlowfishVector kBlowfishVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
};

TEST(Blowfish, PublishedVectorsWithLittleEndianHalves) {
    for (const auto& v : kBlowfishVectors) {
        SCOPED_TRACE(v.key);
        Bytes block = swapHalves(fromHex(v.plain));
        const Bytes keyBytes = fromHex(v.key);
        const BlowfishKey key(keyBytes.data(), keyBytes.size());
        key.EncryptBlocks(block.data(), 1);
        EXPECT_EQ(toHex(swapHalves(block)), v.cipher);
        key.DecryptBlocks(block.data(), 1);
        EXPECT_EQ(toHex(swapHalves(block)), v.plain);
    }
}

// The published variable-key-length set: the first n bytes of one 24-byte key, one plaintext.
TEST(Blowfish, PublishedVariableKeyLengthVectors) {
    const Bytes fullKey = fromHex("F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677");
    const char* expected[] = {
        "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05", "B39E44481BDB1E6E",
        "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82", "15750E7A4F4EC577", "122BA70B3AB64AE0",
        "3A833C9AFFC537F6", "9409DA87A90F6BF2", "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F",
        "93142887EE3BE15C", "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
        "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
    };
    const Bytes plain = swapHalves(fromHex("FEDCBA9876543210"));
    for (std::size_t n = 1; n <= fullKey.size(); ++n) {
        const Bytes block = encrypted(Bytes(fullKey.begin(), fullKey.begin() + n), plain);
        EXPECT_EQ(toHex(swapHalves(block)), expected[n - 1]) << "key length " << n;
    }
}

// Keys short and long (only the first 72 bytes count), buffers of odd block counts.
TEST(Blowfish, MatchesOpenSslOnRandomKeysAndBuffers) {
    std::mt19937 rng(1993);
    for (std::size_t keyLength : {1u, 3u, 8u, 56u, 72u, 73u, 200u, 32767u}) {
        for (int round = 0; round < 4; ++round) {
            const Bytes key = randomBytes(rng, keyLength);
            const Bytes plain = randomBytes(rng, 8 * (1 + rng() % 97));
            SCOPED_TRACE(testing::Message() << "key length " << keyLength << ", blocks " << plain.size() / 8);
            const BlowfishKey bf(key.data(), key.size());
            Bytes data = encrypted(bf, plain);
            ASSERT_EQ(toHex(data), toHex(opensslEncrypted(key, plain)));
            bf.DecryptAll(data.data(), data.size() / 8);
            ASSERT_EQ(data, plain);
        }
    }
}

// Every count of blocks through three groups of the multi-block stride and past it, from an aligned
// and an odd address: each must match OpenSSL block for block, come back on deciphering, and leave
// the bytes on either side of the run alone.
TEST(Blowfish, EveryBlockCountAroundTheStrideMatchesOpenSsl) {
    std::mt19937 rng(88);
    const Bytes key = randomBytes(rng, 13);
    const BlowfishKey bf(key.data(), key.size());
    constexpr std::size_t kGuard = 16;
    for (std::size_t offset : {0u, 3u}) {
        for (std::size_t blocks = 0; blocks <= 27; ++blocks) {
            SCOPED_TRACE(testing::Message() << "offset " << offset << ", blocks " << blocks);
            const Bytes plain = randomBytes(rng, 8 * blocks);
            const Bytes expected = opensslEncrypted(key, plain);
            Bytes storage = randomBytes(rng, offset + plain.size() + kGuard);
            std::copy(plain.begin(), plain.end(), storage.begin() + offset);
            const Bytes before = storage;
            std::uint8_t* run = storage.data() + offset;

            bf.EncryptAll(run, blocks);
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(), run));
            bf.DecryptBlocks(run, static_cast<std::uint16_t>(blocks));
            ASSERT_TRUE(storage == before);

            bf.EncryptBlocks(run, static_cast<std::uint16_t>(blocks));
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(), run));
            bf.DecryptAll(run, blocks);
            ASSERT_TRUE(storage == before);
        }
    }
}

// Pairs of keys that must give the same tables.
TEST(Blowfish, KeyBytesAreUsedCyclicallyUpTo72) {
    std::mt19937 rng(7);
    const Bytes plain = randomBytes(rng, 64);
    const Bytes long72 = randomBytes(rng, 72);
    Bytes long72Extended = long72;
    long72Extended.insert(long72Extended.end(), {1, 2, 3, 4, 5});
    const struct {
        Bytes a, b;
    } pairs[] = {
        {{'a'}, {'a', 'a'}},
        {{'a', 'b', 'c'}, {'a', 'b', 'c', 'a', 'b', 'c'}},
        {{'p', 'a', 's', 's', 'w'}, {'p', 'a', 's', 's', 'w', 'p', 'a', 's', 's', 'w'}},
        {long72, long72Extended},
    };
    for (const auto& pair : pairs) {
        SCOPED_TRACE(toHex(pair.a));
        EXPECT_EQ(encrypted(pair.a, plain), encrypted(pair.b, plain));
    }
    // And a real difference inside the first 72 bytes does count.
    Bytes changed = long72;
    changed[71] ^= 1;
    EXPECT_NE(encrypted(long72, plain), encrypted(changed, plain));
}

TEST(Blowfish, EveryKeyStartsFromTheInitialTables) {
    const Bytes first = {'f', 'i', 'r', 's', 't'}, second = {'s', 'e', 'c', 'o', 'n', 'd', '!', '!'};
    const Bytes plain(16, 0x5A);
    const Bytes afterFirst = encrypted(first, plain);
    const Bytes secondAlone = encrypted(second, plain);
    const BlowfishKey firstAgain(first.data(), first.size());
    const BlowfishKey firstOnceMore(first.data(), first.size());  // keying twice must not compound
    EXPECT_EQ(encrypted(second, plain), secondAlone);
    EXPECT_EQ(encrypted(firstAgain, plain), afterFirst);
    EXPECT_EQ(encrypted(firstOnceMore, plain), afterFirst);
    EXPECT_EQ(secondAlone, opensslEncrypted(second, plain));
}

// Two keys alive at once, their block calls interleaved, give what each gives on its own.
TEST(Blowfish, InterleavedKeysEncipherIndependently) {
    std::mt19937 rng(5);
    const Bytes keyA = randomBytes(rng, 11), keyB = randomBytes(rng, 72);
    const Bytes plainA = randomBytes(rng, 8 * 300), plainB = randomBytes(rng, 8 * 300);
    const Bytes aloneA = encrypted(keyA, plainA), aloneB = encrypted(keyB, plainB);

    const BlowfishKey a(keyA.data(), keyA.size());
    Bytes dataA = plainA;
    a.EncryptBlocks(dataA.data(), 100);  // part done before the other key exists
    const BlowfishKey b(keyB.data(), keyB.size());
    Bytes dataB = plainB;
    for (std::size_t done = 100, run = 1; done < 300; done += run, run = run % 7 + 1) {
        run = std::min<std::size_t>(run, 300 - done);
        a.EncryptBlocks(dataA.data() + 8 * done, static_cast<std::uint16_t>(run));
        b.EncryptBlocks(dataB.data() + 8 * (done - 100), static_cast<std::uint16_t>(run));
    }
    b.EncryptBlocks(dataB.data() + 8 * 200, 100);
    EXPECT_TRUE(dataA == aloneA);
    EXPECT_TRUE(dataB == aloneB);

    b.DecryptAll(dataB.data(), 300);
    a.DecryptAll(dataA.data(), 300);
    EXPECT_TRUE(dataA == plainA);
    EXPECT_TRUE(dataB == plainB);
}

// Threads that each key and run their own cipher, and share one more key, get the single-threaded bytes.
TEST(Blowfish, ThreadsWithTheirOwnKeysDoNotDisturbEachOther) {
    constexpr int kThreads = 2, kRounds = 40;
    std::mt19937 rng(11);
    const Bytes sharedKeyBytes = randomBytes(rng, 20);
    const BlowfishKey shared(sharedKeyBytes.data(), sharedKeyBytes.size());
    Bytes keys[kThreads], plains[kThreads], expected[kThreads];
    for (int t = 0; t < kThreads; ++t) {
        keys[t] = randomBytes(rng, 5 + 9 * t);
        plains[t] = randomBytes(rng, 8 * 64);
        expected[t] = encrypted(shared, encrypted(keys[t], plains[t]));
    }
    int wrongRounds[kThreads] = {};
    std::latch start(kThreads);
    auto work = [&](int t) {
        start.arrive_and_wait();
        for (int round = 0; round < kRounds; ++round) {
            const BlowfishKey own(keys[t].data(), keys[t].size());
            Bytes data = plains[t];
            for (std::size_t at = 0; at < data.size(); at += 8 * 8)
                own.EncryptBlocks(data.data() + at, 8);
            shared.EncryptAll(data.data(), data.size() / 8);
            wrongRounds[t] += data != expected[t];
        }
    };
    std::thread threads[kThreads] = {std::thread(work, 0), std::thread(work, 1)};
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(wrongRounds[t], 0) << "thread " << t << " of " << kRounds << " rounds";
}

// Only the first 32,767 key bytes are taken; the rest must not change anything, however long the key.
TEST(Blowfish, KeysLongerThanTheLimitAreCut) {
    std::mt19937 rng(32767);
    const Bytes limit = randomBytes(rng, BlowfishKey::kMaxKeyBytes);
    const Bytes plain = randomBytes(rng, 40);
    const Bytes expected = encrypted(limit, plain);
    EXPECT_EQ(expected, opensslEncrypted(limit, plain));
    // Lengths that would come out short or negative if cut to 15 or 16 bits instead of capped.
    for (std::size_t length : {32768u, 32769u, 65535u, 65536u + 3u, 65536u * 4u + 71u}) {
        Bytes longer = limit;
        const Bytes extra = randomBytes(rng, length - limit.size());
        longer.insert(longer.end(), extra.begin(), extra.end());
        EXPECT_EQ(encrypted(longer, plain), expected) << "key length " << length;
    }
}

// An empty key mixes zeros into the P-array, so it enciphers like a key of one zero byte; it reads no key.
TEST(Blowfish, EmptyKeyActsLikeAZeroByte) {
    const Bytes plain(24, 0xC3);
    const Bytes zero = opensslEncrypted(Bytes{0}, plain);
    const std::uint8_t byte = 'x';
    EXPECT_EQ(encrypted(BlowfishKey(nullptr, 0), plain), zero);
    EXPECT_EQ(encrypted(BlowfishKey(nullptr, 12), plain), zero);
    EXPECT_EQ(encrypted(BlowfishKey(&byte, 0), plain), zero);
    EXPECT_EQ(encrypted(BlowfishKey(std::string_view()), plain), zero);
    EXPECT_EQ(encrypted(BlowfishKey(std::string()), plain), zero);
}

// A dead key leaves nothing of its tables behind in the memory it occupied.
TEST(Blowfish, DestroyedKeyLeavesItsStorageZeroed) {
    alignas(BlowfishKey) unsigned char storage[sizeof(BlowfishKey)];
    std::memset(storage, 0xA5, sizeof storage);
    const BlowfishKey* key = new (storage) BlowfishKey(std::string_view("Correct Horse"));
    key->~BlowfishKey();
    EXPECT_EQ(std::count(storage, storage + sizeof storage, 0), static_cast<std::ptrdiff_t>(sizeof storage));
}

TEST(Blowfish, BlockCountRoundsUp) {
    const std::pair<std::size_t, std::size_t> cases[] = {{0, 0}, {1, 1},  {7, 1},         {8, 1},
                                                         {9, 2}, {20, 3}, {524280, 65535}};
    for (auto [bytes, blocks] : cases)
        EXPECT_EQ(BlockCount(bytes), blocks) << bytes;
}

// More than one call's worth of blocks: the runs must join seamlessly, and ECB leaves equal blocks equal.
TEST(Blowfish, LongBuffersRunThroughSeveralCalls) {
    std::mt19937 rng(42);
    const Bytes key = randomBytes(rng, 16);
    const std::size_t blocks = 2 * 65535 + 37;
    Bytes plain = randomBytes(rng, 8 * blocks);
    std::copy_n(plain.begin(), 8, plain.end() - 8);  // last block repeats the first

    const Bytes whole = encrypted(key, plain);
    EXPECT_TRUE(whole == opensslEncrypted(key, plain));
    EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + 8, whole.end() - 8));

    Bytes chunked = plain;
    const BlowfishKey bf(key.data(), key.size());
    for (std::size_t done = 0, run = 1; done < blocks; done += run, run = run * 3 % 65535 + 1) {
        run = std::min(run, blocks - done);
        bf.EncryptBlocks(chunked.data() + 8 * done, static_cast<std::uint16_t>(run));
    }
    EXPECT_TRUE(chunked == whole);

    bf.DecryptAll(chunked.data(), blocks);
    EXPECT_TRUE(chunked == plain);
}

// Each SHA-1 routine the processor can run; the others are skipped with a note.
class Sha1Route : public testing::TestWithParam<Sha1Impl> {
protected:
    void SetUp() override {
        if (!sha1Supports(GetParam()))
            GTEST_SKIP() << "this processor has no SHA instructions";
    }

    std::string digestHex(const Bytes& data) const {
        Sha1 sha(GetParam());
        sha.update(data.data(), data.size());
        const Sha1Bytes d = sha.finalise();
        return toHex(d.data(), d.size());
    }
};

std::string opensslSha1Hex(const std::uint8_t* data, std::size_t size) {
    std::uint8_t digest[SHA_DIGEST_LENGTH];
    SHA1(data, size, digest);
    return toHex(digest, sizeof digest);
}

TEST_P(Sha1Route, PublishedVectors) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrs"
         "tnopqrstu",
         "A49B2446A02C645BF419F995B67091253A04A259"},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(digestHex(Bytes(text.begin(), text.end())), digest) << '"' << text << '"';
}

TEST_P(Sha1Route, OneMillionAsInUnevenPieces) {
    const std::string piece(997, 'a');
    Sha1 sha(GetParam());
    std::size_t left = 1000000;
    for (std::size_t n = 1; left != 0; n = n % 997 + 13) {
        const std::size_t take = std::min({n, left, piece.size()});
        sha.update(reinterpret_cast<const std::uint8_t*>(piece.data()), take);
        left -= take;
    }
    const Sha1Bytes d = sha.finalise();
    EXPECT_EQ(toHex(d.data(), d.size()), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
}

// Every length through the padding boundaries (55/56/63/64 and their next block), whole and split in two.
TEST_P(Sha1Route, MatchesOpenSslOnAllShortLengths) {
    std::mt19937 rng(180);
    for (std::size_t length = 0; length <= 200; ++length) {
        const Bytes data = randomBytes(rng, length);
        const std::string expected = opensslSha1Hex(data.data(), data.size());
        EXPECT_EQ(digestHex(data), expected) << length;

        const std::size_t cut = length == 0 ? 0 : rng() % (length + 1);
        Sha1 sha(GetParam());
        sha.update(data.data(), cut);
        sha.update(data.data() + cut, length - cut);
        const Sha1Bytes split = sha.finalise();
        EXPECT_EQ(toHex(split.data(), split.size()), expected) << length << " cut at " << cut;
    }
}

// Many blocks at once from an odd address, and the same bytes fed in pieces that leave partial blocks
// buffered between runs of whole ones.
TEST_P(Sha1Route, MatchesOpenSslOnMultiBlockInputs) {
    std::mt19937 rng(1024);
    for (std::size_t length : {128u, 1000u, 4096u, 65536u + 17u, (1u << 20) + 3u}) {
        const Bytes storage = randomBytes(rng, length + 1);
        const std::uint8_t* data = storage.data() + 1;
        const std::string expected = opensslSha1Hex(data, length);

        Sha1 whole(GetParam());
        whole.update(data, length);
        Sha1Bytes d = whole.finalise();
        EXPECT_EQ(toHex(d.data(), d.size()), expected) << length;

        Sha1 pieces(GetParam());
        for (std::size_t done = 0, take; done < length; done += take) {
            take = std::min<std::size_t>(length - done, 1 + rng() % 700);
            pieces.update(data + done, take);
        }
        d = pieces.finalise();
        EXPECT_EQ(toHex(d.data(), d.size()), expected) << length << " in pieces";
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, Sha1Route, testing::Values(Sha1Impl::Portable, Sha1Impl::ShaInstructions),
                         [](const testing::TestParamInfo<Sha1Impl>& info) {
                             return testing::PrintToString(info.param);
                         });

// The processor's own report decides whether the fast routine is used: a wrong feature bit would
// quietly fall back to the slow one, or run instructions the processor lacks.
TEST(Sha1, ShaInstructionsAreFoundWhereTheProcessorHasThem) {
#if defined(__x86_64__) || defined(__i386__)
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line) && line.rfind("flags", 0) != 0) {
    }
    if (line.empty())
        GTEST_SKIP() << "no /proc/cpuinfo flags to compare with";
    std::istringstream flags(line.substr(line.find(':') + 1));
    const bool listed = std::find(std::istream_iterator<std::string>(flags), std::istream_iterator<std::string>(),
                                  "sha_ni") != std::istream_iterator<std::string>();
    EXPECT_EQ(sha1Supports(Sha1Impl::ShaInstructions), listed);
#else
    EXPECT_FALSE(sha1Supports(Sha1Impl::ShaInstructions));
#endif
    EXPECT_TRUE(sha1Supports(Sha1Impl::Fastest));
    EXPECT_TRUE(sha1Supports(Sha1Impl::Portable));
}

// What the program calls: the fastest routine behind the one-call digest of a password's bytes.
TEST(Sha1, DigestOfTextMatchesOpenSsl) {
    const std::string texts[] = {"", "Correct Horse", std::string(64, 'x'), std::string(119, '\xE9')};
    for (const std::string& text : texts) {
        const Sha1Bytes d = Sha1Digest(text);
        EXPECT_EQ(toHex(d.data(), d.size()),
                  opensslSha1Hex(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))
            << text.size();
    }
}

class RecordingPrompter : public Prompter {
public:
    std::vector<std::string> messages;
    void showMessage(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
    bool confirmReplace(const std::string&) override { return false; }
};

// A body as a document keeps it: the check area, some card bytes, padded to whole blocks, enciphered.
Bytes encipheredBody(const std::string& password, BodyCheck check) {
    Bytes body;
    if (check == BodyCheck::Digest20) {
        const Sha1Bytes digest = Sha1Digest(password);
        body.assign(digest.begin(), digest.end());
    } else {
        body = {'X', 'Y', 'Z'};
    }
    for (char c : std::string("\x01\x00\x00\x00"
                              "Bank of Nowhere",
                              19))
        body.push_back(static_cast<std::uint8_t>(c));
    body.resize(8 * BlockCount(body.size()));
    BlowfishKey(password).EncryptAll(body.data(), body.size() / 8);
    return body;
}

TEST(PasswordCheck, TypedPasswordAgainstEncipheredBody) {
    const std::string wrong = "Password not correct,try again.";
    const std::string empty = "You must enter a password!";
    const struct {
        const char* name;
        std::string documentPassword, typed;
        BodyCheck check;
        bool accepted;
        std::vector<std::string> messages;
    } cases[] = {
        {"right password", "Correct Horse", "Correct Horse", BodyCheck::Digest20, true, {}},
        {"letter case differs", "Correct Horse", "correct horse", BodyCheck::Digest20, false, {wrong}},
        {"prefix of the password", "Correct Horse", "Correct", BodyCheck::Digest20, false, {wrong}},
        {"empty password", "Correct Horse", "", BodyCheck::Digest20, false, {empty, wrong}},
        {"oldest format, right", "old secret", "old secret", BodyCheck::Xyz3, true, {}},
        {"oldest format, wrong", "old secret", "Old secret", BodyCheck::Xyz3, false, {wrong}},
        {"oldest format, empty", "old secret", "", BodyCheck::Xyz3, false, {empty, wrong}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes body = encipheredBody(c.documentPassword, c.check);
        const Bytes stored = body;
        RecordingPrompter ui;
        EXPECT_EQ(checkTypedPassword(body, c.typed, c.check, ui), c.accepted);
        EXPECT_EQ(ui.messages, c.messages);
        if (c.typed.empty()) {
            EXPECT_EQ(body, stored) << "nothing may be deciphered without a password";
        }
        if (c.accepted) {
            Bytes plain = stored;
            BlowfishKey(c.documentPassword).DecryptAll(plain.data(), plain.size() / 8);
            EXPECT_EQ(body, plain);
        }
    }
}

// The check looks at the check area only: damage further on is the card reader's business.
TEST(PasswordCheck, DamageAfterTheDigestDoesNotRefuseThePassword) {
    Bytes body = encipheredBody("Correct Horse", BodyCheck::Digest20);
    body.back() ^= 0xFF;
    RecordingPrompter ui;
    EXPECT_TRUE(checkTypedPassword(body, "Correct Horse", BodyCheck::Digest20, ui));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(PasswordCheck, BodyTooShortForTheDigestIsRefused) {
    Bytes body(16, 0);
    RecordingPrompter ui;
    EXPECT_FALSE(checkTypedPassword(body, "Correct Horse", BodyCheck::Digest20, ui));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Password not correct,try again."});
}

TEST(PasswordCheck, NewPasswordRules) {
    const struct {
        const char *password, *confirmation;
        NewPasswordVerdict verdict;
        const char* message;
    } cases[] = {
        {"12345678", "12345678", NewPasswordVerdict::Accepted, ""},
        {"1234567", "1234567", NewPasswordVerdict::TooShort, "Password to short, please use more characters!"},
        {"", "", NewPasswordVerdict::TooShort, "Password to short, please use more characters!"},
        {"Abcdefgh", "abcdefgh", NewPasswordVerdict::Mismatch, "Password not correct, try again!"},
        {"short", "shorT", NewPasswordVerdict::Mismatch, "Password not correct, try again!"},  // equality first
    };
    for (const auto& c : cases) {
        const NewPasswordVerdict verdict = checkNewPassword(c.password, c.confirmation);
        EXPECT_EQ(verdict, c.verdict) << c.password << " / " << c.confirmation;
        EXPECT_STREQ(newPasswordMessage(verdict), c.message);
    }
}

}  // namespace
