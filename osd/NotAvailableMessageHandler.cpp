#include "NotAvailableMessageHandler.h"

#include "BriskUiManager.h"

BOOL NotAvailableMessageHandler::KeyHandler(U32)
{
    BriskUiManager::GetInstance()->EnableStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE, u16StateMask);
    return TRUE;
}

void NotAvailableMessageHandler::TimerHandler(U32)
{
    BriskUiManager::GetInstance()->DisableStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE);
}
