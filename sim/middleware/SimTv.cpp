// Simulated middleware: the definitions of every middleware operation the
// library calls (core/Middleware.h) and of the control interface used by the
// tests and the desktop host (SimTv.h).
//
// The whole television lives in one process-wide object guarded by one mutex.
// That object is created on first use and never destroyed, so a library
// thread or a static destructor that calls into the middleware late during
// process exit still finds it. Middleware events are delivered from a
// dedicated thread that never holds the mutex while a library callback runs;
// the thread is started on the first PostEvent and joined at process exit.
//
// Power-on defaults (restored by sim::Reset):
//   sound      volume 20 (stored and applied), balance 0, not muted,
//              half-mute flag 0
//   inputs     current source DTV; VGA, ATV, CVBS, CVBS2, YPbPr, SCART,
//              HDMI1..4 and DTV present; rear shared input off; last TV
//              source type 0
//   channels   ATV 1..3 "ATV 1".."ATV 3"; DTV 1, 2, 3, 7, 12 "BBC One",
//              "BBC Two", "ITV", "News", "Film4"; first channel of each list
//   settings   PIN 1234, OSD language 1, system database present, country 59,
//              cable operator 0, antenna and satellite mode 0, dish/LNB
//              toggle 0
//   DTV        route paths {antenna, cable, satellite 2, none}, satellite
//              capability, route 0; DVB-S player, initialised, AV mute flag
//              0, two blank satellites, multiplex known with flags 0
//   factory    code 0, M-mode off, no factory data, EDID checksums 1,
//              Ethernet MAC 00:1a:2b:3c:4d:5e, WiFi MAC 00:1a:2b:3c:4d:5f,
//              temperature 41 degrees with status 3, key files judged
//              by their seals
//   platform   mboot "MB1.0.23", DVB-S enabled, IR grant on, IR not owned
#include "SimTv.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <sys/stat.h>
#include <zlib.h>

BOOL MSrv_Control_common::bBriskUiTriggerPowerOff = FALSE;
BOOL MSrv_Control_common::m_bEnterActiveStandby = FALSE;
BOOL mapi_system::bBackgroundRecording = FALSE;

namespace {

constexpr size_t kEventSources = 4;
constexpr size_t kRoutes = 4;
const char kDefaultMboot[] = "MB1.0.23";
constexpr size_t kKeyDataBytes = 8192;   // what CheckHmacAndReadData's caller provides

typedef std::array<ST_MSRV_SOURCE_INFO, MAPI_INPUT_SOURCE_NUM> SourceList;

sim::Channel MakeChannel(U32 number, const char* name)
{
    sim::Channel c;
    c.number = number;
    c.name = name;
    return c;
}

// Everything sim::Reset puts back.
struct State {
    _SoundSettingType sound{};
    U8 appliedVolume = 20;
    bool muted = false;
    MS_USER_SYSTEM_SETTING user{};

    MAPI_INPUT_SOURCE_TYPE source = MAPI_INPUT_SOURCE_DTV;
    SourceList sources{};
    bool rearShared = false;
    U8 lastTvSourceType = 0;
    std::vector<sim::Channel> atv;
    std::vector<sim::Channel> dtv;
    size_t atvIndex = 0;
    size_t dtvIndex = 0;
    bool programInfoFails = false;
    bool settingsReadFails = false;

    U16 pin = 1234;
    U32 osdLanguage = 1;
    bool databasePresent = true;
    U32 country = 59;
    U32 cableOperator = 0;
    U8 antennaMode = 0;
    U8 satelliteMode = 0;

    U8 routePath[kRoutes] = { E_ROUTE_PATH_ANTENNA, E_ROUTE_PATH_CABLE, E_ROUTE_PATH_SATELLITE2, 0 };
    bool satelliteCapability = true;
    U8 currentRoute = 0;
    bool dvbsPlayer = true;
    bool dvbPlayerInit = true;
    U32 avMuteFlag = 0;
    std::vector<MS_SAT_INFO> satellites = std::vector<MS_SAT_INFO>(2, MS_SAT_INFO{});
    std::set<unsigned long> unreadableSatellites;   // GetSatelliteInfo fails for these
    bool muxKnown = true;
    U32 muxFlags = 0;

    U16 factoryCode = 0;
    bool factoryMmode = false;
    std::map<U16, U8> factoryData;
    std::map<U8, U8> edidChecksum;
    U8 ethernetMac[6] = { 0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e };
    U8 wifiMac[6] = { 0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5f };
    S16 temperature = 41;
    U8 temperatureStatus = 3;
    std::map<std::string, bool> hmacForced;   // seal verdicts forced by path

    std::string mboot = kDefaultMboot;
    bool dvbsEnabled = true;

    State()
    {
        sound.u8Volume = 20;
        sound.s8Balance = 0;
        static const MAPI_INPUT_SOURCE_TYPE present[] = {
            MAPI_INPUT_SOURCE_VGA,   MAPI_INPUT_SOURCE_ATV,   MAPI_INPUT_SOURCE_CVBS, MAPI_INPUT_SOURCE_CVBS2,
            MAPI_INPUT_SOURCE_YPBPR, MAPI_INPUT_SOURCE_SCART, MAPI_INPUT_SOURCE_HDMI, MAPI_INPUT_SOURCE_HDMI2,
            MAPI_INPUT_SOURCE_HDMI3, MAPI_INPUT_SOURCE_HDMI4, MAPI_INPUT_SOURCE_DTV
        };
        for (MAPI_INPUT_SOURCE_TYPE s : present) sources[s].u32Present = 1;
        atv = { MakeChannel(1, "ATV 1"), MakeChannel(2, "ATV 2"), MakeChannel(3, "ATV 3") };
        dtv = { MakeChannel(1, "BBC One"), MakeChannel(2, "BBC Two"), MakeChannel(3, "ITV"), MakeChannel(7, "News"),
                MakeChannel(12, "Film4") };
    }
};

struct Event {
    U32 id;
    U32 param;
    sim::Source source;
};

// The middleware objects handed out by the static getters.
struct Objects {
    MSrv_Control control;
    MSrv_SSSound sound;
    MSrv_System_Database database;
    MSrv_ChannelManager channels;
    MSrv_Factory_Default factoryDefault;
    MSrv_Factory_Cmd factoryCmd;
    MSrv_PreSharedKey preSharedKey;
    MSrv_CEC cec;
    MSrv_Timer timer;
    MSrv_Network network;
    MSrv_ATV_Player atv;
    MSrv_ATV_Database atvDatabase;
    MSrv_DTV_Player_DVBS dtvs;
    MSrv_DTV_Player_DVB dtv;
    MSrv_CIMMI cimmi;
    MSystem system;
    SystemInfo systemInfo;
};

struct Sim {
    std::mutex mu;                     // guards everything below but the atomics
    std::condition_variable callCv;    // a call was recorded
    std::condition_variable eventCv;   // an event was queued or the thread must stop
    std::condition_variable idleCv;    // the event queue drained or a callback returned

