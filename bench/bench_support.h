// What the benchmarks share: a figure timed against its baseline back to back, in the same run,
// and reported as their ratio, which stays comparable across machines and loads where absolute
// times do not.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace bench {

// Nanoseconds per call of f: the best of several batches of about 20 ms each, so that a burst of
// the other processes on the machine does not count.
template <class F>
double NsPerCall(F&& f, int batches = 5) {
    using Clock = std::chrono::steady_clock;
    long calls = 1;
    for (;;) {  // a batch long enough to time
        const auto start = Clock::now();
        for (long i = 0; i < calls; ++i) f();
        if (Clock::now() - start > std::chrono::milliseconds(20) || calls > (1L << 40)) break;
        calls *= 2;
    }
    double best = 1e300;
    for (int b = 0; b < batches; ++b) {
        const auto start = Clock::now();
        for (long i = 0; i < calls; ++i) f();
        const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
        best = std::min(best, elapsed.count() / static_cast<double>(calls));
    }
    return best;
}

// Counters "ratio" (figure over baseline), "figure_ns" and "baseline_ns".
inline void ReportRatio(benchmark::State& state, double figureNs, double baselineNs) {
    state.counters["figure_ns"] = figureNs;
    state.counters["baseline_ns"] = baselineNs;
    state.counters["ratio"] = figureNs / baselineNs;
}

}  // namespace bench
