#include "Damage.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

namespace {

// ---- regions ------------------------------------------------------------------

long long Area(const DFBRegion& r) { return ((long long)r.x2 - r.x1 + 1) * ((long long)r.y2 - r.y1 + 1); }

DFBRegion Bound(const DFBRegion& a, const DFBRegion& b)
{
    DFBRegion r = { std::min(a.x1, b.x1), std::min(a.y1, b.y1), std::max(a.x2, b.x2), std::max(a.y2, b.y2) };
    return r;
}

bool Overlap(const DFBRegion& a, const DFBRegion& b)
{
    return a.x1 <= b.x2 && b.x1 <= a.x2 && a.y1 <= b.y2 && b.y1 <= a.y2;
}

std::atomic<bool> g_fullComposition(false);

// The pixel scans below branch on every pixel, which tells a coverage-
// guided fuzzer nothing and would cost it most of its time.
#if defined(__clang__)
#define BRISK_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define BRISK_NO_COVERAGE
#endif

// The bounds of the non-zero pixels of a w x h ARGB picture; false when all are 0.
BRISK_NO_COVERAGE bool NonZeroBounds(const void* data, int pitch, int w, int h, DFBRegion* out)
{
    int x1 = w, y1 = h, x2 = -1, y2 = -1;
    for (int y = 0; y < h; ++y) {
        const U32* row = (const U32*)((const char*)data + (size_t)y * pitch);
        int first = 0, last = w - 1;
        while (first <= last && row[first] == 0) ++first;
        if (first > last) continue;
        while (row[last] == 0) --last;
        if (first < x1) x1 = first;
        if (last > x2) x2 = last;
        if (y < y1) y1 = y;
        y2 = y;
    }
    if (x2 < 0) return false;
    out->x1 = x1;
    out->y1 = y1;
    out->x2 = x2;
    out->y2 = y2;
    return true;
}

// The largest rectangle of fully opaque pixels of an ARGB image (alpha
// 0xFF), by the largest rectangle under each row's histogram of opaque runs;
// FALSE when it has none, is not ARGB or is not opaque in its middle.
BRISK_NO_COVERAGE BOOL FindOpaque(IDirectFBSurface* image, int w, int h, DFBRegion* out)
{
    DFBSurfacePixelFormat format = DSPF_UNKNOWN;
    void* data = NULL;
    int pitch = 0;
    if (w <= 0 || h <= 0 || image->GetPixelFormat(image, &format) != DFB_OK || format != DSPF_ARGB ||
        image->Lock(image, DSLF_READ, &data, &pitch) != DFB_OK)
        return FALSE;
    // An image that is not opaque in its middle (a translucent panel) hides
    // too little to be worth the scan.
    if ((((const U32*)((const char*)data + (size_t)(h / 2) * pitch))[w / 2] >> 24) != 0xFF) {
        image->Unlock(image);
        return FALSE;
    }
    std::vector<int> runs((size_t)w + 1, 0), stack;
    long long best = 0;
    for (int y = 0; y < h; ++y) {
        const U32* row = (const U32*)((const char*)data + (size_t)y * pitch);
        for (int x = 0; x < w; ++x) runs[(size_t)x] = (row[x] >> 24) == 0xFF ? runs[(size_t)x] + 1 : 0;
        stack.clear();
        for (int x = 0; x <= w; ++x) {
            int height = x < w ? runs[(size_t)x] : 0;
            while (!stack.empty() && runs[(size_t)stack.back()] >= height) {
                int top = runs[(size_t)stack.back()];
                stack.pop_back();
                int left = stack.empty() ? 0 : stack.back() + 1;
                long long area = (long long)top * (x - left);
                if (top > 0 && area > best) {
                    best = area;
                    out->x1 = left;
                    out->x2 = x - 1;
                    out->y1 = y - top + 1;
                    out->y2 = y;
                }
            }
            stack.push_back(x);
        }
    }
    image->Unlock(image);
    return best > 0 ? TRUE : FALSE;
}

// ---- recorded draws -----------------------------------------------------------------

// One draw of a frame: what was drawn, under which clip, and what it may change.
struct BriskDrawOp {
    enum EN_KIND { E_CLEAR, E_IMAGE, E_TEXT };
    // What is known of the pixels a text's glyphs cover.
    enum EN_INK { E_INK_UNKNOWN, E_INK_NONE, E_INK_BOX, E_INK_UNBOUNDED };

    EN_KIND eKind;
    const void* pOwner;         // the item (image, text) or handler (erase) that drew
    DFBRegion clip;             // the surface's clip it is drawn under; an erase fills it
    bool bCovered;              // its clip was erased earlier in the same frame
    bool bPaints;               // it may change pixels: footprint is valid
    DFBRegion footprint;        // the pixels it may change, within clip and the surface
    IDirectFBSurface* pImage;   // E_IMAGE: the decoded image, a reference of the op's own
    DFBRectangle dest;          // E_IMAGE: where it is stretched to
    IDirectFBFont* pFont;       // E_TEXT: the font, a reference of the op's own
    U32 u32Color;               // E_TEXT: 0xAARRGGBB
    std::string strText;        // E_TEXT
    int x, y;                   // E_TEXT: left edge and baseline
    DFBRegion ink;              // E_TEXT: the pixels its glyphs cover, relative to (x, y), when E_INK_BOX
    EN_INK eInk;                // E_TEXT: measured yet, and how

