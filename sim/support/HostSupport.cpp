#include "HostSupport.h"

#include <directfb.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "Middleware.h"
#include "SimTv.h"

namespace briskui_sim {

namespace {

const long long kNsPerMs = 1000000LL;

long long Ns(const struct timespec& t) { return (long long)t.tv_sec * 1000000000LL + t.tv_nsec; }

// The earliest timer expiry after `after`, in whole milliseconds rounded
// up; false when no timer expires after it. An expiry at or before
// `after` is one the last pass already fired or restarted: only a
// periodic timer whose period was cut to 0 stays there.
bool NextExpiry(BriskTimerManager* timers, U64 after, U64* next)
{
    bool found = false;
    for (const StTimerDatum& d : timers->Snapshot()) {
        long long ns = Ns(d.tExpiry);
        U64 ms = ns <= 0 ? 0 : (U64)((ns + kNsPerMs - 1) / kNsPerMs);
        if (ms > after && (!found || ms < *next)) {
            *next = ms;
            found = true;
        }
    }
    return found;
}

// Whether a timer expires at `ns` or earlier: one a pass at `ns` would fire.
bool AnyDue(BriskTimerManager* timers, long long ns)
{
    for (const StTimerDatum& d : timers->Snapshot())
        if (Ns(d.tExpiry) <= ns) return true;
    return false;
}

}   // namespace

SpeechRecorder::~SpeechRecorder()
{
    if (installed_) Uninstall();
}

void SpeechRecorder::Install()
{
    BriskUiManager::SetSpeechCallback(&SpeechRecorder::Speak, this);
    installed_ = true;
}

void SpeechRecorder::Uninstall()
{
    BriskUiManager::SetSpeechCallback(NULL, NULL);
    installed_ = false;
}

void SpeechRecorder::SetListener(Listener listener, void* context)
{
    std::lock_guard<std::mutex> lock(mu_);
    listener_ = listener;
    listenerContext_ = context;
}

std::vector<std::string> SpeechRecorder::Take()
{
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<std::string> said;
    said.swap(said_);
    return said;
}

void SpeechRecorder::Speak(const char* utf8, U32 osdStatus, BOOL interrupt, void* context)
{
    SpeechRecorder* self = static_cast<SpeechRecorder*>(context);
    std::string osd = BriskUiOsdName(osdStatus);
    sim::RecordSpeech(osd, interrupt != 0, utf8);
    Listener listener;
    void* listenerContext;
    {
        std::lock_guard<std::mutex> lock(self->mu_);
        self->said_.push_back(utf8);
        listener = self->listener_;
        listenerContext = self->listenerContext_;
    }
    if (listener != nullptr) listener(osd, interrupt != 0, utf8, listenerContext);
}

void PostKey(BriskUiManager* manager, U32 symbol)
{
    IDirectFBEventBuffer* buffer = manager->GetEventBuffer();
    if (buffer == NULL) return;
    DFBEvent event;
    memset(&event, 0, sizeof(event));
    event.input.clazz = DFEC_INPUT;
    event.input.type = DIET_KEYPRESS;
    event.input.flags = (DFBInputEventFlags)(DIEF_KEYSYMBOL | DIEF_KEYID | DIEF_KEYCODE);
    event.input.device_id = 15;
    event.input.key_symbol = (DFBInputDeviceKeySymbol)symbol;
    event.input.key_id = DIKI_UNKNOWN;
    event.input.key_code = -1;
    buffer->PostEvent(buffer, &event);
}

bool WaitForTimerPass(U64 clockMs)
{
    BriskTimerManager* timers = BriskTimerManager::PeekInstance();
    if (timers == NULL) return true;
    const long long ns = (long long)clockMs * kNsPerMs;
    const auto stuck = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStuckMs);
    // A pass that fires a timer takes it off the list or restarts it in the
    // same step as it posts it. With nothing due the thread may not pass at
    // all: a signal that reaches it while it finds its list empty is spent.
    while (timers->LastPassClockNs() < ns && AnyDue(timers, ns)) {
        if (std::chrono::steady_clock::now() > stuck) return false;
        usleep(200);
    }
    return true;
}

std::string SettleReason(Settle result)
{
    const std::string within = " within " + std::to_string(kStuckMs / 1000) + " s of real time";
    switch (result) {
    case Settle::Done:
        break;
    case Settle::PastClockLimit:
        return "the wait would pass the clock's limit of " + std::to_string(kBriskClockLimitMs) + " ms";
    case Settle::TimerThreadStuck:
        return "the timer thread made no pass at the new time" + within;
    case Settle::InputThreadStuck:
        return "the input thread did not handle what fell due" + within;
    }
    return "";
}

Settle AdvanceClockAndSettle(BriskUiManager* manager, U64 ms)
{
    U64 now = BriskClockNowMs();
    if (now > kBriskClockLimitMs || ms > kBriskClockLimitMs - now) return Settle::PastClockLimit;
    const U64 end = now + ms;
    // The timer and input threads run while the library has the keys; without
    // them nothing falls due but the clock itself.
    BriskTimerManager* timers = BriskTimerManager::PeekInstance();
    bool running = MSystem::GetInstance()->IsTvosIr() != 0;
    for (;;) {
        U64 target = end;
        U64 next = 0;
        if (running && timers != NULL && NextExpiry(timers, now, &next) && next < end) target = next;
        if (!BriskAdvanceClock(target - now)) return Settle::PastClockLimit;
        if (running && !WaitForTimerPass(target)) return Settle::TimerThreadStuck;
        if (running && !manager->WaitIdle(kStuckMs)) return Settle::InputThreadStuck;
        if (target == end) return Settle::Done;
        now = target;
    }
}

}   // namespace briskui_sim
