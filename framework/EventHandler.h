// EventHandler: the base of every OSD handler. It owns the OSD's draw
// items, built from the OSD's layout file, draws them, erases the area they
// cover, looks them up by name, and arms the OSD's hide timer. It also
// holds what every OSD does the same way: showing and hiding itself
// through the manager's status set, showing or hiding several items at
// once, and swapping the ending of an image path; and what the OSD says
// when audio guidance is on: its wordings, taken from its layout at load
// (SpeechNeeds.h), rendered with the values of the moment and handed to
// the host.
//
// Layout file: an INI file with one section per draw item (":u8Type" 1
// image, 2 text) and a "setting" section (u16TimeOut, u16StateMask).
//
// A handler reaches whoever runs it (the manager) only through the
// BriskOsdHost it is handed: to show or hide its OSD, for the DirectFB
// instance it draws with. Its hide timer lives in the timer service.
//
// Threads: the manager creates a handler and has it load its layout during
// start-up; keys and timer expiries reach it on the input thread; drawing
// runs wherever the manager composes, under the manager lock.
#ifndef BRISKUI_EVENTHANDLER_H
#define BRISKUI_EVENTHANDLER_H

#include <directfb.h>

#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "BriskTypes.h"
#include "DrawItem.h"
#include "LayoutKeys.h"
#include "LayoutNeeds.h"
#include "OsdHost.h"
#include "Rect.h"
#include "SpeechNeeds.h"

// Timer id of every OSD's hide timer.
enum { E_OSD_HIDE_TIMER_ID = 1000 };
// Item indices are 8-bit: a handler holds at most this many items.
enum { E_EVENT_HANDLER_MAX_ITEMS = 255 };

// Where BindItems puts looked-up items: one ImageItem* or TextItem* field
// of a handler, or an array of them.
class ItemSlot {
public:
    ItemSlot(ImageItem*& item) : ppImage(&item), ppText(NULL), uCount(1) {}
    ItemSlot(TextItem*& item) : ppImage(NULL), ppText(&item), uCount(1) {}
    template <size_t N>
    ItemSlot(ImageItem* (&items)[N]) : ppImage(items), ppText(NULL), uCount(N)
    {}
    template <size_t N>
    ItemSlot(TextItem* (&items)[N]) : ppImage(NULL), ppText(items), uCount(N)
    {}

    ImageItem** ppImage;   // one of the two is set
    TextItem** ppText;
    size_t uCount;
};

// One value of an utterance: the name of its placeholder and its text.
struct BriskSpeechValue {
    BriskSpeechValue(const char* name, const std::string& text) : pName(name), strText(text) {}
    BriskSpeechValue(const char* name, const char* text) : pName(name), strText(text != NULL ? text : "") {}
    template <class N, class = typename std::enable_if<std::is_integral<N>::value>::type>
    BriskSpeechValue(const char* name, N number) : pName(name), strText(std::to_string((long long)number))
    {}

    const char* pName;
    std::string strText;
};

class EventHandler {
public:
    // What a handler reads from its layout beyond the base keys; a handler
    // class declares its own kLayout, this one is for handlers that look
    // nothing up. The handler table takes it from each handler class.
    static const ST_LAYOUT_NEEDS kLayout;
    // What a handler says; a handler class declares its own kSpeech, this
    // one (nothing) is for handlers that say nothing. The handler table
    // takes it from each handler class.
    static const ST_SPEECH_NEEDS kSpeech;

    EventHandler()
        : u16TimeOut(3000),
          u16StateMask(0),
          u32StateMask(0),
          bWideStateMask(FALSE),
          u32OsdStatus(0),
          pHost(NULL),
          pSpeechNeeds(NULL)
    {}
    // Deletes every item as its own kind. Not virtual: each handler is
    // deleted as its own class.
    ~EventHandler();

