// Manager lifecycle: the singleton, Start and Finalize.
#include "BriskUiManager.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <new>

#include "BriskPlatform.h"
#include "BriskSpeechQueue.h"
#include "BriskTimerManager.h"
#include "BriskUiHandlerTable.h"
#include "Damage.h"
#include "EventHandler.h"
#include "ImageCache.h"
#include "ManagerLock.h"
#include "ManagerOsdHost.h"
#include "Middleware.h"
#include "VolumeHandler.h"

BriskUiManager* BriskUiManager::pInstance = NULL;

VolumeHandler* BriskUiManager::pVolumeHandler = NULL;
ChannelChangeHandler* BriskUiManager::pChannelChangeHandler = NULL;
ChannelNumberHandler* BriskUiManager::pChannelNumberHandler = NULL;
InputSourceMenuHandler* BriskUiManager::pInputSourceMenuHandler = NULL;
InputSourceIconHandler* BriskUiManager::pInputSourceIconHandler = NULL;
WaitMessageHandler* BriskUiManager::pWaitMessageHandler = NULL;
NotAvailableMessageHandler* BriskUiManager::pNotAvailableMessageHandler = NULL;
FactoryArcHandler* BriskUiManager::pFactoryArcHandler = NULL;
InitializationHandler* BriskUiManager::pInitializationHandler = NULL;
AtvDtvSwitchMenuHandler* BriskUiManager::pAtvDtvSwitchMenuHandler = NULL;
FactoryBalanceHandler* BriskUiManager::pFactoryBalanceHandler = NULL;
FactoryDirectlyInputSourceChanged* BriskUiManager::pFactoryDirectlyInputSourceChanged = NULL;
FactoryOrvexCheck* BriskUiManager::pFactoryOrvexCheck = NULL;
VersionSelfCheckHandler* BriskUiManager::pVersionSelfCheckHandler = NULL;
PinCodeHandler* BriskUiManager::pPinCodeHandler = NULL;

U8 BriskUiManager::bFirstInitialization = 0;
U8 BriskUiManager::bActivateKeyHandler = 1;
BriskRelaxedU32 BriskUiManager::TotalTicksInSeconds(0);
const U32 BriskUiManager::m_InitializationMaxTime;
const U32 BriskUiManager::m_InitializationLoopCount;

namespace {

// Static so that it outlives every manager: the middleware thread may be
// inside the callback, waiting for it, while Finalize deletes the manager.
pthread_mutex_t g_managerLock = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

const char* const kLayoutDir = "/config/briskui/layout/";

}   // namespace

void BriskUiManager::Lock() { pthread_mutex_lock(&g_managerLock); }

void BriskUiManager::Unlock() { pthread_mutex_unlock(&g_managerLock); }

BriskUiManager::BriskUiManager()
    : u32CurrentStatus(0),
      u32PrevStatus(0),
      pSurface(NULL),
      pWindow(NULL),
      pEventBuffer(NULL),
      tIrThread(),
      bActivate(1),
      bAudioGuidance(0),
      u8ColorFormat(2),
      // Without a settings file the country is never read; EU, the group
      // LoadCommonSetting always picks, lets the set start all the same.
      eCountry(E_BRISKUI_COUNTRY_EU),
      strLayoutPath(kLayoutDir),
      u8HdcpKeyCheck(0),
      u8WidevineKeyCheck(0),
      u8NetflixKeyCheck(0),
      u16FactorySourceCode(0),
      u32Flips(0),
      u32InputPasses(0),
      u32TimerDispatches(0),
      s64LastTimerDispatchNs(0),
      bInputBusy(false)
{
    memset(apResultBuffers, 0, sizeof(apResultBuffers));
    memset(acStubBuffer, 0, sizeof(acStubBuffer));
}

BriskUiManager::~BriskUiManager()
{
    if (pSurface != NULL) {
        pSurface->Release(pSurface);
        pSurface = NULL;
    }
    if (pEventBuffer != NULL) {
        pEventBuffer->Release(pEventBuffer);
        pEventBuffer = NULL;
    }
    DeleteHandlers();
    for (size_t i = 0; i < sizeof(apResultBuffers) / sizeof(apResultBuffers[0]); ++i) delete[] apResultBuffers[i];
}

BriskUiManager* BriskUiManager::GetInstance()
{
    if (pInstance == NULL) {
        pInstance = new (std::nothrow) BriskUiManager();
        BRISK_ASSERT(pInstance != NULL);
    }
    return pInstance;
}