    State st;
    std::vector<std::string> calls;
    std::array<std::vector<MSRV_EVENT_CALLBACK>, kEventSources> recipients;
    std::deque<Event> queue;
    bool busy = false;   // the event thread is delivering an event
    U8 lastResult = 0;

    // Source lists handed out by GetSourceList. The caller reads them without
    // the lock, so a published list is never written again: a change
    // publishes a new one and the old ones stay valid.
    std::deque<SourceList> sourceLists;
    // Interned mboot version strings, for the same reason.
    std::set<std::string> mbootStrings;

    // Event thread. `thread` is touched only under lifeMu, which serialises
    // starting and joining; the flags are read under mu.
    std::mutex lifeMu;
    std::thread thread;
    bool threadAlive = false;
    bool stopRequested = false;   // cleared only once the thread is joined
    std::thread::id threadId;

    std::atomic<IDirectFB*> dfb{ nullptr };
    std::atomic<IDirectFBDisplayLayer*> layer{ nullptr };
    std::atomic<bool> irGrant{ true };
    std::atomic<bool> irOwned{ false };

    Objects obj;

    Sim() { sourceLists.push_back(st.sources); }
};

Sim& S()
{
    static Sim* sim = new Sim;   // never destroyed, see the top of the file
    return *sim;
}

// The static flags are plain BOOLs the library reads and writes directly;
// the simulation's own accesses are atomic.
void StoreFlag(BOOL& flag, BOOL value) { __atomic_store_n(&flag, value, __ATOMIC_SEQ_CST); }
BOOL LoadFlag(BOOL& flag) { return __atomic_load_n(&flag, __ATOMIC_SEQ_CST); }

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...)
{
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0) return std::string();
    return std::string(buf, std::min(static_cast<size_t>(n), sizeof buf - 1));
}

// Appends a recorded call; mu must be held.
void RecordLocked(Sim& s, std::string call)
{
    s.calls.push_back(std::move(call));
    s.callCv.notify_all();
}

void Record(const std::string& call)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, call);
}

// Publishes the working source list if it differs from the one handed out.
void PublishSourcesLocked(Sim& s)
{
    const SourceList& last = s.sourceLists.back();
    if (std::memcmp(last.data(), s.st.sources.data(), sizeof(SourceList)) != 0) s.sourceLists.push_back(s.st.sources);
}

// Channel list and current index of the current tuner source: ATV when the
// input is ATV, DTV otherwise.
std::vector<sim::Channel>& CurrentListLocked(State& st) { return st.source == MAPI_INPUT_SOURCE_ATV ? st.atv : st.dtv; }
size_t& CurrentIndexLocked(State& st) { return st.source == MAPI_INPUT_SOURCE_ATV ? st.atvIndex : st.dtvIndex; }

int SourceOf(const MSrv* object)
{
    Objects& o = S().obj;
    if (object == static_cast<const MSrv*>(&o.control)) return static_cast<int>(sim::Source::Control);
    if (object == static_cast<const MSrv*>(&o.atv)) return static_cast<int>(sim::Source::Atv);
    if (object == static_cast<const MSrv*>(&o.dtvs) || object == static_cast<const MSrv*>(&o.dtv))
        return static_cast<int>(sim::Source::Dtv);
    if (object == static_cast<const MSrv*>(&o.cimmi)) return static_cast<int>(sim::Source::Cimmi);
    return -1;
}

// The object an event of `source` comes from; mu must be held.
void* OwnerLocked(Sim& s, sim::Source source)
{
    switch (source) {
    case sim::Source::Control:
        return static_cast<MSrv*>(&s.obj.control);
    case sim::Source::Atv:
        return static_cast<MSrv*>(&s.obj.atv);
    case sim::Source::Dtv:
        return s.st.dvbsPlayer ? static_cast<MSrv*>(&s.obj.dtvs) : static_cast<MSrv*>(&s.obj.dtv);
    case sim::Source::Cimmi:
        return static_cast<MSrv*>(&s.obj.cimmi);
    }
    return nullptr;
}

void* ToVoid(U32 v) { return reinterpret_cast<void*>(static_cast<uintptr_t>(v)); }

bool OnEventThreadLocked(const Sim& s) { return s.threadAlive && s.threadId == std::this_thread::get_id(); }

void EventLoop()
{
    Sim& s = S();
    std::unique_lock<std::mutex> lk(s.mu);
    for (;;) {
        s.eventCv.wait(lk, [&s] { return s.stopRequested || !s.queue.empty(); });
        if (s.stopRequested) break;
        const Event ev = s.queue.front();
        s.queue.pop_front();
        s.busy = true;
        const size_t src = static_cast<size_t>(ev.source);
        const std::vector<MSRV_EVENT_CALLBACK> targets = s.recipients[src];
        void* owner = OwnerLocked(s, ev.source);
        for (MSRV_EVENT_CALLBACK cb : targets) {
            if (s.stopRequested) break;
            // Skip a callback removed since the copy was taken (for instance by
            // an earlier callback of this same event).
            const std::vector<MSRV_EVENT_CALLBACK>& now = s.recipients[src];
            if (std::find(now.begin(), now.end(), cb) == now.end()) continue;
            lk.unlock();
            const U8 result = cb(owner, ToVoid(ev.id), ToVoid(ev.param));
            lk.lock();
            s.lastResult = result;
        }
        s.busy = false;
        s.idleCv.notify_all();
    }
    s.busy = false;
    s.idleCv.notify_all();
}

