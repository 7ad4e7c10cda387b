#include "FactoryDirectlyInputSourceChanged.h"

#include <stdio.h>

#include "BriskUiManager.h"

void FactoryDirectlyInputSourceChanged::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    printf(" %d, %s\n", __LINE__, __PRETTY_FUNCTION__);
    pInputSourceValue = FindTextItem("inputsource_value");
    pBgImage = FindImageItem("bg_image");
}

BOOL FactoryDirectlyInputSourceChanged::KeyHandler(U32)
{
    ShowOsd();
    return TRUE;
}

void FactoryDirectlyInputSourceChanged::Update(IDirectFBSurface* surface)
{
    BriskUiManager* manager = BriskUiManager::GetInstance();
    manager->FactoryLoadKeyRawData();
    if (pInputSourceValue != NULL) pInputSourceValue->SetText(manager->FactorySetSource());
    // The layout names a nine-character file so that its directory
    // survives; a shorter path is left as it is.
    SwapPathEnding(pBgImage, "white.PNG");
    EventHandler::Update(surface);
}

void FactoryDirectlyInputSourceChanged::TimerHandler(U32)
{
}
