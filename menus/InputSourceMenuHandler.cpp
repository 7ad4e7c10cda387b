#include "InputSourceMenuHandler.h"

#include <stdio.h>

#include "BriskKeys.h"
#include "BriskUiManager.h"

namespace {

// The flags every switch passes to SetInputSource.
const BOOL kWriteDb = 1, kUpdateLock = 0, kLock = 0;
// The last TV source type that means analogue TV was watched last.
const U8 kLastTvAnalogue = 1;
// The analogue database's query for the current programme number, and the
// flag the ATV player is given when it tunes that programme again.
const U32 kAtvCurrentProgramQuery = 0;
const U8 kAtvSetProgramFlag = 1;

const U32 kFirstDigitKey = 0x30;       // '0'
const U32 kLastEntryDigitKey = 0x37;   // '7': digits 8 and 9 are other keys

// The video entries by country group and shared rear input: their labels
// and the input the second one selects.
struct ST_VIDEO_ENTRIES {
    bool bNorthAmerica;
    bool bRearShared;
    const char* pLabel1;
    const char* pLabel2;
    MAPI_INPUT_SOURCE_TYPE eSource2;
};
const ST_VIDEO_ENTRIES kVideoEntries[] = {
    { true, true, "Video", "Spectrel HD", MAPI_INPUT_SOURCE_YPBPR },
    { true, false, "Video 1", "Video 2", MAPI_INPUT_SOURCE_CVBS2 },
    { false, true, "1", "2", MAPI_INPUT_SOURCE_YPBPR },
    { false, false, "1", "2", MAPI_INPUT_SOURCE_CVBS },
};

bool NorthAmerica() { return BriskUiManager::GetInstance()->QueryCountry() == E_BRISKUI_COUNTRY_NA; }

void SetInput(MAPI_INPUT_SOURCE_TYPE source)
{
    MSrv_Control::GetInstance()->SetInputSource(source, kWriteDb, kUpdateLock, kLock);
}

// Analogue TV with its current programme tuned again.
void SwitchToAnalogue()
{
    SetInput(MAPI_INPUT_SOURCE_ATV);
    MSrv_ATV_Database* database = MSrv_Control_TV::GetMSrvAtvDatabase();
    MSrv_ATV_Player* player = MSrv_Control_TV::GetMSrvAtv();
    if (database == NULL || player == NULL) return;
    U32 program = database->GetProgramCtrl(kAtvCurrentProgramQuery, 0, 0, NULL);
    player->SetProgram((U16)program, kAtvSetProgramFlag);
}

// Digital TV with its current programme started.
void SwitchToDigital()
{
    SetInput(MAPI_INPUT_SOURCE_DTV);
    MSrv_DTV_Player_DVB* player = MSrv_Control_TV::GetMSrvDtv();
    if (player != NULL) player->PlayCurrentProgram();
}

// The items: the focus bar, then the entries' icons (their "n.png" /
// "f.png" endings swapped by the focus list) and their labels.
enum { E_ITEM_FOCUS_BAR = 0, E_ITEM_ICON1 = 1, E_ITEM_LABEL1 = 9 };
const ST_LAYOUT_ITEM kItems[] = {
    BriskImageItem("focus_bar"),
    BriskImageItem("icon1", "n.png", "f.png"),
    BriskImageItem("icon2", "n.png", "f.png"),
    BriskImageItem("icon3", "n.png", "f.png"),
    BriskImageItem("icon4", "n.png", "f.png"),
    BriskImageItem("icon5", "n.png", "f.png"),
    BriskImageItem("icon6", "n.png", "f.png"),
    BriskImageItem("icon7", "n.png", "f.png"),
    BriskImageItem("icon8", "n.png", "f.png"),
    BriskTextItem("text1"),
    BriskTextItem("text2"),
    BriskTextItem("text3"),
    BriskTextItem("text4"),
    BriskTextItem("text5"),
    BriskTextItem("text6"),
    BriskTextItem("text7"),
    BriskTextItem("text8"),
};
static_assert(sizeof(kItems) / sizeof(kItems[0]) == E_ITEM_LABEL1 + InputSourceMenuHandler::E_ENTRY_COUNT,
              "the item indices");

}   // namespace

const ST_LAYOUT_NEEDS InputSourceMenuHandler::kLayout = BriskLayoutNeeds(kItems, TRUE);
const ST_SPEECH_NEEDS InputSourceMenuHandler::kSpeech = kMenuSpeech;

