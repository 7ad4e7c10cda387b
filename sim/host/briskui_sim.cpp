// briskui-sim: the desktop host. It does what the television's main process
// does with libbriskui.so (creates DirectFB and hands it to the middleware's
// system object, gets the manager, loads the settings, starts it, and at the
// end takes the IR keys back so that the library finalises itself), with the
// simulated middleware standing in for the television, and runs a script of
// remote-control keys, middleware events and screenshots.
#include <directfb.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "HostScript.h"
#include "LiveView.h"

namespace {

const char* const kHeadless = "--dfb:system=dummy,no-vt,quiet,mode=1280x720";

// Words of `words` joined with blanks and wrapped at 78 columns after
// `indent`.
std::string Wrapped(const std::vector<std::string>& words, const char* indent)
{
    std::string text = indent, line;
    for (const std::string& w : words) {
        if (!line.empty() && line.size() + 1 + w.size() + strlen(indent) > 78) {
            text += line + "\n" + indent;
            line.clear();
        }
        line += (line.empty() ? "" : " ") + w;
    }
    return text + line + "\n";
}

void Usage()
{
    fprintf(stderr,
            "usage: briskui-sim [options] [SCRIPT]\n"
            "  --root DIR        file-system root of the set (default: $BRISKUI_ROOT, else the\n"
            "                    sample root of the build)\n"
            "  --country 1|2     country group before start: 1 NA, 2 EU (default: the script's\n"
            "                    'set country-group', else the settings file); wins over the script\n"
            "  --language N      OSD language id of the simulated TV before start (5 German, ...);\n"
            "                    wins over the script's 'set language'\n"
            "  --shots DIR       directory for relative screenshot names (default: .)\n"
            "  --fast-clock      'wait' moves the library's clock instead of sleeping; the\n"
            "                    library's own pauses take no time\n"
            "  --sw-version S    software version handed to the library\n"
            "  --mstar-version S middleware version handed to the library\n"
            "  --dfb:...         DirectFB options (default: %s)\n"
            "  --view            shows the library's screen in a window (needs a display) and\n"
            "                    takes the keyboard as the remote; stays open after the script\n"
            "                    until the window is closed\n"
            "  --audio-guidance  audio guidance on for this run (the settings file stays as it is);\n"
            "                    every utterance is printed and recorded as a Speak(...) call\n"
            "  --speak           also speaks the utterances through espeak-ng (scripts/install-deps\n"
            "                    speech); implies --audio-guidance\n"
            "SCRIPT lines, one a line, # comments:\n"
            "  key NAME          VOL+ VOL- MUTE CH+ CH- 0..9 OK EXIT UP DOWN SOURCE DASH ATVDTV\n"
            "                    FACTORY POWER MENU PLAY PAUSE STOP INFO, or a key symbol (0xF04C)\n"
            "  wait MS | event ID PARAM [control|atv|dtv|cimmi] | shot FILE.png | quit\n"
            "  set NAME VALUE... simulated TV state; lines before the first key, wait, event,\n"
            "                    call, shot or expect-* line apply before the library starts\n"
            "  channel atv|dtv NUMBER[-MINOR] [locked] [no-number] NAME...\n"
            "  call NAME [ARGS...]  a manager operation; prints 'briskui-sim: NAME = VALUE'\n"
            "  expect-call CALL | expect-no-call CALL | expect-status HEX | clear-calls | calls\n"
            "  expect-result TEXT   the last call printed TEXT (\"quoted\" keeps end blanks)\n"
            "  keyfile remove|empty NAME | keyfile corrupt NAME [OFFSET]\n"
            "                    changes /ciplus/NAME on a scratch copy of the root\n"
            "window keys (--view), PC key and remote key:\n%s"
            "set names:\n%s"
            "call operations:\n%s"
            "exit status: 0 success, 1 run-time failure, 2 bad option, script line or root\n"
            "(nothing run), 3 a failed expectation (after the whole script ran)\n",
            kHeadless, Wrapped(ViewKeyHelp(), "  ").c_str(), Wrapped(SetNames(), "  ").c_str(),
            Wrapped(ManagerOperationNames(), "  ").c_str());
}

}   // namespace

