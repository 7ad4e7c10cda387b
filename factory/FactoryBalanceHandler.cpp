#include "FactoryBalanceHandler.h"

#include <stdio.h>

#include "BriskPlatform.h"
#include "Middleware.h"

namespace {

// Printed when a stored satellite cannot be read although its index is
// below the count: the signature the factory line's logs have always shown.
const char kKeyHandlerSignature[] = "virtual void FactoryBalanceHandler::KeyHandler(U32)";

// The balance steps: 0 to -50, -50 to +50, anything else back to 0.
S8 NextBalance(S8 stored)
{
    if (stored == 0) return -50;
    if (stored == -50) return 50;
    return 0;
}

bool InFactoryMmode()
{
    MSrv_Factory_Cmd* cmd = MSrv_Control_common::GetMSrvFactoryCmd();
    return cmd != NULL && cmd->GetFactoryMmodeStatus() != 0;
}

void Trace(int line) { printf("\n\033[1;35m [%s] [%s] [%d] \033[0m \n", "FactoryBalanceHandler", "KeyHandler", line); }

// Flips the dish/LNB toggle byte of the user system setting and stores the
// setting; returns the new value (0 or 1). A setting that cannot be read
// is never written back: the flip then starts from 0 and is not kept.
U8 FlipDishLnbToggle()
{
    MSrv_System_Database* database = MSrv_Control_common::GetMSrvSystemDatabase();
    MS_USER_SYSTEM_SETTING setting = {};
    bool read = database != NULL && database->GetUserSystemSetting(&setting);
    setting.u8DishLnbToggle = setting.u8DishLnbToggle == 0 ? 1 : 0;
    if (read) database->SetUserSystemSetting(&setting);
    return setting.u8DishLnbToggle;
}

// The satellite player, null when the current DTV player is another one.
MSrv_DTV_Player_DVBS* SatellitePlayer() { return dynamic_cast<MSrv_DTV_Player_DVBS*>(MSrv_Control_TV::GetMSrvDtv()); }

const ST_LAYOUT_ITEM kItems[] = {
    BriskTextItem("text"),
};

// A factory screen says its title alone, whenever it comes on the screen.
const ST_SPEECH_TEXT kTexts[] = {
    { "title", "{text}", "", E_SPEECH_INTERRUPT | E_SPEECH_ON_SHOW },
};

}   // namespace

const ST_SPEECH_NEEDS FactoryBalanceHandler::kSpeech = BriskSpeechNeeds(kTexts);
const ST_LAYOUT_NEEDS FactoryBalanceHandler::kLayout = BriskLayoutNeeds(kItems, TRUE);

void FactoryBalanceHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    BindItems(kLayout, { pText });
}

BOOL FactoryBalanceHandler::KeyHandler(U32)
{
    unsigned short code = 0;
    MSrv_Factory_Cmd* cmd = MSrv_Control_common::GetMSrvFactoryCmd();
    if (cmd != NULL) cmd->GetFactoryCode(&code);
    switch (code) {
    case E_CODE_BALANCE:
        StepBalance();
        break;
    case E_CODE_DISH_POSITION:
        if (!ToggleDishPosition()) return TRUE;
        break;
    case E_CODE_LNB_POWER:
        ToggleLnbPower();
        break;
    default:
        break;
    }
    ShowOsd();
    return TRUE;
}

void FactoryBalanceHandler::TimerHandler(U32) { HideOsd(); }

void FactoryBalanceHandler::SetText(const char* text)
{
    if (pText != NULL) pText->SetText(text);
}

void FactoryBalanceHandler::StepBalance()
{
    MSrv_System_Database* database = MSrv_Control_common::GetMSrvSystemDatabase();
    _SoundSettingType setting;
    // Without the stored setting the balance still steps, from 0, but the
    // setting (volume and the rest) is not overwritten.
    bool read = database != NULL && database->GetAudioSetting(&setting);
    S8 balance = NextBalance(read ? setting.s8Balance : 0);

    MSrv_SSSound* sound = MSrv_Control_common::GetMSrvSSSound();
    if (sound != NULL) sound->VRL_SND_SetBalance(balance);
    if (database != NULL && database->GetAudioSetting(&setting)) {
        setting.s8Balance = balance;
        database->SetAudioSetting(&setting);
    }

    char text[20];
    snprintf(text, sizeof(text), balance > 0 ? "Balance  :  +%ld" : "Balance  :  %ld", (long)balance);
    SetText(text);
}

BOOL FactoryBalanceHandler::ToggleDishPosition()
{
    Trace(__LINE__);
    U8 positionB = FlipDishLnbToggle();
    MSrv_DTV_Player_DVBS* player = SatellitePlayer();
    if (player == NULL) return FALSE;
    if (!positionB) {
        if (InFactoryMmode()) puts("\n(FACTORY:) DiSEqC SW A \n");
        SetText("Dish Position : Position A");
        player->DiSEqCSwitchPort(0, 0);
    } else {
        if (InFactoryMmode()) puts("\n(FACTORY:) DiSEqC SW B \n");
        SetText("Dish Position : Position B");
        player->DiSEqCSwitchPort(4, 0);
    }
    Trace(__LINE__);
    return TRUE;
}

void FactoryBalanceHandler::ToggleLnbPower()
{
    Trace(__LINE__);
    SystemInfo* system = SystemInfo::GetInstance();
    if (system == NULL || !system->IsDVBSEnable()) return;

    U8 on = FlipDishLnbToggle();
    if (on) {
        SetText("LNB Power: ON");
        if (InFactoryMmode()) puts("\n(FACTORY:) LNB On \n");
    } else {
        SetText("LNB Power: OFF");
        if (InFactoryMmode()) puts("\n(FACTORY:) LNB Off \n");
    }

    MSrv_DTV_Player_DVBS* player = SatellitePlayer();
    if (player == NULL) return;
    U32 count = player->GetCurrentSateliteCount();
    for (U32 i = 0; i < count; ++i) {
        MS_SAT_INFO info;
        if (!player->GetSatelliteInfo(i, info)) {
            // A broken invariant of the middleware's list: name it and go
            // on with the next satellite rather than stop the set.
            BriskAssertReport(__FILE__, kKeyHandlerSignature, __LINE__);
            continue;
        }
        info.u8LnbPowerType = on ? 0 : 2;
        info.u8LnbPowerOn = on ? 1 : 0;
        player->UpdateSatelliteInfo(i, info);
    }

    if (!on) {
        player->DishSetLNBPower(MS_EN_LNBPWR_OFF);
    } else {
        _DVB_MUXINFO mux;
        if (player->GetCurrentMuxInfo(mux))
            player->DishSetLNBPower((mux.u32Flags & (1u << 24)) != 0 ? MS_EN_LNBPWR_18V : MS_EN_LNBPWR_13V);
        else
            player->DishSetLNBPower(MS_EN_LNBPWR_ON);
    }
    Trace(__LINE__);
}
