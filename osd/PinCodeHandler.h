// PinCodeHandler: the PIN entry of a locked channel or of a programme
// blocked by parental rating. Four digit boxes with a moving focus (the box
// art swaps between "...nomal.png" and "...focus.png"), a mask over each
// entered digit, verification against the stored PIN, and on a match the
// programme selected again and the channel unlocked. A wrong PIN shows an
// error message that its time-out or the next digit clears; tries are
// unlimited. The entry itself never times out. With audio guidance it says
// its prompt, which box comes next ("Digit 2 of 4") and the wrong-PIN
// message, and never a digit typed: what it says depends only on how many
// digits were typed and whether the PIN matched.
#ifndef BRISKUI_PINCODEHANDLER_H
#define BRISKUI_PINCODEHANDLER_H

#include <string>
#include <vector>

#include "EventHandler.h"

// One digit box: its image item and the text item that masks its digit.
struct ST_PIN_CODE_DATA {
    std::string sImageItemName;
    std::string sMessageItemName;
};

// What locked the programme (LockHandler's argument): 0 a channel lock,
// any other value a parental lock.
enum EN_BRISKUI_LOCK_TYPE { E_BRISKUI_LOCK_CHANNEL = 0, E_BRISKUI_LOCK_PARENTAL = 1 };

class PinCodeHandler final : public EventHandler {
public:
    // Items and "setting" keys read from the layout, and what the OSD
    // says, listed in the .cpp.
    static const ST_LAYOUT_NEEDS kLayout;
    static const ST_SPEECH_NEEDS kSpeech;

    enum { E_PIN_DIGITS = 4 };

    PinCodeHandler();

    // Base load, then the box, prompt, panel and error items looked up
    // once; the masks, all prompts and the error message start hidden.
    // Start-up.
    void LoadResource(const char* path) override;
    // Digit keys ('0'..'9') fill the focused box; the fourth digit verifies
    // the PIN. Any other key is logged and changes nothing. Input thread.
    BOOL KeyHandler(U32 key) override;
    // The hide time-out: clears a shown error message; the entry stays.
    // Input thread.
    void TimerHandler(U32 timerId) override;

    // Opens the entry on box 0 with the channel (E_BRISKUI_LOCK_CHANNEL) or
    // parental prompts, dropping every other OSD. Middleware event thread,
    // under the manager lock.
    void LockHandler(EN_BRISKUI_LOCK_TYPE type);
    // Moves the focus art to box GetFocusIndex(); the box left behind gets
    // its normal art and, when `showMask` is non-zero, its mask.
    void UpdateFocusBar(unsigned char showMask);
    // Unlocks the current tuner channel: the DTV player's unlock or the ATV
    // programme set again, by the sources the set has and the current one.
    // FALSE (after the assertion line) when the set has neither tuner.
    bool UnlockChannel();

    U8 GetFocusIndex() const { return u8FocusIndex; }
    // The digit held for box `box` (0 when none is held).
    U8 GetTypedDigit(U8 box) const { return box < E_PIN_DIGITS ? au8PinDigit[box] : 0; }

private:
    void ShowMasks(U8 visible);
    void Verify();
    // Says which box the next digit goes into, after text `before` of the
    // declaration (the prompt, the wrong-PIN message) unless it is -1.
    void SayFocus(int before);

    std::vector<ST_PIN_CODE_DATA> vPinCodeData;
    U8 u8FocusIndex;
    U8 au8PinDigit[E_PIN_DIGITS];
    ImageItem* pFocusImage;   // box art that has the focus now
    TextItem* pFocusMask;     // its mask
    ImageItem* apBoxImage[E_PIN_DIGITS];
    TextItem* apBoxMask[E_PIN_DIGITS];
    ImageItem* pPincodeBgImage;
    TextItem* pChannelPinMessage1;
    TextItem* pChannelPinMessage2;
    TextItem* pParentalPinMessage1;
    TextItem* pParentalPinMessage2;
    TextItem* pParentalPinMessage3;
    ImageItem* pErrorMessageBgImage;
    TextItem* pErrorMessage;
};

#endif   // BRISKUI_PINCODEHANDLER_H
