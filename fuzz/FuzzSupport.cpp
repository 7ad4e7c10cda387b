#include "FuzzSupport.h"

#include <errno.h>
#include <ftw.h>
#include <iniparser.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "BriskFiles.h"
#include "BriskPlatform.h"
#include "BriskUiHandlerTable.h"
#include "BriskUiManager.h"
#include "SimTv.h"

namespace fuzz {

namespace {

std::string g_root;

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

void RemoveRoot()
{
    if (!g_root.empty()) nftw(g_root.c_str(), &RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

int Quiet(const char*, ...) { return 0; }

void MakeParents(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        std::string dir = path.substr(0, slash);
        if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
            Fail("cannot create %s: %s", dir.c_str(), strerror(errno));
    }
}

}   // namespace

void Fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("briskui-fuzz: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    abort();
}

IDirectFB* Dfb()
{
    static IDirectFB* dfb = NULL;
    if (dfb != NULL) return dfb;
    static char arg0[] = "briskui-fuzz";
    // DirectFB's own signal handler would end the process on a crash
    // before the sanitizer and libFuzzer could report it and save the input.
    static char arg1[] = "--dfb:system=dummy,no-vt,quiet,mode=1280x720,no-sighandler";
    char* args[] = { arg0, arg1, NULL };
    int argc = 2;
    char** argv = args;
    IDirectFBDisplayLayer* layer = NULL;
    if (DirectFBInit(&argc, &argv) != DFB_OK || DirectFBCreate(&dfb) != DFB_OK ||
        dfb->GetDisplayLayer(dfb, DLID_PRIMARY, &layer) != DFB_OK)
        Fail("DirectFB does not start on its dummy system");
    layer->SetCooperativeLevel(layer, DLSCL_ADMINISTRATIVE);
    sim::SetHostDirectFB(dfb, layer);
    return dfb;
}

const std::string& Root()
{
    if (!g_root.empty()) return g_root;
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp != NULL && *tmp ? tmp : "/tmp") + "/briskui-fuzz-XXXXXX";
    if (mkdtemp(&pattern[0]) == NULL) Fail("cannot create a root under %s: %s", pattern.c_str(), strerror(errno));
    g_root = pattern;
    atexit(&RemoveRoot);
    MakeParents(g_root + "/config/briskui/layout/EN/");
    MakeParents(g_root + "/Customer/briskui/layout/");
    for (const char* dir : { "images", "fonts" }) {
        std::string from = std::string(BRISKUI_SAMPLE_ROOT) + "/config/briskui/" + dir;
        std::string to = g_root + "/config/briskui/" + dir;
        if (symlink(from.c_str(), to.c_str()) != 0) Fail("cannot link %s: %s", to.c_str(), strerror(errno));
    }
    setenv("BRISKUI_ROOT", g_root.c_str(), 1);
    // iniparser reports every syntax error on stderr: noise in a fuzzer's log.
    iniparser_set_error_callback(&Quiet);
    return g_root;
}

void LinkSampleLayouts(bool requiredOnly)
{
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) {
        if (requiredOnly && !rows[i].bLayoutRequired) continue;
        for (const char* name : { rows[i].pLayoutNA, rows[i].pLayoutEU }) {
            std::string from = std::string(BRISKUI_SAMPLE_ROOT) + "/config/briskui/layout/EN/" + name;
            std::string to = Root() + "/config/briskui/layout/EN/" + name;
            if (symlink(from.c_str(), to.c_str()) != 0 && errno != EEXIST)
                Fail("cannot link %s: %s", to.c_str(), strerror(errno));
        }
    }
}

