// The desktop host: scripts end to end (screenshots, expectations, calls,
// exit statuses) and, in-process, the script lines that set up the
// simulated TV.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

#include "BriskPlatform.h"
#include "HostScript.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

using SimRun = CommandRun;

SimRun RunSim(const std::string& args) { return RunCommand(ProgramCommand(BRISKUI_SIM) + " " + args + " 2>&1"); }

class HostTest : public ::testing::Test {
protected:
    std::string Script(const std::string& text)
    {
        root_.Write("/script.txt", text);
        return root_.Path() + "/script.txt";
    }
    TempRoot root_;   // used only as a scratch folder here
};

TEST_F(HostTest, BadLinesAreReportedWithTheirNumber)
{
    SimRun run = RunSim(Script("key VOL+\n\nkey NOPE\n"));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("script.txt:3: unknown key 'NOPE'"), std::string::npos) << run.output;
    run = RunSim(Script("wait soon\n"));
    EXPECT_NE(run.output.find("script.txt:1: 'wait' takes milliseconds"), std::string::npos) << run.output;
    run = RunSim(Script("fly away\n"));
    EXPECT_NE(run.output.find("script.txt:1: unknown verb 'fly'"), std::string::npos) << run.output;
    run = RunSim(Script("set colour 3\n"));
    EXPECT_NE(run.output.find("unknown state 'colour'"), std::string::npos) << run.output;
    run = RunSim(root_.Path() + "/missing.txt");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("cannot read script"), std::string::npos);
}

// Lines and options that used to run as something else, or as nothing, and
// exit 0 (or hang, for a FIFO): each is refused with its file, line and
// reason, status 2.
TEST_F(HostTest, NulBytesFoldersFifosAndMissingRootsAreRefusedBeforeAnythingRuns)
{
    const struct {
        std::string text;
        int line;
    } nulLines[] = { { std::string("key VOL+\0x\n", 11), 1 },
                     { std::string("quit\nset source hdmi1\0\n", 23), 2 },
                     { std::string("wait 1\0002\n", 9), 1 } };
    for (const auto& nul : nulLines) {
        SimRun run = RunSim(Script(nul.text));
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find("script.txt:" + std::to_string(nul.line) + ": the line holds a NUL byte"),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(run.output.find("BRISKUI - KEY"), std::string::npos);
    }

    SimRun run = RunSim(root_.Path());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("cannot read script " + root_.Path() + ": Is a directory"), std::string::npos)
        << run.output;
    const std::string fifoPath = root_.Path() + "/fifo.script";
    {
        Fifo fifo(fifoPath);   // nothing writes to it: opening it to read would hang
        run = RunSim(fifoPath);
        EXPECT_FALSE(fifo.ReaderBlocked());
    }
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("cannot read script " + fifoPath + ": not a regular file"), std::string::npos)
        << run.output;

    const std::string script = Script("key VOL+\n");
    run = RunSim("--root " + root_.Path() + "/nowhere " + script);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("--root " + root_.Path() + "/nowhere: No such file or directory"), std::string::npos)
        << run.output;
    run = RunSim("--root " + script + " " + script);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find(script + ": Not a directory"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("BRISKUI - KEY"), std::string::npos);
}

// A real-clock wait longer than 4295 s does not wrap: the whole time passes
// (through the library's sleep seam, so nothing really sleeps here).
TEST_F(HostTest, LongRealClockWaitsPassInFull)
{
    static std::atomic<unsigned long long> slept{ 0 };
    slept = 0;
    BriskSleepHook previous = BriskSetSleepHook([](U32 us) { slept += us; });
    setenv("BRISKUI_ROOT", BRISKUI_SAMPLE_ROOT, 1);
    std::vector<Command> commands;
    std::string error;
    ASSERT_TRUE(ParseScript("wait 4295000\n", "t", &commands, &error)) << error;
    HostOptions options;
    options.shotDir = root_.Path();
    EXPECT_EQ(RunHost(options, commands, { "host_test", "--dfb:system=dummy,no-vt,quiet,mode=1280x720" }), 0);
    EXPECT_EQ(slept.load(), 4295000000ULL);
    BriskSetSleepHook(previous);
}

