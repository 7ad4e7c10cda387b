#include "AtvDtvSwitchMenuHandler.h"

#include <stdio.h>

#include "BriskKeys.h"
#include "BriskUiManager.h"
#include "Middleware.h"

namespace {

const char kAtvLabel[] = "ATV";
// An unfocused "ATV" label while analogue TV is not allowed.
const U32 kGreyLabelColor = 0xAAAAAAAA;
// The two-entry form: its background (path ending and box) and title.
const char kTwoEntryBgEnding[] = "2.png";
const U32 kTwoEntryBgTop = 530;
const U32 kTwoEntryBgHeight = 155;
const U32 kTwoEntryTitleTop = 565;
// The items: the focus bar, the entries' icons (their "n.png" / "f.png"
// endings swapped by the focus list) and labels, then what the two-entry
// form moves: the background (its "2.png" twin) and the title.
enum { E_ITEM_FOCUS_BAR = 0, E_ITEM_ICON1 = 1, E_ITEM_LABEL1 = 4, E_ITEM_BG = 7, E_ITEM_TITLE = 8 };
const ST_LAYOUT_ITEM kItems[] = {
    BriskImageItem("focus_bar"),
    BriskImageItem("icon1", "n.png", "f.png"),
    BriskImageItem("icon2", "n.png", "f.png"),
    BriskImageItem("icon3", "n.png", "f.png"),
    BriskTextItem("dtv_text1"),
    BriskTextItem("dtv_text2"),
    BriskTextItem("dtv_text3"),
    BriskImageItem("bg_image", NULL, kTwoEntryBgEnding),
    BriskTextItem("title_text"),
};
static_assert(sizeof(kItems) / sizeof(kItems[0]) == E_ITEM_TITLE + 1, "the item indices");

// The channel manager's list rebuild after a switch to analogue TV.
const U8 kAtvProgramList = 2;
const U8 kAtvProgramListMode = 3;
const U8 kRoutes = sizeof(ST_MSRV_TV_INFO::au8RoutePath);

// Receptions by the route-path types that carry them (the TV information
// holds one type per DTV route). A digital entry's route type names its
// reception; switching to it looks for a route of either type.
enum { E_RECEPTION_ANTENNA, E_RECEPTION_CABLE, E_RECEPTION_SATELLITE, E_RECEPTION_NONE };
const U8 kReceptionRouteTypes[E_RECEPTION_NONE][2] = {
    { E_ROUTE_PATH_ANTENNA, E_ROUTE_PATH_ANTENNA2 },       // terrestrial
    { E_ROUTE_PATH_CABLE, E_ROUTE_PATH_CABLE },            // cable: one type
    { E_ROUTE_PATH_SATELLITE, E_ROUTE_PATH_SATELLITE2 },   // satellite
};

int ReceptionOf(U8 routeType)
{
    for (int i = 0; routeType != 0 && i < E_RECEPTION_NONE; ++i)
        if (routeType == kReceptionRouteTypes[i][0] || routeType == kReceptionRouteTypes[i][1]) return i;
    return E_RECEPTION_NONE;
}

// The route-path type of the DTV route in use; 0 for a route beyond the
// record's four.
U8 CurrentRouteType(MSrv_Control* control, const ST_MSRV_TV_INFO& info)
{
    U8 route = control->GetCurrentTvRoute();
    return route < kRoutes ? info.au8RoutePath[route] : 0;
}

// Digital TV on reception `reception`: the source first, then the first
// route of that reception unless the route in use is one already; the
// programme restarts when either changed.
void SwitchToReception(int reception)
{
    MSrv_Control* control = MSrv_Control::GetInstance();
    bool changed = false;
    if (control->GetCurrentInputSource() != MAPI_INPUT_SOURCE_DTV) {
        control->SetInputSource(MAPI_INPUT_SOURCE_DTV, 1, 0, 0);
        changed = true;
    }
    ST_MSRV_TV_INFO info = control->GetTVInfo();
    if (ReceptionOf(CurrentRouteType(control, info)) != reception) {
        for (U8 route = 0; route < kRoutes; ++route) {
            if (ReceptionOf(info.au8RoutePath[route]) != reception) continue;
            control->SwitchMSrvDtvRoute(route);
            changed = true;
            break;
        }
    }
    if (!changed) return;
    MSrv_DTV_Player_DVB* dtv = MSrv_Control_TV::GetMSrvDtv();
    if (dtv != NULL) dtv->PlayCurrentProgram();
}

// Label colour hook of the focus list: "ATV" greys while analogue TV is
// not allowed.
U32 AtvLabelColor(const TextItem* label, U32 normal, void*)
{
    if (label->GetText() != kAtvLabel) return normal;
    return BriskUiManager::GetInstance()->IsAllowedToSwitchATV() ? normal : kGreyLabelColor;
}

}   // namespace

