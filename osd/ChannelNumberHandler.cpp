#include "ChannelNumberHandler.h"

#include <stdio.h>

#include <string>

#include "BriskKeys.h"
#include "BriskUiManager.h"
#include "Middleware.h"

namespace {

// NA room: the major number takes up to 4 digits; the minor up to 4 after
// a major of up to 3 and up to 3 after a 4-digit one, so that the text
// stays within 8 characters.
const U32 kFourDigits = 1000;
const U32 kThreeDigits = 100;
// "major-minor" at most 8 characters and the end.
const size_t kDisplaySize = 9;

const ST_LAYOUT_ITEM kItems[] = {
    BriskTextItem("channel_number"),
};
const ST_LAYOUT_KEY kKeys[] = {
    { "u8MaxDigitNumber", E_LAYOUT_KEY_U32, 0 },   // read whole, then limited
};

// Each digit typed follows the one before; the number tuned cuts short
// what is still being said.
enum { E_SAY_DIGIT, E_SAY_SEPARATOR, E_SAY_TUNED };
const ST_SPEECH_TEXT kTexts[] = {
    { "digit", "{digit}", "digit", 0 },
    { "separator", "dash", "", 0 },
    { "tuned", "{channel_caption} {number}", "number", E_SPEECH_INTERRUPT },
};

bool IsDigit(U32 key) { return key >= '0' && key <= '9'; }

// The digit `key` appended to `number`; a leading 0 stays out.
U32 Appended(U32 number, U32 key)
{
    U32 digit = key - '0';
    return number == 0 && digit == 0 ? 0 : number * 10 + digit;
}

// "major-minor", or "major" for any minor.
std::string MajorMinorText(U32 major, U32 minor, BOOL anyMinor)
{
    char text[24];
    if (anyMinor)
        snprintf(text, sizeof(text), "%lu", (unsigned long)major);
    else
        snprintf(text, sizeof(text), "%lu-%lu", (unsigned long)major, (unsigned long)minor);
    return text;
}

// Tunes the digital program major-minor (any minor: the first of the
// major number) and logs what happened on behalf of `caller`.
BOOL TuneMajorMinor(const char* caller, U32 major, U32 minor, BOOL anyMinor)
{
    std::string text = MajorMinorText(major, minor, anyMinor);
    MSrv_ChannelManager* channels = MSrv_Control_common::GetMSrvChannelManager();
    BOOL tuned =
        channels != NULL && channels->SelectProgramByMajorMinor((U16)major, (U16)minor, anyMinor) == 1 ? TRUE : FALSE;
    if (tuned)
        printf("[%s] channel number: %s \n", caller, text.c_str());
    else
        printf("[%s] no program %s, nothing tuned\n", caller, text.c_str());
    return tuned;
}

}   // namespace

const ST_LAYOUT_NEEDS ChannelNumberHandler::kLayout = BriskLayoutNeeds(kItems, kKeys, TRUE);
const ST_SPEECH_NEEDS ChannelNumberHandler::kSpeech = BriskSpeechNeeds(kTexts);

ChannelNumberHandler::ChannelNumberHandler()
    : u8MaxDigitNumber(E_DEFAULT_MAX_DIGITS),
      pChannelNumber(NULL),
      u32InputNumber(0),
      u32MajorNumber(0),
      bMajorNumberInputed(0),
      bMinorNumberInputed(0)
{}

void ChannelNumberHandler::LoadResource(const char* path)
{
    LayoutKeys keys;
    LoadLayout(path, keys);
    BindItems(kLayout, { pChannelNumber });
    if (!keys.IsOpen()) {
        printf("[BriskUI] ChannelNumberHandler::LoadResource failed, no such file %s%s\n", path,
               keys.Problem().c_str());
        return;
    }
    U32 limit = keys.GetUnsigned("setting:u8MaxDigitNumber", E_DEFAULT_MAX_DIGITS);
    if (limit > E_LARGEST_MAX_DIGITS) {
        // Ten digits no longer fit the 32-bit number and would tune a wrong channel.
        printf("[BriskUI] ChannelNumberHandler::LoadResource %s: u8MaxDigitNumber %lu counts as %d\n", path,
               (unsigned long)limit, (int)E_LARGEST_MAX_DIGITS);
        limit = E_LARGEST_MAX_DIGITS;
    }
    u8MaxDigitNumber = (U8)limit;
}

