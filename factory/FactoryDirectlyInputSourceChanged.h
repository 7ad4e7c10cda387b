// FactoryDirectlyInputSourceChanged: the factory screen that names the
// input the last video-input factory code selected ("PC", "HDMI 1", ...)
// on a white page. No factory code opens it: its KeyHandler or its status
// enabled through the manager does, and only a clearing of its status
// hides it.
#ifndef BRISKUI_FACTORYDIRECTLYINPUTSOURCECHANGED_H
#define BRISKUI_FACTORYDIRECTLYINPUTSOURCECHANGED_H

#include "EventHandler.h"

class FactoryDirectlyInputSourceChanged final : public EventHandler {
public:
    // Items and "setting" keys read from the layout, listed in the .cpp.
    static const ST_LAYOUT_NEEDS kLayout;
    // What it says: its title, on showing.
    static const ST_SPEECH_NEEDS kSpeech;

    FactoryDirectlyInputSourceChanged() : pInputSourceValue(NULL), pBgImage(NULL) {}

    // Loads the layout and looks up inputsource_value and bg_image. Start-up.
    void LoadResource(const char* path) override;
    // Shows the screen, whatever the key. Input thread.
    BOOL KeyHandler(U32 key) override;
    // Refreshes the key checks, sets the input label, turns the background
    // into the white page ("white.PNG" in place of the path's last nine
    // characters) and draws. Composition.
    void Update(IDirectFBSurface* surface) override;
    // Nothing: the screen stays until its status is cleared.
    void TimerHandler(U32 timerId) override;

private:
    TextItem* pInputSourceValue;
    ImageItem* pBgImage;
};

#endif   // BRISKUI_FACTORYDIRECTLYINPUTSOURCECHANGED_H
