// Audio guidance beyond what the speech-*.script scenarios check (what
// each OSD says, in English and German, NA and EU): the timing (a held key
// says its last value once the keys pause, on the library's clock; an OSD
// closed by EXIT or its time-out drops what waits); the initialisation's
// steps; nothing said, and nothing else changed, with guidance off; the
// settings key and the callback's life. No PIN digit is ever said:
// PinDigitTest types every PIN into the handler itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <sstream>

#include "BriskKeys.h"
#include "BriskPlatform.h"
#include "BriskSpeechQueue.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "ManagerLock.h"
#include "PinCodeHandler.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const int kNA = 1, kEU = 2;

// The library's clock in milliseconds.
long long ClockMs()
{
    struct timespec now;
    BriskClockNow(&now);
    return (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

std::string Said(const char* osd, const std::string& text, bool interrupt = true)
{
    return sim::SpeechCall(osd, interrupt, text);
}

class SpeechTest : public ManagerTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        namespace fs = std::filesystem;
        fs::copy(std::string(BRISKUI_SAMPLE_ROOT) + "/config/briskui/layout", root_.Path() + "/config/briskui/layout",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    // Starts the library in the test's country group with guidance `on`.
    void Start(bool on = true)
    {
        StartOptions options;
        options.country = GetParam();
        StartManager(options);
        manager_->SetAudioGuidance(on ? 1 : 0);
        sim::ClearCalls();
    }
    // What was said since the last look, in order (the Speak calls the
    // simulated set recorded); the other calls are forgotten too.
    std::vector<std::string> Utterances()
    {
        EXPECT_TRUE(manager_->WaitIdle(5000));
        std::vector<std::string> said;
        for (const std::string& call : sim::Calls())
            if (call.compare(0, 6, "Speak(") == 0) said.push_back(call);
        sim::ClearCalls();
        return said;
    }
    // A middleware event, delivered and composed.
    void Event(U32 id, U32 param, sim::Source source = sim::Source::Control)
    {
        sim::PostEvent(id, param, source);
        ASSERT_TRUE(sim::WaitEventsDelivered(5000));
        manager_->WakeUp();
        ASSERT_TRUE(manager_->WaitIdle(5000));
    }
    // Runs `step` and says whether less than `ms` of the library's clock
    // can have passed between `since` and its end: on a clock that also
    // runs in real time (the offset clock), a loaded machine may stall.
    bool Within(long long since, long long ms, const std::function<void()>& step)
    {
        step();
        return ClockMs() - since < ms;
    }
};

using Lines = std::vector<std::string>;

// VOL+ held down: twenty repeats 100 ms apart say the last value once, 300
// ms after the last repeat. On a clock that runs in real time a stall of
// the machine between two repeats is a pause of the keys: each pause that
// may have reached 300 ms allows one more utterance, of a value passed.
TEST_P(SpeechTest, HeldKeySaysItsLastValueOnce)
{
    Start();
    sim::SetVolume(20);
    int pauses = 0;
    long long last = 0;
    for (int i = 0; i < 20; ++i) {
        last = ClockMs();
        Key(BRISKKEY_VOLUME_UP);
        if (i < 19 && !Within(last, 300, [&] { Advance(100); })) ++pauses;
    }
    bool quiet = Within(last, 300, [&] { Advance(250); });
    Lines early = Utterances();
    Advance(50);
    Lines said = Utterances();
    said.insert(said.begin(), early.begin(), early.end());
    ASSERT_GE(said.size(), 1u);
    EXPECT_LE(said.size(), 1u + (size_t)pauses);
    EXPECT_EQ(said.back(), Said("VolumeHandler", "Volume 40"));
    if (pauses == 0 && quiet) {
        EXPECT_EQ(early, Lines{}) << "said before the keys paused for 300 ms";
    }
}

// EXIT closes the bar before its value settles, a time-out closes a bar of
// 200 ms before it: neither value is said.
TEST_P(SpeechTest, ClosingDropsWhatWaits)
{
    Start();
    long long before = ClockMs();
    Key(BRISKKEY_VOLUME_UP);
    bool quick = Within(before, 300, [&] { Key(BRISKKEY_EXIT); });
    Advance(300);
    if (quick) {
        EXPECT_EQ(Utterances(), Lines{});
    }
    StopManager();

    std::string layout = root_.Read("/config/briskui/layout/EN/BriskUIVolumeLayout_EU.ini");
    layout.replace(layout.find("u16TimeOut = 3000"), 17, "u16TimeOut = 200");
    WriteLayout("BriskUIVolumeLayout_NA.ini", layout);
    WriteLayout("BriskUIVolumeLayout_EU.ini", layout);
    Start();
    before = ClockMs();
    Key(BRISKKEY_VOLUME_UP);
    quick = Within(before, 300, [&] { Advance(200); });
    EXPECT_EQ(manager_->GetCurrentStatus(), 1u);   // the time-out closed it
    Advance(300);
    if (quick) {
        EXPECT_EQ(Utterances(), Lines{});
    }
}

TEST_P(SpeechTest, Initialisation)
{
    Start();
    BriskUiManager::TotalTicksInSeconds = 20;
    Key(BRISKKEY_MENU);
    EXPECT_EQ(Utterances(), Lines{ Said("InitializationHandler", "Starting up. Please wait. 50 percent") });
    BriskUiManager::TotalTicksInSeconds = 25;
    Key(BRISKKEY_MENU);   // 70 %: not yet 25 more
    EXPECT_EQ(Utterances(), Lines{});
    for (U8 percent : { 60, 70, 80 }) manager_->SetFirstInitializationProgress(percent);
    EXPECT_EQ(Utterances(), Lines{ Said("InitializationHandler", "80 percent") });
    for (U8 percent = 90; percent <= 100; percent += 10) {
        manager_->SetFirstInitializationProgress(percent);
        manager_->WaitIdle(5000);
    }
    EXPECT_EQ(Utterances(), Lines{});   // 100 is 20 after 80
}

// A first initialisation runs its progress at once (the test's sleeps take
// no time): what is said ends with the full bar, and every utterance is
// one of its quarters (a later one replaces one not yet said).
TEST_P(SpeechTest, FirstInitialisation)
{
    root_.Write("/Customer/briskui/layout/BriskUISetting.ini",
                "[BriskUISetting]\nbFirstInitialization = TRUE\nbAudioGuidance = TRUE\n");
    StartOptions options;
    options.country = GetParam();
    StartManager(options);
    for (int i = 0; i < 5000 && manager_->InputPassCount() == 0; ++i) usleep(1000);
    Lines said = Utterances();
    const Lines steps = { Said("InitializationHandler", "Setting up your TV, 10 percent"),
                          Said("InitializationHandler", "40 percent"), Said("InitializationHandler", "70 percent"),
                          Said("InitializationHandler", "100 percent") };
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back(), steps.back());
    auto step = steps.begin();
    for (const std::string& line : said) {
        step = std::find(step, steps.end(), line);
        EXPECT_NE(step, steps.end()) << line;
    }
}

// Every OSD once with guidance off: nothing said, and the calls and the
// log are those of the same run with guidance on, but for what was said
// and for the timer thread's own lines, which depend on when its list of
// timers (with guidance on, settle timers too) runs empty.
TEST_P(SpeechTest, OffSaysNothingAndChangesNothing)
{
    auto run = [&](bool on, std::vector<std::string>* calls) {
        sim::Reset();
        sim::SetHostDirectFB(Dfb(), Layer());
        Start(on);
        sim::SetVolume(20);
        sim::SetInputSource(MAPI_INPUT_SOURCE_DTV);
        std::string log = CaptureStdout([&] {
            for (U32 key : { (U32)BRISKKEY_VOLUME_UP, (U32)BRISKKEY_MUTE, (U32)BRISKKEY_CHANNEL_UP, (U32)'1',
                             (U32)BRISKKEY_RETURN, (U32)BRISKKEY_INPUT_SOURCE, (U32)BRISKKEY_CURSOR_DOWN,
                             (U32)BRISKKEY_EXIT, (U32)BRISKKEY_PLAY, (U32)BRISKKEY_CUSTOM63_ATV_DTV })
                Key(key);
            Advance(5000);
            Event(76, 4, sim::Source::Dtv);
            for (U32 key : { '1', '2', '3', '5' }) Key(key);
            Advance(5000);
        });
        EXPECT_TRUE(manager_->WaitIdle(5000));
        *calls = sim::Calls();
        StopManager();
        std::istringstream lines(log);
        std::string kept;
        for (std::string line; std::getline(lines, line);)
            if (line.compare(0, 19, "BriskTimerManager::") != 0) kept += line + "\n";
        return kept;
    };
    std::vector<std::string> offCalls, onCalls;
    std::string offLog = run(false, &offCalls);
    std::string onLog = run(true, &onCalls);
    for (const std::string& call : offCalls) EXPECT_NE(call.compare(0, 6, "Speak("), 0) << call;
    size_t spoken = 0;
    onCalls.erase(std::remove_if(onCalls.begin(), onCalls.end(),
                                 [&](const std::string& c) { return c.compare(0, 6, "Speak(") == 0 && ++spoken; }),
                  onCalls.end());
    EXPECT_GE(spoken, 10u);
    EXPECT_EQ(offCalls, onCalls);
    EXPECT_EQ(offLog, onLog);
}

INSTANTIATE_TEST_SUITE_P(Groups, SpeechTest, ::testing::Values(kNA, kEU),
                         [](const ::testing::TestParamInfo<int>& info) { return info.param == kNA ? "NA" : "EU"; });

// The settings key, the switch at run time and the callback's life.
class GuidanceTest : public ManagerTest {};

TEST_F(GuidanceTest, SettingsKeyIsReadAndWritten)
{
    WriteStandardLayouts();
    BriskUiManager* manager = BriskUiManager::GetInstance();
    manager->LoadCommonSetting();
    EXPECT_EQ(manager->QueryAudioGuidance(), 0);
    EXPECT_EQ(manager->SetConfigAudioGuidance(1), 1);
    EXPECT_EQ(manager->QueryAudioGuidance(), 1);   // at once
    EXPECT_NE(root_.Read("/Customer/briskui/layout/BriskUISetting.ini").find("baudioguidance = TRUE"),
              std::string::npos);
    StartManager();
    sim::SetVolume(20);
    Key(BRISKKEY_VOLUME_UP);
    Advance(300);
    EXPECT_TRUE(sim::Called(sim::SpeechCall("VolumeHandler", true, "Volume 21")));
    EXPECT_EQ(manager_->SetConfigAudioGuidance(0), 1);
    sim::ClearCalls();
    Key(BRISKKEY_VOLUME_UP);
    Advance(300);
    EXPECT_FALSE(sim::Called(sim::SpeechCall("VolumeHandler", true, "Volume 22")));
    StopManager();
    manager = BriskUiManager::GetInstance();
    manager->LoadCommonSetting();
    EXPECT_EQ(manager->QueryAudioGuidance(), 0);
}

// A callback that holds the speech thread: the input thread goes on, what
// comes meanwhile waits, Finalize waits for the callback, and nothing is
// said after it.
std::atomic<int> g_calls{ 0 };
std::atomic<bool> g_hold{ false };
void HoldingCallback(const char*, U32, BOOL, void*)
{
    ++g_calls;
    while (g_hold.load()) usleep(1000);
}

TEST_F(GuidanceTest, SlowEngineNeverBlocksTheKeys)
{
    WriteStandardLayouts();
    StartManager();
    manager_->SetAudioGuidance(1);
    BriskUiManager::SetSpeechCallback(&HoldingCallback, nullptr);
    g_calls = 0;
    g_hold = true;
    // The input icon is said at once; the callback holds the speech thread.
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON, 0xFFFF);
    manager_->WakeUp();
    for (int i = 0; i < 5000 && g_calls.load() == 0; ++i) usleep(1000);
    EXPECT_EQ(g_calls.load(), 1);
    // Keys are handled and composed while the engine is busy.
    U32 flips = manager_->FlipCount();
    briskui_sim::PostKey(manager_, BRISKKEY_VOLUME_UP);
    for (int i = 0; i < 5000 && manager_->FlipCount() == flips; ++i) usleep(1000);
    EXPECT_GT(manager_->FlipCount(), flips);
    EXPECT_FALSE(manager_->WaitIdle(50));   // the speech thread is not idle
    g_hold = false;
    Advance(300);
    EXPECT_EQ(g_calls.load(), 2);
    Key(BRISKKEY_VOLUME_UP);   // waits to settle
    StopManager();
    BriskAdvanceClock(300);
    usleep(20000);
    EXPECT_EQ(g_calls.load(), 2);
    BriskUiManager::SetSpeechCallback(nullptr, nullptr);
}

