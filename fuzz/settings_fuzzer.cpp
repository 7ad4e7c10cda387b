// The common settings file through LoadCommonSetting and both setters,
// with the round-trip oracle: after a setter returns 1 the file loads, the
// key it set reads back as set (and LoadCommonSetting sees it), and every
// other key of what was parsed before reads back with its value; after it
// returns 0 the file is unchanged, byte for byte.
//
// Input: the settings file, or a recipe for one near the size and entry
// limits (fuzz::WriteIniInput). The values handed to the two setters (0, 1
// or 2) come from the input's length. A file loads when the library loads
// it, within those limits: a setter must not leave one the next start
// refuses.
#include <iniparser.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <map>
#include <string>

#include "BriskFiles.h"
#include "BriskUiManager.h"
#include "FuzzSupport.h"

namespace {

const char* const kSettingFile = "/Customer/briskui/layout/BriskUISetting.ini";

typedef std::map<std::string, std::string> Entries;

// Every key of a parsed file with its value; sections (no value) map to a
// value of their own that no key can have.
bool Parse(const std::string& path, Entries* entries)
{
    dictionary* ini = BriskLoadIniFile(path.c_str(), NULL);
    if (ini == NULL) return false;
    entries->clear();
    for (ssize_t i = 0; i < ini->size; ++i) {
        if (ini->key[i] == NULL) continue;
        (*entries)[ini->key[i]] = ini->val[i] != NULL ? std::string(ini->val[i]) : std::string("\n(section)");
    }
    iniparser_freedict(ini);
    return true;
}

struct Setter {
    const char* name;
    const char* key;   // as iniparser folds it
    BOOL (BriskUiManager::*set)(U8);
    U8 (BriskUiManager::*query)();
};

void CheckSetter(BriskUiManager* manager, const Setter& setter, U8 value, const std::string& path)
{
    std::string before = fuzz::ReadFile(path);
    Entries old;
    bool loaded = Parse(path, &old);
    BOOL result = (manager->*setter.set)(value);
    std::string after = fuzz::ReadFile(path);
    if (!result) {
        if (after != before) fuzz::Fail("%s(%u) returned 0 but changed the file", setter.name, value);
        return;
    }
    if (!loaded) fuzz::Fail("%s(%u) returned 1 on a file that does not load", setter.name, value);
    Entries now;
    if (!Parse(path, &now)) fuzz::Fail("%s(%u) returned 1 and left a file that does not load", setter.name, value);
    const char* expected = value == 1 ? "TRUE" : "FALSE";
    auto set = now.find(setter.key);
    if (set == now.end() || set->second != expected)
        fuzz::Fail("%s(%u): %s reads back as '%s', not %s", setter.name, value, setter.key,
                   set == now.end() ? "(missing)" : set->second.c_str(), expected);
    for (const auto& entry : old) {
        if (entry.first == setter.key) continue;
        auto kept = now.find(entry.first);
        if (kept == now.end() || kept->second != entry.second)
            fuzz::Fail("%s(%u): '%s' was '%s' and reads back as '%s'", setter.name, value, entry.first.c_str(),
                       entry.second.c_str(), kept == now.end() ? "(missing)" : kept->second.c_str());
    }
    manager->LoadCommonSetting();
    if ((manager->*setter.query)() != (value == 1 ? 1 : 0))
        fuzz::Fail("%s(%u): LoadCommonSetting does not see the value written", setter.name, value);
}

const Setter kSetters[] = {
    { "SetConfigActivation", "briskuisetting:bactivatebriskui", &BriskUiManager::SetConfigActivation,
      &BriskUiManager::QueryBriskUiEnabled },
    { "SetConfigFirstInitialization", "briskuisetting:bfirstinitialization",
      &BriskUiManager::SetConfigFirstInitialization, &BriskUiManager::IsFirstInitialization },
    { "SetConfigAudioGuidance", "briskuisetting:baudioguidance", &BriskUiManager::SetConfigAudioGuidance,
      &BriskUiManager::QueryAudioGuidance },
};

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::WriteIniInput(kSettingFile, data, size);
    BriskUiManager* manager = BriskUiManager::GetInstance();
    manager->LoadCommonSetting();
    // A file near the limits costs a setter and its checks about a second;
    // the setters share one path, so such a file tries one of them.
    bool nearLimits = fuzz::IniRecipeHeader(data, size) != 0;
    size_t pick = size / 27 % 3;
    if (!nearLimits || pick == 0) CheckSetter(manager, kSetters[0], (U8)(size % 3), path);
    if (!nearLimits || pick == 1) CheckSetter(manager, kSetters[1], (U8)(size / 3 % 3), path);
    if (!nearLimits || pick == 2) CheckSetter(manager, kSetters[2], (U8)(size / 9 % 3), path);
    return 0;
}
