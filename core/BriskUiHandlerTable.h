// The handler table: one row per OSD handler of this build, in start-up
// order. Start creates the handlers and loads their layouts by walking it,
// Finalize deletes them by walking it, and the status look-up behind key
// routing, timer dispatch, composition and the exit key resolves a status
// to its handler through it. Adding an OSD is one row here (in
// BriskUiHandlerTable.cpp) and its class.
#ifndef BRISKUI_HANDLERTABLE_H
#define BRISKUI_HANDLERTABLE_H

#include <stddef.h>

#include <new>

#include "BriskTypes.h"
#include "BriskUiStatus.h"
#include "LayoutNeeds.h"

class EventHandler;

struct ST_BRISKUI_HANDLER_ROW {
    EN_BRISKUI_OSD_STATUS eStatus;   // the one status bit the handler draws under
    const char* pLayoutNA;           // layout file for country group NA
    const char* pLayoutEU;           // for EU; the same name for a one-file OSD
    // Allocates the handler without throwing and stores it in the manager's
    // static pointer; returns it, null when the allocation failed.
    EventHandler* (*pfCreate)();
    // The manager's static pointer, as the base class; null before Start.
    EventHandler* (*pfGet)();
    // Deletes the handler as its own class and nulls the static pointer.
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
};

// The three operations of a row for handler class T kept in the manager's
// static pointer *Slot. Handler classes are final: with no virtual
// destructor, each is deleted as its own class, here.
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

// One row for handler class T in static pointer *Slot.
template <class T, T** Slot>
constexpr ST_BRISKUI_HANDLER_ROW BriskHandlerRow(EN_BRISKUI_OSD_STATUS status, const char* layoutNA,
                                                 const char* layoutEU, BOOL (*statusCleared)(EventHandler*) = NULL,
                                                 BOOL layoutRequired = FALSE)
{
    return { status,
             layoutNA,
             layoutEU,
             &BriskHandlerSlot<T, Slot>::Create,
             &BriskHandlerSlot<T, Slot>::Get,
             &BriskHandlerSlot<T, Slot>::Delete,
             statusCleared,
             layoutRequired,
             &T::kLayout };
}

// The rows in force, in start-up order, and their number.
const ST_BRISKUI_HANDLER_ROW* BriskHandlerTable(size_t* count);
// The row of one OSD status bit; null for BASE, combinations and OSDs
// without a row.
const ST_BRISKUI_HANDLER_ROW* BriskFindHandlerRow(U32 status);
// Test seam: puts another table in force (null: this build's). Only while
// no manager is started.
void BriskSetHandlerTable(const ST_BRISKUI_HANDLER_ROW* rows, size_t count);

#endif   // BRISKUI_HANDLERTABLE_H