// Joins the event thread at process exit so that no thread outlives main.
struct EventThreadStopper {
    ~EventThreadStopper() { sim::StopEventThread(); }
};

// Joins a thread that was asked to stop. lifeMu held, mu not held.
void JoinStoppedThread(Sim& s)
{
    if (!s.thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lk(s.mu);
        if (!s.stopRequested) return;
    }
    s.thread.join();
    std::lock_guard<std::mutex> lk(s.mu);
    s.threadAlive = false;
    s.stopRequested = false;
    s.threadId = std::thread::id();
}

// Starts the event thread. lifeMu and mu held, no thread running.
void StartThreadLocked(Sim& s)
{
    // Constructed on the first start, hence destroyed (and the thread joined)
    // before any static object constructed earlier, such as the library's.
    static EventThreadStopper stopper;
    (void)stopper;
    s.stopRequested = false;
    s.threadAlive = true;
    s.thread = std::thread(EventLoop);
    s.threadId = s.thread.get_id();
}

void ResetLocked(Sim& s)
{
    s.st = State();
    PublishSourcesLocked(s);
    s.calls.clear();
    for (auto& r : s.recipients) r.clear();
    s.queue.clear();
    s.lastResult = 0;
    s.irGrant = true;
    s.irOwned = false;
    StoreFlag(MSrv_Control_common::bBriskUiTriggerPowerOff, FALSE);
    StoreFlag(MSrv_Control_common::m_bEnterActiveStandby, FALSE);
    StoreFlag(mapi_system::bBackgroundRecording, FALSE);
    s.idleCv.notify_all();
}

}   // namespace

// ===========================================================================
// Middleware
// ===========================================================================

// ---- events ----------------------------------------------------------------

BOOL MSrv::AddEventRecipient(MSRV_EVENT_CALLBACK callback)
{
    const int src = SourceOf(this);
    if (src < 0 || callback == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    auto& list = s.recipients[static_cast<size_t>(src)];
    if (std::find(list.begin(), list.end(), callback) == list.end()) list.push_back(callback);
    return TRUE;
}

// Does not wait for a callback in flight: the caller may hold a lock that
// the callback is waiting for.
BOOL MSrv::RemoveEventRecipient(MSRV_EVENT_CALLBACK callback)
{
    const int src = SourceOf(this);
    if (src < 0) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    auto& list = s.recipients[static_cast<size_t>(src)];
    auto it = std::find(list.begin(), list.end(), callback);
    if (it == list.end()) return FALSE;
    list.erase(it);
    return TRUE;
}

// ---- control ---------------------------------------------------------------

MAPI_INPUT_SOURCE_TYPE MSrv_Control_common::GetCurrentInputSource()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.source;
}

BOOL MSrv_Control_common::SetInputSource(MAPI_INPUT_SOURCE_TYPE source, BOOL bWriteDb, BOOL bUpdateLock, BOOL bLock)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    // A caller may pass any 32-bit number: read it as one, not as the enum,
    // whose load would be undefined for values outside 0..63.
    int raw = 0;
    static_assert(sizeof raw == sizeof source, "the input source is a 32-bit value");
    memcpy(&raw, &source, sizeof raw);
    RecordLocked(s, Format("SetInputSource(%d,%u,%u,%u)", raw, static_cast<unsigned>(bWriteDb),
                           static_cast<unsigned>(bUpdateLock), static_cast<unsigned>(bLock)));
    if (raw < MAPI_INPUT_SOURCE_VGA || raw >= MAPI_INPUT_SOURCE_NUM) return FALSE;
    s.st.source = static_cast<MAPI_INPUT_SOURCE_TYPE>(raw);
    return TRUE;
}

const ST_MSRV_SOURCE_INFO* MSrv_Control_common::GetSourceList()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.sourceLists.back().data();
}

BOOL MSrv_Control_common::RearSharedInput()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.rearShared ? TRUE : FALSE;
}

ST_MSRV_TV_INFO MSrv_Control_common::GetTVInfo()
{
    ST_MSRV_TV_INFO info{};
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    if (s.st.satelliteCapability) info.u8Capability |= E_TV_INFO_CAP_SATELLITE;
    std::memcpy(info.au8RoutePath, s.st.routePath, sizeof info.au8RoutePath);
    return info;
}

BOOL MSrv_Control_common::SwitchMSrvDtvRoute(U8 route)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, Format("SwitchMSrvDtvRoute(%u)", static_cast<unsigned>(route)));
    if (route >= kRoutes) return FALSE;
    s.st.currentRoute = route;
    return TRUE;
}

BOOL MSrv_Control_common::EnterActiveStandByMode(BOOL bEnter, BOOL bByUser)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(
        s, Format("EnterActiveStandByMode(%u,%u)", static_cast<unsigned>(bEnter), static_cast<unsigned>(bByUser)));
    StoreFlag(m_bEnterActiveStandby, bEnter);
    return TRUE;
}

BOOL MSrv_Control_common::EnterSleepMode(BOOL bMode)
{
    Record(Format("EnterSleepMode(%u)", static_cast<unsigned>(bMode)));
    return TRUE;
}

void MSrv_Control_common::SetPasswordVerified(BOOL bVerified)
{
    Record(Format("SetPasswordVerified(%u)", static_cast<unsigned>(bVerified)));
}

void MSrv_Control_common::SetBriskUIStatus(U8 status)
{
    Record(Format("SetBriskUIStatus(%u)", static_cast<unsigned>(status)));
}

MSrv_SSSound* MSrv_Control_common::GetMSrvSSSound() { return &S().obj.sound; }

MSrv_System_Database* MSrv_Control_common::GetMSrvSystemDatabase()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.databasePresent ? &s.obj.database : nullptr;
}

