// BriskTimerManager: the library's timer service. One thread watches a
// list of timers, each owned by an EventHandler and keyed by (handler, id).
// An expiry is never delivered on the timer thread: it is handed to the
// host (BriskOsdHost::PostTimerExpiry; the manager posts it as a DirectFB
// user event to its event buffer) and the host's input thread calls the
// handler. The thread runs while the host's input thread does. On a real
// clock the thread sleeps until the earliest expiry; on a virtual one
// until the next clock change (every change signals it).
//
// Threads: the list is guarded by its own lock (taken through the
// platform's tracking mutex calls), so every operation but Start and
// Finalize may be called from any thread, also with the manager lock held;
// the service never calls out while holding it, except to post an expiry.
#ifndef BRISKUI_TIMERMANAGER_H
#define BRISKUI_TIMERMANAGER_H

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <vector>

#include "BriskTypes.h"

class EventHandler;
class BriskOsdHost;

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
    // The singleton, created on first call (asserts when it cannot be
    // allocated); owned by itself until Finalize. No lock: the first call
    // comes from the manager's Start.
    static BriskTimerManager* GetInstance();
    // The instance if one exists, without creating it. Any thread.
    static BriskTimerManager* PeekInstance() { return pInstance; }

    // Creates the list lock, the wake-up and the timer thread, which hands
    // expiries to `host` (borrowed; it must outlive the service) and runs
    // while the host's input thread does. Asserts when a thread or lock
    // cannot be created; TRUE otherwise. Once, on the thread that starts
    // the library.
    BOOL Start(BriskOsdHost* host);
    // Arms timer (`handler`, `id`) to expire `timeout` ms from now, once or
    // every time-out (`mode`; later periods use the time-out cut to 16
    // bits). FALSE, changing nothing, for a null handler, a time-out of 0
    // or a timer of that key already armed: callers that want to restart
    // an armed timer call ResetTimer then (EventHandler::SetOSDTimer does).
    // Any thread.
    BOOL AddTimer(EventHandler* handler, U32 timeout, U32 id, EN_BRISK_TIMER_MODE mode);
    // Restarts armed timer (`handler`, `id`) from now with its stored
    // time-out; FALSE when there is none. Any thread.
    BOOL ResetTimer(EventHandler* handler, U32 id);
    // Stops the handler's first timer with `id` (or its first timer at
    // all); FALSE when there is none. An expiry already handed to the host
    // still reaches the handler. Any thread.
    BOOL RemoveTimer(EventHandler* handler, U32 id);
    BOOL RemoveTimer(EventHandler* handler);
    // Drops every timer, stops and joins the thread, and deletes the
    // service: the pointer the caller holds is dangling afterwards, and the
    // next GetInstance creates a new, unstarted one. Always TRUE. Not on
    // the timer thread; the input thread calls it as the library ends.
    BOOL Finalize();

    // Body of the timer thread (`arg` is the service). Started by Start.
    static void* timer_manager_thread(void* arg);

    // A copy of the list in expiry order, for inspection. Any thread.
    std::vector<StTimerDatum> Snapshot();
    // Passes the thread has made over the list (each wake-up makes one).
    // Any thread.
    U32 PassCount() const { return u32Passes.load(); }
    // The library clock (ns) as read by the last finished pass: a pass that
    // read the clock before it was moved does not count as seeing the move.
    // Any thread.
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
    // Whether the host's input thread runs.
    bool InputRunning() const;

    pthread_t tThread;
    BriskOsdHost* pHost;
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
