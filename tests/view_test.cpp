// briskui-sim --view: the keyboard mapping, and the window end to end on a
// virtual X server of the test's own (Xvfb), read back from the server and
// typed into through the XTEST extension.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "HostScript.h"
#include "PngWrite.h"
#include "TestSupport.h"
#include "ViewKeys.h"

// Last: Xlib's macros (None, True, Status, ...) would clash with the names
// above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// Polls `done` every 20 ms for at most `ms` milliseconds (waiting on
// another process, whose pace the test does not set).
template <typename F>
bool Within(int ms, F done)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (; !done(); usleep(20000))
        if (std::chrono::steady_clock::now() > end) return false;
    return true;
}

// A child process; killed and reaped by the destructor if still running.
class Child {
public:
    // Runs `argv` with `env` added to the environment, standard output and
    // error into `log` (when not empty), `keepFd` left open in the child.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log,
               int keepFd = -1)
    {
        pid_t parent = getpid();
        pid_ = fork();
        if (pid_ != 0) return pid_ > 0;
        // Goes with the test process, however that ends.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        for (const std::string& e : env) putenv(strdup(e.c_str()));
        if (!log.empty()) {
            int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, 1);
            dup2(fd, 2);
        }
        for (int fd = 3; fd < 256; ++fd)
            if (fd != keepFd) close(fd);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    // The exit status once the process has ended within `ms`, else -1.
    int Wait(int ms)
    {
        int status = -1;
        bool ended = Within(ms, [&] { return waitpid(pid_, &status, WNOHANG) == pid_; });
        if (!ended) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    ~Child()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_ = -1;
};

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (system("command -v Xvfb >/dev/null") != 0)
            GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb; scripts/install-deps "
                            "installs it): the window is not tested";
        // The server picks a free display number and writes it to the pipe,
        // so that tests running in parallel never share one.
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        ASSERT_TRUE(xvfb_.Start(
            { "Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1600x900x24", "-nolisten", "tcp" }, {},
            root_.Path() + "/xvfb.log", fds[1]));
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start: " << root_.Read("/xvfb.log");
        display_ = ":" + number;
        // A window may go between listing and reading it (SDL's probe
        // windows): X errors are answers here, not reasons to exit.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        x_ = XOpenDisplay(display_.c_str());
        ASSERT_NE(x_, nullptr) << "cannot connect to Xvfb on " << display_;
        int event, error, major, minor;
        ASSERT_TRUE(XTestQueryExtension(x_, &event, &error, &major, &minor)) << "Xvfb lacks XTEST";
    }
    void TearDown() override
    {
        if (x_ != nullptr) XCloseDisplay(x_);
    }

    // Starts briskui-sim --view with `script` on the display; its window
    // once the script has run and the window stays open, else 0.
    Window StartView(const std::string& script, const std::string& root = BRISKUI_SAMPLE_ROOT)
    {
        root_.Write("/view.script", script);
        if (!sim_.Start({ BRISKUI_SIM, "--root", root, "--fast-clock", "--view", "--shots", root_.Path(),
                          root_.Path() + "/view.script" },
                        { "DISPLAY=" + display_, "SDL_VIDEODRIVER=x11" }, root_.Path() + "/sim.log"))
            return 0;
        Window window = FindWindow("briskui-sim: view.script");
        bool ran = Within(60000, [&] { return Log().find("the window stays open") != std::string::npos; });
        return ran ? window : 0;
    }
    std::string Log() const { return root_.Read("/sim.log"); }

    // The top-level window whose title is `title`.
    Window FindWindow(const std::string& title)
    {
        Window found = 0;
        Within(30000, [&] {
            Window root, parent, *children = nullptr;
            unsigned count = 0;
            XQueryTree(x_, DefaultRootWindow(x_), &root, &parent, &children, &count);
            for (unsigned i = 0; i < count && found == 0; ++i) {
                char* name = nullptr;
                if (XFetchName(x_, children[i], &name) && name != nullptr) {
                    if (title == name) found = children[i];
                    XFree(name);
                }
            }
            if (children != nullptr) XFree(children);
            return found != 0;
        });
        return found;
    }

    // What the server shows in the window, as 0xFFRRGGBB.
    std::vector<uint32_t> Grab(Window window, int width, int height)
    {
        std::vector<uint32_t> pixels;
        XImage* image = XGetImage(x_, window, 0, 0, width, height, AllPlanes, ZPixmap);
        if (image == nullptr) return pixels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) pixels.push_back(0xFF000000u | (uint32_t)XGetPixel(image, x, y));
        XDestroyImage(image);
        return pixels;
    }

    std::vector<uint32_t> Png(const std::string& name)
    {
        std::vector<uint32_t> pixels;
        int w = 0, h = 0;
        std::string error;
        EXPECT_TRUE(briskui_sim::ReadPngArgb(root_.Path() + "/" + name, &pixels, &w, &h, &error)) << error;
        return pixels;
    }

    // Whether the window shows `expected` within `ms`; on failure the last
    // picture is written to `name`-window.png for a look.
    bool Shows(Window window, const std::vector<uint32_t>& expected, const std::string& name, int ms = 10000)
    {
        std::vector<uint32_t> last;
        if (Within(ms, [&] { return (last = Grab(window, 1280, 720)) == expected; })) return true;
        if (last.size() == 1280u * 720u)
            briskui_sim::WriteArgbPng(root_.Path() + "/" + name + "-window.png", last.data(), 1280, 720, 1280 * 4,
                                      nullptr);
        return false;
    }

    // A key press and release on the PC keyboard, into the window.
    void Type(Window window, KeySym key)
    {
        XSetInputFocus(x_, window, RevertToParent, CurrentTime);
        KeyCode code = XKeysymToKeycode(x_, key);
        XTestFakeKeyEvent(x_, code, True, CurrentTime);
        XTestFakeKeyEvent(x_, code, False, CurrentTime);
        XSync(x_, False);
    }

    testsupport::TempRoot root_;   // a scratch folder here
    Child xvfb_;
    Child sim_;
    std::string display_;
    Display* x_ = nullptr;
};

}   // namespace

