// MenuFocus: the focus of a small vertical menu. Each entry is an icon and
// a label of the menu's layout plus a payload of the menu's own (the input
// source it selects, ...). The list knows how many entries are in use,
// moves the focus with wrap-around within them, centres the focus bar
// vertically on the focused icon, and shows focus by swapping the icon's
// path ending ("n.png" / "f.png") and the label's colour. A menu may give
// some labels another normal colour (a greyed entry) through a hook.
//
// Items are looked up once, when the list is bound to the loaded layout.
// Missing items are skipped by every step. Threads: whoever runs the
// menu's keys (the input thread), under the manager lock.
#ifndef BRISKUI_MENUFOCUS_H
#define BRISKUI_MENUFOCUS_H

#include <string>
#include <vector>

#include "BriskTypes.h"
#include "DrawItem.h"
#include "SpeechNeeds.h"

class EventHandler;

// Focus look of the menus: icon path endings and label colours.
struct ST_MENU_FOCUS_STYLE {
    const char* pNormalEnding;    // ending of an unfocused icon's path
    const char* pFocusedEnding;   // ending of the focused icon's path
    U32 u32NormalColor;           // label colour, 0xAARRGGBB
    U32 u32FocusedColor;
};

// "n.png" / "f.png", labels 0xFF4B557C and opaque white.
extern const ST_MENU_FOCUS_STYLE kMenuFocusStyle;

// What a menu says (its handler's kSpeech): on opening its title
// ("{title_text}"), then the focused entry and its place ("HDMI 1, 4 of
// 8"), and each entry the focus moves to.
extern const ST_SPEECH_NEEDS kMenuSpeech;

// The focus mechanics, whatever the payload.
class MenuFocusList {
public:
    // Normal colour of `label` when it is not focused; `normal` is the
    // style's. Called with the label's current text in place.
    typedef U32 (*NormalColorHook)(const TextItem* label, U32 normal, void* context);

    MenuFocusList();

    // Appends an entry by the names of its icon (image item) and label
    // (text item). Before Bind.
    void AddEntry(const char* iconName, const char* textName);
    // Looks the focus bar and every entry's items up in the loaded layout
    // of `handler`. The first time it puts every entry in use and the focus
    // on entry 0; a later Bind (the layout loaded again, EventHandler::
    // ReloadResource) keeps the focus, the entries in use and which entry
    // looks focused, on the new items.
    void Bind(EventHandler& handler, const char* focusBarName);
    void SetStyle(const ST_MENU_FOCUS_STYLE& style) { stStyle = style; }
    void SetNormalColorHook(NormalColorHook hook, void* context);
    // The colour `label` takes when it loses the focus: the hook's, or the
    // style's normal colour.
    U32 NormalColorOf(const TextItem* label) const;

    // Entries built, and entries in use (the first `count`).
    U8 Size() const { return (U8)vEntries.size(); }
    U8 GetCount() const { return u8Count; }
    // Changes the number in use (cut to Size()); a focus beyond them moves
    // to the last entry in use (0 when none is).
    void SetCount(U8 count);

    U8 GetFocusIndex() const { return u8FocusIndex; }
    // Puts the focus on `index`, or on entry 0 when `index` is not in use.
    // Moves no item: UpdateFocusBar or FocusInitial shows it.
    void SetFocusIndex(U8 index);
    // Next / previous entry in use, wrapping around at either end.
    void Next();
    void Previous();

    // Opening focus: un-focuses the icon and label focused before (whatever
    // their visibility), focuses entry `index` (entry 0 when not in use),
    // giving its icon the focused ending and its label the focused colour
    // when they are visible (1), and remembers them. The bar stays.
    void FocusInitial(U8 index);
    // Shows the focus on the focused entry: the focus bar's top becomes
    // icon top + icon height / 2 - bar height / 2 (unsigned 32-bit, halves
    // truncated; left, width and height stay); the icon and label focused
    // before, when visible (1), get the normal ending and colour; the new
    // ones, when visible (1), the focused ending and colour; the new ones
    // are remembered.
    void UpdateFocusBar();
    // Gives every visible (1) label but the focused one its normal colour,
    // the hook asked again: a label greyed or not by a rule that has
    // changed since it was last coloured shows the rule of now.
    void RefreshNormalColors();
    // Has `menu` (whose kSpeech is kMenuSpeech) say the focused entry, its
    // place among the entries in use and, when `title`, its title first.
    void SayFocus(EventHandler& menu, bool title) const;

    ImageItem* IconAt(U8 index) const { return index < vEntries.size() ? vEntries[index].pIcon : NULL; }
    TextItem* TextAt(U8 index) const { return index < vEntries.size() ? vEntries[index].pText : NULL; }
    // The focused entry's label text ("" without a label).
    std::string FocusedLabel() const;
    ImageItem* FocusBar() const { return pFocusBar; }
    // The icon and label shown as focused now (null before any focus).
    ImageItem* FocusedIcon() const { return pFocusedIcon; }
    TextItem* FocusedText() const { return pFocusedText; }

private:
    struct ST_ENTRY {
        std::string strIconName;
        std::string strTextName;
        ImageItem* pIcon;
        TextItem* pText;
    };

    void Unfocus(bool onlyVisible);
    void Focus(U8 index);

    std::vector<ST_ENTRY> vEntries;
    U8 u8Count;
    U8 u8FocusIndex;
    ImageItem* pFocusBar;
    ImageItem* pFocusedIcon;
    TextItem* pFocusedText;
    bool bBound;
    ST_MENU_FOCUS_STYLE stStyle;
    NormalColorHook pfNormalColor;
    void* pNormalColorContext;
};

// The focus list with one payload per entry.
template <class Payload>
class MenuFocus : public MenuFocusList {
public:
    void AddEntry(const char* iconName, const char* textName, const Payload& payload)
    {
        MenuFocusList::AddEntry(iconName, textName);
        vPayloads.push_back(payload);
    }
    // The payload of entry `index` (< Size()).
    Payload& PayloadAt(U8 index) { return vPayloads[index]; }
    const Payload& PayloadAt(U8 index) const { return vPayloads[index]; }
    // The focused entry's payload (the list holds at least one entry).
    const Payload& FocusedPayload() const { return vPayloads[GetFocusIndex()]; }
    // Index of the last entry in use whose payload `matches`, 0 when none does.
    template <class Predicate>
    U8 FindLast(Predicate matches) const
    {
        U8 found = 0;
        for (U8 i = 0; i < GetCount(); ++i)
            if (matches(vPayloads[i])) found = i;
        return found;
    }

private:
    std::vector<Payload> vPayloads;
};

#endif   // BRISKUI_MENUFOCUS_H
