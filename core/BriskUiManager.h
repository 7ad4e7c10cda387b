// BriskUiManager: the one object through which the host drives the
// library. It starts and stops the library, owns the OSD window, its
// surface, the input event buffer and every OSD handler, runs the input
// thread that routes keys and timer expiries, keeps the set of shown OSDs
// and composes the screen, and turns middleware events into OSD changes.
//
// Every operation that reads or changes the screen state (the status set,
// the dirty area, the handlers' items) runs under one recursive manager
// lock, taken by the input thread for each event it handles, by the
// middleware callback and by the exported operations. The timer service's
// list lock is only ever taken inside it, never around it.
#ifndef BRISKUI_MANAGER_H
#define BRISKUI_MANAGER_H

#include <directfb.h>
#include <pthread.h>

#include <atomic>
#include <string>

#include "BriskTypes.h"
#include "BriskUiStatus.h"
#include "Rect.h"

class EventHandler;
class VolumeHandler;
class ChannelChangeHandler;
class ChannelNumberHandler;
class InputSourceMenuHandler;
class InputSourceIconHandler;
class WaitMessageHandler;
class NotAvailableMessageHandler;
class FactoryArcHandler;
class InitializationHandler;
class AtvDtvSwitchMenuHandler;
class FactoryBalanceHandler;
class FactoryDirectlyInputSourceChanged;
class FactoryOrvexCheck;
class VersionSelfCheckHandler;
class PinCodeHandler;

// A 32-bit value one thread writes and others read, each access a relaxed
// atomic one: assigned and read like the U32 it replaces, with the size and
// alignment of a U32, so that the exported variable keeps its layout.
class BriskRelaxedU32 {
public:
    constexpr BriskRelaxedU32(U32 value = 0) : aValue(value) {}
    BriskRelaxedU32& operator=(U32 value)
    {
        aValue.store(value, std::memory_order_relaxed);
        return *this;
    }
    operator U32() const { return aValue.load(std::memory_order_relaxed); }

private:
    BriskRelaxedU32(const BriskRelaxedU32&) = delete;
    BriskRelaxedU32& operator=(const BriskRelaxedU32&) = delete;

    std::atomic<U32> aValue;
};
static_assert(sizeof(BriskRelaxedU32) == sizeof(U32) && alignof(BriskRelaxedU32) == alignof(U32),
              "the boot clock keeps the layout of a U32");

// Country groups (QueryCountry).
enum { E_BRISKUI_COUNTRY_NA = 1, E_BRISKUI_COUNTRY_EU = 2 };

class BriskUiManager {
public:
    static BriskUiManager* GetInstance();
    // The instance if one exists, without creating it (timer thread, callback).
    static BriskUiManager* PeekInstance() { return pInstance; }

    // ---- lifecycle -------------------------------------------------------
    void Start();
    void Finalize();

    // ---- settings, language and clock ---------------------------------------
    BOOL LoadCommonSetting();
    // Rewrite one key of the settings file: "TRUE" for 1, "FALSE" for any
    // other value. 1 when the new file is in place and reads back entry for
    // entry; 0, with the old file kept, otherwise. A symbolic link stays and
    // its target is replaced. Host threads; one rewrite at a time.
    BOOL SetConfigFirstInitialization(U8 value);
    BOOL SetConfigActivation(U8 value);
    void SetupLanguage();
    U8 QueryBriskUiEnabled() { return bActivate; }
    U8 QueryColorFormat() { return u8ColorFormat; }
    int QueryCountry() { return eCountry; }
    // Picks the country group before Start: LoadCommonSetting always sets
    // EU; a desktop host uses this to run the NA layouts and behaviour.
    void SetCountry(int country) { eCountry = country; }
    U8 IsFirstInitialization() { return bFirstInitialization; }
    U32 GetVolumeStatus();
    void GetOrvexInfo() {}
    void SetMStarVersion(const char* version);
    void SetSwVersion(const char* version);
    std::string GetMStarVersion();
    std::string GetSwVersion();
    void SetFirstInitializationProgress(U8 percent);
    void SetFirstInitializationProgressComplete();
    U32 GetSystemTime();
    BOOL IsAllowedToSwitchATV();
    std::string GetLayoutPath() { return strLayoutPath; }

