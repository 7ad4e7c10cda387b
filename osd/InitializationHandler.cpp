#include "InitializationHandler.h"

#include <stdio.h>

#include "BriskUiManager.h"

InitializationHandler::InitializationHandler()
    : pBgImageVolume(NULL), pVolumeText(NULL), pWaitTextLine1(NULL), pWaitTextLine2(NULL), pVolumeNumber(NULL)
{
}

void InitializationHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    pBgImageVolume = FindImageItem("bg_image_volume");
    bar.Bind(*this, "volume_bg", "volume_bar_left", "volume_bar_center", "volume_bar_right",
             ItemBar::E_CAPS_HIDDEN_AT_ZERO);
    pVolumeText = FindTextItem("volume_text");
    pWaitTextLine1 = FindTextItem("wait_text_line1");
    pWaitTextLine2 = FindTextItem("wait_text_line2");
    pVolumeNumber = FindTextItem("volume_number");

    bool first = BriskUiManager::GetInstance()->IsFirstInitialization() != 0;
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
