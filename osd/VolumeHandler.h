// VolumeHandler: the volume bar, half-mute and mute panels. In NA the MUTE
// key first halves the volume and mutes on its second press; in EU it
// mutes at once. A hotel mode from the factory data lowers the ceiling.
#ifndef BRISKUI_VOLUMEHANDLER_H
#define BRISKUI_VOLUMEHANDLER_H

#include <string>

#include "EventHandler.h"

class VolumeHandler final : public EventHandler {
public:
    // Display states (GetStatus).
    enum { E_HIDDEN = 0, E_VOLUME_BAR = 1, E_HALF_MUTE = 2, E_MUTE = 3 };

    VolumeHandler();

    void LoadResource(const char* path) override;
    BOOL KeyHandler(U32 key) override;
    void TimerHandler(U32 timerId) override;

    U32 GetStatus() const { return u32State; }
    U8 GetHotelMode();
    U8 GetHotelMaxVolumeValue();
    BOOL setHalfMute(unsigned char on);

    U32 GetBarSpan() const { return u32BarSpan; }
    U16 GetMaxVolume() const { return u16MaxVolume; }

private:
    void ShowVolumeBar(U8 volume);
    void ShowMutePanel(bool half);

    ImageItem* pBgImageVolume;
    ImageItem* pBgImageMute;
    ImageItem* pVolumeIcon;
    ImageItem* pHalfMuteIcon;
    ImageItem* pMuteIcon;
    ImageItem* pVolumeBg;
    ImageItem* pVolumeBarLeft;
    ImageItem* pVolumeBarCenter;
    ImageItem* pVolumeBarRight;
    TextItem* pVolumeText;
    TextItem* pMuteText;
    std::string strHalfMuteText;
    std::string strMuteText;
    TextItem* pVolumeNumber;
    U32 u32BarSpan;
    U16 u16MaxVolume;
    U32 u32State;
};

#endif  // BRISKUI_VOLUMEHANDLER_H
