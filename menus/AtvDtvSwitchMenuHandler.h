// AtvDtvSwitchMenuHandler: the menu that switches the set between its
// broadcast receptions: digital terrestrial or cable (whichever the antenna
// mode selects), digital satellite (only while the set has satellite
// reception and it is enabled) and analogue TV. The ATV/DTV key opens it on
// the reception in use and, pressed again, steps to the next entry and
// switches at once; the cursor keys move the focus; OK switches and closes
// it, except on an analogue entry while analogue TV is not allowed.
//
// Labels, sources and route-path types are fixed when the layout loads:
// three entries when satellite reception is present and enabled then, two
// otherwise (the two-entry form shortens the background and moves the
// title). The number of entries in use is read again at every key, and
// the focus is brought back among them before the key acts.
//
// Threads: loaded during start-up; keys and the hide time-out on the input
// thread, under the manager lock.
#ifndef BRISKUI_ATVDTVSWITCHMENUHANDLER_H
#define BRISKUI_ATVDTVSWITCHMENUHANDLER_H

#include "EventHandler.h"
#include "MenuFocus.h"

class AtvDtvSwitchMenuHandler final : public EventHandler {
public:
    // Items read from the layout, listed in the .cpp, and what it says
    // (kMenuSpeech).
    static const ST_LAYOUT_NEEDS kLayout;
    static const ST_SPEECH_NEEDS kSpeech;

    // What an entry selects: the input source (28 digital TV, 1 analogue
    // TV) and, for a digital entry, the route-path type of its reception
    // (1 antenna, 2 cable, 64 satellite; 0 for analogue).
    struct ST_INPUT_SOURCE_DATUM {
        U32 eInputSource;
        U8 u8RouteType;
    };

    AtvDtvSwitchMenuHandler();

    // Loads the layout, then fixes the labels, sources, route types and
    // the form (two or three entries) from the middleware. Start-up.
    void LoadResource(const char* path) override;
    // ATV/DTV key, cursor up/down and OK; other keys are logged (FALSE).
    // Input thread.
    BOOL KeyHandler(U32 key) override;
    // The hide time-out: the menu goes, nothing is switched. Input thread.
    void TimerHandler(U32 timerId) override;

    // Focus on the entry of the input and route on screen now (analogue TV
    // whatever the route), with every label in its colour. Input thread.
    void SetInitialFocus();
    // Shows the focus on the focused entry: the bar, the icon ending and
    // the label colours. Input thread.
    void UpdateFocusBar();
    // Digital TV on the first route of that reception, unless the route in
    // use already is one; the programme is restarted when the source or
    // the route changed. Input thread.
    void SwitchToAntenna();
    void SwitchToCable();
    void SwitchToSatellite();

    // Entries built at load (2 or 3) and entries in use now. Input thread.
    U8 GetFormEntries() const { return u8FormEntries; }
    U8 GetEntriesInUse() const { return focus.GetCount(); }
    U8 GetFocusIndex() const { return focus.GetFocusIndex(); }
    const ST_INPUT_SOURCE_DATUM& GetEntry(U8 index) const { return focus.PayloadAt(index); }

private:
    // Satellite reception present (TV information) and enabled (system
    // database), read now.
    static bool SatelliteInUse();
    // The two-entry form: the second label becomes analogue TV, the third
    // entry goes, the background and the title move. Load only.
    void UseTwoEntryForm(TextItem* second, TextItem* third);
    // Switches to the focused entry's reception or input; FALSE when it is
    // refused (analogue TV while it is not allowed), with nothing switched.
    BOOL SelectFocused();
    // Re-reads the entries in use and brings the focus among them.
    void RefreshEntriesInUse();
    // UpdateFocusBar, then the menu shown again (its hide timer restarts).
    void ShowFocus();

    MenuFocus<ST_INPUT_SOURCE_DATUM> focus;
    ImageItem* pBgImage;
    TextItem* pTitleText;
    U8 u8FormEntries;
};

#endif   // BRISKUI_ATVDTVSWITCHMENUHANDLER_H
