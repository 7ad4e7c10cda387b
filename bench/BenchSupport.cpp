#include "BenchSupport.h"

#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "HostSupport.h"
#include "SimTv.h"

namespace fs = std::filesystem;

namespace bench {

namespace {

IDirectFB* g_dfb = nullptr;
IDirectFBDisplayLayer* g_layer = nullptr;
std::string g_root;
std::string g_layoutDir;

// Layouts of the second and third OSDs, made of the volume OSD's art so
// that every benchmark composes real images and text: the wait message in
// the middle of the screen, the not-available message above it, and the
// initialization bar (as shown after a normal boot: wait texts, empty bar).
const char* const kWaitMessageLayout = R"(; Wait message for the benchmarks: the volume panel art with one text.
[bg_image]
u8Type = 1
bVisible = 1
u32Left = 360
u32Top = 300
u32Width = 560
u32Height = 96
pImagePath = /config/briskui/images/vol_panel.png

[icon]
u8Type = 1
bVisible = 1
u32Left = 384
u32Top = 324
u32Width = 48
u32Height = 48
pImagePath = /config/briskui/images/icon_volume.png

[text]
u8Type = 2
bVisible = 1
u32Left = 448
u32Top = 358
u32Width = 440
u32Height = 8
u8FontSize = 26
u32FontColor = 0xFFF2F5F9
pFontPath = /config/briskui/fonts/DejaVuSans.ttf
pText = Please wait...

[setting]
u16TimeOut = 3000
u16StateMask = 0
)";

const char* const kNotAvailableLayout = R"(; Not-available message for the benchmarks: the mute panel art.
[bg_image]
u8Type = 1
bVisible = 1
u32Left = 490
u32Top = 140
u32Width = 300
u32Height = 96
pImagePath = /config/briskui/images/mute_panel.png

[icon]
u8Type = 1
bVisible = 1
u32Left = 514
u32Top = 164
u32Width = 48
u32Height = 48
pImagePath = /config/briskui/images/icon_mute.png

[text]
u8Type = 2
bVisible = 1
u32Left = 578
u32Top = 198
u32Width = 196
u32Height = 8
u8FontSize = 22
u32FontColor = 0xFFF2F5F9
pFontPath = /config/briskui/fonts/DejaVuSans.ttf
pText = Not available

[setting]
u16TimeOut = 3000
u16StateMask = 0
)";

const char* const kInitializationLayout = R"(; Initialization bar for the benchmarks: the volume bar art.
[bg_image_volume]
u8Type = 1
bVisible = 1
u32Left = 360
u32Top = 420
u32Width = 560
u32Height = 96
pImagePath = /config/briskui/images/vol_panel.png

[volume_bg]
u8Type = 1
bVisible = 1
u32Left = 448
u32Top = 478
u32Width = 320
u32Height = 16
pImagePath = /config/briskui/images/vol_track.png

[volume_bar_left]
u8Type = 1
bVisible = 0
u32Left = 448
u32Top = 478
u32Width = 8
u32Height = 16
pImagePath = /config/briskui/images/vol_bar_left.png

[volume_bar_center]
u8Type = 1
bVisible = 1
u32Left = 456
u32Top = 478
u32Width = 0
u32Height = 16
pImagePath = /config/briskui/images/vol_bar_center.png

[volume_bar_right]
u8Type = 1
bVisible = 0
u32Left = 456
u32Top = 478
u32Width = 8
u32Height = 16
pImagePath = /config/briskui/images/vol_bar_right.png

[volume_text]
u8Type = 2
bVisible = 0
u32Left = 448
u32Top = 464
u32Width = 320
u32Height = 8
u8FontSize = 20
u32FontColor = 0xFFE6EDF5
pFontPath = /config/briskui/fonts/DejaVuSans.ttf
pText = Initializing

[wait_text_line1]
u8Type = 2
bVisible = 1
u32Left = 448
u32Top = 446
u32Width = 320
u32Height = 8
u8FontSize = 18
u32FontColor = 0xFFE6EDF5
pFontPath = /config/briskui/fonts/DejaVuSans.ttf
pText = Please wait

[wait_text_line2]
u8Type = 2
bVisible = 1
u32Left = 448
u32Top = 470
u32Width = 320
u32Height = 8
u8FontSize = 18
u32FontColor = 0xFFE6EDF5
pFontPath = /config/briskui/fonts/DejaVuSans.ttf
pText = while the TV starts

[volume_number]
u8Type = 2
bVisible = 1
u32Left = 792
u32Top = 480
u32Width = 112
u32Height = 8
u8FontSize = 34
u32FontColor = 0xFFFFFFFF
pFontPath = /config/briskui/fonts/DejaVuSans-Bold.ttf
pText = 0%

[setting]
u16TimeOut = 6000
u16StateMask = 0
)";

bool WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::trunc);
    out << text;
    return (bool)out;
}

