// The simulated middleware's model of the TV: the definitions of every
// middleware operation the library calls (platform/Middleware.h), on the
// state of SimTvState.h, recording each call that changes the set.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <zlib.h>

#include "SimTvState.h"

using namespace simtv;

BOOL MSrv_Control_common::bBriskUiTriggerPowerOff = FALSE;
BOOL MSrv_Control_common::m_bEnterActiveStandby = FALSE;
BOOL mapi_system::bBackgroundRecording = FALSE;

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
