// The library's own declarations of the MStar middleware (MSrv), the
// platform's MSystem/SystemInfo objects and the tracking mutex calls.
//
// Only the operations, records and flags the library calls are declared here.
// On a set the vendor's libraries, loaded by the host process, provide the
// definitions; on a desktop the simulated middleware (sim/middleware) does.
// libbriskui.so therefore links against neither: these symbols stay undefined
// in the library and are resolved in the host process.
//
// Records whose byte offsets the library relies on are laid out so that the
// offsets hold on 32-bit MIPS and on 64-bit x86 alike; the static_asserts at
// the end of this file check them.
#ifndef BRISKUI_MIDDLEWARE_H
#define BRISKUI_MIDDLEWARE_H

#include <directfb.h>
#include <pthread.h>
#include <stddef.h>

#include "BriskTypes.h"

// ---------------------------------------------------------------------------
// Enumerations
// ---------------------------------------------------------------------------

// Input sources in the middleware's numbering.
enum MAPI_INPUT_SOURCE_TYPE {
    MAPI_INPUT_SOURCE_VGA = 0,
    MAPI_INPUT_SOURCE_ATV = 1,
    MAPI_INPUT_SOURCE_CVBS = 2,
    MAPI_INPUT_SOURCE_CVBS2 = 3,
    MAPI_INPUT_SOURCE_SVIDEO = 11,
    MAPI_INPUT_SOURCE_YPBPR = 16,
    MAPI_INPUT_SOURCE_SCART = 20,
    MAPI_INPUT_SOURCE_HDMI = 23,
    MAPI_INPUT_SOURCE_HDMI2 = 24,
    MAPI_INPUT_SOURCE_HDMI3 = 25,
    MAPI_INPUT_SOURCE_HDMI4 = 26,
    MAPI_INPUT_SOURCE_DTV = 28,
    MAPI_INPUT_SOURCE_NUM = 40,
    MAPI_INPUT_SOURCE_NONE = MAPI_INPUT_SOURCE_NUM
};

// Factory events sent with MSrv_Factory_Cmd::_HandleFactoryEvent: the video
// input switches of the factory codes "Video EXT-1" to "Video EXT-9".
enum EN_FACTORY_EVENT {
    E_FACTORY_EVENT_VIDEO_EXT1 = 7,
    E_FACTORY_EVENT_VIDEO_EXT4 = 8,
    E_FACTORY_EVENT_VIDEO_EXT3 = 9,
    E_FACTORY_EVENT_VIDEO_EXT5 = 11,
    E_FACTORY_EVENT_VIDEO_EXT6 = 12,
    E_FACTORY_EVENT_VIDEO_EXT7 = 13,
    E_FACTORY_EVENT_VIDEO_EXT8 = 14,
    E_FACTORY_EVENT_VIDEO_EXT9 = 15
};

// LNB power settings of MSrv_DTV_Player_DVBS::DishSetLNBPower.
enum MS_EN_LNBPWR_ONOFF { MS_EN_LNBPWR_OFF = 0, MS_EN_LNBPWR_ON = 1, MS_EN_LNBPWR_13V = 2, MS_EN_LNBPWR_18V = 3 };

// Event ids the library acts on (delivered to the registered callback).
enum {
    EV_BRISKUI_SHOW_BANNER = 51,
    EV_BRISKUI_IGNORED_61 = 61,
    EV_SCREEN_SAVER_MODE = 76,
    EV_CIMMI_UI_DATA_READY = 114,
    EV_BRISKUI_SHOW_BANNER_ALWAYS = 295
};

// Event callback registered with MSrv::AddEventRecipient. The three
// arguments carry 32-bit values: an owner (only printed), the event id and
// the event parameter.
typedef U8 (*MSRV_EVENT_CALLBACK)(void* pOwner, void* pEventId, void* pParam);

// ---------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------

// TV information record (MSrv_Control_common::GetTVInfo).
struct ST_MSRV_TV_INFO {
    U8 au8Reserved0[8];
    U8 u8Capability;   // byte 8: bit 0x40 set when satellite reception exists
    U8 au8Reserved9[10];
    U8 au8RoutePath[4];   // bytes 19..22: route-path type of DTV routes 0..3
    U8 au8Reserved23[9];
};
enum { E_TV_INFO_CAP_SATELLITE = 0x40 };
// Route-path types of au8RoutePath.
enum {
    E_ROUTE_PATH_ANTENNA = 1,
    E_ROUTE_PATH_CABLE = 2,
    E_ROUTE_PATH_SATELLITE = 4,
    E_ROUTE_PATH_ANTENNA2 = 32,
    E_ROUTE_PATH_SATELLITE2 = 64
};

