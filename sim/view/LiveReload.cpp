#include "LiveReload.h"

#include <errno.h>
#include <limits.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "BriskPlatform.h"
#include "BriskUiHandlerTable.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "LayoutKeys.h"
#include "LayoutLint.h"
#include "Middleware.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const uint32_t kWatchMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ONLYDIR;

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// `path` with every link and ".." resolved; empty when it is not there.
std::string RealPath(const std::string& path)
{
    char real[PATH_MAX];
    return realpath(path.c_str(), real) != NULL ? std::string(real) : std::string();
}

std::vector<LiveReload::ItemState> Snapshot(const EventHandler& handler)
{
    std::vector<LiveReload::ItemState> items;
    for (size_t i = 0; i < handler.ItemCount(); ++i) {
        DrawItem* item = handler.ItemAt(i);
        LiveReload::ItemState s = { item->Name(), item->IsImage(), item->GetVisible(), item->GetRect(), "", "", 0, 0 };
        if (item->IsImage()) {
            s.path = static_cast<ImageItem*>(item)->GetImagePath();
        } else {
            TextItem* text = static_cast<TextItem*>(item);
            s.path = text->GetFontPath();
            s.text = text->GetText();
            s.color = text->GetFontColor();
            s.size = text->GetFontSize();
        }
        items.push_back(s);
    }
    return items;
}

bool SameRect(const _Rect& a, const _Rect& b)
{
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

// Gives each item of `handler`, just loaded, what the item of its name had
// been changed to since the previous load: `loaded` is how that load made
// the items, `live` how they were now.
void CarryState(EventHandler& handler, const std::vector<LiveReload::ItemState>& loaded,
                const std::vector<LiveReload::ItemState>& live)
{
    if (loaded.size() != live.size()) return;
    for (size_t i = 0; i < handler.ItemCount(); ++i) {
        DrawItem* item = handler.ItemAt(i);
        size_t k = 0;
        while (k < live.size() && (live[k].name != item->Name() || live[k].image != item->IsImage())) ++k;
        if (k == live.size()) continue;
        const LiveReload::ItemState &was = loaded[k], &now = live[k];
        if (now.visible != was.visible) item->SetVisible(now.visible);
        if (!SameRect(now.rect, was.rect)) item->SetRect(now.rect);
        if (item->IsImage()) {
            ImageItem* image = static_cast<ImageItem*>(item);
            if (now.path != was.path && now.path != image->GetImagePath()) image->SetImagePath(now.path.c_str());
            continue;
        }
        TextItem* text = static_cast<TextItem*>(item);
        if (now.path != was.path) text->SetFontPath(now.path.c_str());
        if (now.text != was.text) text->SetText(now.text.c_str());
        if (now.color != was.color) text->SetFontColor(now.color);
        if (now.size != was.size) text->SetFontSize(now.size);
    }
}

// Runs scripts/render-svg; TRUE when it rendered.
bool Render(const std::string& svg, const std::string& png, const std::string& css)
{
    std::vector<std::string> args = { BRISKUI_RENDER_SVG, svg, png };
    if (!css.empty()) args.push_back(css);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(NULL);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], NULL, NULL, argv.data(), environ) != 0) return false;
    int status = 0;
    pid_t ended;
    while ((ended = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    return ended == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}   // namespace

void LiveReload::Start(BriskUiManager* manager, const std::string& root)
{
    Stop();
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        printf("briskui-sim: --view: no live reload: inotify: %s\n", strerror(errno));
        return;
    }
    manager_ = manager;
    // The renderer the build found, for scripts/render-svg.
    setenv("BRISKUI_RSVG_CONVERT", BRISKUI_RSVG_CONVERT, 0);
    const std::string osd = root + "/config/briskui";
    images_ = osd + "/images";
    Watch(osd);
    std::error_code error;
    if (fs::is_directory(BRISKUI_ART_SOURCES, error)) {
        artSources_ = BRISKUI_ART_SOURCES;
        Watch(artSources_);
    }
    BriskUiManager::Lock();
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i)
        if (EventHandler* handler = rows[i].pfGet()) loaded_[handler] = Snapshot(*handler);
    BriskUiManager::Unlock();
    printf("briskui-sim: live reload: watching %s%s%s\n", osd.c_str(), artSources_.empty() ? "" : " and ",
           artSources_.c_str());
    fflush(stdout);
}

void LiveReload::Stop()
{
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    manager_ = nullptr;
    dirs_.clear();
    loaded_.clear();
    artSources_.clear();
}

void LiveReload::Watch(const std::string& dir)
{
    int wd = inotify_add_watch(fd_, dir.c_str(), kWatchMask);
    if (wd < 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            printf("briskui-sim: live reload: cannot watch %s: %s\n", dir.c_str(), strerror(errno));
        return;
    }
    dirs_[wd] = dir;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error))
        if (entry.is_directory(error)) Watch(entry.path().string());
}

bool LiveReload::Poll()
{
    if (fd_ < 0 || manager_ == nullptr) return false;
    std::set<std::string> paths;
    alignas(struct inotify_event) char buffer[8192];
    for (ssize_t n; (n = read(fd_, buffer, sizeof(buffer))) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const struct inotify_event* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
            at += sizeof(struct inotify_event) + event->len;
            std::map<int, std::string>::const_iterator dir = dirs_.find(event->wd);
            if (dir == dirs_.end() || event->len == 0) continue;
            std::string path = dir->second + "/" + event->name;
            if (event->mask & IN_ISDIR) {
                if (event->mask & (IN_CREATE | IN_MOVED_TO)) Watch(path);
            } else if (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) {
                paths.insert(path);
            }
        }
    }
    changed_ = false;
    for (const std::string& path : paths) Changed(path);
    if (changed_) manager_->UpdateOsd();
    fflush(stdout);
    return changed_;
}

