// A cursor key in the ATV/DTV switch menu, key to flip: from a cursor-down
// key-press event posted into the library's event buffer, while the menu
// is open with its three entries, until the Flip of the frame composed
// for it has returned. The menu re-reads the entries in use from the
// middleware, moves its focus bar, swaps the path endings of the icon
// that loses the focus and of the one that gets it (which drops their
// decoded images) and recolours both labels.
//
// Floor: a thread of the benchmark's own, woken by PostEvent on an event
// buffer of its own, draws only the pixels the same key changes, with
// the bare DirectFB calls (bench::RawOsd::DrawChanged): the bar's old and
// new rectangles and the icons and labels that changed, each cleared, the
// background, bar, icons and labels reaching into it blitted and drawn
// clipped, and flipped, on a window of its own, from pictures decoded once
// (bench::RunKeyToFlip).
// By the first counted sample every icon has been shown in both states,
// so the library's decoded-image cache must serve them.
#include <iniparser.h>

#include <string>

#include "BenchSupport.h"
#include "BriskUiManager.h"
#include "ImageCache.h"
#include "KeyToFlip.h"
#include "RawOsd.h"
#include "SimTv.h"

namespace {

const int kSamples = 2000;
// Every entry has had the focus, and lost it, many times before the first
// sample counts.
const int kWarmup = 50;
const unsigned kMenuKey = 0xF53F;
const unsigned kCursorDown = 0xF003;
const int kEntries = 3;
const char* const kLabels[kEntries] = { "DTV Ant", "DTV Sat", "ATV" };
const unsigned kNormalColor = 0xFF4B557C, kFocusedColor = 0xFFFFFFFF;

std::string Icon(int i) { return "icon" + std::to_string(i + 1); }

std::string Label(int i) { return "dtv_text" + std::to_string(i + 1); }

struct Env : bench::KeyToFlipEnv {
    std::string normalArt[kEntries], focusedArt[kEntries];

    void Set()
    {
        if (ready || failed) return;
        // Satellite reception enabled when the layouts load: three entries.
        // Digital TV on the antenna route: the menu opens on the first.
        sim::SetSatelliteMode(1);
        sim::SetInputSource(MAPI_INPUT_SOURCE_DTV);
        sim::SetCurrentRoute(0);
        manager = bench::StartLibrary(true);
        std::string layout = bench::LayoutDir() + "BriskUIAtvDtvSwitchMenuLayout.ini";
        failed = manager->GetSurface() == nullptr || !bench::KeyAndWaitFlip(manager, kMenuKey, 5000) ||
                 !manager->QueryStatus(E_BRISKUI_OSD_STATUS_ATV_DTV_SWITCH_MENU) || !window.Create(bench::Layer()) ||
                 !osd.Load(layout) || !osd.Decode(bench::Dfb());
        dictionary* ini = failed ? NULL : iniparser_load(layout.c_str());
        failed = ini == NULL;
        for (int i = 0; i < kEntries && !failed; ++i) {
            osd.SetItemText(Label(i), kLabels[i]);
            // The layout names the normal art; the focused one ends in "f.png".
            std::string art = iniparser_getstring(ini, (Icon(i) + ":pImagePath").c_str(), "");
            failed = art.size() < 5;
            if (failed) break;
            normalArt[i] = art.substr(0, art.size() - 5) + "n.png";
            focusedArt[i] = art.substr(0, art.size() - 5) + "f.png";
            failed = !osd.SetItemImage(bench::Dfb(), Icon(i), focusedArt[i]) ||
                     !osd.SetItemImage(bench::Dfb(), Icon(i), normalArt[i]);
        }
        if (ini != NULL) iniparser_freedict(ini);
        ready = !failed;
    }
};

Env g_env;

unsigned KeyOf(int) { return kCursorDown; }

// The frame of the n-th cursor key since the menu opened on entry 0: the
// focus on entry (n + 1) % 3, the bar centred on its icon.
void FloorFrame(int n)
{
    int focused = (n + 1) % kEntries;
    bench::RawOsd& osd = g_env.osd;
    bench::RawRect icon = osd.ItemRect(Icon(focused));
    bench::RawRect bar = osd.ItemRect("focus_bar");
    osd.SetItemTop("focus_bar", icon.top + icon.height / 2 - bar.height / 2);
    for (int i = 0; i < kEntries; ++i) {
        bool focus = i == focused;
        osd.SetItemImage(bench::Dfb(), Icon(i), focus ? g_env.focusedArt[i] : g_env.normalArt[i]);
        osd.SetItemColor(Label(i), focus ? kFocusedColor : kNormalColor);
    }
    bench::RawChangedFrame(osd, g_env.window);
}

void BM_AtvDtvMenuCursorToFlip(benchmark::State& state)
{
    g_env.Set();
    bench::RunKeyToFlip(state, g_env.failed ? nullptr : g_env.manager, kWarmup, &KeyOf, &FloorFrame);
    // Decodes by the library's image cache over the whole run: a handful
    // (each picture once), not one per key, when the cache serves the icons.
    ST_IMAGE_CACHE_STATS cache;
    BriskImageCacheStats(&cache);
    state.counters["image_decodes"] = cache.u32Decodes;
    state.counters["image_cache_hits"] = cache.u32Hits;
}

}   // namespace

int main(int argc, char** argv)
{
    return bench::KeyToFlipMain(argc, argv, "BM_AtvDtvMenuCursorToFlip", &BM_AtvDtvMenuCursorToFlip, kSamples, g_env);
}
