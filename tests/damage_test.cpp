// Redrawing only what changed. The differential test: random keys,
// middleware events, host calls, TV changes and time-outs over every OSD of
// the sample layouts, in both country groups, after each of which the
// window's back buffer and the screen (its front buffer) must both hold
// what the full composition of the same frames leaves, drawn whole onto a
// reference surface. It also shows that DirectFB draws clipped blits and
// strings as unclipped ones inside the clip, which redrawing rests on. Its
// length and seed come from BRISKUI_DIFFERENTIAL_STEPS and
// BRISKUI_DIFFERENTIAL_SEED, so that it can also run for hours, fuzzer
// style.
#include <dirent.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "BriskKeys.h"
#include "BriskUiManager.h"
#include "ChannelNumberHandler.h"
#include "Damage.h"
#include "HostSupport.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

std::vector<U32> Pixels(IDirectFBSurface* surface)
{
    int w = 0, h = 0;
    surface->GetSize(surface, &w, &h);
    std::vector<U32> pixels((size_t)w * h);
    void* data = nullptr;
    int pitch = 0;
    if (surface->Lock(surface, DSLF_READ, &data, &pitch) != DFB_OK) return {};
    for (int y = 0; y < h; ++y) memcpy(&pixels[(size_t)y * w], (const char*)data + (size_t)y * pitch, (size_t)w * 4);
    surface->Unlock(surface);
    return pixels;
}

TEST(DamageRegionTest, AreasStayDisjointAndCoverWhatWasAdded)
{
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        BriskDamage damage;
        std::vector<DFBRegion> added;
        for (int i = 0, n = 1 + (int)(random() % 20); i < n; ++i) {
            DFBRegion r = { (int)(random() % 100), (int)(random() % 100), 0, 0 };
            r.x2 = r.x1 + (int)(random() % 30);
            r.y2 = r.y1 + (int)(random() % 30);
            damage.Add(r);
            added.push_back(r);
        }
        ASSERT_LE(damage.Count(), (size_t)BriskDamage::E_MAX_AREAS);
        for (int y = 0; y < 130; ++y) {
            for (int x = 0; x < 130; ++x) {
                int holders = 0;
                for (size_t k = 0; k < damage.Count(); ++k) {
                    const DFBRegion& a = damage.At(k);
                    holders += x >= a.x1 && x <= a.x2 && y >= a.y1 && y <= a.y2;
                }
                bool wanted = false;
                for (const DFBRegion& r : added) wanted |= x >= r.x1 && x <= r.x2 && y >= r.y1 && y <= r.y2;
                ASSERT_LE(holders, 1) << "(" << x << ", " << y << ") in two areas";
                ASSERT_TRUE(holders == 1 || !wanted) << "(" << x << ", " << y << ") lost";
            }
        }
    }
    // Two halves of one rectangle make one area; apart, two.
    BriskDamage damage;
    damage.Add({ 0, 0, 9, 9 });
    damage.Add({ 10, 0, 19, 9 });
    damage.Add({ 40, 40, 49, 49 });
    ASSERT_EQ(damage.Count(), 2u);
    EXPECT_EQ(damage.At(0).x2, 19);
}

// ---- the library, on the sample layouts --------------------------------------------------

// What a host does between two steps: the middleware's events delivered,
// the library woken (a change made on this thread is composed at once) and
// idle.
void Settle(BriskUiManager* manager)
{
    ASSERT_TRUE(sim::WaitEventsDelivered(5000));
    manager->WakeUp();
    ASSERT_TRUE(manager->WaitIdle(5000));
}

// The sample root's layouts of every language folder, over the test's own.
void CopySampleLayouts(const TempRoot& root)
{
    std::string from = std::string(BRISKUI_SAMPLE_ROOT) + "/config/briskui/layout/";
    for (const char* language : { "EN", "GE" }) {
        std::string dir = from + language + "/";
        DIR* d = opendir(dir.c_str());
        ASSERT_NE(d, nullptr) << dir;
        while (struct dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() < 4 || name.substr(name.size() - 4) != ".ini") continue;
            std::ifstream in(dir + name, std::ios::binary);
            std::stringstream content;
            content << in.rdbuf();
            root.Write("/config/briskui/layout/" + std::string(language) + "/" + name, content.str());
        }
        closedir(d);
    }
}

