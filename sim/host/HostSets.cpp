#include "HostSets.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

#include "BriskPlatform.h"
#include "BriskUiManager.h"

namespace {

constexpr long long kU32Max = 0xFFFFFFFFLL;

constexpr SetArg Int(long long lo, long long hi, const char* label = NULL)
{
    return SetArg{ SetArg::Int, lo, hi, label };
}
constexpr SetArg Flag() { return Int(0, 1); }
constexpr SetArg Byte(const char* label = NULL) { return Int(0, 255, label); }
constexpr SetArg Number(const char* label = NULL) { return Int(0, kU32Max, label); }
constexpr SetArg Of(SetArg::Kind kind, const char* label = NULL) { return SetArg{ kind, 0, 0, label }; }
constexpr SetArg kNone = SetArg{ SetArg::None, 0, 0, NULL };

U8 Byte0(const SetValue& v) { return (U8)v.numbers[0]; }
U32 U32_0(const SetValue& v) { return (U32)v.numbers[0]; }
bool On(const SetValue& v) { return v.numbers[0] != 0; }

// Factory data items the volume OSD reads for the hotel mode.
const U16 kHotelModeItem = 0x4022;
const U16 kHotelMaxVolumeItem = 0x4029;

bool SetLanguage(const SetValue& v, int line, HostState* host, std::string*)
{
    sim::SetOsdLanguage(U32_0(v));
    if (!host->started) {
        host->languageLine = line;
        host->language = U32_0(v);
    }
    return true;
}

bool SetCountryGroup(const SetValue& v, int line, HostState* host, std::string*)
{
    host->countryGroup = (int)v.numbers[0];
    host->countryGroupLine = line;
    return true;
}

bool SetChannel(const SetValue& v, int, HostState*, std::string* error)
{
    if (sim::SetCurrentChannelIndex((size_t)v.numbers[0])) return true;
    size_t count = sim::CurrentChannelCount();
    *error = "the current tuner's list has " + std::to_string(count) + " channel" + (count == 1 ? "" : "s") +
             (count ? " (0 to " + std::to_string(count - 1) + ")" : "") + ", no " + std::to_string(v.numbers[0]);
    return false;
}

// The library opens key files under the root; the seal is checked by the
// path it passes, so the script's set path is resolved the same way.
// "seal" goes back to checking the file's own seal.
bool SetHmac(const SetValue& v, int, HostState*, std::string*)
{
    std::string path = BriskResolvePath(v.text.c_str());
    if (v.numbers[1] == 2)
        sim::ClearHmacVerdict(path);
    else
        sim::SetHmacValid(path, v.numbers[1] != 0);
    return true;
}

// Plain simulated-TV state: one line of this table per name.
#define SIM(body)                                          \
    [](const SetValue& v, int, HostState*, std::string*) { \
        body;                                              \
        return true;                                       \
    }

const SetRow kRows[] = {
    // sound, inputs, channels
    { "source", { Of(SetArg::Source), kNone }, false, SIM(sim::SetInputSource(v.numbers[0])) },
    { "volume", { Int(0, 100), kNone }, false, SIM(sim::SetVolume(Byte0(v))) },
    { "channel", { Int(0, 65535, "INDEX"), kNone }, false, &SetChannel },
    { "program-info-fails", { Flag(), kNone }, false, SIM(sim::SetProgramInfoFails(On(v))) },
    { "source-present",
      { Of(SetArg::Source), Flag() },
      false,
      SIM(sim::SetSourcePresent((MAPI_INPUT_SOURCE_TYPE)v.numbers[0], v.numbers[1] != 0)) },
    { "rear-shared", { Flag(), kNone }, false, SIM(sim::SetRearSharedInput(On(v))) },
    { "last-tv", { Byte(), kNone }, false, SIM(sim::SetLastTvSourceType(Byte0(v))) },
    { "av-mute", { Number(), kNone }, false, SIM(sim::SetAvMuteFlag(U32_0(v))) },
    // settings of the system database
    { "pin", { Int(0, 9999), kNone }, false, SIM(sim::SetPin((U16)v.numbers[0])) },
    { "language", { Number(), kNone }, false, &SetLanguage },
    { "country", { Number(), kNone }, false, SIM(sim::SetCountry(U32_0(v))) },
    { "cable-operator", { Number(), kNone }, false, SIM(sim::SetCableOperator(U32_0(v))) },
    { "antenna-mode", { Byte(), kNone }, false, SIM(sim::SetAntennaMode(Byte0(v))) },
    { "satellite-mode", { Byte(), kNone }, false, SIM(sim::SetSatelliteMode(Byte0(v))) },
    // DTV routes and the satellite tuner
    { "route", { Int(0, 3), kNone }, false, SIM(sim::SetCurrentRoute(Byte0(v))) },
    { "route-path", { Int(0, 3, "ROUTE"), Byte("TYPE") }, false, SIM(sim::SetRoutePath(Byte0(v), (U8)v.numbers[1])) },
    { "satellite-capable", { Flag(), kNone }, false, SIM(sim::SetSatelliteCapability(On(v))) },
    { "dvbs-player", { Flag(), kNone }, false, SIM(sim::SetDvbsPlayer(On(v))) },
    { "dvbs-tuner", { Flag(), kNone }, false, SIM(sim::SetDvbsEnabled(On(v))) },
    { "satellites",
      { Int(0, 255, "COUNT"), kNone },
      false,
      SIM(sim::SetSatellites(std::vector<MS_SAT_INFO>((size_t)v.numbers[0], MS_SAT_INFO{}))) },
    { "mux", { Of(SetArg::Mux), kNone }, false, SIM(sim::SetMuxInfo(v.known, U32_0(v))) },
    // factory
    { "factory-code", { Int(0, 65535), kNone }, false, SIM(sim::SetFactoryCode((U16)v.numbers[0])) },
    { "factory-mmode", { Flag(), kNone }, false, SIM(sim::SetFactoryMmode(On(v))) },
    { "factory-data",
      { Int(0, 65535, "ITEM"), Byte("VALUE") },
      false,
      SIM(sim::SetFactoryData((U16)v.numbers[0], (U8)v.numbers[1])) },
    { "hotel-mode", { Byte(), kNone }, false, SIM(sim::SetFactoryData(kHotelModeItem, Byte0(v))) },
    { "hotel-max-volume", { Byte(), kNone }, false, SIM(sim::SetFactoryData(kHotelMaxVolumeItem, Byte0(v))) },
    { "mac",
      { Of(SetArg::Choice, "ethernet|wlan"), Of(SetArg::Mac) },
      false,
      SIM(v.numbers[0] == 0 ? sim::SetEthernetMac(v.mac) : sim::SetWifiMac(v.mac)) },
    { "temperature",
      { Int(-32768, 32767, "DEGREES"), Byte("STATUS") },
      false,
      SIM(sim::SetTemperature((S16)v.numbers[0], (U8)v.numbers[1])) },
    { "edid", { Int(1, 4, "PORT"), Byte("RESULT") }, false, SIM(sim::SetEdidChecksum(Byte0(v), (U8)v.numbers[1])) },
    { "hmac", { Of(SetArg::File), Of(SetArg::Choice, "0|1|seal") }, false, &SetHmac },
    { "mboot-version", { Of(SetArg::Text), kNone }, false, SIM(sim::SetMbootVersion(v.text)) },
    // the host itself
    { "boot-seconds", { Number(), kNone }, false, SIM(BriskUiManager::TotalTicksInSeconds = U32_0(v)) },
    { "country-group", { Int(1, 2), kNone }, true, &SetCountryGroup },
    { "first-initialization",
      { Flag(), kNone },
      true,
      [](const SetValue& v, int, HostState* host, std::string*) {
          host->firstInitialization = On(v) ? 1 : 0;
          return true;
      } },
    // Before start it wins over the settings file (which stays as it is);
    // after, it switches guidance at once.
    { "audio-guidance",
      { Flag(), kNone },
      false,
      [](const SetValue& v, int, HostState* host, std::string*) {
          if (host->started)
              BriskUiManager::GetInstance()->SetAudioGuidance(On(v) ? 1 : 0);
          else
              host->audioGuidance = On(v) ? 1 : 0;
          return true;
      } },
};

#undef SIM

struct SourceName {
    const char* name;
    MAPI_INPUT_SOURCE_TYPE source;
};

const SourceName kSources[] = {
    { "vga", MAPI_INPUT_SOURCE_VGA },     { "atv", MAPI_INPUT_SOURCE_ATV },       { "cvbs", MAPI_INPUT_SOURCE_CVBS },
    { "cvbs2", MAPI_INPUT_SOURCE_CVBS2 }, { "svideo", MAPI_INPUT_SOURCE_SVIDEO }, { "ypbpr", MAPI_INPUT_SOURCE_YPBPR },
    { "scart", MAPI_INPUT_SOURCE_SCART }, { "hdmi1", MAPI_INPUT_SOURCE_HDMI },    { "hdmi2", MAPI_INPUT_SOURCE_HDMI2 },
    { "hdmi3", MAPI_INPUT_SOURCE_HDMI3 }, { "hdmi4", MAPI_INPUT_SOURCE_HDMI4 },   { "dtv", MAPI_INPUT_SOURCE_DTV },
};

bool ParseChoice(const char* choices, const std::string& word, long long* index)
{
    long long i = 0;
    for (const char* p = choices;; ++i) {
        const char* bar = strchr(p, '|');
        size_t length = bar != NULL ? (size_t)(bar - p) : strlen(p);
        if (word.size() == length && word.compare(0, length, p, length) == 0) {
            *index = i;
            return true;
        }
        if (bar == NULL) return false;
        p = bar + 1;
    }
}

bool ParseMac(const std::string& word, U8 mac[6])
{
    if (word.size() != 17) return false;
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && word[i * 3 - 1] != ':') return false;
        U32 byte = 0;
        if (!ParseHex(word.substr(i * 3, 2), &byte)) return false;
        mac[i] = (U8)byte;
    }
    return true;
}

