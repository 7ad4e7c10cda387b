// Parsing of host scripts: one table of verbs, each with its parser.
#include "HostScript.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "BriskPlatform.h"

namespace {

struct KeyName {
    const char* name;
    U32 symbol;
};

const KeyName kKeys[] = {
    { "VOL+", 0xF04C }, { "VOL-", 0xF04D },   { "MUTE", 0xF04E },    { "CH+", 0xF046 },   { "CH-", 0xF047 },
    { "OK", 0x0D },     { "EXIT", 0xF062 },   { "UP", 0xF002 },      { "DOWN", 0xF003 },  { "SOURCE", 0xF068 },
    { "DASH", 0xF073 }, { "ATVDTV", 0xF53F }, { "FACTORY", 0xF54F }, { "POWER", 0xF00F }, { "MENU", 0xF012 },
    { "PLAY", 0xF051 }, { "PAUSE", 0xF00A },  { "STOP", 0xF052 },    { "INFO", 0xF014 },
};

bool Fail(std::string* why, const std::string& reason)
{
    *why = reason;
    return false;
}

bool ParseKey(const ScriptLine& l, Command* c, std::string* why)
{
    if (l.Size() != 2) return Fail(why, "'key' takes one key name");
    if (!KeySymbolOf(l.Word(1), &c->value)) return Fail(why, "unknown key '" + l.Word(1) + "'");
    c->name = l.Word(1);
    return true;
}

bool ParseWait(const ScriptLine& l, Command* c, std::string* why)
{
    if (l.Size() != 2) return Fail(why, "'wait' takes milliseconds");
    const std::string ms = l.Word(1);
    bool tooLarge = false;
    if (!ParseU64(ms, &c->ms, &tooLarge))
        return Fail(why,
                    tooLarge ? "'wait " + ms + "': the milliseconds do not fit 64 bits" : "'wait' takes milliseconds");
    if (c->ms > kBriskClockLimitMs)
        return Fail(why, "'wait " + ms + "' passes the clock's limit of " + std::to_string(kBriskClockLimitMs) + " ms");
    return true;
}

bool ParseEvent(const ScriptLine& l, Command* c, std::string* why)
{
    if (l.Size() < 3 || l.Size() > 4) return Fail(why, "'event' takes an id, a parameter and an optional source");
    if (!ParseU32(l.Word(1), &c->value) || !ParseU32(l.Word(2), &c->param))
        return Fail(why, "'event' id and parameter must be numbers");
    if (l.Size() == 4) {
        const char* sources[] = { "control", "atv", "dtv", "cimmi" };
        c->source = -1;
        for (int s = 0; s < 4; ++s)
            if (l.Word(3) == sources[s]) c->source = s;
        if (c->source < 0) return Fail(why, "unknown event source '" + l.Word(3) + "' (control, atv, dtv, cimmi)");
    }
    return true;
}

bool ParseSet(const ScriptLine& l, Command* c, std::string* why)
{
    if (l.Size() < 2) return Fail(why, "'set' takes a name and a value");
    c->set = FindSetRow(l.Word(1));
    if (c->set == nullptr) return Fail(why, "unknown state '" + l.Word(1) + "'");
    std::string detail;
    if (!ParseSetValue(*c->set, l, &c->setValue, &detail))
        return Fail(why, "'set " + l.Word(1) + "' takes " + SetUsage(*c->set) +
                             (detail.empty() ? std::string() : ", " + detail));
    return true;
}

// A channel number, MAJOR or MAJOR-MINOR (digital only).
bool ParseChannelNumber(const std::string& word, bool digital, sim::Channel* channel)
{
    size_t dash = word.find('-');
    if (dash == std::string::npos) return ParseU32(word, &channel->number);
    channel->hasMinor = true;
    return digital && ParseU32(word.substr(0, dash), &channel->number) &&
           ParseU32(word.substr(dash + 1), &channel->minor);
}

// channel atv|dtv NUMBER[-MINOR] [locked] [no-number] NAME...
bool ParseChannel(const ScriptLine& l, Command* c, std::string* why)
{
    const char* usage =
        "'channel' takes atv|dtv, a number (dtv: MAJOR-MINOR too), optionally locked and "
        "no-number, and a service name";
    if (l.Size() < 4) return Fail(why, usage);
    if (l.Word(1) != "atv" && l.Word(1) != "dtv") return Fail(why, std::string(usage) + ", not '" + l.Word(1) + "'");
    c->tuner = l.Word(1) == "atv" ? 0 : 1;
    if (!ParseChannelNumber(l.Word(2), c->tuner == 1, &c->channel))
        return Fail(why, std::string(usage) + ", not '" + l.Word(2) + "'");
    size_t w = 3;
    for (;; ++w) {
        if (l.Word(w) == "locked")
            c->channel.locked = true;
        else if (l.Word(w) == "no-number")
            c->channel.hideNumber = true;
        else
            break;
    }
    c->channel.name = l.Rest(w);
    if (c->channel.name.empty()) return Fail(why, usage);
    return true;
}

bool ParseCall(const ScriptLine& l, Command* c, std::string* why)
{
    if (l.Size() < 2) return Fail(why, "'call' takes a manager operation and its arguments");
    c->call = FindManagerOperation(l.Word(1));
    if (c->call == nullptr) return Fail(why, "unknown manager operation '" + l.Word(1) + "'");
    std::string detail;
    if (!c->call->parse(l, 2, &c->callArgs, &detail)) {
        std::string usage = c->call->usage();
        return Fail(why, "'call " + l.Word(1) + "' takes " + (usage.empty() ? "no arguments" : usage) +
                             (detail.empty() ? std::string() : ", " + detail));
    }
    return true;
}

bool ParseShot(const ScriptLine& l, Command* c, std::string* why)
{
    if (l.Size() != 2) return Fail(why, "'shot' takes one file name");
    c->name = l.Word(1);
    if (c->name.size() < 5 || c->name.compare(c->name.size() - 4, 4, ".png") != 0)
        return Fail(why, "'shot' writes a .png file");
    return true;
}

// A call has no blanks but in the quoted text of an utterance
// (Speak(VolumeHandler,1,"Volume 21"), where \" and \\ stand for " and \).
bool BlanksOnlyQuoted(const std::string& call)
{
    bool quoted = false;
    for (size_t i = 0; i < call.size(); ++i) {
        if (quoted && call[i] == '\\')
            ++i;
        else if (call[i] == '"')
            quoted = !quoted;
        else if (!quoted && (call[i] == ' ' || call[i] == '\t'))
            return false;
    }
    return !quoted;
}

bool ParseExpectedCall(const ScriptLine& l, Command* c, std::string* why)
{
    c->name = l.Rest(1);
    if (l.Size() < 2 || !BlanksOnlyQuoted(c->name))
        return Fail(why, "'" + l.Word(0) +
                             "' takes one call as the middleware records it, without blanks, "
                             "e.g. SetVolume(21,1), or with them in its quoted text, e.g. "
                             "Speak(VolumeHandler,1,\"Volume 21\")");
    return true;
}

// expect-count N PREFIX: a count and the start of a call as expect-call
// writes one.
bool ParseExpectCount(const ScriptLine& l, Command* c, std::string* why)
{
    c->name = l.Size() >= 3 ? l.Rest(2) : std::string();
    if (l.Size() < 3 || !ParseU32(l.Word(1), &c->value) || !BlanksOnlyQuoted(c->name))
        return Fail(why,
                    "'expect-count' takes a count and the start of a call as the middleware records it, "
                    "e.g. 1 Speak( or 0 Speak(ChannelChangeHandler");
    return true;
}

bool ParseExpectStatus(const ScriptLine& l, Command* c, std::string* why)
{
    if (l.Size() != 2 || !ParseHex(l.Word(1), &c->value) || c->value > 0xFFFF)
        return Fail(why, "'expect-status' takes the status set in hex, e.g. 0x0003");
    return true;
}

// expect-result TEXT: the rest of the line; double quotes around it keep
// blanks at its ends, and "" is the empty result.
bool ParseExpectResult(const ScriptLine& l, Command* c, std::string* why)
{
    if (l.Size() < 2) return Fail(why, "'expect-result' takes the text the last call printed, e.g. OK 5a1b2c3d");
    c->name = l.Rest(1);
    if (c->name.size() >= 2 && c->name.front() == '"' && c->name.back() == '"')
        c->name = c->name.substr(1, c->name.size() - 2);
    return true;
}

// keyfile remove|empty NAME | keyfile corrupt NAME [OFFSET]
bool ParseKeyFile(const ScriptLine& l, Command* c, std::string* why)
{
    const char* usage = "'keyfile' takes remove NAME, empty NAME or corrupt NAME [OFFSET]";
    const std::string change = l.Word(1);
    if (change == "remove")
        c->keyFileChange = KeyFileChange::Remove;
    else if (change == "empty")
        c->keyFileChange = KeyFileChange::Empty;
    else if (change == "corrupt")
        c->keyFileChange = KeyFileChange::Corrupt;
    else
        return Fail(why, usage);
    size_t most = change == "corrupt" ? 4 : 3;
    if (l.Size() < 3 || l.Size() > most) return Fail(why, usage);
    c->name = l.Word(2);
    if (c->name.find('/') != std::string::npos || c->name == "." || c->name == "..")
        return Fail(why, "'keyfile' takes the name of a file in /ciplus/, not '" + c->name + "'");
    if (l.Size() == 4 && !ParseU32(l.Word(3), &c->value))
        return Fail(why, std::string(usage) + ", not '" + l.Word(3) + "'");
    return true;
}

bool ParseNothing(const ScriptLine& l, Command*, std::string* why)
{
    if (l.Size() != 1) return Fail(why, "'" + l.Word(0) + "' takes nothing");
    return true;
}

// clang-format off
const ScriptVerb kVerbs[] = {
    { "key", Command::Key, true, &ParseKey, "key NAME",
      "a key press into the library's event buffer, as the IR receiver delivers it: a key name of the key table "
      "or a key symbol such as `0xF04C`" },
    { "wait", Command::Wait, true, &ParseWait, "wait MS",
      "lets MS milliseconds pass: real time, or under `--fast-clock` the library's clock alone, through each "
      "time-out within it in turn; MS up to the clock's limit (a 32-bit time_t's worth of milliseconds)" },
    { "event", Command::Event, true, &ParseEvent, "event ID PARAM [control|atv|dtv|cimmi]",
      "a middleware event from that source (default `control`), delivered on the simulated middleware's own "
      "thread" },
    { "set", Command::Set, false, &ParseSet, "set NAME VALUE...",
      "simulated TV state, or the host's, by the `set` table" },
    { "channel", Command::Channel, false, &ParseChannel, "channel atv|dtv NUMBER[-MINOR] [locked] [no-number] NAME...",
      "appends a channel to that tuner's list; the service name is the rest of the line. A tuner's first `channel` "
      "line replaces the simulated TV's sample list (ATV 1 to 3; DTV 1 BBC One, 2 BBC Two, 3 ITV, 7 News, 12 "
      "Film4). A digital channel may be numbered major-minor (`channel dtv 12-5 KQED Plus`), as North American "
      "number entry tunes it; the banner shows the major number. `no-number` sets the record's flag that hides "
      "the number" },
    { "call", Command::Call, true, &ParseCall, "call NAME [ARGS...]",
      "calls an exported manager operation of the `call` table on the host's thread, as a host does, and prints "
      "`briskui-sim: NAME = VALUE` for one with a result (strings as returned, null as `(null)`); numbers are "
      "decimal or `0x` hex, a text argument is the rest of the line" },
    { "shot", Command::Shot, true, &ParseShot, "shot FILE.png",
      "writes the window surface after the last composition, over a TV-like backdrop; a relative FILE goes into "
      "the `--shots` folder" },
    { "expect-call", Command::ExpectCall, true, &ParseExpectedCall, "expect-call CALL",
      "the simulated middleware recorded CALL since the last `clear-calls`, written as it records it: the "
      "operation's name and its decimal arguments without blanks, e.g. `SetInputSource(28,1,0,0)`, or with "
      "blanks inside the quoted text of an utterance, e.g. `Speak(VolumeHandler,1,\"Volume 21\")`" },
    { "expect-no-call", Command::ExpectNoCall, true, &ParseExpectedCall, "expect-no-call CALL",
      "it did not" },
    { "expect-count", Command::ExpectCount, true, &ParseExpectCount, "expect-count N PREFIX",
      "exactly N calls recorded since the last `clear-calls` begin with PREFIX, written as in `expect-call`: "
      "`expect-count 1 Speak(` after an `expect-call` of an utterance says that nothing else was said" },
    { "expect-status", Command::ExpectStatus, true, &ParseExpectStatus, "expect-status HEX",
      "the status set (one bit per OSD shown, `0x0001` always there) equals HEX once the library is idle and has "
      "composed, e.g. `0x0003` for the volume OSD alone" },
    { "expect-result", Command::ExpectResult, true, &ParseExpectResult, "expect-result TEXT",
      "the last `call` that printed a result printed TEXT, the rest of the line; double quotes around it keep "
      "blanks at its ends, and `\"\"` is the empty result" },
    { "keyfile", Command::KeyFile, false, &ParseKeyFile, "keyfile remove|empty NAME | keyfile corrupt NAME [OFFSET]",
      "removes the key file `/ciplus/NAME`, truncates it to 0 bytes, or flips every bit of its byte at OFFSET "
      "(default 0), so that a sealed file fails its check; the script then runs on a scratch copy of the root" },
    { "clear-calls", Command::ClearCalls, false, &ParseNothing, "clear-calls", "forgets the recorded calls" },
    { "calls", Command::Calls, false, &ParseNothing, "calls", "prints the recorded calls, one a line" },
    { "quit", Command::Quit, false, &ParseNothing, "quit", "stops the script" },
};
// clang-format on

std::string VerbList()
{
    std::string list;
    for (const ScriptVerb& v : kVerbs) list += (list.empty() ? "" : ", ") + std::string(v.name);
    return list;
}

}   // namespace

