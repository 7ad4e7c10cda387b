// InitializationHandler: the progress bar of the first initialisation
// (and of a boot that is not finished when the viewer asks for the full
// interface). Its layout uses the item names of the volume OSD.
#ifndef BRISKUI_INITIALIZATIONHANDLER_H
#define BRISKUI_INITIALIZATIONHANDLER_H

#include "EventHandler.h"

class InitializationHandler final : public EventHandler {
public:
    InitializationHandler();

    void LoadResource(const char* path) override;
    BOOL KeyHandler(U32 key) override;
    void TimerHandler(U32 timerId) override;
    // Sizes the bar and the percentage text; above 100 changes nothing.
    void SetPercentage(unsigned char percent);

    U32 GetBarSpan() const { return u32BarSpan; }

private:
    ImageItem* pBgImageVolume;
    ImageItem* pVolumeBg;
    ImageItem* pVolumeBarLeft;
    ImageItem* pVolumeBarCenter;
    ImageItem* pVolumeBarRight;
    TextItem* pVolumeText;
    TextItem* pWaitTextLine1;
    TextItem* pWaitTextLine2;
    TextItem* pVolumeNumber;
    U32 u32BarSpan;
};

#endif  // BRISKUI_INITIALIZATIONHANDLER_H
