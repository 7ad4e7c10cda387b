#include "ChannelChangeHandler.h"

#include <stdio.h>
#include <string.h>

#include "BriskKeys.h"
#include "BriskPlatform.h"
#include "BriskUiManager.h"

namespace {

// Which of the layout's icons an input shows.
enum EN_BANNER_ICON { E_ICON_VIDEO, E_ICON_COMPONENT, E_ICON_HDMI, E_ICON_PC };

// The banner of each input that is no tuner: its icon and its name, in NA
// and in EU. pSharedNameNA, when set, replaces the NA name while the rear
// video input is shared between composite and component. An input missing
// here keeps the icon it had and shows no name.
struct ST_BANNER_INPUT {
    MAPI_INPUT_SOURCE_TYPE eSource;
    EN_BANNER_ICON eIconNA;
    const char* pNameNA;
    const char* pSharedNameNA;
    EN_BANNER_ICON eIconEU;
    const char* pNameEU;
};

const ST_BANNER_INPUT kInputs[] = {
    { MAPI_INPUT_SOURCE_SCART, E_ICON_VIDEO, "1", NULL, E_ICON_VIDEO, "1" },
    { MAPI_INPUT_SOURCE_CVBS, E_ICON_VIDEO, "Video 1", "Video", E_ICON_VIDEO, "2" },
    { MAPI_INPUT_SOURCE_CVBS2, E_ICON_VIDEO, "Video 2", NULL, E_ICON_VIDEO, "Video 2" },
    { MAPI_INPUT_SOURCE_YPBPR, E_ICON_COMPONENT, "Spectrel HD", NULL, E_ICON_VIDEO, "2" },
    { MAPI_INPUT_SOURCE_HDMI, E_ICON_HDMI, "HDMI 1", NULL, E_ICON_HDMI, "HDMI 1" },
    { MAPI_INPUT_SOURCE_HDMI2, E_ICON_HDMI, "HDMI 2", NULL, E_ICON_HDMI, "HDMI 2" },
    { MAPI_INPUT_SOURCE_HDMI3, E_ICON_HDMI, "HDMI 3", NULL, E_ICON_HDMI, "HDMI 3" },
    { MAPI_INPUT_SOURCE_HDMI4, E_ICON_HDMI, "HDMI 4", NULL, E_ICON_HDMI, "HDMI 4" },
    { MAPI_INPUT_SOURCE_VGA, E_ICON_PC, "PC", NULL, E_ICON_PC, "PC" },
};

// Icon sizes the banner gives its icon item.
const U32 kInputIconSide = 32;
const U32 kTvTypeIconWidth = 40, kTvTypeIconHeight = 26;
// Extra gap after the (usually empty) input name in NA rows: tuner rows
// and input rows differ.
const U32 kTunerNameGapNA = 25, kInputNameGapNA = 20;
// The line of the fatal assertion when the banner layout cannot be read.
const int kMissingLayoutLine = 111;

const ST_LAYOUT_ITEM kItems[] = {
    BriskImageItem("input_icon"),
    BriskTextItem("input_name"),
    BriskTextItem("channel_name"),
    BriskTextItem("channel_number"),
};
// The strings are copied into buffers of E_PATH_SIZE: longer ones are cut.
const U16 kMaxPath = ChannelChangeHandler::E_PATH_SIZE - 1;
const ST_LAYOUT_KEY kKeys[] = {
    { "banner_Video", E_LAYOUT_KEY_IMAGE, kMaxPath },
    { "banner_Spectrel", E_LAYOUT_KEY_IMAGE, kMaxPath },
    { "inpt_cstmlabels", E_LAYOUT_KEY_IMAGE, kMaxPath },
    { "banner_HDMI", E_LAYOUT_KEY_IMAGE, kMaxPath },
    { "banner_PC", E_LAYOUT_KEY_IMAGE, kMaxPath },
    { "title_antena", E_LAYOUT_KEY_IMAGE, kMaxPath },
    { "input_ant", E_LAYOUT_KEY_IMAGE, kMaxPath },
    { "type_TV", E_LAYOUT_KEY_IMAGE, kMaxPath },
    { "type_Radio", E_LAYOUT_KEY_IMAGE, kMaxPath },
    { "type_text", E_LAYOUT_KEY_TEXT, kMaxPath },
    { "text_padding", E_LAYOUT_KEY_U8, 0 },
};

// The row as drawn, once the keys pause.
enum { E_SAY_CHANNEL, E_SAY_CHANNEL_NAME, E_SAY_INPUT };
const ST_SPEECH_TEXT kTexts[] = {
    { "channel", "{number} {name}", "number name", E_SPEECH_INTERRUPT | E_SPEECH_SETTLE },
    // A channel whose number is hidden.
    { "channel_name", "{name}", "name", E_SPEECH_INTERRUPT | E_SPEECH_SETTLE },
    { "input", "{input_name} {input}", "input", E_SPEECH_INTERRUPT | E_SPEECH_SETTLE },
};

bool IsTuner(MAPI_INPUT_SOURCE_TYPE source)
{
    return source == MAPI_INPUT_SOURCE_ATV || source == MAPI_INPUT_SOURCE_DTV;
}

}   // namespace

