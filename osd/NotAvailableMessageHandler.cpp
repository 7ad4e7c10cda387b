#include "NotAvailableMessageHandler.h"

BOOL NotAvailableMessageHandler::KeyHandler(U32)
{
    ShowOsd();
    return TRUE;
}

void NotAvailableMessageHandler::TimerHandler(U32) { HideOsd(); }
