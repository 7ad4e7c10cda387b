#include "WaitMessageHandler.h"

void WaitMessageHandler::ShowVariant(U8 pin)
{
    pText = FindTextItem("text");
    pTextPinCode = FindTextItem("text_pincode");
    pTextPinCode1 = FindTextItem("text_pincode1");
    ShowItem(pText, pin ? 0 : 1);
    // The PIN message is two lines: both or neither.
    if (pTextPinCode != NULL && pTextPinCode1 != NULL) ShowItems({ pTextPinCode, pTextPinCode1 }, pin);
    ShowOsd();
}

void WaitMessageHandler::PinCodeEeventHandler()
{
    ShowVariant(1);
}

BOOL WaitMessageHandler::KeyHandler(U32)
{
    ShowVariant(0);
    return TRUE;
}

void WaitMessageHandler::TimerHandler(U32)
{
    HideOsd();
}
