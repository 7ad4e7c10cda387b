// InitializationHandler: the progress bar of the first initialisation
// (and of a boot that is not finished when the viewer asks for the full
// interface). Its layout uses the item names of the volume OSD.
#ifndef BRISKUI_INITIALIZATIONHANDLER_H
#define BRISKUI_INITIALIZATIONHANDLER_H

#include "EventHandler.h"
#include "ItemBar.h"

class InitializationHandler final : public EventHandler {
public:
    // Items and "setting" keys read from the layout, and what the OSD
    // says, listed in the .cpp.
    static const ST_LAYOUT_NEEDS kLayout;
    static const ST_SPEECH_NEEDS kSpeech;
    // The progress is said again only once it has gone this far since it
    // was last said.
    enum { E_SPOKEN_STEP = 25 };

    InitializationHandler();

    void LoadResource(const char* path) override;
    BOOL KeyHandler(U32 key) override;
    void TimerHandler(U32 timerId) override;
    // Sizes the bar and the percentage text; above 100 changes nothing.
    void SetPercentage(unsigned char percent);
    // On showing, its message and the percentage; after that the
    // percentage, at most every E_SPOKEN_STEP percent. Composition.
    void SpeakShown(BOOL anew) override;

    U32 GetBarSpan() const { return bar.Span(); }

private:
    ImageItem* pBgImageVolume;
    ItemBar bar;   // volume_bg, volume_bar_left, volume_bar_center, volume_bar_right
    TextItem* pVolumeText;
    TextItem* pWaitTextLine1;
    TextItem* pWaitTextLine2;
    TextItem* pVolumeNumber;
    BOOL bFirst;        // a first initialisation's panel (else the boot's)
    U8 u8Percent;       // as shown
    U8 u8SaidPercent;   // as last said
};

#endif   // BRISKUI_INITIALIZATIONHANDLER_H
