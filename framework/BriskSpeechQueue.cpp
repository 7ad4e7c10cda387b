#include "BriskSpeechQueue.h"

#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <new>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "SpeechNeeds.h"

namespace {

long long ClockNs()
{
    struct timespec now;
    BriskClockNow(&now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

}   // namespace

BriskSpeechQueue& BriskSpeechQueue::Instance()
{
    // Never destroyed: a thread still running at exit keeps a valid queue.
    static BriskSpeechQueue* queue = [] {
        BriskSpeechQueue* created = new (std::nothrow) BriskSpeechQueue();
        BRISK_ASSERT(created != NULL);
        return created;
    }();
    return *queue;
}

BriskSpeechQueue::BriskSpeechQueue()
    : pfOutput(NULL),
      pContext(NULL),
      bEnabled(false),
      bRunning(false),
      bDelivering(false),
      u32NextOrder(0),
      u32Generation(0),
      tThread(),
      bWanted(false)
{}

bool BriskSpeechQueue::OnSpeechThread() const { return bRunning && pthread_equal(tThread, pthread_self()) != 0; }

void BriskSpeechQueue::UpdateWanted() { bWanted = bRunning && bEnabled && pfOutput != NULL; }

void BriskSpeechQueue::SetOutput(BriskSpeechCallback callback, void* context)
{
    std::unique_lock<std::mutex> lock(mLock);
    // The old callback may be under way: the host may free its context
    // once this returns.
    if (!OnSpeechThread()) cSpoken.wait(lock, [this] { return !bDelivering; });
    pfOutput = callback;
    pContext = context;
    if (callback == NULL) vWaiting.clear();
    UpdateWanted();
}

void BriskSpeechQueue::SetEnabled(bool enabled)
{
    std::lock_guard<std::mutex> lock(mLock);
    bEnabled = enabled;
    if (!enabled) vWaiting.clear();
    UpdateWanted();
}

void BriskSpeechQueue::Start(bool enabled)
{
    std::lock_guard<std::mutex> lock(mLock);
    bEnabled = enabled;
    if (bRunning) {
        UpdateWanted();
        return;
    }
    ++u32Generation;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 0x100000);
    // The thread is handed its generation: a Stop that comes before it first
    // runs must find it already told apart from the next one.
    void* generation = (void*)(uintptr_t)u32Generation;
    if (pthread_create(&tThread, &attr, &BriskSpeechQueue::SpeechThread, generation) != 0) {
        puts("BRISKUI - create speech thread failed");
        BRISK_ASSERT(0);
    }
    pthread_attr_destroy(&attr);
    bRunning = true;
    UpdateWanted();
}

void BriskSpeechQueue::Stop()
{
    pthread_t thread;
    bool self;
    {
        std::lock_guard<std::mutex> lock(mLock);
        if (!bRunning) return;
        self = OnSpeechThread();
        thread = tThread;
        // The thread leaves once it sees a generation not its own.
        ++u32Generation;
        bRunning = false;
        vWaiting.clear();
        UpdateWanted();
    }
    cDue.notify_all();
    // A callback that finalises the library cannot wait for itself.
    if (self)
        pthread_detach(thread);
    else
        pthread_join(thread, NULL);
}

void BriskSpeechQueue::MakeDue(ST_UTTERANCE& utterance)
{
    utterance.bDue = true;
    utterance.u32Order = u32NextOrder++;
    cDue.notify_one();
}

void BriskSpeechQueue::Put(EventHandler* handler, U32 status, const std::string& text, U8 flags)
{
    BriskTimerManager* timers = BriskTimerManager::PeekInstance();
    // Without a timer service nothing could settle it: it is due at once.
    bool settle = (flags & E_SPEECH_SETTLE) != 0 && timers != NULL && handler != NULL;
    {
        std::lock_guard<std::mutex> lock(mLock);
        if (!Wanted()) return;
        vWaiting.erase(std::remove_if(vWaiting.begin(), vWaiting.end(),
                                      [status](const ST_UTTERANCE& u) { return u.u32Status == status; }),
                       vWaiting.end());
        BOOL interrupt = (flags & E_SPEECH_INTERRUPT) != 0 ? TRUE : FALSE;
        ST_UTTERANCE utterance = { status, handler, text, interrupt, false, 0, 0 };
        if (settle) utterance.s64DueNs = ClockNs() + (long long)E_SPEECH_SETTLE_MS * 1000000LL;
        vWaiting.push_back(utterance);
        if (!settle) MakeDue(vWaiting.back());
    }
    // Restarted by every utterance of the OSD; an expiry of its earlier
    // start finds the utterance's time not yet come.
    if (settle && !timers->AddTimer(handler, E_SPEECH_SETTLE_MS, E_SPEECH_SETTLE_TIMER_ID, E_BRISK_TIMER_ONE_SHOT))
        timers->ResetTimer(handler, E_SPEECH_SETTLE_TIMER_ID);
}

void BriskSpeechQueue::Due(EventHandler* handler)
{
    long long now = ClockNs();
    std::lock_guard<std::mutex> lock(mLock);
    for (ST_UTTERANCE& utterance : vWaiting)
        if (utterance.pHandler == handler && !utterance.bDue && now >= utterance.s64DueNs) MakeDue(utterance);
}

void BriskSpeechQueue::Drop(U32 status)
{
    std::lock_guard<std::mutex> lock(mLock);
    vWaiting.erase(std::remove_if(vWaiting.begin(), vWaiting.end(),
                                  [status](const ST_UTTERANCE& u) { return u.u32Status == status && !u.bDue; }),
                   vWaiting.end());
}

void BriskSpeechQueue::Flush()
{
    std::lock_guard<std::mutex> lock(mLock);
    std::vector<ST_UTTERANCE*> settling;
    for (ST_UTTERANCE& utterance : vWaiting)
        if (!utterance.bDue) settling.push_back(&utterance);
    std::stable_sort(settling.begin(), settling.end(),
                     [](const ST_UTTERANCE* a, const ST_UTTERANCE* b) { return a->s64DueNs < b->s64DueNs; });
    for (ST_UTTERANCE* utterance : settling) MakeDue(*utterance);
}

bool BriskSpeechQueue::Idle()
{
    std::lock_guard<std::mutex> lock(mLock);
    if (bDelivering) return false;
    for (const ST_UTTERANCE& utterance : vWaiting)
        if (utterance.bDue) return false;
    return true;
}

void* BriskSpeechQueue::SpeechThread(void* arg)
{
    BriskSpeechQueue* self = &Instance();
    const U32 generation = (U32)(uintptr_t)arg;
    std::unique_lock<std::mutex> lock(self->mLock);
    for (;;) {
        std::vector<ST_UTTERANCE>::iterator next = self->vWaiting.end();
        self->cDue.wait(lock, [self, generation, &next] {
            if (self->u32Generation != generation) return true;
            next = self->vWaiting.end();
            for (std::vector<ST_UTTERANCE>::iterator it = self->vWaiting.begin(); it != self->vWaiting.end(); ++it)
                if (it->bDue && (next == self->vWaiting.end() || it->u32Order < next->u32Order)) next = it;
            return next != self->vWaiting.end();
        });
        if (self->u32Generation != generation) break;
        ST_UTTERANCE utterance = *next;
        self->vWaiting.erase(next);
        BriskSpeechCallback output = self->pfOutput;
        void* context = self->pContext;
        self->bDelivering = true;
        lock.unlock();
        if (output != NULL) output(utterance.strText.c_str(), utterance.u32Status, utterance.bInterrupt, context);
        lock.lock();
        self->bDelivering = false;
        self->cSpoken.notify_all();
    }
    return NULL;
}
