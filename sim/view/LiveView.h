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

// The keyboard mapping for --help: entries such as "Esc EXIT,", each to be
// kept on one line.
std::vector<std::string> ViewKeyHelp();

#endif   // BRISKUI_SIM_LIVEVIEW_H
