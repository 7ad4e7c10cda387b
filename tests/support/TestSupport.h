// Shared test fixtures: a headless DirectFB per test process, a temporary
// file-system root per test, and a started manager on the simulated TV.
#ifndef BRISKUI_TESTS_SUPPORT_H
#define BRISKUI_TESTS_SUPPORT_H

#include <directfb.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <mutex>

#include "BriskTypes.h"
#include "EventHandler.h"
#include "HostSupport.h"
#include "OsdHost.h"
#include "Rect.h"

class BriskUiManager;

namespace testsupport {

// The process's DirectFB (dummy system, 1280x720) and its primary layer,
// created on first use and kept for the process's life.
IDirectFB* Dfb();
IDirectFBDisplayLayer* Layer();

// An ARGB surface of its own, cleared to transparent, with the blending
// set-up of the OSD window.
IDirectFBSurface* NewSurface(int width = 1280, int height = 720);
// 0xAARRGGBB of one pixel.
U32 Pixel(IDirectFBSurface* surface, int x, int y);
// Number of pixels of `rect` whose alpha is not 0.
int OpaqueCount(IDirectFBSurface* surface, const _Rect& rect);
// Fills the whole surface with `argb`, ignoring blending.
void Fill(IDirectFBSurface* surface, U32 argb);

// The bytes written as `hex`, two digits a byte.
std::string FromHex(const std::string& hex);
// The bytes of a 2x2 opaque red JPEG.
std::string RedJpeg();

// Writes a solid-colour PNG.
void WriteSolidPng(const std::string& path, int width, int height, U32 argb);

// Layout sections: an image item showing /test/images/<file> (under the
// test root), and a text item in DejaVu Sans 20 px, opaque white.
std::string LayoutImage(const std::string& name, const _Rect& r, const std::string& file, int visible = 1);
std::string LayoutText(const std::string& name, const _Rect& r, const std::string& text, int visible = 1);

// The shell command that runs `program`, one of the build's programs: the
// program itself, or in a cross build the emulator in front of it, since the
// build machine runs the target's programs only through the emulator.
std::string ProgramCommand(const std::string& program);

// Whether the tests run under the emulator of a cross build, where every
// step costs tens of times more: a long loop may run fewer rounds there.
bool UnderEmulator();

// Makes this process's death tests "threadsafe": the child runs the program
// again up to the statement instead of inheriting a copy of the library's
// threads and locks. In a cross build the child starts through the emulator.
void UseThreadsafeDeathTests();

// Runs `body` with stdout captured and returns what it printed (also what
// other threads printed meanwhile).
std::string CaptureStdout(const std::function<void()>& body);

// The whole content of the file at `path`; empty if it cannot be read.
std::string ReadFile(const std::string& path);

// Runs `command` through the shell and returns its exit status (-1 if it
// did not exit) and what it printed on standard output.
struct CommandRun {
    int status = -1;
    std::string output;
};
CommandRun RunCommand(const std::string& command);

// A FIFO that nothing writes to, at `path`: a reader that opens it blocks.
// So that such a reader fails the test instead of hanging it, a helper
// thread opens the FIFO for writing once after two seconds, which hands
// the reader an empty file, and notes that it had to.
class Fifo {
public:
    explicit Fifo(const std::string& path);
    ~Fifo();
    // Whether a reader was found blocked on the FIFO so far.
    bool ReaderBlocked() const { return blocked_; }

private:
    std::string path_;
    std::atomic<bool> stop_{ false };
    std::atomic<bool> blocked_{ false };
    std::thread helper_;
};

// A handler of no OSD of its own that takes every key: for tests of what
// the handler base does (layouts, drawing, timers).
class BareHandler : public EventHandler {
public:
    BOOL KeyHandler(U32) override { return TRUE; }
};

// A host for handlers and the timer service without a manager: it records
// what they ask of it. Shows and hides change a status set of its own (a
// 16-bit mask keeps no bit above 0xFFFF); GetDirectFB gives `dfb` (null
// by default, so that display-free tests stay so); the input thread counts
// as running while `inputRunning` is set; utterances are wanted while
// `speech` is set, and recorded. Thread-safe.
class RecordingHost : public BriskOsdHost {
public:
    struct Expiry {
        EventHandler* handler;
        U32 id;
    };
    struct Utterance {
        U32 status;
        std::string text;
        U8 flags;
    };
    explicit RecordingHost(IDirectFB* dfb = nullptr) : dfb_(dfb) {}
    void ShowOsd(U32 status, U32 mask, BOOL wide) override;
    void HideOsd(U32 status) override;
    IDirectFB* GetDirectFB() override { return dfb_; }
    void PostTimerExpiry(EventHandler* handler, U32 timerId) override;
    void WakeInput() override { ++wakes_; }
    BOOL IsInputRunning() override { return inputRunning.load() ? TRUE : FALSE; }
    BOOL SpeechWanted() override { return speech.load() ? TRUE : FALSE; }
    void Speak(EventHandler* handler, const std::string& text, U8 flags) override;

