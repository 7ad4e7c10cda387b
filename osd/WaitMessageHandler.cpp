#include "WaitMessageHandler.h"

namespace {

const ST_LAYOUT_ITEM kItems[] = {
    BriskTextItem("text"),
    BriskTextItem("text_pincode"),
    BriskTextItem("text_pincode1"),
};

}   // namespace

const ST_LAYOUT_NEEDS WaitMessageHandler::kLayout = BriskLayoutNeeds(kItems, TRUE);

void WaitMessageHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    BindItems(kLayout, { pText, pTextPinCode, pTextPinCode1 });
}

void WaitMessageHandler::ShowVariant(U8 pin)
{
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