void LiveReload::Changed(const std::string& path)
{
    if (EndsWith(path, ".ini"))
        ReloadLayout(path);
    else if (EndsWith(path, ".png") || EndsWith(path, ".PNG"))
        ReloadImage(path);
    else if (EndsWith(path, ".svg"))
        RenderSvg(path);
}

std::vector<EventHandler*> LiveReload::LayoutUsers(const std::string& path, std::string* loadPath)
{
    std::vector<EventHandler*> users;
    bool na = manager_->QueryCountry() == E_BRISKUI_COUNTRY_NA;
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) {
        std::string file =
            BriskResolvePath((manager_->GetLayoutPath() + (na ? rows[i].pLayoutNA : rows[i].pLayoutEU)).c_str());
        EventHandler* handler = rows[i].pfGet();
        if (handler == NULL || RealPath(file) != path) continue;
        users.push_back(handler);
        *loadPath = file;
    }
    return users;
}

void LiveReload::ReloadLayout(const std::string& path)
{
    std::string loadPath;
    std::vector<EventHandler*> users = LayoutUsers(RealPath(path), &loadPath);
    if (users.empty()) return;
    // The checker's FILE:LINE lines go to the terminal; with an error the
    // library would load something else than the designer meant (or
    // abort), so the last good layout stays.
    LayoutLint lint(MSystem::GetInstance()->GetDirectFB());
    lint.CheckLayoutFile(path);
    // A file the library cannot parse would leave the OSD without items
    // (or stop a handler that needs its layout).
    LayoutKeys keys;
    if (lint.Errors() > 0 || !keys.Open(loadPath.c_str())) {
        printf("briskui-sim: %s does not load%s; the window keeps its last good layout\n", path.c_str(),
               keys.Problem().c_str());
        return;
    }
    BriskUiManager::Lock();
    IDirectFBSurface* surface = manager_->GetSurface();
    for (EventHandler* handler : users) {
        bool shown = surface != NULL && manager_->QueryStatus(handler->GetOsdStatus());
        if (shown) {
            handler->ClearSurface(surface);
            manager_->InvalidateOSD(handler->GetItemRegion());
        }
        std::vector<ItemState> live = Snapshot(*handler);
        handler->ReloadResource(loadPath.c_str());
        std::vector<ItemState> fresh = Snapshot(*handler);
        CarryState(*handler, loaded_[handler], live);
        loaded_[handler] = fresh;
        if (shown) manager_->InvalidateOSD(handler->GetItemRegion());
    }
    BriskUiManager::Unlock();
    changed_ = true;
    printf("briskui-sim: reloaded %s\n", path.c_str());
}

void LiveReload::ReloadImage(const std::string& path)
{
    const std::string real = RealPath(path);
    bool used = false;
    BriskUiManager::Lock();
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) {
        EventHandler* handler = rows[i].pfGet();
        if (handler == NULL) continue;
        bool shows = false;
        for (size_t k = 0; k < handler->ItemCount(); ++k) {
            DrawItem* item = handler->ItemAt(k);
            if (!item->IsImage()) continue;
            ImageItem* image = static_cast<ImageItem*>(item);
            const std::string file = image->GetImagePath();
            if (file.empty() || RealPath(BriskResolvePath(file.c_str())) != real) continue;
            // Setting the path drops the decoded image; the cache sees the
            // file's new size or time and decodes it anew.
            image->SetImagePath(file.c_str());
            shows = true;
        }
        if (shows && manager_->QueryStatus(handler->GetOsdStatus())) manager_->InvalidateOSD(handler->GetItemRegion());
        used = used || shows;
    }
    BriskUiManager::Unlock();
    if (!used) return;
    changed_ = true;
    printf("briskui-sim: reloaded %s\n", path.c_str());
}

void LiveReload::RenderSvg(const std::string& path)
{
    // An SVG of the build's art renders into the root's images folder as
    // the build renders it into the sample root; any other renders beside
    // itself. NAME.nf.svg is two pictures, NAME_n.png and NAME_f.png, each
    // with its state's style sheet; NAME.PNG.svg renders to NAME.PNG.
    std::string out = path;
    if (!artSources_.empty() && path.compare(0, artSources_.size() + 1, artSources_ + "/") == 0)
        out = images_ + path.substr(artSources_.size());
    out.erase(out.size() - 4);
    const std::string states = std::string(BRISKUI_ART_SOURCES) + "/states/";
    std::vector<std::pair<std::string, std::string>> pngs;   // file, style sheet
    if (EndsWith(out, ".nf")) {
        out.erase(out.size() - 3);
        pngs = { { out + "_n.png", states + "normal.css" }, { out + "_f.png", states + "focused.css" } };
    } else {
        pngs = { { EndsWith(out, ".PNG") ? out : out + ".png", "" } };
    }
    for (const std::pair<std::string, std::string>& png : pngs) {
        if (Render(path, png.first, png.second))
            printf("briskui-sim: rendered %s to %s\n", path.c_str(), png.first.c_str());
        else
            printf("briskui-sim: %s does not render; %s stays as it was\n", path.c_str(), png.first.c_str());
    }
}
