// InputSourceIconHandler: a small panel naming the current input source
// with one icon. The icon is chosen at every draw from the middleware's
// current input source; digital TV shows the TV icon (the layout's `dtv`
// item, else its `atv` item).
#ifndef BRISKUI_INPUTSOURCEICONHANDLER_H
#define BRISKUI_INPUTSOURCEICONHANDLER_H

#include "EventHandler.h"

class InputSourceIconHandler final : public EventHandler {
public:
    // Items and "setting" keys read from the layout, and what the OSD
    // says (the name of each source), listed in the .cpp.
    static const ST_LAYOUT_NEEDS kLayout;
    static const ST_SPEECH_NEEDS kSpeech;

    InputSourceIconHandler();

    // Base load, then the background and the icon items looked up once.
    // Start-up.
    void LoadResource(const char* path) override;
    // Any key keeps the icon up for a further full time-out. Input thread.
    BOOL KeyHandler(U32 key) override;
    // Erases the area and draws the background and the current source's
    // icon, nothing else of the layout; an unlisted source is logged and
    // gets the background alone. Composition, under the manager lock.
    void Update(IDirectFBSurface* surface) override;
    // The hide time-out: the icon goes. Input thread.
    void TimerHandler(U32 timerId) override;
    // Says the name of the source whose icon was drawn, on showing and
    // whenever the source changes while shown. Composition.
    void SpeakShown(BOOL anew) override;

private:
    enum { E_ICON_COUNT = 11 };

    ImageItem* pBgImage;
    ImageItem* apIcon[E_ICON_COUNT];   // by the rows of the icon table
    size_t uShownRow;                  // the row the last Update drew; E_ICON_COUNT: none
};

#endif   // BRISKUI_INPUTSOURCEICONHANDLER_H
