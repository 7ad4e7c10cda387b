// What every benchmark program shares: a headless DirectFB, a private copy of
// the sample file-system root with the extra layouts the benchmarks need,
// starting and stopping the library, and turning timed samples into the
// counters bench/run reads (median, p99, mean).
#ifndef BRISKUI_BENCH_SUPPORT_H
#define BRISKUI_BENCH_SUPPORT_H

#include <benchmark/benchmark.h>
#include <directfb.h>

#include <functional>
#include <string>
#include <vector>

class BriskUiManager;

namespace bench {

// ---- process set-up -----------------------------------------------------------
struct Options {
    // Hide time-out written into the private root's volume layout; 0 keeps
    // the sample's value.
    unsigned volumeTimeoutMs = 0;
    // Hide time-out written into every layout of the private root; 0 keeps
    // each layout's own.
    unsigned osdTimeoutMs = 0;
    // Called after the benchmarks have run, before DirectFB goes away: stops
    // what the benchmarks left running (the library, floor windows).
    std::function<void()> teardown;
};

// Runs the registered benchmarks between DirectFB and private-root set-up
// and tear-down. Returns the process exit status.
int Main(int argc, char** argv, const Options& options);

IDirectFB* Dfb();
IDirectFBDisplayLayer* Layer();
// The private root (BRISKUI_ROOT) and the resolved layout folder in it.
const std::string& Root();
const std::string& LayoutDir();

// ---- the library ------------------------------------------------------------------
// GetInstance, LoadCommonSetting, EU, Start. With `inputThread` the keys are
// handed over and the input thread runs; without it nobody but the caller
// touches the manager.
BriskUiManager* StartLibrary(bool inputThread);
// Finalises what StartLibrary started: through the input thread (keys taken
// back, waits for it) or directly.
void StopLibrary(bool inputThread);

// Posts `symbol` and waits until the input thread has composed a frame for
// it; false after `timeoutMs`.
bool KeyAndWaitFlip(BriskUiManager* manager, unsigned symbol, int timeoutMs);

// ---- time -----------------------------------------------------------------------------
long long NowNs();   // CLOCK_MONOTONIC
// Spins (yielding) until `done` holds; false after `timeoutNs`.
bool SpinUntil(const std::function<bool()>& done, long long timeoutNs);

// ---- samples ----------------------------------------------------------------------------
struct Summary {
    double mean = 0, median = 0, p99 = 0, min = 0, max = 0;
};
// Nearest-rank percentiles of `ns` (sorted in place).
Summary Summarise(std::vector<double>* ns);
// Sets the counters median_us, p99_us, mean_us, min_us, max_us, samples.
void Report(benchmark::State& state, std::vector<double>* ns);

// Measures the library and its floor side by side: each iteration takes one
// sample of each (ns, negative on failure), the one going first alternating,
// so that a load that comes and goes on the machine falls on both alike.
// The iteration time is the library's sample. Counters: median_us, p99_us,
// mean_us (library), floor_median_us, floor_p99_us, floor_mean_us,
// ratio_median and ratio_p99 (library / floor), samples.
void RunPaired(benchmark::State& state, const std::function<long long()>& library,
               const std::function<long long()>& floor);

// Keys of the remote control.
enum : unsigned {
    KEY_VOL_UP = 0xF04C,
    KEY_VOL_DOWN = 0xF04D,
    KEY_MUTE = 0xF04E,
    KEY_EXIT = 0xF062,
    KEY_CH_UP = 0xF046,
    KEY_CH_DOWN = 0xF047
};

}   // namespace bench

#endif   // BRISKUI_BENCH_SUPPORT_H