MSrv_ChannelManager* MSrv_Control_common::GetMSrvChannelManager() { return &S().obj.channels; }
MSrv_Factory_Default* MSrv_Control_common::GetMSrvFactoryDefault() { return &S().obj.factoryDefault; }
MSrv_Factory_Cmd* MSrv_Control_common::GetMSrvFactoryCmd() { return &S().obj.factoryCmd; }
MSrv_PreSharedKey* MSrv_Control_common::GetMSrvPreSharedKey() { return &S().obj.preSharedKey; }
MSrv_CEC* MSrv_Control_common::GetMSrvCEC() { return &S().obj.cec; }
MSrv_Timer* MSrv_Control_common::GetMSrvTimer() { return &S().obj.timer; }

S16 MSrv_Control_TV::VRL_GetTempSensorDegree()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.temperature;
}

U8 MSrv_Control_TV::VRL_GetTempSensorStatus()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.temperatureStatus;
}

MSrv_ATV_Player* MSrv_Control_TV::GetMSrvAtv() { return &S().obj.atv; }

MSrv_DTV_Player_DVB* MSrv_Control_TV::GetMSrvDtv()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.dvbsPlayer ? &s.obj.dtvs : &s.obj.dtv;
}

MSrv_ATV_Database* MSrv_Control_TV::GetMSrvAtvDatabase() { return &S().obj.atvDatabase; }
MSrv_Network* MSrv_Control_TV::GetMSrvNetwork() { return &S().obj.network; }

U8 MSrv_Control_DVB::GetCurrentTvRoute()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.currentRoute;
}

U8 MSrv_Control_DVB::GetLastTvSourceType()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.lastTvSourceType;
}

MSrv_CIMMI* MSrv_Control_DVB::GetMSrvCIMMI() { return &S().obj.cimmi; }

MSrv_Control* MSrv_Control::GetInstance() { return &S().obj.control; }

// ---- sound -----------------------------------------------------------------

U8 MSrv_SSSound::GetVolume()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.appliedVolume;
}

BOOL MSrv_SSSound::SetVolume(U8 volume, U8 fromSetting)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, Format("SetVolume(%u,%u)", static_cast<unsigned>(volume), static_cast<unsigned>(fromSetting)));
    s.st.appliedVolume = volume;
    return TRUE;
}

U8 MSrv_SSSound::GetMuteStatus(U8 muteStatusType)
{
    (void)muteStatusType;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.muted ? 1 : 0;
}

BOOL MSrv_SSSound::SetMuteStatus(U8 muteType, BOOL bMute)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, Format("SetMuteStatus(%u,%u)", static_cast<unsigned>(muteType), static_cast<unsigned>(bMute)));
    s.st.muted = bMute != FALSE;
    return TRUE;
}

BOOL MSrv_SSSound::VRL_SND_SetBalance(S8 balance)
{
    Record(Format("VRL_SND_SetBalance(%d)", static_cast<int>(balance)));
    return TRUE;
}

// ---- system database -----------------------------------------------------

BOOL MSrv_System_Database::GetAudioSetting(_SoundSettingType* pSetting)
{
    if (pSetting == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    if (s.st.settingsReadFails) return FALSE;
    *pSetting = s.st.sound;
    return TRUE;
}

BOOL MSrv_System_Database::SetAudioSetting(const _SoundSettingType* pSetting)
{
    if (pSetting == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    s.st.sound = *pSetting;
    RecordLocked(s, Format("SetAudioSetting(volume=%u,balance=%d)", static_cast<unsigned>(pSetting->u8Volume),
                           static_cast<int>(pSetting->s8Balance)));
    return TRUE;
}

BOOL MSrv_System_Database::GetUserSystemSetting(MS_USER_SYSTEM_SETTING* pSetting)
{
    if (pSetting == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    if (s.st.settingsReadFails) return FALSE;
    *pSetting = s.st.user;
    return TRUE;
}

BOOL MSrv_System_Database::SetUserSystemSetting(const MS_USER_SYSTEM_SETTING* pSetting)
{
    if (pSetting == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    s.st.user = *pSetting;
    RecordLocked(s, Format("SetUserSystemSetting(halfmute=%u,toggle=%u)", static_cast<unsigned>(pSetting->u8HalfMute),
                           static_cast<unsigned>(pSetting->u8DishLnbToggle)));
    return TRUE;
}

U32 MSrv_System_Database::GetOsdLanguage()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.osdLanguage;
}

U16 MSrv_System_Database::GetPassword()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.pin;
}

U32 MSrv_System_Database::GetSystemCountry()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.country;
}

U32 MSrv_System_Database::GetSystemCableOperators()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.cableOperator;
}

BOOL MSrv_System_Database::GetEnableAntennaMode(U8* pMode)
{
    if (pMode == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    *pMode = s.st.antennaMode;
    return TRUE;
}

BOOL MSrv_System_Database::GetEnableSatelliteMode(U8* pMode)
{
    if (pMode == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    *pMode = s.st.satelliteMode;
    return TRUE;
}

// ---- channels --------------------------------------------------------------

namespace {

// Steps the current tuner source's channel, wrapping at both ends.
U8 StepProgram(int step, const char* call)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, call);
    const std::vector<sim::Channel>& list = CurrentListLocked(s.st);
    if (list.empty()) return FALSE;
    size_t& index = CurrentIndexLocked(s.st);
    const size_t n = list.size();
    index = (index % n + (step > 0 ? 1 : n - 1)) % n;
    return TRUE;
}

// Index of the DTV channel numbered `number`, or the list size.
size_t FindDtvLocked(const State& st, U32 number)
{
    for (size_t i = 0; i < st.dtv.size(); ++i)
        if (st.dtv[i].number == number) return i;
    return st.dtv.size();
}

}   // namespace

U8 MSrv_ChannelManager::ProgramUp() { return StepProgram(1, "ProgramUp()"); }
U8 MSrv_ChannelManager::ProgramDown() { return StepProgram(-1, "ProgramDown()"); }

