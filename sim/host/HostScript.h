// Script parsing and running for the desktop host.
#ifndef BRISKUI_SIM_HOSTSCRIPT_H
#define BRISKUI_SIM_HOSTSCRIPT_H

#include <string>
#include <vector>

#include "BriskTypes.h"

struct HostOptions {
    std::string root;
    int country = 0;             // 0: as the settings file says
    int language = 0;
    bool languageSet = false;
    std::string shotDir = ".";
    bool fastClock = false;
    std::string swVersion;
    std::string mstarVersion;
};

struct Command {
    enum Verb { Key, Wait, Event, Set, Shot, Quit } verb;
    int line = 0;
    U32 value = 0;               // key symbol, milliseconds, event id
    U32 param = 0;               // event parameter
    int source = 0;              // event source: 0 control, 1 atv, 2 dtv, 3 cimmi
    std::string name;            // set: state name; shot: file
    std::string text;            // set: value as written
};

// Key names of the script: VOL+, VOL-, MUTE, CH+, CH-, 0..9, OK, EXIT, UP,
// DOWN, SOURCE, DASH, ATVDTV, FACTORY, POWER, MENU, PLAY, PAUSE, STOP, INFO,
// or a number (0xF04C).
bool KeySymbolOf(const std::string& name, U32* symbol);

// Parses a whole script; on a bad line, `error` names the line.
bool ParseScript(const std::string& text, const std::string& fileName, std::vector<Command>* commands,
                 std::string* error);
bool ParseScriptFile(const std::string& path, std::vector<Command>* commands, std::string* error);

// Starts DirectFB with `dfbArgv`, the library on top of it, runs the
// commands and shuts everything down. Returns the process exit status.
int RunHost(const HostOptions& options, const std::vector<Command>& commands, std::vector<std::string> dfbArgv);

#endif  // BRISKUI_SIM_HOSTSCRIPT_H