    // ---- keys and events -------------------------------------------------------
    void SetKeyHandlerEnable(U8 enable);
    BOOL KeyHandler(U32 key);
    void PostEvent(const DFBUserEvent& event);
    void WakeUp();
    BOOL InitializeMSTARIR();
    static void* tvos_event_thread(void* buffer);

    // ---- status set and composition ---------------------------------------------
    // All of these take the manager lock and may be called from any thread.
    // Shows `status`: the set keeps only the OSDs in `mask` (the base status
    // always stays, bits above 0xFFFF go) and gains `status`; a status with
    // a handler also (re)arms its hide timer and marks its item region for
    // the next composition. Draws nothing.
    void EnableStatus(EN_BRISKUI_OSD_STATUS status, U16 mask);
    // Hides `status`: clears its bit; a status with a handler then stops its
    // hide timer, erases its area and marks it for the next composition,
    // unless the handler's row says it stays on screen (the muted volume
    // OSD). Without a surface, logs and changes nothing.
    void DisableStatus(EN_BRISKUI_OSD_STATUS status);
    BOOL QueryStatus(U32 status);
    BOOL QueryPrevStatus(U32 status);
    void InvalidateOSD(const _Rect& rect);
    BOOL IsUpdateNeeded();
    void UpdateOsd();
    void ClearScreen();
    U32 GetCurrentStatus() { return u32CurrentStatus; }
    _Rect GetDirtyRect() { return rcDirty; }
    // The area the last composition flipped.
    _Rect GetLastFlipRect() { return rcLastFlip; }

    // ---- middleware events -------------------------------------------------------
    static U8 MiddlewareCallback(void* pOwner, void* pEventId, void* pParam);

    // ---- factory codes ------------------------------------------------------------
    // Records `code` for FactorySetSource and, for the codes 60289..60297
    // ("Video EXT-1".."EXT-9"), has the middleware switch the video input,
    // printing "(FACTORY:) Video EXT-n " first in factory M-mode. Other
    // codes switch nothing. Host thread.
    void ProcessFactoryCode(unsigned short code);
    // The input label of the code last given to ProcessFactoryCode
    // ("Component" before the first); never null, valid for the process's
    // life. Any thread.
    const char* FactorySetSource();

    // ---- factory information -------------------------------------------------------
    // Any thread. A string query answers in a buffer of the manager that the
    // next call of the same query overwrites; null only when that buffer (or
    // its key-file read buffer) cannot be allocated. Key files are read from
    // "/ciplus/" under the file-system root, at most 8192 bytes of each.
    //
    // Refreshes the integrity checks of the three sealed key files; always TRUE.
    BOOL FactoryLoadKeyRawData();
    // Model name of the model id (factory item 76), "NO_Name" when it has none.
    char* FactoryGetTVModel();
    // The five model-id bytes as "%02X %02X %02X %02X %02X".
    char* FactoryGetTVModelId();
    // The boot loader version, at most eight characters.
    char* FactoryGetMbootVersion();
    // Ethernet MAC, lower-case "xx:xx:xx:xx:xx:xx"; WLAN MAC, upper case.
    char* FactoryGetMACAddress();
    char* FactoryGetWLANMACAddress();
    // A/D calibration results: 1 when done. CVBS is PAL or NTSC.
    U8 FactoryGetADAdjustRGBStatus();
    U8 FactoryGetADAdjustCOMPStatus();
    U8 FactoryGetADAdjustPALStatus();
    U8 FactoryGetADAdjustNTSCStatus();
    U8 FactoryGetADAdjustCVBSStatus();
    // VGA EDID memory: 0 failed, 1 version 01, 2 not set.
    U8 FactoryGetEDIDVGA();
    // HDMI port n's EDID check as the middleware answers it: 1 good.
    U8 FactoryGetEDIDHDMI1();
    U8 FactoryGetEDIDHDMI2();
    U8 FactoryGetEDIDHDMI3();
    U8 FactoryGetEDIDHDMI4();
    // Decimal texts: the DLNA check byte, "N C" of the main-board
    // temperature, the sensor's status byte (OD table), and the POT and AST
    // counters (four factory items each, most significant first).
    char* FactoryGetDLNACheck();
    char* FactoryGetMainBoardTemp();
    char* FactoryGetODTable();
    char* FactoryGetPOT();
    char* FactoryGetAST();
    // 1 when write protect is on.
    U8 FactoryGetWriteProtect();
    // Key-file identities, "--" when the file does not open or is empty:
    // CI Plus host id (16 hex digits) and serial number (8 hex digits);
    // Widevine device id and Netflix ESN (16 characters, " NG" after them
    // when the last FactoryLoadKeyRawData found the sealed key file bad).
    char* FactoryGetCIPlusHostID();
    char* FactoryGetCIPlusSerialNumber();
    char* FactoryGetWidevineDeviceID();
    char* FactoryGetNetflixESN();
    // Writes the 10 hex digits of the HDCP 2.0 receiver id ("FFFFFFFFFF"
    // without a key file) into `out`, without a terminator: pass at least
    // 11 zero bytes.
    void FactoryGetHDCP20_ReceiveID(char* out);
    // " <receiver id> <5 identity bytes in hex>", or "<receiver id> NG".
    char* FactoryGetHDCP20();
    // "OK <CRC-32 of the 16-byte PVR key in hex>", "NG" for a zero key,
    // "--" without the key file.
    char* FactoryGetPVR();

