#include "HostSpeech.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// espeak-ng's voice for each layout folder of the library's language table
// that has one.
struct FolderVoice {
    const char* folder;
    const char* voice;
};
const FolderVoice kVoices[] = {
    { "EN", "en" }, { "UK", "en-gb" }, { "GE", "de" }, { "FR", "fr" }, { "IT", "it" }, { "SP", "es" }, { "NE", "nl" },
    { "CZ", "cs" }, { "DA", "da" },    { "FI", "fi" }, { "SW", "sv" }, { "NO", "nb" }, { "HU", "hu" }, { "GR", "el" },
    { "RU", "ru" }, { "RO", "ro" },    { "TU", "tr" }, { "BU", "bg" }, { "CR", "hr" }, { "SL", "sl" },
};

}   // namespace

HostSpeaker::HostSpeaker(bool speak) : speak_(speak)
{
    if (speak_ && !EspeakInstalled()) {
        printf(
            "briskui-sim: --speak: espeak-ng is not installed (scripts/install-deps speech installs it); the "
            "utterances are printed only\n");
        speak_ = false;
    }
}

HostSpeaker::~HostSpeaker()
{
    std::lock_guard<std::mutex> lock(mu_);
    Reap(false);
}

bool HostSpeaker::EspeakInstalled()
{
    const char* path = getenv("PATH");
    std::string dirs = path != NULL ? path : "/usr/bin:/bin";
    for (size_t from = 0; from <= dirs.size();) {
        size_t colon = dirs.find(':', from);
        if (colon == std::string::npos) colon = dirs.size();
        std::string dir = dirs.substr(from, colon - from);
        if (!dir.empty() && access((dir + "/espeak-ng").c_str(), X_OK) == 0) return true;
        from = colon + 1;
    }
    return false;
}

void HostSpeaker::SetLanguage(const std::string& folder)
{
    std::lock_guard<std::mutex> lock(mu_);
    voice_ = "en";
    for (const FolderVoice& v : kVoices)
        if (folder == v.folder) voice_ = v.voice;
}

void HostSpeaker::Listen(const std::string& osd, bool interrupt, const std::string& text, void* context)
{
    HostSpeaker* self = static_cast<HostSpeaker*>(context);
    printf("briskui-sim: %s says \"%s\"\n", osd.c_str(), text.c_str());
    fflush(stdout);
    std::lock_guard<std::mutex> lock(self->mu_);
    if (!self->speak_) return;
    // An utterance that does not interrupt waits for the one being spoken.
    self->Reap(interrupt);
    self->Speak(text);
}

void HostSpeaker::Reap(bool cut)
{
    if (child_ <= 0) return;
    if (cut) kill(child_, SIGTERM);
    while (waitpid(child_, NULL, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
}

// espeak-ng reads the text from a pipe, so that no text is taken for an
// option of its own.
void HostSpeaker::Speak(const std::string& text)
{
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::string voice = voice_;
    char* argv[] = { (char*)"espeak-ng", (char*)"-v", &voice[0], NULL };
    pid_t pid = -1;
    int ret = posix_spawnp(&pid, "espeak-ng", &actions, NULL, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (ret != 0) {
        printf("briskui-sim: --speak: cannot start espeak-ng: %s\n", strerror(ret));
        speak_ = false;
        close(fds[1]);
        return;
    }
    child_ = pid;
    std::string line = text + "\n";
    // A pipe takes a short line at once; a broken one (espeak-ng gone) loses it.
    signal(SIGPIPE, SIG_IGN);
    ssize_t written = write(fds[1], line.data(), line.size());
    (void)written;
    close(fds[1]);
}
