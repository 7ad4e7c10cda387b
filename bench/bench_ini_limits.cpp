// The settings file and a layout at the limits the library still reads
// (E_BRISK_MAX_INI_BYTES, E_BRISK_MAX_INI_ENTRIES), each the costliest file
// within them, measured in alternation with its floor. iniparser's time
// grows with the square of the entries, and each look-up walks the whole
// dictionary: the worst files have every entry the limit allows, each line
// as long as the byte limit lets it be.
//
// BM_SettingsAtTheLimits: LoadCommonSetting on a settings file of one
// section, the three keys and then keys of about 500 characters up to the
// entry limit (long names cost iniparser the most to parse and hash).
// Floor: iniparser_load + iniparser_freedict of the same file.
//
// BM_SettingsSetterAtTheLimits (reference): SetConfigActivation on the same
// file, written as a rewrite writes it, so that every rewrite is taken:
// load, write to the temporary file, flush to disk, read back, rename.
// Floor: iniparser_load, iniparser_dump_ini into a file beside it, fsync,
// iniparser_load of that file and its rename over the settings file.
//
// BM_LayoutAtTheLimits: a volume handler created, loading the costliest
// layout within the limits, and deleted: 255 text items (the most a
// handler keeps, each read key by key) and then empty sections up to the
// entry limit, every section name long enough to fill the byte limit.
// Floor: iniparser_load + iniparser_freedict of the same file.
#include <fcntl.h>
#include <iniparser.h>
#include <stdio.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "BenchSupport.h"
#include "BriskFiles.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "VolumeHandler.h"

namespace {

const int kSamples = 40;
const char kSettingFile[] = "/Customer/briskui/layout/BriskUISetting.ini";
const char kLayoutName[] = "BriskUIAtTheLimitsLayout.ini";

bool WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return out.good();
}

// `count` lines "PREFIX<number, padded to `width`>SUFFIX\n" of equal length.
std::string NumberedLines(int count, const std::string& prefix, size_t width, const std::string& suffix)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        std::string number = std::to_string(i);
        text += prefix + std::string(width - number.size(), '0') + number + suffix + "\n";
    }
    return text;
}

// The settings file, as a rewrite of it writes it: lower-case names, " = ",
// a blank line after the section.
std::string WorstSettings()
{
    std::string head =
        "[briskuisetting]\nbactivatebriskui = FALSE\nbfirstinitialization = FALSE\n"
        "u8colorformat = 2\n";
    int keys = E_BRISK_MAX_INI_ENTRIES - 4;
    const std::string value = " = 1";
    // Every key line as long as the bytes left allow, one byte kept for the closing blank line.
    size_t line = (E_BRISK_MAX_INI_BYTES - head.size() - 1) / (size_t)keys;
    return head + NumberedLines(keys, "k", line - 2 - value.size(), value) + "\n";
}

std::string WorstLayout()
{
    const int kItems = E_EVENT_HANDLER_MAX_ITEMS;
    const std::string item = "\nu8Type = 2";
    int empty = E_BRISK_MAX_INI_ENTRIES - 2 * kItems;
    // Each section line: '[', the name, ']' and the newline.
    size_t line = (E_BRISK_MAX_INI_BYTES - kItems * (item.size() + 1)) / (size_t)(kItems + empty);
    return NumberedLines(kItems, "[t", line - 4, "]" + item) + NumberedLines(empty, "[e", line - 4, "]");
}

long long FloorLoad(const std::string& path)
{
    long long t0 = bench::NowNs();
    dictionary* ini = iniparser_load(path.c_str());
    if (ini == NULL) return -1;
    iniparser_freedict(ini);
    return bench::NowNs() - t0;
}

void BM_SettingsAtTheLimits(benchmark::State& state)
{
    std::string path = bench::Root() + kSettingFile;
    BriskUiManager* manager = BriskUiManager::GetInstance();
    auto library = [&]() -> long long {
        long long t0 = bench::NowNs();
        manager->LoadCommonSetting();
        long long dt = bench::NowNs() - t0;
        // The file's own value: only a file that loaded gives it.
        return manager->QueryBriskUiEnabled() == 0 ? dt : -1;
    };
    if (!WriteFile(path, WorstSettings()) || library() < 0) {
        state.SkipWithError("the settings file at the limits does not load");
        return;
    }
    bench::RunPaired(state, library, [&] { return FloorLoad(path); });
    state.counters["bytes"] = (double)WorstSettings().size();
}

void BM_SettingsSetterAtTheLimits(benchmark::State& state)
{
    std::string path = bench::Root() + kSettingFile, copy = path + ".floor";
    BriskUiManager* manager = BriskUiManager::GetInstance();
    auto library = [&]() -> long long {
        long long t0 = bench::NowNs();
        BOOL written = manager->SetConfigActivation(0);
        long long dt = bench::NowNs() - t0;
        return written ? dt : -1;
    };
    auto floor = [&]() -> long long {
        long long t0 = bench::NowNs();
        dictionary* ini = iniparser_load(path.c_str());
        FILE* out = ini != NULL ? fopen(copy.c_str(), "w") : NULL;
        if (out == NULL) {
            if (ini != NULL) iniparser_freedict(ini);
            return -1;
        }
        iniparser_dump_ini(ini, out);
        bool ok = fflush(out) == 0 && fsync(fileno(out)) == 0;
        fclose(out);
        iniparser_freedict(ini);
        dictionary* back = iniparser_load(copy.c_str());
        ok = ok && back != NULL && rename(copy.c_str(), path.c_str()) == 0;
        if (back != NULL) iniparser_freedict(back);
        long long dt = bench::NowNs() - t0;
        // The next sample starts from the file the library writes.
        return ok && WriteFile(path, WorstSettings()) ? dt : -1;
    };
    if (!WriteFile(path, WorstSettings()) || library() < 0) {
        state.SkipWithError("the settings file at the limits is not rewritten");
        return;
    }
    bench::RunPaired(state, library, floor);
}

void BM_LayoutAtTheLimits(benchmark::State& state)
{
    std::string path = bench::LayoutDir() + kLayoutName;
    auto library = [&]() -> long long {
        long long t0 = bench::NowNs();
        VolumeHandler* handler = new VolumeHandler();
        handler->LoadResource(path.c_str());
        size_t items = handler->ItemCount();
        delete handler;
        long long dt = bench::NowNs() - t0;
        return items == E_EVENT_HANDLER_MAX_ITEMS ? dt : -1;
    };
    if (!WriteFile(path, WorstLayout()) || library() < 0) {
        state.SkipWithError("the layout at the limits does not load");
        return;
    }
    bench::RunPaired(state, library, [&] { return FloorLoad(path); });
    state.counters["bytes"] = (double)WorstLayout().size();
}

}   // namespace

BENCHMARK(BM_SettingsAtTheLimits)
    ->Name("BM_SettingsAtTheLimits")
    ->UseManualTime()
    ->Iterations(kSamples)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SettingsSetterAtTheLimits)
    ->Name("BM_SettingsSetterAtTheLimits")
    ->UseManualTime()
    ->Iterations(kSamples)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayoutAtTheLimits)
    ->Name("BM_LayoutAtTheLimits")
    ->UseManualTime()
    ->Iterations(kSamples)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return bench::Main(argc, argv, bench::Options()); }