const ScriptVerb* ScriptVerbs(size_t* count)
{
    *count = sizeof(kVerbs) / sizeof(kVerbs[0]);
    return kVerbs;
}

bool Command::NeedsLibrary() const
{
    for (const ScriptVerb& v : kVerbs)
        if (v.verb == verb) return v.needsLibrary;
    return false;
}

std::vector<std::string> KeyNames()
{
    std::vector<std::string> names;
    for (const KeyName& key : kKeys) names.push_back(key.name);
    for (char digit = '0'; digit <= '9'; ++digit) names.push_back(std::string(1, digit));
    return names;
}

bool KeySymbolOf(const std::string& name, U32* symbol)
{
    for (size_t i = 0; i < sizeof(kKeys) / sizeof(kKeys[0]); ++i) {
        if (name.size() == strlen(kKeys[i].name) && strcasecmp(name.c_str(), kKeys[i].name) == 0) {
            *symbol = kKeys[i].symbol;
            return true;
        }
    }
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') {
        *symbol = (U32)name[0];
        return true;
    }
    return name.size() > 1 && ParseU32(name, symbol);
}

bool ParseScript(const std::string& text, const std::string& fileName, std::vector<Command>* commands,
                 std::string* error)
{
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    int firstLibraryLine = 0;   // the line before which the library starts
    std::string firstLibraryVerb;
    while (std::getline(in, raw)) {
        ++number;
        auto fail = [&](const std::string& why) {
            *error = fileName + ":" + std::to_string(number) + ": " + why;
            return false;
        };
        // A NUL would end the word early for every C string comparison
        // behind the tables and make a wrong line look right.
        if (raw.find('\0') != std::string::npos) return fail("the line holds a NUL byte");
        ScriptLine line(raw);
        if (line.Size() == 0) continue;
        const ScriptVerb* row = FindNamed(kVerbs, line.Word(0));
        if (row == nullptr) return fail("unknown verb '" + line.Word(0) + "' (" + VerbList() + ")");
        Command c;
        c.verb = row->verb;
        c.line = number;
        std::string why;
        if (!row->parse(line, &c, &why)) return fail(why);
        if (c.set != nullptr && c.set->beforeStartOnly && firstLibraryLine != 0)
            return fail("'set " + std::string(c.set->name) +
                        "' is read while the library starts: it must come before line " +
                        std::to_string(firstLibraryLine) + " ('" + firstLibraryVerb +
                        "'), the first line that needs the running library");
        if (row->needsLibrary && firstLibraryLine == 0) {
            firstLibraryLine = number;
            firstLibraryVerb = row->name;
        }
        commands->push_back(c);
    }
    return true;
}

