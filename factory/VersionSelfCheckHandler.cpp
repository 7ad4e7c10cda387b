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

typedef BriskUiManager M;

// Every value item of the page and what fills it, in the order they are
// refreshed (kItems and kFills side by side). An item the layout lacks is
// skipped with its query.
const ST_LAYOUT_ITEM kItems[] = {
    BriskTextItem("tv_model_value"),
    BriskTextItem("model_info_value"),
    BriskTextItem("sw_version_value"),
    BriskTextItem("mstar_version_value"),
    BriskTextItem("mboot_version_value"),
    BriskTextItem("mac_value"),
    BriskTextItem("wlan_mac_value"),
    BriskTextItem("a/d_adjust_pal_value"),
    BriskTextItem("a/d_adjust_ntsc_value"),
    BriskTextItem("a/d_adjust_comp_value"),
    BriskTextItem("a/d_adjust_rgb/pc_value"),
    BriskTextItem("a/d_adjust_cvbs_value"),
    BriskTextItem("edid_vga_value"),
    BriskTextItem("edid_hdmi1_value"),
    BriskTextItem("edid_hdmi2_value"),
    BriskTextItem("edid_hdmi3_value"),
    BriskTextItem("edid_hdmi4_value"),
    BriskTextItem("dlna_check_value"),
    BriskTextItem("mainboard_temp_value"),
    BriskTextItem("od_table_value"),
    BriskTextItem("pot_value"),
    BriskTextItem("ast_value"),
    BriskTextItem("netflix_esn_value"),
    BriskTextItem("widevine_value"),
    BriskTextItem("hdcp_value"),
    BriskTextItem("pvr_value"),
    BriskTextItem("ci_serial_number_value"),
    BriskTextItem("ci_host_id_value"),
    // Not filled from the table: the write-protect check, and the
    // background, whose nine-character file name the check swaps.
    BriskTextItem("wp_value"),
    BriskImageItem("bg_image", NULL, "black.png blue1.png", TRUE),
};
const ValueFill kFills[VersionSelfCheckHandler::E_VALUE_ITEMS] = {
    &Text<&M::FactoryGetTVModel>,
    &Text<&M::FactoryGetTVModelId>,
    &Version<&M::GetSwVersion>,
    &Version<&M::GetMStarVersion>,
    &Text<&M::FactoryGetMbootVersion>,
    &Text<&M::FactoryGetMACAddress>,
    &Text<&M::FactoryGetWLANMACAddress>,
    &Check<&M::FactoryGetADAdjustPALStatus>,
    &Check<&M::FactoryGetADAdjustNTSCStatus>,
    &Check<&M::FactoryGetADAdjustCOMPStatus>,
    &Check<&M::FactoryGetADAdjustRGBStatus>,
    &Check<&M::FactoryGetADAdjustCVBSStatus>,
    &VgaEeprom,
    &Check<&M::FactoryGetEDIDHDMI1>,
    &Check<&M::FactoryGetEDIDHDMI2>,
    &Check<&M::FactoryGetEDIDHDMI3>,
    &Check<&M::FactoryGetEDIDHDMI4>,
    &Text<&M::FactoryGetDLNACheck>,
    &Text<&M::FactoryGetMainBoardTemp>,
    &Text<&M::FactoryGetODTable>,
    &Text<&M::FactoryGetPOT>,
    &Text<&M::FactoryGetAST>,
    // Key-file identities: an " NG" inside the answer keeps the layout's colour.
    &Text<&M::FactoryGetNetflixESN>,
    &Text<&M::FactoryGetWidevineDeviceID>,
    &Text<&M::FactoryGetHDCP20>,
    &Text<&M::FactoryGetPVR>,
    &Text<&M::FactoryGetCIPlusSerialNumber>,
    &Text<&M::FactoryGetCIPlusHostID>,
};
static_assert(sizeof(kItems) / sizeof(kItems[0]) == VersionSelfCheckHandler::E_VALUE_ITEMS + 2,
              "a fill per value item");

// A factory screen says its title alone, whenever it comes on the screen.
const ST_SPEECH_TEXT kTexts[] = {
    { "title", "{title}", "", E_SPEECH_INTERRUPT | E_SPEECH_ON_SHOW },
};

}   // namespace

// The page stays until its status is cleared: the time-out is not used.
const ST_SPEECH_NEEDS VersionSelfCheckHandler::kSpeech = BriskSpeechNeeds(kTexts);
const ST_LAYOUT_NEEDS VersionSelfCheckHandler::kLayout = BriskLayoutNeeds(kItems, FALSE);

VersionSelfCheckHandler::VersionSelfCheckHandler() : pWriteProtectValue(NULL), pBgImage(NULL)
{
    for (int i = 0; i < E_VALUE_ITEMS; ++i) apValues[i] = NULL;
}

void VersionSelfCheckHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    printf("%d, %s\n", __LINE__, __PRETTY_FUNCTION__);
    BindItems(kLayout, { apValues, pWriteProtectValue, pBgImage });
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
        if (apValues[i] != NULL) kFills[i](manager, apValues[i]);

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

void VersionSelfCheckHandler::TimerHandler(U32) {}