    // Builds the items, the time-out and the state mask from the layout
    // file at `path`; an unreadable file leaves no items. Overrides call
    // this (or LoadLayout) first, then look their items up once. Start-up.
    virtual void LoadResource(const char* path);
    // Deletes the items and has LoadResource read the layout at `path` again,
    // for a desktop host that shows a designer's layout edits while the OSDs
    // run (briskui-sim's live window): the items are the new layout's, as at
    // start-up; what a handler keeps beside them stays unless its
    // LoadResource sets it. Draws nothing. Nothing in the library calls it.
    // Under the manager lock.
    void ReloadResource(const char* path);
    // Handles one key the manager routed here; TRUE when handled. Input thread.
    virtual BOOL KeyHandler(U32 key) = 0;
    // Erases the item region and draws every item in layout order, with
    // the host's DirectFB. Composition, under the manager lock.
    virtual void Update(IDirectFBSurface* surface);
    // Erases the item region to transparent and leaves the clip on it
    // (while the manager composes, recorded: framework/Damage.h).
    // Composition and the manager's DisableStatus, under the manager lock.
    virtual void ClearSurface(IDirectFBSurface* surface);
    // One of this handler's timers expired (the hide timer is
    // E_OSD_HIDE_TIMER_ID); the base does nothing. Input thread.
    virtual void TimerHandler(U32 timerId);
    // Says what the shown OSD shows, after it was drawn (Update): the host
    // calls it at every composition while the OSD is shown and the host
    // wants utterances; `anew` is TRUE when the OSD was not on the screen
    // at the last composition. The base says the texts declared
    // E_SPEECH_ON_SHOW when `anew`. Composition, under the manager lock.
    virtual void SpeakShown(BOOL anew);

    _Rect GetItemRegion() const { return rcItemRegion; }
    // First item of that exact (lower-case) name and kind; null when none.
    ImageItem* FindImageItem(const char* name);
    TextItem* FindTextItem(const char* name);
    // Arms the hide timer with the time-out, or restarts it when armed. Any thread.
    void SetOSDTimer();
    // Stops the hide timer; nothing when none is armed. Any thread.
    void KillOSDTimer();

    // The OSD status bit this handler draws under, set by the manager when
    // it creates the handler; 0 until then.
    U32 GetOsdStatus() const { return u32OsdStatus; }
    void SetOsdStatus(U32 status) { u32OsdStatus = status; }
    // Whoever runs this handler (borrowed; it outlives the handler), set by
    // the manager when it creates the handler; null until then.
    BriskOsdHost* GetHost() const { return pHost; }
    void SetHost(BriskOsdHost* host) { pHost = host; }
    // The host's DirectFB main interface; null without a host. Borrowed.
    IDirectFB* GetDirectFB() const { return pHost != NULL ? pHost->GetDirectFB() : NULL; }
    // Shows this OSD through the host with its own status and its state
    // mask (the layout's u32StateMask when it has one, else its
    // u16StateMask), which keeps only the OSDs the mask allows, (re)arms
    // the hide timer and marks the area for the next composition. Nothing
    // (but a log line) before the manager has given it a status and a
    // host. Any thread.
    void ShowOsd();
    // Shows this OSD keeping only the OSDs of the 16-bit `mask` instead of
    // the layout's. Any thread.
    void ShowOsd(U16 mask);
    // Hides this OSD through the host. Any thread.
    void HideOsd();

