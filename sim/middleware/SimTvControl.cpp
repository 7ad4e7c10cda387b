// The simulated middleware's control interface (SimTv.h): what tests and
// the desktop host use to set the simulated TV up, read what the library
// did to it, and deliver its events.
#include <algorithm>
#include <chrono>
#include <cstring>

#include <zlib.h>

#include "SimTvState.h"

using namespace simtv;

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
