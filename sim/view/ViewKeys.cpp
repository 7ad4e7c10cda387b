#include "ViewKeys.h"

#include "HostScript.h"
#include "LiveView.h"

namespace {

// One remote key: the PC keys that stand for it (as SDL reports them, the
// keyboard's own media keys included), the host's key name, and whether
// holding the key repeats it the way a remote's held volume or channel key
// does. Digits, on the main row and on the keypad, are the rule below the
// table.
struct ViewKeyRow {
    const char* remote;
    bool repeats;
    SDL_Keycode keys[4];   // ends at the first 0
};

const ViewKeyRow kViewKeys[] = {
    { "UP", false, { SDLK_UP } },
    { "DOWN", false, { SDLK_DOWN } },
    { "OK", false, { SDLK_RETURN, SDLK_KP_ENTER } },
    { "EXIT", false, { SDLK_ESCAPE } },
    { "VOL+", true, { SDLK_PLUS, SDLK_EQUALS, SDLK_KP_PLUS, SDLK_VOLUMEUP } },
    { "VOL-", true, { SDLK_MINUS, SDLK_KP_MINUS, SDLK_VOLUMEDOWN } },
    { "MUTE", false, { SDLK_m, SDLK_MUTE, SDLK_AUDIOMUTE } },
    { "CH+", true, { SDLK_PAGEUP } },
    { "CH-", true, { SDLK_PAGEDOWN } },
    { "SOURCE", false, { SDLK_s } },
    { "DASH", false, { SDLK_PERIOD, SDLK_KP_PERIOD } },
    { "ATVDTV", false, { SDLK_t } },
    { "FACTORY", false, { SDLK_f } },
    { "POWER", false, { SDLK_p, SDLK_POWER } },
    { "MENU", false, { SDLK_HOME, SDLK_MENU, SDLK_APPLICATION } },
    { "INFO", false, { SDLK_i } },
    { "PLAY", false, { SDLK_SPACE, SDLK_AUDIOPLAY } },
    { "PAUSE", false, { SDLK_k, SDLK_PAUSE } },
    { "STOP", false, { SDLK_x, SDLK_AUDIOSTOP } },
};

const char* const kDigitNames[] = { "0", "1", "2", "3", "4", "5", "6", "7", "8", "9" };

const ViewKeyRow* RowOf(SDL_Keycode key)
{
    for (const ViewKeyRow& row : kViewKeys)
        for (SDL_Keycode k : row.keys) {
            if (k == 0) break;
            if (k == key) return &row;
        }
    return nullptr;
}

}   // namespace

const char* ViewKeyName(SDL_Keycode key)
{
    if (key >= SDLK_0 && key <= SDLK_9) return kDigitNames[key - SDLK_0];
    if (key == SDLK_KP_0) return kDigitNames[0];
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return kDigitNames[key - SDLK_KP_1 + 1];
    const ViewKeyRow* row = RowOf(key);
    return row != nullptr ? row->remote : nullptr;
}

bool ViewKeySymbol(SDL_Keycode key, bool repeat, U32* symbol)
{
    const char* name = ViewKeyName(key);
    if (name == nullptr) return false;
    const ViewKeyRow* row = RowOf(key);
    if (repeat && (row == nullptr || !row->repeats)) return false;
    return KeySymbolOf(name, symbol);
}

std::vector<SDL_Keycode> ViewKeycodes()
{
    std::vector<SDL_Keycode> keys;
    for (SDL_Keycode k = SDLK_0; k <= SDLK_9; ++k) keys.push_back(k);
    for (SDL_Keycode k : { SDLK_KP_0, SDLK_KP_1, SDLK_KP_2, SDLK_KP_3, SDLK_KP_4, SDLK_KP_5, SDLK_KP_6, SDLK_KP_7,
                           SDLK_KP_8, SDLK_KP_9 })
        keys.push_back(k);
    for (const ViewKeyRow& row : kViewKeys)
        for (SDL_Keycode k : row.keys) {
            if (k == 0) break;
            keys.push_back(k);
        }
    return keys;
}

std::vector<ViewKey> ViewKeyLabels()
{
    std::vector<ViewKey> keys = { { { "0..9", "Keypad 0..Keypad 9" }, "0..9", false } };
    for (const ViewKeyRow& row : kViewKeys) {
        ViewKey key = { {}, row.remote, row.repeats };
        for (SDL_Keycode k : row.keys) {
            if (k == 0) break;
            key.pcKeys.push_back(SDL_GetKeyName(k));
        }
        keys.push_back(key);
    }
    return keys;
}
