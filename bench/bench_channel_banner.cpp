// CH+ on digital TV, key to flip: from a CH+/CH- key-press event posted
// into the library's event buffer until the Flip of the frame composed for
// it has returned. The banner fills its row from the program record at
// every draw, sets its icon's path and places the texts one after the
// other by their widths in their fonts.
//
// Floor: a thread of the benchmark's own, woken by PostEvent on an event
// buffer of its own, draws only the pixels the same key changes, with
// the bare DirectFB calls (the GetStringWidths that place the texts, then
// bench::RawOsd::DrawChanged: the old and new rectangles of the texts that
// changed, each cleared, the panel blitted and the texts drawn clipped, and
// flipped) on a window of its own (bench::RunKeyToFlip).
#include <iniparser.h>

#include <string>

#include "BenchSupport.h"
#include "BriskUiManager.h"
#include "KeyToFlip.h"
#include "RawOsd.h"
#include "SimTv.h"

namespace {

const int kSamples = 2000;
const int kWarmup = 50;
// The simulated TV's first two digital channels, which CH+ and CH-
// alternate between.
const char* const kNumbers[] = { "2", "1" };
const char* const kNames[] = { "BBC Two", "BBC One" };

struct Env : bench::KeyToFlipEnv {
    // Where the row starts and the gap in it, as ChannelChangeHandler
    // reads them from the layout (European row on digital TV).
    int rowStart = 0, padding = 5;

    void Set()
    {
        if (ready || failed) return;
        sim::SetInputSource(MAPI_INPUT_SOURCE_DTV);
        manager = bench::StartLibrary(true);
        std::string layout = bench::LayoutDir() + "BriskUIChannelChangeLayout_EU.ini";
        failed = manager->GetSurface() == nullptr || !window.Create(bench::Layer()) || !osd.Load(layout) ||
                 !osd.Decode(bench::Dfb());
        if (failed) return;
        dictionary* ini = iniparser_load(layout.c_str());
        if (ini != NULL) {
            padding = iniparser_getint(ini, "setting:text_padding", 5);
            iniparser_freedict(ini);
        }
        bench::RawRect icon = osd.ItemRect("input_icon");
        rowStart = icon.left + icon.width + padding;
        ready = true;
    }
};

Env g_env;

// Sample i steps up to the second channel or back down to the first.
unsigned KeyOf(int i) { return (i & 1) ? bench::KEY_CH_DOWN : bench::KEY_CH_UP; }

// The row of that channel: number, (empty) input name and service name,
// each placed after the measured width of the one before; then the frame.
void FloorFrame(int i)
{
    bench::RawOsd& osd = g_env.osd;
    osd.SetItemText("channel_number", kNumbers[i & 1]);
    osd.SetItemText("input_name", "");
    osd.SetItemText("channel_name", kNames[i & 1]);
    int x = g_env.rowStart;
    for (const char* item : { "channel_number", "input_name", "channel_name" }) {
        osd.SetItemSpan(item, x, osd.ItemRect(item).width);
        x += osd.TextWidth(item) + g_env.padding;
    }
    bench::RawChangedFrame(osd, g_env.window);
}

void BM_BannerKeyToFlip(benchmark::State& state)
{
    g_env.Set();
    bench::RunKeyToFlip(state, g_env.failed ? nullptr : g_env.manager, kWarmup, &KeyOf, &FloorFrame);
}

}   // namespace

int main(int argc, char** argv)
{
    return bench::KeyToFlipMain(argc, argv, "BM_BannerKeyToFlip", &BM_BannerKeyToFlip, kSamples, g_env);
}
