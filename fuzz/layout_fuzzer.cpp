// Layout files through the OSD handlers of the handler table: a handler
// loads the input with LoadResource, is shown, driven with keys and timer
// expiries, composed, and destroyed. A handler that lands in the table
// later is fuzzed the same way, with nothing to add here.
//
// Every composition is also checked against the full composition: the
// window's back buffer and the screen must both hold what drawing every
// frame whole leaves (drawn onto a reference surface).
//
// Input: the layout file (or a recipe for one near the size and entry
// limits, fuzz::WriteIniInput, whose first three bytes never count as the
// NUL below), optionally followed by a NUL byte and commands.
// Without a NUL every row's handler takes the layout and a short walk over
// every key, first straight to the handler and then through the key
// router, with the timers firing after each round (after a recipe's file,
// no walk: each handler is shown and composed once). After a NUL, the first
// byte sets the scene (bit 0: NA country group, bit 1: analogue TV as the
// input, bit 2: volume 100, bit 3: hotel mode), the second picks one row
// (modulo the row count), and each further byte is one step (below),
// composed after it.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "BriskKeys.h"
#include "BriskTimerManager.h"
#include "BriskUiHandlerTable.h"
#include "BriskUiManager.h"
#include "Damage.h"
#include "EventHandler.h"
#include "FuzzSupport.h"
#include "LayoutKeys.h"
#include "ManagerLock.h"
#include "SimTv.h"

namespace {

// Every key the router knows, the digits among them; a step byte picks one
// by its low six bits.
const U32 kKeys[] = {
    BRISKKEY_RETURN,
    BRISKKEY_CURSOR_UP,
    BRISKKEY_CURSOR_DOWN,
    BRISKKEY_PAUSE,
    BRISKKEY_POWER,
    BRISKKEY_MENU,
    BRISKKEY_INFO,
    BRISKKEY_CHANNEL,
    BRISKKEY_EPG,
    BRISKKEY_SUBTITLE,
    BRISKKEY_ZOOM,
    BRISKKEY_AUDIO,
    BRISKKEY_CHANNEL_UP,
    BRISKKEY_CHANNEL_DOWN,
    BRISKKEY_FORWARD,
    BRISKKEY_VOLUME_UP,
    BRISKKEY_VOLUME_DOWN,
    BRISKKEY_MUTE,
    BRISKKEY_PLAY,
    BRISKKEY_STOP,
    BRISKKEY_PREVIOUS,
    BRISKKEY_NEXT,
    BRISKKEY_EXIT,
    BRISKKEY_INPUT_SOURCE,
    BRISKKEY_CHANNEL_SEPARATOR,
    BRISKKEY_MEDIA_F077,
    BRISKKEY_CUSTOM61_EXIT,
    BRISKKEY_CUSTOM63_ATV_DTV,
    BRISKKEY_CUSTOM79_FACTORY,
    BRISKKEY_CUSTOM80_POWER,
    '0',
    '1',
    '2',
    '3',
    '4',
    '5',
    '6',
    '7',
    '8',
    '9',
};
const size_t kKeyCount = sizeof(kKeys) / sizeof(kKeys[0]);

// Step bytes: the top two bits say what, the low six bits which.
enum Step {
    kKeyToHandler = 0,   // kKeys[low % count] to the handler's KeyHandler
    kKeyToRouter = 1,    // the same key through the manager's key router
    kTimers = 2,         // every timer the handler has armed expires
    kRawKey = 3          // the next four bytes, little-endian, as a key symbol: to the router when low bit 0 is set
};

const char* const kLayoutPath = "/config/briskui/layout/EN/fuzz.ini";
const U16 kHotelModeItem = 0x4022;
// Steps past this many are ignored: each one composes.
const size_t kMaxSteps = 64;

BriskUiManager* g_manager = NULL;

// The differential oracle, after a composition.
void CheckScreen()
{
    std::string why;
    if (!BriskComposerCheckReference(&why)) fuzz::Fail("the window differs from the full composition: %s", why.c_str());
}

void Compose()
{
    if (!g_manager->IsUpdateNeeded()) return;
    g_manager->UpdateOsd();
    CheckScreen();
}

// What the timer thread and the input thread would do once the handler's
// armed timers fall due: one-shot timers go, and the handler hears of each.
void FireTimers(EventHandler* handler)
{
    BriskTimerManager* timers = BriskTimerManager::GetInstance();
    for (const StTimerDatum& t : timers->Snapshot()) {
        if (t.handler != handler) continue;
        if (t.eMode == E_BRISK_TIMER_ONE_SHOT) timers->RemoveTimer(handler, t.u32Id);
        handler->TimerHandler(t.u32Id);
    }
    Compose();
}

void Key(EventHandler* handler, U32 key, bool throughRouter)
{
    if (throughRouter)
        g_manager->KeyHandler(key);
    else
        handler->KeyHandler(key);
    Compose();
}

void RunSteps(EventHandler* handler, const uint8_t* steps, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        U8 low = steps[i] & 0x3F;
        switch (steps[i] >> 6) {
        case kKeyToHandler:
        case kKeyToRouter:
            Key(handler, kKeys[low % kKeyCount], (steps[i] >> 6) == kKeyToRouter);
            break;
        case kTimers:
            FireTimers(handler);
            break;
        case kRawKey: {
            U32 key = 0;
            for (int b = 0; b < 4 && i + 1 < count; ++b) key |= (U32)steps[++i] << (8 * b);
            Key(handler, key, (low & 1) != 0);
            break;
        }
        }
    }
}