// One entry of the source list (MSrv_Control_common::GetSourceList), indexed
// by MAPI_INPUT_SOURCE_TYPE; 12 bytes each.
struct ST_MSRV_SOURCE_INFO {
    U32 u32Present;   // non-zero when the set has this source
    U32 u32Reserved[2];
};

// Stored sound setting (MSrv_System_Database::GetAudioSetting).
struct _SoundSettingType {
    U8 u8Volume;   // byte 0: volume 0..100
    U8 au8Reserved1[244];
    S8 s8Balance;   // byte 245: balance -50..50
    U8 au8Reserved246[10];
};

// User system setting (MSrv_System_Database::GetUserSystemSetting).
struct MS_USER_SYSTEM_SETTING {
    U8 au8Reserved0[1200];
    U8 u8HalfMute;   // byte 1200: half-mute flag
    U8 au8Reserved1201[149];
    U8 u8DishLnbToggle;   // byte 1350: dish position A/B and LNB off/on
    U8 au8Reserved1351[49];
};

// Stored satellite (MSrv_DTV_Player_DVBS::GetSatelliteInfo).
struct MS_SAT_INFO {
    U8 au8Reserved0[18];
    U8 u8LnbPowerType;   // byte 18
    U8 u8LnbPowerOn;     // byte 19
    U8 au8Reserved20[44];
};

// Current multiplex (MSrv_DTV_Player_DVB::GetCurrentMuxInfo).
struct _DVB_MUXINFO {
    U8 au8Reserved0[36];
    U32 u32Flags;   // byte 36: bit 24 selects LNB power value 3
    U8 au8Reserved40[8];
};

// Program information record (MSrv_ChannelManager::GetProgramInfo).
struct ST_PROGRAM_INFO {
    U32 u32QueryIndex;   // byte 0
    U32 u32Number;       // byte 4: channel number
    U8 au8Reserved8[10];
    U8 u8HideNumber;   // byte 18: non-zero suppresses the number
    U8 au8Reserved19[9];
    U8 u8ServiceType;   // byte 28
    U8 au8Reserved29[7];
    char sServiceName[64];   // byte 36: service name, NUL-terminated
};

// A MAC address as the network service fills it.
struct msrv_network_mac_s {
    U8 au8Addr[6];
};

// ---------------------------------------------------------------------------
// Services
// ---------------------------------------------------------------------------

class MSrv_SSSound;
class MSrv_System_Database;
class MSrv_ChannelManager;
class MSrv_Factory_Default;
class MSrv_Factory_Cmd;
class MSrv_PreSharedKey;
class MSrv_CEC;
class MSrv_Timer;
class MSrv_Network;
class MSrv_ATV_Player;
class MSrv_ATV_Database;
class MSrv_DTV_Player_DVB;
class MSrv_CIMMI;

// Base of every middleware object that delivers events.
class MSrv {
public:
    BOOL AddEventRecipient(MSRV_EVENT_CALLBACK callback);
    BOOL RemoveEventRecipient(MSRV_EVENT_CALLBACK callback);
};

class MSrv_Control_common : public MSrv {
public:
    MAPI_INPUT_SOURCE_TYPE GetCurrentInputSource();
    BOOL SetInputSource(MAPI_INPUT_SOURCE_TYPE source, BOOL bWriteDb, BOOL bUpdateLock, BOOL bLock);
    const ST_MSRV_SOURCE_INFO* GetSourceList();   // MAPI_INPUT_SOURCE_NUM entries
    BOOL RearSharedInput();
    ST_MSRV_TV_INFO GetTVInfo();
    BOOL SwitchMSrvDtvRoute(U8 route);
    BOOL EnterActiveStandByMode(BOOL bEnter, BOOL bByUser);
    BOOL EnterSleepMode(BOOL bMode);
    void SetPasswordVerified(BOOL bVerified);
    void SetBriskUIStatus(U8 status);

    static MSrv_SSSound* GetMSrvSSSound();
    static MSrv_System_Database* GetMSrvSystemDatabase();
    static MSrv_ChannelManager* GetMSrvChannelManager();
    static MSrv_Factory_Default* GetMSrvFactoryDefault();
    static MSrv_Factory_Cmd* GetMSrvFactoryCmd();
    static MSrv_PreSharedKey* GetMSrvPreSharedKey();
    static MSrv_CEC* GetMSrvCEC();
    static MSrv_Timer* GetMSrvTimer();

