// The state a script may `set`: one table of name, argument shapes and what
// it changes on the simulated TV or in the host (HostSets.cpp).
#ifndef BRISKUI_SIM_HOSTSETS_H
#define BRISKUI_SIM_HOSTSETS_H

#include <string>
#include <vector>

#include "BriskTypes.h"
#include "ScriptLine.h"
#include "SimTv.h"

// What the host keeps between script lines.
struct HostState {
    bool started = false;   // the library is running
    int countryGroup = 0;   // from 'set country-group', 0 when not given
    int countryGroupLine = 0;
    int languageLine = 0;   // line of a 'set language' before start
    // From 'set first-initialization': the settings file's first-initialisation
    // flag as the library starts, -1 when the file's own value stands.
    int firstInitialization = -1;
    // From 'set audio-guidance' before start: audio guidance as the library
    // starts, -1 when the settings file's value stands.
    int audioGuidance = -1;
    U32 language = 0;
    // The script's channel lists, which replace the simulated TV's sample
    // lists from a tuner's first 'channel' line on.
    std::vector<sim::Channel> channels[2];   // [0] ATV, [1] DTV
};

// The parsed arguments of one 'set' line.
struct SetValue {
    long long numbers[2] = { 0, 0 };
    std::string text;   // TEXT, or FILE resolved under the root at run time
    U8 mac[6] = { 0, 0, 0, 0, 0, 0 };
    bool known = true;   // mux: false for 'unknown'
};

struct SetArg {
    enum Kind { None, Int, Source, Choice, Mac, Mux, File, Text } kind;
    long long lo;   // Int: the range
    long long hi;
    // Choice: the words it takes ("ethernet|wlan"); Int: the name the usage
    // gives it ("ROUTE"), or null.
    const char* label;
};

struct SetRow {
    const char* name;
    const char* help;   // what it stands for (Markdown: `code` in backquotes)
    SetArg args[2];
    // Read by the library only while it starts: refused once it runs.
    bool beforeStartOnly;
    // Applies the value; false with the reason in `error` when the state the
    // script meets at run time cannot take it.
    bool (*apply)(const SetValue& value, int line, HostState* host, std::string* error);
};

// The row called `name`; null when there is none.
const SetRow* FindSetRow(const std::string& name);
// Every state name, in table order.
std::vector<std::string> SetNames();
// The rows, in table order, and their number.
const SetRow* SetRows(size_t* count);
// What the arguments of `row` look like, e.g. "ROUTE TYPE" or "0|1".
std::string SetUsage(const SetRow& row);
// Reads the arguments of `row` from `line`, starting at word 2.
bool ParseSetValue(const SetRow& row, const ScriptLine& line, SetValue* value, std::string* why);

// Input sources by script name ("hdmi2") or number (0 to 39).
bool ParseSource(const std::string& word, MAPI_INPUT_SOURCE_TYPE* source);

#endif   // BRISKUI_SIM_HOSTSETS_H
