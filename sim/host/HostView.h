// A live window that shows the library's screen while the host runs
// (briskui-sim --view). The host calls it on its own thread only, the
// thread that runs the script.
#ifndef BRISKUI_SIM_HOSTVIEW_H
#define BRISKUI_SIM_HOSTVIEW_H

#include "BriskTypes.h"

class BriskUiManager;

class HostView {
public:
    // The library has started: the window shows `manager`'s surface and
    // hands the keys typed into it to `manager` until Detach.
    virtual void Attach(BriskUiManager* manager) = 0;
    // The host is about to take the keys back: forget the manager.
    virtual void Detach() = 0;
    // Shows the last composition if it is new and handles what happened
    // to the window; false once the viewer has closed it.
    virtual bool Pump() = 0;
    // Lets `ms` milliseconds of real time pass, pumping meanwhile; false
    // once the viewer has closed the window.
    virtual bool Sleep(U64 ms) = 0;
    // Keeps pumping until the viewer closes the window (at once when
    // already closed).
    virtual void Hold() = 0;

protected:
    ~HostView() {}
};

#endif   // BRISKUI_SIM_HOSTVIEW_H
