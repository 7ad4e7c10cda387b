// What depends on the processor's word size, checked without DirectFB: this
// program runs on the set's own processor (MIPS32, 32-bit long and time_t)
// under qemu-user as well as on the desktop. Layout numbers over the full 32
// bits (read through the 64-bit file interfaces), the clock (its limit, which
// a 32-bit time_t holds with the longest time-out on top) and timer expiries
// past 2^31 ms of it, and the log lines that print 32-bit event words.
#include <gtest/gtest.h>
#include <stdint.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "HostSupport.h"
#include "Middleware.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

long long Ns(const timespec& t) { return (long long)t.tv_sec * 1000000000LL + t.tv_nsec; }

void* Word(U32 value) { return (void*)(uintptr_t)value; }

// Past 2^31 ms, 700 ms into a second: beyond 32 bits of milliseconds, and
// most time-outs carry into the seconds.
const U64 kStartMs = 0x80000000ULL + 700;

// The simulated TV with the keys handed to the library, a temporary root,
// the clock virtual from kStartMs, and no display. The manager and the timer
// service are made by the tests that need them and finalised here.
class PortableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::Reset();
        sim::SetTvosIr(true);
        BriskSetVirtualClock(kStartMs);
    }
    // The timer service goes first, as when the host takes the keys back:
    // its thread looks the manager up.
    void TearDown() override
    {
        if (timers_ != nullptr) timers_->Finalize();
        if (BriskUiManager::PeekInstance() != nullptr) BriskUiManager::PeekInstance()->Finalize();
        sim::StopEventThread();
        BriskSetRealClock();
    }
    BriskTimerManager* StartTimers()
    {
        timers_ = BriskTimerManager::GetInstance();
        EXPECT_TRUE(timers_->Start(&host_));
        return timers_;
    }
    TempRoot root_;
    RecordingHost host_;
    BriskTimerManager* timers_ = nullptr;
};

TEST_F(PortableTest, LayoutNumbersKeepAllThirtyTwoBits)
{
    root_.Write("/layout.ini",
                "[caption]\nu8Type = 2\nu32Left = 0xFFFFFFFF\nu32Top = 2147483648\nu32Width = 0x80000001\n"
                "u32Height = 0x100000005\nu32FontColor = 4294967295\npText = x\n\n"
                "[badge]\nu8Type = 2\nu32FontColor = 0x80FF0000\n\n"
                "[setting]\nu16TimeOut = 65535\nu16StateMask = 0xFFFF\n");
    BareHandler handler;
    handler.LoadResource((root_.Path() + "/layout.ini").c_str());
    ASSERT_EQ(handler.ItemCount(), 2u);
    const DrawItem* caption = handler.ItemAt(0);
    EXPECT_EQ(caption->GetLeft(), 0xFFFFFFFFu);
    EXPECT_EQ(caption->GetTop(), 0x80000000u);
    EXPECT_EQ(caption->GetWidth(), 0x80000001u);
    // Beyond 32 bits a number keeps its low word, on either processor.
    EXPECT_EQ(caption->GetHeight(), 5u);
    EXPECT_EQ(handler.FindTextItem("caption")->GetFontColor(), 0xFFFFFFFFu);
    EXPECT_EQ(handler.FindTextItem("badge")->GetFontColor(), 0x80FF0000u);
    EXPECT_EQ(handler.GetTimeOut(), 65535);
    EXPECT_EQ(handler.GetStateMask(), 0xFFFF);
}

TEST_F(PortableTest, TimerExpiriesPastTwoSecondsOfClock)
{
    BriskTimerManager* timers = StartTimers();
    BareHandler a, b;
    ASSERT_TRUE(timers->AddTimer(&a, 65535, 7, E_BRISK_TIMER_ONE_SHOT));
    ASSERT_TRUE(timers->AddTimer(&b, 2999, 8, E_BRISK_TIMER_ONE_SHOT));
    ASSERT_TRUE(timers->AddTimer(&b, 1500, 9, E_BRISK_TIMER_PERIODIC));
    const long long start = (long long)kStartMs * 1000000;

    // Earliest first; each expiry is its AddTimer's time plus its time-out,
    // a normalised timespec even where the milliseconds carry into seconds.
    std::vector<StTimerDatum> list = timers->Snapshot();
    ASSERT_EQ(list.size(), 3u);
    const U32 ids[] = { 9, 8, 7 };
    const long long timeoutNs[] = { 1500000000LL, 2999000000LL, 65535000000LL };
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(list[i].u32Id, ids[i]);
        EXPECT_EQ(Ns(list[i].tExpiry), start + timeoutNs[i]);
        EXPECT_GE(list[i].tExpiry.tv_nsec, 0L);
        EXPECT_LT(list[i].tExpiry.tv_nsec, 1000000000L);
    }

    const long long longExpiry = Ns(list[2].tExpiry);

    // Three seconds on, past 2^31 ns since the start: the short one-shot has
    // gone, the periodic timer fired once (not once per period missed) and
    // runs again from this pass, not from its old expiry; the long one waits.
    ASSERT_TRUE(BriskAdvanceClock(3000));
    ASSERT_TRUE(briskui_sim::WaitForTimerPass(kStartMs + 3000));
    std::vector<U32> fired;
    for (const RecordingHost::Expiry& e : host_.TakeExpiries()) fired.push_back(e.id);
    EXPECT_EQ(fired, (std::vector<U32>{ 9, 8 }));
    list = timers->Snapshot();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].u32Id, 9u);
    EXPECT_EQ(Ns(list[0].tExpiry), start + 4500000000LL);
    EXPECT_EQ(list[1].u32Id, 7u);
    EXPECT_EQ(Ns(list[1].tExpiry), longExpiry);
}

