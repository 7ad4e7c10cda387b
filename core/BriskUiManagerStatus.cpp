// The set of shown OSDs and the composition of the screen.
#include <stdio.h>

#include "BriskSpeechQueue.h"
#include "BriskUiHandlerTable.h"
#include "BriskUiManager.h"
#include "Damage.h"
#include "EventHandler.h"
#include "ManagerLock.h"

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

U32 BriskUiManager::GetCurrentStatus() { return BriskLockedCopy(u32CurrentStatus); }

_Rect BriskUiManager::GetDirtyRect() { return BriskLockedCopy(rcDirty); }

_Rect BriskUiManager::GetLastFlipRect() { return BriskLockedCopy(rcLastFlip); }

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
    // A 16-bit mask cannot name the OSDs from 0x10000 up: their rows say
    // whether it keeps them.
    EnableStatusMask((U32)status, (U32)mask | BriskBitsKeptBy16BitMasks());
}

void BriskUiManager::EnableStatusMask(U32 status, U32 mask)
{
    BriskManagerLock lock;
    U32 keep = mask | E_BRISKUI_OSD_STATUS_BASE;
    // Bits above the sixteen of old that no row has are dropped.
    u32CurrentStatus = ((u32CurrentStatus & keep) | status) & (0xFFFFu | BriskAllOsdBits());
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
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* const* order = BriskCompositionOrder(&count);
    for (size_t i = 0; i < count; ++i) {
        EN_BRISKUI_OSD_STATUS status = order[i]->eStatus;
        if (order[i]->pfGet() == NULL) continue;
        if (QueryPrevStatus(status) && !QueryStatus(status)) DisableStatus(status);
    }
    // With audio guidance on, each OSD says what it shows once drawn.
    bool speak = BriskSpeechQueue::Instance().Wanted();
    for (size_t i = 0; i < count; ++i) {
        EventHandler* handler = order[i]->pfGet();
        if (handler == NULL || !QueryStatus(order[i]->eStatus)) continue;
        handler->Update(pSurface);
        if (speak) handler->SpeakShown(QueryPrevStatus(order[i]->eStatus) ? FALSE : TRUE);
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
