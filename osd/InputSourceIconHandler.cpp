#include "InputSourceIconHandler.h"

#include <stdio.h>

#include "BriskUiManager.h"
#include "Middleware.h"

namespace {

// Icon item of each input source. Digital TV comes last: it shows its own
// icon when the layout has a `dtv` item and the analogue TV's otherwise.
struct ST_SOURCE_ICON {
    MAPI_INPUT_SOURCE_TYPE eSource;
    const char* pItemName;
};
const ST_SOURCE_ICON kIcons[] = {
    { MAPI_INPUT_SOURCE_VGA, "vga" },
    { MAPI_INPUT_SOURCE_ATV, "atv" },
    { MAPI_INPUT_SOURCE_CVBS, "cvbs" },
    { MAPI_INPUT_SOURCE_SVIDEO, "svideo" },
    { MAPI_INPUT_SOURCE_YPBPR, "ypbpr" },
    { MAPI_INPUT_SOURCE_SCART, "scart" },
    { MAPI_INPUT_SOURCE_HDMI, "hdmi1" },
    { MAPI_INPUT_SOURCE_HDMI2, "hdmi2" },
    { MAPI_INPUT_SOURCE_HDMI3, "hdmi3" },
    { MAPI_INPUT_SOURCE_HDMI4, "hdmi4" },
    { MAPI_INPUT_SOURCE_DTV, "dtv" },
};
const size_t kIconCount = sizeof(kIcons) / sizeof(kIcons[0]);
const size_t kAtvRow = 1;
const size_t kDtvRow = kIconCount - 1;

// The row of `source` in the icon table; kIconCount for an unlisted source.
size_t RowOf(U32 source)
{
    size_t row = 0;
    while (row < kIconCount && (U32)kIcons[row].eSource != source) ++row;
    return row;
}

}  // namespace

InputSourceIconHandler::InputSourceIconHandler() : pBgImage(NULL)
{
    static_assert(kIconCount == E_ICON_COUNT, "one item pointer per icon row");
    for (size_t i = 0; i < kIconCount; ++i) apIcon[i] = NULL;
}

void InputSourceIconHandler::LoadResource(const char* path)
{
    EventHandler::LoadResource(path);
    pBgImage = FindImageItem("bg_image");
    for (size_t i = 0; i < kIconCount; ++i) apIcon[i] = FindImageItem(kIcons[i].pItemName);
    if (apIcon[kDtvRow] == NULL) apIcon[kDtvRow] = apIcon[kAtvRow];
}

void InputSourceIconHandler::Update(IDirectFBSurface* surface)
{
    IDirectFB* dfb = MSystem::GetInstance()->GetDirectFB();
    // Erasing first also puts the clip on this OSD's area: without it the
    // icon would blend over its own last frame and be clipped to whichever
    // OSD was drawn before it.
    ClearSurface(surface);
    if (pBgImage != NULL) pBgImage->Update(surface, dfb);
    U32 source = (U32)MSrv_Control::GetInstance()->GetCurrentInputSource();
    size_t row = RowOf(source);
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

void InputSourceIconHandler::TimerHandler(U32)
{
    HideOsd();
}
