// BriskOsdHost: what the framework needs from whoever runs the OSDs. The
// handler base shows and hides its OSD and draws with the host's DirectFB;
// the timer service hands each expiry to the host, wakes the host's input
// thread and runs only while that thread does; a handler hands what its OSD
// says to the host's speech output. The framework knows nothing
// else of the manager: on a set the manager implements this interface and
// hands it to every handler it creates and to the timer service it starts;
// a test may hand over a recording sink instead.
//
// The host outlives every handler and the timer service it is handed to.
#ifndef BRISKUI_OSDHOST_H
#define BRISKUI_OSDHOST_H

#include <directfb.h>

#include <string>

#include "BriskTypes.h"

class EventHandler;

class BriskOsdHost {
public:
    // Shows the OSD of status bit `status`, keeping only the OSDs of `mask`.
    // `wide` says whether `mask` is a full 32-bit mask (a layout's
    // u32StateMask) or a 16-bit one (u16StateMask, or a fixed mask of the
    // OSDs that have always been), which the host widens by its own rule.
    // Arms the OSD's hide timer; draws nothing. Any thread.
    virtual void ShowOsd(U32 status, U32 mask, BOOL wide) = 0;
    // Hides the OSD of `status`. Any thread.
    virtual void HideOsd(U32 status) = 0;
    // The DirectFB main interface the items draw with; null when there is
    // none. Borrowed: never released by the caller. Any thread.
    virtual IDirectFB* GetDirectFB() = 0;
    // Timer `timerId` of `handler` expired: the host calls the handler's
    // TimerHandler later, on its input thread. Called on the timer thread,
    // with the timer list locked; must not call back into the timer service.
    virtual void PostTimerExpiry(EventHandler* handler, U32 timerId) = 0;
    // Wakes the input thread so that it handles what was posted. Timer thread.
    virtual void WakeInput() = 0;
    // Whether the input thread runs (the host holds the remote control);
    // the timer thread stops when it no longer does. Any thread.
    virtual BOOL IsInputRunning() = 0;
    // Whether the host wants utterances now (audio guidance on and a speech
    // output installed): handlers build none while it does not. The base
    // never does. Any thread.
    virtual BOOL SpeechWanted() { return FALSE; }
    // An utterance of `handler`'s OSD: `text` in the OSD language, `flags`
    // of EN_SPEECH_FLAG (SpeechNeeds.h). The host queues it and returns; it
    // never waits for the speech output. The base drops it. Under the
    // manager lock.
    virtual void Speak(EventHandler* handler, const std::string& text, U8 flags)
    {
        (void)handler;
        (void)text;
        (void)flags;
    }

protected:
    // Not deleted through this interface.
    ~BriskOsdHost() {}
};

#endif   // BRISKUI_OSDHOST_H
