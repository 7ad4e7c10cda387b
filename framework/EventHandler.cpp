#include "EventHandler.h"

#include <stdio.h>
#include <string.h>

#include <new>
#include <string>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "IniCompat.h"
#include "Middleware.h"

namespace {

std::string Key(const char* section, const char* key)
{
    std::string k(section);
    k += ':';
    k += key;
    return k;
}

U32 GetU32(dictionary* ini, const char* section, const char* key, U32 def)
{
    return iniparser_getunsignedint(ini, Key(section, key).c_str(), def);
}

const char* GetStr(dictionary* ini, const char* section, const char* key)
{
    return iniparser_getstring(ini, Key(section, key).c_str(), NULL);
}

void ReadGeometry(DrawItem* item, dictionary* ini, const char* section)
{
    item->SetVisible((U8)GetU32(ini, section, "bVisible", 1));
    item->SetLeft(GetU32(ini, section, "u32Left", 0));
    item->SetTop(GetU32(ini, section, "u32Top", 0));
    item->SetWidth(GetU32(ini, section, "u32Width", 0));
    item->SetHeight(GetU32(ini, section, "u32Height", 0));
}

}  // namespace

EventHandler::~EventHandler()
{
    for (size_t i = 0; i < vItems.size(); ++i) DrawItem::Destroy(vItems[i]);
    std::vector<DrawItem*>().swap(vItems);
}

void EventHandler::LoadResource(const char* path)
{
    dictionary* ini = iniparser_load(path);
    if (ini == NULL) {
        printf("[BriskUI] EventHandler::LoadResource failed, no such file %s\n", path);
        return;
    }
    int sections = iniparser_getnsec(ini);
    for (int i = 0; i < sections; ++i) {
        const char* section = iniparser_getsecname(ini, i);
        if (section == NULL) continue;
        U8 type = (U8)GetU32(ini, section, "u8Type", 0);
        if (type != E_DRAW_ITEM_IMAGE && type != E_DRAW_ITEM_TEXT) continue;
        if (vItems.size() >= E_EVENT_HANDLER_MAX_ITEMS) {
            printf("[BriskUI] EventHandler::LoadResource %s: more than %d items, section %s skipped\n", path,
                   (int)E_EVENT_HANDLER_MAX_ITEMS, section);
            continue;
        }
        DrawItem* item = NULL;
        if (type == E_DRAW_ITEM_IMAGE) {
            ImageItem* image = new (std::nothrow) ImageItem();
            BRISK_ASSERT(image != NULL);
            image->SetType(E_DRAW_ITEM_IMAGE);
            image->SetName(section);
            ReadGeometry(image, ini, section);
            image->SetImagePath(GetStr(ini, section, "pImagePath"));
            item = image;
        } else {
            TextItem* text = new (std::nothrow) TextItem();
            BRISK_ASSERT(text != NULL);
            text->SetType(E_DRAW_ITEM_TEXT);
            text->SetName(section);
            ReadGeometry(text, ini, section);
            text->SetFontSize((U8)GetU32(ini, section, "u8FontSize", 0));
            text->SetFontColor(GetU32(ini, section, "u32FontColor", 0));
            text->SetFontPath(GetStr(ini, section, "pFontPath"));
            text->SetText(GetStr(ini, section, "pText"));
            item = text;
        }
        vItems.push_back(item);
        rcItemRegion.union_of(item->GetRect());
    }
    u16TimeOut = (U16)iniparser_getunsignedint(ini, "setting:u16TimeOut", 3000);
    u16StateMask = (U16)iniparser_getunsignedint(ini, "setting:u16StateMask", 0);
    iniparser_freedict(ini);
}

void EventHandler::Update(IDirectFBSurface* surface)
{
    ClearSurface(surface);
    for (size_t i = 0; i < vItems.size(); ++i) vItems[i]->Update(surface, MSystem::GetInstance()->GetDirectFB());
}

void EventHandler::ClearSurface(IDirectFBSurface* surface)
{
    if (surface == NULL) return;
    DFBRegion clip = { rcItemRegion.left, rcItemRegion.top, rcItemRegion.left + rcItemRegion.width,
                       rcItemRegion.top + rcItemRegion.height };
    surface->SetClip(surface, &clip);
    surface->Clear(surface, 0, 0, 0, 0);
}

void EventHandler::TimerHandler(U32)
{
}

ImageItem* EventHandler::FindImageItem(const char* name)
{
    if (name == NULL) return NULL;
    for (size_t i = 0; i < vItems.size(); ++i) {
        if (vItems[i]->IsImage() && vItems[i]->Name() == name)
            return static_cast<ImageItem*>(vItems[i]);
    }
    return NULL;
}

TextItem* EventHandler::FindTextItem(const char* name)
{
    if (name == NULL) return NULL;
    for (size_t i = 0; i < vItems.size(); ++i) {
        if (!vItems[i]->IsImage() && vItems[i]->Name() == name)
            return static_cast<TextItem*>(vItems[i]);
    }
    return NULL;
}

void EventHandler::SetOSDTimer()
{
    BriskTimerManager* timers = BriskTimerManager::GetInstance();
    if (!timers->AddTimer(this, u16TimeOut, E_OSD_HIDE_TIMER_ID, E_BRISK_TIMER_ONE_SHOT))
        timers->ResetTimer(this, E_OSD_HIDE_TIMER_ID);
}

void EventHandler::KillOSDTimer()
{
    BriskTimerManager::GetInstance()->RemoveTimer(this, E_OSD_HIDE_TIMER_ID);
}

U32 BarSpan(const ImageItem* track, const ImageItem* leftCap, const ImageItem* rightCap)
{
    U32 span = track != NULL ? track->GetWidth() : 0;
    U32 caps = (leftCap != NULL ? leftCap->GetWidth() : 0) + (rightCap != NULL ? rightCap->GetWidth() : 0);
    return span > caps ? span - caps : 0;
}
