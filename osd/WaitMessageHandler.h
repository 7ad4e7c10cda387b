// WaitMessageHandler: the wait panel, with a general message and a
// two-line PIN variant shown when the middleware reports a locked service.
#ifndef BRISKUI_WAITMESSAGEHANDLER_H
#define BRISKUI_WAITMESSAGEHANDLER_H

#include "EventHandler.h"

class WaitMessageHandler final : public EventHandler {
public:
    // Items and "setting" keys read from the layout, and what the OSD
    // says, listed in the .cpp.
    static const ST_LAYOUT_NEEDS kLayout;
    static const ST_SPEECH_NEEDS kSpeech;

    WaitMessageHandler() : pText(NULL), pTextPinCode(NULL), pTextPinCode1(NULL), u8Variant(0) {}

    // Loads the layout and looks up the three lines. Start-up.
    void LoadResource(const char* path) override;
    BOOL KeyHandler(U32 key) override;
    void TimerHandler(U32 timerId) override;
    // Shows the PIN variant of the message.
    void PinCodeEeventHandler();
    // Says the message of the variant shown, on showing and when the
    // variant changes while shown. Composition.
    void SpeakShown(BOOL anew) override;

private:
    // Shows the PIN variant (1) or the general one (0).
    void ShowVariant(U8 pin);

    TextItem* pText;
    TextItem* pTextPinCode;
    TextItem* pTextPinCode1;
    U8 u8Variant;   // the variant shown last: 1 PIN, 0 general
};

#endif   // BRISKUI_WAITMESSAGEHANDLER_H
