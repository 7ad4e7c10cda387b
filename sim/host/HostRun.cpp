// Running host scripts: the start-up the television's host process does,
// the script's lines in order, the expectations, and the shut-down.
#include <directfb.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "HostScript.h"
#include "HostSpeech.h"
#include "HostSupport.h"
#include "PngWrite.h"
#include "SimTv.h"

namespace {

// Real time the host gives the library to handle a line, far beyond what a
// loaded machine takes: only a hang reaches it, and the script then stops
// with the line and the reason.
const U32 kIdleMs = briskui_sim::kStuckMs;

std::string Where(const HostOptions& options, const Command& c)
{
    return (options.scriptName.empty() ? std::string("script") : options.scriptName) + ":" + std::to_string(c.line);
}

// Lets `ms` pass on the real clock. The library's sleep takes 32-bit
// microseconds; longer waits go in steps that fit.
void SleepMilliseconds(U64 ms)
{
    const U64 kStepMs = 1000000;
    while (ms > 0) {
        U64 step = ms < kStepMs ? ms : kStepMs;
        BriskSleepUs((U32)step * 1000);
        ms -= step;
    }
}

// Under --fast-clock the library's deliberate pauses (the steps of the
// first-initialisation progress, the pause after the full bar) take no time:
// only 'wait' lines let time pass.
void NoPause(U32) {}

// A first initialisation runs its progress loop on the input thread before
// the thread takes any key. Without pauses the loop ends at once; the
// script's lines wait for that end, so that what they show never races the
// loop's own progress steps. False when the loop does not end in time.
bool WaitForProgressLoop(BriskUiManager* manager)
{
    for (U32 waited = 0; waited < kIdleMs; ++waited) {
        if (manager->InputPassCount() > 0) return manager->WaitIdle(kIdleMs) != 0;
        usleep(1000);
    }
    return false;
}

std::string RecordedCalls()
{
    std::vector<std::string> calls = sim::Calls();
    if (calls.empty()) return "nothing";
    std::string list;
    for (const std::string& call : calls) list += (list.empty() ? "" : " ") + call;
    return list;
}

// Creates `dir` and its missing parents.
bool MakeDirectories(const std::string& dir, std::string* error)
{
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        std::string part = dir.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            *error = "cannot create " + part + ": " + strerror(errno);
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

// Lines that change the simulated TV or the host and may come before or
// after Start. False when the script stops here.
bool RunStateLine(const HostOptions& options, const Command& c, HostState* host, int* status)
{
    switch (c.verb) {
    case Command::Set: {
        std::string error;
        if (!c.set->apply(c.setValue, c.line, host, &error)) {
            fprintf(stderr, "briskui-sim: %s: 'set %s': %s\n", Where(options, c).c_str(), c.set->name, error.c_str());
            *status = kExitRunFailure;
            return false;
        }
        return true;
    }
    case Command::Channel: {
        std::vector<sim::Channel>& list = host->channels[c.tuner];
        list.push_back(c.channel);
        if (c.tuner == 0)
            sim::SetAtvChannels(list);
        else
            sim::SetDtvChannels(list);
        return true;
    }
    case Command::KeyFile: {
        std::string error;
        if (options.keyFileRoot.empty()) {
            error = "key files are changed only on the scratch root the host makes for such a script";
        } else if (ChangeKeyFile(options.keyFileRoot, c.name, c.keyFileChange, c.value, &error)) {
            return true;
        }
        fprintf(stderr, "briskui-sim: %s: 'keyfile': %s\n", Where(options, c).c_str(), error.c_str());
        *status = kExitRunFailure;
        return false;
    }
    case Command::ClearCalls:
        sim::ClearCalls();
        return true;
    case Command::Calls: {
        std::vector<std::string> calls = sim::Calls();
        printf("briskui-sim: %s: %u call%s recorded\n", Where(options, c).c_str(), (unsigned)calls.size(),
               calls.size() == 1 ? "" : "s");
        for (const std::string& call : calls) printf("briskui-sim:   %s\n", call.c_str());
        return true;
    }
    case Command::Quit:
        return false;
    default:
        return true;
    }
}

// Writes `said` beside the shot `png`, one utterance a line.
bool WriteSpeechNotes(const std::string& png, const std::vector<std::string>& said, std::string* error)
{
    std::string path = png.substr(0, png.size() - 4) + ".txt";
    FILE* file = fopen(path.c_str(), "w");
    bool ok = file != NULL;
    for (size_t i = 0; ok && i < said.size(); ++i) ok = fprintf(file, "%s\n", said[i].c_str()) >= 0;
    if (file != NULL && fclose(file) != 0) ok = false;
    if (!ok) *error = "cannot write " + path + ": " + strerror(errno);
    return ok;
}

class ScriptRun {
public:
    ScriptRun(const HostOptions& options, BriskUiManager* manager, briskui_sim::SpeechRecorder* speech)
        : options_(options), manager_(manager), speech_(speech)
    {}

    // Runs one line that needs the library. False when the script stops.
    bool Run(const Command& c, int* status);
    // Prints the summary of the expectations and folds it into `status`.
    void Finish(int* status) const;

private:
    // Waits until the library has handled what line `c` gave it (with
    // `events`, the middleware's events and this thread's changes too) and
    // composed. False, with the
    // reason printed and `status` set, when it has not within kIdleMs.
    bool Idle(const Command& c, int* status, bool events = false)
    {
        bool delivered = true;
        if (events) {
            delivered = sim::WaitEventsDelivered(kIdleMs);
            manager_->WakeUp();   // a change made on this thread is composed at once
        }
        if (delivered && manager_->WaitIdle(kIdleMs)) return true;
        fprintf(stderr, "briskui-sim: %s: the %s did not handle the line within %u s of real time\n",
                Where(options_, c).c_str(), delivered ? "library" : "simulated middleware", (unsigned)(kIdleMs / 1000));
        *status = kExitRunFailure;
        return false;
    }
    bool Settle(const Command& c, int* status) { return Idle(c, status, true); }
    void Expect(bool held, const Command& c, const std::string& what);

    const HostOptions& options_;
    BriskUiManager* manager_;
    briskui_sim::SpeechRecorder* speech_;
    // The last call that printed a result, for expect-result.
    std::string lastCall_;
    std::string lastResult_;
    int expectations_ = 0;
    int failed_ = 0;
};

void ScriptRun::Expect(bool held, const Command& c, const std::string& what)
{
    ++expectations_;
    if (held) return;
    ++failed_;
    fprintf(stderr, "briskui-sim: %s: %s\n", Where(options_, c).c_str(), what.c_str());
}

bool ScriptRun::Run(const Command& c, int* status)
{
    switch (c.verb) {
    case Command::Key:
        briskui_sim::PostKey(manager_, c.value);
        return Idle(c, status);
    case Command::Wait:
        if (c.ms > kBriskClockLimitMs - BriskClockNowMs()) {
            fprintf(stderr,
                    "briskui-sim: %s: 'wait %llu' would pass the clock's limit of %llu ms: it stands at %llu ms\n",
                    Where(options_, c).c_str(), (unsigned long long)c.ms, (unsigned long long)kBriskClockLimitMs,
                    (unsigned long long)BriskClockNowMs());
            *status = kExitBadScript;
            return false;
        }
        if (options_.fastClock) {
            briskui_sim::Settle settled = briskui_sim::AdvanceClockAndSettle(manager_, c.ms);
            if (settled != briskui_sim::Settle::Done) {
                fprintf(stderr, "briskui-sim: %s: 'wait %llu': %s\n", Where(options_, c).c_str(),
                        (unsigned long long)c.ms, briskui_sim::SettleReason(settled).c_str());
                *status = kExitRunFailure;
                return false;
            }
        } else {
            // A live window keeps showing compositions while the time passes.
            bool open = true;
            if (options_.view != NULL)
                open = options_.view->Sleep(c.ms);
            else
                SleepMilliseconds(c.ms);
            return Idle(c, status) && open;
        }
        return true;
    case Command::Event: {
        const sim::Source sources[] = { sim::Source::Control, sim::Source::Atv, sim::Source::Dtv, sim::Source::Cimmi };
        sim::PostEvent(c.value, c.param, sources[c.source]);
        return Settle(c, status);
    }
    case Command::Call: {
        std::string result;
        if (c.call->invoke(manager_, c.callArgs, &result)) {
            printf("briskui-sim: %s = %s\n", c.call->name, result.c_str());
            lastCall_ = c.call->name;
            lastResult_ = result;
        }
        return Settle(c, status);
    }
    case Command::Shot: {
        if (!Idle(c, status)) return false;
        std::string path = c.name[0] == '/' ? c.name : options_.shotDir + "/" + c.name;
        std::string error;
        BriskUiManager::Lock();
        bool ok =
            manager_->GetSurface() != NULL && briskui_sim::WriteSurfacePng(manager_->GetSurface(), path, true, &error);
        BriskUiManager::Unlock();
        if (!ok) {
            fprintf(stderr, "briskui-sim: %s: cannot write %s: %s\n", Where(options_, c).c_str(), path.c_str(),
                    manager_->GetSurface() == NULL ? "the library has no window surface" : error.c_str());
            *status = kExitRunFailure;
            return false;
        }
        if (options_.speechNotes) {
            // What this state says, also what waits for the keys to pause.
            manager_->FlushSpeech();
            manager_->WaitIdle(kIdleMs);
            if (!WriteSpeechNotes(path, speech_->Take(), &error)) {
                fprintf(stderr, "briskui-sim: %s: %s\n", Where(options_, c).c_str(), error.c_str());
                *status = kExitRunFailure;
                return false;
            }
        }
        printf("briskui-sim: wrote %s\n", path.c_str());
        return true;
    }
    case Command::ExpectCall:
    case Command::ExpectNoCall: {
        if (!Settle(c, status)) return false;
        bool expected = c.verb == Command::ExpectCall;
        Expect(sim::Called(c.name) == expected, c,
               (expected ? "expect-call " : "expect-no-call ") + c.name +
                   " failed; recorded since the last clear-calls: " + RecordedCalls());
        return true;
    }
    case Command::ExpectCount: {
        if (!Settle(c, status)) return false;
        std::vector<std::string> calls = sim::Calls();
        size_t count = std::count_if(calls.begin(), calls.end(), [&](const std::string& call) {
            return call.compare(0, c.name.size(), c.name) == 0;
        });
        Expect(count == c.value, c,
               "expect-count " + std::to_string(c.value) + " " + c.name + " failed: " + std::to_string(count) +
                   " recorded since the last clear-calls: " + RecordedCalls());
        return true;
    }
    case Command::ExpectStatus: {
        if (!Settle(c, status)) return false;
        U32 now = manager_->GetCurrentStatus();
        char what[96];
        snprintf(what, sizeof what, "expect-status 0x%04lX failed: the status set is 0x%04lX", (unsigned long)c.value,
                 (unsigned long)now);
        Expect(now == c.value, c, what);
        return true;
    }
    case Command::ExpectResult:
        Expect(!lastCall_.empty() && lastResult_ == c.name, c,
               lastCall_.empty()
                   ? "expect-result \"" + c.name + "\" failed: no call printed a result before it"
                   : "expect-result \"" + c.name + "\" failed: " + lastCall_ + " = \"" + lastResult_ + "\"");
        return true;
    default:
        return true;
    }
}

void ScriptRun::Finish(int* status) const
{
    if (failed_ > 0) {
        fprintf(stderr, "briskui-sim: %d of %d expectation%s failed\n", failed_, expectations_,
                expectations_ == 1 ? "" : "s");
        if (*status == kExitOk) *status = kExitExpectation;
    } else if (expectations_ > 0) {
        printf("briskui-sim: all %d expectation%s held\n", expectations_, expectations_ == 1 ? "" : "s");
    }
}

// What the host process does before Start: the language the middleware
// reports, the settings, the country group and the versions. The command
// line wins over the script.
void PrepareLibrary(const HostOptions& options, const HostState& host, BriskUiManager* manager)
{
    if (options.languageSet) {
        if (host.languageLine != 0 && host.language != (U32)options.language)
            printf("briskui-sim: --language %d overrides 'set language %lu' (%s:%d)\n", options.language,
                   (unsigned long)host.language, options.scriptName.c_str(), host.languageLine);
        sim::SetOsdLanguage((U32)options.language);
    }
    manager->LoadCommonSetting();
    if (host.firstInitialization >= 0) BriskUiManager::bFirstInitialization = (U8)host.firstInitialization;
    if (host.audioGuidance >= 0) manager->SetAudioGuidance((U8)host.audioGuidance);
    if (options.audioGuidance) manager->SetAudioGuidance(1);
    int group = options.country != 0 ? options.country : host.countryGroup;
    if (options.country != 0 && host.countryGroup != 0 && options.country != host.countryGroup)
        printf("briskui-sim: --country %d overrides 'set country-group %d' (%s:%d)\n", options.country,
               host.countryGroup, options.scriptName.c_str(), host.countryGroupLine);
    if (group != 0) manager->SetCountry(group);
    if (!options.swVersion.empty()) manager->SetSwVersion(options.swVersion.c_str());
    if (!options.mstarVersion.empty()) manager->SetMStarVersion(options.mstarVersion.c_str());
}

bool HasExpectations(const std::vector<Command>& commands, size_t from)
{
    for (size_t i = from; i < commands.size(); ++i) {
        Command::Verb v = commands[i].verb;
        if (v == Command::ExpectCall || v == Command::ExpectNoCall || v == Command::ExpectCount ||
            v == Command::ExpectStatus || v == Command::ExpectResult)
            return true;
    }
    return false;
}

}   // namespace

size_t RunBeforeStart(const HostOptions& options, const std::vector<Command>& commands, HostState* host, bool* stop,
                      int* status)
{
    size_t i = 0;
    *stop = false;
    for (; i < commands.size() && !commands[i].NeedsLibrary(); ++i) {
        if (!RunStateLine(options, commands[i], host, status)) {
            *stop = true;
            return i + 1;
        }
    }
    return i;
}

int RunHost(const HostOptions& options, const std::vector<Command>& commands, std::vector<std::string> dfbArgv)
{
    std::string error;
    if (!options.shotDir.empty() && !MakeDirectories(options.shotDir, &error)) {
        fprintf(stderr, "briskui-sim: %s\n", error.c_str());
        return kExitRunFailure;
    }
    std::vector<char*> argvPtrs;
    for (size_t i = 0; i < dfbArgv.size(); ++i) argvPtrs.push_back(&dfbArgv[i][0]);
    argvPtrs.push_back(NULL);
    int dfbArgc = (int)dfbArgv.size();
    char** dfbArgvp = argvPtrs.data();
    DFBResult ret = DirectFBInit(&dfbArgc, &dfbArgvp);
    if (ret != DFB_OK) {
        DirectFBError("briskui-sim: DirectFBInit", ret);
        return kExitRunFailure;
    }
    IDirectFB* dfb = NULL;
    ret = DirectFBCreate(&dfb);
    if (ret != DFB_OK) {
        DirectFBError("briskui-sim: DirectFBCreate", ret);
        return kExitRunFailure;
    }
    IDirectFBDisplayLayer* layer = NULL;
    ret = dfb->GetDisplayLayer(dfb, DLID_PRIMARY, &layer);
    if (ret != DFB_OK) {
        DirectFBError("briskui-sim: GetDisplayLayer", ret);
        dfb->Release(dfb);
        return kExitRunFailure;
    }
    layer->SetCooperativeLevel(layer, DLSCL_ADMINISTRATIVE);
    sim::SetHostDirectFB(dfb, layer);

    // The lines before the first one that needs the library set up the
    // television the library starts on.
    HostState host;
    int status = kExitOk;
    bool stop = false;
    size_t next = RunBeforeStart(options, commands, &host, &stop, &status);

    BriskUiManager* manager = BriskUiManager::GetInstance();
    PrepareLibrary(options, host, manager);
    // The set's speech engine: every utterance is recorded as a call of the
    // simulated TV and printed (and spoken with --speak).
    HostSpeaker speaker(options.speak);
    std::string folder = manager->GetLayoutPath();
    folder = folder.substr(0, folder.size() - 1);
    speaker.SetLanguage(folder.substr(folder.rfind('/') + 1));
    briskui_sim::SpeechRecorder speech;
    speech.SetListener(&HostSpeaker::Listen, &speaker);
    speech.Install();
    if (!manager->QueryBriskUiEnabled()) {
        printf("briskui-sim: the settings file disables the library; not starting it\n");
        if (!stop && HasExpectations(commands, next)) {
            fprintf(stderr, "briskui-sim: the script's expectations cannot be checked without the library\n");
            status = kExitRunFailure;
        }
        sim::SetHostDirectFB(NULL, NULL);
        layer->Release(layer);
        dfb->Release(dfb);
        return status;
    }
    BriskSleepHook pause = options.fastClock ? BriskSetSleepHook(&NoPause) : NULL;
    // Under --fast-clock the clock stands still from 0 ms on: a script's
    // time is the sum of its waits, the same on every machine however
    // loaded.
    if (options.fastClock) BriskSetVirtualClock(0);
    manager->Start();
    host.started = true;
    bool inputThread = MSystem::GetInstance()->IsTvosIr() != 0;
    if (options.fastClock && inputThread && manager->IsFirstInitialization() && !WaitForProgressLoop(manager)) {
        fprintf(stderr, "briskui-sim: the first-initialisation progress did not end\n");
        status = kExitRunFailure;
        stop = true;
    }

    // A live window shows every composition from here on, and stays open
    // after the script until the viewer closes it.
    if (options.view != NULL) options.view->Attach(manager);
    ScriptRun run(options, manager, &speech);
    for (size_t i = next; i < commands.size() && !stop; ++i) {
        const Command& c = commands[i];
        stop = c.NeedsLibrary() ? !run.Run(c, &status) : !RunStateLine(options, c, &host, &status);
        if (options.view != NULL && !options.view->Pump()) stop = true;
    }
    if (options.view != NULL) {
        // The live window just runs: time-outs fall due in real time again,
        // from where the script left the clock.
        if (options.fastClock) BriskSetRealClock();
        options.view->Hold();
        options.view->Detach();
    }

    // Take the IR keys back: the input thread finalises the library.
    if (inputThread) {
        sim::SetTvosIr(false);
        if (!sim::WaitForCall("SetBriskUIStatus(1)", 10000)) {
            fprintf(stderr, "briskui-sim: the library did not finalise itself\n");
            status = kExitRunFailure;
        }
    } else {
        BriskTimerManager::GetInstance()->Finalize();
        manager->Finalize();
    }
    run.Finish(&status);
    if (options.fastClock) {
        BriskSetSleepHook(pause);
        BriskSetRealClock();
    }
    sim::StopEventThread();
    sim::SetHostDirectFB(NULL, NULL);
    layer->Release(layer);
    dfb->Release(dfb);
    return status;
}
