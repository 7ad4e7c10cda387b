// Concurrency: middleware events from the middleware's thread while keys
// arrive on the input thread and host threads change states and compose.
// Run under ThreadSanitizer in CI, also with audio guidance on. Also: two OSDs whose time-outs fall in
// one timer pass both go.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "BriskPlatform.h"
#include "BriskUiManager.h"
#include "HostSupport.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

std::atomic<int> g_said{ 0 };
void CountUtterance(const char*, U32, BOOL, void*) { ++g_said; }

class StressTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
        StartManager();
    }
    // Keys from a thread of their own, middleware events from the
    // middleware's thread, host calls and clock advances from two more; with
    // `guidance`, audio guidance on, and a fifth thread switching it off and
    // on and replacing the speech callback meanwhile.
    void Together(bool guidance);
};

void StressTest::Together(bool guidance)
{
    manager_->SetAudioGuidance(guidance ? 1 : 0);
    std::atomic<bool> stop{ false };
    std::thread keys([&] {
        const U32 cycle[] = { 0xF04C, 0xF04D, 0xF04E, 0xF062, 0xF051, 0xF04C };
        for (int i = 0; i < 300; ++i) {
            briskui_sim::PostKey(manager_, cycle[i % 6]);
            usleep(300);
        }
    });
    std::thread events([&] {
        const U32 ids[][2] = { { 51, 0 }, { 295, 0 }, { 76, 1 }, { 76, 8 }, { 114, 0 }, { 61, 0 } };
        sim::SetAvMuteFlag(0x0080);
        for (int i = 0; i < 300; ++i) {
            sim::PostEvent(ids[i % 6][0], ids[i % 6][1], i % 2 ? sim::Source::Dtv : sim::Source::Control);
            usleep(250);
        }
    });
    std::thread host([&] {
        int i = 0;
        while (!stop) {
            switch (i++ % 5) {
            case 0:
                manager_->EnableStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE, 0xFFFF);
                break;
            case 1:
                manager_->UpdateOsd();
                break;
            case 2:
                manager_->DisableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE);
                break;
            case 3:
                (void)manager_->GetVolumeStatus();
                (void)manager_->QueryStatus(0x6);
                (void)manager_->GetCurrentStatus();
                (void)manager_->GetLastFlipRect();
                (void)manager_->GetDirtyRect();
                break;
            case 4:
                manager_->SetFirstInitializationProgress((U8)(i % 101));
                break;
            }
            usleep(200);
        }
    });
    std::thread clock([&] {
        while (!stop) {
            BriskAdvanceClock(guidance ? 150 : 500);   // settles some utterances, not all
            usleep(2000);
        }
    });
    std::thread speech([&] {
        for (int i = 0; guidance && !stop; ++i) {
            if (i % 7 == 6) manager_->SetAudioGuidance((U8)(i / 7 % 2));
            if (i % 5 == 4) {
                if (i / 5 % 2)
                    BriskUiManager::SetSpeechCallback(&CountUtterance, nullptr);
                else
                    speech_.Install();
            }
            usleep(700);
        }
    });
    keys.join();
    events.join();
    stop = true;
    host.join();
    clock.join();
    speech.join();
    speech_.Install();
    ASSERT_TRUE(sim::WaitEventsDelivered(5000));
    ASSERT_TRUE(manager_->WaitIdle(5000));
    // Still answering normally.
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_BASE, 0);
    U8 volume = sim::StoredVolume();
    Key(volume < 100 ? 0xF04C : 0xF04D);
    EXPECT_NE(sim::StoredVolume(), volume);
}

TEST_F(StressTest, EventsKeysAndHostCallsTogether) { Together(false); }

TEST_F(StressTest, EventsKeysAndHostCallsWithAudioGuidance)
{
    g_said = 0;
    Together(true);
    EXPECT_TRUE(manager_->WaitIdle(5000));
    std::vector<std::string> calls = sim::Calls();
    size_t recorded = std::count_if(calls.begin(), calls.end(),
                                    [](const std::string& call) { return call.compare(0, 6, "Speak(") == 0; });
    EXPECT_GT(recorded + (size_t)g_said.load(), 0u);
}

TEST_F(StressTest, TimeOutsFallingInOnePassBothHide)
{
    Key(0xF04C);                                                          // volume: 3000 ms
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, 0xFFFF);    // 3000 ms
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE, 0xFFFF);   // 2000 ms
    ASSERT_TRUE(manager_->WaitIdle(briskui_sim::kStuckMs));
    ASSERT_EQ(manager_->GetCurrentStatus(), 0x0087u);
    Advance(3500);
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0001u);
    EXPECT_EQ(OpaqueCount(manager_->GetSurface(), _Rect(0, 0, 1280, 720)), 0);
}

TEST_F(StressTest, TimeOutBehindAKeyIsNotLost)
{
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE, 0xFFFF);
    ASSERT_TRUE(manager_->WaitIdle(briskui_sim::kStuckMs));
    {
        BriskUiManager::Lock();
        briskui_sim::PostKey(manager_, 0x41);   // not a library key
        BriskAdvanceClock(2500);                // the timer thread posts behind it
        EXPECT_TRUE(briskui_sim::WaitForTimerPass(BriskClockNowMs()));
        BriskUiManager::Unlock();
    }
    ASSERT_TRUE(manager_->WaitIdle(briskui_sim::kStuckMs));
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE));
}

}   // namespace
