#include "EventHandler.h"

#include <stdio.h>
#include <string.h>

#include <new>
#include <string>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "Damage.h"

namespace {

void ReadGeometry(DrawItem* item, const LayoutKeys& keys, const char* section)
{
    item->SetVisible((U8)keys.GetUnsigned(section, "bVisible", 1));
    item->SetLeft(keys.GetUnsigned(section, "u32Left", 0));
    item->SetTop(keys.GetUnsigned(section, "u32Top", 0));
    item->SetWidth(keys.GetUnsigned(section, "u32Width", 0));
    item->SetHeight(keys.GetUnsigned(section, "u32Height", 0));
}

// Joins one text's part to an utterance: after a comma, or a blank when the
// utterance ends a sentence or clause itself.
void AppendSpeechPart(std::string* utterance, const std::string& part)
{
    if (!utterance->empty()) *utterance += strchr(".!?:;,", utterance->back()) != NULL ? " " : ", ";
    *utterance += part;
}

}   // namespace

const ST_LAYOUT_NEEDS EventHandler::kLayout = { NULL, 0, NULL, 0, TRUE };
const ST_SPEECH_NEEDS EventHandler::kSpeech = { NULL, 0 };

EventHandler::~EventHandler()
{
    for (size_t i = 0; i < vItems.size(); ++i) DrawItem::Destroy(vItems[i]);
    std::vector<DrawItem*>().swap(vItems);
}

void EventHandler::LoadResource(const char* path)
{
    LayoutKeys keys;
    LoadLayout(path, keys);
}

void EventHandler::ReloadResource(const char* path)
{
    for (size_t i = 0; i < vItems.size(); ++i) DrawItem::Destroy(vItems[i]);
    vItems.clear();
    rcItemRegion.clear();
    LoadResource(path);
}

void EventHandler::LoadLayout(const char* path, LayoutKeys& keys)
{
    if (!keys.Open(path)) {
        printf("[BriskUI] EventHandler::LoadResource failed, no such file %s%s\n", path, keys.Problem().c_str());
        LoadSpeech(keys);
        return;
    }
    int sections = keys.SectionCount();
    for (int i = 0; i < sections; ++i) {
        const char* section = keys.SectionName(i);
        if (section == NULL) continue;
        U8 type = (U8)keys.GetUnsigned(section, "u8Type", 0);
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
            ReadGeometry(image, keys, section);
            image->SetImagePath(keys.GetText(section, "pImagePath"));
            item = image;
        } else {
            TextItem* text = new (std::nothrow) TextItem();
            BRISK_ASSERT(text != NULL);
            text->SetType(E_DRAW_ITEM_TEXT);
            text->SetName(section);
            ReadGeometry(text, keys, section);
            text->SetFontSize((U8)keys.GetUnsigned(section, "u8FontSize", 0));
            text->SetFontColor(keys.GetUnsigned(section, "u32FontColor", 0));
            text->SetFontPath(keys.GetText(section, "pFontPath"));
            text->SetText(keys.GetText(section, "pText"));
            item = text;
        }
        vItems.push_back(item);
        rcItemRegion.union_of(item->GetRect());
    }
    u16TimeOut = (U16)keys.GetUnsigned(kLayoutSettings, kBaseLayoutKeys[E_BASE_KEY_TIMEOUT].pName, 3000);
    u16StateMask = (U16)keys.GetUnsigned(kLayoutSettings, kBaseLayoutKeys[E_BASE_KEY_STATE_MASK].pName, 0);
    // A 32-bit mask, for OSDs beyond the first sixteen, wins when given.
    const char* wide = kBaseLayoutKeys[E_BASE_KEY_WIDE_STATE_MASK].pName;
    bWideStateMask = keys.GetText(kLayoutSettings, wide) != NULL ? TRUE : FALSE;
    u32StateMask = keys.GetUnsigned(kLayoutSettings, wide, 0);
    LoadSpeech(keys);
}

