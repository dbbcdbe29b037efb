// Blowfish ECB throughput and key set-up cost, ours beside OpenSSL's in the same run (see Comparison.h).
//
//   build/bench/bench_blowfish --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

// OpenSSL's BF_* calls are deprecated in OpenSSL 3 but remain the reference to compare with.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <benchmark/benchmark.h>
#include <openssl/blowfish.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "Comparison.h"
#include "crypto/Blowfish.h"

namespace {

constexpr std::size_t kBufferBytes = 1 << 20;

const std::string kPassword = "a fairly long document password";

const std::uint8_t* keyBytes(const std::string& key) {
    return reinterpret_cast<const std::uint8_t*>(key.data());
}

// OpenSSL's ECB call takes one block at a time; both sides work in place on the same 1 MiB buffer.
void cipherBench(benchmark::State& state, int direction) {
    auto buffer = randomBuffer(kBufferBytes);
    const BlowfishKey ours(kPassword);
    BF_KEY openssl;
    BF_set_key(&openssl, static_cast<int>(kPassword.size()), keyBytes(kPassword));
    Comparison comparison(state, buffer.size());
    for (auto _ : state) {
        comparison.run(
            [&] {
                if (direction == BF_ENCRYPT)
                    ours.EncryptAll(buffer.data(), buffer.size() / 8);
                else
                    ours.DecryptAll(buffer.data(), buffer.size() / 8);
            },
            [&] {
                for (std::size_t i = 0; i < buffer.size(); i += 8)
                    BF_ecb_encrypt(buffer.data() + i, buffer.data() + i, &openssl, direction);
            });
    }
}

void BM_BlowfishEncrypt(benchmark::State& state) {
    cipherBench(state, BF_ENCRYPT);
}
BENCHMARK(BM_BlowfishEncrypt);

void BM_BlowfishDecrypt(benchmark::State& state) {
    cipherBench(state, BF_DECRYPT);
}
BENCHMARK(BM_BlowfishDecrypt);

// Every open, save and file operation pays for one key schedule (521 encipherings), and ours also
// for wiping the tables when the key goes.
void BM_BlowfishSetKey(benchmark::State& state) {
    BF_KEY openssl;
    Comparison comparison(state, 0);
    for (auto _ : state) {
        comparison.run(
            [&] {
                BlowfishKey key(kPassword);
                benchmark::DoNotOptimize(key);
            },
            [&] {
                BF_set_key(&openssl, static_cast<int>(kPassword.size()), keyBytes(kPassword));
                benchmark::DoNotOptimize(openssl);
            },
            20);
    }
}
BENCHMARK(BM_BlowfishSetKey);

}  // namespace