TEST(ViewKeys, EveryRemoteKeyHasAPcKeyAndOnlyVolumeAndChannelKeysRepeat)
{
    std::set<U32> reached;
    for (SDL_Keycode key : ViewKeycodes()) {
        U32 symbol = 0;
        ASSERT_TRUE(ViewKeySymbol(key, false, &symbol)) << SDL_GetKeyName(key);
        reached.insert(symbol);
        std::string name = ViewKeyName(key);
        bool held = name == "VOL+" || name == "VOL-" || name == "CH+" || name == "CH-";
        EXPECT_EQ(ViewKeySymbol(key, true, &symbol), held) << SDL_GetKeyName(key) << " for " << name;
    }
    for (const std::string& name : KeyNames()) {
        U32 symbol = 0;
        ASSERT_TRUE(KeySymbolOf(name, &symbol));
        EXPECT_EQ(reached.count(symbol), 1u) << "no PC key for the remote's " << name;
    }
    U32 symbol = 0;
    EXPECT_FALSE(ViewKeySymbol(SDLK_q, false, &symbol)) << "Q closes the window";
    EXPECT_FALSE(ViewKeySymbol(SDLK_F12, false, &symbol));
    EXPECT_TRUE(ViewKeySymbol(SDLK_KP_7, false, &symbol));
    EXPECT_EQ(symbol, (U32)'7');
}

TEST(ViewKeys, WithoutADisplayTheWindowIsAClearError)
{
    testsupport::TempRoot scratch;
    Child sim;
    ASSERT_TRUE(sim.Start({ BRISKUI_SIM, "--root", BRISKUI_SAMPLE_ROOT, "--view" },
                          { "DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=x11" }, scratch.Path() + "/sim.log"));
    EXPECT_EQ(sim.Wait(30000), 1);
    std::string log = scratch.Read("/sim.log");
    EXPECT_NE(log.find("--view needs an X11 or Wayland session"), std::string::npos) << log;
    EXPECT_EQ(log.find("BriskUI init"), std::string::npos) << "the library started without a window:\n" << log;
}

TEST_F(ViewTest, WindowShowsTheShotAndTheKeyboardDrivesTheLibrary)
{
    // EU: the mute panel stays after the bar's time-out, a picture that
    // holds still while the test reads the window.
    Window window = StartView("set country-group 2\nshot idle.png\nkey MUTE\nwait 3500\nshot muted.png\n");
    ASSERT_NE(window, 0u) << Log();

    // The window holds exactly the screenshot of the same moment.
    std::vector<uint32_t> idle = Png("idle.png"), muted = Png("muted.png");
    ASSERT_NE(idle, muted);
    EXPECT_TRUE(Shows(window, muted, "muted")) << "the window differs from muted.png; see muted-window.png";

    // M is the remote's MUTE, through the same event buffer as the
    // script's key: the sound comes back with the volume bar, which goes
    // at its time-out and leaves the picture of before the first MUTE.
    Type(window, XK_m);
    EXPECT_TRUE(Within(10000, [&] { return Log().find("key MUTE from the window") != std::string::npos; }));
    EXPECT_TRUE(Within(10000, [&] {
        std::vector<uint32_t> now = Grab(window, 1280, 720);
        return now != muted && now != idle;
    })) << "the volume bar did not show";
    EXPECT_TRUE(Shows(window, idle, "unmuted")) << "the bar did not go; see unmuted-window.png";

    // Q closes the window; the host then ends as after a script.
    Type(window, XK_q);
    EXPECT_EQ(sim_.Wait(30000), 0) << Log();
    // The library's own trace (flushed at exit) saw both MUTE keys alike.
    std::string line =
        "key_code:-1, key_id:" + std::to_string(DIKI_UNKNOWN) + ", key_symbol:" + std::to_string(DIKS_MUTE);
    EXPECT_EQ(Count(Log(), line), 2u) << Log();
    EXPECT_NE(Log().find("BriskUiManager Finalized finished"), std::string::npos) << Log();
}

