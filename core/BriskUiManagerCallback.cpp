// Middleware events: the few that concern the small OSDs become OSD state
// changes. Runs on the middleware's event thread; the input thread
// composes the result.
#include <stdint.h>
#include <stdio.h>

#include "BriskUiManager.h"
#include "ManagerLock.h"
#include "Middleware.h"
#include "PinCodeHandler.h"
#include "WaitMessageHandler.h"

U8 BriskUiManager::MiddlewareCallback(void* pOwner, void* pEventId, void* pParam)
{
    if (!MSystem::GetInstance()->IsTvosIr()) return 0;
    U32 owner = (U32)(uintptr_t)pOwner;
    U32 id = (U32)(uintptr_t)pEventId;
    U32 param = (U32)(uintptr_t)pParam;
    // %ld of the three words as the set's 32-bit long prints them (0xFFFFFFFF
    // is -1), so that a desktop log reads like the set's.
    printf("[%s] Get MSrv Event %ld,%ld,%ld\n", "MiddlewareCallback", (long)(S32)owner, (long)(S32)id,
           (long)(S32)param);

    BriskManagerLock lock;
    // Only an existing, started manager acts: the callback may still be
    // running on the middleware thread while Finalize removes it.
    BriskUiManager* manager = pInstance;
    if (manager == NULL) return 0;
    if (bFirstInitialization == 1) return 0;

    switch (id) {
    case EV_BRISKUI_SHOW_BANNER:
        printf("[%s] show banner \n", "MiddlewareCallback");
        if (!manager->QueryStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE))
            manager->EnableStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, 0xFFFF);
        return 1;
    case EV_BRISKUI_IGNORED_61:
        return 1;
    case EV_SCREEN_SAVER_MODE:
        printf("[%s] EV_SCREEN_SAVER_MODE: %lu \n", "MiddlewareCallback", (unsigned long)param);
        switch (param) {
        case 1:
        case 3:
            if (pWaitMessageHandler != NULL) pWaitMessageHandler->PinCodeEeventHandler();
            break;
        case 4:
            if (pPinCodeHandler != NULL) pPinCodeHandler->LockHandler(E_BRISKUI_LOCK_CHANNEL);
            break;
        case 5:
            if (pPinCodeHandler != NULL) pPinCodeHandler->LockHandler(E_BRISKUI_LOCK_PARENTAL);
            break;
        case 8:
            if (pPinCodeHandler != NULL && manager->QueryStatus(E_BRISKUI_OSD_STATUS_PIN_CODE))
                manager->DisableStatus(E_BRISKUI_OSD_STATUS_PIN_CODE);
            break;
        default:
            break;
        }
        return 1;
    case EV_CIMMI_UI_DATA_READY: {
        printf("[%s] EV_CIMMI_UI_DATA_READY event\n", "MiddlewareCallback");
        MSrv_DTV_Player_DVB* player = MSrv_Control_TV::GetMSrvDtv();
        if (player == NULL || player->CHECK_DVB_PLAYER_INIT() != 1) return 1;
        U32 muteFlag = 0;
        player->GetAVMonitorMuteFlag(&muteFlag);
        printf("%s%d u32MuteStatus=%ld\n", "MiddlewareCallback", __LINE__, (long)(S32)muteFlag);
        if ((muteFlag & 0x6080) != 0 && pWaitMessageHandler != NULL) pWaitMessageHandler->PinCodeEeventHandler();
        return 1;
    }
    case EV_BRISKUI_SHOW_BANNER_ALWAYS:
        manager->EnableStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, 0xFFFF);
        return 1;
    default:
        return 0;
    }
}