// Every PIN from 0000 to 9999 typed into the handler itself, the stored
// PIN one of them: what it says depends on nothing but how many digits
// were typed and whether the PIN matched, so no utterance tells a digit.
TEST(PinDigitTest, NoPinDigitIsEverSaid)
{
    sim::Reset();
    setenv("BRISKUI_ROOT", BRISKUI_SAMPLE_ROOT, 1);
    RecordingHost host;
    host.speech = true;
    PinCodeHandler pin;
    pin.SetOsdStatus(E_BRISKUI_OSD_STATUS_PIN_CODE);
    pin.SetSpeechNeeds(&PinCodeHandler::kSpeech);
    pin.SetHost(&host);
    pin.LoadResource(BriskResolvePath("/config/briskui/layout/EN/BriskUIPinCodeLayout.ini").c_str());
    unsetenv("BRISKUI_ROOT");
    const U16 stored = 4711;
    sim::SetPin(stored);
    const std::vector<std::string> typing = { "Digit 2 of 4", "Digit 3 of 4", "Digit 4 of 4" };
    const std::string prompt = "This channel is locked. Enter your PIN to watch it. Digit 1 of 4";
    const std::string wrong = "Wrong PIN. Please try again. Digit 1 of 4";

    auto start = std::chrono::steady_clock::now();
    size_t checked = 0;
    for (int code = 0; code <= 9999; ++code) {
        pin.LockHandler(E_BRISKUI_LOCK_CHANNEL);
        const int digits[] = { code / 1000, code / 100 % 10, code / 10 % 10, code % 10 };
        for (int d : digits) pin.KeyHandler((U32)('0' + d));
        std::vector<std::string> said;
        for (const RecordingHost::Utterance& u : host.TakeUtterances()) {
            EXPECT_EQ(u.status, (U32)E_BRISKUI_OSD_STATUS_PIN_CODE);
            said.push_back(u.text);
        }
        std::vector<std::string> expected = { prompt };
        expected.insert(expected.end(), typing.begin(), typing.end());
        if (code != stored) expected.push_back(wrong);
        ASSERT_EQ(said, expected) << "PIN " << code;
        checked += said.size();
        sim::ClearCalls();
    }
    // The handler armed its time-outs in a timer service that never ran.
    BriskTimerManager::GetInstance()->Finalize();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("utterances", (int)checked);
    printf("[ PIN test ] 10000 PINs, %zu utterances checked in %.2f s\n", checked, seconds);
}

}   // namespace
