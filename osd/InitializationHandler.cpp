#include "InitializationHandler.h"

#include <stdio.h>

#include "BriskUiManager.h"

namespace {

const ST_LAYOUT_ITEM kItems[] = {
    BriskImageItem("bg_image_volume"),
    // The bar: track, left cap, middle, right cap.
    BriskImageItem("volume_bg"),
    BriskImageItem("volume_bar_left"),
    BriskImageItem("volume_bar_center"),
    BriskImageItem("volume_bar_right"),
    BriskTextItem("volume_text"),
    BriskTextItem("wait_text_line1"),
    BriskTextItem("wait_text_line2"),
    BriskTextItem("volume_number"),
};

// The message of either panel with the percentage, then the percentage.
enum { E_SAY_FIRST, E_SAY_BOOT, E_SAY_PROGRESS };
const ST_SPEECH_TEXT kTexts[] = {
    { "first", "{volume_text}, {percent}%", "percent", E_SPEECH_INTERRUPT },
    { "boot", "{wait_text_line1}, {wait_text_line2}, {percent}%", "percent", E_SPEECH_INTERRUPT },
    { "progress", "{percent}%", "percent", E_SPEECH_INTERRUPT },
};

}   // namespace

// The time-out is the handler's own, whatever the layout says.
const ST_LAYOUT_NEEDS InitializationHandler::kLayout = BriskLayoutNeeds(kItems, FALSE);
const ST_SPEECH_NEEDS InitializationHandler::kSpeech = BriskSpeechNeeds(kTexts);

InitializationHandler::InitializationHandler()
    : pBgImageVolume(NULL),
      pVolumeText(NULL),
      pWaitTextLine1(NULL),
      pWaitTextLine2(NULL),
      pVolumeNumber(NULL),
      bFirst(FALSE),
      u8Percent(0),
      u8SaidPercent(0)
{}

void InitializationHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    ImageItem* barItems[ItemBar::E_ITEMS];
    BindItems(kLayout, { pBgImageVolume, barItems, pVolumeText, pWaitTextLine1, pWaitTextLine2, pVolumeNumber });
    bar.Bind(barItems, ItemBar::E_CAPS_HIDDEN_AT_ZERO);

    bool first = BriskUiManager::GetInstance()->IsFirstInitialization() != 0;
    bFirst = first ? TRUE : FALSE;
    u16TimeOut = first ? 60000 : 6000;
    SetPercentage(0);
    // Shows the caps again that 0 % hid.
    bar.SetVisible(1);
    ShowItems({ pBgImageVolume, pVolumeNumber }, 1);
    ShowItem(pVolumeText, first ? 1 : 0);
    ShowItems({ pWaitTextLine1, pWaitTextLine2 }, first ? 0 : 1);
}

void InitializationHandler::SetPercentage(unsigned char percent)
{
    if (percent > 100) return;
    u8Percent = percent;
    bar.Fill(percent, 100);
    if (pVolumeNumber != NULL) {
        char text[8];
        snprintf(text, sizeof(text), "%d%%", percent);
        pVolumeNumber->SetText(text);
    }
}

BOOL InitializationHandler::KeyHandler(U32)
{
    ShowOsd();
    return TRUE;
}

void InitializationHandler::TimerHandler(U32)
{
    if (!BriskUiManager::GetInstance()->IsFirstInitialization()) HideOsd();
}

void InitializationHandler::SpeakShown(BOOL anew)
{
    BriskSpeechValue percent("percent", u8Percent);
    if (anew)
        Say({ bFirst ? (size_t)E_SAY_FIRST : (size_t)E_SAY_BOOT }, { percent });
    else if (u8Percent >= u8SaidPercent + E_SPOKEN_STEP)
        Say({ E_SAY_PROGRESS }, { percent });
    else
        return;
    u8SaidPercent = u8Percent;
}