    // The expiries posted so far, in order, taken out of the host.
    std::vector<Expiry> TakeExpiries();
    U32 Status();
    int Wakes() const { return wakes_.load(); }
    // The utterances so far, in order, taken out of the host.
    std::vector<Utterance> TakeUtterances();
    std::atomic<bool> inputRunning{ true };
    std::atomic<bool> speech{ false };

private:
    IDirectFB* dfb_;
    std::mutex mu_;
    std::vector<Expiry> expiries_;
    std::vector<Utterance> utterances_;
    U32 status_ = 1;
    std::atomic<int> wakes_{ 0 };
};

// A temporary root for BRISKUI_ROOT with the generated art and fonts of the
// sample root linked in at /config/briskui/images and /config/briskui/fonts.
class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    const std::string& Path() const { return path_; }
    // Removes the root now. A process that is going to abort (a death
    // test's child) calls it first, since no destructor runs after abort.
    void Remove();
    // Writes `content` at `rel` (an absolute path of the set) under the root.
    void Write(const std::string& rel, const std::string& content) const;
    std::string Read(const std::string& rel) const;
    bool Exists(const std::string& rel) const;
    std::vector<std::string> List(const std::string& relDir) const;

private:
    std::string path_;
};

struct StartOptions {
    int country = 2;             // set after LoadCommonSetting
    bool keysToLibrary = true;   // the host hands the IR keys over
    bool loadSettings = true;
};

// Test fixture: a temporary root with a settings file, the simulated TV
// reset, the library's sleeps made instant, its clock virtual (at 0 ms,
// moved by Advance only), the simulated set's speech engine installed
// (utterances are recorded as Speak(...) calls; audio guidance stays off
// unless a test turns it on), and helpers to start and stop the manager
// the way the host does.
class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a layout file into the EN/ folder.
    void WriteLayout(const std::string& file, const std::string& content);
    // The test layouts of the channel banner and the number entry, both
    // countries, with extra "setting" lines; SetUp writes them with none.
    static std::string BannerLayout(const std::string& settings = std::string());
    static std::string NumberLayout(const std::string& settings = std::string());
    // Writes the standard test layouts: volume (NA and EU), wait message,
    // not-available and initialisation panels, the five factory screens,
    // the PIN entry, the input icon and the ATV/DTV switch menu, each of
    // solid colours, and the art of the banner and the number entry.
    void WriteStandardLayouts();
    BriskUiManager* StartManager(const StartOptions& options = StartOptions());
    // Takes the keys back and waits until the library has finalised itself
    // (or finalises it directly when no input thread runs).
    void StopManager();
    // Posts a key and waits until it has been handled and composed.
    void Key(U32 symbol);
    // Lets `ms` pass on the clock: each timer falling due meanwhile fires at
    // its own expiry and is handled before the clock moves on.
    void Advance(U64 ms);

    TempRoot root_;
    BriskUiManager* manager_ = nullptr;
    bool inputThread_ = false;
    briskui_sim::SpeechRecorder speech_;
};

