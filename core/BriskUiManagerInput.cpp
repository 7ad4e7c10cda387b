// The input thread, key routing, and the event buffer.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "BriskKeys.h"
#include "BriskPlatform.h"
#include "BriskSpeechQueue.h"
#include "BriskTimerManager.h"
#include "BriskUiHandlerTable.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "ManagerLock.h"
#include "Middleware.h"

namespace {

bool IsFullInterfaceKey(U32 key)
{
    // The key list reads best packed.
    // clang-format off
    switch (key) {
    case BRISKKEY_MENU: case BRISKKEY_INFO: case BRISKKEY_CHANNEL: case BRISKKEY_EPG: case BRISKKEY_SUBTITLE: case BRISKKEY_ZOOM:
    case BRISKKEY_AUDIO: case 0xF069: case 0xF06A: case 0xF06F: case 0xF070: case 0xF072: case 0xF075:
    case 0xF500: case 0xF501: case 0xF502: case 0xF503: case 0xF504: case 0xF513: case 0xF53C:
    case 0xF53E: case 0xF540: case 0xF543: case 0xF544: case 0xF545: case 0xF546: case 0xF549:
        return true;
    default:
        return false;
    }
    // clang-format on
}

// The key symbol of a key event as a plain number. The IR keymap may give
// symbols outside DirectFB's enumeration; reading such a value through the
// enum type is undefined, so the field is copied as the 32 bits it is and
// stays a number until the router matches it.
U32 KeySymbolOf(const DFBInputEvent& event)
{
    static_assert(sizeof(event.key_symbol) == sizeof(U32), "key symbols are 32 bits");
    U32 symbol;
    memcpy(&symbol, &event.key_symbol, sizeof(symbol));
    return symbol;
}

// Logs a key press: code, id and symbol, the id read as plainly as the symbol.
void LogKey(const DFBInputEvent& event)
{
    static_assert(sizeof(event.key_id) == sizeof(int), "key ids are 32 bits");
    int id;
    memcpy(&id, &event.key_id, sizeof(id));
    printf("BRISKUI - key_code:%d, key_id:%d, key_symbol:%d\n", event.key_code, id, (int)KeySymbolOf(event));
}

bool IsPowerKey(U32 key) { return key == BRISKKEY_POWER || key == BRISKKEY_CUSTOM80_POWER; }

// A row's claim of a key, as the router weighs it.
struct ClaimOfKey {
    const ST_BRISKUI_HANDLER_ROW* pRow;
    const ST_BRISKUI_KEY_CLAIM* pClaim;
};

// Every claim of `key` in the table, by precedence (claims of one
// precedence in row order).
std::vector<ClaimOfKey> ClaimsOf(U32 key)
{
    std::vector<ClaimOfKey> claims;
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) {
        for (size_t k = 0; k < rows[i].uKeyCount; ++k)
            if (BriskClaimCovers(rows[i].pKeys[k], key)) claims.push_back({ &rows[i], &rows[i].pKeys[k] });
    }
    std::stable_sort(claims.begin(), claims.end(), [](const ClaimOfKey& a, const ClaimOfKey& b) {
        return a.pClaim->u8Precedence < b.pClaim->u8Precedence;
    });
    return claims;
}

}   // namespace

void BriskUiManager::PostEvent(const DFBUserEvent& event)
{
    if (pEventBuffer == NULL) return;
    DFBEvent copy;
    memset(&copy, 0, sizeof(copy));
    copy.user.clazz = event.clazz;
    copy.user.type = event.type;
    copy.user.data = event.data;
    DFBResult ret = pEventBuffer->PostEvent(pEventBuffer, &copy);
    if (ret != DFB_OK) printf("BriskUiManager::PostEvent, DFB POST EVENT FAILED %d\n", (int)ret);
}

void BriskUiManager::SetKeyHandlerEnable(U8 enable)
{
    BriskManagerLock lock;
    bActivateKeyHandler = enable;
}

void BriskUiManager::WakeUp()
{
    if (pEventBuffer != NULL) pEventBuffer->WakeUp(pEventBuffer);
}

