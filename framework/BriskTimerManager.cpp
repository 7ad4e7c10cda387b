#include "BriskTimerManager.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>

#include <algorithm>
#include <new>

#include "BriskPlatform.h"
#include "Middleware.h"
#include "OsdHost.h"

BriskTimerManager* BriskTimerManager::pInstance = NULL;

namespace {

const long kNsPerSec = 1000000000L;

bool IsNone(const struct timespec& t) { return t.tv_sec == (time_t)-1 && t.tv_nsec == -1L; }

// The real library clock runs ahead of CLOCK_MONOTONIC by what advances
// added; the condition variable waits on CLOCK_MONOTONIC itself.
struct timespec ToRealClock(const struct timespec& t)
{
    long long ns = (long long)t.tv_sec * kNsPerSec + t.tv_nsec - BriskClockOffsetNs();
    if (ns < 0) ns = 0;
    struct timespec real;
    real.tv_sec = (time_t)(ns / kNsPerSec);
    real.tv_nsec = (long)(ns % kNsPerSec);
    return real;
}

}   // namespace

BOOL timespec_cmp(const struct timespec& a, const struct timespec& b)
{
    unsigned long long as = (unsigned long long)a.tv_sec, bs = (unsigned long long)b.tv_sec;
    if (as != bs) return as > bs ? TRUE : FALSE;
    return (unsigned long)a.tv_nsec >= (unsigned long)b.tv_nsec ? TRUE : FALSE;
}

BOOL data_cmp(const StTimerDatum& x, const StTimerDatum& y) { return timespec_cmp(y.tExpiry, x.tExpiry); }

BriskTimerManager::BriskTimerManager()
    : tThread(),
      pHost(NULL),
      mListLock(),
      cWake(),
      mWakeLock(),
      bStarted(false),
      bSignalled(false),
      bStop(false),
      u32Passes(0),
      s64LastPassNs(0)
{}

BriskTimerManager* BriskTimerManager::GetInstance()
{
    if (pInstance == NULL) {
        pInstance = new (std::nothrow) BriskTimerManager();
        BRISK_ASSERT(pInstance != NULL);
    }
    return pInstance;
}

void BriskTimerManager::LockList(const char* function, int line)
{
    pthread_mutex_lock_tracker(&mListLock, function, line);
}

void BriskTimerManager::UnlockList() { pthread_mutex_unlock_tracker(&mListLock); }

int BriskTimerManager::Signal()
{
    pthread_mutex_lock(&mWakeLock);
    bSignalled = true;
    int ret = pthread_cond_signal(&cWake);
    pthread_mutex_unlock(&mWakeLock);
    return ret;
}

void BriskTimerManager::Sort()
{
    // stable_sort with "strictly earlier" keeps timers of equal expiry in
    // the order they were added.
    std::stable_sort(vTimers.begin(), vTimers.end(),
                     [](const StTimerDatum& x, const StTimerDatum& y) { return !data_cmp(y, x); });
}

void BriskTimerManager::AddMilliseconds(struct timespec* t, U32 ms)
{
    t->tv_sec += ms / 1000;
    t->tv_nsec += (long)(ms % 1000) * 1000000L;
    if (t->tv_nsec >= kNsPerSec) {
        t->tv_nsec -= kNsPerSec;
        t->tv_sec += 1;
    }
}

void BriskTimerManager::ExpiryFromNow(struct timespec* expiry, U32 timeout)
{
    BriskClockNow(expiry);
    AddMilliseconds(expiry, timeout);
}

void BriskTimerManager::SignalAfterChange(const char* operation)
{
    int ret = Signal();
    if (ret != 0) printf("BriskTimerManager::%s() fail to do cond_signal() %d\n", operation, ret);
}

void BriskTimerManager::OnClockAdvanced()
{
    BriskTimerManager* self = pInstance;
    if (self != NULL && self->bStarted) self->Signal();
}

