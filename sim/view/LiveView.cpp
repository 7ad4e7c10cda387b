// The live window of briskui-sim --view. SDL runs on the host's own thread,
// the one that runs the script: between script lines, while a 'wait' lets
// time pass and after the script, the window copies the library's surface
// whenever the manager has composed since the last copy (it counts its
// flips), holding the manager lock only for the copy as 'shot' does, puts
// it over the same TV backdrop as 'shot' and scales it to the window. Keys
// typed into the window are posted to the library's event buffer exactly as
// a script's 'key' line posts them. DirectFB stays headless underneath.
// Files written under the root while the window is open show at once
// (LiveReload.h).
#include "LiveView.h"

#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

#include "BriskUiManager.h"
#include "HostSupport.h"
#include "LiveReload.h"
#include "PngWrite.h"
#include "ViewKeys.h"

namespace {

const int kScreenWidth = 1280;
const int kScreenHeight = 720;
const U32 kIdleMs = 5000;
// How often the window looks for a new composition while nothing else
// happens: often enough for animations, cheap (one atomic read).
const U32 kPollMs = 10;

class LiveView : public HostView {
public:
    ~LiveView();
    bool Open(const std::string& title, std::string* error);

    void Attach(BriskUiManager* manager) override
    {
        manager_ = manager;
        copied_ = false;
        const char* root = getenv("BRISKUI_ROOT");
        reload_.Start(manager, root != nullptr ? root : "");
        Refresh();
    }
    void Detach() override
    {
        reload_.Stop();
        manager_ = nullptr;
    }
    bool Pump() override;
    bool Sleep(U64 ms) override;
    void Hold() override;

private:
    void Handle(const SDL_Event& event);
    void Key(const SDL_KeyboardEvent& key);
    // Copies and shows the library's surface when it has composed since
    // the last copy.
    void Refresh();
    // Puts `surface_` over the backdrop into the texture and presents it.
    void Show(int width, int height);
    void Present();
    void Close();

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int width_ = 0, height_ = 0;   // of the texture
    std::vector<uint32_t> surface_, backdrop_, frame_;
    BriskUiManager* manager_ = nullptr;
    LiveReload reload_;
    bool copied_ = false;
    U32 copiedFlips_ = 0;
    bool warned_ = false;
    bool closed_ = false;
};

LiveView::~LiveView()
{
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_Quit();
}

bool LiveView::Open(const std::string& title, std::string* error)
{
    // SDL's own renderer, presenting straight to the window system (not
    // through OpenGL), draws exactly the pixels of the screenshot at 1:1
    // and needs no GPU driver (remote X, virtual machines, Xvfb). The
    // environment (SDL_RENDER_DRIVER, SDL_FRAMEBUFFER_ACCELERATION) may
    // still choose otherwise.
    SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, "software", SDL_HINT_DEFAULT);
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        *error = std::string("no display for the window (") + SDL_GetError() +
                 "); --view needs an X11 or Wayland session, e.g. under xvfb-run";
        return false;
    }
    // 1280 x 720 when the desktop has room for it, else as large as fits.
    int w = kScreenWidth, h = kScreenHeight;
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0 && (usable.w < w || usable.h < h)) {
        double scale = std::min((double)usable.w / w, (double)usable.h / h) * 0.9;
        w = std::max(160, (int)(w * scale));
        h = std::max(90, (int)(h * scale));
    }
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                               SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (window_ != nullptr) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) {
        *error = std::string("cannot open the window: ") + SDL_GetError();
        return false;
    }
    SDL_SetWindowMinimumSize(window_, 160, 90);
    // Until the library has started the window shows the TV picture alone.
    surface_.assign((size_t)kScreenWidth * kScreenHeight, 0);
    Show(kScreenWidth, kScreenHeight);
    return true;
}

bool LiveView::Pump()
{
    SDL_Event event;
    while (!closed_ && SDL_PollEvent(&event)) Handle(event);
    if (closed_) return false;
    reload_.Poll();
    Refresh();
    return !closed_;
}

