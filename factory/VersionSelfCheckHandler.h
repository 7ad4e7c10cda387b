// VersionSelfCheckHandler: the factory page that lists on one screen what
// the line checks on a set: model, versions, MAC addresses, A/D
// calibrations and EDID checks ("OK" in white, "NG" in red), counters,
// key-file identities and the write-protect state, which also picks the
// page's background (black when protected, blue when open). Every value is
// asked afresh at every redraw; the page stays until its status is
// cleared.
//
// Its items (layout sections) are listed, with what fills each, in the
// value table of VersionSelfCheckHandler.cpp; besides those, wp_value and
// the image bg_image. Any other item is drawn as loaded.
#ifndef BRISKUI_VERSIONSELFCHECKHANDLER_H
#define BRISKUI_VERSIONSELFCHECKHANDLER_H

#include "EventHandler.h"

class VersionSelfCheckHandler final : public EventHandler {
public:
    // Items and "setting" keys read from the layout, listed in the .cpp.
    static const ST_LAYOUT_NEEDS kLayout;
    // What it says: its title, on showing.
    static const ST_SPEECH_NEEDS kSpeech;

    // Text items filled from the value table.
    enum { E_VALUE_ITEMS = 28 };
    // Colours of a passed and a failed check, 0xAARRGGBB.
    static constexpr U32 kPassColour = 0xFFFFFFFF;
    static constexpr U32 kFailColour = 0xFFFF0000;

    VersionSelfCheckHandler();

    // Loads the layout and looks up the items. Start-up.
    void LoadResource(const char* path) override;
    // Shows the page, whatever the key. Input thread.
    BOOL KeyHandler(U32 key) override;
    // Refreshes the key checks and every value the layout shows, swaps the
    // background for the write-protect state, then draws. Composition.
    void Update(IDirectFBSurface* surface) override;
    // Nothing: the time-out does not hide the page.
    void TimerHandler(U32 timerId) override;

private:
    TextItem* apValues[E_VALUE_ITEMS];   // in the order of the value table
    TextItem* pWriteProtectValue;
    ImageItem* pBgImage;
};

#endif   // BRISKUI_VERSIONSELFCHECKHANDLER_H