InputSourceMenuHandler::InputSourceMenuHandler()
{
    // Display order. Entry 2's input is set by UpdateVideo2 from the rear
    // connector; entry 1 is the composite input in NA, SCART elsewhere.
    const MAPI_INPUT_SOURCE_TYPE sources[E_ENTRY_COUNT] = {
        MAPI_INPUT_SOURCE_DTV,   NorthAmerica() ? MAPI_INPUT_SOURCE_CVBS : MAPI_INPUT_SOURCE_SCART,
        MAPI_INPUT_SOURCE_CVBS,  MAPI_INPUT_SOURCE_HDMI,
        MAPI_INPUT_SOURCE_HDMI2, MAPI_INPUT_SOURCE_HDMI3,
        MAPI_INPUT_SOURCE_HDMI4, MAPI_INPUT_SOURCE_VGA,
    };
    for (int i = 0; i < E_ENTRY_COUNT; ++i) {
        ST_INPUT_SOURCE_DATUM datum;
        datum.eInputSource = sources[i];
        datum.sIconItemName = kItems[E_ITEM_ICON1 + i].pName;
        datum.sTextItemName = kItems[E_ITEM_LABEL1 + i].pName;
        focus.AddEntry(datum.sIconItemName.c_str(), datum.sTextItemName.c_str(), datum);
    }
}

void InputSourceMenuHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    focus.Bind(*this, kItems[E_ITEM_FOCUS_BAR].pName);
}

void InputSourceMenuHandler::UpdateVideo2()
{
    bool northAmerica = NorthAmerica();
    bool shared = MSrv_Control::GetInstance()->RearSharedInput() == 1;
    const ST_VIDEO_ENTRIES* row = kVideoEntries;
    while (row->bNorthAmerica != northAmerica || row->bRearShared != shared) ++row;
    // The input follows the connector even when the layout has no labels:
    // entry 2 must not select what entry 1 does.
    focus.PayloadAt(E_VIDEO2_ENTRY).eInputSource = row->eSource2;
    TextItem* label1 = focus.TextAt(E_VIDEO1_ENTRY);
    TextItem* label2 = focus.TextAt(E_VIDEO2_ENTRY);
    if (label1 == NULL || label2 == NULL) return;
    label1->SetText(row->pLabel1);
    label2->SetText(row->pLabel2);
}

void InputSourceMenuHandler::SetInitialFocus()
{
    MAPI_INPUT_SOURCE_TYPE current = MSrv_Control::GetInstance()->GetCurrentInputSource();
    UpdateVideo2();
    focus.FocusInitial(
        focus.FindLast([current](const ST_INPUT_SOURCE_DATUM& entry) { return entry.eInputSource == current; }));
}

void InputSourceMenuHandler::UpdateFocusBar() { focus.UpdateFocusBar(); }

void InputSourceMenuHandler::ShowFocus()
{
    UpdateFocusBar();
    ShowOsd();
}

void InputSourceMenuHandler::SelectFocused()
{
    UpdateVideo2();
    MAPI_INPUT_SOURCE_TYPE source = focus.FocusedPayload().eInputSource;
    printf("[%s][%d] %d\n", "KeyHandler", __LINE__, (int)source);
    if (source != MAPI_INPUT_SOURCE_DTV) {
        SetInput(source);
        return;
    }
    MSrv_Control* control = MSrv_Control::GetInstance();
    if (control->GetLastTvSourceType() == kLastTvAnalogue && BriskUiManager::GetInstance()->IsAllowedToSwitchATV())
        SwitchToAnalogue();
    else
        SwitchToDigital();
}

BOOL InputSourceMenuHandler::KeyHandler(U32 key)
{
    BriskUiManager* manager = BriskUiManager::GetInstance();
    bool opening = false;
    // The focus a key moves to is said; a digit moves it only in NA.
    bool say = true;
    switch (key) {
    case BRISKKEY_INPUT_SOURCE:
        if (!manager->QueryStatus(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_MENU)) {
            SetInitialFocus();
            opening = true;
        } else {
            // The new focus is on screen before the switch, which may take
            // the middleware a while.
            focus.Next();
            ShowFocus();
            manager->UpdateOsd();
            SelectFocused();
        }
        break;
    case BRISKKEY_CURSOR_UP:
        focus.Previous();
        break;
    case BRISKKEY_CURSOR_DOWN:
        focus.Next();
        break;
    case BRISKKEY_RETURN:
        SelectFocused();
        HideOsd();
        manager->EnableStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, 0);
        return TRUE;
    default:
        if (key < kFirstDigitKey || key > kLastEntryDigitKey) {
            printf("InputSourceMenuHandler::KeyHandler, Unknown key:%ld\n", (long)key);
            return FALSE;
        }
        say = NorthAmerica();
        if (say) focus.SetFocusIndex((U8)(key - kFirstDigitKey));
        break;
    }
    ShowFocus();
    if (say) focus.SayFocus(*this, opening);
    return TRUE;
}

void InputSourceMenuHandler::TimerHandler(U32) { HideOsd(); }
