// The smallest host of the installed package: reads the common settings of
// BRISKUI_ROOT through the manager, asks the volume OSD's state, links the
// number entry's direct tune, and lets the library go, as a TV's main
// process would around Start.
#include <briskui/BriskUiManager.h>
#include <briskui/ChannelNumberHandler.h>
#include <briskui/Middleware.h>
#include <briskui/VolumeHandler.h>
#include <stdio.h>

int main()
{
    typedef BOOL (ChannelNumberHandler::*DirectTune)(unsigned short, unsigned short, EN_VRL_BRISKUI_DIRECT_TUNE_TYPE);
    DirectTune tune = &ChannelNumberHandler::selectProgramByMajorMinorNumber;
    if (tune == NULL) return 1;
    BriskUiManager* manager = BriskUiManager::GetInstance();
    if (manager == NULL || !manager->LoadCommonSetting() || MSystem::GetInstance() == NULL) return 1;
    printf("enabled=%u country=%d colour=%u volume=%u hidden=%d\n", (unsigned)manager->QueryBriskUiEnabled(),
           manager->QueryCountry(), (unsigned)manager->QueryColorFormat(), (unsigned)manager->GetVolumeStatus(),
           (int)VolumeHandler::E_HIDDEN);
    manager->Finalize();
    return 0;
}
