// The exported manager operations a script may `call`, as the host process
// of a television calls them: one table of name, argument parser,
// invocation and printed result (HostCalls.cpp).
#ifndef BRISKUI_SIM_HOSTCALLS_H
#define BRISKUI_SIM_HOSTCALLS_H

#include <string>
#include <vector>

#include "BriskTypes.h"
#include "ScriptLine.h"

class BriskUiManager;

// Arguments of one call, parsed from its script line: one number per
// parameter (0 in the place of a text) and the text, which is always last
// and runs to the end of the line.
struct CallArgs {
    std::vector<U32> numbers;
    std::string text;
};

struct ManagerOperation {
    const char* name;
    // Reads the arguments from `line`, starting at word `first`; false with
    // the reason in `why`.
    bool (*parse)(const ScriptLine& line, size_t first, CallArgs* args, std::string* why);
    // What the arguments look like, e.g. "STATUS 0..65535".
    std::string (*usage)();
    // Calls the operation; true with the printable result in `result` when
    // the operation has one (strings as returned, null as "(null)").
    bool (*invoke)(BriskUiManager* manager, const CallArgs& args, std::string* result);
    // Whether the operation has a result that the call prints.
    bool hasResult;
};

// The operation called `name`; null when no exported operation has that name.
const ManagerOperation* FindManagerOperation(const std::string& name);
// Names of the operations a script can call, in table order.
std::vector<std::string> ManagerOperationNames();
// The operations, in table order, and their number.
const ManagerOperation* ManagerOperations(size_t* count);

#endif   // BRISKUI_SIM_HOSTCALLS_H
