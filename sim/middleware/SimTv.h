// Control side of the simulated middleware: a small in-process model of a
// television that implements every operation declared in core/Middleware.h.
//
// Tests and the desktop host use this interface to set the TV's state, to
// read what the library asked of it (every call that changes the set is
// recorded as a line such as "SetInputSource(28,1,0,0)"), and to deliver
// middleware events to the registered callbacks from the simulated
// middleware's own event thread.
//
// All functions are thread-safe: the state is guarded by one mutex that is
// never held while a library callback runs.
#ifndef BRISKUI_SIM_SIMTV_H
#define BRISKUI_SIM_SIMTV_H

#include <directfb.h>

#include <string>
#include <vector>

#include "Middleware.h"

namespace sim {

struct Channel {
    U32 number = 0;            // channel number shown to the viewer
    std::string name;          // service name
    bool locked = false;       // channel lock (PIN) set
    bool hideNumber = false;   // program record flag byte 18
    U8 serviceType = 1;        // program record byte 28
    bool hasMinor = false;     // a digital program numbered number-minor
    U32 minor = 0;
};

struct Satellite {
    MS_SAT_INFO info{};
};

// Puts the whole model back to its power-on state (see SimTvState.h for the
// defaults), forgets every recorded call and every registered callback.
// DirectFB pointers handed over with SetHostDirectFB are kept.
void Reset();

// ---- host platform --------------------------------------------------------
void SetHostDirectFB(IDirectFB* dfb, IDirectFBDisplayLayer* layer);
// Whether MSystem::EnableTvosIr hands the keys to the library (default true).
void SetTvosIrGrant(bool grant);
// Forces the IR owner flag: false takes the keys back from the library.
void SetTvosIr(bool owned);
bool TvosIr();
void SetMbootVersion(const std::string& version);
void SetDvbsEnabled(bool enabled);

// ---- sound ----------------------------------------------------------------
void SetVolume(U8 volume);   // stored setting and applied volume
U8 StoredVolume();           // _SoundSettingType volume byte
U8 AppliedVolume();          // last volume given to the audio path
bool Muted();                // SetMuteStatus(4, 1) in effect
S8 Balance();                // stored balance
U8 HalfMuteFlag();           // user system setting half-mute byte

// ---- inputs and channels --------------------------------------------------
// The current input source, 0 to 39; false (and nothing changes) for any
// other number.
bool SetInputSource(long long source);
MAPI_INPUT_SOURCE_TYPE InputSource();
void SetSourcePresent(MAPI_INPUT_SOURCE_TYPE source, bool present);
void SetRearSharedInput(bool shared);
void SetLastTvSourceType(U8 type);
void SetAtvChannels(const std::vector<Channel>& channels);
void SetDtvChannels(const std::vector<Channel>& channels);
// Index into the list of the current tuner source; false (and nothing
// changes) when the list has no such entry.
bool SetCurrentChannelIndex(size_t index);
// Number of channels in the list of the current tuner source.
size_t CurrentChannelCount();
size_t CurrentChannelIndex();
void SetProgramInfoFails(bool fails);
// GetAudioSetting and GetUserSystemSetting fail (the stored records stay).
void SetSettingsReadFails(bool fails);

// ---- settings -------------------------------------------------------------
void SetPin(U16 pin);
void SetOsdLanguage(U32 language);
void SetSystemDatabasePresent(bool present);   // GetMSrvSystemDatabase null when false
void SetCountry(U32 country);
void SetCableOperator(U32 op);
void SetAntennaMode(U8 mode);
void SetSatelliteMode(U8 mode);
U8 DishLnbToggle();

// ---- DTV routes -----------------------------------------------------------
void SetRoutePath(U8 route, U8 type);   // route 0..3
void SetCurrentRoute(U8 route);
U8 CurrentRoute();
void SetSatelliteCapability(bool present);   // TV info byte 8 bit 0x40
void SetDvbsPlayer(bool satellite);          // GetMSrvDtv is a DVBS player
void SetSatellites(const std::vector<MS_SAT_INFO>& sats);
std::vector<MS_SAT_INFO> Satellites();
// GetSatelliteInfo fails for the stored satellite at `index` (it stays in
// the count): a broken record of the middleware's list.
void SetSatelliteUnreadable(unsigned long index, bool unreadable);
void SetMuxInfo(bool known, U32 flags);
void SetAvMuteFlag(U32 flag);
void SetDvbPlayerInit(bool init);

// ---- factory --------------------------------------------------------------
void SetFactoryCode(U16 code);
void SetFactoryMmode(bool on);
void SetFactoryData(U16 item, U8 value);
void SetEthernetMac(const U8 mac[6]);
void SetWifiMac(const U8 mac[6]);
void SetTemperature(S16 degrees, U8 status);
void SetEdidChecksum(U8 port, U8 result);
// Key files are sealed: the content, then the four characters "BKS1" and
// the CRC-32 (zlib's crc32) of the content, least significant byte first.
// CheckHmac accepts a file whose seal matches, and CheckHmacAndReadData
// hands over the content before the seal; a changed byte breaks the seal.
// SetHmacValid forces the verdict for one path (as the library passes it):
// a forced-valid file without a good seal hands over the whole file.
// ClearHmacVerdict goes back to checking the seal.
void SetHmacValid(const std::string& path, bool valid);
void ClearHmacVerdict(const std::string& path);
// `content` followed by its seal: what a sealed key file holds.
std::string Sealed(const std::string& content);

// ---- active standby flags --------------------------------------------------
bool ActiveStandby();   // MSrv_Control_common::m_bEnterActiveStandby
void SetActiveStandby(bool on);

// ---- recorded calls ---------------------------------------------------------
// Every call that changes the set, in order, e.g. "SetVolume(4,0)".
std::vector<std::string> Calls();
void ClearCalls();
// True when a call equal to `call` has been recorded.
bool Called(const std::string& call);
// The set's text-to-speech engine: records an utterance of audio guidance
// as a call, Speak(OSD,INTERRUPT,"TEXT"), e.g.
// Speak(VolumeHandler,1,"Volume 21"): `osd` names the OSD that said it,
// INTERRUPT is 1 or 0, and a double quote or backslash in the text is
// written with a backslash before it.
void RecordSpeech(const std::string& osd, bool interrupt, const std::string& text);
// The call RecordSpeech records.
std::string SpeechCall(const std::string& osd, bool interrupt, const std::string& text);
// Waits until `call` is recorded; false after `timeoutMs`.
bool WaitForCall(const std::string& call, int timeoutMs);

// ---- events -----------------------------------------------------------------
enum class Source { Control, Atv, Dtv, Cimmi };
// Number of callbacks registered on a source.
size_t Recipients(Source source);
// Queues an event for the simulated middleware's event thread, which calls
// every callback registered on `source` with (source object, id, param).
void PostEvent(U32 id, U32 param, Source source = Source::Control);
// Waits until every queued event has been delivered and its callbacks have
// returned; false after `timeoutMs`.
bool WaitEventsDelivered(int timeoutMs);
// Result the last delivered callback returned.
U8 LastCallbackResult();
// Stops the event thread (joined); Reset or PostEvent starts it again.
void StopEventThread();

}   // namespace sim

#endif   // BRISKUI_SIM_SIMTV_H
