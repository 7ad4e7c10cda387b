// Factory codes (the video input switches of "Video EXT-1" to "EXT-9" and
// the direct-source label) and the stubs of the 4k2k sub-board that this
// set does not have.
#include <stdio.h>
#include <string.h>

#include "BriskUiManager.h"
#include "ManagerLock.h"
#include "Middleware.h"

namespace {

// One row per factory code of the video-input family: the M-mode log line
// and the factory event it sends (none for EXT-2, which is accepted and does
// nothing), and the input label FactorySetSource shows for it. EXT-3 and
// EXT-4 send 9 and 8: the middleware's event order, not the code order.
struct FactoryVideoCode {
    unsigned short code;
    const char* message;
    int event;   // EN_FACTORY_EVENT, or kNoEvent
    const char* label;
};

const int kNoEvent = -1;

const FactoryVideoCode kVideoCodes[] = {
    { 60289, "(FACTORY:) Video EXT-1 ", E_FACTORY_EVENT_VIDEO_EXT1, "SCART 1" },
    { 60290, NULL, kNoEvent, "SCART 1" },
    { 60291, "(FACTORY:) Video EXT-3 ", E_FACTORY_EVENT_VIDEO_EXT3, "Component" },
    { 60292, "(FACTORY:) Video EXT-4 ", E_FACTORY_EVENT_VIDEO_EXT4, "Composite" },
    { 60293, "(FACTORY:) Video EXT-5 ", E_FACTORY_EVENT_VIDEO_EXT5, "HDMI 1" },
    { 60294, "(FACTORY:) Video EXT-6 ", E_FACTORY_EVENT_VIDEO_EXT6, "HDMI 2" },
    { 60295, "(FACTORY:) Video EXT-7 ", E_FACTORY_EVENT_VIDEO_EXT7, "HDMI 3" },
    { 60296, "(FACTORY:) Video EXT-8 ", E_FACTORY_EVENT_VIDEO_EXT8, "HDMI 4" },
    { 60297, "(FACTORY:) Video EXT-9 ", E_FACTORY_EVENT_VIDEO_EXT9, "PC" },
};

// The label of every other code, and of the start value 0.
const char kDefaultSourceLabel[] = "Component";

const FactoryVideoCode* FindVideoCode(unsigned short code)
{
    for (size_t i = 0; i < sizeof(kVideoCodes) / sizeof(kVideoCodes[0]); ++i)
        if (kVideoCodes[i].code == code) return &kVideoCodes[i];
    return NULL;
}

}   // namespace

void BriskUiManager::ProcessFactoryCode(unsigned short code)
{
    {
        BriskManagerLock lock;
        u16FactorySourceCode = code;
    }
    // The middleware is called without the manager lock: switching the
    // input may make it deliver events, whose callback takes the lock.
    const FactoryVideoCode* row = FindVideoCode(code);
    if (row == NULL || row->event == kNoEvent) return;
    MSrv_Factory_Cmd* cmd = MSrv_Control_common::GetMSrvFactoryCmd();
    if (cmd == NULL) return;
    if (cmd->GetFactoryMmodeStatus() != 0) puts(row->message);
    cmd->_HandleFactoryEvent((EN_FACTORY_EVENT)row->event, 0, 0);
}

const char* BriskUiManager::FactorySetSource()
{
    unsigned short code;
    {
        BriskManagerLock lock;
        code = u16FactorySourceCode;
    }
    const FactoryVideoCode* row = FindVideoCode(code);
    return row != NULL ? row->label : kDefaultSourceLabel;
}

// ---- 4k2k sub-board stubs ----------------------------------------------------

char* BriskUiManager::Stub(const char* notice)
{
    if (notice != NULL) puts(notice);
    BriskManagerLock lock;
    memset(acStubBuffer, 0, sizeof(acStubBuffer));
    return acStubBuffer;
}

#define BRISK_SUBBOARD_STUB(name) \
    char* BriskUiManager::name() { return Stub(NULL); }
#define BRISK_SUBBOARD_STUB_NOTICE(name) \
    char* BriskUiManager::name() { return Stub("\n~~ [" #name "] is for 4k2k project. "); }

BRISK_SUBBOARD_STUB(has4KDemoData)
BRISK_SUBBOARD_STUB_NOTICE(FactoryGetOrvexMemory)
BRISK_SUBBOARD_STUB(FactoryGetOrvexLD_DATA)
BRISK_SUBBOARD_STUB(FactoryGetUniformityData)
BRISK_SUBBOARD_STUB(FactoryGetGPIOConnect)
BRISK_SUBBOARD_STUB_NOTICE(FactoryGetUSBConnect)
BRISK_SUBBOARD_STUB(FactoryGetInformation)
BRISK_SUBBOARD_STUB(FactoryGetOrvexPQVersion)
BRISK_SUBBOARD_STUB(FactoryGetOrvexCtrl)
BRISK_SUBBOARD_STUB_NOTICE(FactoryGetBootLoaderVersion)
BRISK_SUBBOARD_STUB_NOTICE(FactoryGetFPGAVersion)
BRISK_SUBBOARD_STUB_NOTICE(FactoryGetBRISCVersion)
BRISK_SUBBOARD_STUB_NOTICE(FactoryGetCRISCVersion)
BRISK_SUBBOARD_STUB_NOTICE(FactoryGetARMVersion)
BRISK_SUBBOARD_STUB_NOTICE(FactoryGetORVEXVersion)

#undef BRISK_SUBBOARD_STUB
#undef BRISK_SUBBOARD_STUB_NOTICE
