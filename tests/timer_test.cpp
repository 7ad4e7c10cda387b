// The timer service: refusals, restart, removal, expiry arithmetic and its
// exit (the order of one pass's expiries and periodic re-arming past 2^31 ns
// of clock: portable_test). TimerTest runs the service alone, on a recording
// host: no manager, no input thread. SettleTest: the clock moved through a
// wait as the host's and the tests' Advance move it, with the library's
// threads running.
#include <gtest/gtest.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "HostSupport.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"
#include "VersionSelfCheckHandler.h"

using namespace testsupport;

namespace {

long long Ns(const timespec& t) { return (long long)t.tv_sec * 1000000000LL + t.tv_nsec; }

long long NowNs()
{
    timespec now;
    BriskClockNow(&now);
    return Ns(now);
}

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BriskSetVirtualClock(0);
        timers_ = BriskTimerManager::GetInstance();
        ASSERT_TRUE(timers_->Start(&host_));
    }
    void TearDown() override
    {
        timers_->Finalize();
        BriskSetRealClock();
    }

    // Moves the clock and waits for a pass that read the clock after the
    // move.
    void AdvanceAndPass(U32 ms)
    {
        ASSERT_TRUE(BriskAdvanceClock(ms));
        ASSERT_TRUE(briskui_sim::WaitForTimerPass(BriskClockNowMs()));
    }

    std::vector<RecordingHost::Expiry> Drain() { return host_.TakeExpiries(); }

    RecordingHost host_;
    BriskTimerManager* timers_ = nullptr;
    BareHandler a_, b_;
};

TEST_F(TimerTest, RefusalsAndDuplicates)
{
    std::string out = CaptureStdout([&] {
        EXPECT_FALSE(timers_->AddTimer(nullptr, 100, 1, E_BRISK_TIMER_ONE_SHOT));
        EXPECT_FALSE(timers_->AddTimer(&a_, 0, 1000, E_BRISK_TIMER_ONE_SHOT));
        EXPECT_FALSE(timers_->ResetTimer(nullptr, 1));
        EXPECT_FALSE(timers_->RemoveTimer(nullptr, 1));
    });
    char zero[128];
    snprintf(zero, sizeof(zero), "BriskTimerManager::AddTimer() ZERO timeout of handler %p\n", (void*)&a_);
    EXPECT_NE(out.find("BriskTimerManager::AddTimer() NULL target handler.\n"), std::string::npos);
    EXPECT_NE(out.find(zero), std::string::npos);
    EXPECT_NE(out.find("BriskTimerManager::ResetTimer() NULL target handler.\n"), std::string::npos);
    EXPECT_NE(out.find("BriskTimerManager::RemoveTimer() NULL target handler.\n"), std::string::npos);
    EXPECT_TRUE(timers_->Snapshot().empty());

    ASSERT_TRUE(timers_->AddTimer(&a_, 3000, 1000, E_BRISK_TIMER_ONE_SHOT));
    timespec first = timers_->Snapshot()[0].tExpiry;
    BriskAdvanceClock(500);
    EXPECT_FALSE(timers_->AddTimer(&a_, 3000, 1000, E_BRISK_TIMER_ONE_SHOT));
    ASSERT_EQ(timers_->Snapshot().size(), 1u);
    EXPECT_EQ(Ns(timers_->Snapshot()[0].tExpiry), Ns(first));   // keeps its first expiry

    out = CaptureStdout([&] { EXPECT_FALSE(timers_->RemoveTimer(&b_, 1000)); });
    EXPECT_EQ(out, "");
}

TEST_F(TimerTest, ResetRestartsWithTheStoredTimeout)
{
    ASSERT_TRUE(timers_->AddTimer(&a_, 70000, 1000, E_BRISK_TIMER_ONE_SHOT));
    std::vector<StTimerDatum> list = timers_->Snapshot();
    EXPECT_EQ(list[0].u16TimeOut, 4464);                           // stored cut to 16 bits
    EXPECT_EQ(Ns(list[0].tExpiry), NowNs() + 70000LL * 1000000);   // the first expiry uses all 70 s

    BriskAdvanceClock(1000);
    EXPECT_TRUE(timers_->ResetTimer(&a_, 1000));
    EXPECT_EQ(Ns(timers_->Snapshot()[0].tExpiry), NowNs() + 4464LL * 1000000);
    EXPECT_FALSE(timers_->ResetTimer(&a_, 1001));
}

