// The set of shown OSDs and the composition of the screen.
#include <stdio.h>

#include "BriskUiHandlerTable.h"
#include "BriskUiManager.h"
#include "Damage.h"
#include "EventHandler.h"
#include "ManagerLock.h"

namespace {

// Composition order: later entries are drawn over earlier ones. Each status
// resolves to its handler through the handler table; statuses without a
// row are passed over.
const EN_BRISKUI_OSD_STATUS kCompositionOrder[] = {
    E_BRISKUI_OSD_STATUS_VOLUME,
    E_BRISKUI_OSD_STATUS_CHANNEL_NUMBER,
    E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE,
    E_BRISKUI_OSD_STATUS_INPUT_SOURCE_MENU,
    E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON,
    E_BRISKUI_OSD_STATUS_WAIT_MESSAGE,
    E_BRISKUI_OSD_STATUS_NOT_AVAILABLE,
    E_BRISKUI_OSD_STATUS_FACTORY_ARC,
    E_BRISKUI_OSD_STATUS_INITIALIZATION,
    E_BRISKUI_OSD_STATUS_ATV_DTV_SWITCH_MENU,
    E_BRISKUI_OSD_STATUS_FACTORY_BALANCE,
    E_BRISKUI_OSD_STATUS_VERSION_SELF_CHECK,
    E_BRISKUI_OSD_STATUS_FACTORY_DIRECT_SOURCE,
    E_BRISKUI_OSD_STATUS_FACTORY_ORVEX_CHECK,
    E_BRISKUI_OSD_STATUS_PIN_CODE,
};

}   // namespace

BOOL BriskUiManager::QueryStatus(U32 status)
{
    BriskManagerLock lock;
    return (u32CurrentStatus & status) == status ? TRUE : FALSE;
}

BOOL BriskUiManager::QueryPrevStatus(U32 status)
{
    BriskManagerLock lock;
    return (u32PrevStatus & status) == status ? TRUE : FALSE;
}

void BriskUiManager::InvalidateOSD(const _Rect& rect)
{
    BriskManagerLock lock;
    rcDirty.union_of(rect);
}

BOOL BriskUiManager::IsUpdateNeeded()
{
    BriskManagerLock lock;
    return rcDirty.empty() ? FALSE : TRUE;
}

void BriskUiManager::EnableStatus(EN_BRISKUI_OSD_STATUS status, U16 mask)
{
    BriskManagerLock lock;
    U32 keep = (U32)mask | E_BRISKUI_OSD_STATUS_BASE;
    u32CurrentStatus = ((u32CurrentStatus & keep) | (U32)status) & 0xFFFF;
    EventHandler* handler = HandlerFor(status);
    if (handler != NULL) {
        handler->SetOSDTimer();
        InvalidateOSD(handler->GetItemRegion());
    }
}

void BriskUiManager::DisableStatus(EN_BRISKUI_OSD_STATUS status)
{
    BriskManagerLock lock;
    if (pSurface == NULL) {
        puts("BriskUiManager::DisableStatus, no DFB surface for drawing");
        return;
    }
    u32CurrentStatus &= ~(U32)status;
    const ST_BRISKUI_HANDLER_ROW* row = BriskFindHandlerRow(status);
    EventHandler* handler = row != NULL ? row->pfGet() : NULL;
    if (handler == NULL) return;
    if (row->pfStatusCleared != NULL && !row->pfStatusCleared(handler)) return;
    handler->KillOSDTimer();
    handler->ClearSurface(pSurface);
    InvalidateOSD(handler->GetItemRegion());
}

void BriskUiManager::UpdateOsd()
{
    BriskManagerLock lock;
    if (pSurface == NULL) {
        puts("BriskUiManager::UpdateOsd, no DFB surface for drawing");
        return;
    }
    BriskFrame frame(pSurface);
    for (size_t i = 0; i < sizeof(kCompositionOrder) / sizeof(kCompositionOrder[0]); ++i) {
        EN_BRISKUI_OSD_STATUS status = kCompositionOrder[i];
        if (HandlerFor(status) == NULL) continue;
        if (QueryPrevStatus(status) && !QueryStatus(status)) DisableStatus(status);
    }
    for (size_t i = 0; i < sizeof(kCompositionOrder) / sizeof(kCompositionOrder[0]); ++i) {
        EN_BRISKUI_OSD_STATUS status = kCompositionOrder[i];
        EventHandler* handler = HandlerFor(status);
        if (handler != NULL && QueryStatus(status)) handler->Update(pSurface);
    }
    rcLastFlip = frame.Finish(rcDirty);
    u32Flips.fetch_add(1);
    rcDirty.clear();
    u32PrevStatus = u32CurrentStatus;
}

void BriskUiManager::ClearScreen()
{
    BriskManagerLock lock;
    if (pSurface != NULL && pWindow != NULL) pWindow->SetOpacity(pWindow, 0);
}
