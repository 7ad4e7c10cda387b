// Instructions per key, counted by callgrind: the work the library does for
// one key of each kind, from the key-press event posted into its event
// buffer until the frame composed for it has been flipped, in every thread
// of the process (the input thread, the timer thread it wakes, DirectFB's
// window stack). bench/run runs this program under
// `valgrind --tool=callgrind`; instruction counts do not move with the load
// of the machine, unlike times.
//
// Each key kind is counted twice in the same run, on the same library and
// state: with the full composition (BriskSetFullComposition, every shown OSD
// drawn whole and the dirty rectangle flipped at every key, as before damage
// tracking) and with the composition that redraws only what changed. Keys:
// VOL+ with the volume bar shown, a cursor key in the input source menu and
// in the ATV/DTV switch menu, a digit of the PIN entry (every fourth digit
// makes a wrong PIN, which shows the error panel, and the next one hides it
// again), and CH+ on digital TV with the channel banner shown.
//
// Counters: instructions_per_key (changed pixels only), full_instructions_per_key
// and ratio (the first over the second). Without callgrind the benchmarks
// skip with an error.
#include <valgrind/callgrind.h>

#include <fstream>
#include <string>

#include "BenchSupport.h"
#include "BriskUiManager.h"
#include "Damage.h"
#include "SimTv.h"

namespace {

// Keys counted per block, after the warm-up keys of the block.
const int kKeys = 24;
const int kWarmup = 8;
const unsigned kSourceKey = 0xF068, kMenuKey = 0xF53F, kCursorDown = 0xF003, kDigit = 0x35;

// The callgrind output file named by bench/run (--callgrind-out-file); each
// client-requested dump writes <file>.<n>, n counting from 1.
std::string g_outFile;
int g_dumps = 0;

// Instructions counted since the last dump, read back from the dump the
// request writes; -1 when it cannot be read.
double DumpInstructions(const std::string& label)
{
    CALLGRIND_DUMP_STATS_AT(label.c_str());
    std::ifstream in(g_outFile + "." + std::to_string(++g_dumps));
    std::string line;
    double total = -1;
    bool mine = false;
    while (std::getline(in, line)) {
        if (line.rfind("desc: Trigger: Client Request: ", 0) == 0) mine = line.substr(31) == label;
        if (line.rfind("summary: ", 0) == 0 || line.rfind("totals: ", 0) == 0)
            total = std::stod(line.substr(line.find(' ') + 1));
    }
    return mine ? total : -1;
}

// Posts a key and waits until a composition has finished after it.
bool Key(BriskUiManager* manager, unsigned symbol) { return bench::KeyAndWaitFlip(manager, symbol, 60000); }

struct Scenario {
    const char* name;
    // Before the library starts: the simulated TV's state.
    void (*prepare)();
    // After it started: opens the OSD; false when it did not open.
    bool (*open)(BriskUiManager* manager);
    // Before each block: puts the OSD's state back where the block starts.
    void (*rewind)();
    unsigned key;
};

void Nothing() {}

void VolumePrepare() { sim::SetVolume(20); }
bool VolumeOpen(BriskUiManager* manager)
{
    return Key(manager, bench::KEY_VOL_UP) && manager->QueryStatus(E_BRISKUI_OSD_STATUS_VOLUME);
}
// Every block raises the volume from 20, so that every key moves the bar.
void VolumeRewind() { sim::SetVolume(20); }

void InputMenuPrepare() { sim::SetInputSource(MAPI_INPUT_SOURCE_HDMI); }
bool InputMenuOpen(BriskUiManager* manager)
{
    return Key(manager, kSourceKey) && manager->QueryStatus(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_MENU);
}

void AtvDtvPrepare()
{
    sim::SetSatelliteMode(1);
    sim::SetInputSource(MAPI_INPUT_SOURCE_DTV);
    sim::SetCurrentRoute(0);
}
bool AtvDtvOpen(BriskUiManager* manager)
{
    return Key(manager, kMenuKey) && manager->QueryStatus(E_BRISKUI_OSD_STATUS_ATV_DTV_SWITCH_MENU);
}

bool PinOpen(BriskUiManager* manager)
{
    sim::PostEvent(76, 4, sim::Source::Dtv);
    return sim::WaitEventsDelivered(60000) && manager->WaitIdle(60000) &&
           manager->QueryStatus(E_BRISKUI_OSD_STATUS_PIN_CODE);
}

void BannerPrepare() { sim::SetInputSource(MAPI_INPUT_SOURCE_DTV); }
bool BannerOpen(BriskUiManager* manager)
{
    return Key(manager, bench::KEY_CH_UP) && manager->QueryStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE);
}

