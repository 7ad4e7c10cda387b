// Key to flip: from a VOL+/VOL- key-press event posted into the library's
// event buffer until the Flip of the frame composed for it has returned.
//
// Floor: a thread of the benchmark's own, blocked in WaitForEventWithTimeout
// on a second event buffer, is woken by PostEvent, issues the DirectFB
// calls the volume bar's frame is made of (SetClip + Clear of its region,
// the StretchBlits of the decoded images, the DrawStrings, the Flip of the
// region) on a window of its own and signals back.
//
// The two are sampled in alternation (bench::RunPaired). Both start from a
// sleeping thread: each sample waits a little after the previous one, as
// key presses come from a hand.
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "BriskUiManager.h"
#include "HostSupport.h"
#include "RawOsd.h"
#include "SimTv.h"

namespace {

const int kSamples = 2000;
const int kWarmup = 50;
const useconds_t kGapUs = 2000;
const long long kTimeoutNs = 5000000000LL;

// The library (with its input thread) and the floor's window both exist
// for the whole run, so that each measurement composes over the same two
// windows.
struct Env {
    BriskUiManager* manager = nullptr;
    bench::RawWindow window;
    bench::RawOsd volume;
    // The bar's geometry from the layout, as VolumeHandler reads it.
    int barLeft = 0, barSpan = 0, capWidth = 0;
    bool ready = false;
    bool failed = false;

    void Set()
    {
        if (ready || failed) return;
        // 100 % volume: VOL- and VOL+ then alternate between 99 and 100,
        // and the floor draws the same two bars.
        sim::SetVolume(100);
        manager = bench::StartLibrary(true);
        failed = manager->GetSurface() == nullptr || !window.Create(bench::Layer()) ||
                 !volume.Load(bench::LayoutDir() + "BriskUIVolumeLayout_EU.ini") || !volume.Decode(bench::Dfb());
        if (!failed) {
            bench::RawRect track = volume.ItemRect("volume_bg");
            bench::RawRect left = volume.ItemRect("volume_bar_left");
            bench::RawRect right = volume.ItemRect("volume_bar_right");
            barLeft = volume.ItemRect("volume_bar_center").left;
            capWidth = right.width;
            barSpan = track.width > left.width + right.width ? track.width - left.width - right.width : 0;
        }
        ready = !failed;
    }
    void TearDown()
    {
        volume.Release();
        window.Destroy();
        if (manager != nullptr) bench::StopLibrary(true);
        manager = nullptr;
    }
};

Env g_env;

unsigned KeyOf(int i)
{
    return (i & 1) ? bench::KEY_VOL_UP : bench::KEY_VOL_DOWN;
}

// The floor's woken thread: drains the buffer, draws the frame the volume
// OSD draws for the key and flips it, then counts the frame.
struct FloorThread {
    IDirectFBEventBuffer* buffer = nullptr;
    std::atomic<unsigned> frames{0};
    std::atomic<bool> stop{false};
    std::atomic<int> volume{100};
    pthread_t thread{};

    static void* Run(void* arg)
    {
        FloorThread* self = static_cast<FloorThread*>(arg);
        IDirectFBSurface* surface = g_env.window.Surface();
        while (!self->stop.load()) {
            self->buffer->WaitForEventWithTimeout(self->buffer, 0, 300);
            DFBEvent event;
            bool got = false;
            while (self->buffer->GetEvent(self->buffer, &event) == DFB_OK) got = true;
            if (!got) continue;
            // The volume bar at this volume, as VolumeHandler sizes it.
            int v = self->volume.load();
            int width = g_env.barSpan * v / 100;
            g_env.volume.SetItemSpan("volume_bar_center", g_env.barLeft, width);
            g_env.volume.SetItemSpan("volume_bar_right", g_env.barLeft + width, g_env.capWidth);
            g_env.volume.SetItemText("volume_number", std::to_string(v));
            g_env.volume.Draw(surface);
            bench::RawFlip(surface, g_env.volume.Region());
            self->frames.fetch_add(1);
        }
        return nullptr;
    }
};

void BM_KeyToFlip(benchmark::State& state)
{
    g_env.Set();
    if (g_env.failed) {
        state.SkipWithError("set-up failed");
        return;
    }
    BriskUiManager* manager = g_env.manager;
    FloorThread floor;
    IDirectFB* dfb = bench::Dfb();
    if (dfb->CreateEventBuffer(dfb, &floor.buffer) != DFB_OK) {
        state.SkipWithError("CreateEventBuffer failed");
        return;
    }
    pthread_create(&floor.thread, NULL, &FloorThread::Run, &floor);

    int libraryKeys = 0;
    auto library = [&]() -> long long {
        usleep(kGapUs);
        unsigned before = manager->FlipCount();
        long long t0 = bench::NowNs();
        briskui_sim::PostKey(manager, KeyOf(libraryKeys++));
        while (manager->FlipCount() == before) {
            if (bench::NowNs() - t0 > kTimeoutNs) return -1;
            sched_yield();
        }
        long long dt = bench::NowNs() - t0;
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
        floor.volume = (floorKeys++ & 1) ? 100 : 99;
        unsigned before = floor.frames.load();
        long long t0 = bench::NowNs();
        floor.buffer->PostEvent(floor.buffer, &event);
        while (floor.frames.load() == before) {
            if (bench::NowNs() - t0 > kTimeoutNs) return -1;
            sched_yield();
        }
        return bench::NowNs() - t0;
    };

    bool warm = true;
    for (int i = 0; i < kWarmup && warm; ++i) warm = library() >= 0 && raw() >= 0;
    if (warm)
        bench::RunPaired(state, library, raw);
    else
        state.SkipWithError("a warm-up key was not composed");

    floor.stop = true;
    floor.buffer->WakeUp(floor.buffer);
    pthread_join(floor.thread, NULL);
    floor.buffer->Release(floor.buffer);
}

}  // namespace

BENCHMARK(BM_KeyToFlip)->Name("BM_KeyToFlip")->UseManualTime()->Iterations(kSamples)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    bench::Options options;
    options.teardown = [] { g_env.TearDown(); };
    return bench::Main(argc, argv, options);
}