BOOL MSrv_ChannelManager::GetProgramInfo(ST_PROGRAM_INFO* pInfo)
{
    if (pInfo == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    const std::vector<sim::Channel>& list = CurrentListLocked(s.st);
    const size_t index = CurrentIndexLocked(s.st);
    if (s.st.programInfoFails || index >= list.size()) return FALSE;
    const sim::Channel& c = list[index];
    pInfo->u32Number = c.number;
    pInfo->u8HideNumber = c.hideNumber ? 1 : 0;
    pInfo->u8ServiceType = c.serviceType;
    const size_t len = std::min(c.name.size(), sizeof pInfo->sServiceName - 1);
    std::memcpy(pInfo->sServiceName, c.name.data(), len);
    pInfo->sServiceName[len] = '\0';
    return TRUE;
}

BOOL MSrv_ChannelManager::SelectProgram(U32 number, U8 type)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, Format("SelectProgram(%lu,%u)", static_cast<unsigned long>(number), static_cast<unsigned>(type)));
    if (type == 0) {
        if (number >= s.st.atv.size()) return FALSE;
        s.st.atvIndex = number;
        return TRUE;
    }
    if (type == 1) {
        const size_t i = FindDtvLocked(s.st, number);
        if (i >= s.st.dtv.size()) return FALSE;
        s.st.dtvIndex = i;
        return TRUE;
    }
    return FALSE;
}

// Selects in the current tuner source's list by the channel number a
// program record reports (u32Number), so that a record's program can be
// selected again.
BOOL MSrv_ChannelManager::SelectProgram(U32 number, U8 serviceType, U8 flag)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, Format("SelectProgram(%lu,%u,%u)", static_cast<unsigned long>(number),
                           static_cast<unsigned>(serviceType), static_cast<unsigned>(flag)));
    const std::vector<sim::Channel>& list = CurrentListLocked(s.st);
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].number != number) continue;
        CurrentIndexLocked(s.st) = i;
        return TRUE;
    }
    return FALSE;
}

// Searches the DTV list, in order, for the program numbered major-minor, or
// for the first of the major number when any minor will do.
BOOL MSrv_ChannelManager::SelectProgramByMajorMinor(U16 major, U16 minor, BOOL anyMinor)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, Format("SelectProgramByMajorMinor(%u,%u,%u)", static_cast<unsigned>(major),
                           static_cast<unsigned>(minor), static_cast<unsigned>(anyMinor)));
    for (size_t i = 0; i < s.st.dtv.size(); ++i) {
        const sim::Channel& c = s.st.dtv[i];
        if (c.number == major && (anyMinor || (c.hasMinor && c.minor == minor))) {
            s.st.dtvIndex = i;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL MSrv_ChannelManager::ChangeProgramList(U8 listType, U8 mode)
{
    Record(Format("ChangeProgramList(%u,%u)", static_cast<unsigned>(listType), static_cast<unsigned>(mode)));
    return TRUE;
}

// ---- ATV -------------------------------------------------------------------

U16 MSrv_ATV_Player::GetCurrentProgramNumber()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return static_cast<U16>(s.st.atvIndex);
}

BOOL MSrv_ATV_Player::SetProgram(U16 number, U8 flag)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, Format("SetProgram(%u,%u)", static_cast<unsigned>(number), static_cast<unsigned>(flag)));
    if (number >= s.st.atv.size()) return FALSE;
    s.st.atvIndex = number;
    return TRUE;
}

// The command is not interpreted: every query answers with the current
// ATV programme number (what command 0 asks for) and, given a buffer, the
// lock flag of that channel in its first byte.
U32 MSrv_ATV_Database::GetProgramCtrl(U32 command, U16 param1, U16 param2, U8* pBuffer)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, Format("GetProgramCtrl(%lu,%u,%u)", static_cast<unsigned long>(command),
                           static_cast<unsigned>(param1), static_cast<unsigned>(param2)));
    if (pBuffer != nullptr) {
        const bool locked = s.st.atvIndex < s.st.atv.size() && s.st.atv[s.st.atvIndex].locked;
        pBuffer[0] = locked ? 1 : 0;
    }
    return static_cast<U32>(s.st.atvIndex);
}

// ---- DTV -------------------------------------------------------------------

MSrv_DTV_Player::~MSrv_DTV_Player() {}

BOOL MSrv_DTV_Player::PlayCurrentProgram()
{
    Record("PlayCurrentProgram()");
    return TRUE;
}

BOOL MSrv_DTV_Player_DVB::CHECK_DVB_PLAYER_INIT()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.dvbPlayerInit ? TRUE : FALSE;
}

BOOL MSrv_DTV_Player_DVB::GetAVMonitorMuteFlag(U32* pFlag)
{
    if (pFlag == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    *pFlag = s.st.avMuteFlag;
    return TRUE;
}

BOOL MSrv_DTV_Player_DVB::GetCurrentMuxInfo(_DVB_MUXINFO& info)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    if (!s.st.muxKnown) return FALSE;
    info = _DVB_MUXINFO{};
    info.u32Flags = s.st.muxFlags;
    return TRUE;
}

BOOL MSrv_DTV_Player_DVB::UnlockChannel()
{
    Record("UnlockChannel()");
    return TRUE;
}

U32 MSrv_DTV_Player_DVBS::GetCurrentSateliteCount()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return static_cast<U32>(s.st.satellites.size());
}

BOOL MSrv_DTV_Player_DVBS::GetSatelliteInfo(unsigned long index, MS_SAT_INFO& info)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    if (index >= s.st.satellites.size() || s.st.unreadableSatellites.count(index) != 0) return FALSE;
    info = s.st.satellites[index];
    return TRUE;
}

BOOL MSrv_DTV_Player_DVBS::UpdateSatelliteInfo(unsigned long index, MS_SAT_INFO& info)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    RecordLocked(s, Format("UpdateSatelliteInfo(%lu,%u,%u)", index, static_cast<unsigned>(info.u8LnbPowerType),
                           static_cast<unsigned>(info.u8LnbPowerOn)));
    if (index >= s.st.satellites.size()) return FALSE;
    s.st.satellites[index] = info;
    return TRUE;
}

BOOL MSrv_DTV_Player_DVBS::DishSetLNBPower(MS_EN_LNBPWR_ONOFF power)
{
    Record(Format("DishSetLNBPower(%d)", static_cast<int>(power)));
    return TRUE;
}

BOOL MSrv_DTV_Player_DVBS::DiSEqCSwitchPort(U8 port, U8 flag)
{
    Record(Format("DiSEqCSwitchPort(%u,%u)", static_cast<unsigned>(port), static_cast<unsigned>(flag)));
    return TRUE;
}