EventHandler* BriskUiManager::HandlerFor(U32 status)
{
    const ST_BRISKUI_HANDLER_ROW* row = BriskFindHandlerRow(status);
    return row != NULL ? row->pfGet() : NULL;
}

BOOL BriskUiManager::CreateHandlers()
{
    // Every two-file OSD needs NA or EU; an unknown group stops start-up
    // before any handler is created.
    if (eCountry != E_BRISKUI_COUNTRY_NA && eCountry != E_BRISKUI_COUNTRY_EU) {
        printf("[BriskUI] Unknown country:%d\n", eCountry);
        return FALSE;
    }
    // Layout paths resolve under the file-system root like every fixed path.
    std::string dir = BriskResolvePath(strLayoutPath.c_str());
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) {
        EventHandler* handler = BriskCreateRowHandler(rows[i]);
        if (handler == NULL) return FALSE;
        std::string path = dir + (eCountry == E_BRISKUI_COUNTRY_NA ? rows[i].pLayoutNA : rows[i].pLayoutEU);
        handler->LoadResource(path.c_str());
    }
    return TRUE;
}

void BriskUiManager::DeleteHandlers()
{
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) rows[i].pfDelete();
}

void BriskUiManager::Start()
{
    BriskManagerLock lock;
    u32CurrentStatus = E_BRISKUI_OSD_STATUS_BASE;

    MSystem* system = MSystem::GetInstance();
    IDirectFBDisplayLayer* layer = system->GetDisplayLayer();
    BRISK_ASSERT(layer != NULL);
    IDirectFB* dfb = system->GetDirectFB();

    DFBDisplayLayerConfig config;
    memset(&config, 0, sizeof(config));
    layer->GetConfiguration(layer, &config);
    config.flags = DLCONF_PIXELFORMAT;
    config.pixelformat = QueryColorFormat() == 1 ? DSPF_ARGB4444 : DSPF_ARGB;
    layer->SetConfiguration(layer, &config);

    DFBWindowDescription desc;
    memset(&desc, 0, sizeof(desc));
    desc.flags = (DFBWindowDescriptionFlags)(DWDESC_CAPS | DWDESC_WIDTH | DWDESC_HEIGHT | DWDESC_PIXELFORMAT |
                                             DWDESC_POSX | DWDESC_POSY | DWDESC_SURFACE_CAPS);
    desc.caps = (DFBWindowCapabilities)(DWCAPS_ALPHACHANNEL | DWCAPS_DOUBLEBUFFER);
    desc.width = 1280;
    desc.height = 720;
    desc.pixelformat = DSPF_ARGB;
    desc.posx = 0;
    desc.posy = 0;
    desc.surface_caps = DSCAPS_VIDEOONLY;
    DFBResult ret = layer->CreateWindow(layer, &desc, &pWindow);
    if (ret != DFB_OK) {
        pWindow = NULL;
        DirectFBError("IDirectFBDisplayLayer::CreateWindow() failed", ret);
    } else {
        ret = pWindow->GetSurface(pWindow, &pSurface);
        if (ret != DFB_OK) {
            pSurface = NULL;
            DirectFBError("IDirectFBWindow::GetSurface failed", ret);
        } else {
            // Video memory comes uncleared: make both buffers transparent
            // while the window is still invisible, so that showing it shows
            // no OSD, not whatever the memory held.
            pSurface->Clear(pSurface, 0, 0, 0, 0);
            pSurface->Flip(pSurface, NULL, DSFLIP_NONE);
            pSurface->Clear(pSurface, 0, 0, 0, 0);
            BriskComposerAttach(pSurface);
        }
        pWindow->SetOpacity(pWindow, 255);
    }
    if (pSurface != NULL) {
        pSurface->SetDrawingFlags(pSurface, DSDRAW_BLEND);
        pSurface->SetSrcBlendFunction(pSurface, DSBF_SRCALPHA);
        pSurface->SetDstBlendFunction(pSurface, DSBF_INVSRCALPHA);
        pSurface->SetBlittingFlags(pSurface, DSBLIT_BLEND_ALPHACHANNEL);
    }

    InitializeMSTARIR();

    if (dfb == NULL || dfb->CreateInputEventBuffer(dfb, DICAPS_KEYS, DFB_TRUE, &pEventBuffer) != DFB_OK) {
        pEventBuffer = NULL;
        puts("BRISKUI - tvos_event_thread cannot create event buffer.");
        BRISK_ASSERT(0);
    }
    printf("BriskUI init check %d\n", __LINE__);

    if (!CreateHandlers()) {
        fflush(stdout);
        BRISK_ASSERT(0);
    }

    MSrv_Control::GetInstance()->AddEventRecipient(&BriskUiManager::MiddlewareCallback);
    MSrv_Control_TV::GetMSrvAtv()->AddEventRecipient(&BriskUiManager::MiddlewareCallback);
    MSrv_Control_TV::GetMSrvDtv()->AddEventRecipient(&BriskUiManager::MiddlewareCallback);
    MSrv_Control_DVB::GetMSrvCIMMI()->AddEventRecipient(&BriskUiManager::MiddlewareCallback);

    BriskTimerManager::GetInstance()->Start(BriskManagerOsdHost());
    BriskSpeechQueue::Instance().Start(bAudioGuidance != 0);
    printf("BriskUI init check %d\n", __LINE__);

    system->EnableTvosIr();
    if (system->IsTvosIr()) {
        pthread_attr_t attr;
        pthread_attr_init(&attr);
        pthread_attr_setstacksize(&attr, 0x100000);
        puts("BriskUI create ir thread");
        if (pthread_create(&tIrThread, &attr, &BriskUiManager::tvos_event_thread, pEventBuffer) != 0) {
            puts("BRISKUI - create ir thread failed");
            BRISK_ASSERT(0);
        }
        pthread_attr_destroy(&attr);
    }
    printf("BriskUI init check %d\n", __LINE__);
}

