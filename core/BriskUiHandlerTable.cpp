#include "BriskUiHandlerTable.h"

#include <algorithm>
#include <vector>

#include "AtvDtvSwitchMenuHandler.h"
#include "BriskKeys.h"
#include "BriskPlatform.h"
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
#include "ManagerOsdHost.h"
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

// ---- keys ----------------------------------------------------------------
// Precedences order the claims of one key: digits go to the input source
// menu when shown, else to the PIN entry when shown, else to the number
// entry on a tuner; the cursor keys to the input source menu, else the
// ATV/DTV switch menu; OK to the number entry, else the input source menu,
// else the switch menu. The exit key goes to the volume OSD, then to the
// number entry, each while shown.
const ST_BRISKUI_KEY_CLAIM kVolumeKeys[] = {
    BriskKeys(BRISKKEY_VOLUME_UP, BRISKKEY_MUTE),
    BriskKey(BRISKKEY_EXIT, E_BRISKUI_KEY_WHILE_SHOWN, 1),
};
const ST_BRISKUI_KEY_CLAIM kBannerKeys[] = {
    BriskKeys(BRISKKEY_CHANNEL_UP, BRISKKEY_CHANNEL_DOWN),
};
const ST_BRISKUI_KEY_CLAIM kNumberKeys[] = {
    BriskKey(BRISKKEY_CHANNEL_SEPARATOR),
    BriskKeys(BRISKKEY_0, BRISKKEY_9, E_BRISKUI_KEY_ON_TUNER, 3),
    BriskKey(BRISKKEY_RETURN, E_BRISKUI_KEY_WHILE_SHOWN, 1),
    BriskKey(BRISKKEY_EXIT, E_BRISKUI_KEY_WHILE_SHOWN, 2),
};
const ST_BRISKUI_KEY_CLAIM kInputMenuKeys[] = {
    BriskKey(BRISKKEY_INPUT_SOURCE),
    BriskKeys(BRISKKEY_0, BRISKKEY_9, E_BRISKUI_KEY_WHILE_SHOWN, 1),
    BriskKeys(BRISKKEY_CURSOR_UP, BRISKKEY_CURSOR_DOWN, E_BRISKUI_KEY_WHILE_SHOWN, 1),
    BriskKey(BRISKKEY_RETURN, E_BRISKUI_KEY_WHILE_SHOWN, 2),
};
const ST_BRISKUI_KEY_CLAIM kPinKeys[] = {
    BriskKeys(BRISKKEY_0, BRISKKEY_9, E_BRISKUI_KEY_WHILE_SHOWN, 2),
};
const ST_BRISKUI_KEY_CLAIM kSwitchMenuKeys[] = {
    BriskKey(BRISKKEY_CUSTOM63_ATV_DTV, E_BRISKUI_KEY_ALWAYS, 0, E_BRISKUI_OSD_STATUS_WAIT_MESSAGE),
    BriskKeys(BRISKKEY_CURSOR_UP, BRISKKEY_CURSOR_DOWN, E_BRISKUI_KEY_WHILE_SHOWN, 2),
    BriskKey(BRISKKEY_RETURN, E_BRISKUI_KEY_WHILE_SHOWN, 3),
};
// The media keys: the library plays nothing.
const ST_BRISKUI_KEY_CLAIM kNotAvailableKeys[] = {
    BriskKey(BRISKKEY_PAUSE),
    BriskKey(BRISKKEY_FORWARD),
    BriskKeys(BRISKKEY_PLAY, BRISKKEY_STOP),
    BriskKeys(BRISKKEY_PREVIOUS, BRISKKEY_NEXT),
    BriskKey(BRISKKEY_MEDIA_F077),
};

// ---- factory codes -------------------------------------------------------
const ST_BRISKUI_FACTORY_CLAIM kArcCodes[] = {
    BriskFactoryCode(0xEE99, E_BRISKUI_OSD_STATUS_WAIT_MESSAGE),
};
const ST_BRISKUI_FACTORY_CLAIM kBalanceCodes[] = {
    BriskFactoryCode(0xEE39, E_BRISKUI_OSD_STATUS_WAIT_MESSAGE),
    BriskFactoryCode(0xEED5, E_BRISKUI_OSD_STATUS_WAIT_MESSAGE),
    BriskFactoryCode(0xBFA9, E_BRISKUI_OSD_STATUS_WAIT_MESSAGE),
};
const ST_BRISKUI_FACTORY_CLAIM kSelfCheckCodes[] = { BriskFactoryCode(0xBFAB) };
// Every code from 0xEE12 up that no other screen takes.
const ST_BRISKUI_FACTORY_CLAIM kSubBoardCodes[] = { BriskFactoryCodes(0xEE12, 0xFFFF) };

