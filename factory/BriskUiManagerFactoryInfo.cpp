// Factory information queries: what the factory screens show of the set
// (model, versions, addresses, calibration and EDID results, sensors,
// counters) and the identities held in its key files.
//
// Every answer is built in a local buffer and copied into the query's
// result buffer with that buffer's capacity as the bound; key-file bytes
// are formatted as unsigned bytes. Middleware calls and file reads run
// without the manager lock, which guards only the result buffers and the
// key checks.
#include <stdio.h>
#include <string.h>
#include <zlib.h>

#include <new>

#include "BriskUiManager.h"
#include "FactoryKeyFile.h"
#include "FactoryModelNames.h"
#include "ManagerLock.h"
#include "Middleware.h"

namespace {

// Capacities of the result buffers, terminator included.
const size_t kTextCapacity = 21;    // model name and id, MAC addresses, POT, AST
const size_t kShortCapacity = 13;   // DLNA check, temperature, OD table
const size_t kMbootCapacity = 9;    // eight characters: a longer version is cut
const size_t kCiSerialCapacity = 9;
const size_t kCiHostIdCapacity = 17;
const size_t kDeviceIdCapacity = 33;   // Widevine id, Netflix ESN
const size_t kPvrCapacity = 129;

const size_t kReceiveIdLength = 10;
const size_t kHdcp20Capacity = kReceiveIdLength + 17;

// Factory data items.
enum : unsigned short {
    kItemAdRgb = 4,
    kItemAdComponent = 5,
    kItemAdPal = 6,
    kItemAdNtsc = 7,
    kItemDlnaCheck = 69,
    kItemModelId = 76,
    kItemPotFirst = 79,
    kItemAstFirst = 83,
    kItemEdidVga = 87,
    kItemWriteProtect = 94,
};
// The model id's five bytes: item 76, then these, in this order.
const unsigned short kModelIdItems[] = { kItemModelId, 134, 135, 137, 136 };

// Key files and the offsets of what they hold.
const char kCiPlusFile[] = "ci_plus.bin";
const size_t kCiSerialOffset = 68, kCiSerialBytes = 4;
const size_t kCiHostIdOffset = 72, kCiHostIdBytes = 8;
const char kWidevineFile[] = "widevine.bin";
const char kNetflixFile[] = "nfxkey.bin";
const size_t kDeviceIdOffset = 76, kDeviceIdBytes = 16;
const char kPvrFile[] = "pvrkey.bin";
const size_t kPvrKeyBytes = 16;
const char kHdcp2File[] = "hdcp2.bin";
const size_t kHdcp2IdentityOffset = 71, kHdcp2IdentityBytes = 5;
const char kHdcp2KeyFile[] = "hdcp2_key.bin";
const size_t kReceiveIdOffset = 40;   // in the sealed content
const char kWidevineKeyFile[] = "widevine_key.bin";
const char kNetflixKeyFile[] = "nfxkey_key.bin";

const char kNoKeyFile[] = "--";
const char kReceiveIdFallback[] = "FFFFFFFFFF";

// One byte of the factory data store; 0 when the middleware fills nothing.
U8 FactoryItem(unsigned short item)
{
    unsigned char value = 0;
    MSrv_Factory_Default* store = MSrv_Control_common::GetMSrvFactoryDefault();
    if (store != NULL) store->GetFactoryData(item, &value);
    return value;
}

U8 FactoryFlag(unsigned short item) { return FactoryItem(item) == 1 ? 1 : 0; }

// `count` bytes of `bytes` as upper-case hex into `out` (2 * count + 1).
void HexBytes(const U8* bytes, size_t count, char* out, size_t capacity)
{
    for (size_t i = 0; i < count && 2 * i + 2 < capacity; ++i)
        snprintf(out + 2 * i, capacity - 2 * i, "%02X", (unsigned)bytes[i]);
}

struct MacString {
    char text[kTextCapacity];
};

// The Ethernet address in lower case, or the WLAN address in upper case;
// all zeros when the network service fills nothing.
MacString MacText(bool wlan)
{
    msrv_network_mac_s mac;
    memset(&mac, 0, sizeof(mac));
    MSrv_Network* network = MSrv_Control_TV::GetMSrvNetwork();
    if (network != NULL) {
        if (wlan)
            network->GetWiFiMACAddress(&mac);
        else
            network->GetEthernetMACAddress(&mac);
    }
    const U8* a = mac.au8Addr;
    MacString out;
    snprintf(out.text, sizeof out.text, wlan ? "%2.2X:%2.2X:%2.2X:%2.2X:%2.2X:%2.2X" : "%02x:%02x:%02x:%02x:%02x:%02x",
             (unsigned)a[0], (unsigned)a[1], (unsigned)a[2], (unsigned)a[3], (unsigned)a[4], (unsigned)a[5]);
    return out;
}

// The sealed key files whose checks FactoryLoadKeyRawData refreshes.
bool CheckKeyFile(MSrv_PreSharedKey* keys, const char* name, U8* check)
{
    std::string path = FactoryKeyFilePath(name);
    if (!FactoryKeyFileOpens(path)) return false;
    *check = keys != NULL ? keys->CheckHmac(path.c_str()) : 0;
    return true;
}

}   // namespace

