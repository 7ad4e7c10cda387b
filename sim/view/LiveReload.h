// Live reload for briskui-sim --view: the window's host thread learns from
// inotify which files under the root's OSD folder (and under the build's
// art sources) were written, and shows the change at once without a
// restart:
// - a layout file a handler loads is checked first (tools/lint, whose
//   FILE:LINE lines go to the terminal); with an error the OSD keeps its
//   last good layout, else its handler loads it again and the state of the
//   moment is carried over: each property an OSD had changed since its
//   load (a text, a visibility, a position) keeps the changed value;
// - a PNG is decoded again by the image items that show it;
// - an SVG is rendered to its PNG(s) by scripts/render-svg, as the build
//   renders art, and that PNG's change follows.
// Shown OSDs are then redrawn. Without --view nothing of this runs.
//
// Threads: the host's thread only, the one that runs the script and the
// window; it takes the manager lock for the handlers.
#ifndef BRISKUI_SIM_LIVERELOAD_H
#define BRISKUI_SIM_LIVERELOAD_H

#include <map>
#include <string>
#include <vector>

#include "BriskTypes.h"
#include "Rect.h"

class BriskUiManager;
class EventHandler;

class LiveReload {
public:
    ~LiveReload() { Stop(); }

    // Starts watching for `manager`, which has started (its handlers have
    // loaded their layouts): the folders under `root` + "/config/briskui"
    // and, when it exists, the build's art sources. Prints why when inotify
    // cannot watch; the window then works without reload.
    void Start(BriskUiManager* manager, const std::string& root);
    // Stops watching and forgets the manager.
    void Stop();
    // Handles the files written since the last call, without blocking;
    // TRUE when the screen may have changed.
    bool Poll();

    // One draw item's properties, as a handler's items hold them.
    struct ItemState {
        std::string name;
        bool image;
        U8 visible;
        _Rect rect;
        std::string path;   // image or font file
        std::string text;
        U32 color;
        U8 size;
    };

private:
    void Watch(const std::string& dir);
    void Changed(const std::string& path);
    void ReloadLayout(const std::string& path);
    void ReloadImage(const std::string& path);
    void RenderSvg(const std::string& path);
    // The handlers whose layout file is `path` (a real path).
    std::vector<EventHandler*> LayoutUsers(const std::string& path, std::string* loadPath);

    BriskUiManager* manager_ = nullptr;
    int fd_ = -1;
    std::map<int, std::string> dirs_;                          // watch -> folder
    std::string artSources_;                                   // the build's art/, when watched
    std::string images_;                                       // the root's images folder
    std::map<EventHandler*, std::vector<ItemState>> loaded_;   // each handler's items as its layout made them
    bool changed_ = false;
};

#endif   // BRISKUI_SIM_LIVERELOAD_H
