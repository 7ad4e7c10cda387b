// The smallest host of the installed package, as a desktop host starts:
// it calls only the manager and leaves the middleware to the library, so
// the simulated middleware must be linked although nothing here refers to
// it. It reads the common settings of BRISKUI_ROOT through the manager,
// asks the volume OSD's state, links the number entry's direct tune, and
// lets the library go, as a TV's main process would around Start. The
// public headers compile warning-free under -Wall -Wextra -Werror.
#include <briskui/BriskUiManager.h>
#include <briskui/BriskUiStatus.h>
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
    if (manager == NULL || !manager->LoadCommonSetting()) return 1;
    printf("enabled=%u country=%d colour=%u volume=%u hidden=%d\n", (unsigned)manager->QueryBriskUiEnabled(),
           manager->QueryCountry(), (unsigned)manager->QueryColorFormat(), (unsigned)manager->GetVolumeStatus(),
           (int)VolumeHandler::E_HIDDEN);
    manager->Finalize();
    return 0;
}
