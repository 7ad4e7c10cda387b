#include "FactoryOrvexCheck.h"

#include <stdio.h>

#include "BriskUiManager.h"

namespace {

// The version items, in the order they are set at every redraw, each
// answered by the query of kQueries at its index; then the memory-test
// value, which the time-out sets, and the background.
const ST_LAYOUT_ITEM kItems[] = {
    BriskTextItem("orvex_value"),
    BriskTextItem("arm_value"),
    BriskTextItem("brisc_value"),
    BriskTextItem("crisc_value"),
    BriskTextItem("fpga_value"),
    BriskTextItem("boot_loader_value"),
    BriskTextItem("orvexctrl_value"),
    BriskTextItem("pq_data_value"),
    BriskTextItem("gpio_connect_test_value"),
    BriskTextItem("uniformity_value"),
    BriskTextItem("ld_data_value"),
    BriskTextItem("4k_demo_value"),
    BriskTextItem("orvex_memory_test_value"),
    BriskImageItem("bg_image"),
};
typedef char* (BriskUiManager::*VersionQuery)();
const VersionQuery kQueries[FactoryOrvexCheck::E_VERSION_ITEMS] = {
    &BriskUiManager::FactoryGetORVEXVersion, &BriskUiManager::FactoryGetARMVersion,
    &BriskUiManager::FactoryGetBRISCVersion, &BriskUiManager::FactoryGetCRISCVersion,
    &BriskUiManager::FactoryGetFPGAVersion,  &BriskUiManager::FactoryGetBootLoaderVersion,
    &BriskUiManager::FactoryGetOrvexCtrl,    &BriskUiManager::FactoryGetOrvexPQVersion,
    &BriskUiManager::FactoryGetGPIOConnect,  &BriskUiManager::FactoryGetUniformityData,
    &BriskUiManager::FactoryGetOrvexLD_DATA, &BriskUiManager::has4KDemoData,
};
static_assert(sizeof(kItems) / sizeof(kItems[0]) == FactoryOrvexCheck::E_VERSION_ITEMS + 2, "a query per version item");

// A factory screen says its title alone, whenever it comes on the screen.
const ST_SPEECH_TEXT kTexts[] = {
    { "title", "{title}", "", E_SPEECH_INTERRUPT | E_SPEECH_ON_SHOW },
};

}   // namespace

// The time-out sets the memory-test value.
const ST_SPEECH_NEEDS FactoryOrvexCheck::kSpeech = BriskSpeechNeeds(kTexts);
const ST_LAYOUT_NEEDS FactoryOrvexCheck::kLayout = BriskLayoutNeeds(kItems, TRUE);

FactoryOrvexCheck::FactoryOrvexCheck() : pMemoryTestValue(NULL), pBgImage(NULL)
{
    for (int i = 0; i < E_VERSION_ITEMS; ++i) apVersionItems[i] = NULL;
}

void FactoryOrvexCheck::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    printf("~~ [FactoryOrvexCheck::LoadResource] %d, %s\n", __LINE__, __PRETTY_FUNCTION__);
    BindItems(kLayout, { apVersionItems, pMemoryTestValue, pBgImage });
}

BOOL FactoryOrvexCheck::KeyHandler(U32)
{
    ShowOsd();
    return TRUE;
}

void FactoryOrvexCheck::Update(IDirectFBSurface* surface)
{
    BriskUiManager* manager = BriskUiManager::GetInstance();
    manager->GetOrvexInfo();
    for (int i = 0; i < E_VERSION_ITEMS; ++i) {
        if (apVersionItems[i] == NULL) continue;
        const char* text = (manager->*kQueries[i])();
        if (text != NULL) apVersionItems[i]->SetText(text);
    }
    EventHandler::Update(surface);
    // At the first drawing the hide timer that showing the screen armed
    // is pending with the layout's time-out, so this only restarts it;
    // every timer added later runs 100 ms.
    u16TimeOut = E_REFRESH_MS;
    SetOSDTimer();
}

void FactoryOrvexCheck::TimerHandler(U32)
{
    BriskUiManager* manager = BriskUiManager::GetInstance();
    ShowOsd();
    if (pMemoryTestValue != NULL) {
        const char* text = manager->FactoryGetOrvexMemory();
        if (text != NULL) pMemoryTestValue->SetText(text);
    }
    // Recomposing runs Update again, which re-arms the timer; removing it
    // afterwards leaves the screen up with no timer until the next showing
    // or redraw.
    manager->UpdateOsd();
    KillOSDTimer();
}
