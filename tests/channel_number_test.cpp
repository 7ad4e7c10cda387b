// The channel-number entry through real keys: the EU grammar and its digit
// limit, the NA major-dash-minor grammar and its room, the commits on
// enter and on the time-out, and the entry's reset whoever hides it.
#include <gtest/gtest.h>

#include "BriskUiManager.h"
#include "ChannelNumberHandler.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const U32 OK = 0x0D, DASH = 0xF073, EXIT = 0xF062;

class ChannelNumberTest : public OsdTest {
protected:
    // Presses the keys of `keys`: digits, '-' for the dash, 'K' for OK.
    void Type(const char* keys)
    {
        for (const char* k = keys; *k != '\0'; ++k) Key(*k == '-' ? DASH : *k == 'K' ? OK : (U32)*k);
    }
    std::string Shown()
    {
        BriskManagerLock lock;
        return BriskUiManager::pChannelNumberHandler->FindTextItem("channel_number")->GetText();
    }
    bool Open() { return manager_->QueryStatus(E_BRISKUI_OSD_STATUS_CHANNEL_NUMBER) != 0; }
};

TEST_F(ChannelNumberTest, EuropeanEntryTunesOnEnter)
{
    Start(2);
    Type("12345");
    EXPECT_EQ(Shown(), "1234");   // the fifth digit is dropped
    EXPECT_TRUE(Open());
    EXPECT_GT(OpaqueCount(surface_, kNumberPanel), 0);
    std::string out = CaptureStdout([&] { Key(OK); });
    EXPECT_TRUE(sim::Called("SelectProgram(1234,1)"));
    EXPECT_NE(out.find("[ChangeChannel_EU][395] channel number: 1234 \n"), std::string::npos) << out;
    EXPECT_FALSE(Open());
    EXPECT_EQ(OpaqueCount(surface_, kNumberPanel), 0);

    // Analogue TV programs count from 0.
    sim::SetInputSource(MAPI_INPUT_SOURCE_ATV);
    out = CaptureStdout([&] { Type("12345K"); });
    EXPECT_TRUE(sim::Called("SelectProgram(1233,0)"));
    EXPECT_NE(out.find("[ChangeChannel_EU][377] 1 \n"), std::string::npos) << out;
}

TEST_F(ChannelNumberTest, EuropeanLeadingZeroEmptyEnterAndClose)
{
    Start(2);
    Type("0");
    EXPECT_EQ(Shown(), "0");
    Type("7");
    EXPECT_EQ(Shown(), "7");
    Key(EXIT);
    EXPECT_FALSE(Open());
    Type("0");   // shown, nothing to tune
    sim::ClearCalls();
    std::string out = CaptureStdout([&] { Key(OK); });
    EXPECT_NE(out.find("[ChangeChannel_EU][395]  \n"), std::string::npos) << out;
    EXPECT_TRUE(sim::Calls().empty());
    EXPECT_FALSE(Open());

    // A non-digit below the limit is logged and restarts nothing.
    out = CaptureStdout([&] { Key(DASH); });
    EXPECT_NE(out.find("ChannelNumberHandler::KeyHandler, UNKNOWN number key:61555\n"), std::string::npos);
    EXPECT_FALSE(Open());
}

TEST_F(ChannelNumberTest, DigitLimitFromTheLayoutAtMostNine)
{
    WriteLayout("BriskUIChannelNumberLayout_EU.ini", NumberLayout("u8MaxDigitNumber = 1\n"));
    Start(2);
    Type("56");
    EXPECT_EQ(Shown(), "5");
    StopManager();

    // Twelve would let the number wrap past 32 bits and tune a wrong channel.
    WriteLayout("BriskUIChannelNumberLayout_EU.ini", NumberLayout("u8MaxDigitNumber = 12\n"));
    std::string out = CaptureStdout([&] { Start(2); });
    EXPECT_NE(out.find("u8MaxDigitNumber 12 counts as 9\n"), std::string::npos) << out;
    EXPECT_EQ(BriskUiManager::pChannelNumberHandler->GetMaxDigitNumber(), 9);
    Type("12345678901");
    EXPECT_EQ(Shown(), "123456789");
    Key(OK);
    EXPECT_TRUE(sim::Called("SelectProgram(123456789,1)"));
}

