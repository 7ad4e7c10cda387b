#include "TestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <utility>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "HostSupport.h"
#include "PngWrite.h"
#include "SimTv.h"

namespace testsupport {

const _Rect kVolumePanel(100, 500, 600, 100);
const _Rect kVolumeTrack(160, 540, 220, 20);
const _Rect kMutePanel(200, 500, 300, 100);
const _Rect kWaitPanel(300, 450, 400, 100);
const U32 kVolumeColour = 0xFF2040A0, kMuteColour = 0xFFA02020, kBarColour = 0xFF20C020, kWaitColour = 0xFFE0C000;
const _Rect kRomPage(40, 40, 560, 400);
const _Rect kFactoryCard(700, 40, 400, 80);
const _Rect kDirectSourceCard(700, 160, 400, 100);
const _Rect kSubBoardPage(700, 300, 400, 300);
const _Rect kBannerPanel(100, 600, 800, 80);
const _Rect kBannerIcon(120, 620, 32, 32);
const _Rect kNumberPanel(1000, 40, 200, 80);
const U32 kBannerColour = 0xFF203050, kNumberColour = 0xFF305020;
const U32 kAntennaColour = 0xFF00C0C0, kTvTypeColour = 0xFFC000C0, kVideoColour = 0xFFC0C000,
          kComponentColour = 0xFF8080FF, kHdmiColour = 0xFFFF8000, kPcColour = 0xFF00FF80;
const U32 kRomBlackColour = 0xFF101010, kRomBlueColour = 0xFF1030A0, kPlainColour = 0xFF808080,
          kWhiteColour = 0xFFFFFFFF;
const _Rect kPinPanel(300, 100, 400, 200);
const _Rect kPinErrorPanel(300, 320, 400, 60);
const _Rect kPinBoxes[4] = { _Rect(320, 200, 60, 60), _Rect(400, 200, 60, 60), _Rect(480, 200, 60, 60),
                             _Rect(560, 200, 60, 60) };
const U32 kPinPanelColour = 0xFF303848, kPinErrorColour = 0xFFC03030, kBoxNormalColour = 0xFF202020,
          kBoxFocusColour = 0xFF2080E0;
const _Rect kIconPanel(900, 40, 200, 100);
const _Rect kIconSpot(960, 60, 80, 60);
const U32 kIconPanelColour = 0xFF283040;
const _Rect kSwitchPanel(80, 480, 340, 230);
const _Rect kSwitchBar(90, 557, 320, 46);
const _Rect kSwitchIcons[3] = { _Rect(100, 560, 40, 40), _Rect(100, 610, 40, 40), _Rect(100, 660, 40, 40) };
const _Rect kSwitchLabels[3] = { _Rect(160, 588, 200, 4), _Rect(160, 638, 200, 4), _Rect(160, 688, 200, 4) };
const U32 kSwitchBg3Colour = 0xFFE0E4EC, kSwitchBg2Colour = 0xFFC8D0F0, kSwitchBarColour = 0xFF1C64B8;
const _Rect kMenuPanel(100, 60, 400, 600);
const U32 kMenuPanelColour = 0xFFD8DEE8, kMenuBarColour = 0xFF1C64B8, kMenuIconNormal = 0xFF606A80,
          kMenuIconFocused = 0xFFFFD040;

namespace {

IDirectFB* g_dfb = nullptr;
IDirectFBDisplayLayer* g_layer = nullptr;

void InitDfb()
{
    if (g_dfb != nullptr) return;
    static char arg0[] = "briskui-test";
    static char arg1[] = "--dfb:system=dummy,no-vt,quiet,mode=1280x720";
    char* args[] = { arg0, arg1, nullptr };
    int argc = 2;
    char** argv = args;
    ASSERT_EQ(DirectFBInit(&argc, &argv), DFB_OK);
    ASSERT_EQ(DirectFBCreate(&g_dfb), DFB_OK);
    ASSERT_EQ(g_dfb->GetDisplayLayer(g_dfb, DLID_PRIMARY, &g_layer), DFB_OK);
    g_layer->SetCooperativeLevel(g_layer, DLSCL_ADMINISTRATIVE);
}

void NoSleep(U32) {}

std::string Rect(const _Rect& r)
{
    std::ostringstream s;
    s << "u32Left = " << r.left << "\nu32Top = " << r.top << "\nu32Width = " << r.width << "\nu32Height = " << r.height
      << "\n";
    return s.str();
}

std::string Image(const std::string& name, const _Rect& r, const std::string& file, int visible = 1)
{
    return "[" + name + "]\nu8Type = 1\nbVisible = " + std::to_string(visible) + "\n" + Rect(r) +
           "pImagePath = /test/images/" + file + "\n\n";
}

std::string Text(const std::string& name, const _Rect& r, const std::string& text, int visible = 1)
{
    return "[" + name + "]\nu8Type = 2\nbVisible = " + std::to_string(visible) + "\n" + Rect(r) +
           "u8FontSize = 20\nu32FontColor = 0xFFFFFFFF\npFontPath = /config/briskui/fonts/DejaVuSans.ttf\npText = " +
           text + "\n\n";
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

const char* const kIconItems[] = { "vga",   "atv",   "cvbs",  "svideo", "ypbpr", "scart",
                                   "hdmi1", "hdmi2", "hdmi3", "hdmi4",  "dtv" };

}   // namespace

U32 InputIconColour(const std::string& item)
{
    for (size_t i = 0; i < sizeof(kIconItems) / sizeof(kIconItems[0]); ++i)
        if (item == kIconItems[i]) return 0xFF000000u | (U32)(0x10 + 0x14 * i) << 16 | 0x8000u | (U32)(0xF0 - 0x12 * i);
    return 0;
}

std::string InputIconLayout(bool withDtv)
{
    std::string layout = Image("bg_image", kIconPanel, "icon/panel.png");
    for (const char* item : kIconItems)
        if (withDtv || std::string(item) != "dtv")
            layout += Image(item, kIconSpot, std::string("icon/") + item + ".png");
    return layout + "[setting]\nu16TimeOut = 3000\nu16StateMask = 0xFFFF\n";
}

U32 SwitchIconColour(int row, bool focused)
{
    static const U32 colours[3][2] = { { 0xFF404080, 0xFF80C0FF },
                                       { 0xFF408040, 0xFF80FF80 },
                                       { 0xFF804040, 0xFFFF8080 } };
    return row >= 0 && row < 3 ? colours[row][focused ? 1 : 0] : 0;
}

namespace {

const char* const kSwitchIconArt[3] = { "ant", "sat", "atv" };

// The ATV/DTV switch menu's art and layout (see kSwitchPanel).
void WriteSwitchMenuLayout(const TempRoot& root)
{
    std::string images = root.Path() + "/test/images/switch/";
    root.Write("/test/images/switch/.keep", "");
    WriteSolidPng(images + "bg_3.png", 8, 8, kSwitchBg3Colour);
    WriteSolidPng(images + "bg_2.png", 8, 8, kSwitchBg2Colour);
    WriteSolidPng(images + "bar.png", 4, 4, kSwitchBarColour);
    std::string layout = Image("bg_image", kSwitchPanel, "switch/bg_3.png") +
                         Text("title_text", _Rect(100, 510, 300, 4), "Reception") +
                         Image("focus_bar", kSwitchBar, "switch/bar.png");
    for (int i = 0; i < 3; ++i) {
        std::string art = std::string("switch/") + kSwitchIconArt[i];
        WriteSolidPng(root.Path() + "/test/images/" + art + "_n.png", 4, 4, SwitchIconColour(i, false));
        WriteSolidPng(root.Path() + "/test/images/" + art + "_f.png", 4, 4, SwitchIconColour(i, true));
        std::string n = std::to_string(i + 1);
        layout += Image("icon" + n, kSwitchIcons[i], art + "_n.png") + Text("dtv_text" + n, kSwitchLabels[i], "-");
    }
    root.Write("/config/briskui/layout/EN/BriskUIAtvDtvSwitchMenuLayout.ini",
               layout + "[setting]\nu16TimeOut = 6000\nu16StateMask = 0\n");
}

}   // namespace

_Rect MenuIconRect(int entry) { return _Rect(120, 80 + 70 * entry, 40, 40); }

std::string InputMenuLayout(bool labels)
{
    static const char* const kLabels[] = { "TV", "Video 1", "Video 2", "HDMI 1", "HDMI 2", "HDMI 3", "HDMI 4", "PC" };
    std::string layout = Image("bg_image", kMenuPanel, "menu/panel.png") +
                         Image("focus_bar", _Rect(110, 70, 380, kMenuBarHeight), "menu/bar.png");
    for (int i = 0; i < 8; ++i) {
        std::string n = std::to_string(i + 1);
        layout += Image("icon" + n, MenuIconRect(i), "menu/in_n.png");
        std::string text = Text("text" + n, _Rect(180, MenuIconRect(i).top + 28, 200, 4), kLabels[i]);
        if (labels) layout += text.replace(text.find("0xFFFFFFFF"), 10, "0xFF4B557C");
    }
    return layout + "[setting]\nu16TimeOut = 3000\nu16StateMask = 0\n";
}

std::string LayoutImage(const std::string& name, const _Rect& r, const std::string& file, int visible)
{
    return Image(name, r, file, visible);
}

std::string LayoutText(const std::string& name, const _Rect& r, const std::string& text, int visible)
{
    return Text(name, r, text, visible);
}

IDirectFB* Dfb()
{
    InitDfb();
    return g_dfb;
}

IDirectFBDisplayLayer* Layer()
{
    InitDfb();
    return g_layer;
}

IDirectFBSurface* NewSurface(int width, int height)
{
    DFBSurfaceDescription desc;
    memset(&desc, 0, sizeof(desc));
    desc.flags = (DFBSurfaceDescriptionFlags)(DSDESC_WIDTH | DSDESC_HEIGHT | DSDESC_PIXELFORMAT);
    desc.width = width;
    desc.height = height;
    desc.pixelformat = DSPF_ARGB;
    IDirectFBSurface* surface = nullptr;
    EXPECT_EQ(Dfb()->CreateSurface(Dfb(), &desc, &surface), DFB_OK);
    surface->Clear(surface, 0, 0, 0, 0);
    surface->SetDrawingFlags(surface, DSDRAW_BLEND);
    surface->SetSrcBlendFunction(surface, DSBF_SRCALPHA);
    surface->SetDstBlendFunction(surface, DSBF_INVSRCALPHA);
    surface->SetBlittingFlags(surface, DSBLIT_BLEND_ALPHACHANNEL);
    return surface;
}

U32 Pixel(IDirectFBSurface* surface, int x, int y)
{
    void* data = nullptr;
    int pitch = 0;
    if (surface->Lock(surface, DSLF_READ, &data, &pitch) != DFB_OK) return 0xDEADBEEF;
    U32 value = ((const U32*)((const char*)data + (size_t)y * pitch))[x];
    surface->Unlock(surface);
    return value;
}

int OpaqueCount(IDirectFBSurface* surface, const _Rect& rect)
{
    void* data = nullptr;
    int pitch = 0;
    if (surface->Lock(surface, DSLF_READ, &data, &pitch) != DFB_OK) return -1;
    int count = 0;
    for (int y = rect.top; y < rect.top + rect.height; ++y) {
        const U32* row = (const U32*)((const char*)data + (size_t)y * pitch);
        for (int x = rect.left; x < rect.left + rect.width; ++x)
            if ((row[x] >> 24) != 0) ++count;
    }
    surface->Unlock(surface);
    return count;
}

void Fill(IDirectFBSurface* surface, U32 argb)
{
    surface->SetClip(surface, nullptr);
    surface->Clear(surface, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
}

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += (char)std::stoi(hex.substr(i, 2), nullptr, 16);
    return bytes;
}

std::string RedJpeg()
{
    static const char* const kHex =
        "ffd8ffe000104a46494600010100000100010000ffdb0043000302020302020303030304030304050805050404050a070706080c"
        "0a0c0c0b0a0b0b0d0e12100d0e110e0b0b1016101113141515150c0f171816141812141514ffdb00430103040405040509050509"
        "140d0b0d141414141414141414141414141414141414141414141414141414141414141414141414141414141414141414141414"
        "1414ffc00011080002000203011100021101031101ffc40014000100000000000000000000000000000008ffc400141001000000"
        "00000000000000000000000000ffc4001501010100000000000000000000000000000709ffc40014110100000000000000000000"
        "000000000000ffda000c03010002110311003f003a03154dffd9";
    return FromHex(kHex);
}

void WriteSolidPng(const std::string& path, int width, int height, U32 argb)
{
    std::vector<uint32_t> pixels((size_t)width * height, argb);
    std::string error;
    ASSERT_TRUE(briskui_sim::WriteArgbPng(path, pixels.data(), width, height, width * 4, &error)) << error;
}

#ifdef BRISKUI_TEST_EMULATOR
const char* const kEmulator = BRISKUI_TEST_EMULATOR;
#else
const char* const kEmulator = "";
#endif

std::string ProgramCommand(const std::string& program)
{
    return UnderEmulator() ? std::string(kEmulator) + " " + program : program;
}

bool UnderEmulator() { return kEmulator[0] != '\0'; }

void UseThreadsafeDeathTests()
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (!UnderEmulator()) return;
    // The emulator's words (blank-separated) before the program's own.
    std::vector<std::string> argv;
    std::istringstream words(kEmulator);
    for (std::string word; words >> word;) argv.push_back(word);
    for (const std::string& arg : ::testing::internal::GetArgvs()) argv.push_back(arg);
    ::testing::internal::SetInjectableArgvs(argv);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

CommandRun RunCommand(const std::string& command)
{
    CommandRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.output.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string CaptureStdout(const std::function<void()>& body)
{
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    body();
    fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

Fifo::Fifo(const std::string& path) : path_(path)
{
    EXPECT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
    helper_ = std::thread([this] {
        for (int waited = 0; waited < 2000 && !stop_; waited += 5) usleep(5000);
        // Succeeds only when a reader has the FIFO open (or is opening it).
        for (; !stop_; usleep(5000)) {
            int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) continue;
            blocked_ = true;
            close(fd);
        }
    });
}

Fifo::~Fifo()
{
    stop_ = true;
    helper_.join();
}

TempRoot::TempRoot()
{
    char templ[] = "/tmp/briskui-test-XXXXXX";
    char* dir = mkdtemp(templ);
    if (dir == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
        return;
    }
    path_ = dir;
    std::string sample = BRISKUI_SAMPLE_ROOT;
    mkdir((path_ + "/config").c_str(), 0755);
    mkdir((path_ + "/config/briskui").c_str(), 0755);
    EXPECT_EQ(symlink((sample + "/config/briskui/images").c_str(), (path_ + "/config/briskui/images").c_str()), 0);
    EXPECT_EQ(symlink((sample + "/config/briskui/fonts").c_str(), (path_ + "/config/briskui/fonts").c_str()), 0);
    setenv("BRISKUI_ROOT", path_.c_str(), 1);
}

TempRoot::~TempRoot()
{
    Remove();
    unsetenv("BRISKUI_ROOT");
}

void TempRoot::Remove()
{
    if (!path_.empty()) nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    path_.clear();
}

void TempRoot::Write(const std::string& rel, const std::string& content) const
{
    std::string full = path_ + rel;
    for (size_t slash = full.find('/', path_.size() + 1); slash != std::string::npos; slash = full.find('/', slash + 1))
        mkdir(full.substr(0, slash).c_str(), 0755);
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out << content;
    ASSERT_TRUE(out.good()) << full;
}

std::string TempRoot::Read(const std::string& rel) const { return ReadFile(path_ + rel); }

bool TempRoot::Exists(const std::string& rel) const
{
    struct stat st;
    return stat((path_ + rel).c_str(), &st) == 0;
}

std::vector<std::string> TempRoot::List(const std::string& relDir) const
{
    std::vector<std::string> names;
    DIR* dir = opendir((path_ + relDir).c_str());
    if (dir == nullptr) return names;
    while (struct dirent* e = readdir(dir))
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    closedir(dir);
    return names;
}

void ManagerTest::SetUp()
{
    sim::Reset();
    sim::SetHostDirectFB(Dfb(), Layer());
    BriskSetSleepHook(&NoSleep);
    // Time-outs fall due when the test advances the clock, never because
    // the machine was slow.
    BriskSetVirtualClock(0);
    BriskUiManager::bFirstInitialization = 0;
    BriskUiManager::bActivateKeyHandler = 1;
    BriskUiManager::TotalTicksInSeconds = 0;
    speech_.Install();
    root_.Write("/Customer/briskui/layout/BriskUISetting.ini",
                "[BriskUISetting]\nbActivateBriskUI = TRUE\nbFirstInitialization = FALSE\nu8ColorFormat = 2\n");
    // Start-up stops without a banner layout: every test has one.
    for (const char* region : { "NA", "EU" }) {
        WriteLayout(std::string("BriskUIChannelChangeLayout_") + region + ".ini", BannerLayout());
        WriteLayout(std::string("BriskUIChannelNumberLayout_") + region + ".ini", NumberLayout());
    }
}

std::string ManagerTest::BannerLayout(const std::string& settings)
{
    return Image("bg_image", kBannerPanel, "banner.png") + Image("input_icon", kBannerIcon, "b_ant.png") +
           Text("input_name", _Rect(160, 650, 100, 4), "Input") + Text("channel_number", _Rect(300, 650, 100, 4), "0") +
           Text("channel_name", _Rect(400, 650, 400, 4), "Name") +
           "[setting]\nu16TimeOut = 3000\nbanner_Video = /test/images/b_video.png\n"
           "banner_Spectrel = /test/images/b_comp.png\nbanner_HDMI = /test/images/b_hdmi.png\n"
           "banner_PC = /test/images/b_pc.png\ntitle_antena = /test/images/b_ant.png\n"
           "type_TV = /test/images/b_tv.png\ninpt_cstmlabels = /test/images/b_video.png\n" +
           settings;
}

std::string ManagerTest::NumberLayout(const std::string& settings)
{
    return Image("bg_image", kNumberPanel, "number.png") + Text("channel_number", _Rect(1030, 100, 160, 4), "-") +
           "[setting]\nu16TimeOut = 3000\n" + settings;
}

void ManagerTest::TearDown()
{
    StopManager();
    speech_.Uninstall();
    BriskSetSleepHook(nullptr);
    BriskSetRealClock();
    sim::StopEventThread();
}

void ManagerTest::WriteLayout(const std::string& file, const std::string& content)
{
    root_.Write("/config/briskui/layout/EN/" + file, content);
}

void ManagerTest::WriteStandardLayouts()
{
    std::string images = root_.Path() + "/test/images/";
    root_.Write("/test/images/.keep", "");
    WriteSolidPng(images + "vol.png", 8, 8, kVolumeColour);
    WriteSolidPng(images + "mute.png", 8, 8, kMuteColour);
    WriteSolidPng(images + "bar.png", 4, 4, kBarColour);
    WriteSolidPng(images + "track.png", 4, 4, 0xFF404040);
    WriteSolidPng(images + "icon.png", 4, 4, 0xFFFFFFFF);
    WriteSolidPng(images + "wait.png", 8, 8, kWaitColour);
    WriteSolidPng(images + "na.png", 8, 8, 0xFF8020A0);
    WriteSolidPng(images + "banner.png", 8, 8, kBannerColour);
    WriteSolidPng(images + "number.png", 8, 8, kNumberColour);
    const std::pair<const char*, U32> icons[] = { { "b_ant.png", kAntennaColour }, { "b_tv.png", kTvTypeColour },
                                                  { "b_video.png", kVideoColour }, { "b_comp.png", kComponentColour },
                                                  { "b_hdmi.png", kHdmiColour },   { "b_pc.png", kPcColour } };
    for (const auto& icon : icons) WriteSolidPng(images + icon.first, 4, 4, icon.second);

    std::string volume =
        Image("bg_image_volume", kVolumePanel, "vol.png") + Image("bg_image_mute", kMutePanel, "mute.png", 0) +
        Image("volume_icon", _Rect(110, 520, 40, 40), "icon.png") +
        Image("half_mute_icon", _Rect(210, 520, 40, 40), "icon.png", 0) +
        Image("mute_icon", _Rect(210, 520, 40, 40), "icon.png", 0) + Image("volume_bg", kVolumeTrack, "track.png") +
        Image("volume_bar_left", _Rect(160, 540, 10, 20), "bar.png") +
        Image("volume_bar_center", _Rect(170, 540, 200, 20), "bar.png") +
        Image("volume_bar_right", _Rect(370, 540, 10, 20), "bar.png") +
        Text("volume_text", _Rect(160, 530, 200, 4), "Volume") + Text("mute_text", _Rect(260, 570, 200, 4), "Mute", 0) +
        Text("volume_number", _Rect(400, 570, 80, 4), "0") +
        "[setting]\nu16TimeOut = 3000\nu16StateMask = 0\nu16MaxVolume = 100\n";
    WriteLayout("BriskUIVolumeLayout_NA.ini", volume);
    WriteLayout("BriskUIVolumeLayout_EU.ini", volume);
    std::string wait = Image("bg_image", kWaitPanel, "wait.png") +
                       Text("text", _Rect(320, 480, 300, 4), "Please wait") +
                       Text("text_pincode", _Rect(320, 480, 300, 4), "Locked", 0) +
                       Text("text_pincode1", _Rect(320, 510, 300, 4), "Enter PIN", 0) +
                       "[setting]\nu16TimeOut = 3000\nu16StateMask = 0xFFFF\n";
    WriteLayout("BriskUIWaitMessageLayout_NA.ini", wait);
    WriteLayout("BriskUIWaitMessageLayout_EU.ini", wait);
    WriteLayout("BriskUINotAvailableMessageLayout.ini",
                Image("bg_image", _Rect(900, 100, 200, 80), "na.png") + "[setting]\nu16TimeOut = 2000\n");
    WriteLayout("BriskUIInitializationLayout.ini", Image("bg_image_volume", _Rect(340, 300, 600, 120), "vol.png") +
                                                       Image("volume_bg", _Rect(400, 350, 320, 20), "track.png") +
                                                       Image("volume_bar_left", _Rect(400, 350, 10, 20), "bar.png") +
                                                       Image("volume_bar_center", _Rect(410, 350, 300, 20), "bar.png") +
                                                       Image("volume_bar_right", _Rect(710, 350, 10, 20), "bar.png") +
                                                       Text("volume_text", _Rect(400, 330, 300, 4), "Setting up") +
                                                       Text("wait_text_line1", _Rect(400, 330, 300, 4), "Starting") +
                                                       Text("wait_text_line2", _Rect(400, 400, 300, 4), "Please wait") +
                                                       Text("volume_number", _Rect(760, 370, 100, 4), "0%"));

    root_.Write("/test/images/rom/.keep", "");
    root_.Write("/test/images/src/.keep", "");
    WriteSolidPng(images + "rom/black.png", 8, 8, kRomBlackColour);
    WriteSolidPng(images + "rom/blue1.png", 8, 8, kRomBlueColour);
    WriteSolidPng(images + "src/plain.png", 8, 8, kPlainColour);
    WriteSolidPng(images + "src/white.PNG", 8, 8, kWhiteColour);
    std::string rom = Image("bg_image", kRomPage, "rom/black.png");
    int baseline = 80;
    for (const char* item :
         { "tv_model_value", "a/d_adjust_pal_value", "a/d_adjust_ntsc_value", "a/d_adjust_cvbs_value", "edid_vga_value",
           "widevine_value", "wp_value", "sw_version_value", "mstar_version_value" }) {
        rom += Text(item, _Rect(60, baseline, 300, 4), "--");
        baseline += 40;
    }
    WriteLayout("BriskUIFactoryRomLayout.ini", rom);
    WriteLayout("BriskUIFactoryArcLayout.ini",
                Image("bg_image", kFactoryCard, "na.png") + "[setting]\nu16TimeOut = 5000\n");
    WriteLayout("BriskUIFactoryBalanceLayout.ini", Image("bg_image", kFactoryCard, "na.png") +
                                                       Text("text", _Rect(720, 90, 300, 4), "Adjustment") +
                                                       "[setting]\nu16TimeOut = 5000\n");
    WriteLayout("BriskUIFactoryDirectlyInputSourceChangedLayout.ini",
                Image("bg_image", kDirectSourceCard, "src/plain.png") +
                    Text("inputsource_value", _Rect(720, 220, 300, 4), "--"));
    WriteLayout("BriskUIFactoryOrvexCheckLayout.ini",
                Image("bg_image", kSubBoardPage, "na.png") + Text("orvex_value", _Rect(720, 340, 300, 4), "--") +
                    Text("orvex_memory_test_value", _Rect(720, 380, 300, 4), "--") + "[setting]\nu16TimeOut = 3000\n");

    root_.Write("/test/images/pin/.keep", "");
    root_.Write("/test/images/icon/.keep", "");
    const std::pair<const char*, U32> pinArt[] = { { "panel", kPinPanelColour },
                                                   { "error", kPinErrorColour },
                                                   { "box_nomal", kBoxNormalColour },
                                                   { "box_focus", kBoxFocusColour } };
    for (const auto& art : pinArt) WriteSolidPng(images + "pin/" + art.first + ".png", 8, 8, art.second);
    std::string pin = Image("pincode_bg_image", kPinPanel, "pin/panel.png");
    int line = 120;
    for (const char* prompt : { "channel_pin_message1", "channel_pin_message2", "parental_pin_message1",
                                "parental_pin_message2", "parental_pin_message3" })
        pin += Text(prompt, _Rect(320, line += 12, 300, 4), prompt, 0);
    for (int i = 0; i < 4; ++i) {
        std::string box = "password" + std::to_string(i + 1);
        pin += Image(box, kPinBoxes[i], "pin/box_nomal.png") +
               Text(box + "_message", _Rect(kPinBoxes[i].left + 25, kPinBoxes[i].top + 40, 10, 4), "*", 0);
    }
    WriteLayout("BriskUIPinCodeLayout.ini", pin + Image("errormessage_bg_image", kPinErrorPanel, "pin/error.png", 0) +
                                                Text("error_message", _Rect(320, 360, 300, 4), "Wrong PIN", 0));
    WriteSolidPng(images + "icon/panel.png", 8, 8, kIconPanelColour);
    for (const char* item : kIconItems) WriteSolidPng(images + "icon/" + item + ".png", 4, 4, InputIconColour(item));
    WriteLayout("BriskUIInputSourceIconLayout.ini", InputIconLayout(true));
    WriteSwitchMenuLayout(root_);

    root_.Write("/test/images/menu/.keep", "");
    const std::pair<const char*, U32> menuArt[] = { { "panel", kMenuPanelColour },
                                                    { "bar", kMenuBarColour },
                                                    { "in_n", kMenuIconNormal },
                                                    { "in_f", kMenuIconFocused } };
    for (const auto& art : menuArt) WriteSolidPng(images + "menu/" + art.first + ".png", 8, 8, art.second);
    WriteLayout("BriskUIInputSourceMenuLayout_NA.ini", InputMenuLayout(true));
    WriteLayout("BriskUIInputSourceMenuLayout_EU.ini", InputMenuLayout(true));
}

BriskUiManager* ManagerTest::StartManager(const StartOptions& options)
{
    sim::SetTvosIrGrant(options.keysToLibrary);
    manager_ = BriskUiManager::GetInstance();
    if (options.loadSettings) manager_->LoadCommonSetting();
    manager_->SetCountry(options.country);
    manager_->Start();
    inputThread_ = MSystem::GetInstance()->IsTvosIr() != 0;
    return manager_;
}

void ManagerTest::StopManager()
{
    if (manager_ == nullptr) return;
    if (inputThread_) {
        // A test may start and stop the library more than once: wait for
        // this stop's own report, not for one an earlier stop recorded.
        const std::string finalised = "SetBriskUIStatus(1)";
        auto reports = [&] {
            std::vector<std::string> calls = sim::Calls();
            return std::count(calls.begin(), calls.end(), finalised);
        };
        const auto before = reports();
        sim::SetTvosIr(false);
        bool stopped = false;
        for (int i = 0; i < 10000 && !(stopped = reports() > before); ++i) usleep(1000);
        EXPECT_TRUE(stopped) << "the library did not finalise itself";
        // The detached input thread still logs its last lines.
        usleep(20000);
    } else {
        BriskTimerManager::GetInstance()->Finalize();
        manager_->Finalize();
    }
    manager_ = nullptr;
    inputThread_ = false;
}

void OsdTest::SetUp()
{
    ManagerTest::SetUp();
    WriteStandardLayouts();
}

void OsdTest::Start(int country)
{
    StartOptions options;
    options.country = country;
    StartManager(options);
    surface_ = manager_->GetSurface();
}

void ManagerTest::Key(U32 symbol)
{
    briskui_sim::PostKey(manager_, symbol);
    ASSERT_TRUE(manager_->WaitIdle(briskui_sim::kStuckMs));
}

void ManagerTest::Advance(U64 ms)
{
    briskui_sim::Settle settled = briskui_sim::AdvanceClockAndSettle(manager_, ms);
    ASSERT_EQ(settled, briskui_sim::Settle::Done) << briskui_sim::SettleReason(settled);
}

// ---- RecordingHost ----------------------------------------------------------

void RecordingHost::ShowOsd(U32 status, U32 mask, BOOL wide)
{
    std::lock_guard<std::mutex> lock(mu_);
    status_ = (status_ & ((wide ? mask : (mask & 0xFFFF)) | 1)) | status;
}

void RecordingHost::HideOsd(U32 status)
{
    std::lock_guard<std::mutex> lock(mu_);
    status_ &= ~status;
}

void RecordingHost::PostTimerExpiry(EventHandler* handler, U32 timerId)
{
    std::lock_guard<std::mutex> lock(mu_);
    expiries_.push_back(Expiry{ handler, timerId });
}

void RecordingHost::Speak(EventHandler* handler, const std::string& text, U8 flags)
{
    std::lock_guard<std::mutex> lock(mu_);
    utterances_.push_back(Utterance{ handler != nullptr ? handler->GetOsdStatus() : 0, text, flags });
}

std::vector<RecordingHost::Utterance> RecordingHost::TakeUtterances()
{
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<Utterance> taken;
    taken.swap(utterances_);
    return taken;
}

std::vector<RecordingHost::Expiry> RecordingHost::TakeExpiries()
{
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<Expiry> taken;
    taken.swap(expiries_);
    return taken;
}

U32 RecordingHost::Status()
{
    std::lock_guard<std::mutex> lock(mu_);
    return status_;
}

}   // namespace testsupport
