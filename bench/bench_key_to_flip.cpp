// Key to flip: from a VOL+/VOL- key-press event posted into the library's
// event buffer until the Flip of the frame composed for it has returned.
//
// Floor: a thread of the benchmark's own, blocked in WaitForEventWithTimeout
// on a second event buffer, is woken by PostEvent, draws only the pixels
// the same key changes with the bare DirectFB calls
// (bench::RawOsd::DrawChanged: the old and new rectangles of the bar's
// middle, its right cap and the number, each cleared, what reaches into it
// blitted and drawn clipped, and flipped) on a window of its own and
// signals back (bench::RunKeyToFlip).
#include <string>

#include "BenchSupport.h"
#include "BriskUiManager.h"
#include "KeyToFlip.h"
#include "RawOsd.h"
#include "SimTv.h"

namespace {

const int kSamples = 2000;
const int kWarmup = 50;

// The library (with its input thread) and the floor's window both exist
// for the whole run, so that each measurement composes over the same two
// windows.
struct Env : bench::KeyToFlipEnv {
    // The bar's geometry from the layout, as VolumeHandler reads it.
    int barLeft = 0, barSpan = 0, capWidth = 0;

    void Set()
    {
        if (ready || failed) return;
        // 100 % volume: VOL- and VOL+ then alternate between 99 and 100,
        // and the floor draws the same two bars.
        sim::SetVolume(100);
        manager = bench::StartLibrary(true);
        failed = manager->GetSurface() == nullptr || !window.Create(bench::Layer()) ||
                 !osd.Load(bench::LayoutDir() + "BriskUIVolumeLayout_EU.ini") || !osd.Decode(bench::Dfb());
        if (!failed) {
            bench::RawRect track = osd.ItemRect("volume_bg");
            bench::RawRect left = osd.ItemRect("volume_bar_left");
            bench::RawRect right = osd.ItemRect("volume_bar_right");
            barLeft = osd.ItemRect("volume_bar_center").left;
            capWidth = right.width;
            barSpan = track.width > left.width + right.width ? track.width - left.width - right.width : 0;
        }
        ready = !failed;
    }
};

Env g_env;

unsigned KeyOf(int i) { return (i & 1) ? bench::KEY_VOL_UP : bench::KEY_VOL_DOWN; }

// The frame the volume OSD draws for key i of the floor, as VolumeHandler
// sizes the bar, flipped.
void FloorFrame(int i)
{
    int v = (i & 1) ? 100 : 99;
    int width = g_env.barSpan * v / 100;
    g_env.osd.SetItemSpan("volume_bar_center", g_env.barLeft, width);
    g_env.osd.SetItemSpan("volume_bar_right", g_env.barLeft + width, g_env.capWidth);
    g_env.osd.SetItemText("volume_number", std::to_string(v));
    bench::RawChangedFrame(g_env.osd, g_env.window);
}

void BM_KeyToFlip(benchmark::State& state)
{
    g_env.Set();
    bench::RunKeyToFlip(state, g_env.failed ? nullptr : g_env.manager, kWarmup, &KeyOf, &FloorFrame);
}

}   // namespace

int main(int argc, char** argv)
{
    return bench::KeyToFlipMain(argc, argv, "BM_KeyToFlip", &BM_KeyToFlip, kSamples, g_env);
}
