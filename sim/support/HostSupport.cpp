#include "HostSupport.h"

#include <directfb.h>
#include <string.h>
#include <unistd.h>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "SimTv.h"

namespace briskui_sim {

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

bool AdvanceClockAndSettle(BriskUiManager* manager, U32 ms)
{
    BriskTimerManager* timers = BriskTimerManager::PeekInstance();
    struct timespec now;
    BriskClockNow(&now);
    long long moved = (long long)now.tv_sec * 1000000000LL + now.tv_nsec + (long long)ms * 1000000LL;
    BriskAdvanceClock(ms);
    if (timers != NULL) {
        // Every clock advance signals the timer thread, which then makes
        // one pass over its list and posts what has expired. A pass that
        // was under way when the clock moved read the old time: only one
        // that read the new time counts.
        for (int i = 0; i < 2000 && timers->LastPassClockNs() < moved; ++i) usleep(500);
    }
    return manager->WaitIdle(5000) != 0;
}

}   // namespace briskui_sim