    BriskDrawOp();
    // Same owner and kind, and the same pixels drawn under the same clip.
    bool SameDraw(const BriskDrawOp& other) const;
};

BriskDrawOp::BriskDrawOp()
    : eKind(E_CLEAR),
      pOwner(NULL),
      bCovered(false),
      bPaints(false),
      pImage(NULL),
      pFont(NULL),
      u32Color(0),
      x(0),
      y(0),
      eInk(E_INK_UNKNOWN)
{}

bool BriskDrawOp::SameDraw(const BriskDrawOp& o) const
{
    if (eKind != o.eKind || pOwner != o.pOwner || clip.x1 != o.clip.x1 || clip.y1 != o.clip.y1 ||
        clip.x2 != o.clip.x2 || clip.y2 != o.clip.y2)
        return false;
    switch (eKind) {
    case E_CLEAR:
        return true;
    case E_IMAGE:
        return pImage == o.pImage && dest.x == o.dest.x && dest.y == o.dest.y && dest.w == o.dest.w &&
               dest.h == o.dest.h;
    case E_TEXT:
        return pFont == o.pFont && u32Color == o.u32Color && x == o.x && y == o.y && strText == o.strText;
    }
    return false;
}

// ---- the composer ----------------------------------------------------------------

// The largest scratch a text's glyphs are measured on; a longer text
// damages its whole clip instead.
const int kScratchMaxWidth = 4096;
const int kScratchMaxHeight = 1024;
// An opaque image hides what is below it only when it hides this many
// pixels of an area: below that, splitting the area costs more.
const long long kMinHidden = 256;
// Images whose opaque interior is remembered.
const size_t kOpaqueEntries = 32;
// Texts whose glyph box is remembered.
const size_t kInkEntries = 64;

class Composer {
public:
    explicit Composer(IDirectFBSurface* surface);
    ~Composer();

    bool Recording() const { return bRecording; }
    void Forget() { bKnown = false; }
    void Begin();
    _Rect Finish();
    // Whether `composer` (may be null) records the draws on its surface
    // now, and whether it notes the draws made at once: always but for the
    // full composition, which only keeps the reference.
    static bool Records(const Composer* composer) { return composer != NULL && composer->bRecording; }
    static bool Notes(const Composer* composer)
    {
        return composer != NULL && (!BriskFullComposition() || composer->pRefFull != NULL);
    }
    // The op a draw fills in: the frame's next one while recording (its
    // clip the one the full composition would have set), else `local`, a
    // draw already made, with the surface's clip.
    BriskDrawOp& Take(BriskDrawOp::EN_KIND kind, const void* owner, BriskDrawOp* local);
    // The op is filled in: an erase sets the clip from now on; a draw made
    // at once is noted (NoteDirect) and `local`'s references dropped.
    void Done(BriskDrawOp& op, IDirectFB* dfb);
    // A draw made at once on the surface: damage for the next composition,
    // and drawn onto the full reference too.
    void NoteDirect(BriskDrawOp& op);
    // Draws `op` whole onto the full reference, when there is one.
    void DrawOnReference(const BriskDrawOp& op);
    // The full composition flipped `region`: the screen changed there.
    void NoteFullFlip(const DFBRegion& region)
    {
        if (pRefFull != NULL) refTouched.Add(region);
    }
    void SetReference(IDirectFBSurface* full);
    BOOL CheckReference(std::string* why);

private:
    // The frame's next op, its clip the logical one.
    BriskDrawOp& Record(BriskDrawOp::EN_KIND kind, const void* owner);
    // Fills in what `op` may change: its footprint, within its clip and
    // the surface. A text's glyphs are measured only when that is needed
    // (Pin): until then its footprint is its whole clip.
    void Measure(BriskDrawOp& op);
    // Measures a text's glyphs, narrowing its footprint to them.
    void Pin(BriskDrawOp& op);
    // Whether `op` may change pixels of `area`, and which (`part`); a text
    // is measured when that decides it.
    BOOL Reaches(BriskDrawOp& op, const DFBRegion& area, DFBRegion* part);
    // The pixels `text` covers in `font` with its origin at (0, 0): as
    // measured lately, or drawn on the scratch and looked at (RenderInk).
    BriskDrawOp::EN_INK MeasureInk(IDirectFB* dfb, IDirectFBFont* font, const std::string& text, DFBRegion* ink);
    BriskDrawOp::EN_INK RenderInk(IDirectFB* dfb, IDirectFBFont* font, const std::string& text, DFBRegion* ink);
    void PairFrames();
    void Replay(IDirectFBSurface* target, const BriskDrawOp& op, const DFBRegion& clip);
    // Draws the frame's ops from `from` on, clipped to `area`.
    void DrawOps(const DFBRegion& area, size_t from);
    // Draws the frame clipped to `area`, leaving out what an opaque image hides.
    void DrawArea(const DFBRegion& area);
    // Where op, an image, draws only opaque pixels; FALSE when nowhere.
    BOOL OpaqueArea(const BriskDrawOp& op, DFBRegion* out);
    // Draws an image op within `area`, where it is opaque and at its own
    // size: a copy of its pixels.
    void DrawOpaque(const BriskDrawOp& op, const DFBRegion& area);
    void ReleaseRefs(std::vector<BriskDrawOp>& ops);

    // A text measured lately, by its font (held).
    struct Ink {
        IDirectFBFont* pFont = NULL;
        std::string strText;
        BriskDrawOp::EN_INK eInk = BriskDrawOp::E_INK_UNKNOWN;
        DFBRegion box;
    };
    // The opaque interior of an image, by its decoded surface (held).
    struct Opaque {
        IDirectFBSurface* pImage;
        BOOL bAny;
        DFBRegion interior;
    };