void BriskUiManager::Finalize()
{
    // Before the lock: a callback under way may call the manager, and the
    // stop waits for it. Nothing is said from here on.
    BriskSpeechQueue::Instance().Stop();
    {
        BriskManagerLock lock;
        MSrv_Control::GetInstance()->RemoveEventRecipient(&BriskUiManager::MiddlewareCallback);
        MSrv_Control_TV::GetMSrvAtv()->RemoveEventRecipient(&BriskUiManager::MiddlewareCallback);
        MSrv_Control_TV::GetMSrvDtv()->RemoveEventRecipient(&BriskUiManager::MiddlewareCallback);
        MSrv_Control_DVB::GetMSrvCIMMI()->RemoveEventRecipient(&BriskUiManager::MiddlewareCallback);

        ClearScreen();
        BriskComposerDetach();
        if (pSurface != NULL) {
            pSurface->Release(pSurface);
            pSurface = NULL;
        }
        if (pWindow != NULL) {
            pWindow->Release(pWindow);
            pWindow = NULL;
        }
        if (pEventBuffer != NULL) {
            pEventBuffer->Release(pEventBuffer);
            pEventBuffer = NULL;
        }
        DeleteHandlers();
        // The decoded images belong to the host's DirectFB, which may go
        // once the library is gone.
        BriskImageCacheClear();
        pInstance = NULL;
        delete this;
    }
    MSrv_Control::GetInstance()->SetBriskUIStatus(1);
    puts("BriskUiManager Finalized finished");
}

U32 BriskUiManager::GetVolumeStatus()
{
    BriskManagerLock lock;
    return pVolumeHandler != NULL ? pVolumeHandler->GetStatus() : 0;
}

void BriskUiManager::SetMStarVersion(const char* version)
{
    BriskManagerLock lock;
    if (version != NULL) strMStarVersion = version;
}

void BriskUiManager::SetSwVersion(const char* version)
{
    BriskManagerLock lock;
    if (version != NULL) strSwVersion = version;
}

std::string BriskUiManager::GetMStarVersion()
{
    BriskManagerLock lock;
    return strMStarVersion;
}

std::string BriskUiManager::GetSwVersion()
{
    BriskManagerLock lock;
    return strSwVersion;
}

BOOL BriskUiManager::WaitIdle(U32 timeoutMs)
{
    for (U32 waited = 0;; ++waited) {
        {
            BriskManagerLock lock;
            bool queued = pEventBuffer != NULL && pEventBuffer->HasEvent(pEventBuffer) == DFB_OK;
            if (!queued && !IsUpdateNeeded() && !bInputBusy.load() && BriskSpeechQueue::Instance().Idle()) return TRUE;
        }
        if (waited >= timeoutMs) return FALSE;
        usleep(1000);
    }
}