const ST_LAYOUT_NEEDS AtvDtvSwitchMenuHandler::kLayout = BriskLayoutNeeds(kItems, TRUE);
const ST_SPEECH_NEEDS AtvDtvSwitchMenuHandler::kSpeech = kMenuSpeech;

AtvDtvSwitchMenuHandler::AtvDtvSwitchMenuHandler() : pBgImage(NULL), pTitleText(NULL), u8FormEntries(0)
{
    const ST_INPUT_SOURCE_DATUM dtv = { MAPI_INPUT_SOURCE_DTV, 0 };
    const ST_INPUT_SOURCE_DATUM atv = { MAPI_INPUT_SOURCE_ATV, 0 };
    const ST_INPUT_SOURCE_DATUM payloads[] = { dtv, dtv, atv };
    for (int i = 0; i < 3; ++i)
        focus.AddEntry(kItems[E_ITEM_ICON1 + i].pName, kItems[E_ITEM_LABEL1 + i].pName, payloads[i]);
    focus.SetNormalColorHook(&AtvLabelColor, NULL);
}

void AtvDtvSwitchMenuHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    focus.Bind(*this, kItems[E_ITEM_FOCUS_BAR].pName);
    u8FormEntries = focus.Size();
    TextItem* first = focus.TextAt(0);
    TextItem* second = focus.TextAt(1);
    TextItem* third = focus.TextAt(2);

    if (first != NULL) {
        U8 cable = 0;
        MSrv_System_Database* database = MSrv_Control_common::GetMSrvSystemDatabase();
        if (database != NULL) database->GetEnableAntennaMode(&cable);
        first->SetText(cable != 0 ? "DTV Cable" : "DTV Ant");
        focus.PayloadAt(0).u8RouteType = cable != 0 ? E_ROUTE_PATH_CABLE : E_ROUTE_PATH_ANTENNA;
    }
    if (second == NULL || third == NULL) return;
    if (!SatelliteInUse()) {
        UseTwoEntryForm(second, third);
        return;
    }
    second->SetVisible(1);
    second->SetText("DTV Sat");
    focus.PayloadAt(1) = { MAPI_INPUT_SOURCE_DTV, E_ROUTE_PATH_SATELLITE2 };
    third->SetVisible(1);
    third->SetText(kAtvLabel);
    third->SetFontColor(focus.NormalColorOf(third));
    focus.PayloadAt(2) = { MAPI_INPUT_SOURCE_ATV, 0 };
}

void AtvDtvSwitchMenuHandler::UseTwoEntryForm(TextItem* second, TextItem* third)
{
    second->SetVisible(1);
    second->SetText(kAtvLabel);
    second->SetFontColor(focus.NormalColorOf(second));
    focus.PayloadAt(1) = { MAPI_INPUT_SOURCE_ATV, 0 };
    third->SetVisible(0);
    // The second row is the analogue entry now: it shows the analogue
    // icon, and the third row's icon goes with its label, as the shorter
    // background no longer reaches it.
    ImageItem* secondIcon = focus.IconAt(1);
    ImageItem* thirdIcon = focus.IconAt(2);
    if (secondIcon != NULL && thirdIcon != NULL) secondIcon->SetImagePath(thirdIcon->GetImagePath().c_str());
    ShowItem(thirdIcon, 0);
    u8FormEntries = 2;

    pBgImage = FindImageItem(kItems[E_ITEM_BG].pName);
    if (pBgImage != NULL) {
        SwapPathEnding(pBgImage, kTwoEntryBgEnding);
        pBgImage->SetTop(kTwoEntryBgTop);
        pBgImage->SetHeight(kTwoEntryBgHeight);
    }
    pTitleText = FindTextItem(kItems[E_ITEM_TITLE].pName);
    if (pTitleText != NULL) pTitleText->SetTop(kTwoEntryTitleTop);
}

bool AtvDtvSwitchMenuHandler::SatelliteInUse()
{
    ST_MSRV_TV_INFO info = MSrv_Control::GetInstance()->GetTVInfo();
    if ((info.u8Capability & E_TV_INFO_CAP_SATELLITE) == 0) return false;
    U8 enabled = 0;
    MSrv_System_Database* database = MSrv_Control_common::GetMSrvSystemDatabase();
    if (database != NULL) database->GetEnableSatelliteMode(&enabled);
    return enabled != 0;
}

