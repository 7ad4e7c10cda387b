#include "VolumeHandler.h"

#include <stdio.h>

#include "BriskKeys.h"
#include "BriskUiManager.h"
#include "Middleware.h"

namespace {

// Factory data items of the hotel mode.
const unsigned short kHotelModeItem = 0x4022;
const unsigned short kHotelMaxVolumeItem = 0x4029;
// Mute-status type asked before un-muting, and the mute type set.
const U8 kMuteStatusType = 3;
const U8 kMuteType = 4;

const ST_LAYOUT_ITEM kItems[] = {
    BriskImageItem("bg_image_volume"),
    BriskImageItem("bg_image_mute"),
    BriskImageItem("volume_icon"),
    BriskImageItem("half_mute_icon"),
    BriskImageItem("mute_icon"),
    // The bar: track, left cap, middle, right cap.
    BriskImageItem("volume_bg"),
    BriskImageItem("volume_bar_left"),
    BriskImageItem("volume_bar_center"),
    BriskImageItem("volume_bar_right"),
    BriskTextItem("volume_text"),
    BriskTextItem("mute_text"),
    BriskTextItem("volume_number"),
};
const ST_LAYOUT_KEY kKeys[] = {
    { "u16MaxVolume", E_LAYOUT_KEY_U16, 0 },
};

// The volume, mute and half mute, each said once the keys pause: VOL+ held
// down says its last value.
enum { E_SAY_VOLUME, E_SAY_MUTE, E_SAY_HALF_MUTE };
const ST_SPEECH_TEXT kTexts[] = {
    { "volume", "{volume_text} {value}", "value", E_SPEECH_INTERRUPT | E_SPEECH_SETTLE },
    { "mute", "{mute_text}", "", E_SPEECH_INTERRUPT | E_SPEECH_SETTLE },
    { "half_mute", "1/2 {mute_text}", "", E_SPEECH_INTERRUPT | E_SPEECH_SETTLE },
};

}   // namespace

const ST_LAYOUT_NEEDS VolumeHandler::kLayout = BriskLayoutNeeds(kItems, kKeys, TRUE);
const ST_SPEECH_NEEDS VolumeHandler::kSpeech = BriskSpeechNeeds(kTexts);

VolumeHandler::VolumeHandler()
    : pBgImageVolume(NULL),
      pBgImageMute(NULL),
      pVolumeIcon(NULL),
      pHalfMuteIcon(NULL),
      pMuteIcon(NULL),
      pVolumeText(NULL),
      pMuteText(NULL),
      pVolumeNumber(NULL),
      u16MaxVolume(0),
      u32State(E_HIDDEN)
{}

void VolumeHandler::LoadResource(const char* path)
{
    LayoutKeys keys;
    LoadLayout(path, keys);
    ImageItem* barItems[ItemBar::E_ITEMS];
    BindItems(kLayout, { pBgImageVolume, pBgImageMute, pVolumeIcon, pHalfMuteIcon, pMuteIcon, barItems, pVolumeText,
                         pMuteText, pVolumeNumber });
    bar.Bind(barItems, ItemBar::E_CAPS_ALWAYS);

    strMuteText = pMuteText != NULL ? pMuteText->GetText() : std::string();
    strHalfMuteText = "1/2 " + strMuteText;

    if (keys.IsOpen())
        u16MaxVolume = (U16)keys.GetUnsigned("setting:u16MaxVolume", 100);
    else
        printf("[BriskUI] VolumeHandler::LoadResource failed, no such file %s%s\n", path, keys.Problem().c_str());
}

U8 VolumeHandler::GetHotelMode()
{
    unsigned char value = 0;
    MSrv_Factory_Default* factory = MSrv_Control_common::GetMSrvFactoryDefault();
    if (factory != NULL) factory->GetFactoryData(kHotelModeItem, &value);
    return value & 1;
}

U8 VolumeHandler::GetHotelMaxVolumeValue()
{
    unsigned char value = 0;
    MSrv_Factory_Default* factory = MSrv_Control_common::GetMSrvFactoryDefault();
    if (factory != NULL) factory->GetFactoryData(kHotelMaxVolumeItem, &value);
    return value;
}

BOOL VolumeHandler::setHalfMute(unsigned char on)
{
    printf("Do function: %s\n", "setHalfMute");
    MSrv_SSSound* sound = MSrv_Control_common::GetMSrvSSSound();
    U8 volume = sound->GetVolume();
    MSrv_System_Database* database = MSrv_Control_common::GetMSrvSystemDatabase();
    // The flag is one byte of a large record: write the record back only
    // when it was read, never a record of whatever the stack held.
    MS_USER_SYSTEM_SETTING setting;
    if (database != NULL && database->GetUserSystemSetting(&setting)) {
        setting.u8HalfMute = on;
        database->SetUserSystemSetting(&setting);
    }
    if (!on) return sound->SetVolume(volume, 1);
    if (volume <= 1) {
        printf("[%d] Current Volume set to %d\n", 294, 0);
        return sound->SetVolume(0, 0);
    }
    U8 half = (U8)(volume >> 1);
    printf("[%d]Current Volume set to %d\n", 300, half);
    return sound->SetVolume(half, 0);
}

