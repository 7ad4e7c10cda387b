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

#include "HostCommandLine.h"
#include "HostScript.h"
#include "LiveView.h"

namespace {

// `text` wrapped at 78 columns: the first line starts with `first`, the
// others with `indent`.
std::string Wrapped(const std::string& first, const std::string& indent, const std::string& text)
{
    std::string out = first, line;
    size_t width = first.size();
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && width + line.size() + 1 + word.size() > 78) {
            out += line + "\n" + indent;
            width = indent.size();
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return out + line + "\n";
}

// Words joined with blanks and wrapped after `indent`.
std::string WrappedList(const std::vector<std::string>& words, const char* indent)
{
    std::string text;
    for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
    return Wrapped(indent, indent, text);
}

// A table entry: `head` in a column of 20, then `help`.
std::string Entry(const std::string& head, const std::string& help)
{
    std::string first = "  " + head;
    first += first.size() < 20 ? std::string(20 - first.size(), ' ') : "\n" + std::string(20, ' ');
    return Wrapped(first, std::string(20, ' '), help);
}

// Everything the host takes, from its own tables.
void Usage()
{
    std::string text = "usage: briskui-sim [options] [SCRIPT]\n";
    size_t count = 0;
    const HostOption* options = HostOptionTable(&count);
    for (size_t i = 0; i < count; ++i) {
        std::string name = options[i].name;
        if (options[i].value != NULL) name += (name.back() == ':' ? "" : " ") + std::string(options[i].value);
        text += Entry(name, PlainHelp(options[i].help));
    }
    text +=
        "SCRIPT lines, one a line, # comments; the lines before the first that needs the\n"
        "running library apply before it starts:\n";
    const ScriptVerb* verbs = ScriptVerbs(&count);
    for (size_t i = 0; i < count; ++i) text += "  " + std::string(verbs[i].usage) + "\n";
    text += "key names:\n" + WrappedList(KeyNames(), "  ");
    std::vector<std::string> keys;
    for (const ViewKey& k : ViewKeyLabels()) {
        std::string pcKeys;
        for (const std::string& pc : k.pcKeys) pcKeys += (pcKeys.empty() ? "" : "/") + pc;
        keys.push_back(pcKeys + " " + k.remote + ",");
    }
    keys.push_back(keys.empty() ? "(none: this build has no window)" : "Q closes the window");
    text += "window keys (--view), PC key and remote key:\n" + WrappedList(keys, "  ");
    text += "set names:\n" + WrappedList(SetNames(), "  ");
    text += "call operations:\n" + WrappedList(ManagerOperationNames(), "  ");
    text += "exit status:\n";
    const HostExitStatus* statuses = HostExitStatuses(&count);
    for (size_t i = 0; i < count; ++i) text += Entry(std::to_string(statuses[i].status), PlainHelp(statuses[i].help));
    fputs(text.c_str(), stderr);
}

}   // namespace

int main(int argc, char** argv)
{
    HostCommandLine line;
    std::string error;
    if (!ParseHostCommandLine(argc, argv, &line, &error)) {
        fprintf(stderr, "briskui-sim: %s\n", error.c_str());
        if (error.compare(0, 7, "unknown") == 0) Usage();
        return kExitBadScript;
    }
    if (line.help) {
        Usage();
        return 0;
    }
    HostOptions& options = line.options;
    const std::string& scriptPath = line.scriptPath;

    std::vector<Command> commands;
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
    if (line.dfbArgs.empty() && getenv("DFBARGS") == NULL) dfbArgv.push_back(kHostHeadlessDfb);
    dfbArgv.insert(dfbArgv.end(), line.dfbArgs.begin(), line.dfbArgs.end());
    int status = line.view ? RunHostWithView(options, commands, dfbArgv) : RunHost(options, commands, dfbArgv);
    if (!options.keyFileRoot.empty()) RemoveScratchRoot(options.keyFileRoot);
    return status;
}
