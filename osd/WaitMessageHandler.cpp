#include "WaitMessageHandler.h"

#include "BriskUiManager.h"

void WaitMessageHandler::LookUp()
{
    pText = FindTextItem("text");
    pTextPinCode = FindTextItem("text_pincode");
    pTextPinCode1 = FindTextItem("text_pincode1");
}

void WaitMessageHandler::PinCodeEeventHandler()
{
    LookUp();
    if (pText != NULL) pText->SetVisible(0);
    if (pTextPinCode != NULL && pTextPinCode1 != NULL) {
        pTextPinCode->SetVisible(1);
        pTextPinCode1->SetVisible(1);
    }
    BriskUiManager::GetInstance()->EnableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, u16StateMask);
}

BOOL WaitMessageHandler::KeyHandler(U32)
{
    LookUp();
    if (pText != NULL) pText->SetVisible(1);
    if (pTextPinCode != NULL && pTextPinCode1 != NULL) {
        pTextPinCode->SetVisible(0);
        pTextPinCode1->SetVisible(0);
    }
    BriskUiManager::GetInstance()->EnableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, u16StateMask);
    return TRUE;
}

void WaitMessageHandler::TimerHandler(U32)
{
    BriskUiManager::GetInstance()->DisableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE);
}
