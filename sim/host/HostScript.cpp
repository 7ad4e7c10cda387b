#include "HostScript.h"

#include <directfb.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "HostSupport.h"
#include "PngWrite.h"
#include "SimTv.h"

namespace {

struct KeyName {
    const char* name;
    U32 symbol;
};

const KeyName kKeys[] = {
    {"VOL+", 0xF04C},   {"VOL-", 0xF04D},    {"MUTE", 0xF04E},   {"CH+", 0xF046},   {"CH-", 0xF047},
    {"OK", 0x0D},       {"EXIT", 0xF062},    {"UP", 0xF002},     {"DOWN", 0xF003},  {"SOURCE", 0xF068},
    {"DASH", 0xF073},   {"ATVDTV", 0xF53F},  {"FACTORY", 0xF54F}, {"POWER", 0xF00F}, {"MENU", 0xF012},
    {"PLAY", 0xF051},   {"PAUSE", 0xF00A},   {"STOP", 0xF052},   {"INFO", 0xF014},
};

bool ParseNumber(const std::string& text, U32* value)
{
    if (text.empty()) return false;
    errno = 0;
    char* end = NULL;
    unsigned long long v = strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0' || text[0] == '-' || v > 0xFFFFFFFFULL) return false;
    *value = (U32)v;
    return true;
}

const char* const kSetNames[] = {"source", "volume", "factory-code", "pin", "language", "country",
                                 "cable-operator", "hotel-mode", "hotel-max-volume", "route", "av-mute",
                                 "boot-seconds"};

}  // namespace

bool KeySymbolOf(const std::string& name, U32* symbol)
{
    for (size_t i = 0; i < sizeof(kKeys) / sizeof(kKeys[0]); ++i) {
        if (strcasecmp(name.c_str(), kKeys[i].name) == 0) {
            *symbol = kKeys[i].symbol;
            return true;
        }
    }
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') {
        *symbol = (U32)name[0];
        return true;
    }
    return name.size() > 1 && ParseNumber(name, symbol);
}

bool ParseScript(const std::string& text, const std::string& fileName, std::vector<Command>* commands,
                 std::string* error)
{
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> w;
        std::string word;
        while (words >> word) w.push_back(word);
        if (w.empty()) continue;
        auto fail = [&](const std::string& why) {
            *error = fileName + ":" + std::to_string(number) + ": " + why;
            return false;
        };
        Command c;
        c.line = number;
        const std::string& verb = w[0];
        if (verb == "key") {
            if (w.size() != 2) return fail("'key' takes one key name");
            if (!KeySymbolOf(w[1], &c.value)) return fail("unknown key '" + w[1] + "'");
            c.verb = Command::Key;
            c.name = w[1];
        } else if (verb == "wait") {
            if (w.size() != 2 || !ParseNumber(w[1], &c.value)) return fail("'wait' takes milliseconds");
            c.verb = Command::Wait;
        } else if (verb == "event") {
            if (w.size() < 3 || w.size() > 4) return fail("'event' takes an id, a parameter and an optional source");
            if (!ParseNumber(w[1], &c.value) || !ParseNumber(w[2], &c.param))
                return fail("'event' id and parameter must be numbers");
            if (w.size() == 4) {
                const char* sources[] = {"control", "atv", "dtv", "cimmi"};
                c.source = -1;
                for (int s = 0; s < 4; ++s)
                    if (w[3] == sources[s]) c.source = s;
                if (c.source < 0) return fail("unknown event source '" + w[3] + "' (control, atv, dtv, cimmi)");
            }
            c.verb = Command::Event;
        } else if (verb == "set") {
            if (w.size() != 3) return fail("'set' takes a name and a value");
            bool known = false;
            for (size_t s = 0; s < sizeof(kSetNames) / sizeof(kSetNames[0]); ++s)
                if (w[1] == kSetNames[s]) known = true;
            if (!known) return fail("unknown state '" + w[1] + "'");
            if (!ParseNumber(w[2], &c.value)) return fail("'set " + w[1] + "' takes a number");
            c.verb = Command::Set;
            c.name = w[1];
            c.text = w[2];
        } else if (verb == "shot") {
            if (w.size() != 2) return fail("'shot' takes one file name");
            if (w[1].size() < 5 || w[1].compare(w[1].size() - 4, 4, ".png") != 0)
                return fail("'shot' writes a .png file");
            c.verb = Command::Shot;
            c.name = w[1];
        } else if (verb == "quit") {
            if (w.size() != 1) return fail("'quit' takes nothing");
            c.verb = Command::Quit;
        } else {
            return fail("unknown verb '" + verb + "' (key, wait, event, set, shot, quit)");
        }
        commands->push_back(c);
    }
    return true;
}

