#include "NotAvailableMessageHandler.h"

namespace {

const ST_SPEECH_TEXT kTexts[] = {
    { "message", "{text}", "", E_SPEECH_INTERRUPT | E_SPEECH_ON_SHOW },
};

}   // namespace

const ST_SPEECH_NEEDS NotAvailableMessageHandler::kSpeech = BriskSpeechNeeds(kTexts);

BOOL NotAvailableMessageHandler::KeyHandler(U32)
{
    ShowOsd();
    return TRUE;
}

void NotAvailableMessageHandler::TimerHandler(U32) { HideOsd(); }
