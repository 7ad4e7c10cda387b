#include "HostSupport.h"

#include <directfb.h>
#include <string.h>
#include <unistd.h>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"

namespace briskui_sim {

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
