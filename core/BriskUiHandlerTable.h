// The handler table: one row per OSD, holding everything the library knows
// of that OSD besides its class. The manager derives all its per-OSD
// behaviour from the rows:
//
//  - start-up creates the handlers and loads their layouts in row order,
//    and Finalize deletes them in the same order;
//  - the status bit, and the class name log lines give it;
//  - the composition order (each row's layer: higher layers are drawn over
//    lower ones);
//  - whether the exit keys close it;
//  - the keys it takes, and when: always, only while it is shown, or only
//    while the input is a tuner; among the rows that claim one key, the
//    claim of the lowest precedence whose condition holds takes it;
//  - the factory codes that open it;
//  - its layout files (per country group), its create/get/delete, and its
//    hooks;
//  - what it says when audio guidance is on (its class's kSpeech).
//
// Adding an OSD is one row in BriskUiHandlerTable.cpp and its class (see
// docs/adding-an-osd.md). The keys the manager itself owns (the exit keys,
// power, the factory key and the full-interface keys) are listed in
// BriskKeys.h; the exit keys also reach every row that claims BRISKKEY_EXIT
// while its condition holds.
#ifndef BRISKUI_HANDLERTABLE_H
#define BRISKUI_HANDLERTABLE_H

#include <stddef.h>

#include <new>

#include "BriskTypes.h"
#include "BriskUiStatus.h"
#include "LayoutNeeds.h"
#include "SpeechNeeds.h"

class EventHandler;

// When a key claim holds.
enum EN_BRISKUI_KEY_WHEN {
    E_BRISKUI_KEY_ALWAYS = 0,        // whatever is shown
    E_BRISKUI_KEY_WHILE_SHOWN = 1,   // only while the row's own OSD is shown
    E_BRISKUI_KEY_ON_TUNER = 2       // only while the input is analogue or digital TV
};

// Key symbols u32FirstKey..u32LastKey (inclusive) taken by a row's handler.
struct ST_BRISKUI_KEY_CLAIM {
    U32 u32FirstKey;
    U32 u32LastKey;
    U8 u8When;          // EN_BRISKUI_KEY_WHEN
    U8 u8Precedence;    // among the claims of one key that hold, the lowest takes the key
    U32 u32HideFirst;   // OSDs hidden, those of them shown, before the key is passed on
};

// Factory codes u16FirstCode..u16LastCode (inclusive) that open a row's OSD
// with the factory key. Of the rows whose codes include a code, the one
// with the narrowest range takes it.
struct ST_BRISKUI_FACTORY_CLAIM {
    U16 u16FirstCode;
    U16 u16LastCode;
    U32 u32HideFirst;   // OSDs hidden, those of them shown, before the key is passed on
};

struct ST_BRISKUI_HANDLER_ROW {
    EN_BRISKUI_OSD_STATUS eStatus;   // the one status bit the handler draws under
    const char* pName;               // the class name, for log lines
    const char* pLayoutNA;           // layout file for country group NA
    const char* pLayoutEU;           // for EU; the same name for a one-file OSD
    // Allocates the handler without throwing and stores it where pfGet
    // finds it (the manager's static pointer for the OSDs of the library);
    // returns it, null when the allocation failed.
    EventHandler* (*pfCreate)();
    // The stored handler, as the base class; null before Start.
    EventHandler* (*pfGet)();
    // Deletes the handler as its own class and nulls the stored pointer.
    void (*pfDelete)();
    // Optional: called by DisableStatus after the bit is cleared, whoever
    // cleared it; the handler drops the state that went with its status
    // and answers whether its OSD leaves the screen. FALSE keeps it there
    // (timer running, area not erased). Null: the OSD always goes.
    BOOL (*pfStatusCleared)(EventHandler* handler);
    // TRUE when the handler stops start-up if its layout does not load
    // (the channel banner: a set whose channel keys show nothing must not
    // boot); FALSE when the OSD just draws nothing without it.
    BOOL bLayoutRequired;
    // What the handler reads from its layout beyond the base keys (its
    // class's kLayout): the layout checker checks layouts against it.
    const ST_LAYOUT_NEEDS* pLayoutNeeds;
    // What the handler says when audio guidance is on, and the ids under
    // which a layout's [speech] section words it (its class's kSpeech):
    // the handler speaks from it and the layout checker checks layouts
    // against it.
    const ST_SPEECH_NEEDS* pSpeech;
    // Composition: shown OSDs are drawn in increasing layer, each over
    // those before it (rows of one layer in row order).
    U16 u16Layer;
    // TRUE when the exit keys hide it.
    BOOL bClosedByExit;
    // For a status bit from 0x10000 up, which no 16-bit mask can name: TRUE
    // when a 16-bit mask (an old layout's u16StateMask, a fixed mask of the
    // library or of a host) keeps this OSD on screen, FALSE when it drops
    // it. Ignored for the sixteen bits below.
    BOOL bKeptBy16BitMask;
    const ST_BRISKUI_KEY_CLAIM* pKeys;   // the keys it takes, uKeyCount of them
    size_t uKeyCount;
    const ST_BRISKUI_FACTORY_CLAIM* pFactoryCodes;   // the codes that open it
    size_t uFactoryCodeCount;

