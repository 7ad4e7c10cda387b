// Start-up and the first showing of the volume OSD, each measured in
// alternation with its floor.
//
// BM_Startup: Start (window, event buffer, the handlers loading their
// layouts, the timer service) followed by Finalize (timer service, then
// manager), without the input thread. Floor: iniparser_load +
// iniparser_freedict of the same layout files (the EU files of every row of
// the handler table), plus CreateWindow /
// GetSurface / Release of a window like the library's on the same layer.
//
// BM_Startup/visible_window: the same library figure against a floor that
// also does what a start-up must do to the window at the least cost: clear
// both buffers while the window is still invisible, make it visible
// (opacity 255) and hide it again before its release. It tells how much of
// the start-up is the window stack's repaints.
//
// BM_FirstShow: EnableStatus(VOLUME) + UpdateOsd right after Start, when the
// volume OSD decodes its images and opens its fonts. Floor: the raw
// CreateImageProvider / GetSurfaceDescription / CreateSurface / RenderTo /
// CreateFont calls for the same files.
//
// BM_FirstShow/with_frame: the same library figure against the raw decoding
// plus the raw first frame (clear, blits, strings, flip) on a window of the
// benchmark's own.
#include <iniparser.h>
#include <string.h>

#include <string>
#include <vector>

#include "BenchSupport.h"
#include "BriskTimerManager.h"
#include "BriskUiHandlerTable.h"
#include "BriskUiManager.h"
#include "RawOsd.h"
#include "SimTv.h"

namespace {

const int kStartSamples = 100;
const int kShowSamples = 60;

// Makes the manager ready for Start outside the timed part.
BriskUiManager* Prepare()
{
    sim::SetTvosIr(false);
    sim::SetTvosIrGrant(false);
    BriskUiManager* manager = BriskUiManager::GetInstance();
    manager->LoadCommonSetting();
    manager->SetCountry(E_BRISKUI_COUNTRY_EU);
    return manager;
}

void Finish(BriskUiManager* manager)
{
    BriskTimerManager::GetInstance()->Finalize();
    manager->Finalize();
    sim::ClearCalls();
}

long long StartupSample()
{
    BriskUiManager* manager = Prepare();
    long long t0 = bench::NowNs();
    manager->Start();
    BriskTimerManager::GetInstance()->Finalize();
    manager->Finalize();
    long long dt = bench::NowNs() - t0;
    sim::ClearCalls();
    return dt;
}

// The floor of a start-up: the layouts read and freed, a window made and
// released; with `visible` the window is also cleared (both buffers, while
// invisible), shown and hidden again.
long long StartupFloorSample(bool visible)
{
    long long t0 = bench::NowNs();
    bool ok = true;
    size_t rows = 0;
    const ST_BRISKUI_HANDLER_ROW* table = BriskHandlerTable(&rows);
    for (size_t i = 0; i < rows; ++i) {
        dictionary* ini = iniparser_load((bench::LayoutDir() + table[i].pLayoutEU).c_str());
        if (ini == NULL)
            ok = false;
        else
            iniparser_freedict(ini);
    }
    IDirectFBDisplayLayer* layer = bench::Layer();
    DFBWindowDescription desc = bench::OsdWindowDescription();
    IDirectFBWindow* window = NULL;
    IDirectFBSurface* surface = NULL;
    if (layer->CreateWindow(layer, &desc, &window) != DFB_OK) return -1;
    if (window->GetSurface(window, &surface) == DFB_OK) {
        if (visible) {
            surface->Clear(surface, 0, 0, 0, 0);
            surface->Flip(surface, NULL, DSFLIP_NONE);
            surface->Clear(surface, 0, 0, 0, 0);
            window->SetOpacity(window, 255);
            window->SetOpacity(window, 0);
        }
        surface->Release(surface);
    } else {
        ok = false;
    }
    window->Release(window);
    long long dt = bench::NowNs() - t0;
    return ok ? dt : -1;
}

void Startup(benchmark::State& state, bool visible)
{
    // One untimed round of each first: libraries, fonts and files are warm.
    StartupSample();
    if (StartupFloorSample(visible) < 0) {
        state.SkipWithError("a layout or the window failed");
        return;
    }
    bench::RunPaired(state, &StartupSample, [visible] { return StartupFloorSample(visible); });
}

void BM_Startup(benchmark::State& state) { Startup(state, false); }
void BM_StartupVisible(benchmark::State& state) { Startup(state, true); }

// The volume OSD's first showing after a fresh Start; Start and Finalize
// are not timed.
long long FirstShowSample()
{
    BriskUiManager* manager = Prepare();
    manager->Start();
    if (manager->GetSurface() == nullptr) {
        Finish(manager);
        return -1;
    }
    long long t0 = bench::NowNs();
    manager->EnableStatus(E_BRISKUI_OSD_STATUS_VOLUME, 0);
    manager->UpdateOsd();
    long long dt = bench::NowNs() - t0;
    Finish(manager);
    return dt;
}

void FirstShow(benchmark::State& state, bool withFrame)
{
    bench::RawOsd volume;
    if (!volume.Load(bench::LayoutDir() + "BriskUIVolumeLayout_EU.ini")) {
        state.SkipWithError("cannot read the volume layout");
        return;
    }
    bench::RawWindow window;
    auto floor = [&]() -> long long {
        // A fresh window for each frame, made outside the timed part, as
        // the library's is new after each Start.
        if (withFrame && !window.Create(bench::Layer())) return -1;
        long long t0 = bench::NowNs();
        bool ok = volume.Decode(bench::Dfb());
        if (withFrame) {
            volume.Draw(window.Surface());
            bench::RawFlip(window.Surface(), volume.Region());
        }
        long long dt = bench::NowNs() - t0;
        volume.Release();
        window.Destroy();
        return ok ? dt : -1;
    };
    if (FirstShowSample() < 0 || floor() < 0) {
        state.SkipWithError("the first showing failed");
        return;
    }
    bench::RunPaired(state, &FirstShowSample, floor);
    state.counters["images"] = (double)volume.VisibleImages();
    state.counters["fonts"] = (double)volume.VisibleTexts();
}

void BM_FirstShow(benchmark::State& state) { FirstShow(state, false); }
void BM_FirstShowWithFrame(benchmark::State& state) { FirstShow(state, true); }

}   // namespace

BENCHMARK(BM_Startup)->Name("BM_Startup")->UseManualTime()->Iterations(kStartSamples)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StartupVisible)
    ->Name("BM_Startup/visible_window")
    ->UseManualTime()
    ->Iterations(kStartSamples)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstShow)->Name("BM_FirstShow")->UseManualTime()->Iterations(kShowSamples)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstShowWithFrame)
    ->Name("BM_FirstShow/with_frame")
    ->UseManualTime()
    ->Iterations(kShowSamples)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) { return bench::Main(argc, argv, bench::Options()); }
