// Common settings file, OSD language, clock and the analogue-switch rule.
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "BriskFiles.h"
#include "BriskPlatform.h"
#include "BriskSpeechQueue.h"
#include "BriskUiLanguages.h"
#include "BriskUiManager.h"
#include "IniCompat.h"
#include "InitializationHandler.h"
#include "ManagerLock.h"
#include "Middleware.h"

namespace {

const char* const kSettingFile = "/Customer/briskui/layout/BriskUISetting.ini";
const char* const kLayoutDir = "/config/briskui/layout/";

// The languages with a folder of their own (BriskUiLanguages.h).
const ST_BRISKUI_LANGUAGE_FOLDER kLanguageFolders[] = {
    { 0, "CZ/" },  { 2, "DA/" },  { 5, "GE/" },  { 7, "SP/" },  { 8, "GR/" },   { 9, "FR/" },
    { 10, "CR/" }, { 12, "IT/" }, { 13, "HU/" }, { 14, "NE/" }, { 15, "NO/" },  { 16, "PA/" },
    { 17, "PO/" }, { 18, "RU/" }, { 19, "RO/" }, { 20, "SA/" }, { 21, "SE/" },  { 22, "FI/" },
    { 23, "SW/" }, { 24, "BU/" }, { 25, "SL/" }, { 35, "TU/" }, { 468, "UK/" },
};

// Serialises the settings file's read-modify-write between host threads.
pthread_mutex_t g_settingsLock = PTHREAD_MUTEX_INITIALIZER;

class SettingsLock {
public:
    SettingsLock() { pthread_mutex_lock(&g_settingsLock); }
    ~SettingsLock() { pthread_mutex_unlock(&g_settingsLock); }
    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;
};

// The file `path` names: a symbolic link is followed, so that a rewrite
// replaces its target and the link stays. `path` itself when it cannot be
// resolved.
std::string FileBehind(const std::string& path)
{
    char* real = realpath(path.c_str(), NULL);
    if (real == NULL) return path;
    std::string file(real);
    free(real);
    return file;
}

// Writes `dict` over the file `path` names so that a power cut at any
// moment leaves either the old file or the new one, never a truncated one,
// and the new one only when it loads as the next start will load it (within
// the same size and entry limits) and reads back entry for entry: the
// dictionary goes to one temporary file of a fixed name beside it (so that
// a cut leaves at most that one behind, replaced at the next rewrite), which
// is flushed to disk, read back and only then renamed over the file. Any
// failure leaves the old file untouched.
bool ReplaceFileAtomically(dictionary* dict, const std::string& path)
{
    std::string file = FileBehind(path);
    std::string tmp = file + ".tmp";
    // Whatever a cut left under the temporary name goes first; O_EXCL and
    // O_NOFOLLOW then make sure the file written is a new one of ours.
    unlink(tmp.c_str());
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        printf("[BriskUI] cannot create a temporary file for %s: %s\n", file.c_str(), strerror(errno));
        return false;
    }
    struct stat st;
    if (stat(file.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
    FILE* out = fdopen(fd, "w");
    if (out == NULL) {
        close(fd);
        unlink(tmp.c_str());
        return false;
    }
    const char* problem = NULL;
    if (!BriskWriteIni(dict, out)) problem = "a value cannot be written so that it reads back";
    bool ok = fflush(out) == 0 && !ferror(out) && fsync(fileno(out)) == 0;
    if (fclose(out) != 0) ok = false;
    if (!ok && problem == NULL) problem = strerror(errno);
    std::string refused;
    if (problem == NULL) {
        dictionary* back = BriskLoadIniFile(tmp.c_str(), &refused);
        if (back == NULL && !refused.empty()) {
            refused = "the new file would not load" + refused;
            problem = refused.c_str();
        } else if (!BriskSameIni(dict, back)) {
            problem = "the new file does not read back as written";
        }
        if (back != NULL) iniparser_freedict(back);
    }
    if (problem == NULL && rename(tmp.c_str(), file.c_str()) != 0) problem = strerror(errno);
    if (problem != NULL) {
        printf("[BriskUI] cannot rewrite %s: %s\n", file.c_str(), problem);
        unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable.
    std::string dir = file.substr(0, file.find_last_of('/') + 1);
    int dirfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd >= 0) {
        fsync(dirfd);
        close(dirfd);
    }
    return true;
}

// The settings file's dictionary; null, with the missing file's message and
// the reason, when it cannot be read.
dictionary* LoadSettings(const std::string& path)
{
    std::string why;
    dictionary* ini = BriskLoadIniFile(path.c_str(), &why);
    if (ini == NULL)
        printf("[BriskUI] BriskUiManager::LoadCustomizedResource failed, no such file %s%s\n", path.c_str(),
               why.c_str());
    return ini;
}

// iniparser's boolean getter reads the value it finds without looking: a
// section named like the key ("[BriskUISetting:bActivateBriskUI]") is an
// entry without a value, which it would read through a null pointer. Such
// a key counts as missing.
int ReadBoolean(dictionary* ini, const char* key, int def)
{
    return iniparser_getstring(ini, key, NULL) != NULL ? iniparser_getboolean(ini, key, def) : def;
}

}   // namespace

const ST_BRISKUI_LANGUAGE_FOLDER* BriskLanguageFolders(size_t* count)
{
    if (count != NULL) *count = sizeof(kLanguageFolders) / sizeof(kLanguageFolders[0]);
    return kLanguageFolders;
}

const char* BriskLanguageFolder(U32 language)
{
    for (const ST_BRISKUI_LANGUAGE_FOLDER& row : kLanguageFolders)
        if (row.u32Language == language) return row.pFolder;
    return "EN/";
}

BOOL BriskUiManager::LoadCommonSetting()
{
    BriskManagerLock lock;
    std::string path = BriskResolvePath(kSettingFile);
    dictionary* ini = LoadSettings(path);
    if (ini == NULL) {
        // The settings live on the set's writable partition, which can be
        // lost; the layouts still lie in the language folders, and without
        // one the banner's layout is not found and start-up stops. Every
        // setting keeps its default, but the layouts come from the folder
        // of the OSD language.
        SetupLanguage();
        return TRUE;
    }
    bActivate = (U8)(ReadBoolean(ini, "BriskUISetting:bActivateBriskUI", 1) ? 1 : 0);
    bFirstInitialization = (U8)(ReadBoolean(ini, "BriskUISetting:bFirstInitialization", 0) ? 1 : 0);
    u8ColorFormat = (U8)iniparser_getunsignedint(ini, "BriskUISetting:u8ColorFormat", 2);
    SetAudioGuidance((U8)ReadBoolean(ini, "BriskUISetting:bAudioGuidance", 0));
    eCountry = E_BRISKUI_COUNTRY_EU;
    SetupLanguage();
    iniparser_freedict(ini);
    return TRUE;
}

BOOL BriskUiManager::WriteSetting(const char* key, U8 value)
{
    SettingsLock lock;
    std::string path = BriskResolvePath(kSettingFile);
    dictionary* ini = LoadSettings(path);
    if (ini == NULL) return FALSE;
    // A file without the section would lose the key on writing.
    if (iniparser_find_entry(ini, "BriskUISetting") == 0) iniparser_set(ini, "BriskUISetting", NULL);
    BOOL set = iniparser_setstring(ini, key, value == 1 ? "TRUE" : "FALSE") == 0 ? TRUE : FALSE;
    bool written = set && ReplaceFileAtomically(ini, path);
    iniparser_freedict(ini);
    return written ? TRUE : FALSE;
}

BOOL BriskUiManager::SetConfigFirstInitialization(U8 value)
{
    return WriteSetting("BriskUISetting:bFirstInitialization", value);
}

BOOL BriskUiManager::SetConfigActivation(U8 value) { return WriteSetting("BriskUISetting:bActivateBriskUI", value); }

BOOL BriskUiManager::SetConfigAudioGuidance(U8 value)
{
    SetAudioGuidance(value == 1 ? 1 : 0);
    return WriteSetting("BriskUISetting:bAudioGuidance", value);
}

void BriskUiManager::SetAudioGuidance(U8 on)
{
    BriskManagerLock lock;
    bAudioGuidance = on != 0 ? 1 : 0;
    BriskSpeechQueue::Instance().SetEnabled(bAudioGuidance != 0);
}

void BriskUiManager::SetSpeechCallback(BriskSpeechCallback callback, void* context)
{
    BriskSpeechQueue::Instance().SetOutput(callback, context);
}

void BriskUiManager::FlushSpeech() { BriskSpeechQueue::Instance().Flush(); }

void BriskUiManager::SetupLanguage()
{
    BriskManagerLock lock;
    U32 language = E_BRISKUI_DEFAULT_OSD_LANGUAGE;
    MSrv_System_Database* database = MSrv_Control_common::GetMSrvSystemDatabase();
    if (database != NULL) language = database->GetOsdLanguage();
    strLayoutPath = kLayoutDir;
    strLayoutPath += BriskLanguageFolder(language);
}

void BriskUiManager::SetFirstInitializationProgress(U8 percent)
{
    BriskManagerLock lock;
    if (pInitializationHandler == NULL) return;
    EnableStatus(E_BRISKUI_OSD_STATUS_INITIALIZATION, 0);
    pInitializationHandler->SetPercentage(percent);
    UpdateOsd();
}

void BriskUiManager::SetFirstInitializationProgressComplete()
{
    SetFirstInitializationProgress(100);
    BriskSleepUs(1000000);
}

U32 BriskUiManager::GetSystemTime()
{
    struct timespec now;
    BriskClockNow(&now);
    return (U32)((unsigned long long)now.tv_sec * 1000ULL + (unsigned long long)now.tv_nsec / 1000000ULL);
}

BOOL BriskUiManager::IsAllowedToSwitchATV()
{
    U32 country = 59;
    U32 cableOperator = 0;
    MSrv_System_Database* database = MSrv_Control_common::GetMSrvSystemDatabase();
    if (database != NULL) {
        country = database->GetSystemCountry();
        cableOperator = database->GetSystemCableOperators();
    }
    MSrv_Control* control = MSrv_Control::GetInstance();
    U8 route = control->GetCurrentTvRoute();
    ST_MSRV_TV_INFO info = control->GetTVInfo();
    // The record has four route entries; a route beyond them has no path.
    U8 routePath = route < sizeof(info.au8RoutePath) ? info.au8RoutePath[route] : 0;
    BOOL allowed = (country == 14 && routePath == 2 && cableOperator == 7) ? FALSE : TRUE;
    printf("%s(): %d, bIsAllowedToSwitchATV=%d, eSystemCountry=%d, eCableOperator=%d, u8RoutePath=%d\n",
           "IsAllowedToSwitchATV", __LINE__, allowed, (int)country, (int)cableOperator, routePath);
    return allowed;
}

U8 BriskUiManager::QueryBriskUiEnabled() { return BriskLockedCopy(bActivate); }

U8 BriskUiManager::QueryColorFormat() { return BriskLockedCopy(u8ColorFormat); }

int BriskUiManager::QueryCountry() { return BriskLockedCopy(eCountry); }

void BriskUiManager::SetCountry(int country)
{
    BriskManagerLock lock;
    eCountry = country;
}

U8 BriskUiManager::IsFirstInitialization() { return BriskLockedCopy(bFirstInitialization); }

U8 BriskUiManager::QueryAudioGuidance() { return BriskLockedCopy(bAudioGuidance); }

std::string BriskUiManager::GetLayoutPath() { return BriskLockedCopy(strLayoutPath); }
