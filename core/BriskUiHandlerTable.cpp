#include "BriskUiHandlerTable.h"

#include "AtvDtvSwitchMenuHandler.h"
#include "BriskUiManager.h"
#include "ChannelChangeHandler.h"
#include "ChannelNumberHandler.h"
#include "FactoryArcHandler.h"
#include "FactoryBalanceHandler.h"
#include "FactoryDirectlyInputSourceChanged.h"
#include "FactoryOrvexCheck.h"
#include "InitializationHandler.h"
#include "InputSourceIconHandler.h"
#include "InputSourceMenuHandler.h"
#include "NotAvailableMessageHandler.h"
#include "PinCodeHandler.h"
#include "VersionSelfCheckHandler.h"
#include "VolumeHandler.h"
#include "WaitMessageHandler.h"

namespace {

BOOL VolumeStatusCleared(EventHandler* handler) { return static_cast<VolumeHandler*>(handler)->StatusCleared(); }

// Whoever hides the number entry, what was typed goes with it.
BOOL ChannelNumberStatusCleared(EventHandler* handler)
{
    static_cast<ChannelNumberHandler*>(handler)->ResetNumber();
    return TRUE;
}

// Start-up order; the volume handler comes first. Finalize deletes in the
// same order. OSDs whose class this build does not have yet have no row:
// keys for them are logged, their status changes only the set.
const ST_BRISKUI_HANDLER_ROW kHandlerTable[] = {
    BriskHandlerRow<VolumeHandler, &BriskUiManager::pVolumeHandler>(
        E_BRISKUI_OSD_STATUS_VOLUME, "BriskUIVolumeLayout_NA.ini", "BriskUIVolumeLayout_EU.ini", &VolumeStatusCleared),
    BriskHandlerRow<ChannelChangeHandler, &BriskUiManager::pChannelChangeHandler>(
        E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, "BriskUIChannelChangeLayout_NA.ini", "BriskUIChannelChangeLayout_EU.ini",
        NULL, TRUE),
    BriskHandlerRow<ChannelNumberHandler, &BriskUiManager::pChannelNumberHandler>(
        E_BRISKUI_OSD_STATUS_CHANNEL_NUMBER, "BriskUIChannelNumberLayout_NA.ini", "BriskUIChannelNumberLayout_EU.ini",
        &ChannelNumberStatusCleared),
    BriskHandlerRow<InputSourceMenuHandler, &BriskUiManager::pInputSourceMenuHandler>(
        E_BRISKUI_OSD_STATUS_INPUT_SOURCE_MENU, "BriskUIInputSourceMenuLayout_NA.ini",
        "BriskUIInputSourceMenuLayout_EU.ini"),
    BriskHandlerRow<InputSourceIconHandler, &BriskUiManager::pInputSourceIconHandler>(
        E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON, "BriskUIInputSourceIconLayout.ini", "BriskUIInputSourceIconLayout.ini"),
    BriskHandlerRow<WaitMessageHandler, &BriskUiManager::pWaitMessageHandler>(
        E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, "BriskUIWaitMessageLayout_NA.ini", "BriskUIWaitMessageLayout_EU.ini"),
    BriskHandlerRow<NotAvailableMessageHandler, &BriskUiManager::pNotAvailableMessageHandler>(
        E_BRISKUI_OSD_STATUS_NOT_AVAILABLE, "BriskUINotAvailableMessageLayout.ini",
        "BriskUINotAvailableMessageLayout.ini"),
    BriskHandlerRow<FactoryArcHandler, &BriskUiManager::pFactoryArcHandler>(
        E_BRISKUI_OSD_STATUS_FACTORY_ARC, "BriskUIFactoryArcLayout.ini", "BriskUIFactoryArcLayout.ini"),
    BriskHandlerRow<InitializationHandler, &BriskUiManager::pInitializationHandler>(
        E_BRISKUI_OSD_STATUS_INITIALIZATION, "BriskUIInitializationLayout.ini", "BriskUIInitializationLayout.ini"),
    BriskHandlerRow<AtvDtvSwitchMenuHandler, &BriskUiManager::pAtvDtvSwitchMenuHandler>(
        E_BRISKUI_OSD_STATUS_ATV_DTV_SWITCH_MENU, "BriskUIAtvDtvSwitchMenuLayout.ini",
        "BriskUIAtvDtvSwitchMenuLayout.ini"),
    BriskHandlerRow<FactoryBalanceHandler, &BriskUiManager::pFactoryBalanceHandler>(
        E_BRISKUI_OSD_STATUS_FACTORY_BALANCE, "BriskUIFactoryBalanceLayout.ini", "BriskUIFactoryBalanceLayout.ini"),
    BriskHandlerRow<FactoryDirectlyInputSourceChanged, &BriskUiManager::pFactoryDirectlyInputSourceChanged>(
        E_BRISKUI_OSD_STATUS_FACTORY_DIRECT_SOURCE, "BriskUIFactoryDirectlyInputSourceChangedLayout.ini",
        "BriskUIFactoryDirectlyInputSourceChangedLayout.ini"),
    BriskHandlerRow<FactoryOrvexCheck, &BriskUiManager::pFactoryOrvexCheck>(E_BRISKUI_OSD_STATUS_FACTORY_ORVEX_CHECK,
                                                                            "BriskUIFactoryOrvexCheckLayout.ini",
                                                                            "BriskUIFactoryOrvexCheckLayout.ini"),
    BriskHandlerRow<VersionSelfCheckHandler, &BriskUiManager::pVersionSelfCheckHandler>(
        E_BRISKUI_OSD_STATUS_VERSION_SELF_CHECK, "BriskUIFactoryRomLayout.ini", "BriskUIFactoryRomLayout.ini"),
    BriskHandlerRow<PinCodeHandler, &BriskUiManager::pPinCodeHandler>(
        E_BRISKUI_OSD_STATUS_PIN_CODE, "BriskUIPinCodeLayout.ini", "BriskUIPinCodeLayout.ini"),
};

const ST_BRISKUI_HANDLER_ROW* g_rows = kHandlerTable;
size_t g_rowCount = sizeof(kHandlerTable) / sizeof(kHandlerTable[0]);

}   // namespace

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
