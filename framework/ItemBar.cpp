#include "ItemBar.h"

#include "EventHandler.h"

void ItemBar::Bind(EventHandler& handler, const char* track, const char* leftCap, const char* middle,
                   const char* rightCap, EN_CAPS caps)
{
    ImageItem* const items[E_ITEMS] = { handler.FindImageItem(track), handler.FindImageItem(leftCap),
                                        handler.FindImageItem(middle), handler.FindImageItem(rightCap) };
    Bind(items, caps);
}

void ItemBar::Bind(ImageItem* const (&items)[E_ITEMS], EN_CAPS caps)
{
    pTrack = items[0];
    pLeftCap = items[1];
    pMiddle = items[2];
    pRightCap = items[3];
    eCaps = caps;
    U32 width = pTrack != NULL ? pTrack->GetWidth() : 0;
    U32 capsWidth = (pLeftCap != NULL ? pLeftCap->GetWidth() : 0) + (pRightCap != NULL ? pRightCap->GetWidth() : 0);
    u32Span = width > capsWidth ? width - capsWidth : 0;
}

void ItemBar::Fill(U32 value, U32 maximum)
{
    if (pMiddle == NULL) return;
    if (eCaps == E_CAPS_HIDDEN_AT_ZERO && pRightCap == NULL) return;
    if (value > maximum) value = maximum;
    // 64 bits: span times value must not wrap for any maximum.
    U32 width = maximum != 0 ? (U32)((unsigned long long)u32Span * value / maximum) : 0;
    pMiddle->SetWidth(width);
    if (pRightCap != NULL) pRightCap->SetLeft(pMiddle->GetLeft() + width);
    if (eCaps == E_CAPS_HIDDEN_AT_ZERO) EventHandler::ShowItems({ pLeftCap, pRightCap }, value != 0 ? 1 : 0);
}

void ItemBar::SetVisible(U8 visible) { EventHandler::ShowItems({ pTrack, pLeftCap, pMiddle, pRightCap }, visible); }
