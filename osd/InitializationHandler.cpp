#include "InitializationHandler.h"

#include <stdio.h>

#include "BriskUiManager.h"

InitializationHandler::InitializationHandler()
    : pBgImageVolume(NULL), pVolumeBg(NULL), pVolumeBarLeft(NULL), pVolumeBarCenter(NULL), pVolumeBarRight(NULL),
      pVolumeText(NULL), pWaitTextLine1(NULL), pWaitTextLine2(NULL), pVolumeNumber(NULL), u32BarSpan(0)
{
}

void InitializationHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    pBgImageVolume = FindImageItem("bg_image_volume");
    pVolumeBg = FindImageItem("volume_bg");
    pVolumeBarLeft = FindImageItem("volume_bar_left");
    pVolumeBarCenter = FindImageItem("volume_bar_center");
    pVolumeBarRight = FindImageItem("volume_bar_right");
    pVolumeText = FindTextItem("volume_text");
    pWaitTextLine1 = FindTextItem("wait_text_line1");
    pWaitTextLine2 = FindTextItem("wait_text_line2");
    pVolumeNumber = FindTextItem("volume_number");
    u32BarSpan = BarSpan(pVolumeBg, pVolumeBarLeft, pVolumeBarRight);

    bool first = BriskUiManager::GetInstance()->IsFirstInitialization() != 0;
    u16TimeOut = first ? 60000 : 6000;
    SetPercentage(0);
    ShowItem(pBgImageVolume, 1);
    ShowItem(pVolumeBg, 1);
    ShowItem(pVolumeBarLeft, 1);
    ShowItem(pVolumeBarCenter, 1);
    ShowItem(pVolumeBarRight, 1);
    ShowItem(pVolumeNumber, 1);
    ShowItem(pVolumeText, first ? 1 : 0);
    ShowItem(pWaitTextLine1, first ? 0 : 1);
    ShowItem(pWaitTextLine2, first ? 0 : 1);
}

void InitializationHandler::SetPercentage(unsigned char percent)
{
    if (percent > 100) return;
    if (pVolumeBarCenter != NULL && pVolumeBarRight != NULL) {
        U32 width = u32BarSpan * percent / 100;
        pVolumeBarCenter->SetWidth(width);
        pVolumeBarRight->SetLeft(pVolumeBarCenter->GetLeft() + width);
        ShowItem(pVolumeBarLeft, percent == 0 ? 0 : 1);
        ShowItem(pVolumeBarRight, percent == 0 ? 0 : 1);
    }
    if (pVolumeNumber != NULL) {
        char text[8];
        snprintf(text, sizeof(text), "%d%%", percent);
        pVolumeNumber->SetText(text);
    }
}

BOOL InitializationHandler::KeyHandler(U32)
{
    BriskUiManager::GetInstance()->EnableStatus(E_BRISKUI_OSD_STATUS_INITIALIZATION, u16StateMask);
    return TRUE;
}

void InitializationHandler::TimerHandler(U32)
{
    BriskUiManager* manager = BriskUiManager::GetInstance();
    if (!manager->IsFirstInitialization()) manager->DisableStatus(E_BRISKUI_OSD_STATUS_INITIALIZATION);
}
