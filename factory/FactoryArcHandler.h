// FactoryArcHandler: the factory screen of the HDMI audio return channel.
// The factory key with the ARC code switches the ARC on (there is no off)
// and shows the screen, which its time-out hides again.
#ifndef BRISKUI_FACTORYARCHANDLER_H
#define BRISKUI_FACTORYARCHANDLER_H

#include "EventHandler.h"

class FactoryArcHandler final : public EventHandler {
public:
    // What it says: its title, on showing.
    static const ST_SPEECH_NEEDS kSpeech;

    // Switches the ARC on and shows the screen, whatever the key. Input thread.
    BOOL KeyHandler(U32 key) override;
    // The time-out: hides the screen. Input thread.
    void TimerHandler(U32 timerId) override;
};

#endif   // BRISKUI_FACTORYARCHANDLER_H