std::string ArgUsage(const SetArg& arg)
{
    switch (arg.kind) {
    case SetArg::Int: {
        std::string range = arg.hi == kU32Max      ? "NUMBER"
                            : arg.hi == arg.lo + 1 ? std::to_string(arg.lo) + "|" + std::to_string(arg.hi)
                                                   : std::to_string(arg.lo) + ".." + std::to_string(arg.hi);
        return arg.label != NULL ? std::string(arg.label) + "(" + range + ")" : range;
    }
    case SetArg::Source:
        return "SOURCE(0..39|vga|atv|cvbs|cvbs2|svideo|ypbpr|scart|hdmi1..hdmi4|dtv)";
    case SetArg::Choice:
        return arg.label;
    case SetArg::Mac:
        return "XX:XX:XX:XX:XX:XX";
    case SetArg::Mux:
        return "FLAGS|unknown";
    case SetArg::File:
        return "FILE";
    case SetArg::Text:
        return "TEXT";
    case SetArg::None:
        break;
    }
    return std::string();
}

}   // namespace

const SetRow* FindSetRow(const std::string& name) { return FindNamed(kRows, name); }

std::vector<std::string> SetNames()
{
    std::vector<std::string> names;
    for (const SetRow& row : kRows) names.push_back(row.name);
    return names;
}