    // ---- sub-board (4k2k Orvex board) stubs -------------------------------------------
    // Any thread. The set has no such board: each answers an empty string;
    // the ones marked (*) first print a notice line naming themselves.
    char* has4KDemoData();
    char* FactoryGetOrvexMemory();   // (*)
    char* FactoryGetOrvexLD_DATA();
    char* FactoryGetUniformityData();
    char* FactoryGetGPIOConnect();
    char* FactoryGetUSBConnect();   // (*)
    char* FactoryGetInformation();
    char* FactoryGetOrvexPQVersion();
    char* FactoryGetOrvexCtrl();
    char* FactoryGetBootLoaderVersion();   // (*)
    char* FactoryGetFPGAVersion();         // (*)
    char* FactoryGetBRISCVersion();        // (*)
    char* FactoryGetCRISCVersion();        // (*)
    char* FactoryGetARMVersion();          // (*)
    char* FactoryGetORVEXVersion();        // (*)

    // ---- desktop host and test support ----------------------------------------------
    IDirectFBEventBuffer* GetEventBuffer() { return pEventBuffer; }
    IDirectFBSurface* GetSurface() { return pSurface; }
    IDirectFBWindow* GetWindow() { return pWindow; }
    // Waits until the input thread has handled every queued event and
    // composed; FALSE after `timeoutMs`.
    BOOL WaitIdle(U32 timeoutMs);
    // Compositions since start-up (one that changes nothing flips nothing).
    U32 FlipCount() { return u32Flips.load(); }
    // Passes of the input thread's loop since start-up.
    U32 InputPassCount() { return u32InputPasses.load(); }
    // Timer events handed to a handler since start-up, and the monotonic
    // time (library clock, ns) at which the last one was.
    U32 TimerDispatchCount() { return u32TimerDispatches.load(); }
    long long LastTimerDispatchNs() { return s64LastTimerDispatchNs.load(); }
    // The manager lock, for callers that need several operations to be one.
    static void Lock();
    static void Unlock();

    // ---- handlers, one per OSD --------------------------------------------------------
    static VolumeHandler* pVolumeHandler;
    static ChannelChangeHandler* pChannelChangeHandler;
    static ChannelNumberHandler* pChannelNumberHandler;
    static InputSourceMenuHandler* pInputSourceMenuHandler;
    static InputSourceIconHandler* pInputSourceIconHandler;
    static WaitMessageHandler* pWaitMessageHandler;
    static NotAvailableMessageHandler* pNotAvailableMessageHandler;
    static FactoryArcHandler* pFactoryArcHandler;
    static InitializationHandler* pInitializationHandler;
    static AtvDtvSwitchMenuHandler* pAtvDtvSwitchMenuHandler;
    static FactoryBalanceHandler* pFactoryBalanceHandler;
    static FactoryDirectlyInputSourceChanged* pFactoryDirectlyInputSourceChanged;
    static FactoryOrvexCheck* pFactoryOrvexCheck;
    static VersionSelfCheckHandler* pVersionSelfCheckHandler;
    static PinCodeHandler* pPinCodeHandler;