// Composing draws in software, by far the most costly part of a run, and
// every row of the handler table takes the walk: it composes twice a round
// of keys, and once more after the round's timers.
void RunDefaultSteps(EventHandler* handler)
{
    const size_t kKeysPerComposition = 20;
    for (int round = 0; round < 2; ++round) {
        for (size_t k = 0; k < kKeyCount; ++k) {
            if (round == 1)
                g_manager->KeyHandler(kKeys[k]);
            else
                handler->KeyHandler(kKeys[k]);
            if (k % kKeysPerComposition == kKeysPerComposition - 1) Compose();
        }
        FireTimers(handler);
    }
}

// One row's handler through its whole life on the layout at kLayoutPath.
void DriveRow(const ST_BRISKUI_HANDLER_ROW& row, const uint8_t* steps, size_t stepCount, bool defaultSteps)
{
    // A handler whose layout is required stops the process on one that
    // does not load, by design: only loadable inputs reach it.
    if (row.bLayoutRequired) {
        LayoutKeys keys;
        if (!keys.Open((fuzz::Root() + kLayoutPath).c_str())) return;
    }
    BriskManagerLock lock;
    EventHandler* handler = BriskCreateRowHandler(row);
    if (handler == NULL) fuzz::Fail("no memory for the handler of %s", BriskUiOsdName(row.eStatus));
    handler->LoadResource((fuzz::Root() + kLayoutPath).c_str());
    handler->ShowOsd();
    Compose();
    if (defaultSteps)
        RunDefaultSteps(handler);
    else
        RunSteps(handler, steps, stepCount);
    handler->Update(g_manager->GetSurface());

    // Off the screen and out of the timer list before it goes, as Finalize
    // leaves it.
    while (BriskTimerManager::GetInstance()->RemoveTimer(handler)) {
    }
    g_manager->EnableStatus(E_BRISKUI_OSD_STATUS_BASE, 0);
    g_manager->UpdateOsd();
    CheckScreen();
    row.pfDelete();
}

}   // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Start loads every row's layout; those a handler cannot start without
    // come from the sample root.
    g_manager = fuzz::StartManager(true);
    BriskComposerSetReference(fuzz::NewSurface(1280, 720));
    // Each input creates its own handlers; none runs between inputs.
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) rows[i].pfDelete();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t header = fuzz::IniRecipeHeader(data, size);
    const uint8_t* nul = static_cast<const uint8_t*>(memchr(data + header, 0, size - header));
    size_t layoutSize = nul != NULL ? (size_t)(nul - data) : size;
    fuzz::WriteIniInput(kLayoutPath, data, layoutSize);
    const uint8_t* steps = nul != NULL ? nul + 1 : NULL;
    size_t stepCount = nul != NULL ? size - layoutSize - 1 : 0;
    U8 scene = stepCount > 0 ? steps[0] : 0;
    U8 pick = stepCount > 1 ? steps[1] : 0;
    size_t sceneBytes = stepCount < 2 ? stepCount : 2;
    steps += sceneBytes;
    stepCount -= sceneBytes;

    sim::Reset();
    sim::SetTvosIrGrant(false);
    sim::SetInputSource((scene & 2) ? MAPI_INPUT_SOURCE_ATV : MAPI_INPUT_SOURCE_DTV);
    sim::SetVolume((scene & 4) ? 100 : 20);
    sim::SetFactoryData(kHotelModeItem, (scene & 8) ? 1 : 0);
    g_manager->SetCountry((scene & 1) ? E_BRISKUI_COUNTRY_NA : E_BRISKUI_COUNTRY_EU);

    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    if (nul == NULL) {
        // A file near the limits costs each row's load what a small file's
        // whole walk does: each row takes such a file without the walk.
        for (size_t i = 0; i < count; ++i) DriveRow(rows[i], NULL, 0, header == 0);
    } else if (count > 0) {
        DriveRow(rows[pick % count], steps, stepCount < kMaxSteps ? stepCount : kMaxSteps, false);
    }
    return 0;
}