    // What this handler says (its class's kSpeech, given by its handler
    // table row before the layout loads; null: nothing). Start-up.
    void SetSpeechNeeds(const ST_SPEECH_NEEDS* needs) { pSpeechNeeds = needs; }
    const ST_SPEECH_NEEDS* GetSpeechNeeds() const { return pSpeechNeeds; }
    // Whether the host wants utterances now. Any thread.
    BOOL SpeechWanted() const { return pHost != NULL ? pHost->SpeechWanted() : FALSE; }
    // The utterance of the texts `texts` (indices into the declaration),
    // with `values` filled in: each text in the layout's wording, the
    // layout's item texts and `values` in place of their placeholders (a
    // value not given reads as nothing), blanks tidied, the texts joined
    // with ", " (a blank after a text ending in . ! ? : ; or ,). `flags`,
    // when given, gets the texts' flags ORed. Empty when none of them says
    // anything. Under the manager lock.
    std::string RenderSpeech(std::initializer_list<size_t> texts, std::initializer_list<BriskSpeechValue> values = {},
                             U8* flags = NULL) const;
    // Hands the utterance of `texts` with `values` (RenderSpeech) to the
    // host, with the texts' timing; nothing when the host wants none or the
    // utterance is empty. Under the manager lock.
    void Say(std::initializer_list<size_t> texts, std::initializer_list<BriskSpeechValue> values = {});
    // Say for what the shown OSD shows (from SpeakShown): only when `anew`
    // or when the utterance differs from the last one said this way, so
    // that a redraw of the same content says nothing again.
    void SayShown(BOOL anew, std::initializer_list<size_t> texts, std::initializer_list<BriskSpeechValue> values = {});

    // Sets the visibility of every item listed; null (missing) items are skipped.
    static void ShowItems(std::initializer_list<DrawItem*> items, U8 visible);
    static void ShowItem(DrawItem* item, U8 visible) { ShowItems({ item }, visible); }
    // Replaces the last strlen(`ending`) characters of the item's image
    // path with `ending` ("n.png" / "f.png", "2.png", "white.PNG", ...) and
    // sets it, which drops the decoded image. A null item, or a path
    // shorter than the ending, is left unchanged; FALSE then.
    static BOOL SwapPathEnding(ImageItem* item, const char* ending);

    U16 GetTimeOut() const { return u16TimeOut; }
    U16 GetStateMask() const { return u16StateMask; }
    // The layout's u32StateMask, and whether it has one (it then wins over
    // u16StateMask).
    U32 GetWideStateMask() const { return u32StateMask; }
    BOOL HasWideStateMask() const { return bWideStateMask; }
    size_t ItemCount() const { return vItems.size(); }
    DrawItem* ItemAt(size_t i) const { return i < vItems.size() ? vItems[i] : NULL; }

protected:
    // The base load of LoadResource for handlers with keys of their own:
    // parses `path` into `keys` (printing the base's failure line when it
    // cannot), builds the items and the settings, and leaves the parse open
    // in `keys` so that the caller reads its extra keys from it. `keys`
    // stays closed when the file cannot be read.
    void LoadLayout(const char* path, LayoutKeys& keys);
    // Looks up every item `needs` declares, in its order, into `slots`
    // (each slot takes as many items as it holds): null for an item the
    // layout lacks. Slots that do not match the declaration in number and
    // kind are a programming error and assert. Start-up, after the load.
    void BindItems(const ST_LAYOUT_NEEDS& needs, std::initializer_list<ItemSlot> slots);

    std::vector<DrawItem*> vItems;
    U16 u16TimeOut;
    U16 u16StateMask;
    U32 u32StateMask;
    BOOL bWideStateMask;
    _Rect rcItemRegion;

private:
    EventHandler(const EventHandler&) = delete;
    EventHandler& operator=(const EventHandler&) = delete;
    // FALSE, with a log line naming `operation`, when the handler cannot
    // reach its host yet.
    BOOL Reachable(const char* operation) const;
    // Each declared text's wording from the layout's [speech] section, or
    // its default, with the layout's item texts put in. The load.
    void LoadSpeech(const LayoutKeys& keys);

    // A wording as loaded: literal text, or the name of a value to fill in.
    struct ST_SPEECH_PIECE {
        std::string strText;
        bool bValue;
    };

    U32 u32OsdStatus;
    BriskOsdHost* pHost;
    const ST_SPEECH_NEEDS* pSpeechNeeds;
    std::vector<std::vector<ST_SPEECH_PIECE>> vSpeech;   // by text index
    std::string strShownSpeech;                          // what SayShown said last
};

#endif   // BRISKUI_EVENTHANDLER_H