char* BriskUiManager::StoreResult(EN_FACTORY_RESULT slot, size_t capacity, const char* text)
{
    BriskManagerLock lock;
    char*& buffer = apResultBuffers[slot];
    if (buffer == NULL) buffer = new (std::nothrow) char[capacity];
    if (buffer == NULL) return NULL;
    memset(buffer, 0, capacity);
    snprintf(buffer, capacity, "%s", text);
    return buffer;
}

U8 BriskUiManager::KeyCheck(U8 BriskUiManager::*check)
{
    BriskManagerLock lock;
    return this->*check;
}

// ---- factory data and middleware services ---------------------------------------

char* BriskUiManager::FactoryGetTVModel()
{
    return StoreResult(E_RESULT_TV_MODEL, kTextCapacity, FactoryModelName(FactoryItem(kItemModelId)));
}

char* BriskUiManager::FactoryGetTVModelId()
{
    U8 b[5];
    for (size_t i = 0; i < 5; ++i) b[i] = FactoryItem(kModelIdItems[i]);
    char text[kTextCapacity];
    snprintf(text, sizeof text, "%02X %02X %02X %02X %02X", (unsigned)b[0], (unsigned)b[1], (unsigned)b[2],
             (unsigned)b[3], (unsigned)b[4]);
    return StoreResult(E_RESULT_TV_MODEL_ID, kTextCapacity, text);
}

char* BriskUiManager::FactoryGetMbootVersion()
{
    SystemInfo* info = SystemInfo::GetInstance();
    const char* version = info != NULL ? info->GetMbootVersion() : NULL;
    return StoreResult(E_RESULT_MBOOT_VERSION, kMbootCapacity, version != NULL ? version : "");
}

char* BriskUiManager::FactoryGetMACAddress() { return StoreResult(E_RESULT_MAC, kTextCapacity, MacText(false).text); }

char* BriskUiManager::FactoryGetWLANMACAddress()
{
    return StoreResult(E_RESULT_WLAN_MAC, kTextCapacity, MacText(true).text);
}

U8 BriskUiManager::FactoryGetADAdjustRGBStatus() { return FactoryFlag(kItemAdRgb); }
U8 BriskUiManager::FactoryGetADAdjustCOMPStatus() { return FactoryFlag(kItemAdComponent); }
U8 BriskUiManager::FactoryGetADAdjustPALStatus() { return FactoryFlag(kItemAdPal); }
U8 BriskUiManager::FactoryGetADAdjustNTSCStatus() { return FactoryFlag(kItemAdNtsc); }

U8 BriskUiManager::FactoryGetADAdjustCVBSStatus()
{
    return FactoryGetADAdjustPALStatus() == 1 || FactoryGetADAdjustNTSCStatus() == 1 ? 1 : 0;
}

U8 BriskUiManager::FactoryGetEDIDVGA()
{
    U8 state = FactoryItem(kItemEdidVga);
    return state <= 1 ? state : 2;
}

#define BRISK_EDID_HDMI(n)                                                \
    U8 BriskUiManager::FactoryGetEDIDHDMI##n()                            \
    {                                                                     \
        MSrv_Factory_Cmd* cmd = MSrv_Control_common::GetMSrvFactoryCmd(); \
        return cmd != NULL ? cmd->EDIDCheckSum(n) : 0;                    \
    }
