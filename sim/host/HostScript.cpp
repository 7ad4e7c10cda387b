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

struct VerbRow {
    const char* name;
    Command::Verb verb;
    bool needsLibrary;
    bool (*parse)(const ScriptLine& line, Command* command, std::string* why);
};

const VerbRow kVerbs[] = {
    { "key", Command::Key, true, &ParseKey },
    { "wait", Command::Wait, true, &ParseWait },
    { "event", Command::Event, true, &ParseEvent },
    { "set", Command::Set, false, &ParseSet },
    { "channel", Command::Channel, false, &ParseChannel },
    { "call", Command::Call, true, &ParseCall },
    { "shot", Command::Shot, true, &ParseShot },
    { "expect-call", Command::ExpectCall, true, &ParseExpectedCall },
    { "expect-no-call", Command::ExpectNoCall, true, &ParseExpectedCall },
    { "expect-status", Command::ExpectStatus, true, &ParseExpectStatus },
    { "expect-result", Command::ExpectResult, true, &ParseExpectResult },
    { "keyfile", Command::KeyFile, false, &ParseKeyFile },
    { "clear-calls", Command::ClearCalls, false, &ParseNothing },
    { "calls", Command::Calls, false, &ParseNothing },
    { "quit", Command::Quit, false, &ParseNothing },
};

std::string VerbList()
{
    std::string list;
    for (const VerbRow& v : kVerbs) list += (list.empty() ? "" : ", ") + std::string(v.name);
    return list;
}

}   // namespace

bool Command::NeedsLibrary() const
{
    for (const VerbRow& v : kVerbs)
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
        const VerbRow* row = FindNamed(kVerbs, line.Word(0));
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
