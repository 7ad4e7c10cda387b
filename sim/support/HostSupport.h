// What the desktop host and the tests both do to the library: deliver a
// remote-control key the way the IR receiver does, and move the library's
// clock forward until what falls due has been handled.
#ifndef BRISKUI_SIM_HOSTSUPPORT_H
#define BRISKUI_SIM_HOSTSUPPORT_H

#include <mutex>
#include <string>
#include <vector>

#include "BriskTypes.h"

class BriskUiManager;

namespace briskui_sim {

// The simulated set's text-to-speech engine: installed as the library's
// speech callback, it records each utterance as a call of the simulated TV
// (sim::RecordSpeech), keeps it for Take and shows it to a listener. Called
// on the library's speech thread; the rest on any thread.
class SpeechRecorder {
public:
    // Sees each utterance after it was recorded: the OSD's name (from its
    // status bit), the interrupt flag and the text.
    typedef void (*Listener)(const std::string& osd, bool interrupt, const std::string& text, void* context);

    SpeechRecorder() = default;
    // Removes itself as the library's callback, if it is.
    ~SpeechRecorder();
    // Becomes the library's speech callback (BriskUiManager::SetSpeechCallback).
    void Install();
    // Removes the library's speech callback.
    void Uninstall();
    void SetListener(Listener listener, void* context);
    // The texts of the utterances recorded since the last Take, in order.
    std::vector<std::string> Take();

private:
    SpeechRecorder(const SpeechRecorder&) = delete;
    SpeechRecorder& operator=(const SpeechRecorder&) = delete;
    static void Speak(const char* utf8, U32 osdStatus, BOOL interrupt, void* context);

    std::mutex mu_;
    std::vector<std::string> said_;
    Listener listener_ = nullptr;
    void* listenerContext_ = nullptr;
    bool installed_ = false;
};

// Posts a key press with `symbol` to the manager's event buffer.
void PostKey(BriskUiManager* manager, U32 symbol);

// Real time that settling gives one of the library's threads before it
// calls it stuck: far beyond what one step takes on a loaded machine or
// under a sanitizer, so that only a hang reaches it.
const U32 kStuckMs = 60000;

// Waits until the timer thread has handled the library's clock at
// `clockMs`: it has finished a pass that read the clock at `clockMs` or
// later (a pass under way when the clock moved read the old time and does
// not count), or no timer expires by then. False after kStuckMs.
bool WaitForTimerPass(U64 clockMs);

// How AdvanceClockAndSettle ended.
enum class Settle { Done, PastClockLimit, TimerThreadStuck, InputThreadStuck };
// What went wrong, as a sentence ("" for Done).
std::string SettleReason(Settle result);

// Lets `ms` of the library's clock pass as the timers see it: moves the
// clock to each timer expiry within the wait in turn (a periodic timer
// each period, timers armed meanwhile included), and at each one lets the
// timer thread make its pass and the input thread handle and compose what
// it posted before moving on; then to the end of the wait. A wait that
// would pass the clock's limit is refused, changing nothing. The host's
// thread or the test's only, with the clock virtual (on a real clock real
// time goes on meanwhile).
Settle AdvanceClockAndSettle(BriskUiManager* manager, U64 ms);

}   // namespace briskui_sim

#endif   // BRISKUI_SIM_HOSTSUPPORT_H
