#include "PinCodeHandler.h"

#include <stdio.h>
#include <string.h>

#include "BriskPlatform.h"
#include "BriskUiManager.h"
#include "Middleware.h"

namespace {

// Box art endings: the handler swaps the last nine characters of a box's
// image path between these two.
const char kNormalEnding[] = "nomal.png";
const char kFocusEnding[] = "focus.png";

// The four boxes, then their masks, then the messages.
const ST_LAYOUT_ITEM kItems[] = {
    BriskImageItem("password1", kNormalEnding, kFocusEnding),
    BriskImageItem("password2", kNormalEnding, kFocusEnding),
    BriskImageItem("password3", kNormalEnding, kFocusEnding),
    BriskImageItem("password4", kNormalEnding, kFocusEnding),
    BriskTextItem("password1_message"),
    BriskTextItem("password2_message"),
    BriskTextItem("password3_message"),
    BriskTextItem("password4_message"),
    BriskImageItem("pincode_bg_image"),
    BriskTextItem("channel_pin_message1"),
    BriskTextItem("channel_pin_message2"),
    BriskTextItem("parental_pin_message1"),
    BriskTextItem("parental_pin_message2"),
    BriskTextItem("parental_pin_message3"),
    BriskImageItem("errormessage_bg_image"),
    BriskTextItem("error_message"),
};
const size_t kFirstMask = PinCodeHandler::E_PIN_DIGITS;

// The prompt of each lock, the box the next digit goes into and the
// wrong-PIN message. No text has a value a typed digit could reach.
enum { E_SAY_CHANNEL_LOCK, E_SAY_PARENTAL_LOCK, E_SAY_POSITION, E_SAY_WRONG };
const ST_SPEECH_TEXT kTexts[] = {
    { "channel_lock", "{channel_pin_message1} {channel_pin_message2}", "", E_SPEECH_INTERRUPT },
    { "parental_lock", "{parental_pin_message1} {parental_pin_message2} {parental_pin_message3}", "",
      E_SPEECH_INTERRUPT },
    { "position", "Digit {position} of {count}", "position count", E_SPEECH_INTERRUPT },
    { "wrong", "{error_message}", "", E_SPEECH_INTERRUPT },
};

const U32 kFirstDigitKey = 0x30;   // '0'
const U32 kLastDigitKey = 0x39;    // '9'

// The flag the channel manager is given when the programme is selected
// again after a correct PIN.
const U8 kReselectFlag = 1;
// The ATV player's flag when it sets its current programme again.
const U8 kAtvSetProgramFlag = 0;

bool HasSource(const ST_MSRV_SOURCE_INFO* list, MAPI_INPUT_SOURCE_TYPE source)
{
    return list != NULL && list[source].u32Present != 0;
}

void UnlockDtv()
{
    MSrv_DTV_Player_DVB* dtv = MSrv_Control_TV::GetMSrvDtv();
    if (dtv != NULL) dtv->UnlockChannel();
}

// The ATV player takes its current programme again, which lifts the lock.
void UnlockAtv()
{
    MSrv_ATV_Player* atv = MSrv_Control_TV::GetMSrvAtv();
    if (atv == NULL) return;
    U16 program = atv->GetCurrentProgramNumber();
    atv->SetProgram(program, kAtvSetProgramFlag);
}

}   // namespace

// The time-out hides a wrong-PIN message.
const ST_LAYOUT_NEEDS PinCodeHandler::kLayout = BriskLayoutNeeds(kItems, TRUE);
const ST_SPEECH_NEEDS PinCodeHandler::kSpeech = BriskSpeechNeeds(kTexts);