BOOL BriskTimerManager::Start(BriskOsdHost* host)
{
    pHost = host;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 0x100000);

    pthread_condattr_t condattr;
    if (pthread_condattr_init(&condattr) != 0) {
        puts("BriskTimerManager fail to create condattr.");
        BRISK_ASSERT(0);
    }
    if (pthread_condattr_setclock(&condattr, CLOCK_MONOTONIC) != 0) {
        puts("BriskTimerManager fail to set condattr clock.");
        BRISK_ASSERT(0);
    }
    if (pthread_mutex_init(&mListLock, NULL) != 0) {
        puts("BriskTimerManager fail to create mutex.");
        BRISK_ASSERT(0);
    }
    if (pthread_cond_init(&cWake, &condattr) != 0) {
        puts("BriskTimerManager fail to create cond.");
        BRISK_ASSERT(0);
    }
    if (pthread_mutex_init(&mWakeLock, NULL) != 0) {
        puts("BriskTimerManager fail to create mutex.");
        BRISK_ASSERT(0);
    }
    pthread_condattr_destroy(&condattr);
    bStarted = true;
    BriskSetClockAdvanceHook(&BriskTimerManager::OnClockAdvanced);
    if (pthread_create(&tThread, &attr, &BriskTimerManager::timer_manager_thread, this) != 0) {
        puts("BriskTimerManager, create timer thread failed");
        BRISK_ASSERT(0);
    }
    pthread_attr_destroy(&attr);
    return TRUE;
}

bool BriskTimerManager::InputRunning() const { return pHost != NULL && pHost->IsInputRunning(); }

BOOL BriskTimerManager::AddTimer(EventHandler* handler, U32 timeout, U32 id, EN_BRISK_TIMER_MODE mode)
{
    if (handler == NULL) {
        puts("BriskTimerManager::AddTimer() NULL target handler.");
        return FALSE;
    }
    if (timeout == 0) {
        printf("BriskTimerManager::AddTimer() ZERO timeout of handler %p\n", (void*)handler);
        return FALSE;
    }
    BOOL added = FALSE;
    LockList(__PRETTY_FUNCTION__, __LINE__);
    bool exists = false;
    for (size_t i = 0; i < vTimers.size(); ++i) {
        if (vTimers[i].handler == handler && vTimers[i].u32Id == id) {
            exists = true;
            break;
        }
    }
    if (!exists) {
        StTimerDatum datum;
        datum.handler = handler;
        datum.u16TimeOut = (U16)timeout;
        datum.u32Id = id;
        datum.eMode = mode;
        // The first expiry uses the whole time-out; later restarts use the
        // stored 16-bit value.
        ExpiryFromNow(&datum.tExpiry, timeout);
        vTimers.push_back(datum);
        Sort();
        added = TRUE;
    }
    UnlockList();
    SignalAfterChange("AddTimer");
    return added;
}

BOOL BriskTimerManager::ResetTimer(EventHandler* handler, U32 id)
{
    if (handler == NULL) {
        puts("BriskTimerManager::ResetTimer() NULL target handler.");
        return FALSE;
    }
    BOOL found = FALSE;
    LockList(__PRETTY_FUNCTION__, __LINE__);
    for (size_t i = 0; i < vTimers.size(); ++i) {
        if (vTimers[i].handler == handler && vTimers[i].u32Id == id) {
            ExpiryFromNow(&vTimers[i].tExpiry, vTimers[i].u16TimeOut);
            Sort();
            found = TRUE;
            break;
        }
    }
    UnlockList();
    if (!found) return FALSE;
    SignalAfterChange("ResetTimer");
    return TRUE;
}

BOOL BriskTimerManager::RemoveFirst(EventHandler* handler, const U32* id)
{
    if (handler == NULL) {
        puts("BriskTimerManager::RemoveTimer() NULL target handler.");
        return FALSE;
    }
    BOOL found = FALSE;
    LockList(__PRETTY_FUNCTION__, __LINE__);
    for (size_t i = 0; i < vTimers.size(); ++i) {
        if (vTimers[i].handler == handler && (id == NULL || vTimers[i].u32Id == *id)) {
            vTimers.erase(vTimers.begin() + (long)i);
            found = TRUE;
            break;
        }
    }
    UnlockList();
    if (!found) return FALSE;
    SignalAfterChange("RemoveTimer");
    return TRUE;
}

BOOL BriskTimerManager::RemoveTimer(EventHandler* handler, U32 id) { return RemoveFirst(handler, &id); }

BOOL BriskTimerManager::RemoveTimer(EventHandler* handler) { return RemoveFirst(handler, NULL); }

std::vector<StTimerDatum> BriskTimerManager::Snapshot()
{
    LockList(__PRETTY_FUNCTION__, __LINE__);
    std::vector<StTimerDatum> copy = vTimers;
    UnlockList();
    return copy;
}