// ---- factory, keys, network, CEC, timer ------------------------------------

BOOL MSrv_Factory_Cmd::GetFactoryCode(unsigned short* pCode)
{
    if (pCode == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    *pCode = s.st.factoryCode;
    return TRUE;
}

U8 MSrv_Factory_Cmd::GetFactoryMmodeStatus()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.factoryMmode ? 1 : 0;
}

BOOL MSrv_Factory_Cmd::_HandleFactoryEvent(EN_FACTORY_EVENT event, unsigned char param1, unsigned long param2)
{
    Record(Format("_HandleFactoryEvent(%d,%u,%lu)", static_cast<int>(event), static_cast<unsigned>(param1), param2));
    return TRUE;
}

U8 MSrv_Factory_Cmd::EDIDCheckSum(U8 port)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    auto it = s.st.edidChecksum.find(port);
    return it == s.st.edidChecksum.end() ? 1 : it->second;
}

BOOL MSrv_Factory_Default::GetFactoryData(unsigned short item, unsigned char* pValue)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    auto it = s.st.factoryData.find(item);
    if (it == s.st.factoryData.end() || pValue == nullptr) return FALSE;
    *pValue = it->second;
    return TRUE;
}

namespace {

// The seal of a key file: its content followed by the four characters
// "BKS1" and the CRC-32 of the content, least significant byte first.
const char kSealMagic[4] = { 'B', 'K', 'S', '1' };
constexpr size_t kSealBytes = 8;
constexpr size_t kMaxSealedFile = 1 << 20;   // no key file is larger

// The whole file at `path` if it is a readable regular file of at most
// kMaxSealedFile bytes.
bool ReadKeyFile(const char* path, std::vector<unsigned char>* bytes)
{
    struct stat st;
    if (path == nullptr || stat(path, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<unsigned long long>(st.st_size) > kMaxSealedFile)
        return false;
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    bytes->resize(static_cast<size_t>(st.st_size));
    size_t n = bytes->empty() ? 0 : std::fread(bytes->data(), 1, bytes->size(), f);
    std::fclose(f);
    bytes->resize(n);
    return true;
}

// Length of the content a well-sealed file protects; false when the seal
// does not match it.
bool SealedContent(const std::vector<unsigned char>& bytes, size_t* length)
{
    if (bytes.size() < kSealBytes) return false;
    size_t content = bytes.size() - kSealBytes;
    if (std::memcmp(bytes.data() + content, kSealMagic, sizeof kSealMagic) != 0) return false;
    uLong crc = crc32(crc32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(content));
    const unsigned char* t = bytes.data() + content + sizeof kSealMagic;
    uLong stored = static_cast<uLong>(t[0]) | static_cast<uLong>(t[1]) << 8 | static_cast<uLong>(t[2]) << 16 |
                   static_cast<uLong>(t[3]) << 24;
    if (crc != stored) return false;
    *length = content;
    return true;
}

// Whether the key file at `path` is intact: the script's or test's verdict
// when one was set for the path, else its seal. `content` (optional) gets
// the protected content of an intact file: the bytes before the seal, or
// the whole file when a forced verdict meets a file without a good seal.
bool KeyFileIntact(const char* path, std::vector<unsigned char>* content)
{
    if (path == nullptr) return false;
    int forced = -1;
    {
        Sim& s = S();
        std::lock_guard<std::mutex> lk(s.mu);
        auto it = s.st.hmacForced.find(path);
        if (it != s.st.hmacForced.end()) forced = it->second ? 1 : 0;
    }
    if (forced == 0) return false;
    std::vector<unsigned char> bytes;
    bool read = ReadKeyFile(path, &bytes);
    size_t length = 0;
    bool sealed = read && SealedContent(bytes, &length);
    if (forced < 0 && !sealed) return false;
    if (content != nullptr) {
        if (sealed) bytes.resize(length);
        content->swap(bytes);
    }
    return true;
}

}   // namespace

U8 MSrv_PreSharedKey::CheckHmac(const char* path) { return KeyFileIntact(path, nullptr) ? 1 : 0; }

// An intact key file hands over its protected content, as much of it as the
// caller's 8192 bytes hold; a broken one hands over nothing.
BOOL MSrv_PreSharedKey::CheckHmacAndReadData(const char* path, unsigned char* pData)
{
    std::vector<unsigned char> content;
    if (!KeyFileIntact(path, &content)) return FALSE;
    if (pData != nullptr && !content.empty())
        std::memcpy(pData, content.data(), std::min(content.size(), kKeyDataBytes));
    return TRUE;
}

BOOL MSrv_Network::GetEthernetMACAddress(msrv_network_mac_s* pMac)
{
    if (pMac == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    std::memcpy(pMac->au8Addr, s.st.ethernetMac, sizeof pMac->au8Addr);
    return TRUE;
}

BOOL MSrv_Network::GetWiFiMACAddress(msrv_network_mac_s* pMac)
{
    if (pMac == nullptr) return FALSE;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    std::memcpy(pMac->au8Addr, s.st.wifiMac, sizeof pMac->au8Addr);
    return TRUE;
}

BOOL MSrv_CEC::SetARCStatus(unsigned char bOn)
{
    Record(Format("SetARCStatus(%u)", static_cast<unsigned>(bOn)));
    return TRUE;
}

BOOL MSrv_Timer::SetTVPowerDoneTimer(U32 time)
{
    Record(Format("SetTVPowerDoneTimer(%lu)", static_cast<unsigned long>(time)));
    return TRUE;
}

// ---- platform --------------------------------------------------------------

MSystem* MSystem::GetInstance() { return &S().obj.system; }
IDirectFB* MSystem::GetDirectFB() { return S().dfb.load(); }
IDirectFBDisplayLayer* MSystem::GetDisplayLayer() { return S().layer.load(); }
BOOL MSystem::IsTvosIr() { return S().irOwned.load() ? TRUE : FALSE; }

void MSystem::EnableTvosIr()
{
    Sim& s = S();
    if (s.irGrant.load()) s.irOwned.store(true);
}

SystemInfo* SystemInfo::GetInstance() { return &S().obj.systemInfo; }

const char* SystemInfo::GetMbootVersion()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    // Interned: the returned pointer stays valid whatever is set later.
    return s.mbootStrings.insert(s.st.mboot).first->c_str();
}

BOOL SystemInfo::IsDVBSEnable()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.st.dvbsEnabled ? TRUE : FALSE;
}