PinCodeHandler::PinCodeHandler()
    : u8FocusIndex(0),
      pFocusImage(NULL),
      pFocusMask(NULL),
      pPincodeBgImage(NULL),
      pChannelPinMessage1(NULL),
      pChannelPinMessage2(NULL),
      pParentalPinMessage1(NULL),
      pParentalPinMessage2(NULL),
      pParentalPinMessage3(NULL),
      pErrorMessageBgImage(NULL),
      pErrorMessage(NULL)
{
    for (int i = 0; i < E_PIN_DIGITS; ++i) {
        ST_PIN_CODE_DATA box;
        box.sImageItemName = kItems[i].pName;
        box.sMessageItemName = kItems[kFirstMask + i].pName;
        vPinCodeData.push_back(box);
        au8PinDigit[i] = 0;
        apBoxImage[i] = NULL;
        apBoxMask[i] = NULL;
    }
}

void PinCodeHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    BindItems(kLayout,
              { apBoxImage, apBoxMask, pPincodeBgImage, pChannelPinMessage1, pChannelPinMessage2, pParentalPinMessage1,
                pParentalPinMessage2, pParentalPinMessage3, pErrorMessageBgImage, pErrorMessage });
    // The box of the focus (the first at start-up; a layout loaded again
    // while the PIN is entered keeps its place).
    pFocusImage = apBoxImage[u8FocusIndex < E_PIN_DIGITS ? u8FocusIndex : 0];
    pFocusMask = apBoxMask[u8FocusIndex < E_PIN_DIGITS ? u8FocusIndex : 0];

    ShowMasks(0);
    ShowItems({ pChannelPinMessage1, pChannelPinMessage2, pParentalPinMessage1, pParentalPinMessage2,
                pParentalPinMessage3, pErrorMessageBgImage, pErrorMessage },
              0);
}

void PinCodeHandler::ShowMasks(U8 visible)
{
    for (int i = 0; i < E_PIN_DIGITS; ++i) ShowItem(apBoxMask[i], visible);
}

void PinCodeHandler::LockHandler(EN_BRISKUI_LOCK_TYPE type)
{
    u8FocusIndex = 0;
    if (pErrorMessageBgImage != NULL && pErrorMessage != NULL) ShowItems({ pErrorMessageBgImage, pErrorMessage }, 0);
    ShowMasks(0);
    // The prompts go as one set: with any of them missing none is touched.
    if (pChannelPinMessage1 != NULL && pChannelPinMessage2 != NULL && pParentalPinMessage1 != NULL &&
        pParentalPinMessage2 != NULL && pParentalPinMessage3 != NULL) {
        U8 channel = type == E_BRISKUI_LOCK_CHANNEL ? 1 : 0;
        ShowItems({ pChannelPinMessage1, pChannelPinMessage2 }, channel);
        ShowItems({ pParentalPinMessage1, pParentalPinMessage2, pParentalPinMessage3 }, (U8)(channel ? 0 : 1));
    }
    UpdateFocusBar(0);
    // Mask 0, whatever the layout says: the entry drops every other OSD.
    ShowOsd(0);
    SayFocus(type == E_BRISKUI_LOCK_CHANNEL ? E_SAY_CHANNEL_LOCK : E_SAY_PARENTAL_LOCK);
}

void PinCodeHandler::SayFocus(int before)
{
    if (!SpeechWanted()) return;
    BriskSpeechValue position("position", u8FocusIndex + 1);
    BriskSpeechValue count("count", (int)E_PIN_DIGITS);
    if (before < 0)
        Say({ E_SAY_POSITION }, { position, count });
    else
        Say({ (size_t)before, E_SAY_POSITION }, { position, count });
}

void PinCodeHandler::UpdateFocusBar(unsigned char showMask)
{
    ImageItem* image = u8FocusIndex < E_PIN_DIGITS ? apBoxImage[u8FocusIndex] : NULL;
    TextItem* mask = u8FocusIndex < E_PIN_DIGITS ? apBoxMask[u8FocusIndex] : NULL;
    SwapPathEnding(pFocusImage, kNormalEnding);
    if (showMask != 0) ShowItem(pFocusMask, 1);
    SwapPathEnding(image, kFocusEnding);
    pFocusImage = image;
    pFocusMask = mask;
}