// Sets "u16TimeOut" of the [setting] section of an INI file, line by line so
// that the rest of the file stays as it is.
bool SetLayoutTimeout(const std::string& path, unsigned ms)
{
    std::ifstream in(path);
    if (!in) return false;
    std::ostringstream out;
    std::string line, section;
    bool written = false;
    auto trim = [](std::string s) {
        s.erase(0, s.find_first_not_of(" \t\r"));
        s.erase(s.find_last_not_of(" \t\r") + 1);
        return s;
    };
    while (std::getline(in, line)) {
        std::string t = trim(line);
        if (!t.empty() && t[0] == '[') {
            if (section == "setting" && !written) {
                out << "u16TimeOut = " << ms << "\n";
                written = true;
            }
            section = t.substr(1, t.find(']') - 1);
        } else if (section == "setting" && t.compare(0, 10, "u16TimeOut") == 0) {
            out << "u16TimeOut = " << ms << "\n";
            written = true;
            continue;
        }
        out << line << "\n";
    }
    if (!written) {
        if (section != "setting") out << "[setting]\n";
        out << "u16TimeOut = " << ms << "\n";
    }
    in.close();
    return WriteFile(path, out.str());
}

bool MakeRoot(const Options& options)
{
    char dir[] = "/tmp/briskui-bench-XXXXXX";
    if (mkdtemp(dir) == NULL) {
        perror("mkdtemp");
        return false;
    }
    g_root = dir;
    std::error_code error;
    fs::copy(BRISKUI_BENCH_SAMPLE_ROOT, g_root, fs::copy_options::recursive | fs::copy_options::overwrite_existing,
             error);
    if (error) {
        fprintf(stderr, "bench: cannot copy %s: %s\n", BRISKUI_BENCH_SAMPLE_ROOT, error.message().c_str());
        return false;
    }
    // The copies keep their sources' times, as the files of an installed
    // set are old: the image cache keeps no picture changed in the last
    // seconds, and fresh copies would be decoded anew for the first
    // seconds of every run.
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(BRISKUI_BENCH_SAMPLE_ROOT, error)) {
        if (!entry.is_regular_file()) continue;
        fs::path copy = fs::path(g_root) / fs::relative(entry.path(), BRISKUI_BENCH_SAMPLE_ROOT);
        fs::last_write_time(copy, fs::last_write_time(entry.path()), error);
    }
    setenv("BRISKUI_ROOT", g_root.c_str(), 1);

    // The layout folder follows the OSD language the settings pick.
    BriskUiManager* manager = BriskUiManager::GetInstance();
    manager->LoadCommonSetting();
    g_layoutDir = g_root + manager->GetLayoutPath();
    if (!g_layoutDir.empty() && g_layoutDir.back() != '/') g_layoutDir += '/';
    fs::create_directories(g_layoutDir, error);

    bool ok = WriteFile(g_layoutDir + "BriskUIWaitMessageLayout_EU.ini", kWaitMessageLayout) &&
              WriteFile(g_layoutDir + "BriskUINotAvailableMessageLayout.ini", kNotAvailableLayout) &&
              WriteFile(g_layoutDir + "BriskUIInitializationLayout.ini", kInitializationLayout);
    if (ok && options.volumeTimeoutMs != 0)
        ok = SetLayoutTimeout(g_layoutDir + "BriskUIVolumeLayout_EU.ini", options.volumeTimeoutMs);
    if (ok && options.osdTimeoutMs != 0) {
        for (const fs::directory_entry& entry : fs::directory_iterator(g_layoutDir, error))
            if (ok && entry.path().extension() == ".ini") ok = SetLayoutTimeout(entry.path(), options.osdTimeoutMs);
    }
    if (!ok) fprintf(stderr, "bench: cannot write the layouts into %s\n", g_layoutDir.c_str());
    return ok;
}

}   // namespace

IDirectFB* Dfb() { return g_dfb; }
IDirectFBDisplayLayer* Layer() { return g_layer; }
const std::string& Root() { return g_root; }
const std::string& LayoutDir() { return g_layoutDir; }

int Main(int argc, char** argv, const Options& options)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    std::string self = argv[0];
    std::string headless = "--dfb:system=dummy,no-vt,quiet,mode=1280x720";
    char* dfbArgv[] = { &self[0], &headless[0], NULL };
    int dfbArgc = getenv("DFBARGS") != NULL ? 1 : 2;
    char** dfbArgvp = dfbArgv;
    DFBResult ret = DirectFBInit(&dfbArgc, &dfbArgvp);
    if (ret == DFB_OK) ret = DirectFBCreate(&g_dfb);
    if (ret == DFB_OK) ret = g_dfb->GetDisplayLayer(g_dfb, DLID_PRIMARY, &g_layer);
    if (ret != DFB_OK) {
        DirectFBError("bench: DirectFB set-up", ret);
        return 1;
    }
    g_layer->SetCooperativeLevel(g_layer, DLSCL_ADMINISTRATIVE);
    sim::SetHostDirectFB(g_dfb, g_layer);

    int status = MakeRoot(options) ? 0 : 1;
    if (status == 0) benchmark::RunSpecifiedBenchmarks();
    if (options.teardown) options.teardown();
    benchmark::Shutdown();

    sim::StopEventThread();
    sim::SetHostDirectFB(NULL, NULL);
    g_layer->Release(g_layer);
    g_dfb->Release(g_dfb);
    if (!g_root.empty()) {
        std::error_code error;
        fs::remove_all(g_root, error);
    }
    return status;
}

