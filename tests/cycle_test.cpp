// Start and Finalize, a thousand times over, each cycle with keys, a
// middleware event and a time-out: the heap in use may grow only by what
// DirectFB keeps for each thread that ever called it.
#include <dirent.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include "BriskUiManager.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#include <sanitizer/allocator_interface.h>
#define BRISKUI_UNDER_SANITIZER 1
#endif

using namespace testsupport;

namespace {

#ifdef BRISKUI_UNDER_SANITIZER
// The sanitizer's allocator serves every malloc; each cycle is far slower.
const int kCycles = 100;
size_t HeapInUse()
{
    return __sanitizer_get_current_allocated_bytes();
}
#else
const int kCycles = 1000;
size_t HeapInUse()
{
    return mallinfo2().uordblks;
}
#endif

const int kWarmUp = 20;

// DirectFB keeps a per-thread record (its thread-local state, about 2.4 KB)
// for every thread that ever called into it, and never frees it: each
// cycle's new input thread leaves one. Nothing else may stay behind; the
// quarter on top is room for the allocator's own bookkeeping, far less
// than one handler's items.
const size_t kDirectFBPerThread = 2400;
const size_t kAllowedPerCycle = kDirectFBPerThread + kDirectFBPerThread / 4;

int ThreadCount()
{
    int count = 0;
    DIR* dir = opendir("/proc/self/task");
    while (dir != nullptr && readdir(dir) != nullptr) ++count;
    if (dir != nullptr) closedir(dir);
    return count - 2;   // "." and ".."
}

class CycleTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
    }
    // One cycle: start, two keys, a middleware event, a time-out, and the
    // host taking the keys back; returns once every thread of the cycle is gone.
    void Cycle(int threadsBefore)
    {
        StartManager();
        Key(0xF04C);   // VOL+
        Key(0xF051);   // PLAY: the not-available panel
        sim::PostEvent(76, 1);   // the wait message's PIN variant
        ASSERT_TRUE(sim::WaitEventsDelivered(5000));
        Advance(3500);
        ASSERT_EQ(manager_->GetCurrentStatus(), 0x0001u);
        sim::SetTvosIr(false);
        {
            BriskManagerLock lock;   // the input thread finalises under it
            if (BriskUiManager::PeekInstance() != nullptr) BriskUiManager::PeekInstance()->WakeUp();
        }
        ASSERT_TRUE(sim::WaitForCall("SetBriskUIStatus(1)", 5000));
        for (int i = 0; i < 5000 && ThreadCount() > threadsBefore; ++i) usleep(1000);
        ASSERT_EQ(ThreadCount(), threadsBefore);
        manager_ = nullptr;
        sim::ClearCalls();
    }
};

TEST_F(CycleTest, StartFinalizeCyclesLeaveOnlyDirectFBsThreadRecords)
{
    // The simulated TV's event thread runs from its first event on.
    sim::PostEvent(61, 0);
    ASSERT_TRUE(sim::WaitEventsDelivered(5000));
    int threads = ThreadCount();
    for (int i = 0; i < kWarmUp; ++i) ASSERT_NO_FATAL_FAILURE(Cycle(threads));
    size_t before = HeapInUse();
    for (int i = 0; i < kCycles; ++i) ASSERT_NO_FATAL_FAILURE(Cycle(threads)) << "cycle " << i;
    size_t after = HeapInUse();
    double perCycle = ((double)after - (double)before) / kCycles;
    printf("heap growth over %d Start/Finalize cycles: %.0f bytes a cycle (allowed %zu)\n", kCycles, perCycle,
           kAllowedPerCycle);
    RecordProperty("heap_growth_per_cycle", std::to_string((long long)perCycle));
    EXPECT_LE(perCycle, (double)kAllowedPerCycle);
}

}  // namespace
