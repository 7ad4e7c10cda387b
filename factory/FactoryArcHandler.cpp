#include "FactoryArcHandler.h"

#include "Middleware.h"

namespace {

// A factory screen says its title alone, whenever it comes on the screen.
const ST_SPEECH_TEXT kTexts[] = {
    { "title", "{arc_label}", "", E_SPEECH_INTERRUPT | E_SPEECH_ON_SHOW },
};

}   // namespace

const ST_SPEECH_NEEDS FactoryArcHandler::kSpeech = BriskSpeechNeeds(kTexts);

BOOL FactoryArcHandler::KeyHandler(U32)
{
    MSrv_CEC* cec = MSrv_Control_common::GetMSrvCEC();
    if (cec != NULL) cec->SetARCStatus(1);
    ShowOsd();
    return TRUE;
}

void FactoryArcHandler::TimerHandler(U32) { HideOsd(); }
