#include "FactoryOrvexCheck.h"

#include <stdio.h>

#include "BriskUiManager.h"

namespace {

// The version items and the query that answers each, in the order they
// are set at every redraw. The memory-test item is not among them: the
// time-out sets it.
struct ST_ORVEX_ITEM {
    const char* pItem;
    char* (BriskUiManager::*pfQuery)();
};

const ST_ORVEX_ITEM kVersionItems[FactoryOrvexCheck::E_VERSION_ITEMS] = {
    { "orvex_value", &BriskUiManager::FactoryGetORVEXVersion },
    { "arm_value", &BriskUiManager::FactoryGetARMVersion },
    { "brisc_value", &BriskUiManager::FactoryGetBRISCVersion },
    { "crisc_value", &BriskUiManager::FactoryGetCRISCVersion },
    { "fpga_value", &BriskUiManager::FactoryGetFPGAVersion },
    { "boot_loader_value", &BriskUiManager::FactoryGetBootLoaderVersion },
    { "orvexctrl_value", &BriskUiManager::FactoryGetOrvexCtrl },
    { "pq_data_value", &BriskUiManager::FactoryGetOrvexPQVersion },
    { "gpio_connect_test_value", &BriskUiManager::FactoryGetGPIOConnect },
    { "uniformity_value", &BriskUiManager::FactoryGetUniformityData },
    { "ld_data_value", &BriskUiManager::FactoryGetOrvexLD_DATA },
    { "4k_demo_value", &BriskUiManager::has4KDemoData },
};

}  // namespace

FactoryOrvexCheck::FactoryOrvexCheck() : pMemoryTestValue(NULL), pBgImage(NULL)
{
    for (int i = 0; i < E_VERSION_ITEMS; ++i) apVersionItems[i] = NULL;
}

void FactoryOrvexCheck::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    printf("~~ [FactoryOrvexCheck::LoadResource] %d, %s\n", __LINE__, __PRETTY_FUNCTION__);
    for (int i = 0; i < E_VERSION_ITEMS; ++i) apVersionItems[i] = FindTextItem(kVersionItems[i].pItem);
    pMemoryTestValue = FindTextItem("orvex_memory_test_value");
    pBgImage = FindImageItem("bg_image");
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
        const char* text = (manager->*kVersionItems[i].pfQuery)();
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