bool ParseScriptFile(const std::string& path, std::vector<Command>* commands, std::string* error)
{
    std::ifstream file(path);
    if (!file) {
        *error = "cannot read script " + path + ": " + strerror(errno);
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    return ParseScript(text.str(), path, commands, error);
}

namespace {

bool ApplySet(const Command& c)
{
    if (c.name == "source") {
        sim::SetInputSource((MAPI_INPUT_SOURCE_TYPE)c.value);
    } else if (c.name == "volume") {
        if (c.value > 100) return false;
        sim::SetVolume((U8)c.value);
    } else if (c.name == "factory-code") {
        sim::SetFactoryCode((U16)c.value);
    } else if (c.name == "pin") {
        sim::SetPin((U16)c.value);
    } else if (c.name == "language") {
        sim::SetOsdLanguage(c.value);
    } else if (c.name == "country") {
        sim::SetCountry(c.value);
    } else if (c.name == "cable-operator") {
        sim::SetCableOperator(c.value);
    } else if (c.name == "hotel-mode") {
        sim::SetFactoryData(0x4022, (U8)c.value);
    } else if (c.name == "hotel-max-volume") {
        sim::SetFactoryData(0x4029, (U8)c.value);
    } else if (c.name == "route") {
        sim::SetCurrentRoute((U8)c.value);
    } else if (c.name == "av-mute") {
        sim::SetAvMuteFlag(c.value);
    } else if (c.name == "boot-seconds") {
        // The host counts the seconds of the boot; the library only reads them.
        BriskUiManager::TotalTicksInSeconds = c.value;
    }
    return true;
}

}  // namespace

int RunHost(const HostOptions& options, const std::vector<Command>& commands, std::vector<std::string> dfbArgv)
{
    std::vector<char*> argvPtrs;
    for (size_t i = 0; i < dfbArgv.size(); ++i) argvPtrs.push_back(&dfbArgv[i][0]);
    argvPtrs.push_back(NULL);
    int dfbArgc = (int)dfbArgv.size();
    char** dfbArgvp = argvPtrs.data();
    DFBResult ret = DirectFBInit(&dfbArgc, &dfbArgvp);
    if (ret != DFB_OK) {
        DirectFBError("briskui-sim: DirectFBInit", ret);
        return 1;
    }
    IDirectFB* dfb = NULL;
    ret = DirectFBCreate(&dfb);
    if (ret != DFB_OK) {
        DirectFBError("briskui-sim: DirectFBCreate", ret);
        return 1;
    }
    IDirectFBDisplayLayer* layer = NULL;
    ret = dfb->GetDisplayLayer(dfb, DLID_PRIMARY, &layer);
    if (ret != DFB_OK) {
        DirectFBError("briskui-sim: GetDisplayLayer", ret);
        dfb->Release(dfb);
        return 1;
    }
    layer->SetCooperativeLevel(layer, DLSCL_ADMINISTRATIVE);
    sim::SetHostDirectFB(dfb, layer);
    if (options.languageSet) sim::SetOsdLanguage((U32)options.language);

    BriskUiManager* manager = BriskUiManager::GetInstance();
    manager->LoadCommonSetting();
    if (options.country != 0) manager->SetCountry(options.country);
    if (!options.swVersion.empty()) manager->SetSwVersion(options.swVersion.c_str());
    if (!options.mstarVersion.empty()) manager->SetMStarVersion(options.mstarVersion.c_str());
    if (!manager->QueryBriskUiEnabled()) {
        printf("briskui-sim: the settings file disables the library; not starting it\n");
        layer->Release(layer);
        dfb->Release(dfb);
        return 0;
    }
    if (!options.shotDir.empty() && mkdir(options.shotDir.c_str(), 0755) != 0 && errno != EEXIST) {
        fprintf(stderr, "briskui-sim: cannot create %s: %s\n", options.shotDir.c_str(), strerror(errno));
        layer->Release(layer);
        dfb->Release(dfb);
        return 1;
    }
    manager->Start();
    bool inputThread = MSystem::GetInstance()->IsTvosIr() != 0;

    int status = 0;
    for (size_t i = 0; i < commands.size() && status == 0; ++i) {
        const Command& c = commands[i];
        switch (c.verb) {
        case Command::Key:
            briskui_sim::PostKey(manager, c.value);
            manager->WaitIdle(5000);
            break;
        case Command::Wait:
            if (options.fastClock) {
                briskui_sim::AdvanceClockAndSettle(manager, c.value);
            } else {
                BriskSleepUs(c.value * 1000);
                manager->WaitIdle(5000);
            }
            break;
        case Command::Event: {
            const sim::Source sources[] = {sim::Source::Control, sim::Source::Atv, sim::Source::Dtv,
                                           sim::Source::Cimmi};
            sim::PostEvent(c.value, c.param, sources[c.source]);
            sim::WaitEventsDelivered(5000);
            manager->WaitIdle(5000);
            break;
        }
        case Command::Set:
            if (!ApplySet(c)) {
                fprintf(stderr, "briskui-sim: line %d: value %s out of range for '%s'\n", c.line, c.text.c_str(),
                        c.name.c_str());
                status = 2;
            }
            break;
        case Command::Shot: {
            manager->WaitIdle(5000);
            std::string path = c.name[0] == '/' ? c.name : options.shotDir + "/" + c.name;
            std::string error;
            BriskUiManager::Lock();
            bool ok = manager->GetSurface() != NULL &&
                      briskui_sim::WriteSurfacePng(manager->GetSurface(), path, true, &error);
            BriskUiManager::Unlock();
            if (!ok) {
                fprintf(stderr, "briskui-sim: line %d: cannot write %s: %s\n", c.line, path.c_str(),
                        manager->GetSurface() == NULL ? "the library has no window surface" : error.c_str());
                status = 1;
            } else {
                printf("briskui-sim: wrote %s\n", path.c_str());
            }
            break;
        }
        case Command::Quit:
            i = commands.size();
            break;
        }
    }

    // Take the IR keys back: the input thread finalises the library.
    if (inputThread) {
        sim::SetTvosIr(false);
        if (!sim::WaitForCall("SetBriskUIStatus(1)", 10000)) {
            fprintf(stderr, "briskui-sim: the library did not finalise itself\n");
            status = status ? status : 1;
        }
    } else {
        BriskTimerManager::GetInstance()->Finalize();
        manager->Finalize();
    }
    sim::StopEventThread();
    sim::SetHostDirectFB(NULL, NULL);
    layer->Release(layer);
    dfb->Release(dfb);
    return status;
}