BOOL BriskUiManager::InitializeMSTARIR()
{
    IDirectFB* dfb = MSystem::GetInstance()->GetDirectFB();
    IDirectFBInputDevice* device = NULL;
    DFBResult ret = dfb != NULL ? dfb->GetInputDevice(dfb, 15, &device) : DFB_INVARG;
    if (ret != DFB_OK) {
        puts("BriskUiManager::InitializeMSTARIR() fail to get input device.");
        DirectFBError("GetInputDevice() failed", ret);
        return FALSE;
    }
    std::string keymap = BriskResolvePath("/config/mufirkeymap");
    ret = device->LoadKeymap(device, (char*)keymap.c_str());
    if (ret != DFB_OK) {
        puts("BriskUiManager::InitializeMSTARIR() file to load keymap.");
        DirectFBError("LoadKeymap(MSTARIR) failed", ret);
        device->Release(device);
        return FALSE;
    }
    device->Release(device);
    return TRUE;
}

void BriskUiManager::PowerToggle()
{
    MSrv_Control* control = MSrv_Control::GetInstance();
    if (MSrv_Control_common::m_bEnterActiveStandby == 1) {
        control->EnterActiveStandByMode(0, 0);
        MSrv_Control_common::bBriskUiTriggerPowerOff = 0;
        mapi_system::bBackgroundRecording = 0;
        MSrv_Control_common::GetMSrvTimer()->SetTVPowerDoneTimer(0xFFFFFFFF);
    } else if (MSrv_Control_common::bBriskUiTriggerPowerOff != 0) {
        mapi_system::bBackgroundRecording = 0;
        MSrv_Control_common::GetMSrvTimer()->SetTVPowerDoneTimer(0xFFFFFFFF);
        control->EnterActiveStandByMode(0, 1);
        MSrv_Control_common::bBriskUiTriggerPowerOff = 0;
    } else {
        control->EnterActiveStandByMode(1, 1);
        MSrv_Control_common::bBriskUiTriggerPowerOff = 1;
    }
}

void BriskUiManager::BootProgress()
{
    U32 percent = TotalTicksInSeconds * 100 / (m_InitializationMaxTime / 1000000);
    percent -= percent % 10;
    if (percent > 90) percent = 90;
    SetFirstInitializationProgress((U8)percent);
}

void BriskUiManager::RouteKey(const ST_BRISKUI_HANDLER_ROW& row, U32 key)
{
    EventHandler* handler = row.pfGet();
    if (handler != NULL)
        handler->KeyHandler(key);
    else
        printf("BRISKUI - key %ld for %s: no such handler in this build\n", (long)key, BriskUiOsdName(row.eStatus));
}

BOOL BriskUiManager::ClaimHolds(const ST_BRISKUI_HANDLER_ROW& row, const ST_BRISKUI_KEY_CLAIM& claim)
{
    switch (claim.u8When) {
    case E_BRISKUI_KEY_WHILE_SHOWN:
        return QueryStatus(row.eStatus);
    case E_BRISKUI_KEY_ON_TUNER: {
        MAPI_INPUT_SOURCE_TYPE source = MSrv_Control::GetInstance()->GetCurrentInputSource();
        return source == MAPI_INPUT_SOURCE_ATV || source == MAPI_INPUT_SOURCE_DTV ? TRUE : FALSE;
    }
    default:
        return TRUE;
    }
}

void BriskUiManager::HideShown(U32 statuses)
{
    for (U32 bit = 1; bit != 0 && bit <= statuses; bit <<= 1)
        if ((statuses & bit) != 0 && QueryStatus(bit)) DisableStatus((EN_BRISKUI_OSD_STATUS)bit);
}

void BriskUiManager::CloseOsds()
{
    // The rows that take the exit key while their claim holds get it
    // first and close themselves; then every row the exit keys close goes.
    std::vector<ClaimOfKey> claims = ClaimsOf(BRISKKEY_EXIT);
    for (size_t i = 0; i < claims.size(); ++i)
        if (ClaimHolds(*claims[i].pRow, *claims[i].pClaim)) RouteKey(*claims[i].pRow, BRISKKEY_EXIT);
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* const* order = BriskCompositionOrder(&count);
    for (size_t i = 0; i < count; ++i)
        if (order[i]->bClosedByExit && QueryStatus(order[i]->eStatus)) DisableStatus(order[i]->eStatus);
    DropHiddenSpeech();
}

