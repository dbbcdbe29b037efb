// Blowfish ECB throughput beside OpenSSL's on the same buffer, key set-up cost, and SHA-1 throughput.

// OpenSSL's BF_* and SHA1 calls are deprecated in OpenSSL 3 but remain the reference to compare with.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <benchmark/benchmark.h>
#include <openssl/blowfish.h>
#include <openssl/sha.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/Blowfish.h"
#include "crypto/Sha1.h"

namespace {

constexpr std::size_t kBufferBytes = 1 << 20;

std::vector<std::uint8_t> randomBuffer(std::size_t size) {
    std::mt19937 rng(2024);
    std::vector<std::uint8_t> out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng());
    return out;
}

const std::string kPassword = "a fairly long document password";

const std::uint8_t* keyBytes(const std::string& key) {
    return reinterpret_cast<const std::uint8_t*>(key.data());
}

void BM_BlowfishEncrypt_Ours(benchmark::State& state) {
    auto buffer = randomBuffer(kBufferBytes);
    const BlowfishKey key(kPassword);
    for (auto _ : state) {
        key.EncryptAll(buffer.data(), buffer.size() / 8);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_BlowfishEncrypt_Ours);

void BM_BlowfishEncrypt_OpenSsl(benchmark::State& state) {
    auto buffer = randomBuffer(kBufferBytes);
    BF_KEY key;
    BF_set_key(&key, static_cast<int>(kPassword.size()), keyBytes(kPassword));
    for (auto _ : state) {
        for (std::size_t i = 0; i < buffer.size(); i += 8)
            BF_ecb_encrypt(buffer.data() + i, buffer.data() + i, &key, BF_ENCRYPT);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_BlowfishEncrypt_OpenSsl);

void BM_BlowfishDecrypt_Ours(benchmark::State& state) {
    auto buffer = randomBuffer(kBufferBytes);
    const BlowfishKey key(kPassword);
    for (auto _ : state) {
        key.DecryptAll(buffer.data(), buffer.size() / 8);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_BlowfishDecrypt_Ours);

// Every open, save and file operation pays for one key schedule (521 encipherings), and for wiping
// the tables when the key goes.
void BM_BlowfishSetKey_Ours(benchmark::State& state) {
    for (auto _ : state) {
        BlowfishKey key(kPassword);
        benchmark::DoNotOptimize(key);
    }
}
BENCHMARK(BM_BlowfishSetKey_Ours);

void BM_BlowfishSetKey_OpenSsl(benchmark::State& state) {
    BF_KEY key;
    for (auto _ : state) {
        BF_set_key(&key, static_cast<int>(kPassword.size()), keyBytes(kPassword));
        benchmark::DoNotOptimize(key);
    }
}
BENCHMARK(BM_BlowfishSetKey_OpenSsl);

void BM_Sha1_Ours(benchmark::State& state) {
    const auto buffer = randomBuffer(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        Sha1 sha;
        sha.update(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(sha.finalise());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_Sha1_Ours)->Arg(32)->Arg(kBufferBytes);

void BM_Sha1_OpenSsl(benchmark::State& state) {
    const auto buffer = randomBuffer(static_cast<std::size_t>(state.range(0)));
    std::uint8_t digest[SHA_DIGEST_LENGTH];
    for (auto _ : state) {
        SHA1(buffer.data(), buffer.size(), digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_Sha1_OpenSsl)->Arg(32)->Arg(kBufferBytes);

}  // namespace