BOOL PinCodeHandler::KeyHandler(U32 key)
{
    if (key < kFirstDigitKey || key > kLastDigitKey) {
        printf("PinCodeHandler::KeyHandler, Unknown key:%ld", (long)key);
        return FALSE;
    }
    au8PinDigit[u8FocusIndex] = (U8)(key - kFirstDigitKey);
    if (u8FocusIndex < E_PIN_DIGITS - 1) {
        ShowItems({ pErrorMessageBgImage, pErrorMessage }, 0);
        ++u8FocusIndex;
        UpdateFocusBar(1);
        ShowOsd();
        SayFocus(-1);
        return TRUE;
    }
    Verify();
    return TRUE;
}

// The fourth digit: the four digits read as one decimal number (leading
// zeros count) against the stored PIN.
void PinCodeHandler::Verify()
{
    u8FocusIndex = 0;
    U16 pin = (U16)(1000 * au8PinDigit[0] + 100 * au8PinDigit[1] + 10 * au8PinDigit[2] + au8PinDigit[3]);
    // The typed PIN is not kept once it has been checked.
    memset(au8PinDigit, 0, sizeof(au8PinDigit));
    MSrv_System_Database* database = MSrv_Control_common::GetMSrvSystemDatabase();
    BOOL match = database != NULL && database->GetPassword() == pin;

    if (match) {
        // Select the programme again, now that it may be watched. Without
        // the programme's record there is nothing to select: a zeroed
        // record would tune the first programme instead.
        MSrv_ChannelManager* channels = MSrv_Control_common::GetMSrvChannelManager();
        ST_PROGRAM_INFO info;
        memset(&info, 0, sizeof(info));
        if (channels != NULL && channels->GetProgramInfo(&info))
            channels->SelectProgram(info.u32Number, info.u8ServiceType, kReselectFlag);
        else
            puts("PinCodeHandler::KeyHandler, no program information: the program is not selected again");
        UnlockChannel();
        UpdateFocusBar(1);
        ShowMasks(0);
        HideOsd();
        return;
    }

    ShowMasks(0);
    ShowItems({ pErrorMessageBgImage, pErrorMessage }, 1);
    SetOSDTimer();
    UpdateFocusBar(0);
    MSrv_Control::GetInstance()->SetPasswordVerified(0);
    ShowOsd();
    SayFocus(E_SAY_WRONG);
}

bool PinCodeHandler::UnlockChannel()
{
    const ST_MSRV_SOURCE_INFO* sources = MSrv_Control::GetInstance()->GetSourceList();
    bool atv = HasSource(sources, MAPI_INPUT_SOURCE_ATV);
    bool dtv = HasSource(sources, MAPI_INPUT_SOURCE_DTV);
    if (atv && dtv) {
        MAPI_INPUT_SOURCE_TYPE source = MSrv_Control::GetInstance()->GetCurrentInputSource();
        if (source == MAPI_INPUT_SOURCE_DTV)
            UnlockDtv();
        else if (source == MAPI_INPUT_SOURCE_ATV)
            UnlockAtv();
    } else if (dtv) {
        UnlockDtv();
    } else if (atv) {
        UnlockAtv();
    } else {
        // A set without a tuner has no channel to unlock: report it and go on.
        BriskAssertReport(__FILE__, __PRETTY_FUNCTION__, 300);
        return false;
    }
    return true;
}

void PinCodeHandler::TimerHandler(U32)
{
    if (pErrorMessageBgImage == NULL || pErrorMessage == NULL) return;
    if (pErrorMessageBgImage->GetVisible() == 0 || pErrorMessage->GetVisible() == 0) return;
    ShowItems({ pErrorMessageBgImage, pErrorMessage }, 0);
    ShowOsd();
}
