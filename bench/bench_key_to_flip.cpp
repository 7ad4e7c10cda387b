// Key to flip: from a key-press event posted into the library's event
// buffer until the Flip of the frame composed for it has returned.
//
// BM_KeyToFlip: VOL+/VOL- and the volume bar. BM_KeyToFlip/banner: CH+/CH-
// on digital TV and the channel banner, whose row the library fills from
// the program record and places by the widths of its texts.
//
// Floor (bench::RunKeyToFlip): a thread of the benchmark's own, woken by
// PostEvent, issues the DirectFB calls each frame is made of (SetClip +
// Clear of its region, the StretchBlits of the decoded images, for the
// banner the GetStringWidths that place its texts, the DrawStrings, the
// Flip of the region) on a window of its own and signals back.
#include <iniparser.h>

#include <string>

#include "BenchSupport.h"
#include "BriskUiManager.h"
#include "RawOsd.h"
#include "SimTv.h"

namespace {

const int kSamples = 2000;
const int kWarmup = 50;

// The library (with its input thread) and the floor's window both exist
// for the whole run, so that each measurement composes over the same two
// windows.
struct Env {
    BriskUiManager* manager = nullptr;
    bench::RawWindow window;
    bench::RawOsd volume;
    bench::RawOsd banner;
    // The bar's geometry from the layout, as VolumeHandler reads it.
    int barLeft = 0, barSpan = 0, capWidth = 0;
    // The banner's icon edge and gap, as ChannelChangeHandler reads them.
    int rowStart = 0, padding = 5;
    bool ready = false;
    bool failed = false;

    void Set()
    {
        if (ready || failed) return;
        // 100 % volume: VOL- and VOL+ then alternate between 99 and 100,
        // and the floor draws the same two bars. Digital TV on its first
        // channel: CH+ and CH- alternate between the first two.
        sim::SetVolume(100);
        sim::SetInputSource(MAPI_INPUT_SOURCE_DTV);
        manager = bench::StartLibrary(true);
        std::string bannerLayout = bench::LayoutDir() + "BriskUIChannelChangeLayout_EU.ini";
        failed = manager->GetSurface() == nullptr || !window.Create(bench::Layer()) ||
                 !volume.Load(bench::LayoutDir() + "BriskUIVolumeLayout_EU.ini") || !volume.Decode(bench::Dfb()) ||
                 !banner.Load(bannerLayout) || !banner.Decode(bench::Dfb());
        if (!failed) {
            bench::RawRect track = volume.ItemRect("volume_bg");
            bench::RawRect left = volume.ItemRect("volume_bar_left");
            bench::RawRect right = volume.ItemRect("volume_bar_right");
            barLeft = volume.ItemRect("volume_bar_center").left;
            capWidth = right.width;
            barSpan = track.width > left.width + right.width ? track.width - left.width - right.width : 0;
            dictionary* ini = iniparser_load(bannerLayout.c_str());
            if (ini != NULL) {
                padding = iniparser_getint(ini, "setting:text_padding", 5);
                iniparser_freedict(ini);
            }
            bench::RawRect icon = banner.ItemRect("input_icon");
            rowStart = icon.left + icon.width + padding;
        }
        ready = !failed;
    }
    void TearDown()
    {
        volume.Release();
        banner.Release();
        window.Destroy();
        if (manager != nullptr) bench::StopLibrary(true);
        manager = nullptr;
    }
};

Env g_env;

void BM_KeyToFlip(benchmark::State& state)
{
    g_env.Set();
    if (g_env.failed) {
        state.SkipWithError("set-up failed");
        return;
    }
    auto key = [](int i) { return (i & 1) ? bench::KEY_VOL_UP : bench::KEY_VOL_DOWN; };
    // The volume bar at the volume of sample i, as VolumeHandler sizes it.
    auto draw = [](int i) {
        int v = (i & 1) ? 100 : 99;
        int width = g_env.barSpan * v / 100;
        g_env.volume.SetItemSpan("volume_bar_center", g_env.barLeft, width);
        g_env.volume.SetItemSpan("volume_bar_right", g_env.barLeft + width, g_env.capWidth);
        g_env.volume.SetItemText("volume_number", std::to_string(v));
        g_env.volume.Draw(g_env.window.Surface());
        bench::RawFlip(g_env.window.Surface(), g_env.volume.Region());
    };
    bench::RunKeyToFlip(state, g_env.manager, key, draw, kWarmup);
}

void BM_BannerKeyToFlip(benchmark::State& state)
{
    g_env.Set();
    if (g_env.failed) {
        state.SkipWithError("set-up failed");
        return;
    }
    // Sample i steps up to the second channel or back down to the first.
    auto key = [](int i) { return (i & 1) ? bench::KEY_CH_DOWN : bench::KEY_CH_UP; };
    // The European row of that channel: number, (empty) input name and
    // service name, each placed after the measured width of the one before.
    auto draw = [](int i) {
        static const char* const numbers[] = { "2", "1" };
        static const char* const names[] = { "BBC Two", "BBC One" };
        bench::RawOsd& banner = g_env.banner;
        int x = g_env.rowStart;
        banner.SetItemText("channel_number", numbers[i & 1]);
        banner.SetItemText("input_name", "");
        banner.SetItemText("channel_name", names[i & 1]);
        for (const char* item : { "channel_number", "input_name", "channel_name" }) {
            banner.SetItemSpan(item, x, banner.ItemRect(item).width);
            x += banner.TextWidth(item) + g_env.padding;
        }
        banner.Draw(g_env.window.Surface());
        bench::RawFlip(g_env.window.Surface(), banner.Region());
    };
    bench::RunKeyToFlip(state, g_env.manager, key, draw, kWarmup);
}

}  // namespace

BENCHMARK(BM_KeyToFlip)->Name("BM_KeyToFlip")->UseManualTime()->Iterations(kSamples)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BannerKeyToFlip)->Name("BM_KeyToFlip/banner")->UseManualTime()->Iterations(kSamples)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    bench::Options options;
    options.teardown = [] { g_env.TearDown(); };
    return bench::Main(argc, argv, options);
}
