// What the desktop host and the tests both do to the library: deliver a
// remote-control key the way the IR receiver does, and move the library's
// clock forward until what falls due has been handled.
#ifndef BRISKUI_SIM_HOSTSUPPORT_H
#define BRISKUI_SIM_HOSTSUPPORT_H

#include "BriskTypes.h"

class BriskUiManager;

namespace briskui_sim {

// Posts a key press with `symbol` to the manager's event buffer.
void PostKey(BriskUiManager* manager, U32 symbol);
// Moves the library's clock `ms` forward, lets the timer thread make its
// pass and waits until the input thread has handled what that posted.
bool AdvanceClockAndSettle(BriskUiManager* manager, U32 ms);

}   // namespace briskui_sim

#endif   // BRISKUI_SIM_HOSTSUPPORT_H
