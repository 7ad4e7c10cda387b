// InputSourceMenuHandler: the vertical menu of eight inputs that the
// input-source key opens: the TV entry, two video inputs, four HDMI inputs
// and PC, each an icon and a label, with a focus bar behind the focused
// one. The cursor keys (and in NA the digits 0 to 7) move the focus, OK
// switches to the focused input and shows the channel banner, and the
// input-source key pressed while the menu is open steps to the next entry
// and switches to it at once. The focus itself is the shared MenuFocus.
//
// Threads: keys and the hide timer arrive on the input thread; everything
// runs under the manager lock.
#ifndef BRISKUI_INPUTSOURCEMENUHANDLER_H
#define BRISKUI_INPUTSOURCEMENUHANDLER_H

#include <string>

#include "EventHandler.h"
#include "MenuFocus.h"
#include "Middleware.h"

class InputSourceMenuHandler final : public EventHandler {
public:
    // One entry: the input it selects and the names of its layout items.
    struct ST_INPUT_SOURCE_DATUM {
        MAPI_INPUT_SOURCE_TYPE eInputSource;
        std::string sIconItemName;
        std::string sTextItemName;
    };
    // The entries in display order: the TV entry, the two video entries,
    // HDMI 1 to 4, PC.
    enum { E_ENTRY_COUNT = 8, E_TV_ENTRY = 0, E_VIDEO1_ENTRY = 1, E_VIDEO2_ENTRY = 2 };

    // The items it looks up, for the handler table and the layout checker,
    // and what it says (kMenuSpeech).
    static const ST_LAYOUT_NEEDS kLayout;
    static const ST_SPEECH_NEEDS kSpeech;

    // Builds the eight entries for the manager's country group. Start-up.
    InputSourceMenuHandler();

    // Base load, then the focus bar and every entry's icon and label looked
    // up once. Start-up.
    void LoadResource(const char* path) override;
    // Opens, moves, switches or jumps by the key; other keys are logged
    // and leave the hide timer running. Input thread.
    BOOL KeyHandler(U32 key) override;
    // The hide time-out: the menu goes, nothing is switched. Input thread.
    void TimerHandler(U32 timerId) override;

    // Focuses the entry of the current input (the last one that selects
    // it, else the TV entry) after refreshing the video entries; the focus
    // bar stays until UpdateFocusBar. Input thread.
    void SetInitialFocus();
    // Centres the focus bar on the focused entry's icon and moves the
    // focused look ("f.png" icon, white label) to it. Input thread.
    void UpdateFocusBar();
    // Labels and input of the two video entries from the country group and
    // whether the rear video connector is shared with component video.
    // Input thread.
    void UpdateVideo2();

    // The focused entry, and the entry at `index` (< E_ENTRY_COUNT). Any
    // thread under the manager lock.
    U8 GetFocusIndex() const { return focus.GetFocusIndex(); }
    const ST_INPUT_SOURCE_DATUM& EntryAt(U8 index) const { return focus.PayloadAt(index); }

private:
    // Switches the set to the focused entry's input: the TV entry goes to
    // analogue TV when that was watched last and is allowed, else to
    // digital TV and its current programme.
    void SelectFocused();
    // Focus bar and focused look on the focused entry, then the menu shown
    // (again) with a full time-out.
    void ShowFocus();

    MenuFocus<ST_INPUT_SOURCE_DATUM> focus;
};

#endif   // BRISKUI_INPUTSOURCEMENUHANDLER_H
