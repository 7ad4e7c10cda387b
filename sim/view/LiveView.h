// briskui-sim --view: the host with a live window that shows the library's
// screen over the TV backdrop and takes the PC keyboard as the remote.
#ifndef BRISKUI_SIM_LIVEVIEW_H
#define BRISKUI_SIM_LIVEVIEW_H

#include <string>
#include <vector>

#include "HostScript.h"

// Opens the window, runs the host as RunHost does with the window attached,
// and closes it. Returns the process exit status; kExitRunFailure when no
// window can be opened (no display). Main thread only.
int RunHostWithView(const HostOptions& options, const std::vector<Command>& commands,
                    const std::vector<std::string>& dfbArgv);

// One remote key of the window: the PC keys that stand for it, as SDL names
// them ("Keypad +"), the host's key name (as a script's 'key' line names
// it; "0..9" for the digits) and whether holding it repeats it. Q, which
// closes the window, is none.
struct ViewKey {
    std::vector<std::string> pcKeys;
    std::string remote;
    bool repeats;
};
// The window's keyboard mapping, for --help and the reference; empty in a
// build without the window.
std::vector<ViewKey> ViewKeyLabels();

#endif   // BRISKUI_SIM_LIVEVIEW_H