// 1-based number of the line of `text` that starts with `start`; 0 if none.
int LineOf(const std::string& text, const std::string& start)
{
    std::istringstream in(text);
    std::string line;
    for (int n = 1; std::getline(in, line); ++n)
        if (line.compare(0, start.size(), start) == 0) return n;
    return 0;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

const std::string kVolumeCheck = std::string(BRISKUI_SOURCE_DIR) + "/sim/scripts/volume-check.script";

// Options that run a script on the sample root with its screenshots in `shots`.
std::string SampleRun(const std::string& shots)
{
    return "--root " + std::string(BRISKUI_SAMPLE_ROOT) + " --fast-clock --shots " + shots + " ";
}

// A wait takes 64-bit milliseconds. The fast clock starts at 0 and stops at
// its limit, which the 499th of these waits would pass: that one is refused
// at run time, one beyond 64 bits or the limit itself before
// anything runs. Each names its file and line, status 2.
TEST_F(HostTest, WaitsPastTheClocksLimitAreRefusedNamingTheirLine)
{
    const std::string limit = std::to_string(kBriskClockLimitMs);
    const struct {
        std::string wait;
        std::string reason;
    } refused[] = { { "18446744073709551616", "'wait 18446744073709551616': the milliseconds do not fit 64 bits" },
                    { "0x10000000000000000", "'wait 0x10000000000000000': the milliseconds do not fit 64 bits" },
                    { "18446744073709551615", "'wait 18446744073709551615' passes the clock's limit of " + limit },
                    { std::to_string(kBriskClockLimitMs + 1),
                      "'wait " + std::to_string(kBriskClockLimitMs + 1) + "' passes the clock's limit of " + limit } };
    for (const auto& r : refused) {
        SimRun run = RunSim("--fast-clock " + Script("key VOL+\nwait " + r.wait + "\n"));
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find("script.txt:2: " + r.reason), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("BRISKUI - KEY"), std::string::npos) << run.output;
    }

    std::string script = "key VOL+\n";
    for (int i = 0; i < 2148; ++i) script += "wait 4294967295\n";
    SimRun run = RunSim(SampleRun(root_.Path()) + Script(script));
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find("script.txt:500: 'wait 4294967295' would pass the clock's limit of " + limit +
                              " ms: it stands at " + std::to_string(498 * 4294967295ULL) + " ms"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("BriskUiManager Finalized finished"), std::string::npos) << run.output;
}

TEST_F(HostTest, VolumeCheckHoldsAndAWrongExpectationFailsNamingItsLineAfterTheWholeScript)
{
    SimRun run = RunSim(SampleRun(root_.Path() + "/ok") + kVolumeCheck);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("briskui-sim: all 14 expectations held"), std::string::npos) << run.output;

    const std::string original = ReadFile(kVolumeCheck);
    const int callLine = LineOf(original, "expect-call SetVolume(21,1)");
    ASSERT_GT(callLine, 0);
    run = RunSim(SampleRun(root_.Path() + "/call") +
                 Script(Replaced(original, "expect-call SetVolume(21,1)", "expect-call SetVolume(22,1)")));
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_NE(run.output.find("script.txt:" + std::to_string(callLine) +
                              ": expect-call SetVolume(22,1) failed; recorded since the last clear-calls: "
                              "SetVolume(21,1) SetAudioSetting(volume=21,balance=0)"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("1 of 14 expectations failed"), std::string::npos) << run.output;
    // The failure did not stop the script: its last screenshot was written.
    EXPECT_TRUE(std::filesystem::exists(root_.Path() + "/call/eu-bar-timed-out.png"));

    const int statusLine = LineOf(original, "expect-status 0x0003");
    run = RunSim(SampleRun(root_.Path() + "/status") +
                 Script(Replaced(original, "expect-status 0x0003", "expect-status 0x0005")));
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_NE(run.output.find("script.txt:" + std::to_string(statusLine) +
                              ": expect-status 0x0005 failed: the status set is 0x0003"),
              std::string::npos)
        << run.output;
}

