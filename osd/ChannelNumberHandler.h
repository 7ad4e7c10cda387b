// ChannelNumberHandler: the channel-number entry. It collects the digits
// typed on the remote, shows them in its `channel_number` text and tunes
// the typed channel on enter or when the viewer stops typing.
//
// EU: a plain number of at most u8MaxDigitNumber digits (layout key
// setting:u8MaxDigitNumber, default 4, at most 9), the 1-based program on
// analogue TV, the channel number on digital TV.
// NA: a major number, the dash key and a minor number, shown as
// "major-minor" (major up to 4 digits; minor up to 4 digits after a major
// of up to 3, up to 3 after a 4-digit major); tunes the digital program of
// that major and minor number, or the first of the major number when no
// minor was typed.
#ifndef BRISKUI_CHANNELNUMBERHANDLER_H
#define BRISKUI_CHANNELNUMBERHANDLER_H

#include "EventHandler.h"

// What selectProgramByMajorMinorNumber looks for.
enum EN_VRL_BRISKUI_DIRECT_TUNE_TYPE {
    E_VRL_BRISKUI_DIRECT_TUNE_MAJOR_MINOR = 0,   // the program numbered major-minor
    E_VRL_BRISKUI_DIRECT_TUNE_MAJOR_ONLY = 1     // the first program of the major number
};

class ChannelNumberHandler final : public EventHandler {
public:
    // Items and "setting" keys read from the layout, and what the OSD
    // says (each digit as it is typed, the separator, the number tuned),
    // listed in the .cpp.
    static const ST_LAYOUT_NEEDS kLayout;
    static const ST_SPEECH_NEEDS kSpeech;

    // Default and largest EU digit limit: ten digits would overflow the
    // 32-bit number.
    enum { E_DEFAULT_MAX_DIGITS = 4, E_LARGEST_MAX_DIGITS = 9 };

    ChannelNumberHandler();

    // Loads the layout, finds `channel_number` and reads the digit limit
    // from the same parse; a value above 9 counts as 9. Start-up.
    void LoadResource(const char* path) override;
    // Close keys abandon the entry; every other key goes to the grammar of
    // the country group. Input thread.
    BOOL KeyHandler(U32 key) override;
    // The time-out commits what was typed, then clears and hides the
    // entry. Input thread.
    void TimerHandler(U32 timerId) override;

    void KeyHandler_EU(U32 key);
    void KeyHandler_NA(U32 key);
    // Whether the number typed already has u8MaxDigitNumber digits.
    BOOL ExceedMaxDigit() const;
    // Forgets what was typed. Input thread, and the manager's DisableStatus
    // of this OSD (under the manager lock).
    void ResetNumber();
    // Tunes what was typed (nothing when nothing was), then clears and
    // hides the entry. Input thread.
    void ChangeChannel_EU();
    void ChangeChannel_NA();

    // Tunes the digital program numbered `major`-`minor`, or with
    // E_VRL_BRISKUI_DIRECT_TUNE_MAJOR_ONLY the first of the major number;
    // 1 when tuned, 0 (and a log line) when there is no such program.
    // Touches no state of the handler: any host thread.
    BOOL selectProgramByMajorMinorNumber(unsigned short major, unsigned short minor,
                                         EN_VRL_BRISKUI_DIRECT_TUNE_TYPE type);

    U8 GetMaxDigitNumber() const { return u8MaxDigitNumber; }
    U32 GetInputNumber() const { return u32InputNumber; }
    U32 GetMajorNumber() const { return u32MajorNumber; }

private:
    void ShowEntry(const char* text);
    void DisplayNA();

    U8 u8MaxDigitNumber;
    TextItem* pChannelNumber;
    U32 u32InputNumber;
    U32 u32MajorNumber;
    U8 bMajorNumberInputed;
    U8 bMinorNumberInputed;
};

#endif   // BRISKUI_CHANNELNUMBERHANDLER_H
