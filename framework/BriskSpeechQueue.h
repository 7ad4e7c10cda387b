// BriskSpeechQueue: the library's speech output. Utterances come in from
// the handlers (through the host, under the manager lock, on the input
// thread or wherever the screen is composed); a thread of the queue's own
// hands them to the host's text-to-speech callback, so that neither the
// input thread nor any lock of the library ever waits on the engine.
//
// Per OSD at most one utterance waits: a new one of the same OSD replaces
// it. An utterance that settles (E_SPEECH_SETTLE) waits for the keys to
// pause: it arms a timer of its OSD's handler in the timer service
// (E_SPEECH_SETTLE_TIMER_ID, E_SPEECH_SETTLE_MS on the library's clock)
// that each new utterance of the OSD restarts; the host hands that timer's
// expiry to Due instead of to the handler, and only then is the utterance
// delivered. Waiting utterances go out in the order they became due. An
// OSD closed by the exit keys or its time-out drops what still waits to
// settle (Drop); what is due is as good as said.
//
// The queue lives for the process (the host's callback with it, until
// replaced); its thread runs from Start to Stop, which the manager calls
// in its Start and Finalize. Nothing is queued or said while audio
// guidance is off, no callback is installed or the thread is not running.
//
// Threads: every operation may be called from any thread. The queue's lock
// is taken after the manager lock and after the timer service's list lock,
// never before either: the timer service is only called with the queue's
// lock released. The callback runs with no lock held.
#ifndef BRISKUI_SPEECHQUEUE_H
#define BRISKUI_SPEECHQUEUE_H

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "BriskSpeech.h"
#include "BriskTypes.h"

class EventHandler;

// The settle timer's id among a handler's timers (its hide timer is 1000).
enum { E_SPEECH_SETTLE_TIMER_ID = 1001 };

class BriskSpeechQueue {
public:
    // The process's queue, created on first use and never destroyed.
    static BriskSpeechQueue& Instance();

    // Installs the host's callback and its context (null: none, which drops
    // what waits). Once it returns the old callback is not called again,
    // unless it is called from that callback itself.
    void SetOutput(BriskSpeechCallback callback, void* context);
    // Audio guidance on or off; off drops what waits.
    void SetEnabled(bool enabled);
    // Starts the thread that delivers, with guidance `enabled`; asserts when
    // it cannot be created. Nothing when it runs already.
    void Start(bool enabled);
    // Drops what waits, stops the thread and waits for a callback under way
    // to return: nothing is said after it. Nothing when it does not run.
    void Stop();

    // Whether utterances are taken now: the thread runs, guidance is on and
    // a callback is installed. Lock-free.
    bool Wanted() const { return bWanted.load(std::memory_order_relaxed); }
    // Queues `text` of the OSD `status` drawn by `handler`, `flags` of
    // EN_SPEECH_FLAG, replacing what that OSD has waiting. Ignored while
    // not Wanted.
    void Put(EventHandler* handler, U32 status, const std::string& text, U8 flags);
    // The settle timer of `handler` expired: its utterance is due when its
    // time has come (an expiry of a timer restarted since is not its own).
    void Due(EventHandler* handler);
    // Drops the utterance of OSD `status` that still waits to settle.
    void Drop(U32 status);
    // Makes every utterance that waits to settle due now, in the order of
    // their times (a host taking a screenshot of the state that said them).
    void Flush();
    // Whether nothing is due and no callback is under way (utterances
    // waiting to settle wait for the clock, not for the queue).
    bool Idle();

private:
    struct ST_UTTERANCE {
        U32 u32Status;
        EventHandler* pHandler;
        std::string strText;
        BOOL bInterrupt;
        bool bDue;
        long long s64DueNs;   // the library clock's time it settles at
        U32 u32Order;         // delivery order among the due ones
    };

    BriskSpeechQueue();
    BriskSpeechQueue(const BriskSpeechQueue&) = delete;
    BriskSpeechQueue& operator=(const BriskSpeechQueue&) = delete;

    // The thread's body; `arg` is the generation it runs for.
    static void* SpeechThread(void* arg);
    // Under the lock.
    void MakeDue(ST_UTTERANCE& utterance);
    void UpdateWanted();
    bool OnSpeechThread() const;

    std::mutex mLock;
    std::condition_variable cDue;      // an utterance became due, or stop
    std::condition_variable cSpoken;   // a callback returned
    std::vector<ST_UTTERANCE> vWaiting;
    BriskSpeechCallback pfOutput;
    void* pContext;
    bool bEnabled;
    bool bRunning;
    bool bDelivering;
    U32 u32NextOrder;
    U32 u32Generation;   // changed by each Start and Stop: a thread runs while it holds its own
    pthread_t tThread;
    std::atomic<bool> bWanted;
};

#endif   // BRISKUI_SPEECHQUEUE_H