TEST_F(HostTest, CallsPrintTheirResultsAndBadCallsAreRefusedBeforeRunning)
{
    SimRun run = RunSim(SampleRun(root_.Path()) +
                        Script("set country-group 1\ncall QueryCountry\ncall SetSwVersion V 1.2  beta\n"
                               "call GetSwVersion\ncall EnableStatus 0x4000 0\nexpect-status 0x4001\n"
                               "call DisableStatus 0x4000\nexpect-status 1\ncall GetVolumeStatus\n"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("briskui-sim: QueryCountry = 1\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("briskui-sim: GetSwVersion = V 1.2  beta\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("briskui-sim: GetVolumeStatus = 0\n"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("SetSwVersion ="), std::string::npos);   // no result, nothing printed

    // The command line wins over the script's country group, and says so.
    run = RunSim("--country 2 " + SampleRun(root_.Path()) + Script("set country-group 1\ncall QueryCountry\n"));
    EXPECT_NE(run.output.find("briskui-sim: QueryCountry = 2\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("--country 2 overrides 'set country-group 1'"), std::string::npos) << run.output;

    run = RunSim(SampleRun(root_.Path()) + Script("key VOL+\ncall ProcessFactoryCode 65536\n"));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("script.txt:2: 'call ProcessFactoryCode' takes 0..65535, not '65536'"), std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("BRISKUI - KEY VOL+"), std::string::npos);   // nothing ran
    run = RunSim(Script("call EnableStatus 0x14000 0\n"));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("'call EnableStatus' takes STATUS 0..65535, not '0x14000'"), std::string::npos)
        << run.output;
    run = RunSim(Script("call Reboot\n"));
    EXPECT_NE(run.output.find("unknown manager operation 'Reboot'"), std::string::npos) << run.output;
}

// A script that changes key files runs on a scratch copy: the root it was
// given, here the shared sample root, stays as it is.
TEST_F(HostTest, KeyFileLinesChangeAScratchCopyAndExpectResultChecksWhatTheLastCallPrinted)
{
    namespace fs = std::filesystem;
    const std::string keys = std::string(BRISKUI_SAMPLE_ROOT) + "/ciplus/";
    const std::string before = ReadFile(keys + "ci_plus.bin") + ReadFile(keys + "nfxkey_key.bin");
    ASSERT_TRUE(fs::exists(keys + "widevine_key.bin"));
    // What the changed files read as is factory-queries.script's concern.
    std::string script = Script(
        "keyfile remove widevine_key.bin\nkeyfile corrupt nfxkey_key.bin 3\nkeyfile empty ci_plus.bin\n"
        "call FactoryLoadKeyRawData\ncall FactoryGetWidevineDeviceID\nexpect-result \"BKWV5A3F00C41E27 NG\"\n"
        "call FactoryGetNetflixESN\nexpect-result BRKTV0016A2F8C31 NG\n");
    SimRun run = RunSim(SampleRun(root_.Path()) + script);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("all 2 expectations held"), std::string::npos) << run.output;
    EXPECT_TRUE(fs::exists(keys + "widevine_key.bin"));
    EXPECT_EQ(ReadFile(keys + "ci_plus.bin") + ReadFile(keys + "nfxkey_key.bin"), before);
    size_t at = run.output.find("briskui-sim: running on ");
    ASSERT_NE(at, std::string::npos) << run.output;
    std::string scratch = run.output.substr(at + 24, run.output.find(',', at) - at - 24);
    EXPECT_FALSE(fs::exists(scratch)) << scratch;   // removed at exit

    run = RunSim(SampleRun(root_.Path()) + Script("call FactoryGetPVR\nexpect-result OK 1234\nexpect-result NG\n"));
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.output.find("script.txt:2: expect-result \"OK 1234\" failed: FactoryGetPVR = \"OK 70714a8d\""),
              std::string::npos)
        << run.output;
    run = RunSim(SampleRun(root_.Path()) + Script("key VOL+\nexpect-result 1\n"));
    EXPECT_NE(run.output.find("no call printed a result before it"), std::string::npos) << run.output;

    run = RunSim(SampleRun(root_.Path()) + Script("keyfile remove ../Customer\n"));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("'keyfile' takes the name of a file in /ciplus/, not '../Customer'"), std::string::npos)
        << run.output;
    run = RunSim(SampleRun(root_.Path()) + Script("keyfile corrupt pvrkey.bin 32\nkey VOL+\n"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("script.txt:1: 'keyfile': /ciplus/pvrkey.bin has 32 bytes, no byte 32"),
              std::string::npos)
        << run.output;
}

// The sample key files come from a description: a bad line names itself, a
// sealed file passes the middleware's check, and files the description no
// longer names are removed.
TEST_F(HostTest, KeyFileGeneratorWritesTheDescribedSetOrNamesTheBadLine)
{
    namespace fs = std::filesystem;
    const std::string generator = "python3 " + std::string(BRISKUI_SOURCE_DIR) + "/scripts/make-keyfiles ";
    const std::string out = root_.Path() + "/keys";
    auto run = [&](const std::string& description) {
        root_.Write("/desc.txt", description);
        return RunCommand(generator + root_.Path() + "/desc.txt " + out + " 2>&1");
    };
    SimRun r = run("# keys\nfile a.bin 12\nat 10 hex 0102030405\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("desc.txt:3: 5 bytes at 10 run past the end of a.bin (12 bytes)"), std::string::npos)
        << r.output;
    EXPECT_FALSE(fs::exists(out + "/a.bin"));

    root_.Write("/keys/stale.bin", "old");
    r = run("file k.bin 48 sealed\nat 40 hex 8A3F91C2D5\nfile id.bin 100\nat 76 text WV 01\n");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(fs::exists(out + "/stale.bin"));
    EXPECT_EQ(ReadFile(out + "/id.bin").substr(76, 5), "WV 01");
    std::string key = out + "/k.bin";
    EXPECT_EQ(fs::file_size(key), 48u + 8u);
    EXPECT_EQ(MSrv_Control::GetMSrvPreSharedKey()->CheckHmac(key.c_str()), 1);
    std::vector<unsigned char> data(8192, 0);
    MSrv_Control::GetMSrvPreSharedKey()->CheckHmacAndReadData(key.c_str(), data.data());
    EXPECT_EQ(data[40], 0x8A);
    EXPECT_EQ(data[44], 0xD5);
    EXPECT_EQ(data[48], 0);   // the seal stays out of the content
}

// The layout folder and the country group are read while the library
// starts: only set-up lines before the first key reach them.
TEST_F(HostTest, SetUpLinesBeforeTheFirstKeyChooseTheLayoutsTheLibraryLoads)
{
    namespace fs = std::filesystem;
    const std::string sample = BRISKUI_SAMPLE_ROOT;
    fs::copy(sample + "/Customer", root_.Path() + "/Customer", fs::copy_options::recursive);
    fs::copy(sample + "/config/briskui/layout", root_.Path() + "/config/briskui/layout", fs::copy_options::recursive);
    fs::remove(root_.Path() + "/config/briskui/layout/GE/BriskUIVolumeLayout_NA.ini");
    const std::string missing = "no such file " + root_.Path() + "/config/briskui/layout/GE/BriskUIVolumeLayout_NA.ini";
    const std::string options = "--root " + root_.Path() + " --fast-clock --shots " + root_.Path() + "/shots ";

    SimRun run = RunSim(options + Script("set language 5\nset country-group 1\nkey VOL+\n"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find(missing), std::string::npos) << run.output;

    run = RunSim(options + Script("set country-group 1\nkey VOL+\nset language 5\n"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("LoadResource failed"), std::string::npos) << run.output;   // EN/ has all

    run = RunSim("--language 5 " + options + Script("set language 9\nset country-group 1\nkey VOL+\n"));
    EXPECT_NE(run.output.find(missing), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("--language 5 overrides 'set language 9'"), std::string::npos) << run.output;

    run = RunSim(options + Script("key VOL+\nset country-group 1\n"));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("script.txt:2: 'set country-group' is read while the library starts: it must come "
                              "before line 1 ('key')"),
              std::string::npos)
        << run.output;
}

// A first initialisation as the settings file would ask for it: under the
// fast clock its progress runs through at once and the script's lines wait
// for its end, so the bar the script sets is the one shown; the settings
// file is not touched.
TEST_F(HostTest, FirstInitializationRunsItsProgressBeforeTheScriptGoesOn)
{
    const std::string settings = std::string(BRISKUI_SAMPLE_ROOT) + "/Customer/briskui/layout/BriskUISetting.ini";
    const std::string original = ReadFile(settings);
    auto start = std::chrono::steady_clock::now();
    SimRun run = RunSim(SampleRun(root_.Path()) +
                        Script("set first-initialization 1\ncall IsFirstInitialization\nexpect-result 1\n"
                               "expect-status 0x0101\ncall SetFirstInitializationProgress 40\nshot bar.png\n"
                               "key VOL+\nexpect-status 0x0101\n"));
    ASSERT_EQ(run.status, 0) << run.output;
    // The loop's 50 steps take 34 s on a set.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_NE(run.output.find("BRISKUI - Ignore key"), std::string::npos) << run.output;
    EXPECT_EQ(ReadFile(settings), original);

    run = RunSim(SampleRun(root_.Path()) + Script("call IsFirstInitialization\nset first-initialization 1\n"));
    EXPECT_EQ(run.status, 2) << run.output;
}

// ---- set-up lines in-process, against the simulated TV ------------------------------

class HostStateTest : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    void TearDown() override { sim::Reset(); }

    // Parses `text` and runs its lines up to the first that needs the
    // library; returns how many ran.
    size_t RunSetUp(const std::string& text)
    {
        std::vector<Command> commands;
        std::string error;
        EXPECT_TRUE(ParseScript(text, "t", &commands, &error)) << error;
        bool stop = false;
        int status = 0;
        size_t ran = RunBeforeStart(HostOptions(), commands, &host_, &stop, &status);
        EXPECT_EQ(status, 0);
        return ran;
    }
    std::string ParseError(const std::string& text)
    {
        std::vector<Command> commands;
        std::string error;
        EXPECT_FALSE(ParseScript(text, "t", &commands, &error)) << text;
        return error;
    }

    HostState host_;
};

TEST_F(HostStateTest, StateBeforeTheFirstLibraryLineIsInPlaceAndLaterStateIsNot)
{
    EXPECT_EQ(RunSetUp("set antenna-mode 1\nset satellite-capable 0\nset satellite-mode 1\nkey VOL+\n"
                       "set antenna-mode 0\n"),
              3u);
    U8 mode = 0;
    MSrv_Control::GetMSrvSystemDatabase()->GetEnableAntennaMode(&mode);
    EXPECT_EQ(mode, 1);
    MSrv_Control::GetMSrvSystemDatabase()->GetEnableSatelliteMode(&mode);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(MSrv_Control::GetInstance()->GetTVInfo().u8Capability & E_TV_INFO_CAP_SATELLITE, 0);
}

TEST_F(HostStateTest, ChannelLinesReplaceTheSampleListAndReachTheProgramInfo)
{
    RunSetUp(
        "channel dtv 7 News   24\nchannel dtv 12 locked no-number Film Four\nset source dtv\nset channel 1\n"
        "channel atv 3 locked Regional\n");
    MSrv_ChannelManager* channels = MSrv_Control::GetMSrvChannelManager();
    ST_PROGRAM_INFO info{};
    ASSERT_TRUE(channels->GetProgramInfo(&info));
    EXPECT_EQ(info.u32Number, 12u);
    EXPECT_EQ(info.u8HideNumber, 1);
    EXPECT_STREQ(info.sServiceName, "Film Four");
    EXPECT_EQ(sim::CurrentChannelCount(), 2u);   // the five sample channels are gone
    RunSetUp("set channel 0\n");
    ASSERT_TRUE(channels->GetProgramInfo(&info));
    EXPECT_STREQ(info.sServiceName, "News   24");   // the name as written
    EXPECT_EQ(info.u8HideNumber, 0);

    RunSetUp("set source atv\n");
    ASSERT_TRUE(channels->GetProgramInfo(&info));
    EXPECT_EQ(info.u32Number, 3u);
    EXPECT_EQ(sim::CurrentChannelCount(), 1u);
    U8 locked = 0;
    MSrv_Control::GetMSrvAtvDatabase()->GetProgramCtrl(0, 0, 0, &locked);
    EXPECT_EQ(locked, 1);

    // A channel the list does not have stops the script as a run-time failure.
    std::vector<Command> commands;
    std::string error;
    ASSERT_TRUE(ParseScript("set channel 1\nset volume 50\n", "t", &commands, &error));
    bool stop = false;
    int status = 0;
    RunBeforeStart(HostOptions(), commands, &host_, &stop, &status);
    EXPECT_TRUE(stop);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(sim::AppliedVolume(), 20);

    // A digital channel may be numbered major-minor, an analogue one not.
    RunSetUp("channel dtv 12-5 KQED Plus\n");
    EXPECT_TRUE(channels->SelectProgramByMajorMinor(12, 5, FALSE));
    EXPECT_FALSE(channels->SelectProgramByMajorMinor(12, 4, FALSE));
    ASSERT_TRUE(ParseScript("channel atv 3-1 Regional\n", "t", &commands, &error) == false);
    EXPECT_NE(error.find("MAJOR-MINOR"), std::string::npos) << error;
}

// The set names whose effect no scenario script observes (the others, as
// the factory queries, the balance screen's calls and the menus show them,
// are checked there).
TEST_F(HostStateTest, SetNamesNoScenarioObservesReachTheMiddleware)
{
    RunSetUp(
        "set route-path 3 32\nset dvbs-tuner 0\nset mboot-version MB 2.0 beta\nset source-present hdmi4 0\n"
        "set program-info-fails 1\nset factory-mmode 1\n");
    MSrv_Control* control = MSrv_Control::GetInstance();
    EXPECT_EQ(control->GetTVInfo().au8RoutePath[3], 32);
    EXPECT_EQ(control->GetSourceList()[MAPI_INPUT_SOURCE_HDMI4].u32Present, 0u);
    EXPECT_FALSE(SystemInfo::GetInstance()->IsDVBSEnable());
    EXPECT_STREQ(SystemInfo::GetInstance()->GetMbootVersion(), "MB 2.0 beta");
    EXPECT_EQ(MSrv_Control::GetMSrvFactoryCmd()->GetFactoryMmodeStatus(), 1);
    ST_PROGRAM_INFO info{};
    EXPECT_FALSE(MSrv_Control::GetMSrvChannelManager()->GetProgramInfo(&info));
}

TEST_F(HostStateTest, KeyFilesAreChangedOnlyOnAScratchRoot)
{
    std::vector<Command> commands;
    std::string error;
    ASSERT_TRUE(ParseScript("keyfile remove pvrkey.bin\n", "t", &commands, &error)) << error;
    bool stop = false;
    int status = 0;
    RunBeforeStart(HostOptions(), commands, &host_, &stop, &status);
    EXPECT_TRUE(stop);
    EXPECT_EQ(status, 1);
}

TEST_F(HostStateTest, BadValuesAreRefusedWithTheirLineAndTheShapeTheNameTakes)
{
    EXPECT_EQ(ParseError("set volume 20\nset route-path 4 1\n"),
              "t:2: 'set route-path' takes ROUTE(0..3) TYPE(0..255), not '4'");
    EXPECT_EQ(ParseError("set mac wlan 00:11:22:33:44\n"),
              "t:1: 'set mac' takes ethernet|wlan XX:XX:XX:XX:XX:XX, not '00:11:22:33:44'");
    EXPECT_EQ(ParseError("set mac lan 00:11:22:33:44:55\n"),
              "t:1: 'set mac' takes ethernet|wlan XX:XX:XX:XX:XX:XX, not 'lan'");
    EXPECT_NE(ParseError("set temperature -32769 0\n").find("not '-32769'"), std::string::npos);
    EXPECT_NE(ParseError("set mux sometimes\n").find("takes FLAGS|unknown"), std::string::npos);
    EXPECT_NE(ParseError("set hmac ciplus/key.bin 1\n").find("takes FILE 0|1|seal, not 'ciplus/key.bin'"),
              std::string::npos);
    EXPECT_NE(ParseError("set source hdmi5\n").find("not 'hdmi5'"), std::string::npos);
    EXPECT_NE(ParseError("set source 4294967295\n").find("not '4294967295'"), std::string::npos);
    EXPECT_NE(ParseError("set pin 10000\n").find("takes 0..9999"), std::string::npos);
    EXPECT_NE(ParseError("set volume 20 30\n").find("takes 0..100"), std::string::npos);
    EXPECT_NE(ParseError("set country-group 3\n").find("takes 1|2"), std::string::npos);
    EXPECT_NE(ParseError("set edid 0 1\n").find("PORT(1..4)"), std::string::npos);
    EXPECT_NE(ParseError("channel cable 3 News\n").find("not 'cable'"), std::string::npos);
    EXPECT_NE(ParseError("channel dtv 3 locked\n").find("service name"), std::string::npos);
    EXPECT_NE(ParseError("expect-status 0x10000\n").find("in hex"), std::string::npos);
    EXPECT_NE(ParseError("expect-call SetVolume(21, 1)\n").find("without blanks"), std::string::npos);
    EXPECT_NE(ParseError("expect-count one Speak(\n").find("takes a count"), std::string::npos);
    EXPECT_NE(ParseError("expect-call Speak(VolumeHandler, 1,\"Volume 21\")\n").find("without blanks"),
              std::string::npos);
    EXPECT_NE(ParseError("expect-call Speak(VolumeHandler,1,\"Volume 21)\n").find("without blanks"), std::string::npos);
    std::vector<Command> quoted;
    std::string error;
    EXPECT_TRUE(ParseScript("expect-call Speak(VolumeHandler,1,\"Say \\\"Volume 21\\\"\")\n", "t", &quoted, &error))
        << error;
    // The simulated TV itself takes no input source outside 0..39, from a
    // script or from the library.
    EXPECT_FALSE(sim::SetInputSource(4294967295LL));
    EXPECT_FALSE(sim::SetInputSource(-1));
    volatile U32 wild = 0xFFFFFFFFu;   // passed on as it is, never loaded as the enum here
    EXPECT_FALSE(MSrv_Control::GetInstance()->SetInputSource(static_cast<MAPI_INPUT_SOURCE_TYPE>(wild), 1, 0, 0));
    EXPECT_EQ(sim::InputSource(), MAPI_INPUT_SOURCE_DTV);
    EXPECT_TRUE(sim::Called("SetInputSource(-1,1,0,0)"));
    // Numbers: decimal or 0x hex; a leading zero is not octal.
    EXPECT_EQ(RunSetUp("set volume 010\n"), 1u);
    EXPECT_EQ(sim::StoredVolume(), 10);
}

}   // namespace
