#include "BriskUiHandlerTable.h"

#include "BriskUiManager.h"
#include "InitializationHandler.h"
#include "NotAvailableMessageHandler.h"
#include "VolumeHandler.h"
#include "WaitMessageHandler.h"

namespace {

BOOL VolumeStatusCleared(EventHandler* handler)
{
    return static_cast<VolumeHandler*>(handler)->StatusCleared();
}

// Start-up order; the volume handler comes first. Finalize deletes in the
// same order. OSDs whose class this build does not have yet have no row:
// keys for them are logged, their status changes only the set.
const ST_BRISKUI_HANDLER_ROW kHandlerTable[] = {
    BriskHandlerRow<VolumeHandler, &BriskUiManager::pVolumeHandler>(
        E_BRISKUI_OSD_STATUS_VOLUME, "BriskUIVolumeLayout_NA.ini", "BriskUIVolumeLayout_EU.ini", &VolumeStatusCleared),
    BriskHandlerRow<WaitMessageHandler, &BriskUiManager::pWaitMessageHandler>(
        E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, "BriskUIWaitMessageLayout_NA.ini", "BriskUIWaitMessageLayout_EU.ini"),
    BriskHandlerRow<NotAvailableMessageHandler, &BriskUiManager::pNotAvailableMessageHandler>(
        E_BRISKUI_OSD_STATUS_NOT_AVAILABLE, "BriskUINotAvailableMessageLayout.ini",
        "BriskUINotAvailableMessageLayout.ini"),
    BriskHandlerRow<InitializationHandler, &BriskUiManager::pInitializationHandler>(
        E_BRISKUI_OSD_STATUS_INITIALIZATION, "BriskUIInitializationLayout.ini", "BriskUIInitializationLayout.ini"),
};

const ST_BRISKUI_HANDLER_ROW* g_rows = kHandlerTable;
size_t g_rowCount = sizeof(kHandlerTable) / sizeof(kHandlerTable[0]);

}  // namespace

const ST_BRISKUI_HANDLER_ROW* BriskHandlerTable(size_t* count)
{
    if (count != NULL) *count = g_rowCount;
    return g_rows;
}

const ST_BRISKUI_HANDLER_ROW* BriskFindHandlerRow(U32 status)
{
    for (size_t i = 0; i < g_rowCount; ++i)
        if (g_rows[i].eStatus == status) return &g_rows[i];
    return NULL;
}

void BriskSetHandlerTable(const ST_BRISKUI_HANDLER_ROW* rows, size_t count)
{
    if (rows == NULL) {
        g_rows = kHandlerTable;
        g_rowCount = sizeof(kHandlerTable) / sizeof(kHandlerTable[0]);
    } else {
        g_rows = rows;
        g_rowCount = count;
    }
}