TEST_F(TimerTest, AfterTheLastTimerTheThreadSleepsWithoutDeadline)
{
    ASSERT_TRUE(timers_->AddTimer(&a_, 100, 1, E_BRISK_TIMER_ONE_SHOT));
    usleep(20000);
    std::string out = CaptureStdout([&] {
        AdvanceAndPass(200);
        usleep(50000);
    });
    const std::string line =
        "BriskTimerManager::timer_manager_thread() pthread_cond_timedwait returned exceptional value.\n";
    size_t first = out.find(line);
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_EQ(out.find(line, first + 1), std::string::npos) << out;
    U32 passes = timers_->PassCount();
    usleep(100000);
    EXPECT_EQ(timers_->PassCount(), passes);   // no polling while empty
}

TEST_F(TimerTest, RemoveByHandlerTakesItsFirstTimerOnly)
{
    ASSERT_TRUE(timers_->AddTimer(&a_, 1000, 1, E_BRISK_TIMER_ONE_SHOT));
    ASSERT_TRUE(timers_->AddTimer(&a_, 2000, 2, E_BRISK_TIMER_ONE_SHOT));
    EXPECT_TRUE(timers_->RemoveTimer(&a_));
    ASSERT_EQ(timers_->Snapshot().size(), 1u);
    EXPECT_EQ(timers_->Snapshot()[0].u32Id, 2u);
    EXPECT_TRUE(timers_->RemoveTimer(&a_, 2));
    EXPECT_FALSE(timers_->RemoveTimer(&a_));
}

TEST_F(TimerTest, OsdTimerIsIdThousandAndRestartsWhenSetTwice)
{
    a_.SetOSDTimer();
    BriskAdvanceClock(1000);
    a_.SetOSDTimer();
    std::vector<StTimerDatum> list = timers_->Snapshot();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].u32Id, 1000u);
    EXPECT_EQ(Ns(list[0].tExpiry), NowNs() + 3000LL * 1000000);
    a_.KillOSDTimer();
    EXPECT_TRUE(timers_->Snapshot().empty());
    a_.KillOSDTimer();   // nothing armed: nothing happens
}

// The wait of the host and the tests: each time-out falls due on the clock
// at its own expiry, and is handled before the clock moves on.
class SettleTest : public OsdTest {
protected:
    void SetUp() override
    {
        OsdTest::SetUp();
        Start(2);
    }
    long long LastDispatchMs() { return manager_->LastTimerDispatchNs() / 1000000; }
    bool Shown(EN_BRISKUI_OSD_STATUS status) { return manager_->QueryStatus(status) != 0; }
};

TEST_F(SettleTest, ATimeOutWaitsForTheClockHoweverLongRealTimeTakes)
{
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON, 0);   // 3000 ms
    ASSERT_TRUE(manager_->WaitIdle(5000));
    Advance(2900);
    usleep(300000);   // real time, which the clock ignores
    Advance(0);
    EXPECT_TRUE(Shown(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON));
    Advance(100);
    EXPECT_FALSE(Shown(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON));
    EXPECT_EQ(LastDispatchMs(), 3000);
}