    // 1 while the library itself has put the set into active standby.
    static BOOL bBriskUiTriggerPowerOff;
    // 1 while the set is in active standby.
    static BOOL m_bEnterActiveStandby;
};

class MSrv_Control_TV : public MSrv_Control_common {
public:
    S16 VRL_GetTempSensorDegree();
    U8 VRL_GetTempSensorStatus();

    static MSrv_ATV_Player* GetMSrvAtv();
    static MSrv_DTV_Player_DVB* GetMSrvDtv();
    static MSrv_ATV_Database* GetMSrvAtvDatabase();
    static MSrv_Network* GetMSrvNetwork();
};

class MSrv_Control_DVB : public MSrv_Control_TV {
public:
    U8 GetCurrentTvRoute();
    U8 GetLastTvSourceType();   // 1 when the TV input last used was ATV

    static MSrv_CIMMI* GetMSrvCIMMI();
};

class MSrv_Control : public MSrv_Control_DVB {
public:
    static MSrv_Control* GetInstance();
};

class mapi_system {
public:
    static BOOL bBackgroundRecording;
};

class MSrv_SSSound {
public:
    U8 GetVolume();
    BOOL SetVolume(U8 volume, U8 fromSetting);
    U8 GetMuteStatus(U8 muteStatusType);
    BOOL SetMuteStatus(U8 muteType, BOOL bMute);
    BOOL VRL_SND_SetBalance(S8 balance);
};

class MSrv_System_Database {
public:
    BOOL GetAudioSetting(_SoundSettingType* pSetting);
    BOOL SetAudioSetting(const _SoundSettingType* pSetting);
    BOOL GetUserSystemSetting(MS_USER_SYSTEM_SETTING* pSetting);
    BOOL SetUserSystemSetting(const MS_USER_SYSTEM_SETTING* pSetting);
    U32 GetOsdLanguage();
    U16 GetPassword();
    U32 GetSystemCountry();
    U32 GetSystemCableOperators();
    BOOL GetEnableAntennaMode(U8* pMode);
    BOOL GetEnableSatelliteMode(U8* pMode);
};

class MSrv_ChannelManager {
public:
    U8 ProgramUp();
    U8 ProgramDown();
    BOOL GetProgramInfo(ST_PROGRAM_INFO* pInfo);
    // Tunes a program: ATV numbers are 0-based (type 0), DTV numbers are
    // channel numbers (type 1).
    BOOL SelectProgram(U32 number, U8 type);
    // Re-selects a program by number and service type.
    BOOL SelectProgram(U32 number, U8 serviceType, U8 flag);
    // Tunes the digital program numbered `major`-`minor` (North American
    // virtual channels); with `anyMinor`, the first program of the major
    // number in the channel list, whatever its minor number. TRUE when a
    // program was tuned, FALSE (nothing tuned) when the list has none.
    // Declared by this library: the host process provides it over the
    // middleware's own channel selection.
    BOOL SelectProgramByMajorMinor(U16 major, U16 minor, BOOL anyMinor);
    // Rebuilds the channel list after a switch of reception.
    BOOL ChangeProgramList(U8 listType, U8 mode);
};

class MSrv_ATV_Player : public MSrv {
public:
    U16 GetCurrentProgramNumber();
    BOOL SetProgram(U16 number, U8 flag);
};

class MSrv_ATV_Database {
public:
    U32 GetProgramCtrl(U32 command, U16 param1, U16 param2, U8* pBuffer);
};

class MSrv_DTV_Player : public MSrv {
public:
    virtual ~MSrv_DTV_Player();
    BOOL PlayCurrentProgram();
};

class MSrv_DTV_Player_DVB : public MSrv_DTV_Player {
public:
    BOOL CHECK_DVB_PLAYER_INIT();
    BOOL GetAVMonitorMuteFlag(U32* pFlag);
    BOOL GetCurrentMuxInfo(_DVB_MUXINFO& info);
    BOOL UnlockChannel();
};

class MSrv_DTV_Player_DVBS : public MSrv_DTV_Player_DVB {
public:
    U32 GetCurrentSateliteCount();
    BOOL GetSatelliteInfo(unsigned long index, MS_SAT_INFO& info);
    BOOL UpdateSatelliteInfo(unsigned long index, MS_SAT_INFO& info);
    BOOL DishSetLNBPower(MS_EN_LNBPWR_ONOFF power);
    BOOL DiSEqCSwitchPort(U8 port, U8 flag);
};

