// Composition: UpdateOsd redrawing the dirty area with the volume bar shown,
// and with three OSDs shown (volume, wait message, not available), through
// the full composition (BriskSetFullComposition), which draws every shown
// OSD whole whatever changed: what each key cost before only changes were
// redrawn, and what the first showing of an OSD still costs.
//
// The library runs without its input thread, so the benchmark is the only
// caller. Each sample marks the shown OSDs' regions dirty (InvalidateOSD)
// and composes (UpdateOsd): per OSD SetClip + Clear of its region and its
// items' draws, then one Flip of the dirty area.
//
// Floor: the same DirectFB calls, issued directly on a window of the
// benchmark's own with images and fonts decoded from the same layouts.
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "BriskUiManager.h"
#include "Damage.h"
#include "EventHandler.h"
#include "NotAvailableMessageHandler.h"
#include "RawOsd.h"
#include "VolumeHandler.h"
#include "WaitMessageHandler.h"

namespace {

const int kSamples = 2000;
const int kWarmup = 100;

struct Env {
    BriskUiManager* manager = nullptr;
    bench::RawWindow window;
    bench::RawOsd volume, wait, notAvailable;
    bool ready = false;
    bool failed = false;

    void Set()
    {
        if (ready || failed) return;
        manager = bench::StartLibrary(false);
        const std::string& dir = bench::LayoutDir();
        IDirectFB* dfb = bench::Dfb();
        failed = manager->GetSurface() == nullptr || BriskUiManager::pVolumeHandler == nullptr ||
                 BriskUiManager::pWaitMessageHandler == nullptr ||
                 BriskUiManager::pNotAvailableMessageHandler == nullptr || !window.Create(bench::Layer()) ||
                 !volume.Load(dir + "BriskUIVolumeLayout_EU.ini") || !volume.Decode(dfb) ||
                 !wait.Load(dir + "BriskUIWaitMessageLayout_EU.ini") || !wait.Decode(dfb) ||
                 !notAvailable.Load(dir + "BriskUINotAvailableMessageLayout.ini") || !notAvailable.Decode(dfb);
        ready = !failed;
    }
    void TearDown()
    {
        volume.Release();
        wait.Release();
        notAvailable.Release();
        window.Destroy();
        if (manager != nullptr) bench::StopLibrary(false);
        manager = nullptr;
    }
};

Env g_env;

// Shows the volume bar alone (mask 0 drops every other OSD) or the three
// OSDs (mask 0xFFFF keeps them), and composes once so that images and fonts
// are decoded and OSDs no longer shown are erased.
void Show(bool three)
{
    BriskUiManager* manager = g_env.manager;
    manager->EnableStatus(E_BRISKUI_OSD_STATUS_VOLUME, three ? 0xFFFF : 0);
    if (three) {
        manager->EnableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, 0xFFFF);
        manager->EnableStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE, 0xFFFF);
    }
    manager->UpdateOsd();
}

void Composition(benchmark::State& state, bool three)
{
    g_env.Set();
    if (g_env.failed) {
        state.SkipWithError("set-up failed");
        return;
    }
    BriskSetFullComposition(TRUE);
    Show(three);

    // The library: mark the shown OSDs dirty and compose.
    BriskUiManager* manager = g_env.manager;
    std::vector<EventHandler*> handlers = { BriskUiManager::pVolumeHandler };
    if (three) {
        handlers.push_back(BriskUiManager::pWaitMessageHandler);
        handlers.push_back(BriskUiManager::pNotAvailableMessageHandler);
    }
    auto library = [&] {
        long long t0 = bench::NowNs();
        for (EventHandler* handler : handlers) manager->InvalidateOSD(handler->GetItemRegion());
        manager->UpdateOsd();
        return bench::NowNs() - t0;
    };

    // The floor: the same calls on the benchmark's window.
    std::vector<const bench::RawOsd*> raws = { &g_env.volume };
    bench::RawRect dirty = g_env.volume.Region();
    if (three) {
        raws.push_back(&g_env.wait);
        raws.push_back(&g_env.notAvailable);
        dirty.Unite(g_env.wait.Region());
        dirty.Unite(g_env.notAvailable.Region());
    }
    IDirectFBSurface* surface = g_env.window.Surface();
    auto floor = [&] {
        long long t0 = bench::NowNs();
        for (const bench::RawOsd* osd : raws) osd->Draw(surface);
        bench::RawFlip(surface, dirty);
        return bench::NowNs() - t0;
    };

    for (int i = 0; i < kWarmup; ++i) {
        library();
        floor();
    }
    bench::RunPaired(state, library, floor);
    BriskSetFullComposition(FALSE);
}

void BM_Volume(benchmark::State& state) { Composition(state, false); }
void BM_Three(benchmark::State& state) { Composition(state, true); }

}   // namespace

BENCHMARK(BM_Volume)
    ->Name("BM_Composition/volume")
    ->UseManualTime()
    ->Iterations(kSamples)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Three)->Name("BM_Composition/three")->UseManualTime()->Iterations(kSamples)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    bench::Options options;
    options.teardown = [] { g_env.TearDown(); };
    return bench::Main(argc, argv, options);
}