class DamageTest : public ManagerTest {
protected:
    // Starts the library on the sample layouts in `country` and `language`
    // (an OSD language id: 6 English, 5 German), with the reference of the
    // differential check in place when `references`.
    void StartSample(int country, U32 language, bool references)
    {
        CopySampleLayouts(root_);
        sim::SetOsdLanguage(language);
        StartOptions options;
        options.country = country;
        StartManager(options);
        ASSERT_NE(manager_->GetSurface(), nullptr);
        if (!references) return;
        full_ = NewSurface();
        BriskUiManager::Lock();
        BriskComposerSetReference(full_);
        BriskUiManager::Unlock();
    }
    void TearDown() override
    {
        if (manager_ != nullptr) {
            BriskUiManager::Lock();
            BriskComposerSetReference(nullptr);
            BriskUiManager::Unlock();
        }
        ManagerTest::TearDown();
        if (full_ != nullptr) full_->Release(full_);
        BriskSetFullComposition(FALSE);
    }
    // The differential check, once the library has composed all it had to.
    void Check(const std::string& where)
    {
        for (int tries = 0;; ++tries) {
            ASSERT_TRUE(manager_->WaitIdle(5000)) << where;
            BriskUiManager::Lock();
            if (manager_->IsUpdateNeeded() && tries < 100) {
                BriskUiManager::Unlock();
                continue;
            }
            std::string why;
            BOOL same = BriskComposerCheckReference(&why);
            BriskUiManager::Unlock();
            ASSERT_TRUE(same) << where << ": " << why;
            return;
        }
    }

    IDirectFBSurface* full_ = nullptr;
};

TEST_F(DamageTest, AChangeRedrawsAndFlipsOnlyWhatChanged)
{
    sim::SetInputSource(MAPI_INPUT_SOURCE_HDMI);
    StartSample(E_BRISKUI_COUNTRY_EU, 6, false);
    Key(BRISKKEY_INPUT_SOURCE);
    _Rect opened = manager_->GetLastFlipRect();
    // One entry down: the bar's two places, nothing else of the menu.
    Key(BRISKKEY_CURSOR_DOWN);
    _Rect moved = manager_->GetLastFlipRect();
    EXPECT_FALSE(moved.empty());
    EXPECT_LT((long long)moved.width * moved.height, (long long)opened.width * opened.height / 3);
    // VOL+ at full volume changes nothing on screen: nothing is flipped,
    // though the key is handled and composed as before.
    Key(BRISKKEY_EXIT);
    sim::SetVolume(100);
    Key(BRISKKEY_VOLUME_UP);
    U32 flips = manager_->FlipCount();
    Key(BRISKKEY_VOLUME_UP);
    EXPECT_EQ(manager_->FlipCount(), flips + 1);
    EXPECT_TRUE(manager_->GetLastFlipRect().empty());
}

// A 64-bit FNV-1a hash of the window's pixels.
unsigned long long WindowHash(IDirectFBSurface* surface)
{
    unsigned long long hash = 1469598103934665603ULL;
    for (U32 pixel : Pixels(surface)) {
        hash ^= pixel;
        hash *= 1099511628211ULL;
    }
    return hash;
}

// What one run of the script below leaves after each step, and what the
// library printed and asked of the middleware on the way.
struct ScriptRun {
    std::vector<unsigned long long> windows;
    std::string printed;
    std::vector<std::string> calls;
};

