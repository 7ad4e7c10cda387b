// Factory codes and factory information queries of the manager.
//
// The factory side of the library is not part of this build yet: every
// operation says so on the log and answers "nothing" (null, 0 or FALSE),
// so that no caller mistakes a missing answer for a real one.
#include <stdio.h>

#include "BriskUiManager.h"

namespace {

void NotAvailable(const char* operation)
{
    printf("[BriskUI] %s: factory operations are not available in this build\n", operation);
}

}  // namespace

#define BRISK_FACTORY_NOT_AVAILABLE(type, name, result) \
    type BriskUiManager::name()                         \
    {                                                   \
        NotAvailable("BriskUiManager::" #name);         \
        return result;                                  \
    }

BOOL BriskUiManager::ProcessFactoryCode(U16)
{
    NotAvailable("BriskUiManager::ProcessFactoryCode");
    return FALSE;
}

void BriskUiManager::FactoryGetHDCP20_ReceiveID(char* out)
{
    NotAvailable("BriskUiManager::FactoryGetHDCP20_ReceiveID");
    if (out != NULL) out[0] = '\0';
}

BRISK_FACTORY_NOT_AVAILABLE(BOOL, FactorySetSource, FALSE)
BRISK_FACTORY_NOT_AVAILABLE(BOOL, FactoryLoadKeyRawData, FALSE)
BRISK_FACTORY_NOT_AVAILABLE(BOOL, has4KDemoData, FALSE)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetTVModel, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetTVModelId, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetMbootVersion, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetMACAddress, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetWLANMACAddress, NULL)
BRISK_FACTORY_NOT_AVAILABLE(U8, FactoryGetADAdjustRGBStatus, 0)
BRISK_FACTORY_NOT_AVAILABLE(U8, FactoryGetADAdjustCOMPStatus, 0)
BRISK_FACTORY_NOT_AVAILABLE(U8, FactoryGetADAdjustPALStatus, 0)
BRISK_FACTORY_NOT_AVAILABLE(U8, FactoryGetADAdjustNTSCStatus, 0)
BRISK_FACTORY_NOT_AVAILABLE(U8, FactoryGetADAdjustCVBSStatus, 0)
BRISK_FACTORY_NOT_AVAILABLE(U8, FactoryGetEDIDVGA, 0)
BRISK_FACTORY_NOT_AVAILABLE(U8, FactoryGetEDIDHDMI1, 0)
BRISK_FACTORY_NOT_AVAILABLE(U8, FactoryGetEDIDHDMI2, 0)
BRISK_FACTORY_NOT_AVAILABLE(U8, FactoryGetEDIDHDMI3, 0)
BRISK_FACTORY_NOT_AVAILABLE(U8, FactoryGetEDIDHDMI4, 0)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetDLNACheck, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetMainBoardTemp, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetODTable, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetPOT, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetAST, NULL)
BRISK_FACTORY_NOT_AVAILABLE(U8, FactoryGetWriteProtect, 0)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetCIPlusHostID, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetCIPlusSerialNumber, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetWidevineDeviceID, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetNetflixESN, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetHDCP20, NULL)
BRISK_FACTORY_NOT_AVAILABLE(char*, FactoryGetPVR, NULL)
