// The PC keyboard as the remote control in briskui-sim's window.
#ifndef BRISKUI_SIM_VIEWKEYS_H
#define BRISKUI_SIM_VIEWKEYS_H

#include <SDL.h>

#include <vector>

#include "BriskTypes.h"

// The remote key a PC key stands for: the DirectFB key symbol of the host's
// key name (as a script's 'key' line names it). False for a key that stands
// for none, and for an auto-repeated press of a key a remote does not
// repeat (only volume and channel keys repeat while held).
bool ViewKeySymbol(SDL_Keycode key, bool repeat, U32* symbol);
// The host key name `key` stands for, or null.
const char* ViewKeyName(SDL_Keycode key);
// Every PC key that stands for a remote key.
std::vector<SDL_Keycode> ViewKeycodes();

#endif   // BRISKUI_SIM_VIEWKEYS_H