    static U8 bFirstInitialization;
    static U8 bActivateKeyHandler;
    // Seconds of the current boot, written by the host from any thread and
    // read by the input thread.
    static BriskRelaxedU32 TotalTicksInSeconds;
    static const U32 m_InitializationMaxTime = 34000000;   // microseconds
    static const U32 m_InitializationLoopCount = 50;

private:
    BriskUiManager();
    ~BriskUiManager();
    BriskUiManager(const BriskUiManager&) = delete;
    BriskUiManager& operator=(const BriskUiManager&) = delete;

    // The handler that draws `status` (through the handler table), null for
    // BASE, combinations and OSDs whose handler does not exist.
    static EventHandler* HandlerFor(U32 status);
    // Creates every handler of the table in its order and loads its layout;
    // FALSE when an allocation fails.
    BOOL CreateHandlers();
    // Deletes every handler of the table in its order.
    void DeleteHandlers();
    // Passes `key` to the handler of `status`; a status whose handler this
    // build does not have gets a log line naming it instead.
    void RouteKey(U32 status, U32 key);
    void RunFirstInitialization(IDirectFBEventBuffer* buffer);
    void DispatchTimer(const DFBUserEvent& event);
    BOOL HandleKey(const DFBInputEvent& event);
    void PowerToggle();
    void BootProgress();
    void CloseOsds();
    void FactoryKey();
    BOOL WriteSetting(const char* key, U8 value);

    // Result buffers of the string queries, in member order.
    enum EN_FACTORY_RESULT {
        E_RESULT_TV_MODEL,
        E_RESULT_TV_MODEL_ID,
        E_RESULT_MBOOT_VERSION,
        E_RESULT_MAC,
        E_RESULT_WLAN_MAC,
        E_RESULT_DLNA_CHECK,
        E_RESULT_MAINBOARD_TEMP,
        E_RESULT_OD_TABLE,
        E_RESULT_POT,
        E_RESULT_AST,
        E_RESULT_NETFLIX_ESN,
        E_RESULT_WIDEVINE_ID,
        E_RESULT_HDCP20,
        E_RESULT_PVR,
        E_RESULT_CI_HOST_ID,
        E_RESULT_CI_SERIAL,
        E_RESULT_COUNT
    };
    // Result buffer `slot` (allocated on first use with `capacity` bytes),
    // cleared and filled with `text`, cut to fit; null when it cannot be
    // allocated.
    char* StoreResult(EN_FACTORY_RESULT slot, size_t capacity, const char* text);
    // The cleared stub buffer, after printing `notice` when there is one.
    char* Stub(const char* notice);
    U8 KeyCheck(U8 BriskUiManager::*check);
    // The Widevine id / Netflix ESN of key file `name` with its key check.
    char* KeyFileDeviceId(EN_FACTORY_RESULT slot, const char* name, U8 BriskUiManager::*check);
    // `count` bytes from `offset` of "ci_plus.bin" in upper-case hex.
    char* CIPlusHex(EN_FACTORY_RESULT slot, size_t capacity, size_t offset, size_t count);
    // A counter of four factory items, most significant first, in decimal.
    char* FactoryCounter(EN_FACTORY_RESULT slot, unsigned short firstItem);

    U32 u32CurrentStatus;
    U32 u32PrevStatus;
    IDirectFBSurface* pSurface;
    IDirectFBWindow* pWindow;
    IDirectFBEventBuffer* pEventBuffer;
    pthread_t tIrThread;
    _Rect rcDirty;
    U8 bActivate;
    U8 u8ColorFormat;
    int eCountry;
    std::string strLayoutPath;
    U8 u8HdcpKeyCheck;
    U8 u8WidevineKeyCheck;
    U8 u8NetflixKeyCheck;
    char* apResultBuffers[E_RESULT_COUNT];
    std::string strSwVersion;
    std::string strMStarVersion;
    char acStubBuffer[51];
    U16 u16FactorySourceCode;

    _Rect rcLastFlip;
    std::atomic<U32> u32Flips;
    std::atomic<U32> u32InputPasses;
    std::atomic<U32> u32TimerDispatches;
    std::atomic<long long> s64LastTimerDispatchNs;
    std::atomic<bool> bInputBusy;   // the input thread is handling a pass

    static BriskUiManager* pInstance;
};

#endif   // BRISKUI_MANAGER_H
