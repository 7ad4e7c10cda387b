// FactoryBalanceHandler: one factory screen for three adjustments, chosen
// by the factory code when the factory key arrives: the sound balance
// (0, -50, +50, 0, ...), the satellite dish position (DiSEqC port A/B) and
// the LNB power. The dish position and the LNB power share one toggle byte
// of the user system setting, so a press of either flips the state the
// other reads next. The screen's one text item shows what was set; its
// time-out hides it.
#ifndef BRISKUI_FACTORYBALANCEHANDLER_H
#define BRISKUI_FACTORYBALANCEHANDLER_H

#include "EventHandler.h"

class FactoryBalanceHandler final : public EventHandler {
public:
    // Items and "setting" keys read from the layout, listed in the .cpp.
    static const ST_LAYOUT_NEEDS kLayout;
    // What it says: its title, on showing.
    static const ST_SPEECH_NEEDS kSpeech;

    // Factory codes that reach this screen.
    enum {
        E_CODE_BALANCE = 0xEE39,         // 60985
        E_CODE_DISH_POSITION = 0xEED5,   // 61141
        E_CODE_LNB_POWER = 0xBFA9        // 49065
    };

    FactoryBalanceHandler() : pText(NULL) {}

    // Loads the layout and looks up its text item. Start-up.
    void LoadResource(const char* path) override;
    // Reads the factory code, carries out its adjustment and shows the
    // screen; the dish code without a satellite player shows nothing. The
    // key value is not looked at. Input thread.
    BOOL KeyHandler(U32 key) override;
    // The time-out: hides the screen. Input thread.
    void TimerHandler(U32 timerId) override;

private:
    void StepBalance();
    // FALSE when the current player is not the satellite one.
    BOOL ToggleDishPosition();
    void ToggleLnbPower();
    void SetText(const char* text);

    TextItem* pText;
};

#endif   // BRISKUI_FACTORYBALANCEHANDLER_H