const ST_LAYOUT_NEEDS ChannelChangeHandler::kLayout = BriskLayoutNeeds(kItems, kKeys, TRUE);
const ST_SPEECH_NEEDS ChannelChangeHandler::kSpeech = BriskSpeechNeeds(kTexts);

ChannelChangeHandler::ChannelChangeHandler()
    : pInputIcon(NULL),
      pInputName(NULL),
      pChannelName(NULL),
      pChannelNumber(NULL),
      u8TextPadding(E_DEFAULT_TEXT_PADDING),
      bTunerRow(FALSE)
{
    acVideoIconPath[0] = acComponentIconPath[0] = acHdmiIconPath[0] = acPcIconPath[0] = '\0';
    acAntennaIconPath[0] = acAntennaInputPath[0] = acTvTypeIconPath[0] = acRadioTypeIconPath[0] = '\0';
    acTypeText[0] = acCustomLabelPath[0] = '\0';
}

void ChannelChangeHandler::LoadResource(const char* path)
{
    LayoutKeys keys;
    LoadLayout(path, keys);
    BindItems(kLayout, { pInputIcon, pInputName, pChannelName, pChannelNumber });
    if (!keys.IsOpen()) {
        // A firmware image without its banner must not boot into a set
        // whose channel keys show nothing.
        printf("[BriskUI] ChannelChangeHandler::LoadResource failed, no such file %s%s\n", path,
               keys.Problem().c_str());
        fflush(stdout);
        BriskAssertFail(__FILE__, __PRETTY_FUNCTION__, kMissingLayoutLine);
    }
    if (BriskUiManager::GetInstance()->QueryCountry() == E_BRISKUI_COUNTRY_NA) {
        keys.GetString("setting:banner_Video", acVideoIconPath, E_PATH_SIZE);
        keys.GetString("setting:banner_Spectrel", acComponentIconPath, E_PATH_SIZE);
    } else {
        keys.GetString("setting:inpt_cstmlabels", acVideoIconPath, E_PATH_SIZE);
        keys.GetString("setting:inpt_cstmlabels", acComponentIconPath, E_PATH_SIZE);
    }
    keys.GetString("setting:banner_HDMI", acHdmiIconPath, E_PATH_SIZE);
    keys.GetString("setting:banner_PC", acPcIconPath, E_PATH_SIZE);
    keys.GetString("setting:title_antena", acAntennaIconPath, E_PATH_SIZE);
    keys.GetString("setting:input_ant", acAntennaInputPath, E_PATH_SIZE);
    keys.GetString("setting:type_TV", acTvTypeIconPath, E_PATH_SIZE);
    keys.GetString("setting:type_Radio", acRadioTypeIconPath, E_PATH_SIZE);
    keys.GetString("setting:type_text", acTypeText, E_PATH_SIZE);
    keys.GetString("setting:inpt_cstmlabels", acCustomLabelPath, E_PATH_SIZE);
    u8TextPadding = (U8)keys.GetUnsigned("setting:text_padding", E_DEFAULT_TEXT_PADDING);
}

void ChannelChangeHandler::SetIcon(const char* path, U32 width, U32 height)
{
    if (pInputIcon == NULL) return;
    pInputIcon->SetWidth(width);
    pInputIcon->SetHeight(height);
    if (path != NULL) pInputIcon->SetImagePath(path);
}

void ChannelChangeHandler::PlaceRow(TextItem* first, U32 firstGap, TextItem* second, U32 secondGap, TextItem* third)
{
    IDirectFB* dfb = GetDirectFB();
    U32 x;
    if (pInputIcon != NULL) {
        x = pInputIcon->GetLeft() + pInputIcon->GetWidth() + u8TextPadding;
    } else {
        // Without an icon the row starts where the layout puts its first text.
        TextItem* lead = first != NULL ? first : second != NULL ? second : third;
        x = lead != NULL ? lead->GetLeft() : 0;
    }
    TextItem* row[] = { first, second, third };
    U32 gaps[] = { firstGap, secondGap, 0 };
    for (int i = 0; i < 3; ++i) {
        if (row[i] == NULL) {
            x += gaps[i];   // a missing text measures nothing
            continue;
        }
        row[i]->SetLeft(x);
        x += row[i]->GetTextWidth(dfb) + gaps[i];
    }
}