TEST_F(SettleTest, TimersWithinOneWaitFireInExpiryOrderAPeriodicOneEachPeriod)
{
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON, 0xFFFF);   // at 3000
    Advance(500);
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE, 0xFFFF);   // at 2500
    // The self-check page ignores its time-outs: a periodic timer on it is
    // counted and timed by the manager, at 900, 1300, ... 3300.
    BriskTimerManager* timers = BriskTimerManager::GetInstance();
    ASSERT_TRUE(timers->AddTimer(BriskUiManager::pVersionSelfCheckHandler, 400, 77, E_BRISK_TIMER_PERIODIC));
    // Handlers outside the manager's table: each time-out is logged, in
    // the order handled.
    BareHandler a, b, c;
    ASSERT_TRUE(timers->AddTimer(&c, 2200, 3, E_BRISK_TIMER_ONE_SHOT));
    ASSERT_TRUE(timers->AddTimer(&a, 1000, 1, E_BRISK_TIMER_ONE_SHOT));
    ASSERT_TRUE(timers->AddTimer(&b, 1600, 2, E_BRISK_TIMER_ONE_SHOT));
    U32 dispatched = manager_->TimerDispatchCount();
    std::string out = CaptureStdout([&] { Advance(2900); });
    EXPECT_EQ(manager_->TimerDispatchCount() - dispatched, 7u + 2u);   // seven periods and the two OSDs
    EXPECT_EQ(LastDispatchMs(), 3300);
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)E_BRISKUI_OSD_STATUS_BASE);
    size_t at = 0;
    const std::pair<const BareHandler*, int> inOrder[] = { { &a, 1 }, { &b, 2 }, { &c, 3 } };
    for (const auto& timer : inOrder) {
        char line[96];
        snprintf(line, sizeof line, "BRISKUI - timer %d for unknown handler %p dropped", timer.second,
                 (const void*)timer.first);
        at = out.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << " in order in:\n" << out;
    }
    EXPECT_TRUE(timers->RemoveTimer(BriskUiManager::pVersionSelfCheckHandler, 77));
}

// A wrong PIN shows the error for one time-out; its handler then shows the
// entry again, which arms the next time-out: both fall due in one wait.
TEST_F(SettleTest, ATimerArmedByAHandlerDuringTheWaitFallsDueWithinIt)
{
    sim::SetPin(472);
    sim::PostEvent(76, 4, sim::Source::Dtv);
    ASSERT_TRUE(sim::WaitEventsDelivered(5000));
    ASSERT_TRUE(manager_->WaitIdle(5000));
    for (U32 digit : { '4', '7', '3', '1' }) Key(digit);
    U32 dispatched = manager_->TimerDispatchCount();
    Advance(6500);
    EXPECT_EQ(manager_->TimerDispatchCount() - dispatched, 2u);
    EXPECT_EQ(LastDispatchMs(), 6000);
    EXPECT_TRUE(Shown(E_BRISKUI_OSD_STATUS_PIN_CODE));
}

TEST_F(TimerTest, ThreadEndsAtOnceWhenTheInputThreadDoesNotRun)
{
    timers_->Finalize();
    host_.inputRunning = false;   // the keys are not with the library
    timers_ = BriskTimerManager::GetInstance();
    ASSERT_TRUE(timers_->Start(&host_));
    ASSERT_TRUE(timers_->AddTimer(&a_, 10, 1, E_BRISK_TIMER_ONE_SHOT));
    usleep(20000);
    BriskAdvanceClock(1000);
    usleep(20000);
    EXPECT_EQ(timers_->Snapshot().size(), 1u);   // stays, never fires
    EXPECT_TRUE(Drain().empty());
}

// The manager as the timer service's host: it posts each expiry to its
// event buffer without taking its own lock, so a handler holding the lock
// never stalls the timer thread.
class ManagerTimerTest : public ManagerTest {};

TEST_F(ManagerTimerTest, ExpiriesArePostedWithoutTheManagerLock)
{
    StartOptions options;
    options.keysToLibrary = false;   // no input thread: the events stay in the buffer
    StartManager(options);
    sim::SetTvosIr(true);   // but the timer thread runs
    BriskTimerManager* timers = BriskTimerManager::GetInstance();
    BareHandler h;
    ASSERT_TRUE(timers->AddTimer(&h, 50, 1, E_BRISK_TIMER_ONE_SHOT));
    BriskManagerLock lock;
    ASSERT_TRUE(BriskAdvanceClock(100));
    ASSERT_TRUE(briskui_sim::WaitForTimerPass(BriskClockNowMs()));
    IDirectFBEventBuffer* buffer = manager_->GetEventBuffer();
    DFBEvent event;
    ASSERT_EQ(buffer->GetEvent(buffer, &event), DFB_OK);
    EXPECT_EQ(event.clazz, DFEC_USER);
    EXPECT_EQ(event.user.type, 1u);
    EXPECT_EQ(event.user.data, (void*)&h);
}

}   // namespace
