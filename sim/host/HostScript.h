// Script parsing and running for the desktop host.
#ifndef BRISKUI_SIM_HOSTSCRIPT_H
#define BRISKUI_SIM_HOSTSCRIPT_H

#include <string>
#include <vector>

#include "BriskTypes.h"
#include "HostCalls.h"
#include "HostKeyFiles.h"
#include "HostSets.h"
#include "HostView.h"
#include "SimTv.h"

// Exit statuses of the host.
enum {
    kExitOk = 0,
    kExitRunFailure = 1,   // something failed while running (DirectFB, a screenshot, ...)
    kExitBadScript = 2,    // a bad option or script line, found before running
    kExitExpectation = 3   // an expectation failed; the whole script still ran
};

struct HostOptions {
    std::string root;
    int country = 0;   // 0: as the settings file (or the script) says
    int language = 0;
    bool languageSet = false;
    std::string shotDir = ".";
    bool fastClock = false;
    std::string swVersion;
    std::string mstarVersion;
    std::string scriptName;   // as given, for messages
    // The scratch root whose key files `keyfile` lines may change; empty
    // when the host runs on the root it was given (the lines are refused).
    std::string keyFileRoot;
    // The live window (--view), or null when the host runs headless.
    HostView* view = nullptr;
    // --audio-guidance: guidance on for this run, whatever the settings
    // file and the script say.
    bool audioGuidance = false;
    // --speak: utterances spoken through espeak-ng (when installed) besides
    // being printed.
    bool speak = false;
    // Each shot also writes what was said since the shot before, one
    // utterance a line, beside the image (FILE.png: FILE.txt); utterances
    // still waiting for the keys to pause are said first (the gallery).
    bool speechNotes = false;
};

struct Command {
    enum Verb {
        Key,
        Wait,
        Event,
        Set,
        Channel,
        Call,
        Shot,
        ExpectCall,
        ExpectNoCall,
        ExpectCount,
        ExpectStatus,
        ExpectResult,
        KeyFile,
        ClearCalls,
        Calls,
        Quit
    } verb = Quit;
    int line = 0;
    U32 value = 0;      // key symbol, event id, expected status set or count
    U32 param = 0;      // event parameter
    U64 ms = 0;         // wait: milliseconds
    int source = 0;     // event source: 0 control, 1 atv, 2 dtv, 3 cimmi
    std::string name;   // key name, shot file, expected call or result, key file
    const SetRow* set = nullptr;
    SetValue setValue;
    const ManagerOperation* call = nullptr;
    CallArgs callArgs;
    KeyFileChange keyFileChange = KeyFileChange::Remove;
    int tuner = 0;   // channel: 0 ATV, 1 DTV
    sim::Channel channel;

    // Whether the line needs the running library: the host starts it before
    // the first such line, and every line before that one runs before Start.
    bool NeedsLibrary() const;
};

// One verb of the script language, for the parser, --help and the
// reference of docs/host-scripts.md (briskui-docs prints it).
struct ScriptVerb {
    const char* name;
    Command::Verb verb;
    // Lines before the first verb that needs the running library run
    // before Start.
    bool needsLibrary;
    bool (*parse)(const ScriptLine& line, Command* command, std::string* why);
    const char* usage;   // the shape of its line, e.g. "wait MS"
    const char* help;    // what it does (Markdown: `code` in backquotes)
};
// The verbs, in the order the reference lists them, and their number.
const ScriptVerb* ScriptVerbs(size_t* count);

// Key names of the script: VOL+, VOL-, MUTE, CH+, CH-, 0..9, OK, EXIT, UP,
// DOWN, SOURCE, DASH, ATVDTV, FACTORY, POWER, MENU, PLAY, PAUSE, STOP, INFO,
// or a number (0xF04C).
bool KeySymbolOf(const std::string& name, U32* symbol);
// The key names above, digits last.
std::vector<std::string> KeyNames();

// Parses a whole script; on a bad line, `error` names the line.
bool ParseScript(const std::string& text, const std::string& fileName, std::vector<Command>* commands,
                 std::string* error);
bool ParseScriptFile(const std::string& path, std::vector<Command>* commands, std::string* error);
// Whether any line of the script changes a key file (and so needs a
// scratch root).
bool ChangesKeyFiles(const std::vector<Command>& commands);

// Runs the lines that come before the first one that needs the running
// library against the simulated TV and `host`, in order. Returns the index
// of the first line not run; sets `stop` when the script ended with 'quit'
// and `status` to kExitRunFailure when a line failed.
size_t RunBeforeStart(const HostOptions& options, const std::vector<Command>& commands, HostState* host, bool* stop,
                      int* status);

// Starts DirectFB with `dfbArgv`, the library on top of it, runs the
// commands and shuts everything down. Returns the process exit status.
int RunHost(const HostOptions& options, const std::vector<Command>& commands, std::vector<std::string> dfbArgv);

#endif   // BRISKUI_SIM_HOSTSCRIPT_H
