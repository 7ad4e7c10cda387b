// The simulated middleware's state, shared by its two halves: the model of
// the TV's middleware (SimTvModel.cpp, the operations the library calls)
// and the control interface of the tests and the desktop host
// (SimTvControl.cpp, SimTv.h). Internal to the simulated middleware.
//
// The whole television lives in one process-wide object guarded by one mutex
// (S()). That object is created on first use and never destroyed, so a
// library thread or a static destructor that calls into the middleware late
// during process exit still finds it. Middleware events are delivered from a
// dedicated thread that never holds the mutex while a library callback runs;
// the thread is started on the first PostEvent and joined at process exit.
#ifndef BRISKUI_SIM_SIMTVSTATE_H
#define BRISKUI_SIM_SIMTVSTATE_H

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "SimTv.h"

namespace simtv {

inline constexpr size_t kEventSources = 4;
inline constexpr size_t kRoutes = 4;
inline constexpr char kDefaultMboot[] = "MB1.0.23";
inline constexpr size_t kKeyDataBytes = 8192;   // what CheckHmacAndReadData's caller provides

typedef std::array<ST_MSRV_SOURCE_INFO, MAPI_INPUT_SOURCE_NUM> SourceList;

inline sim::Channel MakeChannel(U32 number, const char* name)
{
    sim::Channel c;
    c.number = number;
    c.name = name;
    return c;
}

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
//
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

// The seal of a key file: its content followed by the four characters
// "BKS1" and the CRC-32 of the content, least significant byte first.
inline constexpr char kSealMagic[4] = { 'B', 'K', 'S', '1' };
inline constexpr size_t kSealBytes = 8;

// The one simulated television.
Sim& S();

// The static flags are plain BOOLs the library reads and writes directly;
// the simulation's own accesses are atomic.
inline void StoreFlag(BOOL& flag, BOOL value) { __atomic_store_n(&flag, value, __ATOMIC_SEQ_CST); }
inline BOOL LoadFlag(BOOL& flag) { return __atomic_load_n(&flag, __ATOMIC_SEQ_CST); }

// printf into a string of at most 255 characters.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Appends a recorded call; mu must be held.
void RecordLocked(Sim& s, std::string call);
void Record(const std::string& call);
// Publishes the working source list if it differs from the one handed out.
void PublishSourcesLocked(Sim& s);
// Channel list and current index of the current tuner source: ATV when the
// input is ATV, DTV otherwise.
std::vector<sim::Channel>& CurrentListLocked(State& st);
size_t& CurrentIndexLocked(State& st);
// The event source a middleware object is, -1 for none.
int SourceOf(const MSrv* object);
// The object an event of `source` comes from; mu must be held.
void* OwnerLocked(Sim& s, sim::Source source);
void* ToVoid(U32 v);
bool OnEventThreadLocked(const Sim& s);
// Joins a thread that was asked to stop. lifeMu held, mu not held.
void JoinStoppedThread(Sim& s);
// Starts the event thread. lifeMu and mu held, no thread running.
void StartThreadLocked(Sim& s);
// Back to the power-on state; mu must be held.
void ResetLocked(Sim& s);

}   // namespace simtv

#endif   // BRISKUI_SIM_SIMTVSTATE_H