    // Builders for the table's rows, each a copy with one property set.
    constexpr ST_BRISKUI_HANDLER_ROW Layouts(const char* na, const char* eu) const
    {
        ST_BRISKUI_HANDLER_ROW r = *this;
        r.pLayoutNA = na;
        r.pLayoutEU = eu;
        return r;
    }
    constexpr ST_BRISKUI_HANDLER_ROW Layout(const char* both) const { return Layouts(both, both); }
    constexpr ST_BRISKUI_HANDLER_ROW Layer(U16 layer) const
    {
        ST_BRISKUI_HANDLER_ROW r = *this;
        r.u16Layer = layer;
        return r;
    }
    constexpr ST_BRISKUI_HANDLER_ROW ClosedByExit() const
    {
        ST_BRISKUI_HANDLER_ROW r = *this;
        r.bClosedByExit = TRUE;
        return r;
    }
    constexpr ST_BRISKUI_HANDLER_ROW KeptBy16BitMask() const
    {
        ST_BRISKUI_HANDLER_ROW r = *this;
        r.bKeptBy16BitMask = TRUE;
        return r;
    }
    constexpr ST_BRISKUI_HANDLER_ROW LayoutRequired() const
    {
        ST_BRISKUI_HANDLER_ROW r = *this;
        r.bLayoutRequired = TRUE;
        return r;
    }
    constexpr ST_BRISKUI_HANDLER_ROW StatusCleared(BOOL (*hook)(EventHandler*)) const
    {
        ST_BRISKUI_HANDLER_ROW r = *this;
        r.pfStatusCleared = hook;
        return r;
    }
    template <size_t N>
    constexpr ST_BRISKUI_HANDLER_ROW Keys(const ST_BRISKUI_KEY_CLAIM (&keys)[N]) const
    {
        ST_BRISKUI_HANDLER_ROW r = *this;
        r.pKeys = keys;
        r.uKeyCount = N;
        return r;
    }
    template <size_t N>
    constexpr ST_BRISKUI_HANDLER_ROW FactoryCodes(const ST_BRISKUI_FACTORY_CLAIM (&codes)[N]) const
    {
        ST_BRISKUI_HANDLER_ROW r = *this;
        r.pFactoryCodes = codes;
        r.uFactoryCodeCount = N;
        return r;
    }
};

// A claim of the keys `first`..`last`.
constexpr ST_BRISKUI_KEY_CLAIM BriskKeys(U32 first, U32 last, EN_BRISKUI_KEY_WHEN when = E_BRISKUI_KEY_ALWAYS,
                                         U8 precedence = 0, U32 hideFirst = 0)
{
    return { first, last, (U8)when, precedence, hideFirst };
}
// A claim of the one key `key`.
constexpr ST_BRISKUI_KEY_CLAIM BriskKey(U32 key, EN_BRISKUI_KEY_WHEN when = E_BRISKUI_KEY_ALWAYS, U8 precedence = 0,
                                        U32 hideFirst = 0)
{
    return { key, key, (U8)when, precedence, hideFirst };
}
// Factory codes `first`..`last`, or the one code `first`.
constexpr ST_BRISKUI_FACTORY_CLAIM BriskFactoryCodes(U16 first, U16 last, U32 hideFirst = 0)
{
    return { first, last, hideFirst };
}
constexpr ST_BRISKUI_FACTORY_CLAIM BriskFactoryCode(U16 code, U32 hideFirst = 0) { return { code, code, hideFirst }; }