void AtvDtvSwitchMenuHandler::RefreshEntriesInUse()
{
    U8 count = SatelliteInUse() ? 3 : 2;
    // Never more than the form built at load: a row it left out has no label.
    focus.SetCount(count < u8FormEntries ? count : u8FormEntries);
}

void AtvDtvSwitchMenuHandler::SetInitialFocus()
{
    RefreshEntriesInUse();
    MSrv_Control* control = MSrv_Control::GetInstance();
    U32 source = (U32)control->GetCurrentInputSource();
    int reception = ReceptionOf(CurrentRouteType(control, control->GetTVInfo()));
    U8 index = focus.FindLast([&](const ST_INPUT_SOURCE_DATUM& entry) {
        if (entry.eInputSource != source) return false;
        return source == MAPI_INPUT_SOURCE_ATV ||
               (reception != E_RECEPTION_NONE && ReceptionOf(entry.u8RouteType) == reception);
    });
    focus.FocusInitial(index);
    // The route may have changed since the labels were last coloured.
    focus.RefreshNormalColors();
}

void AtvDtvSwitchMenuHandler::UpdateFocusBar() { focus.UpdateFocusBar(); }

void AtvDtvSwitchMenuHandler::SwitchToAntenna() { SwitchToReception(E_RECEPTION_ANTENNA); }

void AtvDtvSwitchMenuHandler::SwitchToCable() { SwitchToReception(E_RECEPTION_CABLE); }

void AtvDtvSwitchMenuHandler::SwitchToSatellite() { SwitchToReception(E_RECEPTION_SATELLITE); }

BOOL AtvDtvSwitchMenuHandler::SelectFocused()
{
    const ST_INPUT_SOURCE_DATUM& entry = focus.FocusedPayload();
    if (entry.eInputSource == MAPI_INPUT_SOURCE_DTV) {
        switch (ReceptionOf(entry.u8RouteType)) {
        case E_RECEPTION_ANTENNA:
            SwitchToAntenna();
            break;
        case E_RECEPTION_CABLE:
            SwitchToCable();
            break;
        case E_RECEPTION_SATELLITE:
            SwitchToSatellite();
            break;
        default:
            break;
        }
        return TRUE;
    }
    if (entry.eInputSource != MAPI_INPUT_SOURCE_ATV) return TRUE;
    if (!BriskUiManager::GetInstance()->IsAllowedToSwitchATV()) return FALSE;
    MSrv_Control::GetInstance()->SetInputSource(MAPI_INPUT_SOURCE_ATV, 1, 0, 0);
    MSrv_ChannelManager* channels = MSrv_Control_common::GetMSrvChannelManager();
    if (channels != NULL) channels->ChangeProgramList(kAtvProgramList, kAtvProgramListMode);
    return TRUE;
}

void AtvDtvSwitchMenuHandler::ShowFocus()
{
    UpdateFocusBar();
    ShowOsd();
}

BOOL AtvDtvSwitchMenuHandler::KeyHandler(U32 key)
{
    BriskUiManager* manager = BriskUiManager::GetInstance();
    // The satellite setting may have changed while the menu was open.
    RefreshEntriesInUse();
    switch (key) {
    case BRISKKEY_CUSTOM63_ATV_DTV:
        if (!manager->QueryStatus(E_BRISKUI_OSD_STATUS_ATV_DTV_SWITCH_MENU)) {
            SetInitialFocus();
            ShowFocus();
            focus.SayFocus(*this, true);
            return TRUE;
        }
        // The next entry is on screen before the switch, which takes a while.
        focus.Next();
        ShowFocus();
        manager->UpdateOsd();
        SelectFocused();
        focus.SayFocus(*this, false);
        return TRUE;
    case BRISKKEY_CURSOR_UP:
        focus.Previous();
        ShowFocus();
        focus.SayFocus(*this, false);
        return TRUE;
    case BRISKKEY_CURSOR_DOWN:
        focus.Next();
        ShowFocus();
        focus.SayFocus(*this, false);
        return TRUE;
    case BRISKKEY_RETURN:
        // A refused analogue entry leaves the menu open.
        if (SelectFocused()) {
            HideOsd();
            manager->EnableStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, 0);
        }
        return TRUE;
    default:
        printf("AtvDtvSwitchMenuHandler::KeyHandler, Unknown key:%ld\n", (long)key);
        return FALSE;
    }
}

void AtvDtvSwitchMenuHandler::TimerHandler(U32) { HideOsd(); }