void EventHandler::LoadSpeech(const LayoutKeys& keys)
{
    vSpeech.clear();
    strShownSpeech.clear();
    if (pSpeechNeeds == NULL) return;
    for (size_t i = 0; i < pSpeechNeeds->uCount; ++i) {
        const ST_SPEECH_TEXT& text = pSpeechNeeds->pTexts[i];
        const char* own = keys.GetText(kSpeechSection, text.pId);
        std::string wording = own != NULL ? own : text.pDefault;
        std::vector<ST_SPEECH_PIECE> pieces;
        size_t at = 0, start = 0, end = 0;
        std::string name;
        while (BriskNextPlaceholder(wording, at, &start, &end, &name)) {
            pieces.push_back({ wording.substr(at, start - at), false });
            if (BriskIsSpeechValue(text.pValues, name)) {
                pieces.push_back({ name, true });
            } else {
                // An item the layout lacks says nothing (the checker reports it).
                TextItem* item = FindTextItem(name.c_str());
                if (item != NULL) pieces.push_back({ item->GetText(), false });
            }
            at = end;
        }
        pieces.push_back({ wording.substr(at), false });
        vSpeech.push_back(pieces);
    }
}

std::string EventHandler::RenderSpeech(std::initializer_list<size_t> texts,
                                       std::initializer_list<BriskSpeechValue> values, U8* flags) const
{
    std::string utterance;
    U8 all = 0;
    for (size_t index : texts) {
        if (index >= vSpeech.size()) continue;
        std::string part;
        for (const ST_SPEECH_PIECE& piece : vSpeech[index]) {
            if (!piece.bValue) {
                part += piece.strText;
                continue;
            }
            for (const BriskSpeechValue& value : values)
                if (piece.strText == value.pName) part += value.strText;
        }
        part = BriskTidySpeech(part);
        if (part.empty()) continue;
        all |= pSpeechNeeds->pTexts[index].u8Flags;
        AppendSpeechPart(&utterance, part);
    }
    if (flags != NULL) *flags = all;
    return utterance;
}

void EventHandler::Say(std::initializer_list<size_t> texts, std::initializer_list<BriskSpeechValue> values)
{
    if (!SpeechWanted()) return;
    U8 flags = 0;
    std::string utterance = RenderSpeech(texts, values, &flags);
    if (!utterance.empty()) pHost->Speak(this, utterance, flags);
}

void EventHandler::SayShown(BOOL anew, std::initializer_list<size_t> texts,
                            std::initializer_list<BriskSpeechValue> values)
{
    if (!SpeechWanted()) return;
    U8 flags = 0;
    std::string utterance = RenderSpeech(texts, values, &flags);
    if (!anew && utterance == strShownSpeech) return;
    strShownSpeech = utterance;
    if (!utterance.empty()) pHost->Speak(this, utterance, flags);
}

void EventHandler::SpeakShown(BOOL anew)
{
    if (!anew || pSpeechNeeds == NULL || !SpeechWanted()) return;
    // The texts said on showing, as one utterance.
    std::string utterance;
    U8 flags = 0;
    for (size_t i = 0; i < pSpeechNeeds->uCount; ++i) {
        if ((pSpeechNeeds->pTexts[i].u8Flags & E_SPEECH_ON_SHOW) == 0) continue;
        U8 own = 0;
        std::string part = RenderSpeech({ i }, {}, &own);
        if (part.empty()) continue;
        flags |= own;
        AppendSpeechPart(&utterance, part);
    }
    if (!utterance.empty()) pHost->Speak(this, utterance, flags);
}