BOOL ChannelNumberHandler::ExceedMaxDigit() const
{
    U32 number = u32InputNumber;
    for (int i = 1; i < u8MaxDigitNumber; ++i) number /= 10;
    return number != 0 ? TRUE : FALSE;
}

void ChannelNumberHandler::ResetNumber()
{
    u32InputNumber = 0;
    u32MajorNumber = 0;
    bMajorNumberInputed = 0;
    bMinorNumberInputed = 0;
}

void ChannelNumberHandler::ShowEntry(const char* text)
{
    if (pChannelNumber != NULL) pChannelNumber->SetText(text);
    ShowOsd();
}

BOOL ChannelNumberHandler::KeyHandler(U32 key)
{
    if (key == BRISKKEY_EXIT || key == BRISKKEY_CUSTOM61_EXIT) {
        ResetNumber();
        HideOsd();
        return TRUE;
    }
    int country = BriskUiManager::GetInstance()->QueryCountry();
    if (country == E_BRISKUI_COUNTRY_EU) {
        KeyHandler_EU(key);
    } else if (country == E_BRISKUI_COUNTRY_NA) {
        KeyHandler_NA(key);
    } else {
        printf("[BriskUI] ChannelNumberHandler::KeyHandler, unknown country:%d\n", country);
        return FALSE;
    }
    return TRUE;
}

void ChannelNumberHandler::KeyHandler_EU(U32 key)
{
    if (key == BRISKKEY_RETURN) {
        ChangeChannel_EU();
        return;
    }
    // At the limit any key, digit or not, only shows the entry again and
    // restarts its time-out.
    if (!ExceedMaxDigit()) {
        if (!IsDigit(key)) {
            printf("ChannelNumberHandler::KeyHandler, UNKNOWN number key:%ld\n", (long)key);
            return;
        }
        u32InputNumber = Appended(u32InputNumber, key);
        Say({ E_SAY_DIGIT }, { { "digit", key - '0' } });
    }
    char text[12];
    snprintf(text, sizeof(text), "%lu", (unsigned long)u32InputNumber);
    ShowEntry(text);
}

void ChannelNumberHandler::KeyHandler_NA(U32 key)
{
    printf(">> [%s][%d] enter\n", "KeyHandler_NA", 198);
    if (key == BRISKKEY_RETURN) {
        ChangeChannel_NA();
        return;
    }
    if (key == BRISKKEY_CHANNEL_SEPARATOR) {
        if (!bMajorNumberInputed) {
            if (u32InputNumber == 0) return;   // no major number yet
            bMajorNumberInputed = 1;
            u32MajorNumber = u32InputNumber;
            u32InputNumber = 0;
            Say({ E_SAY_SEPARATOR });
        }
        DisplayNA();
        return;
    }
    bool room = !bMajorNumberInputed           ? u32InputNumber < kFourDigits
                : u32MajorNumber < kFourDigits ? u32InputNumber < kFourDigits
                                               : u32InputNumber < kThreeDigits;
    if (room) {
        if (!IsDigit(key)) {
            printf("ChannelNumberHandler::KeyHandler, UNKNOWN number key:%ld\n", (long)key);
            return;
        }
        printf(">> [%s][%d] number input\n", "KeyHandler_NA", 244);
        if (bMajorNumberInputed && !bMinorNumberInputed) {
            printf(">> [%s][%d] bMinorNumberInputed\n", "KeyHandler_NA", 247);
            bMinorNumberInputed = 1;
        }
        u32InputNumber = Appended(u32InputNumber, key);
        Say({ E_SAY_DIGIT }, { { "digit", key - '0' } });
    }
    DisplayNA();
}

