// briskui-sim: the desktop host. It does what the television's main process
// does with libbriskui.so (creates DirectFB and hands it to the middleware's
// system object, gets the manager, loads the settings, starts it, and at the
// end takes the IR keys back so that the library finalises itself), with the
// simulated middleware standing in for the television, and runs a script of
// remote-control keys, middleware events and screenshots.
#include <directfb.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "HostScript.h"
#include "PngWrite.h"
#include "SimTv.h"

namespace {

const char* const kHeadless = "--dfb:system=dummy,no-vt,quiet,mode=1280x720";

void Usage()
{
    fprintf(stderr,
            "usage: briskui-sim [options] [SCRIPT]\n"
            "  --root DIR        file-system root of the set (default: $BRISKUI_ROOT, else the\n"
            "                    sample root of the build)\n"
            "  --country 1|2     country group before start: 1 NA, 2 EU (default: settings file)\n"
            "  --language N      OSD language id of the simulated TV before start (5 German, ...)\n"
            "  --shots DIR       directory for relative screenshot names (default: .)\n"
            "  --fast-clock      'wait' moves the library's clock instead of sleeping\n"
            "  --sw-version S    software version handed to the library\n"
            "  --mstar-version S middleware version handed to the library\n"
            "  --dfb:...         DirectFB options (default: %s)\n"
            "SCRIPT verbs, one a line, # comments:\n"
            "  key NAME (VOL+ VOL- MUTE CH+ CH- 0..9 OK EXIT UP DOWN SOURCE DASH ATVDTV FACTORY\n"
            "  POWER MENU PLAY PAUSE STOP INFO or a key symbol such as 0xF04C) | wait MS | event ID PARAM [control|atv|dtv|cimmi] | set NAME VALUE |\n"
            "  shot FILE.png | quit\n",
            kHeadless);
}

}  // namespace

int main(int argc, char** argv)
{
    HostOptions options;
    std::vector<std::string> dfbArgs;
    std::string scriptPath;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> std::string {
            if (i + 1 >= argc) {
                fprintf(stderr, "briskui-sim: %s needs a value\n", name);
                exit(2);
            }
            return argv[++i];
        };
        if (arg.compare(0, 6, "--dfb:") == 0) {
            dfbArgs.push_back(arg);
        } else if (arg == "--root") {
            options.root = value("--root");
        } else if (arg == "--country") {
            std::string v = value("--country");
            if (v != "1" && v != "2") {
                fprintf(stderr, "briskui-sim: --country takes 1 (NA) or 2 (EU), not '%s'\n", v.c_str());
                return 2;
            }
            options.country = atoi(v.c_str());
        } else if (arg == "--language") {
            options.language = atoi(value("--language").c_str());
            options.languageSet = true;
        } else if (arg == "--shots") {
            options.shotDir = value("--shots");
        } else if (arg == "--fast-clock") {
            options.fastClock = true;
        } else if (arg == "--sw-version") {
            options.swVersion = value("--sw-version");
        } else if (arg == "--mstar-version") {
            options.mstarVersion = value("--mstar-version");
        } else if (arg == "-h" || arg == "--help") {
            Usage();
            return 0;
        } else if (!arg.empty() && arg[0] == '-') {
            fprintf(stderr, "briskui-sim: unknown option '%s'\n", arg.c_str());
            Usage();
            return 2;
        } else if (scriptPath.empty()) {
            scriptPath = arg;
        } else {
            fprintf(stderr, "briskui-sim: more than one script given\n");
            return 2;
        }
    }

    std::vector<Command> commands;
    if (!scriptPath.empty()) {
        std::string error;
        if (!ParseScriptFile(scriptPath, &commands, &error)) {
            fprintf(stderr, "briskui-sim: %s\n", error.c_str());
            return 2;
        }
    }

    if (!options.root.empty()) {
        setenv("BRISKUI_ROOT", options.root.c_str(), 1);
    } else if (getenv("BRISKUI_ROOT") == NULL) {
        setenv("BRISKUI_ROOT", BRISKUI_DEFAULT_ROOT, 1);
    }

    // DirectFB takes its options from the command line; headless unless the
    // caller chose otherwise here or in DFBARGS.
    std::vector<std::string> dfbArgv;
    dfbArgv.push_back(argv[0]);
    if (dfbArgs.empty() && getenv("DFBARGS") == NULL) dfbArgv.push_back(kHeadless);
    dfbArgv.insert(dfbArgv.end(), dfbArgs.begin(), dfbArgs.end());
    return RunHost(options, commands, dfbArgv);
}