void BriskUiManager::DropHiddenSpeech()
{
    BriskSpeechQueue& speech = BriskSpeechQueue::Instance();
    if (!speech.Wanted()) return;
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i)
        if (!QueryStatus(rows[i].eStatus)) speech.Drop(rows[i].eStatus);
}

void BriskUiManager::FactoryKey()
{
    unsigned short code = 0;
    MSrv_Factory_Cmd* cmd = MSrv_Control_common::GetMSrvFactoryCmd();
    if (cmd != NULL) cmd->GetFactoryCode(&code);
    // The row whose codes include the code most narrowly takes it.
    const ST_BRISKUI_HANDLER_ROW* target = NULL;
    const ST_BRISKUI_FACTORY_CLAIM* best = NULL;
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) {
        for (size_t k = 0; k < rows[i].uFactoryCodeCount; ++k) {
            const ST_BRISKUI_FACTORY_CLAIM& claim = rows[i].pFactoryCodes[k];
            if (code < claim.u16FirstCode || code > claim.u16LastCode) continue;
            if (best == NULL || claim.u16LastCode - claim.u16FirstCode < best->u16LastCode - best->u16FirstCode) {
                best = &claim;
                target = &rows[i];
            }
        }
    }
    if (target == NULL) return;
    HideShown(best->u32HideFirst);
    RouteKey(*target, BRISKKEY_CUSTOM79_FACTORY);
}

BOOL BriskUiManager::KeyHandler(U32 key)
{
    BriskManagerLock lock;
    if (IsFullInterfaceKey(key)) {
        if (pInitializationHandler != NULL) BootProgress();
        return TRUE;
    }
    switch (key) {
    case BRISKKEY_EXIT:
    case BRISKKEY_CUSTOM61_EXIT:
        CloseOsds();
        return TRUE;
    case BRISKKEY_POWER:
    case BRISKKEY_CUSTOM80_POWER:
        PowerToggle();
        return TRUE;
    case BRISKKEY_CUSTOM79_FACTORY:
        FactoryKey();
        return TRUE;
    default:
        break;
    }
    // Any other key goes to the first claim of it that holds; a key some
    // row claims counts as routed even when none holds now.
    std::vector<ClaimOfKey> claims = ClaimsOf(key);
    for (size_t i = 0; i < claims.size(); ++i) {
        if (!ClaimHolds(*claims[i].pRow, *claims[i].pClaim)) continue;
        HideShown(claims[i].pClaim->u32HideFirst);
        RouteKey(*claims[i].pRow, key);
        break;
    }
    return claims.empty() ? FALSE : TRUE;
}

// Hands a timer event to its handler, found in the handler table. Anything
// else posted to the buffer carries no handler we could call safely: it is
// logged and dropped.
void BriskUiManager::DispatchTimer(const DFBUserEvent& event)
{
    EventHandler* handler = static_cast<EventHandler*>(event.data);
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; handler != NULL && i < count; ++i) {
        if (rows[i].pfGet() == handler) {
            struct timespec now;
            BriskClockNow(&now);
            s64LastTimerDispatchNs = (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
            u32TimerDispatches.fetch_add(1);
            handler->TimerHandler(event.type);
            // A time-out that closed the OSD drops what it still had to say.
            BriskSpeechQueue& speech = BriskSpeechQueue::Instance();
            if (speech.Wanted() && !QueryStatus(rows[i].eStatus)) speech.Drop(rows[i].eStatus);
            return;
        }
    }
    printf("BRISKUI - timer %ld for unknown handler %p dropped\n", (long)event.type, event.data);
}

// Handles the key of one pass. Returns FALSE when keys are ignored
// altogether (disabled, or a first initialisation that has run out).
BOOL BriskUiManager::HandleKey(const DFBInputEvent& event)
{
    if (bActivateKeyHandler == 0 || bFirstInitialization == 1) {
        puts("BRISKUI - Ignore key");
        return FALSE;
    }
    if (event.type != DIET_KEYPRESS) return TRUE;
    LogKey(event);
    U32 symbol = KeySymbolOf(event);
    if (MSrv_Control_common::bBriskUiTriggerPowerOff == 1 && !IsPowerKey(symbol)) {
        puts("BRISKUI - Current status is active standby::Ignore key");
        return TRUE;
    }
    KeyHandler(symbol);
    return TRUE;
}