    IDirectFBSurface* pSurface;
    DFBRegion bounds;                 // the whole surface
    std::vector<BriskDrawOp> vPrev;   // the last frame, as drawn on the window
    std::vector<BriskDrawOp> vCur;    // the frame being recorded
    size_t uPrevCount, uCurCount;     // ops in use; the rest are spare slots
    bool bKnown;                      // vPrev is what the window shows
    bool bRecording;
    DFBRegion logicalClip;        // the clip the full composition would have set by now
    bool bClipCleared;            // ... and erased, in this frame
    BriskDamage pending;          // drawn at once since the last composition
    IDirectFB* pDfb;              // the DirectFB the texts were drawn with
    IDirectFBSurface* pScratch;   // where glyphs are measured
    int scratchWidth, scratchHeight;
    std::vector<U32> vSortPrev, vSortCur;   // op indices by (owner, kind, index)
    std::vector<long> vPartner;             // per current op: its counterpart in vPrev, or -1
    std::vector<bool> vMatchedPrev, vMatchedCur;
    std::vector<U32> vCandidates, vTails, vLinks;
    std::vector<Opaque> vOpaque;
    std::vector<Ink> vInks;
    size_t uNextInk;   // the slot the next measured text takes
    IDirectFBSurface* pRefFull;
    BriskDamage refTouched;   // areas the window or the reference changed since the last check
};

// The composer and the surface it serves. Attaching and detaching happen
// under the manager lock, as every draw on that surface does; a draw on any
// other surface, on any thread, only ever reads the surface.
Composer* g_composer = NULL;
std::atomic<IDirectFBSurface*> g_attached(NULL);

Composer::Composer(IDirectFBSurface* surface)
    : pSurface(surface),
      uPrevCount(0),
      uCurCount(0),
      bKnown(false),
      bRecording(false),
      bClipCleared(false),
      pDfb(NULL),
      pScratch(NULL),
      scratchWidth(0),
      scratchHeight(0),
      uNextInk(0),
      pRefFull(NULL)
{
    int w = 0, h = 0;
    surface->GetSize(surface, &w, &h);
    bounds.x1 = 0;
    bounds.y1 = 0;
    bounds.x2 = w - 1;
    bounds.y2 = h - 1;
    logicalClip = bounds;
}

Composer::~Composer()
{
    ReleaseRefs(vPrev);
    ReleaseRefs(vCur);
    for (Opaque& entry : vOpaque) entry.pImage->Release(entry.pImage);
    for (Ink& entry : vInks) entry.pFont->Release(entry.pFont);
    if (pScratch != NULL) pScratch->Release(pScratch);
}

void Composer::ReleaseRefs(std::vector<BriskDrawOp>& ops)
{
    for (BriskDrawOp& op : ops) {
        if (op.pImage != NULL) op.pImage->Release(op.pImage);
        if (op.pFont != NULL) op.pFont->Release(op.pFont);
        op.pImage = NULL;
        op.pFont = NULL;
    }
}

void Composer::Begin()
{
    bRecording = true;
    uCurCount = 0;
    if (pSurface->GetClip(pSurface, &logicalClip) != DFB_OK) logicalClip = bounds;
    bClipCleared = false;
}

BriskDrawOp& Composer::Take(BriskDrawOp::EN_KIND kind, const void* owner, BriskDrawOp* local)
{
    if (bRecording) return Record(kind, owner);
    local->eKind = kind;
    local->pOwner = owner;
    pSurface->GetClip(pSurface, &local->clip);
    return *local;
}

void Composer::Done(BriskDrawOp& op, IDirectFB* dfb)
{
    if (dfb != NULL) pDfb = dfb;
    if (bRecording) {
        if (op.eKind == BriskDrawOp::E_CLEAR) {
            logicalClip = op.clip;
            bClipCleared = true;
        }
        return;
    }
    NoteDirect(op);
    if (op.pImage != NULL) op.pImage->Release(op.pImage);
    if (op.pFont != NULL) op.pFont->Release(op.pFont);
    op.pImage = NULL;
    op.pFont = NULL;
}

BriskDrawOp& Composer::Record(BriskDrawOp::EN_KIND kind, const void* owner)
{
    if (uCurCount == vCur.size()) vCur.emplace_back();
    BriskDrawOp& op = vCur[uCurCount++];
    if (op.pImage != NULL) op.pImage->Release(op.pImage);
    if (op.pFont != NULL) op.pFont->Release(op.pFont);
    op.pImage = NULL;
    op.pFont = NULL;
    op.eKind = kind;
    op.pOwner = owner;
    op.clip = logicalClip;
    op.bCovered = bClipCleared;
    op.bPaints = false;
    op.eInk = BriskDrawOp::E_INK_UNKNOWN;
    return op;
}

BriskDrawOp::EN_INK Composer::MeasureInk(IDirectFB* dfb, IDirectFBFont* font, const std::string& text, DFBRegion* ink)
{
    for (const Ink& known : vInks) {
        if (known.pFont != font || known.strText != text) continue;
        *ink = known.box;
        return known.eInk;
    }
    BriskDrawOp::EN_INK result = RenderInk(dfb, font, text, ink);
    if (dfb == NULL) return result;
    // Texts come back (a channel's name, a volume step): the last few are kept.
    if (vInks.size() < kInkEntries) vInks.emplace_back();
    Ink& slot = vInks[uNextInk];
    uNextInk = (uNextInk + 1) % kInkEntries;
    font->AddRef(font);
    if (slot.pFont != NULL) slot.pFont->Release(slot.pFont);
    slot.pFont = font;
    slot.strText = text;
    slot.eInk = result;
    slot.box = *ink;
    return result;
}

BriskDrawOp::EN_INK Composer::RenderInk(IDirectFB* dfb, IDirectFBFont* font, const std::string& text, DFBRegion* ink)
{
    int ascender = 0, descender = 0, height = 0, width = 0;
    font->GetAscender(font, &ascender);
    font->GetDescender(font, &descender);
    font->GetHeight(font, &height);
    if (font->GetStringWidth(font, text.c_str(), -1, &width) != DFB_OK || dfb == NULL)
        return BriskDrawOp::E_INK_UNBOUNDED;
    // Glyphs reach beyond the advance and the line by less than a line:
    // a margin of a line around the text holds every pixel, and a pixel on
    // the scratch's edge says it did not.
    long long pad = std::max(height, std::max(ascender, 0) + std::max(-descender, 0));
    if (pad < 0) pad = 0;
    pad += 4;
    long long w = (width > 0 ? width : 0) + 2 * pad;
    long long h = (long long)std::max(ascender, 0) + std::max(-descender, 0) + 2 * pad;
    if (w > kScratchMaxWidth || h > kScratchMaxHeight) return BriskDrawOp::E_INK_UNBOUNDED;
    if (pScratch == NULL || scratchWidth < w || scratchHeight < h) {
        if (pScratch != NULL) pScratch->Release(pScratch);
        pScratch = NULL;
        DFBSurfaceDescription desc;
        memset(&desc, 0, sizeof(desc));
        desc.flags = (DFBSurfaceDescriptionFlags)(DSDESC_WIDTH | DSDESC_HEIGHT | DSDESC_PIXELFORMAT);
        desc.width = std::max((int)w, scratchWidth);
        desc.height = std::max((int)h, scratchHeight);
        desc.pixelformat = DSPF_ARGB;
        if (dfb->CreateSurface(dfb, &desc, &pScratch) != DFB_OK) {
            pScratch = NULL;
            scratchWidth = scratchHeight = 0;
            return BriskDrawOp::E_INK_UNBOUNDED;
        }
        scratchWidth = desc.width;
        scratchHeight = desc.height;
        // Every glyph pixel of any coverage lands as it is, opaque white
        // scaled by that coverage: non-zero exactly where the string can
        // change a pixel.
        pScratch->SetDrawingFlags(pScratch, DSDRAW_BLEND);
        pScratch->SetSrcBlendFunction(pScratch, DSBF_ONE);
        pScratch->SetDstBlendFunction(pScratch, DSBF_ZERO);
        pScratch->SetBlittingFlags(pScratch, DSBLIT_BLEND_ALPHACHANNEL);
    }
    DFBRegion area = { 0, 0, (int)w - 1, (int)h - 1 };
    pScratch->SetClip(pScratch, &area);
    pScratch->Clear(pScratch, 0, 0, 0, 0);
    pScratch->SetFont(pScratch, font);
    pScratch->SetColor(pScratch, 0xFF, 0xFF, 0xFF, 0xFF);
    int originX = (int)pad, originY = (int)pad + std::max(ascender, 0);
    pScratch->DrawString(pScratch, text.c_str(), -1, originX, originY, (DFBSurfaceTextFlags)0);
    void* data = NULL;
    int pitch = 0;
    if (pScratch->Lock(pScratch, DSLF_READ, &data, &pitch) != DFB_OK) return BriskDrawOp::E_INK_UNBOUNDED;
    DFBRegion box;
    bool any = NonZeroBounds(data, pitch, (int)w, (int)h, &box);
    pScratch->Unlock(pScratch);
    pScratch->SetFont(pScratch, NULL);
    if (!any) return BriskDrawOp::E_INK_NONE;
    if (box.x1 == 0 || box.y1 == 0 || box.x2 == (int)w - 1 || box.y2 == (int)h - 1) return BriskDrawOp::E_INK_UNBOUNDED;
    ink->x1 = box.x1 - originX;
    ink->y1 = box.y1 - originY;
    ink->x2 = box.x2 - originX;
    ink->y2 = box.y2 - originY;
    return BriskDrawOp::E_INK_BOX;
}

void Composer::Measure(BriskDrawOp& op)
{
    DFBRegion clip;
    op.bPaints = BriskIntersectRegion(op.clip, bounds, &clip) != FALSE;
    if (!op.bPaints) return;
    switch (op.eKind) {
    case BriskDrawOp::E_CLEAR:
        op.footprint = clip;
        break;
    case BriskDrawOp::E_IMAGE:
        op.bPaints = op.dest.w > 0 && op.dest.h > 0 &&
                     BriskCutRegion(op.dest.x, op.dest.y, (long long)op.dest.x + op.dest.w - 1,
                                    (long long)op.dest.y + op.dest.h - 1, clip, &op.footprint);
        break;
    case BriskDrawOp::E_TEXT:
        if (op.eInk == BriskDrawOp::E_INK_UNKNOWN || op.eInk == BriskDrawOp::E_INK_UNBOUNDED) {
            op.footprint = clip;
        } else {
            op.bPaints = op.eInk == BriskDrawOp::E_INK_BOX &&
                         BriskCutRegion((long long)op.x + op.ink.x1, (long long)op.y + op.ink.y1,
                                        (long long)op.x + op.ink.x2, (long long)op.y + op.ink.y2, clip, &op.footprint);
        }
        break;
    }
}

void Composer::Pin(BriskDrawOp& op)
{
    if (op.eKind != BriskDrawOp::E_TEXT || op.eInk != BriskDrawOp::E_INK_UNKNOWN || !op.bPaints) return;
    op.eInk = MeasureInk(pDfb, op.pFont, op.strText, &op.ink);
    Measure(op);
}

BOOL Composer::Reaches(BriskDrawOp& op, const DFBRegion& area, DFBRegion* part)
{
    if (!op.bPaints || !BriskIntersectRegion(op.footprint, area, part)) return FALSE;
    // A text not measured yet may reach the area only where its glyphs are,
    // unless the area holds its whole clip anyway.
    if (op.eKind != BriskDrawOp::E_TEXT || op.eInk != BriskDrawOp::E_INK_UNKNOWN || Area(*part) == Area(op.footprint))
        return TRUE;
    Pin(op);
    return op.bPaints && BriskIntersectRegion(op.footprint, area, part);
}

void Composer::NoteDirect(BriskDrawOp& op)
{
    op.eInk = BriskDrawOp::E_INK_UNKNOWN;
    Measure(op);
    Pin(op);
    // The full composition keeps no account of what it draws, except on
    // the references.
    if (op.bPaints && !BriskFullComposition()) pending.Add(op.footprint);
    DrawOnReference(op);
}

void Composer::DrawOnReference(const BriskDrawOp& op)
{
    if (pRefFull == NULL) return;
    // Every draw, even one taken to change nothing: should it change
    // something after all, the check sees it.
    Replay(pRefFull, op, op.clip);
    DFBRegion clip;
    if (op.bPaints)
        refTouched.Add(op.footprint);
    else if (BriskIntersectRegion(op.clip, bounds, &clip))
        refTouched.Add(clip);
}

void Composer::DrawOps(const DFBRegion& area, size_t from)
{
    for (size_t c = from; c < uCurCount; ++c) {
        BriskDrawOp& op = vCur[c];
        DFBRegion part, clip;
        if (!Reaches(op, area, &part)) continue;
        BriskIntersectRegion(op.clip, area, &clip);
        Replay(pSurface, op, clip);
    }
}

void Composer::DrawArea(const DFBRegion& area)
{
    // The image drawn opaque over the most of the area: where it is, what
    // came before it cannot show.
    size_t best = uCurCount;
    DFBRegion hidden;
    long long bestArea = 0;
    for (size_t c = 0; c < uCurCount; ++c) {
        const BriskDrawOp& op = vCur[c];
        DFBRegion opaque, part;
        if (op.eKind != BriskDrawOp::E_IMAGE || !op.bPaints || !Overlap(op.footprint, area) ||
            !OpaqueArea(op, &opaque) || !BriskIntersectRegion(opaque, op.footprint, &part) ||
            !BriskIntersectRegion(part, area, &part) || Area(part) <= bestArea)
            continue;
        best = c;
        hidden = part;
        bestArea = Area(part);
    }
    if (bestArea < kMinHidden) {
        DrawOps(area, 0);
        return;
    }
    // Inside: that image (an opaque pixel blends to itself, so a copy of
    // it is the same), then what is drawn over it. Around it: everything.
    DrawOpaque(vCur[best], hidden);
    DrawOps(hidden, best + 1);
    DFBRegion pieces[4] = { { area.x1, area.y1, area.x2, hidden.y1 - 1 },
                            { area.x1, hidden.y2 + 1, area.x2, area.y2 },
                            { area.x1, hidden.y1, hidden.x1 - 1, hidden.y2 },
                            { hidden.x2 + 1, hidden.y1, area.x2, hidden.y2 } };
    for (const DFBRegion& piece : pieces)
        if (piece.x1 <= piece.x2 && piece.y1 <= piece.y2) DrawOps(piece, 0);
}

BOOL Composer::OpaqueArea(const BriskDrawOp& op, DFBRegion* out)
{
    int w = 0, h = 0;
    // Only a blit at the image's own size is known to put each opaque
    // pixel of the image on the surface unchanged.
    if (op.pImage->GetSize(op.pImage, &w, &h) != DFB_OK || op.dest.w != w || op.dest.h != h) return FALSE;
    const Opaque* opaque = NULL;
    for (Opaque& entry : vOpaque)
        if (entry.pImage == op.pImage) opaque = &entry;
    if (opaque == NULL) {
        if (vOpaque.size() >= kOpaqueEntries) {
            vOpaque.front().pImage->Release(vOpaque.front().pImage);
            vOpaque.erase(vOpaque.begin());
        }
        Opaque entry;
        entry.pImage = op.pImage;
        entry.bAny = FindOpaque(op.pImage, w, h, &entry.interior);
        op.pImage->AddRef(op.pImage);
        vOpaque.push_back(entry);
        opaque = &vOpaque.back();
    }
    return opaque->bAny &&
           BriskCutRegion((long long)op.dest.x + opaque->interior.x1, (long long)op.dest.y + opaque->interior.y1,
                          (long long)op.dest.x + opaque->interior.x2, (long long)op.dest.y + opaque->interior.y2,
                          bounds, out);
}

void Composer::DrawOpaque(const BriskDrawOp& op, const DFBRegion& area)
{
    void* src = NULL;
    void* dst = NULL;
    int srcPitch = 0, dstPitch = 0;
    if (op.pImage->Lock(op.pImage, DSLF_READ, &src, &srcPitch) != DFB_OK) {
        Replay(pSurface, op, area);
        return;
    }
    if (pSurface->Lock(pSurface, DSLF_WRITE, &dst, &dstPitch) != DFB_OK) {
        op.pImage->Unlock(op.pImage);
        Replay(pSurface, op, area);
        return;
    }
    size_t bytes = (size_t)(area.x2 - area.x1 + 1) * 4;
    for (int y = area.y1; y <= area.y2; ++y)
        memcpy((char*)dst + (size_t)y * dstPitch + (size_t)area.x1 * 4,
               (const char*)src + (size_t)(y - op.dest.y) * srcPitch + (size_t)(area.x1 - op.dest.x) * 4, bytes);
    pSurface->Unlock(pSurface);
    op.pImage->Unlock(op.pImage);
}

void Composer::Replay(IDirectFBSurface* target, const BriskDrawOp& op, const DFBRegion& clip)
{
    target->SetClip(target, &clip);
    switch (op.eKind) {
    case BriskDrawOp::E_CLEAR:
        target->Clear(target, 0, 0, 0, 0);
        break;
    case BriskDrawOp::E_IMAGE:
        target->StretchBlit(target, op.pImage, NULL, &op.dest);
        target->ReleaseSource(target);
        break;
    case BriskDrawOp::E_TEXT:
        target->SetFont(target, op.pFont);
        target->SetColor(target, (op.u32Color >> 16) & 0xFF, (op.u32Color >> 8) & 0xFF, op.u32Color & 0xFF,
                         (op.u32Color >> 24) & 0xFF);
        target->DrawString(target, op.strText.c_str(), -1, op.x, op.y, (DFBSurfaceTextFlags)0);
        break;
    }
}

// Pairs each op of this frame with the op of the last frame drawn by the
// same owner in the same way (the n-th of a kind with the n-th), then keeps
// the largest set of pairs that draw the same and come in the same order in
// both frames (a longest increasing run): those are unchanged.
void Composer::PairFrames()
{
    auto byKey = [](const std::vector<BriskDrawOp>& ops) {
        return [&ops](U32 a, U32 b) {
            if (ops[a].pOwner != ops[b].pOwner) return ops[a].pOwner < ops[b].pOwner;
            if (ops[a].eKind != ops[b].eKind) return ops[a].eKind < ops[b].eKind;
            return a < b;
        };
    };
    vSortPrev.resize(uPrevCount);
    vSortCur.resize(uCurCount);
    for (size_t i = 0; i < uPrevCount; ++i) vSortPrev[i] = (U32)i;
    for (size_t i = 0; i < uCurCount; ++i) vSortCur[i] = (U32)i;
    std::sort(vSortPrev.begin(), vSortPrev.end(), byKey(vPrev));
    std::sort(vSortCur.begin(), vSortCur.end(), byKey(vCur));
    vPartner.assign(uCurCount, -1);
    size_t i = 0, j = 0;
    while (i < uCurCount && j < uPrevCount) {
        const BriskDrawOp& c = vCur[vSortCur[i]];
        const BriskDrawOp& p = vPrev[vSortPrev[j]];
        if (c.pOwner != p.pOwner ? c.pOwner < p.pOwner : c.eKind < p.eKind) {
            ++i;
        } else if (c.pOwner != p.pOwner || c.eKind != p.eKind) {
            ++j;
        } else {
            vPartner[vSortCur[i++]] = (long)vSortPrev[j++];
        }
    }
    vMatchedPrev.assign(uPrevCount, false);
    vMatchedCur.assign(uCurCount, false);
    vCandidates.clear();
    for (size_t c = 0; c < uCurCount; ++c)
        if (vPartner[c] >= 0 && vCur[c].SameDraw(vPrev[(size_t)vPartner[c]])) vCandidates.push_back((U32)c);
    // Longest run of candidates whose partners increase: vTails[k] is the
    // candidate ending the best run of length k + 1, vLinks the one before.
    vTails.clear();
    vLinks.assign(vCandidates.size(), (U32)-1);
    for (size_t k = 0; k < vCandidates.size(); ++k) {
        long partner = vPartner[vCandidates[k]];
        size_t lo = 0, hi = vTails.size();
        while (lo < hi) {
            size_t mid = (lo + hi) / 2;
            if (vPartner[vCandidates[vTails[mid]]] < partner)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo > 0) vLinks[k] = vTails[lo - 1];
        if (lo == vTails.size())
            vTails.push_back((U32)k);
        else
            vTails[lo] = (U32)k;
    }
    for (U32 k = vTails.empty() ? (U32)-1 : vTails.back(); k != (U32)-1; k = vLinks[k]) {
        vMatchedCur[vCandidates[k]] = true;
        vMatchedPrev[(size_t)vPartner[vCandidates[k]]] = true;
    }
}

_Rect Composer::Finish()
{
    bRecording = false;
    if (bKnown) PairFrames();
    // A text drawn as last time keeps the glyph box measured then.
    for (size_t c = 0; c < uCurCount; ++c) {
        BriskDrawOp& op = vCur[c];
        if (op.eKind == BriskDrawOp::E_TEXT && bKnown && vPartner[c] >= 0) {
            const BriskDrawOp& before = vPrev[(size_t)vPartner[c]];
            if (before.eInk != BriskDrawOp::E_INK_UNKNOWN && before.pFont == op.pFont && before.strText == op.strText) {
                op.ink = before.ink;
                op.eInk = before.eInk;
            }
        }
        Measure(op);
    }

    BriskDamage damage;
    if (!bKnown) {
        damage.Add(bounds);
    } else {
        // Erases before the first draw of the last frame only ever reset
        // pixels that frame then left alone or drew over again: dropping
        // one changes nothing by itself.
        size_t firstDraw = 0;
        while (firstDraw < uPrevCount && vPrev[firstDraw].eKind == BriskDrawOp::E_CLEAR) ++firstDraw;
        for (size_t p = 0; p < uPrevCount; ++p) {
            if (vMatchedPrev[p] || p < firstDraw) continue;
            Pin(vPrev[p]);
            if (vPrev[p].bPaints) damage.Add(vPrev[p].footprint);
        }
        for (size_t c = 0; c < uCurCount; ++c) {
            BriskDrawOp& op = vCur[c];
            if (vMatchedCur[c] && (op.bCovered || op.eKind == BriskDrawOp::E_CLEAR)) continue;
            Pin(op);
            if (op.bPaints) damage.Add(op.footprint);
        }
        for (size_t k = 0; k < pending.Count(); ++k) damage.Add(pending.At(k));
    }

    DFBRegion flipped = { 0, 0, -1, -1 };
    bool anyFlip = false, anyDrawn = false;
    for (size_t d = 0; d < damage.Count(); ++d) {
        const DFBRegion& area = damage.At(d);
        DFBRegion touched = { 0, 0, -1, -1 };
        bool any = false;
        for (size_t c = 0; c < uCurCount; ++c) {
            DFBRegion part;
            if (!Reaches(vCur[c], area, &part)) continue;
            touched = any ? Bound(touched, part) : part;
            any = true;
        }
        if (any) {
            DrawArea(area);
            anyDrawn = true;
        }
        for (size_t k = 0; k < pending.Count(); ++k) {
            DFBRegion part;
            if (!BriskIntersectRegion(pending.At(k), area, &part)) continue;
            touched = any ? Bound(touched, part) : part;
            any = true;
        }
        if (!any) continue;
        pSurface->Flip(pSurface, &touched, DSFLIP_BLIT);
        flipped = anyFlip ? Bound(flipped, touched) : touched;
        anyFlip = true;
    }
    // The clip the full composition leaves set, for whatever draws next.
    if (anyDrawn) pSurface->SetClip(pSurface, &logicalClip);

    if (pRefFull != NULL) {
        for (size_t c = 0; c < uCurCount; ++c) DrawOnReference(vCur[c]);
        for (size_t k = 0; k < pending.Count(); ++k) refTouched.Add(pending.At(k));
    }

    // This frame is now what the window shows; the last one's references go.
    std::swap(vPrev, vCur);
    uPrevCount = uCurCount;
    uCurCount = 0;
    ReleaseRefs(vCur);
    bKnown = true;
    pending.Clear();
    if (!anyFlip) return _Rect();
    return _Rect(flipped.x1, flipped.y1, flipped.x2 - flipped.x1, flipped.y2 - flipped.y1);
}

void Composer::SetReference(IDirectFBSurface* full)
{
    pRefFull = full;
    refTouched.Clear();
    if (full == NULL) return;
    // The back buffer, which holds every draw: what the full composition
    // would have left.
    void* src = NULL;
    void* dst = NULL;
    int srcPitch = 0, dstPitch = 0;
    if (pSurface->Lock(pSurface, (DFBSurfaceLockFlags)(DSLF_READ | DSLF_WRITE), &src, &srcPitch) != DFB_OK) return;
    if (full->Lock(full, DSLF_WRITE, &dst, &dstPitch) == DFB_OK) {
        for (int y = 0; y <= bounds.y2; ++y)
            memcpy((char*)dst + (size_t)y * dstPitch, (const char*)src + (size_t)y * srcPitch,
                   (size_t)(bounds.x2 + 1) * 4);
        full->Unlock(full);
    }
    pSurface->Unlock(pSurface);
}

BOOL Composer::CheckReference(std::string* why)
{
    // A lock for reading alone gives the front buffer, the screen; with
    // writing, the back buffer the draws go to.
    const DFBSurfaceLockFlags locks[2] = { (DFBSurfaceLockFlags)(DSLF_READ | DSLF_WRITE), DSLF_READ };
    const char* names[2] = { "back buffer", "screen" };
    BOOL same = TRUE;
    void* data = NULL;
    int pitch = 0;
    if (pRefFull == NULL || pRefFull->Lock(pRefFull, DSLF_READ, &data, &pitch) != DFB_OK) {
        if (why != NULL) *why = "no reference";
        return FALSE;
    }
    for (int b = 0; b < 2 && same; ++b) {
        void* window = NULL;
        int windowPitch = 0;
        if (pSurface->Lock(pSurface, locks[b], &window, &windowPitch) != DFB_OK) {
            if (why != NULL) *why = std::string("cannot read the window's ") + names[b];
            same = FALSE;
            break;
        }
        for (size_t k = 0; k < refTouched.Count() && same; ++k) {
            const DFBRegion& area = refTouched.At(k);
            size_t bytes = (size_t)(area.x2 - area.x1 + 1) * 4;
            for (int y = area.y1; y <= area.y2 && same; ++y) {
                const U32* a = (const U32*)((const char*)window + (size_t)y * windowPitch);
                const U32* r = (const U32*)((const char*)data + (size_t)y * pitch);
                if (memcmp(a + area.x1, r + area.x1, bytes) == 0) continue;
                same = FALSE;
                int x = area.x1;
                while (a[x] == r[x]) ++x;
                if (why != NULL) {
                    char line[160];
                    snprintf(line, sizeof(line), "pixel (%d, %d): window %s 0x%08X, full composition 0x%08X", x, y,
                             names[b], (unsigned)a[x], (unsigned)r[x]);
                    *why = line;
                }
            }
        }
        pSurface->Unlock(pSurface);
    }
    pRefFull->Unlock(pRefFull);
    refTouched.Clear();
    return same;
}

Composer* ComposerFor(IDirectFBSurface* surface)
{
    return surface != NULL && g_attached.load() == surface ? g_composer : NULL;
}

}   // namespace

