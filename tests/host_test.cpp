// The desktop host end to end: scripts, screenshots and script errors.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <string>

#include "PngWrite.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

struct SimRun {
    int status;
    std::string output;
};

SimRun RunSim(const std::string& args)
{
    std::string command = std::string(BRISKUI_SIM) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    SimRun run{-1, ""};
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.output.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class HostTest : public ::testing::Test {
protected:
    std::string Script(const std::string& text)
    {
        root_.Write("/script.txt", text);
        return root_.Path() + "/script.txt";
    }
    TempRoot root_;   // used only as a scratch folder here
};

TEST_F(HostTest, ScriptDrivesTheVolumeOsdAndWritesScreenshots)
{
    std::string script = Script("# volume\nshot empty.png\nkey VOL+\nshot up.png\nkey MUTE\nshot half.png\n"
                                "wait 3500\nshot later.png\nquit\nkey VOL+\n");
    SimRun run = RunSim("--root " + std::string(BRISKUI_SAMPLE_ROOT) + " --country 1 --fast-clock --shots " +
                     root_.Path() + " " + script);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("BRISKUI - KEY VOL+"), std::string::npos);
    EXPECT_NE(run.output.find("[300]Current Volume set to 10"), std::string::npos);   // NA half mute of 21
    EXPECT_NE(run.output.find("BriskUiManager Finalized finished"), std::string::npos);

    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    std::string error;
    ASSERT_TRUE(briskui_sim::ReadPngArgb(root_.Path() + "/empty.png", &pixels, &w, &h, &error)) << error;
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 720);
    std::vector<uint32_t> up, later;
    ASSERT_TRUE(briskui_sim::ReadPngArgb(root_.Path() + "/up.png", &up, &w, &h, &error));
    ASSERT_TRUE(briskui_sim::ReadPngArgb(root_.Path() + "/later.png", &later, &w, &h, &error));
    EXPECT_NE(up, pixels);      // the bar shows over the backdrop
    EXPECT_NE(later, pixels);   // the half-mute panel stays after the time-out
    EXPECT_NE(later, up);
}

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
    run = RunSim("--country 3 " + Script("quit\n"));
    EXPECT_EQ(run.status, 2);
    run = RunSim(root_.Path() + "/missing.txt");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("cannot read script"), std::string::npos);
}

TEST_F(HostTest, ReadmeSampleScriptRuns)
{
    SimRun run = RunSim("--fast-clock --shots " + root_.Path() + " " + std::string(BRISKUI_SOURCE_DIR) +
                     "/sim/scripts/volume-demo.script");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("wrote " + root_.Path() + "/"), std::string::npos);
}

}  // namespace