// Start-up order; the volume handler comes first. Finalize deletes in the
// same order. Layers give the composition order.
// clang-format off
const ST_BRISKUI_HANDLER_ROW kHandlerTable[] = {
    BriskHandlerRow<VolumeHandler, &BriskUiManager::pVolumeHandler>(E_BRISKUI_OSD_STATUS_VOLUME, "VolumeHandler")
        .Layouts("BriskUIVolumeLayout_NA.ini", "BriskUIVolumeLayout_EU.ini")
        .Layer(10).Keys(kVolumeKeys).StatusCleared(&VolumeStatusCleared),
    BriskHandlerRow<ChannelChangeHandler, &BriskUiManager::pChannelChangeHandler>(
        E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, "ChannelChangeHandler")
        .Layouts("BriskUIChannelChangeLayout_NA.ini", "BriskUIChannelChangeLayout_EU.ini")
        .Layer(30).Keys(kBannerKeys).ClosedByExit().LayoutRequired(),
    BriskHandlerRow<ChannelNumberHandler, &BriskUiManager::pChannelNumberHandler>(
        E_BRISKUI_OSD_STATUS_CHANNEL_NUMBER, "ChannelNumberHandler")
        .Layouts("BriskUIChannelNumberLayout_NA.ini", "BriskUIChannelNumberLayout_EU.ini")
        .Layer(20).Keys(kNumberKeys).StatusCleared(&ChannelNumberStatusCleared),
    BriskHandlerRow<InputSourceMenuHandler, &BriskUiManager::pInputSourceMenuHandler>(
        E_BRISKUI_OSD_STATUS_INPUT_SOURCE_MENU, "InputSourceMenuHandler")
        .Layouts("BriskUIInputSourceMenuLayout_NA.ini", "BriskUIInputSourceMenuLayout_EU.ini")
        .Layer(40).Keys(kInputMenuKeys).ClosedByExit(),
    BriskHandlerRow<InputSourceIconHandler, &BriskUiManager::pInputSourceIconHandler>(
        E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON, "InputSourceIconHandler")
        .Layout("BriskUIInputSourceIconLayout.ini")
        .Layer(50),
    BriskHandlerRow<WaitMessageHandler, &BriskUiManager::pWaitMessageHandler>(
        E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, "WaitMessageHandler")
        .Layouts("BriskUIWaitMessageLayout_NA.ini", "BriskUIWaitMessageLayout_EU.ini")
        .Layer(60).ClosedByExit(),
    BriskHandlerRow<NotAvailableMessageHandler, &BriskUiManager::pNotAvailableMessageHandler>(
        E_BRISKUI_OSD_STATUS_NOT_AVAILABLE, "NotAvailableMessageHandler")
        .Layout("BriskUINotAvailableMessageLayout.ini")
        .Layer(70).Keys(kNotAvailableKeys).ClosedByExit(),
    BriskHandlerRow<FactoryArcHandler, &BriskUiManager::pFactoryArcHandler>(
        E_BRISKUI_OSD_STATUS_FACTORY_ARC, "FactoryArcHandler")
        .Layout("BriskUIFactoryArcLayout.ini")
        .Layer(80).FactoryCodes(kArcCodes).ClosedByExit(),
    BriskHandlerRow<InitializationHandler, &BriskUiManager::pInitializationHandler>(
        E_BRISKUI_OSD_STATUS_INITIALIZATION, "InitializationHandler")
        .Layout("BriskUIInitializationLayout.ini")
        .Layer(90).ClosedByExit(),
    BriskHandlerRow<AtvDtvSwitchMenuHandler, &BriskUiManager::pAtvDtvSwitchMenuHandler>(
        E_BRISKUI_OSD_STATUS_ATV_DTV_SWITCH_MENU, "AtvDtvSwitchMenuHandler")
        .Layout("BriskUIAtvDtvSwitchMenuLayout.ini")
        .Layer(100).Keys(kSwitchMenuKeys).ClosedByExit(),
    BriskHandlerRow<FactoryBalanceHandler, &BriskUiManager::pFactoryBalanceHandler>(
        E_BRISKUI_OSD_STATUS_FACTORY_BALANCE, "FactoryBalanceHandler")
        .Layout("BriskUIFactoryBalanceLayout.ini")
        .Layer(110).FactoryCodes(kBalanceCodes).ClosedByExit(),
    BriskHandlerRow<FactoryDirectlyInputSourceChanged, &BriskUiManager::pFactoryDirectlyInputSourceChanged>(
        E_BRISKUI_OSD_STATUS_FACTORY_DIRECT_SOURCE, "FactoryDirectlyInputSourceChanged")
        .Layout("BriskUIFactoryDirectlyInputSourceChangedLayout.ini")
        .Layer(130).ClosedByExit(),
    BriskHandlerRow<FactoryOrvexCheck, &BriskUiManager::pFactoryOrvexCheck>(
        E_BRISKUI_OSD_STATUS_FACTORY_ORVEX_CHECK, "FactoryOrvexCheck")
        .Layout("BriskUIFactoryOrvexCheckLayout.ini")
        .Layer(140).FactoryCodes(kSubBoardCodes).ClosedByExit(),
    BriskHandlerRow<VersionSelfCheckHandler, &BriskUiManager::pVersionSelfCheckHandler>(
        E_BRISKUI_OSD_STATUS_VERSION_SELF_CHECK, "VersionSelfCheckHandler")
        .Layout("BriskUIFactoryRomLayout.ini")
        .Layer(120).FactoryCodes(kSelfCheckCodes).ClosedByExit(),
    BriskHandlerRow<PinCodeHandler, &BriskUiManager::pPinCodeHandler>(E_BRISKUI_OSD_STATUS_PIN_CODE, "PinCodeHandler")
        .Layout("BriskUIPinCodeLayout.ini")
        .Layer(150).Keys(kPinKeys),
};
// clang-format on