int main(int argc, char** argv)
{
    HostOptions options;
    std::vector<std::string> dfbArgs;
    std::string scriptPath;
    bool view = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> std::string {
            if (i + 1 >= argc) {
                fprintf(stderr, "briskui-sim: %s needs a value\n", name);
                exit(kExitBadScript);
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
                return kExitBadScript;
            }
            options.country = atoi(v.c_str());
        } else if (arg == "--language") {
            std::string v = value("--language");
            U32 language = 0;
            if (!ParseU32(v, &language)) {
                fprintf(stderr, "briskui-sim: --language takes a language id, not '%s'\n", v.c_str());
                return kExitBadScript;
            }
            options.language = (int)language;
            options.languageSet = true;
        } else if (arg == "--shots") {
            options.shotDir = value("--shots");
        } else if (arg == "--view") {
            view = true;
        } else if (arg == "--fast-clock") {
            options.fastClock = true;
        } else if (arg == "--audio-guidance") {
            options.audioGuidance = true;
        } else if (arg == "--speak") {
            options.audioGuidance = true;
            options.speak = true;
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
            return kExitBadScript;
        } else if (scriptPath.empty()) {
            scriptPath = arg;
        } else {
            fprintf(stderr, "briskui-sim: more than one script given\n");
            return kExitBadScript;
        }
    }

    std::vector<Command> commands;
    options.scriptName = scriptPath;
    if (!scriptPath.empty()) {
        std::string error;
        if (!ParseScriptFile(scriptPath, &commands, &error)) {
            fprintf(stderr, "briskui-sim: %s\n", error.c_str());
            return kExitBadScript;
        }
    }

    // A root that is not there would start the library on no files at all
    // and still succeed. An empty BRISKUI_ROOT is the set's own "/".
    const char* rootSource = "--root";
    if (options.root.empty()) {
        const char* env = getenv("BRISKUI_ROOT");
        options.root = env != NULL ? env : BRISKUI_DEFAULT_ROOT;
        rootSource = env != NULL ? "BRISKUI_ROOT" : "the build's sample root";
    }
    int rootError = 0;
    struct stat st;
    if (!options.root.empty()) {
        if (stat(options.root.c_str(), &st) != 0)
            rootError = errno;
        else if (!S_ISDIR(st.st_mode))
            rootError = ENOTDIR;
    }
    if (rootError != 0) {
        fprintf(stderr, "briskui-sim: %s %s: %s\n", rootSource, options.root.c_str(), strerror(rootError));
        return kExitBadScript;
    }
    setenv("BRISKUI_ROOT", options.root.c_str(), 1);

    // A script that changes key files runs on a scratch root of its own,
    // so that the root it was given (often the shared sample root) stays
    // as it is.
    if (ChangesKeyFiles(commands)) {
        std::string error;
        std::string given = getenv("BRISKUI_ROOT");
        if (!MakeScratchRoot(given, &options.keyFileRoot, &error)) {
            fprintf(stderr, "briskui-sim: %s\n", error.c_str());
            return kExitRunFailure;
        }
        setenv("BRISKUI_ROOT", options.keyFileRoot.c_str(), 1);
        printf("briskui-sim: running on %s, a scratch root over %s whose key files the script may change\n",
               options.keyFileRoot.c_str(), given.c_str());
    }

    // DirectFB takes its options from the command line; headless unless the
    // caller chose otherwise here or in DFBARGS.
    std::vector<std::string> dfbArgv;
    dfbArgv.push_back(argv[0]);
    if (dfbArgs.empty() && getenv("DFBARGS") == NULL) dfbArgv.push_back(kHeadless);
    dfbArgv.insert(dfbArgv.end(), dfbArgs.begin(), dfbArgs.end());
    int status = view ? RunHostWithView(options, commands, dfbArgv) : RunHost(options, commands, dfbArgv);
    if (!options.keyFileRoot.empty()) RemoveScratchRoot(options.keyFileRoot);
    return status;
}
