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
// Moves the library's clock `ms` forward, lets the timer thread make its
// pass and waits until the input thread has handled what that posted.
bool AdvanceClockAndSettle(BriskUiManager* manager, U32 ms);

}   // namespace briskui_sim

#endif   // BRISKUI_SIM_HOSTSUPPORT_H
