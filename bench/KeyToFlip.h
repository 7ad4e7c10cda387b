// Key to flip, measured beside its floor: from a key-press event posted into
// the library's event buffer until the Flip of the frame composed for it has
// returned, against a thread of the benchmark's own that is woken the same
// way (PostEvent on an event buffer it waits on) and issues the DirectFB
// calls of the same frame.
#ifndef BRISKUI_BENCH_KEYTOFLIP_H
#define BRISKUI_BENCH_KEYTOFLIP_H

#include <benchmark/benchmark.h>

#include <functional>

#include "RawOsd.h"

class BriskUiManager;

namespace bench {

// What a key-to-flip benchmark keeps for its whole run: the library with
// its input thread, and the floor's window and copy of the OSD. The
// benchmark's own set-up fills them and sets `ready` or `failed`.
struct KeyToFlipEnv {
    BriskUiManager* manager = nullptr;
    RawWindow window;
    RawOsd osd;
    bool ready = false;
    bool failed = false;

    // Frees the floor's pictures and window and stops the library. Main
    // thread, after the runs.
    void TearDown();
};

// The program of one key-to-flip benchmark: registers `run` as `name` with
// `samples` samples (manual time, in microseconds), runs it (bench::Main)
// and tears `env` down after. Returns the process exit status.
int KeyToFlipMain(int argc, char** argv, const char* name, void (*run)(benchmark::State&), int samples,
                  KeyToFlipEnv& env);

// Samples the library (with its input thread) and its floor in
// alternation (RunPaired), after `warmup` samples of each that are not
// counted. Library sample n posts key keyOf(n) and waits until the input
// thread has flipped a frame; floor sample n wakes the floor's thread,
// which calls floorFrame(n) to draw that frame and flip it. Both start
// from a sleeping thread: each sample waits a little after the previous
// one, as key presses come from a hand. Skips with an error when a sample
// does not complete, or at once when `manager` is null (a failed set-up).
void RunKeyToFlip(benchmark::State& state, BriskUiManager* manager, int warmup,
                  const std::function<unsigned(int)>& keyOf, const std::function<void(int)>& floorFrame);

}   // namespace bench

#endif   // BRISKUI_BENCH_KEYTOFLIP_H
