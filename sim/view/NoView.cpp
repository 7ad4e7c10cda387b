// briskui-sim built without the live window (BRISKUI_VIEW=OFF, as for the
// set's processor, which has no desktop to show it on).
#include <stdio.h>

#include "LiveView.h"

int RunHostWithView(const HostOptions&, const std::vector<Command>&, const std::vector<std::string>&)
{
    fprintf(stderr, "briskui-sim: --view: this build has no window (configured with BRISKUI_VIEW=OFF)\n");
    return kExitBadScript;
}

std::vector<ViewKey> ViewKeyLabels() { return {}; }
