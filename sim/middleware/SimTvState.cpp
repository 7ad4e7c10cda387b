#include "SimTvState.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace simtv {

namespace {

void EventLoop()
{
    Sim& s = S();
    std::unique_lock<std::mutex> lk(s.mu);
    for (;;) {
        s.eventCv.wait(lk, [&s] { return s.stopRequested || !s.queue.empty(); });
        if (s.stopRequested) break;
        const Event ev = s.queue.front();
        s.queue.pop_front();
        s.busy = true;
        const size_t src = static_cast<size_t>(ev.source);
        const std::vector<MSRV_EVENT_CALLBACK> targets = s.recipients[src];
        void* owner = OwnerLocked(s, ev.source);
        for (MSRV_EVENT_CALLBACK cb : targets) {
            if (s.stopRequested) break;
            // Skip a callback removed since the copy was taken (for instance by
            // an earlier callback of this same event).
            const std::vector<MSRV_EVENT_CALLBACK>& now = s.recipients[src];
            if (std::find(now.begin(), now.end(), cb) == now.end()) continue;
            lk.unlock();
            const U8 result = cb(owner, ToVoid(ev.id), ToVoid(ev.param));
            lk.lock();
            s.lastResult = result;
        }
        s.busy = false;
        s.idleCv.notify_all();
    }
    s.busy = false;
    s.idleCv.notify_all();
}

// Joins the event thread at process exit so that no thread outlives main.
struct EventThreadStopper {
    ~EventThreadStopper() { sim::StopEventThread(); }
};

}   // namespace

Sim& S()
{
    static Sim* sim = new Sim;   // never destroyed, see the top of the file
    return *sim;
}

std::string Format(const char* fmt, ...)
{
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0) return std::string();
    return std::string(buf, std::min(static_cast<size_t>(n), sizeof buf - 1));
}

void RecordLocked(Sim& s, std::string call)
{
    s.calls.push_back(std::move(call));
    s.callCv.notify_all();
}

void Record(const std::string& call)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, call);
}

void PublishSourcesLocked(Sim& s)
{
    const SourceList& last = s.sourceLists.back();
    if (std::memcmp(last.data(), s.st.sources.data(), sizeof(SourceList)) != 0) s.sourceLists.push_back(s.st.sources);
}

std::vector<sim::Channel>& CurrentListLocked(State& st) { return st.source == MAPI_INPUT_SOURCE_ATV ? st.atv : st.dtv; }
size_t& CurrentIndexLocked(State& st) { return st.source == MAPI_INPUT_SOURCE_ATV ? st.atvIndex : st.dtvIndex; }

int SourceOf(const MSrv* object)
{
    Objects& o = S().obj;
    if (object == static_cast<const MSrv*>(&o.control)) return static_cast<int>(sim::Source::Control);
    if (object == static_cast<const MSrv*>(&o.atv)) return static_cast<int>(sim::Source::Atv);
    if (object == static_cast<const MSrv*>(&o.dtvs) || object == static_cast<const MSrv*>(&o.dtv))
        return static_cast<int>(sim::Source::Dtv);
    if (object == static_cast<const MSrv*>(&o.cimmi)) return static_cast<int>(sim::Source::Cimmi);
    return -1;
}

void* OwnerLocked(Sim& s, sim::Source source)
{
    switch (source) {
    case sim::Source::Control:
        return static_cast<MSrv*>(&s.obj.control);
    case sim::Source::Atv:
        return static_cast<MSrv*>(&s.obj.atv);
    case sim::Source::Dtv:
        return s.st.dvbsPlayer ? static_cast<MSrv*>(&s.obj.dtvs) : static_cast<MSrv*>(&s.obj.dtv);
    case sim::Source::Cimmi:
        return static_cast<MSrv*>(&s.obj.cimmi);
    }
    return nullptr;
}

void* ToVoid(U32 v) { return reinterpret_cast<void*>(static_cast<uintptr_t>(v)); }

bool OnEventThreadLocked(const Sim& s) { return s.threadAlive && s.threadId == std::this_thread::get_id(); }

void JoinStoppedThread(Sim& s)
{
    if (!s.thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lk(s.mu);
        if (!s.stopRequested) return;
    }
    s.thread.join();
    std::lock_guard<std::mutex> lk(s.mu);
    s.threadAlive = false;
    s.stopRequested = false;
    s.threadId = std::thread::id();
}

void StartThreadLocked(Sim& s)
{
    // Constructed on the first start, hence destroyed (and the thread joined)
    // before any static object constructed earlier, such as the library's.
    static EventThreadStopper stopper;
    (void)stopper;
    s.stopRequested = false;
    s.threadAlive = true;
    s.thread = std::thread(EventLoop);
    s.threadId = s.thread.get_id();
}

void ResetLocked(Sim& s)
{
    s.st = State();
    PublishSourcesLocked(s);
    s.calls.clear();
    for (auto& r : s.recipients) r.clear();
    s.queue.clear();
    s.lastResult = 0;
    s.irGrant = true;
    s.irOwned = false;
    StoreFlag(MSrv_Control_common::bBriskUiTriggerPowerOff, FALSE);
    StoreFlag(MSrv_Control_common::m_bEnterActiveStandby, FALSE);
    StoreFlag(mapi_system::bBackgroundRecording, FALSE);
    s.idleCv.notify_all();
}

}   // namespace simtv
