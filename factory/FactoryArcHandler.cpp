#include "FactoryArcHandler.h"

#include "Middleware.h"

BOOL FactoryArcHandler::KeyHandler(U32)
{
    MSrv_CEC* cec = MSrv_Control_common::GetMSrvCEC();
    if (cec != NULL) cec->SetARCStatus(1);
    ShowOsd();
    return TRUE;
}

void FactoryArcHandler::TimerHandler(U32) { HideOsd(); }