// ---- BriskDamage ------------------------------------------------------------------

BOOL BriskIntersectRegion(const DFBRegion& a, const DFBRegion& b, DFBRegion* out)
{
    if (!Overlap(a, b)) return FALSE;
    out->x1 = std::max(a.x1, b.x1);
    out->y1 = std::max(a.y1, b.y1);
    out->x2 = std::min(a.x2, b.x2);
    out->y2 = std::min(a.y2, b.y2);
    return TRUE;
}

void BriskDamage::Add(const DFBRegion& area)
{
    if (area.x1 > area.x2 || area.y1 > area.y2) return;
    DFBRegion r = area;
    // Absorb every area it overlaps, or that joins it into a rectangle.
    for (size_t i = 0; i < uCount;) {
        DFBRegion both = Bound(r, aAreas[i]);
        if (Overlap(r, aAreas[i]) || Area(both) == Area(r) + Area(aAreas[i])) {
            r = both;
            aAreas[i] = aAreas[--uCount];
            i = 0;
        } else {
            ++i;
        }
    }
    if (uCount < E_MAX_AREAS) {
        aAreas[uCount++] = r;
        return;
    }
    // Full: merge the pair (the new area among them) that wastes least.
    size_t best = 0;
    long long waste = -1;
    for (size_t i = 0; i < uCount; ++i) {
        long long w = Area(Bound(r, aAreas[i])) - Area(r) - Area(aAreas[i]);
        if (waste < 0 || w < waste) {
            waste = w;
            best = i;
        }
    }
    DFBRegion merged = Bound(r, aAreas[best]);
    aAreas[best] = aAreas[--uCount];
    Add(merged);
}