void ChannelNumberHandler::DisplayNA()
{
    char text[kDisplaySize] = "";
    int length = 0;
    if (bMajorNumberInputed && (u32InputNumber != 0 || bMinorNumberInputed)) {
        length = snprintf(text, sizeof(text), "%lu-%lu", (unsigned long)u32MajorNumber, (unsigned long)u32InputNumber);
    } else if (bMajorNumberInputed) {
        length = snprintf(text, sizeof(text), "%lu-", (unsigned long)u32MajorNumber);
    } else if (u32InputNumber != 0) {
        u32MajorNumber = u32InputNumber;
        length = snprintf(text, sizeof(text), "%lu", (unsigned long)u32InputNumber);
    }
    // The room rules keep every entry within the display.
    if (length >= (int)sizeof(text)) printf("[BriskUI] ChannelNumberHandler::DisplayNA, entry cut to %s\n", text);
    ShowEntry(text);
}

void ChannelNumberHandler::ChangeChannel_EU()
{
    char text[32] = "";
    if (u32InputNumber != 0) {
        MAPI_INPUT_SOURCE_TYPE source = MSrv_Control::GetInstance()->GetCurrentInputSource();
        MSrv_ChannelManager* channels = MSrv_Control_common::GetMSrvChannelManager();
        if (source == MAPI_INPUT_SOURCE_ATV) {
            if (channels != NULL) channels->SelectProgram(u32InputNumber - 1, 0);   // 0-based on ATV
            printf("[%s][%d] %d \n", "ChangeChannel_EU", 377, (int)source);
        } else if (source == MAPI_INPUT_SOURCE_DTV) {
            if (channels != NULL) channels->SelectProgram(u32InputNumber, 1);
        }
        snprintf(text, sizeof(text), "channel number: %ld", (long)u32InputNumber);
    }
    printf("[%s][%d] %s \n", "ChangeChannel_EU", 395, text);
    U32 tuned = u32InputNumber;
    ResetNumber();
    HideOsd();
    // Said once the entry is gone, so that closing it does not drop it.
    if (tuned != 0) Say({ E_SAY_TUNED }, { { "number", tuned } });
}

void ChannelNumberHandler::ChangeChannel_NA()
{
    if (bMajorNumberInputed || u32InputNumber != 0) {
        // A dash and no minor digit, or no dash at all: the major number alone.
        BOOL exact = bMajorNumberInputed && bMinorNumberInputed ? TRUE : FALSE;
        U32 major = bMajorNumberInputed ? u32MajorNumber : u32InputNumber;
        U32 minor = exact ? u32InputNumber : 0;
        if (TuneMajorMinor("ChangeChannel_NA", major, minor, exact ? FALSE : TRUE)) {
            ResetNumber();
            HideOsd();
            Say({ E_SAY_TUNED }, { { "number", MajorMinorText(major, minor, exact ? FALSE : TRUE) } });
            return;
        }
    } else {
        printf("[%s] channel number: %s \n", "ChangeChannel_NA", "");
    }
    ResetNumber();
    HideOsd();
}

BOOL ChannelNumberHandler::selectProgramByMajorMinorNumber(unsigned short major, unsigned short minor,
                                                           EN_VRL_BRISKUI_DIRECT_TUNE_TYPE type)
{
    return TuneMajorMinor("selectProgramByMajorMinorNumber", major, minor,
                          type == E_VRL_BRISKUI_DIRECT_TUNE_MAJOR_ONLY ? TRUE : FALSE);
}

void ChannelNumberHandler::TimerHandler(U32)
{
    int country = BriskUiManager::GetInstance()->QueryCountry();
    if (country == E_BRISKUI_COUNTRY_EU) {
        ChangeChannel_EU();
    } else if (country == E_BRISKUI_COUNTRY_NA) {
        ChangeChannel_NA();
    } else {
        printf("[BriskUI] ChannelNumberHandler::TimerHandler, unknown country:%d\n", country);
        ResetNumber();
        HideOsd();
    }
}
