// Steady state, with the input thread running:
//
// Heap: the heap in use (mallinfo2().uordblks, every arena) after 10 000
// alternating VOL+/VOL- keys, each composed before the next is posted,
// against the heap after the first 100. Both are read with the library
// idle and the simulated TV's call record emptied (it is the host's, and
// grows with every call), so the difference is what the library keeps.
//
// It also counts the input and timer threads' passes per key.
//
// Idle wake-ups: with no OSD shown and no timer armed, the passes the input
// thread and the timer thread make over 3 s. Floor: a thread of the
// benchmark's own waiting on an event buffer with the same 300 ms time-out
// over the same 3 s.
#include <malloc.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>

#include "BenchSupport.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "SimTv.h"

namespace {

const int kFirstKeys = 100;
const int kAllKeys = 10000;
const unsigned kIdleSeconds = 3;

BriskUiManager* g_manager = nullptr;

BriskUiManager* Library()
{
    if (g_manager == nullptr) {
        sim::SetVolume(50);
        g_manager = bench::StartLibrary(true);
    }
    return g_manager;
}

// The heap in use once every thread has settled.
size_t HeapInUse(BriskUiManager* manager)
{
    manager->WaitIdle(5000);
    usleep(100000);
    manager->WaitIdle(5000);
    sim::ClearCalls();
    return mallinfo2().uordblks;
}

void BM_SteadyHeap(benchmark::State& state)
{
    BriskUiManager* manager = Library();
    if (manager->GetSurface() == nullptr) {
        state.SkipWithError("the library has no window");
        return;
    }
    size_t first = 0, last = 0;
    unsigned inputFirst = 0, timerFirst = 0;
    BriskTimerManager* timers = BriskTimerManager::PeekInstance();
    for (auto _ : state) {
        long long t0 = bench::NowNs();
        int key = 0;
        for (; key < kAllKeys; ++key) {
            if (key == kFirstKeys) {
                first = HeapInUse(manager);
                inputFirst = manager->InputPassCount();
                timerFirst = timers != nullptr ? timers->PassCount() : 0;
            }
            if (!bench::KeyAndWaitFlip(manager, (key & 1) ? bench::KEY_VOL_DOWN : bench::KEY_VOL_UP, 5000)) break;
            sim::ClearCalls();
        }
        if (key != kAllKeys) {
            state.SkipWithError("a key was not composed");
            return;
        }
        last = HeapInUse(manager);
        state.SetIterationTime((double)(bench::NowNs() - t0) * 1e-9);
    }
    // How many times each thread woke up per key (one input pass per key
    // is the least; the timer thread is signalled by every restart of the
    // hide timer).
    double keys = kAllKeys - kFirstKeys;
    state.counters["input_passes_per_key"] = (manager->InputPassCount() - inputFirst) / keys;
    state.counters["timer_passes_per_key"] = ((timers != nullptr ? timers->PassCount() : 0) - timerFirst) / keys;
    state.counters["heap_after_100"] = (double)first;
    state.counters["heap_after_10000"] = (double)last;
    state.counters["growth_bytes"] = (double)last - (double)first;
    state.counters["keys"] = kAllKeys;
}

// Counts the wake-ups of a thread blocked on an event buffer with the input
// thread's 300 ms time-out.
struct IdleFloor {
    IDirectFBEventBuffer* buffer = nullptr;
    std::atomic<unsigned> passes{ 0 };
    std::atomic<bool> stop{ false };

    static void* Run(void* arg)
    {
        IdleFloor* self = static_cast<IdleFloor*>(arg);
        while (!self->stop.load()) {
            self->buffer->WaitForEventWithTimeout(self->buffer, 0, 300);
            self->passes.fetch_add(1);
        }
        return nullptr;
    }
};

void BM_IdleWakeups(benchmark::State& state)
{
    BriskUiManager* manager = Library();
    if (manager->GetSurface() == nullptr) {
        state.SkipWithError("the library has no window");
        return;
    }
    // Close the volume bar (EXIT removes its timer) and let the timer
    // thread make the pass that follows the removal.
    bench::KeyAndWaitFlip(manager, bench::KEY_EXIT, 5000);
    manager->WaitIdle(5000);
    usleep(500000);

    IdleFloor floor;
    IDirectFB* dfb = bench::Dfb();
    if (dfb->CreateEventBuffer(dfb, &floor.buffer) != DFB_OK) {
        state.SkipWithError("CreateEventBuffer failed");
        return;
    }
    pthread_t thread;
    pthread_create(&thread, NULL, &IdleFloor::Run, &floor);
    usleep(10000);

    BriskTimerManager* timers = BriskTimerManager::PeekInstance();
    double inputPasses = 0, timerPasses = 0, floorPasses = 0, seconds = 0;
    for (auto _ : state) {
        unsigned input0 = manager->InputPassCount();
        unsigned timer0 = timers != nullptr ? timers->PassCount() : 0;
        unsigned floor0 = floor.passes.load();
        long long t0 = bench::NowNs();
        sleep(kIdleSeconds);
        long long dt = bench::NowNs() - t0;
        inputPasses = manager->InputPassCount() - input0;
        timerPasses = (timers != nullptr ? timers->PassCount() : 0) - timer0;
        floorPasses = floor.passes.load() - floor0;
        seconds = (double)dt * 1e-9;
        state.SetIterationTime(seconds);
    }
    floor.stop = true;
    floor.buffer->WakeUp(floor.buffer);
    pthread_join(thread, NULL);
    floor.buffer->Release(floor.buffer);

    state.counters["input_passes"] = inputPasses;
    state.counters["timer_passes"] = timerPasses;
    state.counters["wakeups_per_s"] = (inputPasses + timerPasses) / seconds;
    state.counters["floor_wakeups_per_s"] = floorPasses / seconds;
}

}   // namespace

BENCHMARK(BM_SteadyHeap)->Name("BM_SteadyState/heap")->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleWakeups)
    ->Name("BM_SteadyState/idle_wakeups")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    bench::Options options;
    options.teardown = [] {
        if (g_manager != nullptr) bench::StopLibrary(true);
        g_manager = nullptr;
    };
    return bench::Main(argc, argv, options);
}