DFBRegion BriskDamage::Bounds() const
{
    DFBRegion r = aAreas[0];
    for (size_t i = 1; i < uCount; ++i) r = Bound(r, aAreas[i]);
    return r;
}

// ---- drawing --------------------------------------------------------------------------

void BriskDrawClear(IDirectFBSurface* surface, const void* owner, const DFBRegion& clip)
{
    Composer* composer = ComposerFor(surface);
    if (!Composer::Records(composer)) {
        surface->SetClip(surface, &clip);
        surface->Clear(surface, 0, 0, 0, 0);
        if (!Composer::Notes(composer)) return;
    }
    BriskDrawOp local;
    BriskDrawOp& op = composer->Take(BriskDrawOp::E_CLEAR, owner, &local);
    op.clip = clip;
    composer->Done(op, NULL);
}

void BriskDrawImage(IDirectFBSurface* surface, const void* owner, IDirectFBSurface* image, const DFBRectangle& dest)
{
    Composer* composer = ComposerFor(surface);
    if (!Composer::Records(composer)) {
        surface->StretchBlit(surface, image, NULL, &dest);
        surface->ReleaseSource(surface);
        if (!Composer::Notes(composer)) return;
    }
    BriskDrawOp local;
    BriskDrawOp& op = composer->Take(BriskDrawOp::E_IMAGE, owner, &local);
    image->AddRef(image);
    op.pImage = image;
    op.dest = dest;
    composer->Done(op, NULL);
}

