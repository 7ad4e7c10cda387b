// NotAvailableMessageHandler: the panel that answers keys the library
// cannot serve (the media keys).
#ifndef BRISKUI_NOTAVAILABLEMESSAGEHANDLER_H
#define BRISKUI_NOTAVAILABLEMESSAGEHANDLER_H

#include "EventHandler.h"

class NotAvailableMessageHandler final : public EventHandler {
public:
    // What the OSD says on showing: its message. Listed in the .cpp.
    static const ST_SPEECH_NEEDS kSpeech;

    BOOL KeyHandler(U32 key) override;
    void TimerHandler(U32 timerId) override;
};

#endif   // BRISKUI_NOTAVAILABLEMESSAGEHANDLER_H
