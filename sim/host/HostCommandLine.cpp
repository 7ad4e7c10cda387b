#include "HostCommandLine.h"

#include <string.h>

namespace {

bool TakeRoot(const std::string& v, HostCommandLine* l, std::string*)
{
    l->options.root = v;
    return true;
}

bool TakeCountry(const std::string& v, HostCommandLine* l, std::string* why)
{
    if (v != "1" && v != "2") {
        *why = "--country takes 1 (NA) or 2 (EU), not '" + v + "'";
        return false;
    }
    l->options.country = v[0] - '0';
    return true;
}

bool TakeLanguage(const std::string& v, HostCommandLine* l, std::string* why)
{
    U32 language = 0;
    if (!ParseU32(v, &language)) {
        *why = "--language takes a language id, not '" + v + "'";
        return false;
    }
    l->options.language = (int)language;
    l->options.languageSet = true;
    return true;
}

bool TakeShots(const std::string& v, HostCommandLine* l, std::string*)
{
    l->options.shotDir = v;
    return true;
}

bool TakeFastClock(const std::string&, HostCommandLine* l, std::string*)
{
    l->options.fastClock = true;
    return true;
}

bool TakeSwVersion(const std::string& v, HostCommandLine* l, std::string*)
{
    l->options.swVersion = v;
    return true;
}

bool TakeMstarVersion(const std::string& v, HostCommandLine* l, std::string*)
{
    l->options.mstarVersion = v;
    return true;
}

bool TakeDfb(const std::string& v, HostCommandLine* l, std::string*)
{
    l->dfbArgs.push_back("--dfb:" + v);
    return true;
}

bool TakeView(const std::string&, HostCommandLine* l, std::string*)
{
    l->view = true;
    return true;
}

bool TakeAudioGuidance(const std::string&, HostCommandLine* l, std::string*)
{
    l->options.audioGuidance = true;
    return true;
}

bool TakeSpeak(const std::string&, HostCommandLine* l, std::string*)
{
    l->options.audioGuidance = true;
    l->options.speak = true;
    return true;
}

bool TakeHelp(const std::string&, HostCommandLine* l, std::string*)
{
    l->help = true;
    return true;
}

// clang-format off
const HostOption kOptions[] = {
    { "--root", "DIR", "file-system root of the set (default: `$BRISKUI_ROOT`, else the build's sample root)",
      &TakeRoot },
    { "--country", "1|2",
      "country group before start: 1 NA, 2 EU (default: the script's `set country-group`, else the settings "
      "file); wins over the script, with a note", &TakeCountry },
    { "--language", "N",
      "OSD language id of the simulated TV before start (5 German: layouts from `GE/`); wins over the script's "
      "`set language`, with a note", &TakeLanguage },
    { "--shots", "DIR", "folder for relative screenshot names (default: the current folder)", &TakeShots },
    { "--fast-clock", NULL,
      "the library's clock becomes virtual: it starts at 0 ms and stands still but for `wait`, which moves it to "
      "each timer expiry within the wait in turn (a time-out is handled, and the screen composed, before the clock "
      "moves on) and then to the wait's end, at once; the library's own pauses (the steps of a first "
      "initialisation's progress) take no time", &TakeFastClock },
    { "--sw-version", "S", "software version handed to the library before start", &TakeSwVersion },
    { "--mstar-version", "S", "middleware version handed to the library before start", &TakeMstarVersion },
    { "--dfb:", "OPTIONS",
      "DirectFB options; without any, and without `DFBARGS`, DirectFB runs headless "
      "(`--dfb:system=dummy,no-vt,quiet,mode=1280x720`)", &TakeDfb },
    { "--view", NULL,
      "shows the library's screen in a window (needs a display) and takes the keyboard as the remote; stays "
      "open after the script until the window is closed", &TakeView },
    { "--audio-guidance", NULL,
      "audio guidance on for this run (the settings file stays as it is); every utterance is printed and "
      "recorded as a `Speak(...)` call", &TakeAudioGuidance },
    { "--speak", NULL,
      "also speaks the utterances through espeak-ng (`scripts/install-deps speech`); implies `--audio-guidance`",
      &TakeSpeak },
    { "--help", NULL, "prints this summary", &TakeHelp },
};

const HostExitStatus kExitStatuses[] = {
    { kExitOk, "the script ran and every expectation held" },
    { kExitRunFailure,
      "a run-time failure (DirectFB, a screenshot that could not be written, a `set` the TV could not take, the "
      "library not finalising, a `--fast-clock` wait whose time-outs the library did not handle within 60 s of real "
      "time)" },
    { kExitBadScript,
      "a bad option or script line, reported with its file, line number and reason before anything ran: an "
      "unknown word, a value out of range, a line holding a NUL byte, a script that is not a regular file (a "
      "folder, a FIFO) or cannot be read, a root (`--root`, `$BRISKUI_ROOT` or the build's sample root) that is "
      "not a folder; also a `wait` that would move the clock past its limit, when the script reaches it" },
    { kExitExpectation, "an expectation failed; the whole script ran" },
};
// clang-format on

}   // namespace

const HostOption* HostOptionTable(size_t* count)
{
    *count = sizeof(kOptions) / sizeof(kOptions[0]);
    return kOptions;
}

const HostExitStatus* HostExitStatuses(size_t* count)
{
    *count = sizeof(kExitStatuses) / sizeof(kExitStatuses[0]);
    return kExitStatuses;
}

bool ParseHostCommandLine(int argc, char** argv, HostCommandLine* line, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const HostOption* found = NULL;
        std::string value;
        for (const HostOption& o : kOptions) {
            size_t n = strlen(o.name);
            bool joined = o.name[n - 1] == ':';
            if (joined ? arg.compare(0, n, o.name) == 0 : arg == o.name) {
                found = &o;
                if (joined) value = arg.substr(n);
                break;
            }
        }
        if (arg == "-h") {
            line->help = true;
            continue;
        }
        if (found == NULL && !arg.empty() && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return false;
        }
        if (found == NULL) {
            if (!line->scriptPath.empty()) {
                *error = "more than one script given";
                return false;
            }
            line->scriptPath = arg;
            continue;
        }
        if (found->value != NULL && found->name[strlen(found->name) - 1] != ':') {
            if (i + 1 >= argc) {
                *error = std::string(found->name) + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (!found->apply(value, line, error)) return false;
    }
    line->options.scriptName = line->scriptPath;
    return true;
}

std::string PlainHelp(const char* text)
{
    std::string plain;
    for (const char* p = text; *p != '\0'; ++p)
        if (*p != '`') plain += *p;
    return plain;
}
