#include "InputSourceIconHandler.h"

#include <stdio.h>

#include "BriskUiManager.h"
#include "Middleware.h"

namespace {

// The background, then the icon item of each input source, in the order
// of kIcons. Digital TV comes last: it shows its own icon when the layout
// has a `dtv` item and the analogue TV's otherwise.
const ST_LAYOUT_ITEM kItems[] = {
    BriskImageItem("bg_image"), BriskImageItem("vga"),   BriskImageItem("atv"),   BriskImageItem("cvbs"),
    BriskImageItem("svideo"),   BriskImageItem("ypbpr"), BriskImageItem("scart"), BriskImageItem("hdmi1"),
    BriskImageItem("hdmi2"),    BriskImageItem("hdmi3"), BriskImageItem("hdmi4"), BriskImageItem("dtv"),
};
// The input source of each icon item.
const MAPI_INPUT_SOURCE_TYPE kIcons[] = {
    MAPI_INPUT_SOURCE_VGA,   MAPI_INPUT_SOURCE_ATV,   MAPI_INPUT_SOURCE_CVBS, MAPI_INPUT_SOURCE_SVIDEO,
    MAPI_INPUT_SOURCE_YPBPR, MAPI_INPUT_SOURCE_SCART, MAPI_INPUT_SOURCE_HDMI, MAPI_INPUT_SOURCE_HDMI2,
    MAPI_INPUT_SOURCE_HDMI3, MAPI_INPUT_SOURCE_HDMI4, MAPI_INPUT_SOURCE_DTV,
};
const size_t kIconCount = sizeof(kIcons) / sizeof(kIcons[0]);
static_assert(sizeof(kItems) / sizeof(kItems[0]) == kIconCount + 1, "an item per icon and the background");
const size_t kAtvRow = 1;
const size_t kDtvRow = kIconCount - 1;

// The name of each source, by the rows of kIcons, under the id of its item.
const ST_SPEECH_TEXT kTexts[] = {
    { "vga", "PC", "", E_SPEECH_INTERRUPT },          { "atv", "Analogue TV", "", E_SPEECH_INTERRUPT },
    { "cvbs", "Video", "", E_SPEECH_INTERRUPT },      { "svideo", "S-Video", "", E_SPEECH_INTERRUPT },
    { "ypbpr", "Component", "", E_SPEECH_INTERRUPT }, { "scart", "SCART", "", E_SPEECH_INTERRUPT },
    { "hdmi1", "HDMI 1", "", E_SPEECH_INTERRUPT },    { "hdmi2", "HDMI 2", "", E_SPEECH_INTERRUPT },
    { "hdmi3", "HDMI 3", "", E_SPEECH_INTERRUPT },    { "hdmi4", "HDMI 4", "", E_SPEECH_INTERRUPT },
    { "dtv", "Digital TV", "", E_SPEECH_INTERRUPT },
};
static_assert(sizeof(kTexts) / sizeof(kTexts[0]) == kIconCount, "a name per icon row");

// The row of `source` in the icon table; kIconCount for an unlisted source.
size_t RowOf(U32 source)
{
    size_t row = 0;
    while (row < kIconCount && (U32)kIcons[row] != source) ++row;
    return row;
}

}   // namespace

const ST_LAYOUT_NEEDS InputSourceIconHandler::kLayout = BriskLayoutNeeds(kItems, TRUE);
const ST_SPEECH_NEEDS InputSourceIconHandler::kSpeech = BriskSpeechNeeds(kTexts);

InputSourceIconHandler::InputSourceIconHandler() : pBgImage(NULL), uShownRow(kIconCount)
{
    static_assert(kIconCount == E_ICON_COUNT, "one item pointer per icon row");
    for (size_t i = 0; i < kIconCount; ++i) apIcon[i] = NULL;
}

void InputSourceIconHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    BindItems(kLayout, { pBgImage, apIcon });
    if (apIcon[kDtvRow] == NULL) apIcon[kDtvRow] = apIcon[kAtvRow];
}

void InputSourceIconHandler::Update(IDirectFBSurface* surface)
{
    IDirectFB* dfb = GetDirectFB();
    // Erasing first also puts the clip on this OSD's area: without it the
    // icon would blend over its own last frame and be clipped to whichever
    // OSD was drawn before it.
    ClearSurface(surface);
    if (pBgImage != NULL) pBgImage->Update(surface, dfb);
    U32 source = (U32)MSrv_Control::GetInstance()->GetCurrentInputSource();
    size_t row = RowOf(source);
    uShownRow = row;
    if (row == kIconCount)
        printf("InputSourceIconHandler::Update, unknown inputSource:%d\n", (int)source);
    else if (apIcon[row] != NULL)
        apIcon[row]->Update(surface, dfb);
}

BOOL InputSourceIconHandler::KeyHandler(U32)
{
    ShowOsd();
    return TRUE;
}

void InputSourceIconHandler::TimerHandler(U32) { HideOsd(); }

void InputSourceIconHandler::SpeakShown(BOOL anew)
{
    if (uShownRow < kIconCount) SayShown(anew, { uShownRow });
}