void BriskDrawText(IDirectFBSurface* surface, IDirectFB* dfb, const void* owner, IDirectFBFont* font, U32 argb,
                   const std::string& text, int x, int y)
{
    Composer* composer = ComposerFor(surface);
    if (!Composer::Records(composer)) {
        surface->SetFont(surface, font);
        surface->SetColor(surface, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, (argb >> 24) & 0xFF);
        surface->DrawString(surface, text.c_str(), -1, x, y, (DFBSurfaceTextFlags)0);
        if (!Composer::Notes(composer)) return;
    }
    BriskDrawOp local;
    BriskDrawOp& op = composer->Take(BriskDrawOp::E_TEXT, owner, &local);
    font->AddRef(font);
    op.pFont = font;
    op.u32Color = argb;
    op.strText = text;
    op.x = x;
    op.y = y;
    composer->Done(op, dfb);
}

// ---- composition ----------------------------------------------------------------------

void BriskComposerAttach(IDirectFBSurface* surface)
{
    BriskComposerDetach();
    if (surface == NULL) return;
    // Without a composer every composition draws everything, as the full one.
    g_composer = new (std::nothrow) Composer(surface);
    if (g_composer != NULL) g_attached.store(surface);
}

void BriskComposerDetach()
{
    g_attached.store(NULL);
    delete g_composer;
    g_composer = NULL;
}