// Every OSD of the sample layouts in turn, each hidden by its time-out or
// a key before the next: keys, a middleware event or a host call, then
// what the library does with them.
void RunScript(BriskUiManager* manager, ScriptRun* run)
{
    struct Step {
        char kind;   // k key, e event 76/param, s EnableStatus, f factory code then FACTORY, w wait, p progress
        U32 value;
    };
    const Step kScript[] = {
        { 'k', BRISKKEY_VOLUME_UP },
        { 'k', BRISKKEY_VOLUME_UP },
        { 'k', BRISKKEY_VOLUME_DOWN },
        { 'k', BRISKKEY_MUTE },
        { 'k', BRISKKEY_MUTE },
        { 'k', BRISKKEY_MUTE },
        { 'w', 3100 },
        { 'k', BRISKKEY_CHANNEL_UP },
        { 'k', BRISKKEY_CHANNEL_DOWN },
        { 'w', 3100 },
        { 'k', '1' },
        { 'k', '2' },
        { 'k', BRISKKEY_EXIT },
        { 'k', BRISKKEY_INPUT_SOURCE },
        { 'k', BRISKKEY_CURSOR_DOWN },
        { 'k', BRISKKEY_CURSOR_DOWN },
        { 'k', BRISKKEY_CURSOR_UP },
        { 'k', BRISKKEY_RETURN },
        { 'w', 6100 },
        { 'k', BRISKKEY_CUSTOM63_ATV_DTV },
        { 'k', BRISKKEY_CURSOR_DOWN },
        { 'k', BRISKKEY_CURSOR_DOWN },
        { 'k', BRISKKEY_EXIT },
        { 'e', 4 },
        { 'k', '5' },
        { 'k', '6' },
        { 'k', '7' },
        { 'k', '8' },
        { 'w', 3100 },
        { 'k', '1' },
        { 'k', '2' },
        { 'k', '3' },
        { 'k', '4' },
        { 'e', 1 },
        { 'w', 6100 },
        { 's', E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON },
        { 'w', 3100 },
        { 's', E_BRISKUI_OSD_STATUS_NOT_AVAILABLE },
        { 'w', 6100 },
        { 'f', 0xBFAB },
        { 'k', BRISKKEY_EXIT },
        { 'f', 0xEE99 },
        { 'w', 6100 },
        { 'f', 0xEE39 },
        { 'f', 0xEE39 },
        { 'k', BRISKKEY_EXIT },
        { 's', E_BRISKUI_OSD_STATUS_FACTORY_DIRECT_SOURCE },
        { 'k', BRISKKEY_EXIT },
        { 'p', 40 },
        { 'p', 100 },
        { 'k', BRISKKEY_MENU },
        { 'w', 6100 },
    };
    for (const Step& step : kScript) {
        switch (step.kind) {
        case 'k':
            briskui_sim::PostKey(manager, step.value);
            break;
        case 'e':
            sim::PostEvent(76, step.value, sim::Source::Dtv);
            break;
        case 's':
            manager->EnableStatus((EN_BRISKUI_OSD_STATUS)step.value, 0);
            break;
        case 'f':
            sim::SetFactoryCode((U16)step.value);
            briskui_sim::PostKey(manager, BRISKKEY_CUSTOM79_FACTORY);
            break;
        case 'w':
            ASSERT_EQ(briskui_sim::AdvanceClockAndSettle(manager, step.value), briskui_sim::Settle::Done);
            break;
        case 'p':
            manager->SetFirstInitializationProgress((U8)step.value);
            break;
        }
        ASSERT_NO_FATAL_FAILURE(Settle(manager));
        run->windows.push_back(WindowHash(manager->GetSurface()));
    }
}

// The same steps through the full composition and through the one that
// redraws only what changed: the same window after every step (the script
// shows some thirty different screens), the same lines printed, the same
// middleware calls.
TEST_F(DamageTest, FullAndChangedCompositionsDrawPrintAndCallTheSame)
{
    ScriptRun runs[2];
    for (int r = 0; r < 2; ++r) {
        sim::Reset();
        sim::SetHostDirectFB(Dfb(), Layer());
        sim::SetInputSource(MAPI_INPUT_SOURCE_DTV);
        sim::SetVolume(40);
        BriskSetFullComposition(r == 0 ? TRUE : FALSE);
        runs[r].printed = CaptureStdout([&] {
            StartSample(E_BRISKUI_COUNTRY_EU, 6, false);
            RunScript(manager_, &runs[r]);
            StopManager();
        });
        runs[r].calls = sim::Calls();
    }
    ASSERT_EQ(runs[0].windows.size(), runs[1].windows.size());
    EXPECT_GE(std::set<unsigned long long>(runs[0].windows.begin(), runs[0].windows.end()).size(), 25u);
    for (size_t i = 0; i < runs[0].windows.size(); ++i)
        EXPECT_EQ(runs[0].windows[i], runs[1].windows[i]) << "step " << i;
    EXPECT_EQ(runs[0].calls, runs[1].calls);
    // Left out: the timer thread's lines, which say how often it woke up
    // while the clock was moved, and fall between the others where they may.
    std::vector<std::string> lines[2];
    for (int r = 0; r < 2; ++r) {
        std::istringstream in(runs[r].printed);
        for (std::string line; std::getline(in, line);)
            if (line.find("BriskTimerManager::") != 0) lines[r].push_back(line);
    }
    EXPECT_EQ(lines[0], lines[1]);
}

