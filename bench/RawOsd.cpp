#include "RawOsd.h"

#include <iniparser.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "BriskPlatform.h"

namespace bench {

namespace {

unsigned GetU32(dictionary* ini, const std::string& section, const char* key, unsigned def)
{
    std::string k = section + ":" + key;
    const char* text = iniparser_getstring(ini, k.c_str(), NULL);
    if (text == NULL) return def;
    return (unsigned)strtoul(text, NULL, 0);
}

std::string GetStr(dictionary* ini, const std::string& section, const char* key)
{
    std::string k = section + ":" + key;
    const char* text = iniparser_getstring(ini, k.c_str(), NULL);
    return text != NULL ? text : "";
}

// The library's decode as the floor makes it: CreateImageProvider,
// GetSurfaceDescription, CreateSurface (video only), RenderTo, provider
// Release. Null when a step fails.
IDirectFBSurface* DecodeImage(IDirectFB* dfb, const std::string& path)
{
    IDirectFBImageProvider* provider = nullptr;
    if (dfb->CreateImageProvider(dfb, path.c_str(), &provider) != DFB_OK) return nullptr;
    DFBSurfaceDescription desc;
    memset(&desc, 0, sizeof(desc));
    provider->GetSurfaceDescription(provider, &desc);
    desc.flags = (DFBSurfaceDescriptionFlags)(desc.flags | DSDESC_CAPS);
    desc.caps = DSCAPS_VIDEOONLY;
    IDirectFBSurface* surface = nullptr;
    if (dfb->CreateSurface(dfb, &desc, &surface) != DFB_OK)
        surface = nullptr;
    else
        provider->RenderTo(provider, surface, NULL);
    provider->Release(provider);
    return surface;
}

}   // namespace

void RawRect::Unite(const RawRect& other)
{
    // The library's rule: an empty rectangle takes the other one.
    if (empty()) {
        *this = other;
        return;
    }
    if (other.empty()) return;
    int right = std::max(left + width, other.left + other.width);
    int bottom = std::max(top + height, other.top + other.height);
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    width = right - left;
    height = bottom - top;
}

DFBRegion RawRect::Region() const
{
    DFBRegion region = { left, top, left + width, top + height };
    return region;
}

bool RawOsd::Load(const std::string& path)
{
    Release();
    items.clear();
    region = RawRect();
    dictionary* ini = iniparser_load(path.c_str());
    if (ini == NULL) return false;
    int sections = iniparser_getnsec(ini);
    for (int i = 0; i < sections; ++i) {
        const char* name = iniparser_getsecname(ini, i);
        if (name == NULL) continue;
        std::string section = name;
        unsigned type = GetU32(ini, section, "u8Type", 0);
        if (type != 1 && type != 2) continue;
        Item item;
        item.name = section;
        item.image = type == 1;
        item.visible = GetU32(ini, section, "bVisible", 1) != 0;
        item.rect.left = (int)GetU32(ini, section, "u32Left", 0);
        item.rect.top = (int)GetU32(ini, section, "u32Top", 0);
        item.rect.width = (int)GetU32(ini, section, "u32Width", 0);
        item.rect.height = (int)GetU32(ini, section, "u32Height", 0);
        if (item.image) {
            item.path = BriskResolvePath(GetStr(ini, section, "pImagePath").c_str());
        } else {
            item.path = BriskResolvePath(GetStr(ini, section, "pFontPath").c_str());
            item.text = GetStr(ini, section, "pText");
            item.fontSize = (int)GetU32(ini, section, "u8FontSize", 0);
            item.color = GetU32(ini, section, "u32FontColor", 0);
        }
        region.Unite(item.rect);
        items.push_back(item);
    }
    iniparser_freedict(ini);
    return true;
}

bool RawOsd::Decode(IDirectFB* dfb)
{
    bool ok = true;
    for (Item& item : items) {
        if (!item.visible) continue;
        if (item.image && item.surface == nullptr) {
            item.surface = DecodeImage(dfb, item.path);
            if (item.surface == nullptr) ok = false;
        } else if (!item.image && item.font == nullptr) {
            DFBFontDescription desc;
            memset(&desc, 0, sizeof(desc));
            desc.flags = DFDESC_HEIGHT;
            desc.height = item.fontSize;
            if (dfb->CreateFont(dfb, item.path.c_str(), &desc, &item.font) != DFB_OK) {
                item.font = nullptr;
                ok = false;
            }
        }
    }
    return ok;
}

void RawOsd::Release()
{
    drawn.clear();
    for (Item& item : items) {
        if (item.surface != nullptr) item.surface->Release(item.surface);
        if (item.font != nullptr) item.font->Release(item.font);
        item.surface = nullptr;
        item.font = nullptr;
        item.picture = nullptr;
    }
    for (Picture& picture : pictures) picture.surface->Release(picture.surface);
    pictures.clear();
}

void RawOsd::Draw(IDirectFBSurface* surface) const
{
    DFBRegion clip = region.Region();
    surface->SetClip(surface, &clip);
    surface->Clear(surface, 0, 0, 0, 0);
    for (const Item& item : items) {
        if (!item.visible) continue;
        if (item.image) {
            IDirectFBSurface* source = item.picture != nullptr ? item.picture : item.surface;
            if (source == nullptr) continue;
            DFBRectangle dest = { item.rect.left, item.rect.top, item.rect.width, item.rect.height };
            surface->StretchBlit(surface, source, NULL, &dest);
            surface->ReleaseSource(surface);
        } else {
            if (item.font == nullptr) continue;
            surface->SetFont(surface, item.font);
            surface->SetColor(surface, (item.color >> 16) & 0xFF, (item.color >> 8) & 0xFF, item.color & 0xFF,
                              (item.color >> 24) & 0xFF);
            surface->DrawString(surface, item.text.c_str(), -1, item.rect.left, item.rect.top, (DFBSurfaceTextFlags)0);
        }
    }
}

RawRect RawOsd::Paint(const Item& item) const
{
    if (!item.visible) return RawRect();
    if (item.image) return item.rect;
    DFBRectangle logical = { 0, 0, 0, 0 };
    if (item.font == nullptr || item.font->GetStringExtents(item.font, item.text.c_str(), -1, &logical, NULL) != DFB_OK)
        return RawRect();
    RawRect r;
    r.left = item.rect.left + logical.x;
    r.top = item.rect.top + logical.y;
    r.width = logical.w;
    r.height = logical.h;
    return r;
}

void RawOsd::DrawChanged(IDirectFBSurface* surface)
{
    std::vector<RawRect> changed;
    bool first = drawn.size() != items.size();
    if (first) {
        drawn.assign(items.size(), Drawn());
        changed.push_back(region);
    }
    for (size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        Drawn now;
        now.visible = item.visible;
        now.rect = item.rect;
        now.paint = Paint(item);
        now.source = item.picture != nullptr ? item.picture : item.surface;
        now.text = item.text;
        now.color = item.color;
        Drawn& before = drawn[i];
        bool same = now.visible == before.visible && now.source == before.source && now.text == before.text &&
                    now.color == before.color && now.rect.left == before.rect.left && now.rect.top == before.rect.top &&
                    now.rect.width == before.rect.width && now.rect.height == before.rect.height;
        if (!first && !same) {
            for (const RawRect& r : { before.paint, now.paint })
                if (!r.empty()) changed.push_back(r);
        }
        before = now;
    }
    // Overlapping rectangles become one, so that no pixel is drawn twice.
    for (size_t i = 0; i < changed.size(); ++i) {
        for (size_t j = i + 1; j < changed.size(); ++j) {
            const RawRect& a = changed[i];
            const RawRect& b = changed[j];
            if (a.left > b.left + b.width || b.left > a.left + a.width || a.top > b.top + b.height ||
                b.top > a.top + a.height)
                continue;
            changed[i].Unite(b);
            changed.erase(changed.begin() + (long)j);
            j = i;
        }
    }
    DFBRegion whole = region.Region();
    for (const RawRect& r : changed) {
        DFBRegion clip = { std::max(r.left, whole.x1), std::max(r.top, whole.y1),
                           std::min(r.left + r.width - 1, whole.x2), std::min(r.top + r.height - 1, whole.y2) };
        if (clip.x1 > clip.x2 || clip.y1 > clip.y2) continue;
        surface->SetClip(surface, &clip);
        surface->Clear(surface, 0, 0, 0, 0);
        for (size_t i = 0; i < items.size(); ++i) {
            const Item& item = items[i];
            const RawRect& p = drawn[i].paint;
            if (p.empty() || p.left > clip.x2 || p.left + p.width <= clip.x1 || p.top > clip.y2 ||
                p.top + p.height <= clip.y1)
                continue;
            if (item.image) {
                if (drawn[i].source == nullptr) continue;
                DFBRectangle dest = { item.rect.left, item.rect.top, item.rect.width, item.rect.height };
                surface->StretchBlit(surface, drawn[i].source, NULL, &dest);
                surface->ReleaseSource(surface);
            } else {
                surface->SetFont(surface, item.font);
                surface->SetColor(surface, (item.color >> 16) & 0xFF, (item.color >> 8) & 0xFF, item.color & 0xFF,
                                  (item.color >> 24) & 0xFF);
                surface->DrawString(surface, item.text.c_str(), -1, item.rect.left, item.rect.top,
                                    (DFBSurfaceTextFlags)0);
            }
        }
        surface->Flip(surface, &clip, DSFLIP_BLIT);
    }
}

RawOsd::Item* RawOsd::Find(const std::string& name)
{
    for (Item& item : items)
        if (item.name == name) return &item;
    return nullptr;
}

const RawOsd::Item* RawOsd::Find(const std::string& name) const
{
    for (const Item& item : items)
        if (item.name == name) return &item;
    return nullptr;
}

int RawOsd::TextWidth(const std::string& name) const
{
    const Item* item = Find(name);
    int width = 0;
    if (item == nullptr || item->font == nullptr) return 0;
    item->font->GetStringWidth(item->font, item->text.c_str(), -1, &width);
    return width;
}

RawRect RawOsd::ItemRect(const std::string& name) const
{
    const Item* item = Find(name);
    return item != nullptr ? item->rect : RawRect();
}

bool RawOsd::SetItemText(const std::string& name, const std::string& text)
{
    Item* item = Find(name);
    if (item == nullptr) return false;
    item->text = text;
    return true;
}

bool RawOsd::SetItemSpan(const std::string& name, int left, int width)
{
    Item* item = Find(name);
    if (item == nullptr) return false;
    item->rect.left = left;
    item->rect.width = width;
    return true;
}

bool RawOsd::SetItemTop(const std::string& name, int top)
{
    Item* item = Find(name);
    if (item == nullptr) return false;
    item->rect.top = top;
    return true;
}

bool RawOsd::SetItemColor(const std::string& name, unsigned argb)
{
    Item* item = Find(name);
    if (item == nullptr || item->image) return false;
    item->color = argb;
    return true;
}

bool RawOsd::SetItemVisible(const std::string& name, bool visible)
{
    Item* item = Find(name);
    if (item == nullptr) return false;
    item->visible = visible;
    return true;
}

bool RawOsd::SetItemImage(IDirectFB* dfb, const std::string& name, const std::string& path)
{
    Item* item = Find(name);
    if (item == nullptr || !item->image) return false;
    std::string resolved = BriskResolvePath(path.c_str());
    for (const Picture& picture : pictures) {
        if (picture.path == resolved) {
            item->picture = picture.surface;
            return true;
        }
    }
    Picture picture;
    picture.path = resolved;
    picture.surface = DecodeImage(dfb, resolved);
    if (picture.surface == nullptr) return false;
    pictures.push_back(picture);
    item->picture = picture.surface;
    return true;
}

size_t RawOsd::VisibleImages() const
{
    size_t n = 0;
    for (const Item& item : items) n += item.visible && item.image ? 1 : 0;
    return n;
}

size_t RawOsd::VisibleTexts() const
{
    size_t n = 0;
    for (const Item& item : items) n += item.visible && !item.image ? 1 : 0;
    return n;
}

void RawFrame(const RawOsd& osd, const RawWindow& window)
{
    osd.Draw(window.Surface());
    RawFlip(window.Surface(), osd.Region());
}

void RawChangedFrame(RawOsd& osd, const RawWindow& window) { osd.DrawChanged(window.Surface()); }

void RawFlip(IDirectFBSurface* surface, const RawRect& rect)
{
    DFBRegion region = rect.Region();
    surface->Flip(surface, &region, DSFLIP_BLIT);
}

DFBWindowDescription OsdWindowDescription()
{
    DFBWindowDescription desc;
    memset(&desc, 0, sizeof(desc));
    desc.flags = (DFBWindowDescriptionFlags)(DWDESC_CAPS | DWDESC_WIDTH | DWDESC_HEIGHT | DWDESC_PIXELFORMAT |
                                             DWDESC_POSX | DWDESC_POSY | DWDESC_SURFACE_CAPS);
    desc.caps = (DFBWindowCapabilities)(DWCAPS_ALPHACHANNEL | DWCAPS_DOUBLEBUFFER);
    desc.width = 1280;
    desc.height = 720;
    desc.pixelformat = DSPF_ARGB;
    desc.posx = 0;
    desc.posy = 0;
    desc.surface_caps = DSCAPS_VIDEOONLY;
    return desc;
}

bool RawWindow::Create(IDirectFBDisplayLayer* layer)
{
    Destroy();
    DFBWindowDescription desc = OsdWindowDescription();
    if (layer->CreateWindow(layer, &desc, &window) != DFB_OK) {
        window = nullptr;
        return false;
    }
    window->SetOpacity(window, 255);
    if (window->GetSurface(window, &surface) != DFB_OK) {
        surface = nullptr;
        Destroy();
        return false;
    }
    surface->SetDrawingFlags(surface, DSDRAW_BLEND);
    surface->SetSrcBlendFunction(surface, DSBF_SRCALPHA);
    surface->SetDstBlendFunction(surface, DSBF_INVSRCALPHA);
    surface->SetBlittingFlags(surface, DSBLIT_BLEND_ALPHACHANNEL);
    surface->Clear(surface, 0, 0, 0, 0);
    surface->Flip(surface, NULL, DSFLIP_NONE);
    surface->Clear(surface, 0, 0, 0, 0);
    return true;
}

void RawWindow::Destroy()
{
    if (surface != nullptr) surface->Release(surface);
    if (window != nullptr) window->Release(window);
    surface = nullptr;
    window = nullptr;
}

}   // namespace bench
