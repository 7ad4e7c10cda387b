// LayoutNeeds: what a handler reads from its layout file beyond the base
// keys, declared once as data next to the handler: the items it looks up
// (by name and kind, with the path endings it swaps), its own "setting"
// keys, and whether the layout's time-out matters to it. The handler binds
// its items from this declaration (EventHandler::BindItems) and the layout
// checker (briskui-lint) checks layout files against the same declaration,
// so the two cannot disagree.
#ifndef BRISKUI_LAYOUTNEEDS_H
#define BRISKUI_LAYOUTNEEDS_H

#include <stddef.h>

#include "BriskTypes.h"

// How a "setting" key of a handler is read.
enum EN_LAYOUT_KEY_TYPE {
    E_LAYOUT_KEY_U8 = 0,   // unsigned, cut to 8 bits
    E_LAYOUT_KEY_U16,      // unsigned, cut to 16 bits
    E_LAYOUT_KEY_U32,      // unsigned 32-bit
    E_LAYOUT_KEY_TEXT,     // a string
    E_LAYOUT_KEY_IMAGE     // a string naming an image file the handler shows
};

// One "setting" key a handler reads itself (its name as written, any case).
struct ST_LAYOUT_KEY {
    const char* pName;
    U8 u8Type;          // EN_LAYOUT_KEY_TYPE
    U16 u16MaxLength;   // strings: the longest value kept whole (longer ones are cut); 0: any
};

// The section that holds a layout's settings, and the keys of it the
// handler base reads from every layout: the hide time-out in ms, the OSDs
// that may stay on screen with this one, and the same as a 32-bit mask
// (for OSDs beyond the first sixteen), which wins when present.
inline constexpr const char kLayoutSettings[] = "setting";
enum EN_BASE_LAYOUT_KEY { E_BASE_KEY_TIMEOUT = 0, E_BASE_KEY_STATE_MASK, E_BASE_KEY_WIDE_STATE_MASK, E_BASE_KEY_COUNT };
inline constexpr ST_LAYOUT_KEY kBaseLayoutKeys[E_BASE_KEY_COUNT] = {
    { "u16TimeOut", E_LAYOUT_KEY_U16, 0 },
    { "u16StateMask", E_LAYOUT_KEY_U16, 0 },
    { "u32StateMask", E_LAYOUT_KEY_U32, 0 },
};

// One item a handler looks up.
struct ST_LAYOUT_ITEM {
    const char* pName;   // section name, lower case
    U8 u8Type;           // E_DRAW_ITEM_IMAGE (1) or E_DRAW_ITEM_TEXT (2)
    // Image items whose path ending the handler swaps: its own ending
    // (null: any), and the endings swapped in, separated by blanks. With an
    // ending of its own, the layout's path ends in it or in a twin and the
    // files of the other endings must exist; without, the file of every
    // twin swapped in must exist.
    const char* pEnding;
    const char* pTwins;
    // TRUE when the swap replaces the whole file name: the layout's file
    // name must be exactly as long as the endings, or the folder changes.
    BOOL bWholeName;
};

// An image item, with the path ending rule of ST_LAYOUT_ITEM when the
// handler swaps endings; a text item.
constexpr ST_LAYOUT_ITEM BriskImageItem(const char* name, const char* ending = NULL, const char* twins = NULL,
                                        BOOL wholeName = FALSE)
{
    return { name, 1, ending, twins, wholeName };
}
constexpr ST_LAYOUT_ITEM BriskTextItem(const char* name) { return { name, 2, NULL, NULL, FALSE }; }

struct ST_LAYOUT_NEEDS {
    const ST_LAYOUT_ITEM* pItems;   // in the order the handler binds them
    size_t uItemCount;
    const ST_LAYOUT_KEY* pKeys;   // the handler's own "setting" keys
    size_t uKeyCount;
    // TRUE when the layout's u16TimeOut hides or refreshes the OSD, so
    // that a time-out of 0 leaves it on the screen for good.
    BOOL bTimeOutUsed;
};

// The declaration of a handler with the item array `items` and the key
// array `keys` (the second form: no keys of its own).
template <size_t N, size_t K>
constexpr ST_LAYOUT_NEEDS BriskLayoutNeeds(const ST_LAYOUT_ITEM (&items)[N], const ST_LAYOUT_KEY (&keys)[K],
                                           BOOL timeOutUsed)
{
    return { items, N, keys, K, timeOutUsed };
}
template <size_t N>
constexpr ST_LAYOUT_NEEDS BriskLayoutNeeds(const ST_LAYOUT_ITEM (&items)[N], BOOL timeOutUsed)
{
    return { items, N, NULL, 0, timeOutUsed };
}

#endif   // BRISKUI_LAYOUTNEEDS_H
