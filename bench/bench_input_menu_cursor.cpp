// A cursor key in the input source menu, key to flip: from a DOWN
// key-press event posted into the library's event buffer, while the menu
// is open, until the Flip of the frame composed for it has returned. Each
// key moves the focus one entry down (round from PC to TV): the focus bar
// moves to the new entry, the icon left behind takes its "n.png" file and
// the new one its "f.png" file, and the labels change colour. Setting an
// icon's path drops its decoded image; the warm-up shows every icon in
// both states first, so the decoded-image cache serves them from then on
// (the "decodes" counter, what it decoded during the run, stays 0).
//
// Floor: a thread of the benchmark's own, woken by PostEvent on an event
// buffer of its own, draws only the pixels the same key changes, with
// the bare DirectFB calls (bench::RawOsd::DrawChanged): the focus bar's
// old and new rectangles and the two icons and labels, each cleared, the
// panel, bar, icons and labels reaching into it blitted and drawn clipped,
// and flipped, on a window of its own, from pictures decoded once
// (bench::RunKeyToFlip).
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
// More than two rounds of the eight entries: every icon has shown both of
// its files before the first sample counts.
const int kWarmup = 50;
const unsigned kSourceKey = 0xF068;
const unsigned kCursorDown = 0xF003;
const int kEntries = 8;
// The menu opens on HDMI 1, entry 3.
const int kOpeningEntry = 3;
const unsigned kFocusedColour = 0xFFFFFFFF, kNormalColour = 0xFF4B557C;

std::string Number(int i) { return std::to_string(i + 1); }

struct Env : bench::KeyToFlipEnv {
    std::string iconArt[kEntries][2];   // normal, focused
    int iconCentre[kEntries] = {};
    int barHeight = 0;

    void Set()
    {
        if (ready || failed) return;
        sim::SetInputSource(MAPI_INPUT_SOURCE_HDMI);
        manager = bench::StartLibrary(true);
        failed = manager->GetSurface() == nullptr || !bench::KeyAndWaitFlip(manager, kSourceKey, 5000) ||
                 !manager->QueryStatus(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_MENU) || !window.Create(bench::Layer()) ||
                 !osd.Load(bench::LayoutDir() + "BriskUIInputSourceMenuLayout_EU.ini") || !osd.Decode(bench::Dfb());
        if (failed) return;
        barHeight = osd.ItemRect("focus_bar").height;
        // Both files of every icon decoded up front, as the library's cache
        // holds them after the warm-up.
        for (int i = 0; i < kEntries && !failed; ++i) {
            bench::RawRect icon = osd.ItemRect("icon" + Number(i));
            iconCentre[i] = icon.top + icon.height / 2;
            std::string normal = ImagePath(bench::LayoutDir() + "BriskUIInputSourceMenuLayout_EU.ini", i);
            iconArt[i][0] = normal;
            iconArt[i][1] = normal.substr(0, normal.size() - 5) + "f.png";
            failed = normal.empty() || !osd.SetItemImage(bench::Dfb(), "icon" + Number(i), iconArt[i][1]) ||
                     !osd.SetItemImage(bench::Dfb(), "icon" + Number(i), iconArt[i][0]);
        }
        // Two rounds of the menu: every icon shown in both states. The
        // focus is back on the opening entry, where the samples start.
        for (int i = 0; i < 2 * kEntries && !failed; ++i) failed = !bench::KeyAndWaitFlip(manager, kCursorDown, 5000);
        ready = !failed;
    }
    // The layout's image path of entry i's icon.
    static std::string ImagePath(const std::string& layout, int i)
    {
        dictionary* ini = iniparser_load(layout.c_str());
        if (ini == NULL) return std::string();
        std::string path = iniparser_getstring(ini, ("icon" + Number(i) + ":pImagePath").c_str(), "");
        iniparser_freedict(ini);
        return path;
    }
};

Env g_env;

unsigned KeyOf(int) { return kCursorDown; }

// The frame of the n-th cursor key since the menu opened: the focus on the
// entry n + 1 below the opening one.
void FloorFrame(int n)
{
    int focus = (kOpeningEntry + n + 1) % kEntries;
    for (int i = 0; i < kEntries; ++i) {
        g_env.osd.SetItemImage(bench::Dfb(), "icon" + Number(i), g_env.iconArt[i][i == focus ? 1 : 0]);
        g_env.osd.SetItemColor("text" + Number(i), i == focus ? kFocusedColour : kNormalColour);
    }
    g_env.osd.SetItemTop("focus_bar", g_env.iconCentre[focus] - g_env.barHeight / 2);
    bench::RawChangedFrame(g_env.osd, g_env.window);
}

void BM_InputMenuCursorToFlip(benchmark::State& state)
{
    g_env.Set();
    ST_IMAGE_CACHE_STATS before, after;
    BriskImageCacheStats(&before);
    bench::RunKeyToFlip(state, g_env.failed ? nullptr : g_env.manager, kWarmup, &KeyOf, &FloorFrame);
    BriskImageCacheStats(&after);
    state.counters["decodes"] = after.u32Decodes - before.u32Decodes;
}

}   // namespace

int main(int argc, char** argv)
{
    return bench::KeyToFlipMain(argc, argv, "BM_InputMenuCursorToFlip", &BM_InputMenuCursorToFlip, kSamples, g_env);
}
