// What briskui-sim does with the library's utterances (audio guidance):
// prints each one and, when asked (--speak), speaks it through espeak-ng in
// the voice of the OSD language, one after the other, an interrupting one
// cutting short the one being spoken.
#ifndef BRISKUI_SIM_HOSTSPEECH_H
#define BRISKUI_SIM_HOSTSPEECH_H

#include <sys/types.h>

#include <mutex>
#include <string>

class HostSpeaker {
public:
    // `speak`: through espeak-ng too. Without espeak-ng on the PATH it says
    // so once and only prints.
    explicit HostSpeaker(bool speak);
    // Lets the last utterance finish.
    ~HostSpeaker();

    // The voice for the library's layout folder ("EN", "GE", ...): English
    // for a folder it does not know.
    void SetLanguage(const std::string& folder);
    // A briskui_sim::SpeechRecorder listener; `context` is the speaker.
    // The library's speech thread.
    static void Listen(const std::string& osd, bool interrupt, const std::string& text, void* context);

    // Whether espeak-ng is on the PATH.
    static bool EspeakInstalled();

private:
    HostSpeaker(const HostSpeaker&) = delete;
    HostSpeaker& operator=(const HostSpeaker&) = delete;
    // Waits for the espeak-ng started last, stopping it first if `cut`.
    void Reap(bool cut);
    void Speak(const std::string& text);

    std::mutex mu_;
    bool speak_;
    std::string voice_ = "en";
    pid_t child_ = -1;
};

#endif   // BRISKUI_SIM_HOSTSPEECH_H
