// Key symbols the library routes: the DirectFB key symbol of a key press
// (Unicode below 0xF000, special keys at 0xF000 + n, custom keys at
// 0xF500 + n), as the IR keymap produces them. Prefixed so as not to meet
// the KEY_* macros of the platform's input headers.
//
// Which OSD takes which key is said by the handler table's rows. The
// manager itself owns the exit keys (BRISKKEY_EXIT, BRISKKEY_CUSTOM61_EXIT),
// the power keys (BRISKKEY_POWER, BRISKKEY_CUSTOM80_POWER), the factory key
// (BRISKKEY_CUSTOM79_FACTORY) and the keys of the full interface (listed in
// BriskUiManagerInput.cpp).
#ifndef BRISKUI_KEYS_H
#define BRISKUI_KEYS_H

#include "BriskTypes.h"

enum : U32 {
    BRISKKEY_RETURN = 0x0D,
    BRISKKEY_0 = 0x30,
    BRISKKEY_9 = 0x39,
    BRISKKEY_CURSOR_UP = 0xF002,
    BRISKKEY_CURSOR_DOWN = 0xF003,
    BRISKKEY_PAUSE = 0xF00A,
    BRISKKEY_POWER = 0xF00F,
    BRISKKEY_MENU = 0xF012,
    BRISKKEY_INFO = 0xF014,
    BRISKKEY_CHANNEL = 0xF019,
    BRISKKEY_EPG = 0xF01B,
    BRISKKEY_SUBTITLE = 0xF020,
    BRISKKEY_ZOOM = 0xF022,
    BRISKKEY_AUDIO = 0xF037,
    BRISKKEY_CHANNEL_UP = 0xF046,
    BRISKKEY_CHANNEL_DOWN = 0xF047,
    BRISKKEY_FORWARD = 0xF049,
    BRISKKEY_VOLUME_UP = 0xF04C,
    BRISKKEY_VOLUME_DOWN = 0xF04D,
    BRISKKEY_MUTE = 0xF04E,
    BRISKKEY_PLAY = 0xF051,
    BRISKKEY_STOP = 0xF052,
    BRISKKEY_PREVIOUS = 0xF05B,
    BRISKKEY_NEXT = 0xF05C,
    BRISKKEY_EXIT = 0xF062,
    BRISKKEY_INPUT_SOURCE = 0xF068,
    BRISKKEY_CHANNEL_SEPARATOR = 0xF073,
    BRISKKEY_MEDIA_F077 = 0xF077,
    BRISKKEY_CUSTOM61_EXIT = 0xF53D,
    BRISKKEY_CUSTOM63_ATV_DTV = 0xF53F,
    BRISKKEY_CUSTOM79_FACTORY = 0xF54F,
    BRISKKEY_CUSTOM80_POWER = 0xF550,
};

#endif   // BRISKUI_KEYS_H
