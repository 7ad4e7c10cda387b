// The host's script parser: any text either parses, and its set-up lines
// then run against the simulated TV, or is refused with a message naming
// the file and a line of the text.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "HostScript.h"
#include "SimTv.h"

namespace {

const char* const kName = "fuzz.script";

// Lines as the parser counts them (std::getline).
size_t LineCount(const std::string& text)
{
    size_t lines = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || i + 1 == text.size()) ++lines;
    return lines;
}

}   // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Root();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<Command> commands;
    std::string error;
    size_t lines = LineCount(text);
    if (!ParseScript(text, kName, &commands, &error)) {
        // "fuzz.script:N: reason", N a line of the text.
        const std::string prefix = std::string(kName) + ":";
        char* end = NULL;
        unsigned long line =
            error.compare(0, prefix.size(), prefix) == 0 ? strtoul(error.c_str() + prefix.size(), &end, 10) : 0;
        if (line == 0 || line > lines || end == NULL || std::string(end).compare(0, 2, ": ") != 0 ||
            std::string(end).size() <= 2)
            fuzz::Fail("refused without file, line and reason: '%s'", error.c_str());
        return 0;
    }
    for (const Command& c : commands)
        if (c.line < 1 || (size_t)c.line > lines) fuzz::Fail("a command on line %d of %zu", c.line, lines);

    sim::Reset();
    HostState host;
    bool stop = false;
    int status = kExitOk;
    RunBeforeStart(HostOptions(), commands, &host, &stop, &status);
    if (status != kExitOk && status != kExitRunFailure) fuzz::Fail("set-up lines ended with status %d", status);
    return 0;
}