void EventHandler::BindItems(const ST_LAYOUT_NEEDS& needs, std::initializer_list<ItemSlot> slots)
{
    size_t next = 0;
    for (const ItemSlot& slot : slots) {
        for (size_t i = 0; i < slot.uCount; ++i, ++next) {
            BRISK_ASSERT(next < needs.uItemCount);
            const ST_LAYOUT_ITEM& item = needs.pItems[next];
            if (slot.ppImage != NULL) {
                BRISK_ASSERT(item.u8Type == E_DRAW_ITEM_IMAGE);
                slot.ppImage[i] = FindImageItem(item.pName);
            } else {
                BRISK_ASSERT(item.u8Type == E_DRAW_ITEM_TEXT);
                slot.ppText[i] = FindTextItem(item.pName);
            }
        }
    }
    BRISK_ASSERT(next == needs.uItemCount);
}

void EventHandler::Update(IDirectFBSurface* surface)
{
    ClearSurface(surface);
    IDirectFB* dfb = GetDirectFB();
    for (size_t i = 0; i < vItems.size(); ++i) vItems[i]->Update(surface, dfb);
}

void EventHandler::ClearSurface(IDirectFBSurface* surface)
{
    // A region off the surface clears nothing: DirectFB would refuse the
    // clip and clear under the previous one instead.
    DFBRegion clip;
    if (!BriskSurfaceRegion(rcItemRegion, surface, &clip)) return;
    BriskDrawClear(surface, this, clip);
}

void EventHandler::TimerHandler(U32) {}

ImageItem* EventHandler::FindImageItem(const char* name)
{
    if (name == NULL) return NULL;
    for (size_t i = 0; i < vItems.size(); ++i) {
        if (vItems[i]->IsImage() && vItems[i]->Name() == name) return static_cast<ImageItem*>(vItems[i]);
    }
    return NULL;
}

TextItem* EventHandler::FindTextItem(const char* name)
{
    if (name == NULL) return NULL;
    for (size_t i = 0; i < vItems.size(); ++i) {
        if (!vItems[i]->IsImage() && vItems[i]->Name() == name) return static_cast<TextItem*>(vItems[i]);
    }
    return NULL;
}

void EventHandler::SetOSDTimer()
{
    BriskTimerManager* timers = BriskTimerManager::GetInstance();
    if (!timers->AddTimer(this, u16TimeOut, E_OSD_HIDE_TIMER_ID, E_BRISK_TIMER_ONE_SHOT))
        timers->ResetTimer(this, E_OSD_HIDE_TIMER_ID);
}

void EventHandler::KillOSDTimer() { BriskTimerManager::GetInstance()->RemoveTimer(this, E_OSD_HIDE_TIMER_ID); }

BOOL EventHandler::Reachable(const char* operation) const
{
    if (u32OsdStatus == 0) {
        printf("[BriskUI] EventHandler::%s, handler %p has no OSD status\n", operation, (const void*)this);
        return FALSE;
    }
    if (pHost == NULL) {
        printf("[BriskUI] EventHandler::%s, handler %p has no host\n", operation, (const void*)this);
        return FALSE;
    }
    return TRUE;
}

void EventHandler::ShowOsd()
{
    if (!Reachable("ShowOsd")) return;
    if (bWideStateMask)
        pHost->ShowOsd(u32OsdStatus, u32StateMask, TRUE);
    else
        pHost->ShowOsd(u32OsdStatus, u16StateMask, FALSE);
}

void EventHandler::ShowOsd(U16 mask)
{
    if (Reachable("ShowOsd")) pHost->ShowOsd(u32OsdStatus, mask, FALSE);
}

void EventHandler::HideOsd()
{
    if (Reachable("HideOsd")) pHost->HideOsd(u32OsdStatus);
}

void EventHandler::ShowItems(std::initializer_list<DrawItem*> items, U8 visible)
{
    for (DrawItem* item : items)
        if (item != NULL) item->SetVisible(visible);
}

BOOL EventHandler::SwapPathEnding(ImageItem* item, const char* ending)
{
    if (item == NULL || ending == NULL) return FALSE;
    std::string path = item->GetImagePath();
    size_t length = strlen(ending);
    if (path.size() < length) return FALSE;
    path.replace(path.size() - length, length, ending);
    item->SetImagePath(path.c_str());
    return TRUE;
}
