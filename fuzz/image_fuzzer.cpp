// Image files through an image item: whatever the bytes, drawing either
// shows the picture or reports the failure and draws nothing; never a
// crash. PNG, GIF, JPEG, BMP, PNM and DirectFB's own format all open
// through the same item, the way a layout's art does.
#include <stddef.h>
#include <stdint.h>

#include "DrawItem.h"
#include "FuzzSupport.h"

namespace {

const char* const kImagePath = "/fuzz/image";

IDirectFBSurface* g_surface = NULL;
ImageItem* g_item = NULL;

}   // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Root();
    // A surface like the OSD window's, a quarter of its size.
    g_surface = fuzz::NewSurface(640, 360);
    g_item = new ImageItem();
    g_item->SetRect(_Rect(20, 20, 600, 120));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::WriteFile(kImagePath, data, size);
    g_surface->Clear(g_surface, 0, 0, 0, 0);
    g_item->SetImagePath(kImagePath);   // drops the image decoded last time
    g_item->Update(g_surface, fuzz::Dfb());
    g_item->Update(g_surface, fuzz::Dfb());   // the cached image, drawn again
    return 0;
}