bool ChangesKeyFiles(const std::vector<Command>& commands)
{
    for (const Command& c : commands)
        if (c.verb == Command::KeyFile) return true;
    return false;
}

bool ParseScriptFile(const std::string& path, std::vector<Command>* commands, std::string* error)
{
    // Only a regular file is a script (a symbolic link to one too): a folder
    // would read as an empty script that runs and succeeds, and a FIFO with
    // no writer would hang the host. O_NONBLOCK keeps the open of a FIFO from
    // blocking, and fstat looks at what was opened, so nothing swapped in
    // after a look gets through.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    std::string why;
    if (fd < 0 || fstat(fd, &st) != 0)
        why = strerror(errno);
    else if (S_ISDIR(st.st_mode))
        why = strerror(EISDIR);
    else if (!S_ISREG(st.st_mode))
        why = "not a regular file";
    FILE* file = why.empty() ? fdopen(fd, "r") : NULL;
    if (file == NULL) {
        if (why.empty()) why = strerror(errno);
        if (fd >= 0) close(fd);
        *error = "cannot read script " + path + ": " + why;
        return false;
    }
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    bool failed = ferror(file) != 0;
    int readErrno = errno;
    fclose(file);
    if (failed) {
        *error = "cannot read script " + path + ": " + strerror(readErrno);
        return false;
    }
    return ParseScript(text, path, commands, error);
}