IDirectFBSurface* NewSurface(int width, int height)
{
    DFBSurfaceDescription desc;
    memset(&desc, 0, sizeof(desc));
    desc.flags = (DFBSurfaceDescriptionFlags)(DSDESC_WIDTH | DSDESC_HEIGHT | DSDESC_PIXELFORMAT);
    desc.width = width;
    desc.height = height;
    desc.pixelformat = DSPF_ARGB;
    IDirectFBSurface* surface = NULL;
    if (Dfb()->CreateSurface(Dfb(), &desc, &surface) != DFB_OK) Fail("no surface to draw on");
    surface->SetDrawingFlags(surface, DSDRAW_BLEND);
    surface->SetSrcBlendFunction(surface, DSBF_SRCALPHA);
    surface->SetDstBlendFunction(surface, DSBF_INVSRCALPHA);
    surface->SetBlittingFlags(surface, DSBLIT_BLEND_ALPHACHANNEL);
    return surface;
}

BriskUiManager* StartManager(bool requiredOnly)
{
    Dfb();
    Root();
    BriskSetSleepHook([](U32) {});
    sim::SetTvosIrGrant(false);
    LinkSampleLayouts(requiredOnly);
    BriskUiManager* manager = BriskUiManager::GetInstance();
    manager->LoadCommonSetting();
    manager->Start();
    if (manager->GetSurface() == NULL) Fail("the manager has no window surface");
    manager->ClearScreen();
    return manager;
}

std::string WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    std::string full = Root() + path;
    MakeParents(full);
    FILE* file = fopen(full.c_str(), "wb");
    if (file == NULL) Fail("cannot write %s: %s", full.c_str(), strerror(errno));
    if ((size > 0 && fwrite(data, 1, size, file) != size) || fclose(file) != 0)
        Fail("cannot write %s: %s", full.c_str(), strerror(errno));
    return full;
}

size_t IniRecipeHeader(const uint8_t* data, size_t size) { return size >= 3 && data[0] == 0x01 ? 3 : 0; }

std::string WriteIniInput(const std::string& path, const uint8_t* data, size_t size)
{
    if (IniRecipeHeader(data, size) == 0) return WriteFile(path, data, size);
    bool entries = (data[1] & 1) != 0;
    long aim = (entries ? (long)E_BRISK_MAX_INI_ENTRIES : (long)E_BRISK_MAX_INI_BYTES) + (int8_t)data[2];
    std::string rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    size_t split = rest.find('\x02');
    std::string head = split == std::string::npos ? std::string() : rest.substr(0, split);
    std::string pattern = split == std::string::npos ? rest : rest.substr(split + 1);
    auto copy = [&](long n) {
        std::string text;
        for (char c : pattern) {
            if (c == '@')
                text += std::to_string(n);
            else
                text += c;
        }
        return text;
    };
    // In entries, the head and one copy are counted as the library counts
    // them, and copies are added while the count stays within the aim.
    long headCount = 0, perCopy = 0;
    if (entries) {
        headCount =
            BriskCountIniEntries(WriteFile(path, reinterpret_cast<const uint8_t*>(head.data()), head.size()).c_str());
        std::string one = copy(0);
        perCopy =
            BriskCountIniEntries(WriteFile(path, reinterpret_cast<const uint8_t*>(one.data()), one.size()).c_str());
    }
    const size_t kMaxBytes = 2 * E_BRISK_MAX_INI_BYTES;
    std::string file = head;
    for (long n = 0; !pattern.empty() && file.size() < kMaxBytes; ++n) {
        if (entries && perCopy > 0 && headCount + (n + 1) * perCopy > aim) break;
        std::string next = copy(n);
        if (!entries && (long)(file.size() + next.size()) > aim) {
            if ((long)file.size() < aim) file += next.substr(0, (size_t)(aim - (long)file.size()));
            break;
        }
        file += next;
    }
    if (file.size() > kMaxBytes) file.resize(kMaxBytes);
    return WriteFile(path, reinterpret_cast<const uint8_t*>(file.data()), file.size());
}

std::string ReadFile(const std::string& fullPath)
{
    std::string content;
    FILE* file = fopen(fullPath.c_str(), "rb");
    if (file == NULL) return content;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
    fclose(file);
    return content;
}

}   // namespace fuzz