const Scenario kScenarios[] = {
    { "vol_up", &VolumePrepare, &VolumeOpen, &VolumeRewind, bench::KEY_VOL_UP },
    { "input_menu_cursor", &InputMenuPrepare, &InputMenuOpen, &Nothing, kCursorDown },
    { "atvdtv_menu_cursor", &AtvDtvPrepare, &AtvDtvOpen, &Nothing, kCursorDown },
    { "pin_digit", &Nothing, &PinOpen, &Nothing, kDigit },
    { "ch_up", &BannerPrepare, &BannerOpen, &Nothing, bench::KEY_CH_UP },
};

// One block of keys in the composition chosen; instructions per key, -1
// when a key was not composed or the count could not be read.
double Block(BriskUiManager* manager, const Scenario& s, bool full)
{
    BriskSetFullComposition(full ? TRUE : FALSE);
    s.rewind();
    for (int i = 0; i < kWarmup; ++i)
        if (!Key(manager, s.key)) return -1;
    std::string label = std::string(s.name) + (full ? "/full" : "/changed");
    // Ends the count of what came before (read back only after the block,
    // so that reading it is not counted).
    CALLGRIND_DUMP_STATS_AT((label + "/warm-up").c_str());
    ++g_dumps;
    for (int i = 0; i < kKeys; ++i)
        if (!Key(manager, s.key)) return -1;
    double total = DumpInstructions(label);
    return total < 0 ? -1 : total / kKeys;
}

void BM_KeyInstructions(benchmark::State& state, const Scenario* s)
{
    if (!RUNNING_ON_VALGRIND || g_outFile.empty()) {
        state.SkipWithError("run under callgrind with BRISKUI_CALLGRIND_OUT set (bench/run does)");
        return;
    }
    s->prepare();
    BriskUiManager* manager = bench::StartLibrary(true);
    double changed = -1, full = -1;
    if (manager->GetSurface() != nullptr && s->open(manager)) {
        for (auto _ : state) {
            full = Block(manager, *s, true);
            changed = full >= 0 ? Block(manager, *s, false) : -1;
        }
    }
    BriskSetFullComposition(FALSE);
    bench::StopLibrary(true);
    sim::Reset();
    if (changed < 0 || full <= 0) {
        state.SkipWithError("a key was not composed, or callgrind's count could not be read");
        return;
    }
    state.counters["instructions_per_key"] = changed;
    state.counters["full_instructions_per_key"] = full;
    state.counters["ratio"] = changed / full;
}

}   // namespace

int main(int argc, char** argv)
{
    const char* out = getenv("BRISKUI_CALLGRIND_OUT");
    g_outFile = out != nullptr ? out : "";
    for (const Scenario& s : kScenarios)
        benchmark::RegisterBenchmark((std::string("BM_KeyInstructions/") + s.name).c_str(), &BM_KeyInstructions, &s)
            ->Iterations(1);
    bench::Options options;
    // Under callgrind a key takes a second or more: no OSD may time out
    // between two keys of a block.
    options.osdTimeoutMs = 65535;
    return bench::Main(argc, argv, options);
}