BOOL VolumeHandler::KeyHandler(U32 key)
{
    MSrv_System_Database* database = MSrv_Control_common::GetMSrvSystemDatabase();
    _SoundSettingType setting;
    // Without the stored setting the volume still changes, from the volume
    // applied now, but the setting (balance and the rest) is not overwritten.
    bool settingRead = database != NULL && database->GetAudioSetting(&setting);
    U8 volume = settingRead ? setting.u8Volume : MSrv_Control_common::GetMSrvSSSound()->GetVolume();
    BriskUiManager* manager = BriskUiManager::GetInstance();
    // What the volume keys change is said (when anyone listens).
    bool say = (key == BRISKKEY_VOLUME_UP || key == BRISKKEY_VOLUME_DOWN || key == BRISKKEY_MUTE) && SpeechWanted();

    switch (key) {
    case BRISKKEY_VOLUME_UP: {
        puts("BRISKUI - KEY VOL+");
        u32State = E_VOLUME_BAR;
        U8 ceiling = GetHotelMode() == 1 ? GetHotelMaxVolumeValue() : 100;
        if (volume < ceiling) ++volume;
        break;
    }
    case BRISKKEY_VOLUME_DOWN:
        puts("BRISKUI - KEY VOL-");
        u32State = E_VOLUME_BAR;
        if (volume > 0) --volume;
        break;
    case BRISKKEY_MUTE:
        puts("BRISKUI - KEY MUTE-");
        if (u32State == E_HIDDEN || u32State == E_VOLUME_BAR) {
            int country = manager->QueryCountry();
            if (country == E_BRISKUI_COUNTRY_NA) {
                u32State = E_HALF_MUTE;
            } else if (country == E_BRISKUI_COUNTRY_EU) {
                u32State = E_MUTE;
            } else {
                // Other groups never start; mute as in EU.
                printf("[BriskUI] unknown country:%d\n", country);
                u32State = E_MUTE;
            }
        } else if (u32State == E_HALF_MUTE) {
            u32State = E_MUTE;
        } else {
            u32State = E_VOLUME_BAR;
        }
        break;
    case BRISKKEY_EXIT:
    case BRISKKEY_CUSTOM61_EXIT:
        if (u32State == E_VOLUME_BAR) {
            HideOsd();
            u32State = E_HIDDEN;
            return TRUE;
        }
        break;
    default:
        puts("UNKNOWN KEY IN VOLUME HANDLER");
        break;
    }

    if (u32State == E_VOLUME_BAR) {
        MSrv_SSSound* sound = MSrv_Control_common::GetMSrvSSSound();
        if (sound->GetMuteStatus(kMuteStatusType) != 0) sound->SetMuteStatus(kMuteType, 0);
        printf("Current Volume set to %d\n", volume);
        sound->SetVolume(volume, 1);
        if (settingRead) {
            setting.u8Volume = volume;
            database->SetAudioSetting(&setting);
        }
        ShowVolumeBar(volume);
        if (say) Say({ E_SAY_VOLUME }, { { "value", volume } });
    } else if (u32State == E_HALF_MUTE) {
        setHalfMute(1);
        ShowMutePanel(true);
        if (say) Say({ E_SAY_HALF_MUTE });
    } else if (u32State == E_MUTE) {
        MSrv_Control_common::GetMSrvSSSound()->SetMuteStatus(kMuteType, 1);
        ShowMutePanel(false);
        if (say) Say({ E_SAY_MUTE });
    }
    ShowOsd();
    return TRUE;
}

void VolumeHandler::ShowVolumeBar(U8 volume)
{
    bar.Fill(volume, 100);
    if (pVolumeNumber != NULL) {
        char number[8];
        snprintf(number, sizeof(number), "%d", volume);
        pVolumeNumber->SetText(number);
    }
    ShowItems({ pBgImageVolume, pVolumeIcon, pVolumeText, pVolumeNumber }, 1);
    bar.SetVisible(1);
    ShowItems({ pBgImageMute, pHalfMuteIcon, pMuteIcon, pMuteText }, 0);
}

void VolumeHandler::ShowMutePanel(bool half)
{
    if (pMuteText != NULL) pMuteText->SetText(half ? strHalfMuteText.c_str() : strMuteText.c_str());
    ShowItems({ pBgImageMute, pMuteText }, 1);
    ShowItem(pHalfMuteIcon, half ? 1 : 0);
    ShowItem(pMuteIcon, half ? 0 : 1);
    ShowItems({ pBgImageVolume, pVolumeIcon, pVolumeText, pVolumeNumber }, 0);
    bar.SetVisible(0);
}

BOOL VolumeHandler::StatusCleared()
{
    if (u32State != E_VOLUME_BAR) return FALSE;
    u32State = E_HIDDEN;
    return TRUE;
}

void VolumeHandler::TimerHandler(U32)
{
    if (u32State == E_VOLUME_BAR) {
        HideOsd();
        u32State = E_HIDDEN;
    }
}
