#pragma once
// Our routine and OpenSSL's timed side by side in one benchmark. Every iteration runs both, one
// after the other on the same data, so a change in the load of the (shared) machine strikes both
// figures alike and their ratio stays fair. Each side is timed in this thread's CPU time, which
// leaves out the time the thread spends preempted.
//
// Counters: ours_B/s and openssl_B/s are the two throughputs in bytes a second, M and G meaning 2^20
// and 2^30 (ours_calls/s and openssl_calls/s where a call has no byte count); ratio is ours over
// OpenSSL's, so above 1 means ours is faster. The Time and CPU columns cover both routines together.
// With --benchmark_repetitions=N the _median rows give the median of each counter.

#include <benchmark/benchmark.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

/// The same pseudo-random bytes on every run, so that both routines and every run see equal input.
inline std::vector<std::uint8_t> randomBuffer(std::size_t size) {
    std::mt19937 rng(2024);
    std::vector<std::uint8_t> out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng());
    return out;
}

class Comparison {
public:
    /// `bytes` is what one call of either routine processes, or 0 to count calls instead.
    Comparison(benchmark::State& state, std::size_t bytes) : m_state(state), m_bytes(bytes) {}

    ~Comparison() {
        if (m_calls == 0 || m_oursSeconds <= 0 || m_opensslSeconds <= 0)
            return;
        const double calls = static_cast<double>(m_calls);
        if (m_bytes != 0) {
            const double bytes = static_cast<double>(m_bytes) * calls;
            using benchmark::Counter;
            m_state.counters["ours_B/s"] = Counter(bytes / m_oursSeconds, Counter::kDefaults, Counter::kIs1024);
            m_state.counters["openssl_B/s"] = Counter(bytes / m_opensslSeconds, Counter::kDefaults, Counter::kIs1024);
        } else {
            m_state.counters["ours_calls/s"] = calls / m_oursSeconds;
            m_state.counters["openssl_calls/s"] = calls / m_opensslSeconds;
        }
        m_state.counters["ratio"] = m_opensslSeconds / m_oursSeconds;
    }

    Comparison(const Comparison&) = delete;
    Comparison& operator=(const Comparison&) = delete;

    /// Runs `ours` and then `openssl`, each `repeat` times in a row. A short input wants a large
    /// `repeat`, so the clock reading (a system call) is small beside what it measures.
    template <class Ours, class OpenSsl>
    void run(Ours&& ours, OpenSsl&& openssl, int repeat = 1) {
        m_oursSeconds += timed(ours, repeat);
        m_opensslSeconds += timed(openssl, repeat);
        m_calls += static_cast<std::size_t>(repeat);
    }

private:
    static double now() {
        timespec at;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &at);
        return static_cast<double>(at.tv_sec) + static_cast<double>(at.tv_nsec) * 1e-9;
    }

    template <class Routine>
    static double timed(Routine& routine, int repeat) {
        const double start = now();
        for (int i = 0; i < repeat; ++i) {
            routine();
            benchmark::ClobberMemory();
        }
        return now() - start;
    }

    benchmark::State& m_state;
    std::size_t m_bytes;
    std::size_t m_calls = 0;
    double m_oursSeconds = 0;
    double m_opensslSeconds = 0;
};