void* BriskTimerManager::timer_manager_thread(void* arg)
{
    BriskTimerManager* self = static_cast<BriskTimerManager*>(arg);

    pthread_mutex_lock(&self->mWakeLock);
    while (!self->bSignalled && !self->bStop) {
        int ret = pthread_cond_wait(&self->cWake, &self->mWakeLock);
        if (ret != 0) printf("BriskTimerManager cond wait %d\n", ret);
    }
    self->bSignalled = false;
    pthread_mutex_unlock(&self->mWakeLock);

    while (self->InputRunning() && !self->bStop) {
        struct timespec deadline;
        deadline.tv_sec = (time_t)-1;
        deadline.tv_nsec = -1L;
        struct timespec now;
        BriskClockNow(&now);

        self->LockList(__PRETTY_FUNCTION__, __LINE__);
        for (size_t i = 0; i < self->vTimers.size();) {
            StTimerDatum& datum = self->vTimers[i];
            if (timespec_cmp(now, datum.tExpiry)) {
                if (self->pHost != NULL) self->pHost->PostTimerExpiry(datum.handler, datum.u32Id);
                if (datum.eMode == E_BRISK_TIMER_ONE_SHOT) {
                    self->vTimers.erase(self->vTimers.begin() + (long)i);
                    continue;
                }
                // A periodic timer restarts from this pass, not from its
                // old expiry, so a late pass does not make it fire twice.
                datum.tExpiry = now;
                AddMilliseconds(&datum.tExpiry, datum.u16TimeOut);
            }
            if (IsNone(deadline) || !timespec_cmp(datum.tExpiry, deadline)) deadline = datum.tExpiry;
            ++i;
        }
        self->Sort();
        self->UnlockList();
        if (self->pHost != NULL) self->pHost->WakeInput();
        self->s64LastPassNs = (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
        self->u32Passes.fetch_add(1);

        pthread_mutex_lock(&self->mWakeLock);
        if (IsNone(deadline)) {
            // No deadline is no valid time: the timed wait fails at once.
            if (!self->bSignalled)
                puts("BriskTimerManager::timer_manager_thread() pthread_cond_timedwait returned exceptional value.");
        } else if (BriskClockIsVirtual()) {
            // A virtual clock moves only when advanced, and every advance
            // signals: no real time can bring the deadline nearer.
            while (!self->bSignalled && !self->bStop) {
                int ret = pthread_cond_wait(&self->cWake, &self->mWakeLock);
                if (ret != 0) printf("BriskTimerManager:timer_manager_thread() cond wait %d\n", ret);
            }
        } else {
            struct timespec real = ToRealClock(deadline);
            while (!self->bSignalled && !self->bStop) {
                int ret = pthread_cond_timedwait(&self->cWake, &self->mWakeLock, &real);
                if (ret != 0) {
                    puts(
                        "BriskTimerManager::timer_manager_thread() pthread_cond_timedwait returned exceptional value.");
                    break;
                }
            }
        }
        self->bSignalled = false;
        pthread_mutex_unlock(&self->mWakeLock);

        if (!self->InputRunning() || self->bStop) break;

        self->LockList(__PRETTY_FUNCTION__, __LINE__);
        bool empty = self->vTimers.empty();
        self->UnlockList();
        if (empty) {
            pthread_mutex_lock(&self->mWakeLock);
            while (!self->bSignalled && !self->bStop) {
                int ret = pthread_cond_wait(&self->cWake, &self->mWakeLock);
                if (ret != 0) printf("BriskTimerManager:timer_manager_thread() cond wait %d\n", ret);
            }
            self->bSignalled = false;
            pthread_mutex_unlock(&self->mWakeLock);
        }
    }
    return NULL;
}

BOOL BriskTimerManager::Finalize()
{
    if (bStarted) {
        LockList(__PRETTY_FUNCTION__, __LINE__);
        std::vector<StTimerDatum>().swap(vTimers);
        UnlockList();

        // The thread also leaves when the keys go back to the host; the stop
        // flag makes Finalize safe whoever calls it.
        bStop = true;
        int ret = Signal();
        if (ret != 0) printf("BriskTimerManager signal timer thread fail. %d\n", ret);
        ret = pthread_join(tThread, NULL);
        if (ret != 0) printf("BriskTimerManager join timer thread fail. %d\n", ret);
        BriskSetClockAdvanceHook(NULL);

        ret = pthread_mutex_destroy(&mListLock);
        if (ret != 0) printf("BriskTimerManager mutex condlock destroy %d\n", ret);
        ret = pthread_mutex_destroy(&mWakeLock);
        if (ret != 0) printf("BriskTimerManager mutex condlock destroy %d\n", ret);
        ret = pthread_cond_destroy(&cWake);
        if (ret != 0) printf("BriskTimerManager cond destroy %d\n", ret);
    }
    pInstance = NULL;
    delete this;
    puts("BriskTimerManager finalized finished");
    return TRUE;
}