std::string SetUsage(const SetRow& row)
{
    std::string usage = ArgUsage(row.args[0]);
    if (row.args[1].kind != SetArg::None) usage += " " + ArgUsage(row.args[1]);
    return usage;
}

bool ParseSource(const std::string& word, MAPI_INPUT_SOURCE_TYPE* source)
{
    for (const SourceName& s : kSources) {
        if (word.size() == strlen(s.name) && strcasecmp(word.c_str(), s.name) == 0) {
            *source = s.source;
            return true;
        }
    }
    long long number = 0;
    if (!ParseInteger(word, 0, MAPI_INPUT_SOURCE_NUM - 1, &number)) return false;
    *source = (MAPI_INPUT_SOURCE_TYPE)number;
    return true;
}

bool ParseSetValue(const SetRow& row, const ScriptLine& line, SetValue* value, std::string* why)
{
    size_t w = 2;
    for (int a = 0; a < 2 && row.args[a].kind != SetArg::None; ++a, ++w) {
        const SetArg& arg = row.args[a];
        std::string word = line.Word(w);
        if (word.empty()) return false;
        bool ok = true;
        switch (arg.kind) {
        case SetArg::Int:
            ok = ParseInteger(word, arg.lo, arg.hi, &value->numbers[a]);
            break;
        case SetArg::Source: {
            MAPI_INPUT_SOURCE_TYPE source = MAPI_INPUT_SOURCE_NONE;
            ok = ParseSource(word, &source);
            value->numbers[a] = source;
            break;
        }
        case SetArg::Choice:
            ok = ParseChoice(arg.label, word, &value->numbers[a]);
            break;
        case SetArg::Mac:
            ok = ParseMac(word, value->mac);
            break;
        case SetArg::Mux:
            value->known = word != "unknown";
            ok = !value->known || ParseInteger(word, 0, kU32Max, &value->numbers[a]);
            break;
        case SetArg::File:
            ok = word[0] == '/';
            value->text = word;
            break;
        case SetArg::Text:
            value->text = line.Rest(w);   // runs to the end of the line
            return true;
        case SetArg::None:
            break;
        }
        if (!ok) {
            *why = "not '" + word + "'";
            return false;
        }
    }
    return line.Size() == w;
}