// One run of keys, events, host calls, TV changes and time-outs, each
// step checked. `seed` makes it repeatable: the library's clock moves
// only with the walk's waits.
class DifferentialTest : public DamageTest, public ::testing::WithParamInterface<std::tuple<int, U32>> {
protected:
    void Walk(unsigned seed, int steps);
};

// Keys of the walk besides the digits.
const U32 kWalkKeys[] = {
    BRISKKEY_VOLUME_UP,
    BRISKKEY_VOLUME_DOWN,
    BRISKKEY_MUTE,
    BRISKKEY_CHANNEL_UP,
    BRISKKEY_CHANNEL_DOWN,
    BRISKKEY_CURSOR_UP,
    BRISKKEY_CURSOR_DOWN,
    BRISKKEY_RETURN,
    BRISKKEY_EXIT,
    BRISKKEY_INPUT_SOURCE,
    BRISKKEY_CUSTOM63_ATV_DTV,
    BRISKKEY_CUSTOM79_FACTORY,
    BRISKKEY_CHANNEL_SEPARATOR,
    BRISKKEY_MENU,
    BRISKKEY_INFO,
    BRISKKEY_CUSTOM61_EXIT,
};
const MAPI_INPUT_SOURCE_TYPE kWalkSources[] = {
    MAPI_INPUT_SOURCE_VGA,    MAPI_INPUT_SOURCE_ATV,   MAPI_INPUT_SOURCE_CVBS,  MAPI_INPUT_SOURCE_CVBS2,
    MAPI_INPUT_SOURCE_SVIDEO, MAPI_INPUT_SOURCE_YPBPR, MAPI_INPUT_SOURCE_SCART, MAPI_INPUT_SOURCE_HDMI,
    MAPI_INPUT_SOURCE_HDMI2,  MAPI_INPUT_SOURCE_HDMI3, MAPI_INPUT_SOURCE_HDMI4, MAPI_INPUT_SOURCE_DTV,
};
// Factory codes of the ARC, balance (three), self-check and sub-board screens.
const U16 kWalkFactoryCodes[] = { 0xEE99, 0xEE39, 0xEED5, 0xBFA9, 0xBFAB, 0xEE20, 0 };