TEST_F(ViewTest, EditsUnderTheRootShowWithoutARestartAndABadLayoutKeepsTheLastGoodOne)
{
    // The muted volume OSD stays on screen; the test edits a copy of the
    // sample root while the window shows it.
    const std::string root = root_.Path() + "/root";
    std::filesystem::copy(BRISKUI_SAMPLE_ROOT, root, std::filesystem::copy_options::recursive);
    Window window = StartView("set country-group 2\nkey MUTE\nwait 3500\nshot muted.png\n", root);
    ASSERT_NE(window, 0u) << Log();
    ASSERT_NE(Log().find("live reload: watching " + root + "/config/briskui"), std::string::npos) << Log();
    ASSERT_TRUE(Shows(window, Png("muted.png"), "muted"));
    const uint32_t magenta = 0xFFFF00FF;
    auto count = [&](uint32_t colour) {
        std::vector<uint32_t> now = Grab(window, 1280, 720);
        return (size_t)std::count(now.begin(), now.end(), colour);
    };
    ASSERT_EQ(count(magenta), 0u);

    // The mute text in magenta: the layout is read again, and the mute
    // panel, which the layout hides until the sound is muted, stays shown.
    const std::string layout = "/config/briskui/layout/EN/BriskUIVolumeLayout_EU.ini";
    const std::string sampleLayout = testsupport::ReadFile(BRISKUI_SAMPLE_ROOT + layout);
    std::string text = sampleLayout;
    const std::string colour = "u32FontColor = 0xFFF2F5F9";
    const size_t at = text.find(colour);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, colour.size(), "u32FontColor = 0xFFFF00FF");
    root_.Write("/root" + layout, text);   // in place, as an editor saves
    EXPECT_TRUE(Within(10000, [&] { return Log().find("reloaded " + root + layout) != std::string::npos; })) << Log();
    EXPECT_TRUE(Within(10000, [&] { return count(magenta) > 50; })) << "the mute text did not turn magenta";
    const std::vector<uint32_t> edited = Grab(window, 1280, 720);

    // A broken colour: the checker's line for it, and the magenta stays.
    std::string broken = text;
    broken.replace(at, colour.size(), "u32FontColor = green");
    const std::string line = std::to_string(std::count(text.begin(), text.begin() + at, '\n') + 1);
    root_.Write("/root" + layout, broken);
    EXPECT_TRUE(Within(10000, [&] { return Log().find("does not load") != std::string::npos; })) << Log();
    EXPECT_NE(Log().find(root + layout + ":" + line + ": error: u32FontColor = 'green' is not a number"),
              std::string::npos)
        << Log();
    EXPECT_TRUE(Grab(window, 1280, 720) == edited) << "a layout the checker refused reached the screen";

    // An SVG under the root renders to the PNG beside it, which the panel
    // shows at once: its body turns green.
    std::string svg = testsupport::ReadFile(std::string(BRISKUI_ART_SOURCES) + "/mute_panel.svg");
    for (const char* stop :
         { "stop-color=\"#262e3c\" stop-opacity=\"0.82\"", "stop-color=\"#0c1018\" stop-opacity=\"0.82\"" }) {
        const size_t s = svg.find(stop);
        ASSERT_NE(s, std::string::npos) << stop;
        svg.replace(s, strlen(stop), "stop-color=\"#00ff00\" stop-opacity=\"1\"");
    }
    root_.Write("/root/config/briskui/images/mute_panel.svg", svg);
    EXPECT_TRUE(Within(10000, [&] {
        return Log().find("reloaded " + root + "/config/briskui/images/mute_panel.png") != std::string::npos;
    })) << Log();
    EXPECT_TRUE(Within(10000, [&] {
        const uint32_t p = Grab(window, 1280, 720)[648 * 1280 + 640];
        return (p >> 8 & 0xFF) > 200 && (p >> 16 & 0xFF) < 60 && (p & 0xFF) < 60;
    })) << "the panel did not turn green";
    EXPECT_GT(count(magenta), 50u) << "the mute text lost its edited colour";

    Type(window, XK_q);
    EXPECT_EQ(sim_.Wait(30000), 0) << Log();
}
