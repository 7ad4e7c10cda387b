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
    { "source",
      "the current input source",
      { Of(SetArg::Source), kNone },
      false,
      SIM(sim::SetInputSource(v.numbers[0])) },
    { "volume", "the stored and applied volume", { Int(0, 100), kNone }, false, SIM(sim::SetVolume(Byte0(v))) },
    { "channel",
      "the current channel: its position, 0 first, in the current tuner's list (ATV when the input is ATV, DTV "
      "otherwise); a position the list lacks stops the script (status 1)",
      { Int(0, 65535, "INDEX"), kNone },
      false,
      &SetChannel },
    { "program-info-fails",
      "the channel manager's program query fails",
      { Flag(), kNone },
      false,
      SIM(sim::SetProgramInfoFails(On(v))) },
    { "source-present",
      "whether the set has that input (source list)",
      { Of(SetArg::Source), Flag() },
      false,
      SIM(sim::SetSourcePresent((MAPI_INPUT_SOURCE_TYPE)v.numbers[0], v.numbers[1] != 0)) },
    { "rear-shared",
      "the rear video input is shared between composite and component",
      { Flag(), kNone },
      false,
      SIM(sim::SetRearSharedInput(On(v))) },
    { "last-tv",
      "the last TV source type (1: analogue)",
      { Byte(), kNone },
      false,
      SIM(sim::SetLastTvSourceType(Byte0(v))) },
    { "av-mute",
      "the DTV player's audio/video mute flag",
      { Number(), kNone },
      false,
      SIM(sim::SetAvMuteFlag(U32_0(v))) },
    // settings of the system database
    { "pin", "the stored PIN", { Int(0, 9999), kNone }, false, SIM(sim::SetPin((U16)v.numbers[0])) },
    { "language",
      "the OSD language id (5 German, 468 UK, ...); before start it chooses the layout folder",
      { Number(), kNone },
      false,
      &SetLanguage },
    { "country", "the system country", { Number(), kNone }, false, SIM(sim::SetCountry(U32_0(v))) },
    { "cable-operator", "the system cable operator", { Number(), kNone }, false, SIM(sim::SetCableOperator(U32_0(v))) },
    { "antenna-mode",
      "the antenna-mode byte of the system database",
      { Byte(), kNone },
      false,
      SIM(sim::SetAntennaMode(Byte0(v))) },
    { "satellite-mode",
      "the satellite-mode byte of the system database",
      { Byte(), kNone },
      false,
      SIM(sim::SetSatelliteMode(Byte0(v))) },
    // DTV routes and the satellite tuner
    { "route", "the current DTV route", { Int(0, 3), kNone }, false, SIM(sim::SetCurrentRoute(Byte0(v))) },
    { "route-path",
      "the route-path type of a route in the TV information (1, 32 antenna; 2 cable; 4, 64 satellite)",
      { Int(0, 3, "ROUTE"), Byte("TYPE") },
      false,
      SIM(sim::SetRoutePath(Byte0(v), (U8)v.numbers[1])) },
    { "satellite-capable",
      "the TV information's satellite bit",
      { Flag(), kNone },
      false,
      SIM(sim::SetSatelliteCapability(On(v))) },
    { "dvbs-player", "the DTV player is the satellite one", { Flag(), kNone }, false, SIM(sim::SetDvbsPlayer(On(v))) },
    { "dvbs-tuner", "the set has a satellite tuner", { Flag(), kNone }, false, SIM(sim::SetDvbsEnabled(On(v))) },
    { "satellites",
      "that many blank stored satellites",
      { Int(0, 255, "COUNT"), kNone },
      false,
      SIM(sim::SetSatellites(std::vector<MS_SAT_INFO>((size_t)v.numbers[0], MS_SAT_INFO{}))) },
    { "mux",
      "the current multiplex's flag word, or no multiplex known",
      { Of(SetArg::Mux), kNone },
      false,
      SIM(sim::SetMuxInfo(v.known, U32_0(v))) },
    // factory
    { "factory-code",
      "the factory code",
      { Int(0, 65535), kNone },
      false,
      SIM(sim::SetFactoryCode((U16)v.numbers[0])) },
    { "factory-mmode", "factory M-mode", { Flag(), kNone }, false, SIM(sim::SetFactoryMmode(On(v))) },
    { "factory-data",
      "one byte of the factory data store",
      { Int(0, 65535, "ITEM"), Byte("VALUE") },
      false,
      SIM(sim::SetFactoryData((U16)v.numbers[0], (U8)v.numbers[1])) },
    { "hotel-mode",
      "the hotel-mode byte of the factory data",
      { Byte(), kNone },
      false,
      SIM(sim::SetFactoryData(kHotelModeItem, Byte0(v))) },
    { "hotel-max-volume",
      "the hotel mode's maximum volume byte of the factory data",
      { Byte(), kNone },
      false,
      SIM(sim::SetFactoryData(kHotelMaxVolumeItem, Byte0(v))) },
    { "mac",
      "a MAC address of the network service",
      { Of(SetArg::Choice, "ethernet|wlan"), Of(SetArg::Mac) },
      false,
      SIM(v.numbers[0] == 0 ? sim::SetEthernetMac(v.mac) : sim::SetWifiMac(v.mac)) },
    { "temperature",
      "the main-board temperature sensor",
      { Int(-32768, 32767, "DEGREES"), Byte("STATUS") },
      false,
      SIM(sim::SetTemperature((S16)v.numbers[0], (U8)v.numbers[1])) },
    { "edid",
      "the EDID check of an HDMI port",
      { Int(1, 4, "PORT"), Byte("RESULT") },
      false,
      SIM(sim::SetEdidChecksum(Byte0(v), (U8)v.numbers[1])) },
    { "hmac",
      "forces the verdict on the seal of a key file (a path of the set, such as `/ciplus/hdcp2_key.bin`, resolved "
      "under the root): `1` intact, `0` broken; `seal` goes back to checking the file's own seal",
      { Of(SetArg::File), Of(SetArg::Choice, "0|1|seal") },
      false,
      &SetHmac },
    { "mboot-version",
      "the boot loader version (the rest of the line)",
      { Of(SetArg::Text), kNone },
      false,
      SIM(sim::SetMbootVersion(v.text)) },
    // the host itself
    { "boot-seconds",
      "the host's boot clock (`TotalTicksInSeconds`)",
      { Number(), kNone },
      false,
      SIM(BriskUiManager::TotalTicksInSeconds = U32_0(v)) },
    { "country-group",
      "the country group (1 NA, 2 EU); `--country` wins over it",
      { Int(1, 2), kNone },
      true,
      &SetCountryGroup },
    { "first-initialization",
      "the settings file's first-initialisation flag: with 1 the library starts in a first initialisation (the "
      "progress bar with its title, keys ignored) without the file being changed; under `--fast-clock` the progress "
      "runs through at once and the script's next line waits for its end",
      { Flag(), kNone },
      true,
      [](const SetValue& v, int, HostState* host, std::string*) {
          host->firstInitialization = On(v) ? 1 : 0;
          return true;
      } },
    { "audio-guidance",
      "audio guidance: before start it wins over the settings file (which stays as it is), after it switches "
      "guidance at once",
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
    case SetArg::Source: {
        std::string names = "SOURCE(0.." + std::to_string(MAPI_INPUT_SOURCE_NUM - 1);
        for (const SourceName& s : kSources) names += "|" + std::string(s.name);
        return names + ")";
    }
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

const SetRow* SetRows(size_t* count)
{
    *count = sizeof(kRows) / sizeof(kRows[0]);
    return kRows;
}

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
