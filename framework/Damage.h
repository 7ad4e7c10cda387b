// Redrawing only what changed. Every draw an OSD makes on the window
// surface (a handler's erase of its region, an image item's blit, a text
// item's string) goes through BriskDrawClear, BriskDrawImage and
// BriskDrawText. While the manager composes, those draws are recorded, not
// made: each is one recorded draw, keyed by the item or handler that made
// it. At the end of the composition the frame is compared with the last
// one. An item that was drawn with other parameters (hidden or shown,
// moved, resized, another image, text, colour or font, another clip), or
// only in one of the two frames, damages what it covers in either; the
// frame's draws are then made again clipped to that damage, in their
// order, and only the damaged areas are flipped. A composition that
// changes nothing draws and flips nothing. Where an image drawn at its own
// size is opaque, what it covers is not drawn again and its pixels are
// copied: on a surface set up as the window is (alpha-channel blending,
// source alpha over inverse source alpha) an opaque pixel blends to itself.
//
// Why the pixels inside the damage come out as the full composition would
// leave them: each OSD erases its region before it draws into it, so a
// pixel's value after a frame depends only on the draws that cover it from
// the last erase on. Where those draws are the same in both frames (same
// parameters, same order, the image and font the very objects drawn last
// time, held by the frame so they cannot be replaced by others at the same
// address), the full composition would leave the pixel as it is; every
// other pixel is damaged and redrawn by the same draws, clipped. DirectFB
// draws a clipped blit, stretched or not, and a clipped string with the
// same pixels inside the clip as unclipped (the tests check it). Draws that
// are not preceded by an erase of their clip in the same frame (an OSD
// whose region lies off the surface draws under the clip left by the one
// before) always damage what they cover, and draws made outside a
// composition (an OSD hidden between compositions erases its region at
// once, as before) damage what they cover at the next composition.
//
// The full composition, drawing everything as it goes and flipping the
// manager's dirty rectangle, stays behind BriskSetFullComposition, for the
// benchmarks and the differential tests; it is off by default.
//
// Threads: the composer serves the one surface attached to it (the
// manager's window surface). Recording, drawing and flipping run under the
// manager lock, on whichever thread composes or hides an OSD. Draws on any
// other surface are made at once, as before, on the caller's thread.
#ifndef BRISKUI_DAMAGE_H
#define BRISKUI_DAMAGE_H

#include <directfb.h>
#include <stddef.h>

#include <string>

#include "BriskTypes.h"
#include "Rect.h"

// ---- damage region ------------------------------------------------------------
// A few disjoint areas of the surface, DirectFB regions (corners included).
// Adding an area that overlaps one already held, or lines up with it into
// one rectangle, merges the two into their bounding box; past E_MAX_AREAS
// areas the two whose bounding box wastes the fewest pixels merge. So the
// region always covers what was added and no pixel lies in two of its
// areas. Not locked: one owner at a time.
class BriskDamage {
public:
    enum { E_MAX_AREAS = 8 };

    BriskDamage() : uCount(0) {}
    void Clear() { uCount = 0; }
    bool Empty() const { return uCount == 0; }
    void Add(const DFBRegion& area);
    size_t Count() const { return uCount; }
    const DFBRegion& At(size_t i) const { return aAreas[i]; }
    // The smallest region holding every area; only when not Empty.
    DFBRegion Bounds() const;

private:
    DFBRegion aAreas[E_MAX_AREAS];
    size_t uCount;
};

// The overlap of two regions; FALSE when they do not overlap.
BOOL BriskIntersectRegion(const DFBRegion& a, const DFBRegion& b, DFBRegion* out);

// ---- drawing on a surface ---------------------------------------------------------
// The draws of the OSD items and handlers. On the attached surface while it
// is being composed they are recorded; otherwise made at once with exactly
// the DirectFB calls below, and on the attached surface also noted as
// damage for its next composition. Under the manager lock for the attached
// surface; any thread for others.
//
// SetClip(clip), then Clear to transparent; the clip stays set.
void BriskDrawClear(IDirectFBSurface* surface, const void* owner, const DFBRegion& clip);
// StretchBlit of the whole image into dest under the current clip, then ReleaseSource.
void BriskDrawImage(IDirectFBSurface* surface, const void* owner, IDirectFBSurface* image, const DFBRectangle& dest);
// SetFont, SetColor (from 0xAARRGGBB), DrawString of the whole text with
// its left edge at x and its baseline at y. `dfb` measures the glyphs.
void BriskDrawText(IDirectFBSurface* surface, IDirectFB* dfb, const void* owner, IDirectFBFont* font, U32 argb,
                   const std::string& text, int x, int y);

// ---- composition ---------------------------------------------------------------------
// The manager attaches its window surface once it is created and cleared
// (both buffers transparent), and detaches it before releasing it, which
// drops the references the recorded frames hold. Under the manager lock.
void BriskComposerAttach(IDirectFBSurface* surface);
void BriskComposerDetach();

// One composition of the attached surface: recording starts at
// construction, unless the full composition is switched on or `surface` is
// not the attached one, in which case every draw is made at once as
// before. Under the manager lock, on the stack of UpdateOsd.
class BriskFrame {
public:
    explicit BriskFrame(IDirectFBSurface* surface);
    ~BriskFrame();
    // Ends the composition and flips. Recorded: draws the damage clipped
    // and flips each damaged area that a draw touched; `dirty` is not
    // used. Otherwise: flips the region of `dirty`, as the full
    // composition always has. Returns the bounds of what was flipped, as a
    // rectangle whose region (BriskSurfaceRegion) is those bounds; empty
    // when nothing was.
    _Rect Finish(const _Rect& dirty);

private:
    BriskFrame(const BriskFrame&) = delete;
    BriskFrame& operator=(const BriskFrame&) = delete;

    IDirectFBSurface* pSurface;
    bool bRecording;
    bool bFinished;
};

// The full composition: every composition draws every shown OSD whole and
// flips the dirty rectangle, as before damage tracking. Off by default.
// Switching it off makes the next composition draw everything once more.
// Any thread; it takes effect at the next composition.
void BriskSetFullComposition(BOOL on);
BOOL BriskFullComposition();

// ---- differential check (tests and fuzzers) --------------------------------------
// Until set to null: every draw on the attached surface, inside a
// composition or not, is also drawn onto `full` whole, with its own clip:
// what the full composition leaves in the window's back buffer. `full`
// must be an ARGB surface of the window's size with its drawing set-up
// (blend functions source alpha / inverse source alpha, alpha-channel
// blending); it starts as a copy of the back buffer. Under the manager lock.
void BriskComposerSetReference(IDirectFBSurface* full);
// Compares the window's back buffer and its front buffer (the screen) with
// the reference, byte for byte, within the areas drawn or flipped since the
// last check: what the compositions drew is what the full composition
// draws, and all of it was flipped. FALSE with the first difference
// described in `why` (may be null). Only once every change is composed
// (the manager has nothing dirty). Under the manager lock.
BOOL BriskComposerCheckReference(std::string* why);

#endif   // BRISKUI_DAMAGE_H