// A manager test on the standard layouts, started in one country group,
// with the window's surface at hand.
class OsdTest : public ManagerTest {
protected:
    void SetUp() override;
    // Starts the manager in country group `country` (1 NA, 2 EU).
    void Start(int country);

    IDirectFBSurface* surface_ = nullptr;
};

// Layout geometry of the standard test layouts.
extern const _Rect kVolumePanel;   // bg_image_volume
extern const _Rect kVolumeTrack;   // volume_bg, span 200 with 10-px caps
extern const _Rect kMutePanel;     // bg_image_mute
extern const _Rect kWaitPanel;     // wait message, overlapping the volume panel
extern const U32 kVolumeColour, kMuteColour, kBarColour, kWaitColour;
// Factory screens: the self-check page (background /test/images/rom/black.png,
// its blue1.png beside it; value texts at x 60 on baselines 80, 120, ...
// 400: TV model, PAL, NTSC, CVBS, VGA EDID, Widevine, write protect,
// software and MStar version), the ARC and balance card, the direct-source
// card (/test/images/src/plain.png, its white.PNG beside it) and the
// sub-board page (layout time-out 3000).
extern const _Rect kRomPage, kFactoryCard, kDirectSourceCard, kSubBoardPage;
// The channel banner (panel, icon at 32 x 32, texts on the baseline 650:
// input_name at 160, channel_number at 300, channel_name at 400; icon
// art in one colour each) and the number entry (text at 1030, 100).
extern const _Rect kBannerPanel, kBannerIcon, kNumberPanel;
extern const U32 kBannerColour, kNumberColour, kAntennaColour, kTvTypeColour, kVideoColour, kComponentColour,
    kHdmiColour, kPcColour;
extern const U32 kRomBlackColour, kRomBlueColour, kPlainColour, kWhiteColour;
// PIN entry: its panel, the four boxes (art /test/images/pin/box_nomal.png,
// its box_focus.png beside it), a white "*" mask centred in each, and the
// error panel below (layout time-out 3000).
extern const _Rect kPinPanel, kPinErrorPanel, kPinBoxes[4];
extern const U32 kPinPanelColour, kPinErrorColour, kBoxNormalColour, kBoxFocusColour;
// Input icon: its panel and the spot every icon is drawn on (layout
// time-out 3000, state mask 0xFFFF). Each icon item is a solid square of
// its own colour; InputIconLayout(false) leaves out the `dtv` item.
extern const _Rect kIconPanel, kIconSpot;
extern const U32 kIconPanelColour;
U32 InputIconColour(const std::string& item);
std::string InputIconLayout(bool withDtv);
// Input source menu (both countries): its panel, a focus bar
// kMenuBarHeight high, and eight entries of one icon pair
// (/test/images/menu/in_n.png and in_f.png) and a label each, slate
// 0xFF4B557C ("TV", "Video 1", ... "PC"; InputMenuLayout(false) leaves the
// labels out). Layout time-out 3000, state mask 0.
extern const _Rect kMenuPanel;
enum { kMenuBarHeight = 50 };
_Rect MenuIconRect(int entry);   // 40 x 40, 70 px apart
extern const U32 kMenuPanelColour, kMenuBarColour, kMenuIconNormal, kMenuIconFocused;
std::string InputMenuLayout(bool labels);

// ATV/DTV switch menu: its three-entry background (/test/images/switch/
// bg_3.png; bg_2.png beside it in another colour), the title, the focus bar
// and three rows of a 40 x 40 icon and a label, 50 px apart (layout
// time-out 6000, state mask 0). Each icon file is a solid square, a colour
// per row and state ("n.png" / "f.png"); row 3 shows the analogue art.
extern const _Rect kSwitchPanel, kSwitchBar, kSwitchIcons[3], kSwitchLabels[3];
extern const U32 kSwitchBg3Colour, kSwitchBg2Colour, kSwitchBarColour;
U32 SwitchIconColour(int row, bool focused);

}   // namespace testsupport

#endif   // BRISKUI_TESTS_SUPPORT_H
