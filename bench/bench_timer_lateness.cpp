// Timer lateness: how long after its deadline the volume OSD's hide timer
// reaches VolumeHandler::TimerHandler on the input thread. The private root's
// volume layout hides after 20 ms. For each sample a VOL+ key shows the bar,
// the timer's deadline is read from the timer service right after, and the
// dispatch time is the library's own stamp (LastTimerDispatchNs), taken on
// the input thread just before it calls the handler.
//
// Floor: the lateness of pthread_cond_timedwait on CLOCK_MONOTONIC with the
// same time-out, as many samples, in the same run.
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <vector>

#include "BenchSupport.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "HostSupport.h"
#include "SimTv.h"
#include "VolumeHandler.h"

namespace {

const unsigned kTimeoutMs = 20;
const int kSamples = 300;
const long long kWaitNs = 5000000000LL;

long long Ns(const struct timespec& t) { return (long long)t.tv_sec * 1000000000LL + t.tv_nsec; }

void Nap()
{
    struct timespec gap = { 0, 100000 };
    nanosleep(&gap, NULL);
}

// Polls with short sleeps: the figure comes from the library's stamps, and
// sleeping keeps the poller off the CPU the timer path needs.
template <class Pred>
bool WaitFor(Pred done)
{
    long long end = bench::NowNs() + kWaitNs;
    while (!done()) {
        if (bench::NowNs() > end) return false;
        Nap();
    }
    return true;
}

void BM_TimerLateness(benchmark::State& state)
{
    sim::SetVolume(50);
    BriskUiManager* manager = bench::StartLibrary(true);
    VolumeHandler* volume = BriskUiManager::pVolumeHandler;
    if (manager->GetSurface() == nullptr || volume == nullptr || volume->GetTimeOut() != kTimeoutMs) {
        bench::StopLibrary(true);
        state.SkipWithError("the library did not start with the 20 ms volume layout");
        return;
    }

    int keys = 0;
    auto library = [&]() -> long long {
        // Show the bar and read its hide timer's deadline.
        unsigned dispatched = manager->TimerDispatchCount();
        if (!bench::KeyAndWaitFlip(manager, (keys++ & 1) ? bench::KEY_VOL_DOWN : bench::KEY_VOL_UP, 5000)) return -1;
        long long deadline = -1;
        for (const StTimerDatum& timer : BriskTimerManager::PeekInstance()->Snapshot())
            if (timer.handler == volume && timer.u32Id == E_OSD_HIDE_TIMER_ID) deadline = Ns(timer.tExpiry);
        if (deadline < 0) return -1;
        // The bar hides: the handler runs, then the erase is composed.
        unsigned flips = manager->FlipCount();
        if (!WaitFor([&] { return manager->TimerDispatchCount() != dispatched; }) ||
            !WaitFor([&] { return manager->FlipCount() != flips; }))
            return -1;
        long long late = manager->LastTimerDispatchNs() - deadline;
        manager->WaitIdle(5000);
        sim::ClearCalls();
        return late;
    };

    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_t cond;
    pthread_cond_init(&cond, &attr);
    pthread_condattr_destroy(&attr);
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    auto floor = [&]() -> long long {
        struct timespec deadline;
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_nsec += (long)kTimeoutMs * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_nsec -= 1000000000L;
            deadline.tv_sec += 1;
        }
        pthread_mutex_lock(&mutex);
        int ret = 0;
        while (ret == 0) ret = pthread_cond_timedwait(&cond, &mutex, &deadline);
        pthread_mutex_unlock(&mutex);
        return bench::NowNs() - Ns(deadline);
    };

    bench::RunPaired(state, library, floor);
    pthread_cond_destroy(&cond);
    bench::StopLibrary(true);
}

}   // namespace

BENCHMARK(BM_TimerLateness)
    ->Name("BM_TimerLateness")
    ->UseManualTime()
    ->Iterations(kSamples)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    bench::Options options;
    options.volumeTimeoutMs = kTimeoutMs;
    return bench::Main(argc, argv, options);
}