BriskFrame::BriskFrame(IDirectFBSurface* surface) : pSurface(surface), bRecording(false), bFinished(false)
{
    Composer* composer = ComposerFor(surface);
    if (composer == NULL || composer->Recording()) return;
    if (BriskFullComposition()) {
        composer->Forget();
        return;
    }
    composer->Begin();
    bRecording = true;
}

BriskFrame::~BriskFrame()
{
    if (!bFinished) Finish(_Rect());
}

_Rect BriskFrame::Finish(const _Rect& dirty)
{
    if (bFinished) return _Rect();
    bFinished = true;
    if (bRecording) {
        Composer* composer = ComposerFor(pSurface);
        return composer != NULL ? composer->Finish() : _Rect();
    }
    DFBRegion region;
    if (BriskSurfaceRegion(dirty, pSurface, &region)) {
        pSurface->Flip(pSurface, &region, DSFLIP_BLIT);
        Composer* composer = ComposerFor(pSurface);
        if (composer != NULL) composer->NoteFullFlip(region);
    }
    return dirty;
}

void BriskSetFullComposition(BOOL on) { g_fullComposition.store(on != FALSE); }

BOOL BriskFullComposition() { return g_fullComposition.load() ? TRUE : FALSE; }

void BriskComposerSetReference(IDirectFBSurface* full)
{
    if (g_composer != NULL) g_composer->SetReference(full);
}

BOOL BriskComposerCheckReference(std::string* why)
{
    if (g_composer == NULL) {
        if (why != NULL) *why = "no surface is attached";
        return FALSE;
    }
    return g_composer->CheckReference(why);
}