// At the clock's limit a timer of the longest time-out still expires within
// a 32-bit time_t; the clock refuses to go further and stays where it was.
TEST_F(PortableTest, ClockLimitHoldsTheLongestTimeOut)
{
    BriskUiManager* manager = BriskUiManager::GetInstance();   // before the timer thread looks it up
    BriskTimerManager* timers = StartTimers();
    EXPECT_FALSE(BriskSetVirtualClock(kBriskClockLimitMs + 1));
    EXPECT_EQ(BriskClockNowMs(), kStartMs);
    ASSERT_TRUE(BriskSetVirtualClock(kBriskClockLimitMs - 5));
    EXPECT_FALSE(BriskAdvanceClock(6));
    EXPECT_EQ(BriskClockNowMs(), kBriskClockLimitMs - 5);
    EXPECT_FALSE(BriskAdvanceClock(~0ULL));
    EXPECT_TRUE(BriskAdvanceClock(5));
    EXPECT_EQ(BriskClockNowMs(), kBriskClockLimitMs);
    EXPECT_FALSE(BriskAdvanceClock(1));

    BareHandler a;
    ASSERT_TRUE(timers->AddTimer(&a, 0xFFFFFFFF, 1, E_BRISK_TIMER_ONE_SHOT));
    timespec expiry = timers->Snapshot()[0].tExpiry;
    EXPECT_EQ((long long)expiry.tv_sec, 2147483647LL);
    EXPECT_EQ(expiry.tv_nsec, 0L);
    EXPECT_EQ(manager->GetSystemTime(), (U32)kBriskClockLimitMs);
}

// Made real, the clock goes on from where the virtual one stood, with
// CLOCK_MONOTONIC; an advance still adds to it.
TEST_F(PortableTest, ARealClockGoesOnFromTheVirtualTime)
{
    timespec before, after;
    clock_gettime(CLOCK_MONOTONIC, &before);
    BriskSetRealClock();
    U64 now = BriskClockNowMs();
    clock_gettime(CLOCK_MONOTONIC, &after);
    EXPECT_FALSE(BriskClockIsVirtual());
    EXPECT_GE(now, kStartMs);
    EXPECT_LE(now, kStartMs + (U64)(Ns(after) - Ns(before)) / 1000000 + 1);
    ASSERT_TRUE(BriskAdvanceClock(60000));
    EXPECT_GE(BriskClockNowMs(), now + 60000);
}

TEST_F(PortableTest, EventWordsPrintAlikeOnBothProcessors)
{
    // Without a manager the callback only logs what it was handed. The
    // words print as the set's 32-bit long prints them, on the desktop too.
    std::string out = CaptureStdout(
        [] { BriskUiManager::MiddlewareCallback(Word(0xFFFFFFFFu), Word(0x80000000u), Word(0x7FFFFFFFu)); });
    EXPECT_NE(out.find("[MiddlewareCallback] Get MSrv Event -1,-2147483648,2147483647\n"), std::string::npos) << out;

    BriskUiManager::GetInstance();
    out = CaptureStdout(
        [] { BriskUiManager::MiddlewareCallback(Word(1), Word(EV_SCREEN_SAVER_MODE), Word(0xFFFFFFF0u)); });
    EXPECT_NE(out.find("[MiddlewareCallback] EV_SCREEN_SAVER_MODE: 4294967280 \n"), std::string::npos) << out;

    sim::SetDvbPlayerInit(true);
    sim::SetAvMuteFlag(0x80000000u);
    out = CaptureStdout([] { BriskUiManager::MiddlewareCallback(Word(1), Word(EV_CIMMI_UI_DATA_READY), Word(0)); });
    EXPECT_NE(out.find(" u32MuteStatus=-2147483648\n"), std::string::npos) << out;
}

}   // namespace
