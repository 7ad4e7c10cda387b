// The timer service: refusals, restart, removal, expiry arithmetic, the
// order of events posted in one pass, periodic re-arming, and its exit.
// No input thread runs here, so the posted events stay in the manager's
// buffer for the test to read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

class PlainHandler : public EventHandler {
public:
    BOOL KeyHandler(U32) override { return TRUE; }
};

long long Ns(const timespec& t) { return (long long)t.tv_sec * 1000000000LL + t.tv_nsec; }

long long NowNs()
{
    timespec now;
    BriskClockNow(&now);
    return Ns(now);
}

struct Posted {
    U32 id;
    void* data;
};

class TimerTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        StartOptions options;
        options.keysToLibrary = false;   // no input thread
        StartManager(options);
        sim::SetTvosIr(true);   // but the timer thread runs
        timers_ = BriskTimerManager::GetInstance();
    }

    // Moves the clock and waits for a pass that read the clock after the
    // move (a pass already under way when the clock moved does not count).
    void AdvanceAndPass(U32 ms)
    {
        long long moved = NowNs() + (long long)ms * 1000000;
        BriskAdvanceClock(ms);
        for (int i = 0; i < 4000 && timers_->LastPassClockNs() < moved; ++i) usleep(500);
        ASSERT_GE(timers_->LastPassClockNs(), moved);
    }

    std::vector<Posted> Drain()
    {
        std::vector<Posted> events;
        IDirectFBEventBuffer* buffer = manager_->GetEventBuffer();
        DFBEvent event;
        while (buffer->GetEvent(buffer, &event) == DFB_OK) {
            EXPECT_EQ(event.clazz, DFEC_USER);
            events.push_back(Posted{ event.user.type, event.user.data });
        }
        return events;
    }

    const StTimerDatum* Find(const std::vector<StTimerDatum>& list, EventHandler* h, U32 id)
    {
        for (const StTimerDatum& d : list)
            if (d.handler == h && d.u32Id == id) return &d;
        return nullptr;
    }

    BriskTimerManager* timers_ = nullptr;
    PlainHandler a_, b_;
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
    EXPECT_EQ(list[0].u16TimeOut, 4464);   // stored cut to 16 bits
    long long expiry = Ns(list[0].tExpiry);
    long long now = NowNs();
    EXPECT_LE(expiry - now, 70000LL * 1000000);   // the first expiry uses all 70 s
    EXPECT_GT(expiry - now, 69000LL * 1000000);

    BriskAdvanceClock(1000);
    long long before = NowNs();
    EXPECT_TRUE(timers_->ResetTimer(&a_, 1000));
    long long after = NowNs();
    expiry = Ns(timers_->Snapshot()[0].tExpiry);
    EXPECT_GE(expiry, before + 4464LL * 1000000);
    EXPECT_LE(expiry, after + 4464LL * 1000000);
    EXPECT_FALSE(timers_->ResetTimer(&a_, 1001));
}

TEST_F(TimerTest, ExpiryArithmeticCarriesNanoseconds)
{
    for (U32 ms : { 999u, 1500u, 1u, 65535u }) {
        long long before = NowNs();
        ASSERT_TRUE(timers_->AddTimer(&a_, ms, ms, E_BRISK_TIMER_ONE_SHOT));
        long long after = NowNs();
        std::vector<StTimerDatum> list = timers_->Snapshot();
        const StTimerDatum* d = Find(list, &a_, ms);
        ASSERT_NE(d, nullptr);
        EXPECT_LT(d->tExpiry.tv_nsec, 1000000000L);
        EXPECT_GE(Ns(d->tExpiry), before + (long long)ms * 1000000);
        EXPECT_LE(Ns(d->tExpiry), after + (long long)ms * 1000000);
    }
    // The list stays sorted by expiry.
    std::vector<StTimerDatum> list = timers_->Snapshot();
    for (size_t i = 1; i < list.size(); ++i) EXPECT_TRUE(data_cmp(list[i - 1], list[i]));
    timespec a{ 10, 800000000 }, b{ 12, 300000000 }, c{ 12, 300000000 };
    EXPECT_TRUE(timespec_cmp(b, a));
    EXPECT_FALSE(timespec_cmp(a, b));
    EXPECT_TRUE(timespec_cmp(b, c));   // equal counts as expired
}

TEST_F(TimerTest, TimersOfOnePassArePostedInExpiryOrder)
{
    ASSERT_TRUE(timers_->AddTimer(&a_, 2000, 7, E_BRISK_TIMER_ONE_SHOT));
    ASSERT_TRUE(timers_->AddTimer(&b_, 1000, 9, E_BRISK_TIMER_ONE_SHOT));
    AdvanceAndPass(2500);
    std::vector<Posted> events = Drain();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].id, 9u);
    EXPECT_EQ(events[0].data, &b_);
    EXPECT_EQ(events[1].id, 7u);
    EXPECT_EQ(events[1].data, &a_);
    EXPECT_TRUE(timers_->Snapshot().empty());   // one-shot timers are gone
}

TEST_F(TimerTest, PeriodicTimerRestartsFromThePassNotItsOldExpiry)
{
    ASSERT_TRUE(timers_->AddTimer(&a_, 500, 3, E_BRISK_TIMER_PERIODIC));
    long long start = NowNs();
    AdvanceAndPass(520);
    ASSERT_EQ(Drain().size(), 1u);
    std::vector<StTimerDatum> list = timers_->Snapshot();
    const StTimerDatum* d = Find(list, &a_, 3);
    ASSERT_NE(d, nullptr);
    EXPECT_GE(Ns(d->tExpiry), start + 1020LL * 1000000);
    EXPECT_LT(Ns(d->tExpiry), start + 1020LL * 1000000 + 500LL * 1000000);
    // Far behind: it fires once, not once per missed period.
    AdvanceAndPass(5000);
    EXPECT_EQ(Drain().size(), 1u);
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

TEST_F(TimerTest, TimerThreadNeverWaitsForTheManagerLock)
{
    ASSERT_TRUE(timers_->AddTimer(&a_, 50, 1, E_BRISK_TIMER_ONE_SHOT));
    BriskManagerLock lock;
    AdvanceAndPass(100);
    EXPECT_EQ(Drain().size(), 1u);
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
    EXPECT_GE(Ns(list[0].tExpiry), NowNs() + 2900LL * 1000000);
    a_.KillOSDTimer();
    EXPECT_TRUE(timers_->Snapshot().empty());
    a_.KillOSDTimer();   // nothing armed: nothing happens
}

class TimerExitTest : public ManagerTest {};

TEST_F(TimerExitTest, ThreadEndsAtOnceWhenTheKeysAreNotWithTheLibrary)
{
    StartOptions options;
    options.keysToLibrary = false;
    StartManager(options);
    BriskTimerManager* timers = BriskTimerManager::GetInstance();
    PlainHandler h;
    ASSERT_TRUE(timers->AddTimer(&h, 10, 1, E_BRISK_TIMER_ONE_SHOT));
    usleep(20000);
    BriskAdvanceClock(1000);
    usleep(20000);
    EXPECT_EQ(timers->Snapshot().size(), 1u);   // stays, never fires
    DFBEvent event;
    EXPECT_NE(manager_->GetEventBuffer()->GetEvent(manager_->GetEventBuffer(), &event), DFB_OK);
}

}   // namespace
