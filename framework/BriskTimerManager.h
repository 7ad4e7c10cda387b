// BriskTimerManager: the library's timer service. One thread watches a
// list of timers, each owned by an EventHandler and keyed by (handler, id).
// An expiry is never delivered on the timer thread: it is posted as a
// DirectFB user event (class DFEC_USER, type = id, data = handler) to the
// manager's event buffer, and the input thread calls the handler. On a
// real clock the thread sleeps until the earliest expiry; on a virtual one
// until the next clock change (every change signals it).
#ifndef BRISKUI_TIMERMANAGER_H
#define BRISKUI_TIMERMANAGER_H

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <vector>

#include "BriskTypes.h"

class EventHandler;

enum EN_BRISK_TIMER_MODE {
    E_BRISK_TIMER_ONE_SHOT = 1,
    E_BRISK_TIMER_PERIODIC = 2   // any value other than 1 behaves periodically
};

struct StTimerDatum {
    EventHandler* handler;
    U16 u16TimeOut;   // milliseconds, as added (cut to 16 bits)
    U32 u32Id;
    EN_BRISK_TIMER_MODE eMode;
    struct timespec tExpiry;   // absolute, on the library's monotonic clock
};

// TRUE when a is at or after b.
BOOL timespec_cmp(const struct timespec& a, const struct timespec& b);
// TRUE when x expires no later than y.
BOOL data_cmp(const StTimerDatum& x, const StTimerDatum& y);

class BriskTimerManager {
public:
    static BriskTimerManager* GetInstance();
    // The instance if one exists, without creating it.
    static BriskTimerManager* PeekInstance() { return pInstance; }

    BOOL Start();
    BOOL AddTimer(EventHandler* handler, U32 timeout, U32 id, EN_BRISK_TIMER_MODE mode);
    BOOL ResetTimer(EventHandler* handler, U32 id);
    BOOL RemoveTimer(EventHandler* handler, U32 id);
    BOOL RemoveTimer(EventHandler* handler);
    // Stops the thread, destroys the service and the singleton.
    BOOL Finalize();

    static void* timer_manager_thread(void* arg);

    // A copy of the list, for inspection.
    std::vector<StTimerDatum> Snapshot();
    // Passes the thread has made over the list (each wake-up makes one).
    U32 PassCount() const { return u32Passes.load(); }
    // The library clock (ns) as read by the last finished pass: a pass that
    // read the clock before it was moved does not count as seeing the move.
    long long LastPassClockNs() const { return s64LastPassNs.load(); }

private:
    BriskTimerManager();
    ~BriskTimerManager() {}
    BriskTimerManager(const BriskTimerManager&) = delete;
    BriskTimerManager& operator=(const BriskTimerManager&) = delete;

    void LockList(const char* function, int line);
    void UnlockList();
    // Wakes the thread; returns the pthread_cond_signal result.
    int Signal();
    void Sort();
    static void AddMilliseconds(struct timespec* t, U32 ms);
    static void ExpiryFromNow(struct timespec* expiry, U32 timeout);
    void SignalAfterChange(const char* operation);
    // Removes the handler's first timer with `id`, or its first timer at all
    // when `id` is null.
    BOOL RemoveFirst(EventHandler* handler, const U32* id);
    static void OnClockAdvanced();

    pthread_t tThread;
    pthread_mutex_t mListLock;
    pthread_cond_t cWake;
    pthread_mutex_t mWakeLock;
    std::vector<StTimerDatum> vTimers;

    bool bStarted;
    bool bSignalled;           // guarded by mWakeLock: a signal not yet seen
    std::atomic<bool> bStop;   // set by Finalize before it signals
    std::atomic<U32> u32Passes;
    std::atomic<long long> s64LastPassNs;

    static BriskTimerManager* pInstance;
};

#endif   // BRISKUI_TIMERMANAGER_H
