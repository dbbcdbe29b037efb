// SHA-1 throughput, ours beside OpenSSL's in the same run (see Comparison.h): the routine the program
// uses (the processor's SHA instructions where it has them) and the portable one every processor can
// run, over a password-sized input and over 1 MiB.
//
//   build/bench/bench_sha1 --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

// OpenSSL's SHA1() is deprecated in OpenSSL 3 but remains the reference to compare with.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <benchmark/benchmark.h>
#include <openssl/sha.h>

#include <cstdint>
#include <random>
#include <vector>

#include "Comparison.h"
#include "crypto/Sha1.h"

namespace {

// Argument: the input's size in bytes. A short input is digested many times per timing, so the
// clock's own cost stays small beside it.
void sha1Bench(benchmark::State& state, Sha1Impl impl) {
    if (!sha1Supports(impl)) {
        state.SkipWithError("this processor has no SHA instructions");
        return;
    }
    const auto buffer = randomBuffer(static_cast<std::size_t>(state.range(0)));
    const int repeat = buffer.size() < 4096 ? 1000 : 1;
    Sha1Bytes ours;
    std::uint8_t openssl[SHA_DIGEST_LENGTH];
    Comparison comparison(state, buffer.size());
    for (auto _ : state) {
        comparison.run(
            [&] {
                Sha1 sha(impl);
                sha.update(buffer.data(), buffer.size());
                ours = sha.finalise();
                benchmark::DoNotOptimize(ours);
            },
            [&] {
                SHA1(buffer.data(), buffer.size(), openssl);
                benchmark::DoNotOptimize(openssl);
            },
            repeat);
    }
}

void BM_Sha1(benchmark::State& state) {
    sha1Bench(state, Sha1Impl::Fastest);
}
BENCHMARK(BM_Sha1)->Arg(32)->Arg(1 << 20);

void BM_Sha1Portable(benchmark::State& state) {
    sha1Bench(state, Sha1Impl::Portable);
}
BENCHMARK(BM_Sha1Portable)->Arg(32)->Arg(1 << 20);

}  // namespace
