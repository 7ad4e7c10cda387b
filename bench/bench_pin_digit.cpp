// A PIN digit, key to flip: from a digit key-press event posted into the
// library's event buffer, while the PIN entry of a channel lock is open,
// until the Flip of the frame composed for it has returned. The digits
// never make the stored PIN, so every fourth key is a wrong PIN: the error
// panel shows, the masks go and the focus returns to the first box.
//
// Floor: a thread of the benchmark's own, woken by PostEvent on an event
// buffer of its own, draws only the pixels the same key changes, with
// the bare DirectFB calls (bench::RawOsd::DrawChanged): the boxes that
// change art, the masks and the error panel that show or hide, each
// cleared, what reaches into it blitted and drawn clipped, and flipped, on
// a window of its own, from pictures decoded once (bench::RunKeyToFlip). The library swaps each
// box's art by setting its image path, which drops the item's decoded
// image; the floor shows what that costs when the same files come back.
#include <string>

#include "BenchSupport.h"
#include "BriskUiManager.h"
#include "KeyToFlip.h"
#include "RawOsd.h"
#include "SimTv.h"

namespace {

const int kSamples = 2000;
// Two full rounds of the four boxes and more: every box has shown both
// arts before the first sample counts.
const int kWarmup = 50;
const unsigned kDigit = 0x35;   // '5': the sample set's PIN is 1234
const char kNormalArt[] = "/config/briskui/images/pin_box_nomal.png";
const char kFocusArt[] = "/config/briskui/images/pin_box_focus.png";

std::string Box(int i) { return "password" + std::to_string(i + 1); }

struct Env : bench::KeyToFlipEnv {
    void Set()
    {
        if (ready || failed) return;
        manager = bench::StartLibrary(true);
        // The channel lock, reported by the middleware on its own thread.
        sim::PostEvent(76, 4, sim::Source::Dtv);
        failed = !sim::WaitEventsDelivered(5000) || !manager->WaitIdle(5000) ||
                 !manager->QueryStatus(E_BRISKUI_OSD_STATUS_PIN_CODE) || manager->GetSurface() == nullptr ||
                 !window.Create(bench::Layer()) || !osd.Load(bench::LayoutDir() + "BriskUIPinCodeLayout.ini");
        if (failed) return;
        // Everything the frames use is decoded up front: every item, and
        // both arts of every box.
        for (const char* item :
             { "errormessage_bg_image", "error_message", "channel_pin_message1", "channel_pin_message2",
               "password1_message", "password2_message", "password3_message", "password4_message" })
            osd.SetItemVisible(item, true);
        failed = !osd.Decode(bench::Dfb());
        for (int i = 0; i < 4 && !failed; ++i)
            failed = !osd.SetItemImage(bench::Dfb(), Box(i), kFocusArt) ||
                     !osd.SetItemImage(bench::Dfb(), Box(i), kNormalArt);
        ready = !failed;
    }
};

Env g_env;

unsigned KeyOf(int) { return kDigit; }

// The frame of the n-th digit since the entry opened on box 0: after the
// digits of boxes 0..k (k < 3) their masks show and box k + 1 has the
// focus; the fourth digit is a wrong PIN.
void FloorFrame(int n)
{
    int k = n % 4;
    bool wrong = k == 3;
    for (int i = 0; i < 4; ++i) {
        g_env.osd.SetItemVisible(Box(i) + "_message", !wrong && i <= k);
        bool focus = wrong ? i == 0 : i == k + 1;
        g_env.osd.SetItemImage(bench::Dfb(), Box(i), focus ? kFocusArt : kNormalArt);
    }
    g_env.osd.SetItemVisible("errormessage_bg_image", wrong);
    g_env.osd.SetItemVisible("error_message", wrong);
    bench::RawChangedFrame(g_env.osd, g_env.window);
}

void BM_PinDigitToFlip(benchmark::State& state)
{
    g_env.Set();
    bench::RunKeyToFlip(state, g_env.failed ? nullptr : g_env.manager, kWarmup, &KeyOf, &FloorFrame);
}

}   // namespace

int main(int argc, char** argv)
{
    return bench::KeyToFlipMain(argc, argv, "BM_PinDigitToFlip", &BM_PinDigitToFlip, kSamples, g_env);
}
