#include "WaitMessageHandler.h"

namespace {

const ST_LAYOUT_ITEM kItems[] = {
    BriskTextItem("text"),
    BriskTextItem("text_pincode"),
    BriskTextItem("text_pincode1"),
};

enum { E_SAY_WAIT, E_SAY_PIN };
const ST_SPEECH_TEXT kTexts[] = {
    { "wait", "{text}", "", E_SPEECH_INTERRUPT },
    { "pin", "{text_pincode} {text_pincode1}", "", E_SPEECH_INTERRUPT },
};

}   // namespace

const ST_LAYOUT_NEEDS WaitMessageHandler::kLayout = BriskLayoutNeeds(kItems, TRUE);
const ST_SPEECH_NEEDS WaitMessageHandler::kSpeech = BriskSpeechNeeds(kTexts);

void WaitMessageHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    BindItems(kLayout, { pText, pTextPinCode, pTextPinCode1 });
}

void WaitMessageHandler::ShowVariant(U8 pin)
{
    u8Variant = pin ? 1 : 0;
    ShowItem(pText, pin ? 0 : 1);
    // The PIN message is two lines: both or neither.
    if (pTextPinCode != NULL && pTextPinCode1 != NULL) ShowItems({ pTextPinCode, pTextPinCode1 }, pin);
    ShowOsd();
}

void WaitMessageHandler::PinCodeEeventHandler() { ShowVariant(1); }

BOOL WaitMessageHandler::KeyHandler(U32)
{
    ShowVariant(0);
    return TRUE;
}

void WaitMessageHandler::TimerHandler(U32) { HideOsd(); }

void WaitMessageHandler::SpeakShown(BOOL anew)
{
    SayShown(anew, { u8Variant ? (size_t)E_SAY_PIN : (size_t)E_SAY_WAIT });
}