BRISK_EDID_HDMI(1)
BRISK_EDID_HDMI(2)
BRISK_EDID_HDMI(3)
BRISK_EDID_HDMI(4)
#undef BRISK_EDID_HDMI

char* BriskUiManager::FactoryGetDLNACheck()
{
    char text[kShortCapacity];
    snprintf(text, sizeof text, "%d", (int)FactoryItem(kItemDlnaCheck));
    return StoreResult(E_RESULT_DLNA_CHECK, kShortCapacity, text);
}

char* BriskUiManager::FactoryGetMainBoardTemp()
{
    S16 degrees = (S16)MSrv_Control::GetInstance()->VRL_GetTempSensorDegree();
    char text[kShortCapacity];
    snprintf(text, sizeof text, "%d C", (int)degrees);
    return StoreResult(E_RESULT_MAINBOARD_TEMP, kShortCapacity, text);
}

char* BriskUiManager::FactoryGetODTable()
{
    U8 status = (U8)MSrv_Control::GetInstance()->VRL_GetTempSensorStatus();
    char text[kShortCapacity];
    snprintf(text, sizeof text, "%d", (int)status);
    return StoreResult(E_RESULT_OD_TABLE, kShortCapacity, text);
}

// The counters are unsigned 32-bit: printed as such, they read the same on a
// 32-bit set (where a signed long would turn the top half negative) and on
// a 64-bit desktop.
char* BriskUiManager::FactoryCounter(EN_FACTORY_RESULT slot, unsigned short firstItem)
{
    U32 counter = 0;
    for (unsigned short i = 0; i < 4; ++i) counter = (counter << 8) | FactoryItem((unsigned short)(firstItem + i));
    char text[kTextCapacity];
    snprintf(text, sizeof text, "%lu", (unsigned long)counter);
    return StoreResult(slot, kTextCapacity, text);
}

char* BriskUiManager::FactoryGetPOT() { return FactoryCounter(E_RESULT_POT, kItemPotFirst); }
char* BriskUiManager::FactoryGetAST() { return FactoryCounter(E_RESULT_AST, kItemAstFirst); }

U8 BriskUiManager::FactoryGetWriteProtect() { return FactoryFlag(kItemWriteProtect); }

// ---- key files -------------------------------------------------------------------

BOOL BriskUiManager::FactoryLoadKeyRawData()
{
    MSrv_PreSharedKey* keys = MSrv_Control_common::GetMSrvPreSharedKey();
    U8 hdcp = 0, widevine = 0, netflix = 0;
    CheckKeyFile(keys, kHdcp2KeyFile, &hdcp);
    CheckKeyFile(keys, kWidevineKeyFile, &widevine);
    CheckKeyFile(keys, kNetflixKeyFile, &netflix);
    BriskManagerLock lock;
    u8HdcpKeyCheck = hdcp;
    u8WidevineKeyCheck = widevine;
    u8NetflixKeyCheck = netflix;
    return TRUE;
}

char* BriskUiManager::CIPlusHex(EN_FACTORY_RESULT slot, size_t capacity, size_t offset, size_t count)
{
    FactoryKeyFileBuffer file;
    if (!file.Ok()) return NULL;
    size_t read = 0;
    char text[kCiHostIdCapacity] = { 0 };
    if (!file.Read(FactoryKeyFilePath(kCiPlusFile), &read) || read == 0)
        snprintf(text, sizeof text, "%s", kNoKeyFile);
    else
        HexBytes(file.Data() + offset, count, text, sizeof text);
    return StoreResult(slot, capacity, text);
}

char* BriskUiManager::FactoryGetCIPlusHostID()
{
    return CIPlusHex(E_RESULT_CI_HOST_ID, kCiHostIdCapacity, kCiHostIdOffset, kCiHostIdBytes);
}

char* BriskUiManager::FactoryGetCIPlusSerialNumber()
{
    return CIPlusHex(E_RESULT_CI_SERIAL, kCiSerialCapacity, kCiSerialOffset, kCiSerialBytes);
}

