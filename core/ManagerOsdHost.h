// The manager's side of BriskOsdHost: what the framework's handlers and
// timer service ask of whoever runs them, answered by the manager
// singleton and the middleware's system object. The manager hands this one
// object to every handler it creates and to the timer service it starts.
#ifndef BRISKUI_MANAGEROSDHOST_H
#define BRISKUI_MANAGEROSDHOST_H

#include "OsdHost.h"

// The process's one host object; it lives for the process. Any thread.
BriskOsdHost* BriskManagerOsdHost();

#endif   // BRISKUI_MANAGEROSDHOST_H