extern "C" int pthread_mutex_lock_tracker(pthread_mutex_t* mutex, const char* function, int line)
{
    (void)function;
    (void)line;
    return pthread_mutex_lock(mutex);
}

extern "C" int pthread_mutex_unlock_tracker(pthread_mutex_t* mutex) { return pthread_mutex_unlock(mutex); }

// ===========================================================================
// Control interface
// ===========================================================================

namespace sim {

namespace {
// Runs `f` on the state under the lock.
template <typename F>
auto WithState(F f) -> decltype(f(S().st))
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return f(s.st);
}
}   // namespace

void Reset()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    ResetLocked(s);
}

// ---- host platform --------------------------------------------------------

void SetHostDirectFB(IDirectFB* dfb, IDirectFBDisplayLayer* layer)
{
    S().dfb.store(dfb);
    S().layer.store(layer);
}
void SetTvosIrGrant(bool grant) { S().irGrant.store(grant); }
void SetTvosIr(bool owned) { S().irOwned.store(owned); }
bool TvosIr() { return S().irOwned.load(); }
void SetMbootVersion(const std::string& version)
{
    WithState([&](State& st) { st.mboot = version; });
}
void SetDvbsEnabled(bool enabled)
{
    WithState([&](State& st) { st.dvbsEnabled = enabled; });
}

// ---- sound ----------------------------------------------------------------

void SetVolume(U8 volume)
{
    WithState([&](State& st) {
        st.sound.u8Volume = volume;
        st.appliedVolume = volume;
    });
}
U8 StoredVolume()
{
    return WithState([](State& st) { return st.sound.u8Volume; });
}
U8 AppliedVolume()
{
    return WithState([](State& st) { return st.appliedVolume; });
}
bool Muted()
{
    return WithState([](State& st) { return st.muted; });
}
S8 Balance()
{
    return WithState([](State& st) { return st.sound.s8Balance; });
}
U8 HalfMuteFlag()
{
    return WithState([](State& st) { return st.user.u8HalfMute; });
}

// ---- inputs and channels --------------------------------------------------

bool SetInputSource(long long source)
{
    if (source < MAPI_INPUT_SOURCE_VGA || source >= MAPI_INPUT_SOURCE_NUM) return false;
    WithState([&](State& st) { st.source = static_cast<MAPI_INPUT_SOURCE_TYPE>(source); });
    return true;
}
MAPI_INPUT_SOURCE_TYPE InputSource()
{
    return WithState([](State& st) { return st.source; });
}
void SetSourcePresent(MAPI_INPUT_SOURCE_TYPE source, bool present)
{
    if (source < MAPI_INPUT_SOURCE_VGA || source >= MAPI_INPUT_SOURCE_NUM) return;
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    s.st.sources[source].u32Present = present ? 1 : 0;
    PublishSourcesLocked(s);
}
void SetRearSharedInput(bool shared)
{
    WithState([&](State& st) { st.rearShared = shared; });
}
void SetLastTvSourceType(U8 type)
{
    WithState([&](State& st) { st.lastTvSourceType = type; });
}
void SetAtvChannels(const std::vector<Channel>& channels)
{
    WithState([&](State& st) {
        st.atv = channels;
        if (st.atvIndex >= st.atv.size()) st.atvIndex = 0;
    });
}
void SetDtvChannels(const std::vector<Channel>& channels)
{
    WithState([&](State& st) {
        st.dtv = channels;
        if (st.dtvIndex >= st.dtv.size()) st.dtvIndex = 0;
    });
}
bool SetCurrentChannelIndex(size_t index)
{
    return WithState([&](State& st) {
        if (index >= CurrentListLocked(st).size()) return false;
        CurrentIndexLocked(st) = index;
        return true;
    });
}
size_t CurrentChannelCount()
{
    return WithState([](State& st) { return CurrentListLocked(st).size(); });
}
size_t CurrentChannelIndex()
{
    return WithState([](State& st) { return CurrentIndexLocked(st); });
}
void SetProgramInfoFails(bool fails)
{
    WithState([&](State& st) { st.programInfoFails = fails; });
}
void SetSettingsReadFails(bool fails)
{
    WithState([&](State& st) { st.settingsReadFails = fails; });
}

// ---- settings -------------------------------------------------------------

void SetPin(U16 pin)
{
    WithState([&](State& st) { st.pin = pin; });
}
void SetOsdLanguage(U32 language)
{
    WithState([&](State& st) { st.osdLanguage = language; });
}
void SetSystemDatabasePresent(bool present)
{
    WithState([&](State& st) { st.databasePresent = present; });
}
void SetCountry(U32 country)
{
    WithState([&](State& st) { st.country = country; });
}
void SetCableOperator(U32 op)
{
    WithState([&](State& st) { st.cableOperator = op; });
}
void SetAntennaMode(U8 mode)
{
    WithState([&](State& st) { st.antennaMode = mode; });
}
void SetSatelliteMode(U8 mode)
{
    WithState([&](State& st) { st.satelliteMode = mode; });
}
U8 DishLnbToggle()
{
    return WithState([](State& st) { return st.user.u8DishLnbToggle; });
}

// ---- DTV routes -----------------------------------------------------------

