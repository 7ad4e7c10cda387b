// EventHandler: the base of every OSD handler. It owns the OSD's draw
// items, built from the OSD's layout file, draws them, erases the area they
// cover, looks them up by name, and arms the OSD's hide timer.
//
// Layout file: an INI file with one section per draw item (":u8Type" 1
// image, 2 text) and a "setting" section (u16TimeOut, u16StateMask).
#ifndef BRISKUI_EVENTHANDLER_H
#define BRISKUI_EVENTHANDLER_H

#include <directfb.h>

#include <vector>

#include "BriskTypes.h"
#include "DrawItem.h"
#include "Rect.h"

// Timer id of every OSD's hide timer.
enum { E_OSD_HIDE_TIMER_ID = 1000 };
// Item indices are 8-bit: a handler holds at most this many items.
enum { E_EVENT_HANDLER_MAX_ITEMS = 255 };

class EventHandler {
public:
    EventHandler() : u16TimeOut(3000), u16StateMask(0) {}
    ~EventHandler();

    virtual void LoadResource(const char* path);
    virtual BOOL KeyHandler(U32 key) = 0;
    virtual void Update(IDirectFBSurface* surface);
    virtual void ClearSurface(IDirectFBSurface* surface);
    virtual void TimerHandler(U32 timerId);

    _Rect GetItemRegion() const { return rcItemRegion; }
    ImageItem* FindImageItem(const char* name);
    TextItem* FindTextItem(const char* name);
    void SetOSDTimer();
    void KillOSDTimer();

    U16 GetTimeOut() const { return u16TimeOut; }
    U16 GetStateMask() const { return u16StateMask; }
    size_t ItemCount() const { return vItems.size(); }
    DrawItem* ItemAt(size_t i) const { return i < vItems.size() ? vItems[i] : NULL; }

protected:
    // Sets an item's visibility; a missing (null) item is skipped.
    static void ShowItem(DrawItem* item, U8 visible)
    {
        if (item != NULL) item->SetVisible(visible);
    }

    std::vector<DrawItem*> vItems;
    U16 u16TimeOut;
    U16 u16StateMask;
    _Rect rcItemRegion;

private:
    EventHandler(const EventHandler&) = delete;
    EventHandler& operator=(const EventHandler&) = delete;
};

// Width left to the stretchable middle of a bar: the track's width minus
// the two caps (each item optional); 0 when the caps are wider than the track.
U32 BarSpan(const ImageItem* track, const ImageItem* leftCap, const ImageItem* rightCap);

#endif  // BRISKUI_EVENTHANDLER_H