BriskUiManager* StartLibrary(bool inputThread)
{
    sim::SetTvosIr(false);
    sim::SetTvosIrGrant(inputThread);
    BriskUiManager* manager = BriskUiManager::GetInstance();
    manager->LoadCommonSetting();
    manager->SetCountry(E_BRISKUI_COUNTRY_EU);
    manager->Start();
    return manager;
}

void StopLibrary(bool inputThread)
{
    BriskUiManager* manager = BriskUiManager::PeekInstance();
    if (manager == nullptr) return;
    if (inputThread) {
        sim::SetTvosIr(false);
        manager->WakeUp();
        if (!sim::WaitForCall("SetBriskUIStatus(1)", 10000)) fprintf(stderr, "bench: the library did not finalise\n");
    } else {
        BriskTimerManager::GetInstance()->Finalize();
        manager->Finalize();
    }
    sim::ClearCalls();
}

bool KeyAndWaitFlip(BriskUiManager* manager, unsigned symbol, int timeoutMs)
{
    unsigned before = manager->FlipCount();
    briskui_sim::PostKey(manager, symbol);
    return SpinUntil([&] { return manager->FlipCount() != before; }, (long long)timeoutMs * 1000000LL);
}

long long NowNs()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

bool SpinUntil(const std::function<bool()>& done, long long timeoutNs)
{
    long long end = NowNs() + timeoutNs;
    while (!done()) {
        if (NowNs() > end) return false;
        sched_yield();
    }
    return true;
}

Summary Summarise(std::vector<double>* ns)
{
    Summary s;
    if (ns->empty()) return s;
    std::sort(ns->begin(), ns->end());
    size_t n = ns->size();
    auto rank = [&](double p) {
        size_t r = (size_t)std::ceil(p * (double)n);
        return (*ns)[std::min(n, std::max<size_t>(r, 1)) - 1];
    };
    double sum = 0;
    for (double v : *ns) sum += v;
    s.mean = sum / (double)n;
    s.median = rank(0.5);
    s.p99 = rank(0.99);
    s.min = ns->front();
    s.max = ns->back();
    return s;
}

void Report(benchmark::State& state, std::vector<double>* ns)
{
    Summary s = Summarise(ns);
    state.counters["median_us"] = s.median / 1000.0;
    state.counters["p99_us"] = s.p99 / 1000.0;
    state.counters["mean_us"] = s.mean / 1000.0;
    state.counters["min_us"] = s.min / 1000.0;
    state.counters["max_us"] = s.max / 1000.0;
    state.counters["samples"] = (double)ns->size();
}

void RunPaired(benchmark::State& state, const std::function<long long()>& library,
               const std::function<long long()>& floor)
{
    std::vector<double> lib, flo;
    lib.reserve((size_t)state.max_iterations);
    flo.reserve((size_t)state.max_iterations);
    bool libraryFirst = true;
    for (auto _ : state) {
        long long l = 0, f = 0;
        if (libraryFirst) {
            l = library();
            f = l >= 0 ? floor() : 0;
        } else {
            f = floor();
            l = f >= 0 ? library() : 0;
        }
        libraryFirst = !libraryFirst;
        if (l < 0 || f < 0) {
            state.SkipWithError(l < 0 ? "a library sample failed" : "a floor sample failed");
            return;
        }
        state.SetIterationTime((double)l * 1e-9);
        lib.push_back((double)l);
        flo.push_back((double)f);
    }
    Summary a = Summarise(&lib), b = Summarise(&flo);
    state.counters["median_us"] = a.median / 1000.0;
    state.counters["p99_us"] = a.p99 / 1000.0;
    state.counters["mean_us"] = a.mean / 1000.0;
    state.counters["floor_median_us"] = b.median / 1000.0;
    state.counters["floor_p99_us"] = b.p99 / 1000.0;
    state.counters["floor_mean_us"] = b.mean / 1000.0;
    state.counters["ratio_median"] = b.median > 0 ? a.median / b.median : 0;
    state.counters["ratio_p99"] = b.p99 > 0 ? a.p99 / b.p99 : 0;
    state.counters["samples"] = (double)lib.size();
}

}   // namespace bench