TEST_F(ChannelNumberTest, NorthAmericanGrammar)
{
    Start(1);
    struct Case {
        const char* keys;
        const char* shown;
    };
    const Case cases[] = {
        { "12-5", "12-5" }, { "1234-5678", "1234-567" }, { "123-4567", "123-4567" },
        { "12--", "12-" },  { "12-0", "12-0" },          { "12345", "1234" },
        { "0", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Type(c.keys);
        EXPECT_EQ(Shown(), c.shown);
        EXPECT_TRUE(Open());
        Key(EXIT);
        EXPECT_FALSE(Open());
    }
    // A dash first neither shows the entry nor starts a major number.
    Type("-");
    EXPECT_FALSE(Open());
    Type("5");
    EXPECT_EQ(Shown(), "5");
}

TEST_F(ChannelNumberTest, NorthAmericanCommitTunesMajorAndMinor)
{
    sim::Channel channels[4];
    const U32 numbers[][2] = { { 12, 1 }, { 12, 5 }, { 44, 1 }, { 7, 1 } };
    for (int i = 0; i < 4; ++i) {
        channels[i].number = numbers[i][0];
        channels[i].minor = numbers[i][1];
        channels[i].hasMinor = true;
        channels[i].name = "Program " + std::to_string(i);
    }
    sim::SetDtvChannels({ channels[0], channels[1], channels[2], channels[3] });
    Start(1);
    std::string out = CaptureStdout([&] { Type("12-5K"); });
    EXPECT_TRUE(sim::Called("SelectProgramByMajorMinor(12,5,0)"));
    EXPECT_NE(out.find("[ChangeChannel_NA] channel number: 12-5 \n"), std::string::npos) << out;
    EXPECT_EQ(sim::CurrentChannelIndex(), 1u);
    EXPECT_FALSE(Open());

    Type("44");   // the major alone, by the time-out
    Advance(3100);
    EXPECT_TRUE(sim::Called("SelectProgramByMajorMinor(44,0,1)"));
    EXPECT_EQ(sim::CurrentChannelIndex(), 2u);
    Type("12-K");   // a dash without a minor: the first of the major
    EXPECT_EQ(sim::CurrentChannelIndex(), 0u);

    out = CaptureStdout([&] { Type("99-9K"); });
    EXPECT_NE(out.find("[ChangeChannel_NA] no program 99-9, nothing tuned\n"), std::string::npos) << out;
    EXPECT_EQ(sim::CurrentChannelIndex(), 0u);
    EXPECT_FALSE(Open());

    // The host's direct tune.
    ChannelNumberHandler* entry = BriskUiManager::pChannelNumberHandler;
    EXPECT_EQ(entry->selectProgramByMajorMinorNumber(7, 1, E_VRL_BRISKUI_DIRECT_TUNE_MAJOR_MINOR), 1);
    EXPECT_EQ(sim::CurrentChannelIndex(), 3u);
    EXPECT_EQ(entry->selectProgramByMajorMinorNumber(8, 0, E_VRL_BRISKUI_DIRECT_TUNE_MAJOR_ONLY), 0);
}

TEST_F(ChannelNumberTest, EntryHiddenByAnotherOsdForgetsItsDigits)
{
    Start(1);
    Type("12-");
    Key(0xF04C);   // VOL+: the volume OSD's mask 0 hides the entry
    EXPECT_FALSE(Open());
    Type("3");
    EXPECT_EQ(Shown(), "3");
    EXPECT_EQ(BriskUiManager::pChannelNumberHandler->GetMajorNumber(), 3u);
}

}   // namespace