bool LiveView::Sleep(U64 ms)
{
    const Uint64 end = SDL_GetTicks64() + ms;
    for (Uint64 now = SDL_GetTicks64(); !closed_ && now < end; now = SDL_GetTicks64()) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, (int)std::min<Uint64>(end - now, kPollMs))) Handle(event);
        Pump();
    }
    return !closed_;
}

void LiveView::Hold()
{
    if (closed_) return;
    printf("briskui-sim: the window stays open; close it or press Q to end\n");
    fflush(stdout);
    while (!closed_) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, kPollMs)) Handle(event);
        Pump();
    }
}

void LiveView::Handle(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        Close();
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE)
            Close();
        else if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
            Present();
        break;
    case SDL_KEYDOWN:
        Key(event.key);
        break;
    default:
        break;
    }
}

void LiveView::Key(const SDL_KeyboardEvent& key)
{
    if (key.keysym.sym == SDLK_q) {
        Close();
        return;
    }
    U32 symbol = 0;
    if (manager_ == nullptr || !ViewKeySymbol(key.keysym.sym, key.repeat != 0, &symbol)) return;
    // The way a script's 'key' line goes: into the event buffer as the IR
    // receiver delivers it, then wait until the library has handled it.
    printf("briskui-sim: key %s from the window\n", ViewKeyName(key.keysym.sym));
    fflush(stdout);
    briskui_sim::PostKey(manager_, symbol);
    manager_->WaitIdle(kIdleMs);
    Refresh();
}

void LiveView::Refresh()
{
    if (manager_ == nullptr || (copied_ && manager_->FlipCount() == copiedFlips_)) return;
    int w = 0, h = 0;
    std::string error;
    BriskUiManager::Lock();
    copiedFlips_ = manager_->FlipCount();
    bool ok = manager_->GetSurface() != nullptr &&
              briskui_sim::CopySurfaceArgb(manager_->GetSurface(), &surface_, &w, &h, &error);
    BriskUiManager::Unlock();
    copied_ = true;
    if (ok) {
        Show(w, h);
    } else if (!warned_) {
        warned_ = true;
        fprintf(stderr, "briskui-sim: the window cannot show the library's surface: %s\n",
                error.empty() ? "the library has no window surface" : error.c_str());
    }
}

void LiveView::Show(int width, int height)
{
    if (texture_ == nullptr || width != width_ || height != height_) {
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (texture_ == nullptr) {
            fprintf(stderr, "briskui-sim: the window cannot show %dx%d pixels: %s\n", width, height, SDL_GetError());
            return;
        }
        width_ = width;
        height_ = height;
        SDL_RenderSetLogicalSize(renderer_, width, height);
        backdrop_ = briskui_sim::Backdrop(width, height);
    }
    frame_.resize(surface_.size());
    for (size_t i = 0; i < frame_.size(); ++i) frame_[i] = briskui_sim::CompositeOver(surface_[i], backdrop_[i]);
    SDL_UpdateTexture(texture_, nullptr, frame_.data(), width * 4);
    Present();
}

void LiveView::Present()
{
    if (texture_ == nullptr) return;
    // Exact pixels when the window shows the screen at its own size,
    // smooth ones when it is scaled.
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    SDL_SetTextureScaleMode(texture_, w == width_ && h == height_ ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

void LiveView::Close()
{
    closed_ = true;
    SDL_HideWindow(window_);
}

}   // namespace

int RunHostWithView(const HostOptions& options, const std::vector<Command>& commands,
                    const std::vector<std::string>& dfbArgv)
{
    std::string title = "briskui-sim";
    if (!options.scriptName.empty())
        title += ": " + options.scriptName.substr(options.scriptName.find_last_of('/') + 1);
    LiveView view;
    std::string error;
    if (!view.Open(title, &error)) {
        fprintf(stderr, "briskui-sim: --view: %s\n", error.c_str());
        return kExitRunFailure;
    }
    HostOptions withView = options;
    withView.view = &view;
    // SDL turns Ctrl-C and SIGTERM into a request to close the window, which
    // ends the host cleanly; DirectFB's own handlers would abort instead.
    // (There is no screen of DirectFB's to restore: it runs headless.)
    std::vector<std::string> dfb = dfbArgv;
    dfb.insert(dfb.begin() + 1, "--dfb:no-sighandler");
    return RunHost(withView, commands, dfb);
}