void SetRoutePath(U8 route, U8 type)
{
    if (route >= kRoutes) return;
    WithState([&](State& st) { st.routePath[route] = type; });
}
void SetCurrentRoute(U8 route)
{
    if (route >= kRoutes) return;
    WithState([&](State& st) { st.currentRoute = route; });
}
U8 CurrentRoute()
{
    return WithState([](State& st) { return st.currentRoute; });
}
void SetSatelliteCapability(bool present)
{
    WithState([&](State& st) { st.satelliteCapability = present; });
}
void SetDvbsPlayer(bool satellite)
{
    WithState([&](State& st) { st.dvbsPlayer = satellite; });
}
void SetSatellites(const std::vector<MS_SAT_INFO>& sats)
{
    WithState([&](State& st) { st.satellites = sats; });
}
std::vector<MS_SAT_INFO> Satellites()
{
    return WithState([](State& st) { return st.satellites; });
}
void SetSatelliteUnreadable(unsigned long index, bool unreadable)
{
    WithState([&](State& st) {
        if (unreadable)
            st.unreadableSatellites.insert(index);
        else
            st.unreadableSatellites.erase(index);
    });
}
void SetMuxInfo(bool known, U32 flags)
{
    WithState([&](State& st) {
        st.muxKnown = known;
        st.muxFlags = flags;
    });
}
void SetAvMuteFlag(U32 flag)
{
    WithState([&](State& st) { st.avMuteFlag = flag; });
}
void SetDvbPlayerInit(bool init)
{
    WithState([&](State& st) { st.dvbPlayerInit = init; });
}

// ---- factory --------------------------------------------------------------

void SetFactoryCode(U16 code)
{
    WithState([&](State& st) { st.factoryCode = code; });
}
void SetFactoryMmode(bool on)
{
    WithState([&](State& st) { st.factoryMmode = on; });
}
void SetFactoryData(U16 item, U8 value)
{
    WithState([&](State& st) { st.factoryData[item] = value; });
}
void SetEthernetMac(const U8 mac[6])
{
    WithState([&](State& st) { std::memcpy(st.ethernetMac, mac, sizeof st.ethernetMac); });
}
void SetWifiMac(const U8 mac[6])
{
    WithState([&](State& st) { std::memcpy(st.wifiMac, mac, sizeof st.wifiMac); });
}
void SetTemperature(S16 degrees, U8 status)
{
    WithState([&](State& st) {
        st.temperature = degrees;
        st.temperatureStatus = status;
    });
}
void SetEdidChecksum(U8 port, U8 result)
{
    WithState([&](State& st) { st.edidChecksum[port] = result; });
}
void SetHmacValid(const std::string& path, bool valid)
{
    WithState([&](State& st) { st.hmacForced[path] = valid; });
}
void ClearHmacVerdict(const std::string& path)
{
    WithState([&](State& st) { st.hmacForced.erase(path); });
}
std::string Sealed(const std::string& content)
{
    uLong crc =
        crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size()));
    std::string sealed = content + std::string(kSealMagic, sizeof kSealMagic);
    for (int i = 0; i < 4; ++i) sealed += static_cast<char>((crc >> (8 * i)) & 0xFF);
    return sealed;
}

// ---- active standby flags --------------------------------------------------

bool ActiveStandby() { return LoadFlag(MSrv_Control_common::m_bEnterActiveStandby) != FALSE; }
void SetActiveStandby(bool on) { StoreFlag(MSrv_Control_common::m_bEnterActiveStandby, on ? TRUE : FALSE); }

// ---- recorded calls ---------------------------------------------------------

std::vector<std::string> Calls()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.calls;
}

void ClearCalls()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    s.calls.clear();
}

bool Called(const std::string& call)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return std::find(s.calls.begin(), s.calls.end(), call) != s.calls.end();
}

std::string SpeechCall(const std::string& osd, bool interrupt, const std::string& text)
{
    std::string call = "Speak(" + osd + (interrupt ? ",1,\"" : ",0,\"");
    for (char c : text) {
        if (c == '"' || c == '\\') call += '\\';
        call += c;
    }
    return call + "\")";
}

void RecordSpeech(const std::string& osd, bool interrupt, const std::string& text)
{
    Record(SpeechCall(osd, interrupt, text));
}

bool WaitForCall(const std::string& call, int timeoutMs)
{
    Sim& s = S();
    std::unique_lock<std::mutex> lk(s.mu);
    return s.callCv.wait_for(lk, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                             [&] { return std::find(s.calls.begin(), s.calls.end(), call) != s.calls.end(); });
}

// ---- events -----------------------------------------------------------------

size_t Recipients(Source source)
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.recipients[static_cast<size_t>(source)].size();
}

void PostEvent(U32 id, U32 param, Source source)
{
    Sim& s = S();
    {
        std::lock_guard<std::mutex> lk(s.mu);
        // Running thread, or a callback posting from the event thread itself
        // (then the event waits for a restart if the thread is stopping).
        if ((s.threadAlive && !s.stopRequested) || OnEventThreadLocked(s)) {
            s.queue.push_back(Event{ id, param, source });
            s.eventCv.notify_all();
            return;
        }
    }
    std::lock_guard<std::mutex> life(s.lifeMu);
    JoinStoppedThread(s);
    std::lock_guard<std::mutex> lk(s.mu);
    s.queue.push_back(Event{ id, param, source });
    if (!s.threadAlive) StartThreadLocked(s);
    s.eventCv.notify_all();
}

bool WaitEventsDelivered(int timeoutMs)
{
    Sim& s = S();
    std::unique_lock<std::mutex> lk(s.mu);
    // A callback waiting for its own delivery to finish would only time out.
    if (OnEventThreadLocked(s)) return false;
    return s.idleCv.wait_for(lk, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                             [&s] { return s.queue.empty() && !s.busy; });
}

U8 LastCallbackResult()
{
    Sim& s = S();
    std::lock_guard<std::mutex> lk(s.mu);
    return s.lastResult;
}

// Events still queued are dropped. Called from a callback, the thread stops
// once that callback returns and is joined by the next start or at exit.
void StopEventThread()
{
    Sim& s = S();
    {
        std::lock_guard<std::mutex> lk(s.mu);
        if (OnEventThreadLocked(s)) {
            s.stopRequested = true;
            s.queue.clear();
            s.eventCv.notify_all();
            return;
        }
    }
    std::lock_guard<std::mutex> life(s.lifeMu);
    {
        std::lock_guard<std::mutex> lk(s.mu);
        if (!s.threadAlive) return;
        s.stopRequested = true;
        s.queue.clear();
        s.eventCv.notify_all();
    }
    JoinStoppedThread(s);
}

}   // namespace sim