class MSrv_CIMMI : public MSrv {};

class MSrv_Factory_Cmd {
public:
    BOOL GetFactoryCode(unsigned short* pCode);
    U8 GetFactoryMmodeStatus();
    BOOL _HandleFactoryEvent(EN_FACTORY_EVENT event, unsigned char param1, unsigned long param2);
    U8 EDIDCheckSum(U8 port);
};

class MSrv_Factory_Default {
public:
    BOOL GetFactoryData(unsigned short item, unsigned char* pValue);
};

class MSrv_PreSharedKey {
public:
    U8 CheckHmac(const char* path);
    BOOL CheckHmacAndReadData(const char* path, unsigned char* pData);
};

class MSrv_Network {
public:
    BOOL GetEthernetMACAddress(msrv_network_mac_s* pMac);
    BOOL GetWiFiMACAddress(msrv_network_mac_s* pMac);
};

class MSrv_CEC {
public:
    BOOL SetARCStatus(unsigned char bOn);
};

class MSrv_Timer {
public:
    BOOL SetTVPowerDoneTimer(U32 time);
};

// ---------------------------------------------------------------------------
// Platform
// ---------------------------------------------------------------------------

// The host's system object: its DirectFB main interface and display layer,
// and the hand-over of the IR keys between the host and the library.
class MSystem {
public:
    static MSystem* GetInstance();
    IDirectFB* GetDirectFB();
    IDirectFBDisplayLayer* GetDisplayLayer();
    BOOL IsTvosIr();       // TRUE while the library owns the remote control
    void EnableTvosIr();   // asks the host to hand the IR keys to the library
};

class SystemInfo {
public:
    static SystemInfo* GetInstance();
    const char* GetMbootVersion();
    BOOL IsDVBSEnable();
};

// The platform's tracing mutex calls: lock and unlock a POSIX mutex and
// record the holder.
extern "C" {
int pthread_mutex_lock_tracker(pthread_mutex_t* mutex, const char* function, int line);
int pthread_mutex_unlock_tracker(pthread_mutex_t* mutex);
}

// ---------------------------------------------------------------------------
// Layout checks
// ---------------------------------------------------------------------------

static_assert(offsetof(ST_MSRV_TV_INFO, u8Capability) == 8, "TV info capability byte");
static_assert(offsetof(ST_MSRV_TV_INFO, au8RoutePath) == 19, "TV info route paths");
static_assert(sizeof(ST_MSRV_SOURCE_INFO) == 12, "source list entry");
static_assert(offsetof(_SoundSettingType, s8Balance) == 245, "sound balance");
static_assert(offsetof(MS_USER_SYSTEM_SETTING, u8DishLnbToggle) == 1350, "dish/LNB toggle");
static_assert(offsetof(MS_SAT_INFO, u8LnbPowerType) == 18, "satellite LNB byte 18");
static_assert(offsetof(MS_SAT_INFO, u8LnbPowerOn) == 19, "satellite LNB byte 19");
static_assert(offsetof(_DVB_MUXINFO, u32Flags) == 36, "mux word");
static_assert(offsetof(ST_PROGRAM_INFO, u32Number) == 4, "program number");
static_assert(offsetof(ST_PROGRAM_INFO, u8HideNumber) == 18, "program flag byte");
static_assert(offsetof(ST_PROGRAM_INFO, u8ServiceType) == 28, "program service type");
static_assert(offsetof(ST_PROGRAM_INFO, sServiceName) == 36, "program name");

// Whole sizes: the middleware fills a whole record of its own size through
// the caller's pointer, so a record must not shrink, and it must be as large
// on 32-bit MIPS as on 64-bit x86 (no long or pointer member).
static_assert(sizeof(ST_MSRV_TV_INFO) == 32, "TV info record size");
static_assert(sizeof(_SoundSettingType) == 256, "sound setting size");
static_assert(sizeof(MS_USER_SYSTEM_SETTING) == 1400, "user system setting size");
static_assert(sizeof(MS_SAT_INFO) == 64, "satellite record size");
static_assert(sizeof(_DVB_MUXINFO) == 48, "mux record size");
static_assert(sizeof(ST_PROGRAM_INFO) == 100, "program record size");
static_assert(sizeof(msrv_network_mac_s) == 6, "MAC address size");

#endif   // BRISKUI_MIDDLEWARE_H