void BriskUiManager::RunFirstInitialization(IDirectFBEventBuffer* buffer)
{
    EnableStatus(E_BRISKUI_OSD_STATUS_INITIALIZATION, 0);
    if (pInitializationHandler == NULL) return;
    for (U32 step = 1; step <= m_InitializationLoopCount; ++step) {
        if (step % 5 == 0) SetFirstInitializationProgress((U8)(step * 2));
        // Sleep without the lock: the middleware and host go on meanwhile.
        BriskSleepUs(m_InitializationMaxTime / m_InitializationLoopCount);

        BriskManagerLock lock;
        DFBEvent event;
        if (buffer->HasEvent(buffer) != DFB_OK || buffer->GetEvent(buffer, &event) != DFB_OK) continue;
        puts("BRISKUI - get event (clear buffer)");
        bool ended = false;
        bool inputSeen = false;
        do {
            if (event.clazz == DFEC_USER) {
                DispatchTimer(event.user);
                continue;
            }
            if (event.clazz != DFEC_INPUT || inputSeen) continue;
            inputSeen = true;
            if (event.input.type != DIET_KEYPRESS) continue;
            LogKey(event.input);
            U32 symbol = KeySymbolOf(event.input);
            if (symbol == BRISKKEY_CUSTOM79_FACTORY || symbol == BRISKKEY_CUSTOM63_ATV_DTV) {
                DisableStatus(E_BRISKUI_OSD_STATUS_INITIALIZATION);
                puts("BRISKUI - Handle factory key, stop initialization progress!");
                if (KeyHandler(symbol)) {
                    UpdateOsd();
                    bFirstInitialization = 0;
                    ended = true;
                }
            } else if (IsPowerKey(symbol)) {
                KeyHandler(symbol);
            }
        } while (buffer->GetEvent(buffer, &event) == DFB_OK);
        if (ended) return;
    }
}

void* BriskUiManager::tvos_event_thread(void* arg)
{
    IDirectFBEventBuffer* buffer = static_cast<IDirectFBEventBuffer*>(arg);
    BRISK_ASSERT(buffer != NULL);
    BriskUiManager* manager = GetInstance();
    MSystem* system = MSystem::GetInstance();

    bool firstInitialization;
    {
        BriskManagerLock lock;
        firstInitialization = bFirstInitialization == 1;
    }
    if (firstInitialization) manager->RunFirstInitialization(buffer);

    while (system->IsTvosIr()) {
        buffer->WaitForEventWithTimeout(buffer, 0, 300);
        BriskManagerLock lock;
        manager->bInputBusy = true;
        manager->u32InputPasses.fetch_add(1);
        bool compose = true;
        if (buffer->HasEvent(buffer) == DFB_OK) {
            puts("BRISKUI - has key");
            DFBEvent event;
            if (buffer->GetEvent(buffer, &event) == DFB_OK) {
                puts("BRISKUI - get event (clear buffer)");
                // One key per pass: further keys queued behind it are
                // dropped. Every timer event is handled, so that no OSD
                // misses its time-out because a key or another time-out
                // came with it.
                bool inputSeen = false;
                bool timerHandled = false;
                bool ignored = false;
                do {
                    if (event.clazz == DFEC_USER) {
                        manager->DispatchTimer(event.user);
                        timerHandled = true;
                    } else if (event.clazz == DFEC_INPUT && !inputSeen) {
                        inputSeen = true;
                        if (!manager->HandleKey(event.input)) ignored = true;
                    }
                } while (buffer->GetEvent(buffer, &event) == DFB_OK);
                // An ignored key starts the next pass without composing,
                // unless a time-out in the same pass changed the screen.
                if (ignored && !timerHandled) compose = false;
            }
        }
        if (!system->IsTvosIr()) {
            manager->bInputBusy = false;
            break;
        }
        if (compose && manager->IsUpdateNeeded()) manager->UpdateOsd();
        manager->bInputBusy = false;
    }

    pthread_t self = pthread_self();
    bool baseCleared = manager->QueryStatus(E_BRISKUI_OSD_STATUS_BASE) == 0;
    BriskTimerManager::GetInstance()->Finalize();
    manager->Finalize();
    if (pthread_detach(self) == 0)
        puts("tvos ir thread detach ok");
    else
        puts("tvos ir thread detach failed");
    if (baseCleared) MSrv_Control::GetInstance()->EnterSleepMode(1);
    return NULL;
}