// The 16 id characters, up to the first zero byte of a short file, and
// " NG" after them when the key check failed: the failure stays visible
// whatever the id holds.
char* BriskUiManager::KeyFileDeviceId(EN_FACTORY_RESULT slot, const char* name, U8 BriskUiManager::*check)
{
    FactoryKeyFileBuffer file;
    if (!file.Ok()) return NULL;
    U8 good = KeyCheck(check);
    size_t read = 0;
    char text[kDeviceIdCapacity] = { 0 };
    if (!file.Read(FactoryKeyFilePath(name), &read) || read == 0) {
        snprintf(text, sizeof text, "%s", kNoKeyFile);
    } else {
        memcpy(text, file.Data() + kDeviceIdOffset, kDeviceIdBytes);
        if (good == 0) snprintf(text + strlen(text), sizeof text - strlen(text), " NG");
    }
    return StoreResult(slot, kDeviceIdCapacity, text);
}

char* BriskUiManager::FactoryGetWidevineDeviceID()
{
    return KeyFileDeviceId(E_RESULT_WIDEVINE_ID, kWidevineFile, &BriskUiManager::u8WidevineKeyCheck);
}

char* BriskUiManager::FactoryGetNetflixESN()
{
    return KeyFileDeviceId(E_RESULT_NETFLIX_ESN, kNetflixFile, &BriskUiManager::u8NetflixKeyCheck);
}

void BriskUiManager::FactoryGetHDCP20_ReceiveID(char* out)
{
    if (out == NULL) return;
    char id[kReceiveIdLength + 1];
    snprintf(id, sizeof id, "%s", kReceiveIdFallback);
    FactoryKeyFileBuffer file;
    std::string path = FactoryKeyFilePath(kHdcp2KeyFile);
    size_t read = 0;
    if (file.Ok() && file.Read(path, &read)) {
        // The file's own bytes only tell whether it holds anything; the id
        // comes from the content its seal protects.
        file.Clear();
        MSrv_PreSharedKey* keys = MSrv_Control_common::GetMSrvPreSharedKey();
        if (keys != NULL) keys->CheckHmacAndReadData(path.c_str(), file.Data());
        if (read > 0) HexBytes(file.Data() + kReceiveIdOffset, kReceiveIdLength / 2, id, sizeof id);
    }
    memcpy(out, id, kReceiveIdLength);
}

char* BriskUiManager::FactoryGetHDCP20()
{
    char id[kReceiveIdLength + 1] = { 0 };   // ten digits, kept terminated
    FactoryGetHDCP20_ReceiveID(id);
    FactoryKeyFileBuffer file;
    if (!file.Ok()) return NULL;
    U8 good = KeyCheck(&BriskUiManager::u8HdcpKeyCheck);
    size_t read = 0;
    char text[kHdcp20Capacity];
    if (!file.Read(FactoryKeyFilePath(kHdcp2File), &read) || read == 0 || good == 0) {
        snprintf(text, sizeof text, "%s NG", id);
    } else {
        char identity[2 * kHdcp2IdentityBytes + 1] = { 0 };
        HexBytes(file.Data() + kHdcp2IdentityOffset, kHdcp2IdentityBytes, identity, sizeof identity);
        snprintf(text, sizeof text, " %s %s", id, identity);
    }
    return StoreResult(E_RESULT_HDCP20, kHdcp20Capacity, text);
}

char* BriskUiManager::FactoryGetPVR()
{
    FactoryKeyFileBuffer file;
    if (!file.Ok()) return NULL;
    size_t read = 0;
    char text[kPvrCapacity];
    if (!file.Read(FactoryKeyFilePath(kPvrFile), &read)) {
        snprintf(text, sizeof text, "%s", kNoKeyFile);
    } else {
        // A short or empty file reads as zeros: a zero key is no key.
        const U8* key = file.Data();
        bool blank = true;
        for (size_t i = 0; i < kPvrKeyBytes; ++i) blank = blank && key[i] == 0;
        if (blank) {
            snprintf(text, sizeof text, "NG");
        } else {
            uLong crc = crc32(crc32(0L, Z_NULL, 0), key, (uInt)kPvrKeyBytes);
            snprintf(text, sizeof text, "OK %lx", (unsigned long)crc);
        }
    }
    return StoreResult(E_RESULT_PVR, kPvrCapacity, text);
}
