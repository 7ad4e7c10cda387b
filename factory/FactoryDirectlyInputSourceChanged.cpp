#include "FactoryDirectlyInputSourceChanged.h"

#include <stdio.h>

#include "BriskUiManager.h"

namespace {

// The layout names a nine-character background file so that its folder
// survives the swap to "white.PNG".
const ST_LAYOUT_ITEM kItems[] = {
    BriskTextItem("inputsource_value"),
    BriskImageItem("bg_image", NULL, "white.PNG", TRUE),
};

// A factory screen says its title alone, whenever it comes on the screen.
const ST_SPEECH_TEXT kTexts[] = {
    { "title", "{inputsource_label}", "", E_SPEECH_INTERRUPT | E_SPEECH_ON_SHOW },
};

}   // namespace

const ST_SPEECH_NEEDS FactoryDirectlyInputSourceChanged::kSpeech = BriskSpeechNeeds(kTexts);
const ST_LAYOUT_NEEDS FactoryDirectlyInputSourceChanged::kLayout = BriskLayoutNeeds(kItems, FALSE);

void FactoryDirectlyInputSourceChanged::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    printf(" %d, %s\n", __LINE__, __PRETTY_FUNCTION__);
    BindItems(kLayout, { pInputSourceValue, pBgImage });
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

void FactoryDirectlyInputSourceChanged::TimerHandler(U32) {}