void DifferentialTest::Walk(unsigned seed, int steps)
{
    std::mt19937 random(seed);
    std::vector<std::string> trail;
    auto pick = [&](size_t n) { return (size_t)(random() % n); };
    for (int step = 0; step < steps; ++step) {
        std::ostringstream what;
        unsigned kind = random() % 100;
        if (kind < 45) {
            U32 key =
                random() % 3 == 0 ? (U32)('0' + pick(10)) : kWalkKeys[pick(sizeof(kWalkKeys) / sizeof(kWalkKeys[0]))];
            what << "key 0x" << std::hex << key;
            briskui_sim::PostKey(manager_, key);
        } else if (kind < 57) {
            static const U32 kEvents[][2] = { { 51, 0 }, { 295, 0 }, { 76, 1 },  { 76, 3 }, { 76, 4 },
                                              { 76, 5 }, { 76, 8 },  { 114, 0 }, { 61, 0 } };
            const U32* e = kEvents[pick(sizeof(kEvents) / sizeof(kEvents[0]))];
            if (e[0] == 114) sim::SetAvMuteFlag(random() % 2 ? 0x80 : 0x1);
            what << "event " << e[0] << "/" << e[1];
            sim::PostEvent(e[0], e[1], random() % 2 ? sim::Source::Control : sim::Source::Dtv);
        } else if (kind < 67) {
            U32 bit = 1u << (1 + pick(15));
            switch (pick(5)) {
            case 0: {
                U16 mask = random() % 3 == 0 ? 0xFFFF : (U16)(random() & 0xFFFF);
                what << "EnableStatus 0x" << std::hex << bit << " 0x" << mask;
                manager_->EnableStatus((EN_BRISKUI_OSD_STATUS)bit, mask);
                break;
            }
            case 1:
                what << "DisableStatus 0x" << std::hex << bit;
                manager_->DisableStatus((EN_BRISKUI_OSD_STATUS)bit);
                break;
            case 2: {
                U8 percent = (U8)(random() % 101);
                what << "SetFirstInitializationProgress " << (int)percent;
                manager_->SetFirstInitializationProgress(percent);
                break;
            }
            case 3: {
                unsigned short code = (unsigned short)(60289 + pick(9));
                what << "ProcessFactoryCode " << code;
                manager_->ProcessFactoryCode(code);
                break;
            }
            default:
                what << "selectProgramByMajorMinorNumber";
                if (BriskUiManager::pChannelNumberHandler != nullptr)
                    BriskUiManager::pChannelNumberHandler->selectProgramByMajorMinorNumber(
                        (unsigned short)(1 + pick(12)), (unsigned short)pick(3),
                        (EN_VRL_BRISKUI_DIRECT_TUNE_TYPE)pick(2));
                break;
            }
        } else if (kind < 82) {
            static const U32 kTimes[] = { 50, 120, 400, 1000, 2100, 3100, 6100 };
            U32 ms = kTimes[pick(sizeof(kTimes) / sizeof(kTimes[0]))];
            what << "wait " << ms;
            ASSERT_EQ(briskui_sim::AdvanceClockAndSettle(manager_, ms), briskui_sim::Settle::Done) << what.str();
        } else {
            switch (pick(5)) {
            case 0: {
                MAPI_INPUT_SOURCE_TYPE source = kWalkSources[pick(sizeof(kWalkSources) / sizeof(kWalkSources[0]))];
                what << "set input " << (int)source;
                sim::SetInputSource(source);
                break;
            }
            case 1: {
                U8 volume = (U8)(random() % 3 == 0 ? 100 : random() % 101);
                what << "set volume " << (int)volume;
                sim::SetVolume(volume);
                break;
            }
            case 2: {
                U16 code = kWalkFactoryCodes[pick(sizeof(kWalkFactoryCodes) / sizeof(kWalkFactoryCodes[0]))];
                what << "set factory code " << code;
                sim::SetFactoryCode(code);
                break;
            }
            case 3:
                what << "set satellite mode";
                sim::SetSatelliteMode((U8)pick(2));
                break;
            default:
                what << "set rear shared input";
                sim::SetRearSharedInput(random() % 2 != 0);
                break;
            }
        }
        trail.push_back(what.str());
        if (trail.size() > 12) trail.erase(trail.begin());
        Settle(manager_);
        std::ostringstream where;
        where << "seed " << seed << ", step " << step << " (last steps:";
        for (const std::string& t : trail) where << " [" << t << "]";
        where << ")";
        ASSERT_NO_FATAL_FAILURE(Check(where.str()));
        // Now and then a composition drawn whole, as the benchmarks switch.
        // It flips only the dirty rectangle, so the screen may lag behind
        // what it drew (an OSD whose look changed without being shown
        // again); the next composition redraws and flips everything drawn.
        if (random() % 50 == 0) {
            BriskSetFullComposition(TRUE);
            manager_->EnableStatus(E_BRISKUI_OSD_STATUS_BASE, 0xFFFF);
            manager_->UpdateOsd();
            BriskSetFullComposition(FALSE);
            manager_->UpdateOsd();
            ASSERT_NO_FATAL_FAILURE(Check(where.str() + ", after a full composition"));
        }
    }
}

int EnvInt(const char* name, int fallback)
{
    const char* v = getenv(name);
    return v != nullptr && *v != '\0' ? atoi(v) : fallback;
}

TEST_P(DifferentialTest, EveryStepLeavesTheFullCompositionOnScreen)
{
    int country = std::get<0>(GetParam());
    U32 language = std::get<1>(GetParam());
    StartSample(country, language, true);
    unsigned seed = (unsigned)EnvInt("BRISKUI_DIFFERENTIAL_SEED", 20240) + (unsigned)country * 131 + language;
    Walk(seed, EnvInt("BRISKUI_DIFFERENTIAL_STEPS", 250));
}

INSTANTIATE_TEST_SUITE_P(CountriesAndLanguages, DifferentialTest,
                         ::testing::Combine(::testing::Values((int)E_BRISKUI_COUNTRY_NA, (int)E_BRISKUI_COUNTRY_EU),
                                            ::testing::Values(6u, 5u)),
                         [](const ::testing::TestParamInfo<std::tuple<int, U32>>& info) {
                             return std::string(std::get<0>(info.param) == E_BRISKUI_COUNTRY_NA ? "NA" : "EU") +
                                    (std::get<1>(info.param) == 5 ? "_GE" : "_EN");
                         });

}   // namespace
