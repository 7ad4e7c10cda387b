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

#include "BriskSpeech.h"
#include "BriskTypes.h"
#include "BriskUiStatus.h"
#include "Rect.h"

class EventHandler;
struct ST_BRISKUI_HANDLER_ROW;
struct ST_BRISKUI_KEY_CLAIM;
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
    // The singleton, created on the first call (allocated without throwing;
    // asserts and aborts when it cannot be). No lock: the host makes the
    // first call before Start creates any thread. The manager owns itself
    // until Finalize deletes it; the caller never deletes it.
    static BriskUiManager* GetInstance();
    // The instance if one exists, without creating it; null before the
    // first GetInstance and after Finalize. Any thread (timer thread, the
    // middleware's callback).
    static BriskUiManager* PeekInstance() { return pInstance; }

    // ---- lifecycle -------------------------------------------------------
    // Binds the library to the display and starts it: configures the
    // host's layer, creates the OSD window (shown, transparent) and its
    // surface, loads the IR keymap, creates the input event buffer, creates
    // every handler of the handler table in row order and has each load its
    // layout from the language folder for the country group, registers the
    // middleware callback, starts the timer service and, once the host has
    // handed the IR keys over, the input thread. Asserts and aborts on a
    // missing layer or event buffer, an unknown country group, a required
    // layout that does not load, or a failed allocation or thread. Host
    // thread, once, after LoadCommonSetting.
    void Start();
    // Undoes Start: removes the middleware callback, hides the window,
    // releases the surface, the window and the event buffer, deletes every
    // handler in row order, empties the image cache and deletes the manager
    // itself: every pointer to it is dangling afterwards, and the next
    // GetInstance creates a new, unstarted manager. Then tells the
    // middleware the library has finished. Normally the input thread calls
    // it when the host takes the keys back, after finalising the timer
    // service; a host without an input thread calls both itself.
    void Finalize();

    // ---- settings, language and clock ---------------------------------------
    // Reads the common settings file (activation, first initialisation,
    // colour format), sets the country group to EU and the layout folder
    // of the OSD language. A missing or unreadable file keeps every default
    // but still sets the language folder. Always TRUE. Host thread, before
    // Start.
    BOOL LoadCommonSetting();
    // Rewrite one key of the settings file: "TRUE" for 1, "FALSE" for any
    // other value. 1 when the new file is in place and reads back entry for
    // entry; 0, with the old file kept, otherwise. A symbolic link stays and
    // its target is replaced. The value in memory does not change: it takes
    // effect at the next LoadCommonSetting. Host threads; one rewrite at a
    // time.
    BOOL SetConfigFirstInitialization(U8 value);
    BOOL SetConfigActivation(U8 value);
    // Rebuilds the layout folder from the OSD language the system database
    // gives ("EN/" without a database or for a language of no folder);
    // layouts loaded later come from it. Any thread.
    void SetupLanguage();
    // The settings as loaded: library enabled, colour format (1: a 16-bit
    // layer), country group (1 NA, 2 EU), first initialisation. Any thread:
    // like every accessor here, each takes the manager lock.
    U8 QueryBriskUiEnabled();
    U8 QueryColorFormat();
    int QueryCountry();
    // Picks the country group before Start: LoadCommonSetting always sets
    // EU; a desktop host uses this to run the NA layouts and behaviour.
    void SetCountry(int country);
    U8 IsFirstInitialization();
    // The volume OSD's display state (VolumeHandler::GetStatus: 0 hidden,
    // 1 bar, 2 half mute, 3 mute); 0 before Start. Any thread.
    U32 GetVolumeStatus();
    // Does nothing. Any thread.
    void GetOrvexInfo() {}
    // Keep a copy of the middleware's / the software's version text for the
    // version self-check screen; a null pointer keeps the old text. Any
    // thread, at any time.
    void SetMStarVersion(const char* version);
    void SetSwVersion(const char* version);
    // A copy of the kept version text (empty before any). Any thread.
    std::string GetMStarVersion();
    std::string GetSwVersion();
    // Shows the first-initialisation progress bar alone at `percent` and
    // composes at once, on the calling thread; nothing without the
    // initialisation handler. Host thread or the input thread.
    void SetFirstInitializationProgress(U8 percent);
    // Shows 100 % and then pauses one second (through the sleep seam) so
    // that the full bar stays visible before the caller goes on. Host thread.
    void SetFirstInitializationProgressComplete();
    // Milliseconds of the library's monotonic clock, as a 32-bit value that
    // wraps. Any thread.
    U32 GetSystemTime();
    // Whether the input may switch to analogue TV: FALSE exactly when the
    // system country is 14, its cable operator 7 and the current TV route's
    // path 2 (a cable-only market whose cable route carries no analogue
    // programmes); logs the figures. Any thread.
    BOOL IsAllowedToSwitchATV();
    // The layout folder (before the file-system root), with its language
    // folder and a trailing slash. Any thread.
    std::string GetLayoutPath();

    // ---- audio guidance --------------------------------------------------------
    // While audio guidance is on, every OSD says what it shows (in the OSD
    // language, worded by its layouts) through the host's text-to-speech
    // engine. Off, nothing is ever said and nothing else changes.
    //
    // Installs the engine: every utterance goes to `callback` with
    // `context`, on the library's speech thread (BriskSpeech.h); null
    // removes it and drops what waits to be said. Once it returns, the
    // previous callback is not called again (unless this is called from it),
    // so the host may free its context. The engine is the process's: kept
    // until replaced, also across Finalize and the next Start, and
    // installed without a manager. Any thread, without the manager lock.
    static void SetSpeechCallback(BriskSpeechCallback callback, void* context);
    // Switches audio guidance on (1) or off (any other value) at once and
    // rewrites "BriskUISetting:bAudioGuidance" of the settings file ("TRUE"
    // / "FALSE") as SetConfigActivation does, so that LoadCommonSetting
    // reads it at the next start. Returns the rewrite's result: 0 (the old
    // file kept) still leaves guidance switched for this run. Host threads;
    // one rewrite at a time.
    BOOL SetConfigAudioGuidance(U8 value);
    // Switches audio guidance for this run only; the settings file is left
    // as it is (a desktop host, a test). Any thread.
    void SetAudioGuidance(U8 on);
    // 1 while audio guidance is on (the settings file's value after
    // LoadCommonSetting, default 0). Any thread.
    U8 QueryAudioGuidance();
    // Says now every utterance still waiting for the keys to pause, as if
    // they had (a desktop host taking a screenshot of the state that said
    // them). Any thread.
    void FlushSpeech();

    // ---- keys and events -------------------------------------------------------
    // Keys are routed only while `enable` is 1. Any thread.
    void SetKeyHandlerEnable(U8 enable);
    // Routes one key symbol: the manager's own keys (exit, power, factory,
    // full interface) here, every other key to the first row of the handler
    // table whose claim of it holds. TRUE when the key is one the library
    // routes (some row claims it, or the manager owns it), whatever the
    // handler then did; FALSE for any other key. Input thread (any thread
    // that holds the manager lock).
    BOOL KeyHandler(U32 key);
    // Posts a copy of `event`'s class, type and data to the event buffer
    // (logged when DirectFB refuses it); nothing before Start. Timer thread.
    void PostEvent(const DFBUserEvent& event);
    // Wakes the input thread out of its wait; nothing before Start. Any thread.
    void WakeUp();
    // Loads the IR keymap into input device 15; FALSE, logged, when the
    // device or the keymap is missing. Start.
    BOOL InitializeMSTARIR();
    // Body of the input thread (`buffer` is the event buffer): the first
    // initialisation's progress when due, then one event per pass until the
    // host takes the keys back; then it finalises the timer service and the
    // manager and detaches itself. Started by Start.
    static void* tvos_event_thread(void* buffer);

    // ---- status set and composition ---------------------------------------------
    // All of these take the manager lock and may be called from any thread.
    // Shows `status`: the set keeps only the OSDs in `mask` (the base status
    // always stays; OSDs from 0x10000 up, which a 16-bit mask cannot name,
    // stay or go as their rows say) and gains `status`; a status with a
    // handler also (re)arms its hide timer and marks its item region for
    // the next composition. Draws nothing.
    void EnableStatus(EN_BRISKUI_OSD_STATUS status, U16 mask);
    // The same with a 32-bit mask, which names every OSD (a layout's
    // u32StateMask). Bits above 0xFFFF that no row has are dropped.
    void EnableStatusMask(U32 status, U32 mask);
    // Hides `status`: clears its bit; a status with a handler then stops its
    // hide timer, erases its area and marks it for the next composition,
    // unless the handler's row says it stays on screen (the muted volume
    // OSD). Without a surface, logs and changes nothing.
    void DisableStatus(EN_BRISKUI_OSD_STATUS status);
    // TRUE when every bit of `status` is in the set now / at the last
    // composition (so 0 is always TRUE).
    BOOL QueryStatus(U32 status);
    BOOL QueryPrevStatus(U32 status);
    // Adds `rect` to the area the next composition flips.
    void InvalidateOSD(const _Rect& rect);
    // TRUE when an area waits for composition.
    BOOL IsUpdateNeeded();
    // Composes: erases the OSDs gone since the last composition, redraws
    // every shown OSD in the handler table's layer order and flips the
    // marked area; without a surface, logs and changes nothing.
    void UpdateOsd();
    // Hides the whole window at once (opacity 0); nothing without a surface.
    void ClearScreen();
    // The status set now, the marked area, and the area the last
    // composition flipped. Each takes the manager lock, so any thread may
    // read them while the input thread composes.
    U32 GetCurrentStatus();
    _Rect GetDirtyRect();
    _Rect GetLastFlipRect();

    // ---- middleware events -------------------------------------------------------
    // The callback Start registers with the middleware's four event
    // sources: the banner, PIN and wait-message events become OSD changes
    // (composed by the input thread). 1 for the events it acts on, 0 for
    // others, before the host has handed the keys over and during a first
    // initialisation. The middleware's event thread.
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
    // The event buffer, window surface and window Start created; null
    // before. Owned by the manager: the caller does not release them. Any
    // thread.
    IDirectFBEventBuffer* GetEventBuffer() { return pEventBuffer; }
    IDirectFBSurface* GetSurface() { return pSurface; }
    IDirectFBWindow* GetWindow() { return pWindow; }
    // Waits until the input thread has handled every queued event and
    // composed, and the speech thread has said every utterance due; FALSE
    // after `timeoutMs` of real time. Any thread but the input thread,
    // without the manager lock.
    BOOL WaitIdle(U32 timeoutMs);
    // Compositions since start-up (one that changes nothing flips
    // nothing). Any thread.
    U32 FlipCount() { return u32Flips.load(); }
    // Passes of the input thread's loop since start-up. Any thread.
    U32 InputPassCount() { return u32InputPasses.load(); }
    // Timer events handed to a handler since start-up, and the monotonic
    // time (library clock, ns) at which the last one was. Any thread.
    U32 TimerDispatchCount() { return u32TimerDispatches.load(); }
    long long LastTimerDispatchNs() { return s64LastTimerDispatchNs.load(); }
    // The manager lock (recursive; it outlives every manager), for callers
    // that need several operations to be one. Any thread; Unlock as often as
    // Lock.
    static void Lock();
    static void Unlock();

    // ---- handlers, one per OSD --------------------------------------------------------
    // Filled by Start through the handler table's rows and nulled by
    // Finalize; owned by the manager. Read under the manager lock.
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

    // First-initialisation mode (from the settings file; cleared when a
    // factory key ends the progress) and the key-routing switch
    // (SetKeyHandlerEnable). Single bytes, read without the lock.
    static U8 bFirstInitialization;
    static U8 bActivateKeyHandler;
    // Seconds of the current boot, written by the host from any thread and
    // read by the input thread.
    static BriskRelaxedU32 TotalTicksInSeconds;
    // Length and steps of the first initialisation's progress.
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
    // Passes `key` to the handler of `row`; a row without a handler (before
    // Start) gets a log line naming it instead.
    void RouteKey(const ST_BRISKUI_HANDLER_ROW& row, U32 key);
    // Whether `claim` of `row` holds now.
    BOOL ClaimHolds(const ST_BRISKUI_HANDLER_ROW& row, const ST_BRISKUI_KEY_CLAIM& claim);
    // Hides each OSD of `statuses` that is shown.
    void HideShown(U32 statuses);
    void RunFirstInitialization(IDirectFBEventBuffer* buffer);
    void DispatchTimer(const DFBUserEvent& event);
    BOOL HandleKey(const DFBInputEvent& event);
    void PowerToggle();
    void BootProgress();
    void CloseOsds();
    // Drops the utterances still waiting to settle of every OSD that is not
    // shown: an OSD closed by the exit keys or its time-out says no more.
    void DropHiddenSpeech();
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
    U8 bAudioGuidance;
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
