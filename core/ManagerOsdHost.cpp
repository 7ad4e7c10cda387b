#include "ManagerOsdHost.h"

#include "BriskSpeechQueue.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "Middleware.h"

namespace {

// Every call goes to the manager that exists at the time, if any: a
// handler or the timer thread may outlive the manager by one call while
// the library finalises.
class ManagerOsdHost final : public BriskOsdHost {
public:
    void ShowOsd(U32 status, U32 mask, BOOL wide) override
    {
        BriskUiManager* manager = BriskUiManager::PeekInstance();
        if (manager == NULL) return;
        if (wide)
            manager->EnableStatusMask(status, mask);
        else
            manager->EnableStatus((EN_BRISKUI_OSD_STATUS)status, (U16)mask);
    }
    void HideOsd(U32 status) override
    {
        BriskUiManager* manager = BriskUiManager::PeekInstance();
        if (manager != NULL) manager->DisableStatus((EN_BRISKUI_OSD_STATUS)status);
    }
    IDirectFB* GetDirectFB() override { return MSystem::GetInstance()->GetDirectFB(); }
    void PostTimerExpiry(EventHandler* handler, U32 timerId) override
    {
        // The keys paused long enough: the OSD's utterance is due. The
        // handler itself never sees this timer.
        if (timerId == E_SPEECH_SETTLE_TIMER_ID) {
            BriskSpeechQueue::Instance().Due(handler);
            return;
        }
        BriskUiManager* manager = BriskUiManager::PeekInstance();
        if (manager == NULL) return;
        DFBUserEvent event;
        event.clazz = DFEC_USER;
        event.type = timerId;
        event.data = handler;
        manager->PostEvent(event);
    }
    void WakeInput() override
    {
        BriskUiManager* manager = BriskUiManager::PeekInstance();
        if (manager != NULL) manager->WakeUp();
    }
    BOOL IsInputRunning() override { return MSystem::GetInstance()->IsTvosIr() ? TRUE : FALSE; }
    BOOL SpeechWanted() override { return BriskSpeechQueue::Instance().Wanted() ? TRUE : FALSE; }
    void Speak(EventHandler* handler, const std::string& text, U8 flags) override
    {
        if (handler != NULL) BriskSpeechQueue::Instance().Put(handler, handler->GetOsdStatus(), text, flags);
    }
};

ManagerOsdHost g_host;

}   // namespace

BriskOsdHost* BriskManagerOsdHost() { return &g_host; }
