#include "KeyToFlip.h"

#include <pthread.h>
#include <sched.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

#include "BenchSupport.h"
#include "BriskUiManager.h"
#include "HostSupport.h"
#include "SimTv.h"

namespace bench {

namespace {

const useconds_t kGapUs = 2000;
const long long kTimeoutNs = 5000000000LL;

// The floor's woken thread: drains its buffer, draws frame `index` and
// flips it, then counts the frame.
struct FloorThread {
    IDirectFBEventBuffer* buffer = nullptr;
    const std::function<void(int)>* frame = nullptr;
    std::atomic<unsigned> frames{ 0 };
    std::atomic<bool> stop{ false };
    std::atomic<int> index{ 0 };
    pthread_t thread{};

    static void* Run(void* arg)
    {
        FloorThread* self = static_cast<FloorThread*>(arg);
        while (!self->stop.load()) {
            self->buffer->WaitForEventWithTimeout(self->buffer, 0, 300);
            DFBEvent event;
            bool got = false;
            while (self->buffer->GetEvent(self->buffer, &event) == DFB_OK) got = true;
            if (!got) continue;
            (*self->frame)(self->index.load());
            self->frames.fetch_add(1);
        }
        return nullptr;
    }
};

// Waits until `count` moves past `before`; the time since `t0`, or -1.
long long UntilCounted(const std::function<unsigned()>& count, unsigned before, long long t0)
{
    while (count() == before) {
        if (NowNs() - t0 > kTimeoutNs) return -1;
        sched_yield();
    }
    return NowNs() - t0;
}

}   // namespace

void RunKeyToFlip(benchmark::State& state, BriskUiManager* manager, int warmup,
                  const std::function<unsigned(int)>& keyOf, const std::function<void(int)>& floorFrame)
{
    if (manager == nullptr) {
        state.SkipWithError("set-up failed");
        return;
    }
    FloorThread floor;
    floor.frame = &floorFrame;
    IDirectFB* dfb = Dfb();
    if (dfb->CreateEventBuffer(dfb, &floor.buffer) != DFB_OK) {
        state.SkipWithError("CreateEventBuffer failed");
        return;
    }
    pthread_create(&floor.thread, NULL, &FloorThread::Run, &floor);

    int libraryKeys = 0;
    auto library = [&]() -> long long {
        usleep(kGapUs);
        unsigned before = manager->FlipCount();
        long long t0 = NowNs();
        briskui_sim::PostKey(manager, keyOf(libraryKeys++));
        long long dt = UntilCounted([&] { return manager->FlipCount(); }, before, t0);
        // The simulated TV records every call; keep its list short.
        sim::ClearCalls();
        return dt;
    };

    DFBEvent event;
    memset(&event, 0, sizeof(event));
    event.user.clazz = DFEC_USER;
    event.user.type = 1;
    int floorKeys = 0;
    auto raw = [&]() -> long long {
        usleep(kGapUs);
        floor.index = floorKeys++;
        unsigned before = floor.frames.load();
        long long t0 = NowNs();
        floor.buffer->PostEvent(floor.buffer, &event);
        return UntilCounted([&] { return floor.frames.load(); }, before, t0);
    };

    bool warm = true;
    for (int i = 0; i < warmup && warm; ++i) warm = library() >= 0 && raw() >= 0;
    if (warm)
        RunPaired(state, library, raw);
    else
        state.SkipWithError("a warm-up key was not composed");

    floor.stop = true;
    floor.buffer->WakeUp(floor.buffer);
    pthread_join(floor.thread, NULL);
    floor.buffer->Release(floor.buffer);
}

void KeyToFlipEnv::TearDown()
{
    osd.Release();
    window.Destroy();
    if (manager != nullptr) StopLibrary(true);
    manager = nullptr;
}

int KeyToFlipMain(int argc, char** argv, const char* name, void (*run)(benchmark::State&), int samples,
                  KeyToFlipEnv& env)
{
    benchmark::RegisterBenchmark(name, run)->UseManualTime()->Iterations(samples)->Unit(benchmark::kMicrosecond);
    Options options;
    options.teardown = [&env] { env.TearDown(); };
    return Main(argc, argv, options);
}

}   // namespace bench
