#include "MenuFocus.h"

#include "EventHandler.h"

const ST_MENU_FOCUS_STYLE kMenuFocusStyle = { "n.png", "f.png", 0xFF4B557C, 0xFFFFFFFF };

namespace {

enum { E_SAY_TITLE, E_SAY_ENTRY };
const ST_SPEECH_TEXT kMenuTexts[] = {
    { "title", "{title_text}", "", E_SPEECH_INTERRUPT },
    { "entry", "{entry}, {position} of {count}", "entry position count", E_SPEECH_INTERRUPT },
};

}   // namespace

const ST_SPEECH_NEEDS kMenuSpeech = BriskSpeechNeeds(kMenuTexts);

MenuFocusList::MenuFocusList()
    : u8Count(0),
      u8FocusIndex(0),
      pFocusBar(NULL),
      pFocusedIcon(NULL),
      pFocusedText(NULL),
      bBound(false),
      stStyle(kMenuFocusStyle),
      pfNormalColor(NULL),
      pNormalColorContext(NULL)
{}

void MenuFocusList::AddEntry(const char* iconName, const char* textName)
{
    // Indices are 8-bit.
    if (vEntries.size() >= 255) return;
    ST_ENTRY entry = { iconName != NULL ? iconName : "", textName != NULL ? textName : "", NULL, NULL };
    vEntries.push_back(entry);
}

void MenuFocusList::Bind(EventHandler& handler, const char* focusBarName)
{
    // The entries whose items look focused (none before the first Bind).
    size_t icon = vEntries.size(), text = vEntries.size();
    for (size_t i = 0; i < vEntries.size(); ++i) {
        if (pFocusedIcon != NULL && vEntries[i].pIcon == pFocusedIcon) icon = i;
        if (pFocusedText != NULL && vEntries[i].pText == pFocusedText) text = i;
    }
    pFocusBar = handler.FindImageItem(focusBarName);
    for (size_t i = 0; i < vEntries.size(); ++i) {
        vEntries[i].pIcon = handler.FindImageItem(vEntries[i].strIconName.c_str());
        vEntries[i].pText = handler.FindTextItem(vEntries[i].strTextName.c_str());
    }
    pFocusedIcon = icon < vEntries.size() ? vEntries[icon].pIcon : NULL;
    pFocusedText = text < vEntries.size() ? vEntries[text].pText : NULL;
    if (bBound) return;
    bBound = true;
    u8Count = Size();
    u8FocusIndex = 0;
}

std::string MenuFocusList::FocusedLabel() const
{
    TextItem* text = TextAt(u8FocusIndex);
    return text != NULL ? text->GetText() : std::string();
}

void MenuFocusList::SayFocus(EventHandler& menu, bool title) const
{
    if (!menu.SpeechWanted()) return;
    BriskSpeechValue entry("entry", FocusedLabel());
    BriskSpeechValue position("position", u8FocusIndex + 1);
    BriskSpeechValue count("count", u8Count);
    if (title)
        menu.Say({ E_SAY_TITLE, E_SAY_ENTRY }, { entry, position, count });
    else
        menu.Say({ E_SAY_ENTRY }, { entry, position, count });
}

void MenuFocusList::SetNormalColorHook(NormalColorHook hook, void* context)
{
    pfNormalColor = hook;
    pNormalColorContext = context;
}

U32 MenuFocusList::NormalColorOf(const TextItem* label) const
{
    if (pfNormalColor != NULL && label != NULL)
        return pfNormalColor(label, stStyle.u32NormalColor, pNormalColorContext);
    return stStyle.u32NormalColor;
}

void MenuFocusList::SetCount(U8 count)
{
    u8Count = count < Size() ? count : Size();
    if (u8FocusIndex >= u8Count) u8FocusIndex = u8Count > 0 ? (U8)(u8Count - 1) : 0;
}

void MenuFocusList::SetFocusIndex(U8 index) { u8FocusIndex = index < u8Count ? index : 0; }

void MenuFocusList::Next()
{
    if (u8Count == 0) return;
    u8FocusIndex = u8FocusIndex + 1 < u8Count ? (U8)(u8FocusIndex + 1) : 0;
}

void MenuFocusList::Previous()
{
    if (u8Count == 0) return;
    u8FocusIndex = u8FocusIndex > 0 && u8FocusIndex <= u8Count ? (U8)(u8FocusIndex - 1) : (U8)(u8Count - 1);
}

// The items focused before return to the normal look; `onlyVisible` spares
// hidden ones.
void MenuFocusList::Unfocus(bool onlyVisible)
{
    if (pFocusedIcon != NULL && (!onlyVisible || pFocusedIcon->GetVisible() == 1))
        EventHandler::SwapPathEnding(pFocusedIcon, stStyle.pNormalEnding);
    if (pFocusedText != NULL && (!onlyVisible || pFocusedText->GetVisible() == 1))
        pFocusedText->SetFontColor(NormalColorOf(pFocusedText));
}

// Entry `index` takes the focused look where visible and is remembered.
void MenuFocusList::Focus(U8 index)
{
    ImageItem* icon = IconAt(index);
    TextItem* text = TextAt(index);
    if (icon != NULL && icon->GetVisible() == 1) EventHandler::SwapPathEnding(icon, stStyle.pFocusedEnding);
    if (text != NULL && text->GetVisible() == 1) text->SetFontColor(stStyle.u32FocusedColor);
    pFocusedIcon = icon;
    pFocusedText = text;
}

void MenuFocusList::FocusInitial(U8 index)
{
    SetFocusIndex(index);
    Unfocus(false);
    Focus(u8FocusIndex);
}

void MenuFocusList::UpdateFocusBar()
{
    ImageItem* icon = IconAt(u8FocusIndex);
    if (pFocusBar != NULL && icon != NULL)
        pFocusBar->SetTop(icon->GetTop() + icon->GetHeight() / 2 - pFocusBar->GetHeight() / 2);
    Unfocus(true);
    Focus(u8FocusIndex);
}

void MenuFocusList::RefreshNormalColors()
{
    for (size_t i = 0; i < vEntries.size(); ++i) {
        TextItem* text = vEntries[i].pText;
        if (text != NULL && text != pFocusedText && text->GetVisible() == 1) text->SetFontColor(NormalColorOf(text));
    }
}