const ST_BRISKUI_HANDLER_ROW* g_rows = kHandlerTable;
size_t g_rowCount = sizeof(kHandlerTable) / sizeof(kHandlerTable[0]);

std::vector<const ST_BRISKUI_HANDLER_ROW*> SortedByLayer(const ST_BRISKUI_HANDLER_ROW* rows, size_t count)
{
    std::vector<const ST_BRISKUI_HANDLER_ROW*> order;
    for (size_t i = 0; i < count; ++i) order.push_back(&rows[i]);
    std::stable_sort(order.begin(), order.end(), [](const ST_BRISKUI_HANDLER_ROW* a, const ST_BRISKUI_HANDLER_ROW* b) {
        return a->u16Layer < b->u16Layer;
    });
    return order;
}

std::vector<const ST_BRISKUI_HANDLER_ROW*>& Order()
{
    static std::vector<const ST_BRISKUI_HANDLER_ROW*> order = SortedByLayer(kHandlerTable, g_rowCount);
    return order;
}

}   // namespace

EventHandler* BriskCreateRowHandler(const ST_BRISKUI_HANDLER_ROW& row)
{
    EventHandler* handler = row.pfCreate();
    if (handler == NULL) return NULL;
    handler->SetOsdStatus(row.eStatus);
    handler->SetSpeechNeeds(row.pSpeech);
    handler->SetHost(BriskManagerOsdHost());
    return handler;
}

const ST_BRISKUI_HANDLER_ROW* BriskHandlerTable(size_t* count)
{
    if (count != NULL) *count = g_rowCount;
    return g_rows;
}

const ST_BRISKUI_HANDLER_ROW* BriskFindHandlerRow(U32 status)
{
    for (size_t i = 0; i < g_rowCount; ++i)
        if ((U32)g_rows[i].eStatus == status) return &g_rows[i];
    return NULL;
}

const ST_BRISKUI_HANDLER_ROW* const* BriskCompositionOrder(size_t* count)
{
    std::vector<const ST_BRISKUI_HANDLER_ROW*>& order = Order();
    if (count != NULL) *count = order.size();
    return order.data();
}

U32 BriskAllOsdBits()
{
    U32 bits = 0;
    for (size_t i = 0; i < g_rowCount; ++i) bits |= (U32)g_rows[i].eStatus;
    return bits;
}

U32 BriskBitsKeptBy16BitMasks()
{
    U32 bits = 0;
    for (size_t i = 0; i < g_rowCount; ++i)
        if (g_rows[i].bKeptBy16BitMask) bits |= (U32)g_rows[i].eStatus;
    return bits & ~(U32)0xFFFF;
}

void BriskSetHandlerTable(const ST_BRISKUI_HANDLER_ROW* rows, size_t count)
{
    if (rows == NULL) {
        rows = kHandlerTable;
        count = sizeof(kHandlerTable) / sizeof(kHandlerTable[0]);
    }
    U32 seen = E_BRISKUI_OSD_STATUS_BASE;
    for (size_t i = 0; i < count; ++i) {
        U32 bit = (U32)rows[i].eStatus;
        BRISK_ASSERT(bit != 0 && (bit & (bit - 1)) == 0 && (seen & bit) == 0);
        seen |= bit;
    }
    g_rows = rows;
    g_rowCount = count;
    Order() = SortedByLayer(rows, count);
}