// The three operations of a row for handler class T kept in the static
// pointer *Slot. Handler classes are final: with no virtual destructor,
// each is deleted as its own class, here.
template <class T, T** Slot>
struct BriskHandlerSlot {
    static EventHandler* Create()
    {
        *Slot = new (std::nothrow) T();
        return *Slot;
    }
    static EventHandler* Get() { return *Slot; }
    static void Delete()
    {
        delete *Slot;
        *Slot = NULL;
    }
};

// The row of handler class T, kept in static pointer *Slot, drawing under
// `status` and named `name` in log lines; the builders above add the rest.
// Without them: no layout file, layer 0, no keys, no factory codes, not
// closed by the exit keys.
template <class T, T** Slot>
constexpr ST_BRISKUI_HANDLER_ROW BriskHandlerRow(EN_BRISKUI_OSD_STATUS status, const char* name)
{
    return { status,
             name,
             NULL,
             NULL,
             &BriskHandlerSlot<T, Slot>::Create,
             &BriskHandlerSlot<T, Slot>::Get,
             &BriskHandlerSlot<T, Slot>::Delete,
             NULL,
             FALSE,
             &T::kLayout,
             &T::kSpeech,
             0,
             FALSE,
             FALSE,
             NULL,
             0,
             NULL,
             0 };
}

// `row` with its handler replaced by class T in *Slot: everything else (the
// status, the keys, the layer, ...) as the row has it, but for the hooks,
// which belong to the row's own class and are left out. For tests that run
// the table's rows on probe handlers.
template <class T, T** Slot>
constexpr ST_BRISKUI_HANDLER_ROW BriskRowWithClass(const ST_BRISKUI_HANDLER_ROW& row)
{
    ST_BRISKUI_HANDLER_ROW r = row;
    r.pfCreate = &BriskHandlerSlot<T, Slot>::Create;
    r.pfGet = &BriskHandlerSlot<T, Slot>::Get;
    r.pfDelete = &BriskHandlerSlot<T, Slot>::Delete;
    r.pLayoutNeeds = &T::kLayout;
    r.pSpeech = &T::kSpeech;
    r.pfStatusCleared = NULL;
    return r;
}

// Creates the handler of `row` as Start does: allocated, stored where the
// row keeps it, told its status bit and what it says, and handed the
// manager's host; its layout is not loaded yet. Null when the allocation
// failed. Under the manager lock, while no manager runs that row's handler.
EventHandler* BriskCreateRowHandler(const ST_BRISKUI_HANDLER_ROW& row);

// The rows in force, in start-up order, and their number. Any thread.
const ST_BRISKUI_HANDLER_ROW* BriskHandlerTable(size_t* count);
// The row of one OSD status bit; null for BASE, combinations and OSDs
// without a row. Any thread.
const ST_BRISKUI_HANDLER_ROW* BriskFindHandlerRow(U32 status);
// The rows in force in composition order (increasing layer, rows of one
// layer in table order), and their number; valid until the table changes.
// Any thread.
const ST_BRISKUI_HANDLER_ROW* const* BriskCompositionOrder(size_t* count);
// Whether `claim` covers `key`.
inline bool BriskClaimCovers(const ST_BRISKUI_KEY_CLAIM& claim, U32 key)
{
    return key >= claim.u32FirstKey && key <= claim.u32LastKey;
}
// The status bits of every row in force, ORed.
U32 BriskAllOsdBits();
// The bits from 0x10000 up of the rows that a 16-bit mask keeps.
U32 BriskBitsKeptBy16BitMasks();
// Test seam: puts another table in force (null: this build's). Only while
// no manager is started. Asserts when two rows share a status bit or a row's
// status is not one bit above the base.
void BriskSetHandlerTable(const ST_BRISKUI_HANDLER_ROW* rows, size_t count);

#endif   // BRISKUI_HANDLERTABLE_H