void ChannelChangeHandler::FillTuner(MAPI_INPUT_SOURCE_TYPE source, BOOL northAmerica)
{
    ST_PROGRAM_INFO info;
    memset(&info, 0, sizeof(info));
    MSrv_ChannelManager* channels = MSrv_Control_common::GetMSrvChannelManager();
    BOOL ret = channels != NULL ? channels->GetProgramInfo(&info) : FALSE;
    // The name is the middleware's: never read past the record.
    info.sServiceName[sizeof(info.sServiceName) - 1] = '\0';
    printf("[%s] get : ret=%d, u32QueryIndex:%ld, u32Number:%ld, sServiceName:%s\n", "Update", (int)ret,
           (long)info.u32QueryIndex, (long)info.u32Number, info.sServiceName);
    if (ret == 1) {
        printf("[%s][%d] Get program information ok \n", "Update", 169);
        if (pChannelNumber != NULL && info.u8HideNumber == 0) {
            char number[12];
            snprintf(number, sizeof(number), "%lu", (unsigned long)info.u32Number);
            pChannelNumber->SetText(number);
        }
        if (pChannelName != NULL) pChannelName->SetText(info.sServiceName);
    } else {
        puts("ChannelChangeHandler::Update, GetProgramInfo failed");
    }

    if (northAmerica) {
        SetIcon(acAntennaIconPath, kInputIconSide, kInputIconSide);
        PlaceRow(pInputName, kTunerNameGapNA, pChannelNumber, u8TextPadding, pChannelName);
        return;
    }
    if (source == MAPI_INPUT_SOURCE_ATV) {
        SetIcon(NULL, 0, 0);
        ShowItem(pInputIcon, 0);
    } else {
        SetIcon(acTvTypeIconPath, kTvTypeIconWidth, kTvTypeIconHeight);
        ShowItem(pInputIcon, 1);
    }
    PlaceRow(pChannelNumber, u8TextPadding, pInputName, u8TextPadding, pChannelName);
}

void ChannelChangeHandler::FillInput(MAPI_INPUT_SOURCE_TYPE source, BOOL northAmerica)
{
    const char* const icons[] = { acVideoIconPath, acComponentIconPath, acHdmiIconPath, acPcIconPath };
    const ST_BANNER_INPUT* input = NULL;
    for (size_t i = 0; i < sizeof(kInputs) / sizeof(kInputs[0]); ++i)
        if (kInputs[i].eSource == source) input = &kInputs[i];
    const char* name = "";
    const char* icon = NULL;
    if (input != NULL) {
        icon = icons[northAmerica ? input->eIconNA : input->eIconEU];
        name = northAmerica ? input->pNameNA : input->pNameEU;
        if (northAmerica && input->pSharedNameNA != NULL && MSrv_Control::GetInstance()->RearSharedInput() == 1)
            name = input->pSharedNameNA;
    }
    SetIcon(icon, kInputIconSide, kInputIconSide);
    ShowItem(pInputIcon, 1);
    if (pInputName != NULL) pInputName->SetText(name);
    if (northAmerica)
        PlaceRow(pInputName, kInputNameGapNA, pChannelNumber, u8TextPadding, pChannelName);
    else
        PlaceRow(pChannelNumber, u8TextPadding, pInputName, u8TextPadding, pChannelName);
}

void ChannelChangeHandler::Update(IDirectFBSurface* surface)
{
    MAPI_INPUT_SOURCE_TYPE source = MSrv_Control::GetInstance()->GetCurrentInputSource();
    for (TextItem* text : { pInputName, pChannelNumber, pChannelName })
        if (text != NULL) text->SetText("");
    int country = BriskUiManager::GetInstance()->QueryCountry();
    if (country != E_BRISKUI_COUNTRY_NA && country != E_BRISKUI_COUNTRY_EU)
        printf("[BriskUI] unknown country:%d\n", country);   // drawn as in EU
    BOOL northAmerica = country == E_BRISKUI_COUNTRY_NA ? TRUE : FALSE;
    bTunerRow = IsTuner(source) ? TRUE : FALSE;
    if (bTunerRow)
        FillTuner(source, northAmerica);
    else
        FillInput(source, northAmerica);
    EventHandler::Update(surface);
}

void ChannelChangeHandler::SpeakShown(BOOL anew)
{
    std::string number = pChannelNumber != NULL ? pChannelNumber->GetText() : std::string();
    std::string name = pChannelName != NULL ? pChannelName->GetText() : std::string();
    std::string input = pInputName != NULL ? pInputName->GetText() : std::string();
    // An input the banner has no name for shows its icon alone: nothing to say.
    if (!bTunerRow) {
        if (!input.empty()) SayShown(anew, { E_SAY_INPUT }, { { "input", input } });
    } else if (number.empty())
        SayShown(anew, { E_SAY_CHANNEL_NAME }, { { "name", name } });
    else
        SayShown(anew, { E_SAY_CHANNEL }, { { "number", number }, { "name", name } });
}

BOOL ChannelChangeHandler::KeyHandler(U32 key)
{
    if (!IsTuner(MSrv_Control::GetInstance()->GetCurrentInputSource())) return FALSE;
    MSrv_ChannelManager* channels = MSrv_Control_common::GetMSrvChannelManager();
    U8 ok = 0;
    if (key == BRISKKEY_CHANNEL_UP) {
        puts("BRISKUI - KEY CH+");
        if (channels != NULL) ok = channels->ProgramUp();
    } else if (key == BRISKKEY_CHANNEL_DOWN) {
        puts("BRISKUI - KEY CH-");
        if (channels != NULL) ok = channels->ProgramDown();
    }
    if (ok != 1) {
        puts("BRISKUI -Channel Change FAIL");
        return FALSE;
    }
    puts("BRISKUI - Channel Change OK");
    ShowOsd();
    return TRUE;
}

void ChannelChangeHandler::TimerHandler(U32) { HideOsd(); }
