// VolumeHandler: the volume bar, half-mute and mute panels. In NA the MUTE
// key first halves the volume and mutes on its second press; in EU it
// mutes at once. A hotel mode from the factory data lowers the ceiling.
#ifndef BRISKUI_VOLUMEHANDLER_H
#define BRISKUI_VOLUMEHANDLER_H

#include <string>

#include "EventHandler.h"
#include "ItemBar.h"

class VolumeHandler final : public EventHandler {
public:
    // Items and "setting" keys read from the layout, and what the OSD
    // says, listed in the .cpp.
    static const ST_LAYOUT_NEEDS kLayout;
    static const ST_SPEECH_NEEDS kSpeech;

    // Display states (GetStatus).
    enum { E_HIDDEN = 0, E_VOLUME_BAR = 1, E_HALF_MUTE = 2, E_MUTE = 3 };

    VolumeHandler();

    void LoadResource(const char* path) override;
    BOOL KeyHandler(U32 key) override;
    void TimerHandler(U32 timerId) override;

    // The display state (E_HIDDEN ... E_MUTE). Any thread.
    U32 GetStatus() const { return u32State; }
    // The manager cleared the volume status (a time-out, a close key,
    // another OSD's mask, the initialisation progress): the volume bar goes
    // and the state returns to hidden, TRUE; the mute and half-mute panels
    // stay until a key changes them, FALSE. Under the manager lock.
    BOOL StatusCleared();
    U8 GetHotelMode();
    U8 GetHotelMaxVolumeValue();
    BOOL setHalfMute(unsigned char on);

    U32 GetBarSpan() const { return bar.Span(); }
    U16 GetMaxVolume() const { return u16MaxVolume; }

private:
    void ShowVolumeBar(U8 volume);
    void ShowMutePanel(bool half);

    ImageItem* pBgImageVolume;
    ImageItem* pBgImageMute;
    ImageItem* pVolumeIcon;
    ImageItem* pHalfMuteIcon;
    ImageItem* pMuteIcon;
    ItemBar bar;   // volume_bg, volume_bar_left, volume_bar_center, volume_bar_right
    TextItem* pVolumeText;
    TextItem* pMuteText;
    std::string strHalfMuteText;
    std::string strMuteText;
    TextItem* pVolumeNumber;
    U16 u16MaxVolume;
    U32 u32State;
};

#endif   // BRISKUI_VOLUMEHANDLER_H
