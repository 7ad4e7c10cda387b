#include "VersionSelfCheckHandler.h"

#include <stdio.h>

#include <string>

#include "BriskUiManager.h"

namespace {

// Fills one value item from the manager's factory queries.
typedef void (*ValueFill)(BriskUiManager* manager, TextItem* item);

// The query's text unchanged, in the layout's colour; a null answer (no
// buffer) leaves the item as it was.
template <char* (BriskUiManager::*Query)()>
void Text(BriskUiManager* manager, TextItem* item)
{
    const char* text = (manager->*Query)();
    if (text != NULL) item->SetText(text);
}

template <std::string (BriskUiManager::*Query)()>
void Version(BriskUiManager* manager, TextItem* item)
{
    item->SetText((manager->*Query)().c_str());
}

// A check: 1 passes ("OK", white), any other answer fails ("NG", red).
// The colour is set first, so the text never shows in the old one.
void PassFail(TextItem* item, bool pass)
{
    item->SetFontColor(pass ? VersionSelfCheckHandler::kPassColour : VersionSelfCheckHandler::kFailColour);
    item->SetText(pass ? "OK" : "NG");
}

template <U8 (BriskUiManager::*Query)()>
void Check(BriskUiManager* manager, TextItem* item)
{
    PassFail(item, (manager->*Query)() == 1);
}

// The VGA EDID memory: version 01, not set, or failed; the colour stays.
void VgaEeprom(BriskUiManager* manager, TextItem* item)
{
    switch (manager->FactoryGetEDIDVGA()) {
    case 1:
        item->SetText("VGA EEPROM Ver.01");
        break;
    case 2:
        item->SetText("VGA EEPROM _ _ ");
        break;
    default:
        item->SetText("VGA EEPROM NG");
        break;
    }
}

struct ST_SELF_CHECK_VALUE {
    const char* pItem;
    ValueFill pfFill;
};

typedef BriskUiManager M;

// Every value item of the page and what fills it, in the order they are
// refreshed. An item the layout lacks is skipped with its query.
const ST_SELF_CHECK_VALUE kValues[VersionSelfCheckHandler::E_VALUE_ITEMS] = {
    { "tv_model_value", &Text<&M::FactoryGetTVModel> },
    { "model_info_value", &Text<&M::FactoryGetTVModelId> },
    { "sw_version_value", &Version<&M::GetSwVersion> },
    { "mstar_version_value", &Version<&M::GetMStarVersion> },
    { "mboot_version_value", &Text<&M::FactoryGetMbootVersion> },
    { "mac_value", &Text<&M::FactoryGetMACAddress> },
    { "wlan_mac_value", &Text<&M::FactoryGetWLANMACAddress> },
    { "a/d_adjust_pal_value", &Check<&M::FactoryGetADAdjustPALStatus> },
    { "a/d_adjust_ntsc_value", &Check<&M::FactoryGetADAdjustNTSCStatus> },
    { "a/d_adjust_comp_value", &Check<&M::FactoryGetADAdjustCOMPStatus> },
    { "a/d_adjust_rgb/pc_value", &Check<&M::FactoryGetADAdjustRGBStatus> },
    { "a/d_adjust_cvbs_value", &Check<&M::FactoryGetADAdjustCVBSStatus> },
    { "edid_vga_value", &VgaEeprom },
    { "edid_hdmi1_value", &Check<&M::FactoryGetEDIDHDMI1> },
    { "edid_hdmi2_value", &Check<&M::FactoryGetEDIDHDMI2> },
    { "edid_hdmi3_value", &Check<&M::FactoryGetEDIDHDMI3> },
    { "edid_hdmi4_value", &Check<&M::FactoryGetEDIDHDMI4> },
    { "dlna_check_value", &Text<&M::FactoryGetDLNACheck> },
    { "mainboard_temp_value", &Text<&M::FactoryGetMainBoardTemp> },
    { "od_table_value", &Text<&M::FactoryGetODTable> },
    { "pot_value", &Text<&M::FactoryGetPOT> },
    { "ast_value", &Text<&M::FactoryGetAST> },
    // Key-file identities: an " NG" inside the answer keeps the layout's colour.
    { "netflix_esn_value", &Text<&M::FactoryGetNetflixESN> },
    { "widevine_value", &Text<&M::FactoryGetWidevineDeviceID> },
    { "hdcp_value", &Text<&M::FactoryGetHDCP20> },
    { "pvr_value", &Text<&M::FactoryGetPVR> },
    { "ci_serial_number_value", &Text<&M::FactoryGetCIPlusSerialNumber> },
    { "ci_host_id_value", &Text<&M::FactoryGetCIPlusHostID> },
};

}  // namespace

VersionSelfCheckHandler::VersionSelfCheckHandler() : pWriteProtectValue(NULL), pBgImage(NULL)
{
    for (int i = 0; i < E_VALUE_ITEMS; ++i) apValues[i] = NULL;
}

void VersionSelfCheckHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    printf("%d, %s\n", __LINE__, __PRETTY_FUNCTION__);
    for (int i = 0; i < E_VALUE_ITEMS; ++i) apValues[i] = FindTextItem(kValues[i].pItem);
    pWriteProtectValue = FindTextItem("wp_value");
    pBgImage = FindImageItem("bg_image");
}

BOOL VersionSelfCheckHandler::KeyHandler(U32)
{
    ShowOsd();
    return TRUE;
}

void VersionSelfCheckHandler::Update(IDirectFBSurface* surface)
{
    BriskUiManager* manager = BriskUiManager::GetInstance();
    manager->FactoryLoadKeyRawData();
    for (int i = 0; i < E_VALUE_ITEMS; ++i)
        if (apValues[i] != NULL) kValues[i].pfFill(manager, apValues[i]);

    // Write protect on: black page and "OK"; open: blue page and "NG". The
    // layout names a background of nine characters, so only the file name
    // changes; a shorter path is left as it is.
    if (pWriteProtectValue != NULL) {
        bool protectedSet = manager->FactoryGetWriteProtect() == 1;
        SwapPathEnding(pBgImage, protectedSet ? "black.png" : "blue1.png");
        PassFail(pWriteProtectValue, protectedSet);
    }
    EventHandler::Update(surface);
}

void VersionSelfCheckHandler::TimerHandler(U32)
{
}
