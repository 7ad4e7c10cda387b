// The command line of briskui-sim: one table of options, each with the
// shape of its value, what it does and how it applies, read by the parser,
// by --help and by the reference of docs/host-scripts.md (briskui-docs
// prints it); and the host's exit statuses, described the same way.
#ifndef BRISKUI_SIM_HOSTCOMMANDLINE_H
#define BRISKUI_SIM_HOSTCOMMANDLINE_H

#include <stddef.h>

#include <string>
#include <vector>

#include "HostScript.h"

// DirectFB's options when neither --dfb: nor DFBARGS give any: headless.
inline constexpr const char kHostHeadlessDfb[] = "--dfb:system=dummy,no-vt,quiet,mode=1280x720";

// What the command line asks for.
struct HostCommandLine {
    HostOptions options;
    std::vector<std::string> dfbArgs;   // the --dfb: words, as given
    std::string scriptPath;             // empty: no script
    bool view = false;
    bool help = false;
};

struct HostOption {
    // "--root"; a name ending in ':' takes its value in the same word
    // ("--dfb:OPTIONS").
    const char* name;
    const char* value;   // the value's shape ("DIR"); null for an option without one
    const char* help;    // what it does (Markdown: `code` in backquotes)
    // Applies the option's value; false with the reason in `why`.
    bool (*apply)(const std::string& value, HostCommandLine* line, std::string* why);
};

// The options, in the order --help lists them, and their number.
const HostOption* HostOptionTable(size_t* count);

// Reads argv into `line`; false with the reason in `error` (an unknown
// option, a missing or bad value, a second script).
bool ParseHostCommandLine(int argc, char** argv, HostCommandLine* line, std::string* error);

struct HostExitStatus {
    int status;
    const char* help;   // what it means (Markdown)
};
// The exit statuses of the host, and their number.
const HostExitStatus* HostExitStatuses(size_t* count);

// `text` without the Markdown backquotes, for the terminal.
std::string PlainHelp(const char* text);

#endif   // BRISKUI_SIM_HOSTCOMMANDLINE_H
