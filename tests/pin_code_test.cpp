// The PIN entry: opened and closed by middleware events on the simulated
// middleware's own thread, the channel and parental prompts, the box art
// swapped with the focus, verification (leading zeros, a wrong last digit,
// unlimited tries), the error message and its time-out, the typed digits
// dropped after each check, and the unlock by the set's tuner sources.
#include <gtest/gtest.h>

#include <string>

#include "BriskUiManager.h"
#include "ManagerLock.h"
#include "PinCodeHandler.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const EN_BRISKUI_OSD_STATUS PIN = E_BRISKUI_OSD_STATUS_PIN_CODE;

class PinTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
        surface_ = StartManager()->GetSurface();
        pin_ = BriskUiManager::pPinCodeHandler;
    }
    // Delivers a middleware event and waits until its result is composed.
    void Event(U32 param, sim::Source source = sim::Source::Dtv)
    {
        sim::PostEvent(76, param, source);
        ASSERT_TRUE(sim::WaitEventsDelivered(2000));
        ASSERT_TRUE(manager_->WaitIdle(5000));
    }
    // Opens a channel lock's entry with `stored` as the stored PIN and
    // forgets the calls made so far.
    void Open(U16 stored)
    {
        sim::SetPin(stored);
        Event(4);
        sim::ClearCalls();
    }
    void Type(const std::string& digits)
    {
        for (char c : digits) Key((U32)c);
    }
    bool Visible(const char* item)
    {
        BriskManagerLock lock;
        DrawItem* found = pin_->FindTextItem(item);
        if (found == nullptr) found = pin_->FindImageItem(item);
        return found->GetVisible() != 0;
    }
    // Which art box i shows: "nomal" or "focus" (the path's last nine
    // characters without ".png"), and whether its mask is up.
    std::string Art(int i)
    {
        BriskManagerLock lock;
        std::string path = pin_->FindImageItem(("password" + std::to_string(i + 1)).c_str())->GetImagePath();
        return path.substr(path.size() - 9, 5);
    }
    bool Masked(int i) { return Visible(("password" + std::to_string(i + 1) + "_message").c_str()); }
    U32 BoxPixel(int i) { return Pixel(surface_, kPinBoxes[i].left + 5, kPinBoxes[i].top + 5); }
    U32 ErrorPixel() { return Pixel(surface_, kPinErrorPanel.left + 5, kPinErrorPanel.top + 5); }
    // After a check, right or wrong: the typed digits are gone, no mask
    // shows and the focus art is back on the first box.
    void ExpectClearedAfterCheck()
    {
        EXPECT_FALSE(DigitsHeld());
        EXPECT_FALSE(Masked(0) || Masked(1) || Masked(2) || Masked(3));
        EXPECT_EQ(pin_->GetFocusIndex(), 0);
        EXPECT_EQ(Art(0) + Art(1) + Art(2) + Art(3), "focusnomalnomalnomal");
    }
    bool DigitsHeld()
    {
        BriskManagerLock lock;
        for (U8 i = 0; i < PinCodeHandler::E_PIN_DIGITS; ++i)
            if (pin_->GetTypedDigit(i) != 0) return true;
        return false;
    }

    IDirectFBSurface* surface_ = nullptr;
    PinCodeHandler* pin_ = nullptr;
};

TEST_F(PinTest, MiddlewareEventsOpenAndCloseTheEntryWithItsPrompts)
{
    Key(0xF04C);   // the volume bar, which the entry drops
    Event(4);
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)(E_BRISKUI_OSD_STATUS_BASE | PIN));
    EXPECT_TRUE(Visible("channel_pin_message1") && Visible("channel_pin_message2"));
    EXPECT_FALSE(Visible("parental_pin_message1") || Visible("parental_pin_message2") ||
                 Visible("parental_pin_message3"));
    EXPECT_EQ(Pixel(surface_, kPinPanel.left + 5, kPinPanel.top + 5), kPinPanelColour);
    EXPECT_EQ(OpaqueCount(surface_, kVolumePanel), 0);

    // A parental lock over a half-typed channel PIN: its prompts, box 0
    // again and no masks left.
    Type("12");
    Event(5, sim::Source::Atv);
    EXPECT_FALSE(Visible("channel_pin_message1") || Visible("channel_pin_message2"));
    EXPECT_TRUE(Visible("parental_pin_message1") && Visible("parental_pin_message2") &&
                Visible("parental_pin_message3"));
    EXPECT_EQ(pin_->GetFocusIndex(), 0);
    EXPECT_FALSE(Masked(0) || Masked(1));
    EXPECT_EQ(Art(0) + Art(1) + Art(2), "focusnomalnomal");

    // The lock gone: 76/8 closes the entry and erases it; again, nothing.
    Event(8, sim::Source::Control);
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)E_BRISKUI_OSD_STATUS_BASE);
    EXPECT_EQ(OpaqueCount(surface_, kPinPanel), 0);
    Event(8);
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)E_BRISKUI_OSD_STATUS_BASE);
    EXPECT_EQ(sim::LastCallbackResult(), 1);
}

TEST_F(PinTest, FocusArtMovesAndMasksFollowTheDigits)
{
    Event(4);
    EXPECT_EQ(Art(0) + Art(1) + Art(2) + Art(3), "focusnomalnomalnomal");
    EXPECT_EQ(BoxPixel(0), kBoxFocusColour);
    EXPECT_EQ(BoxPixel(1), kBoxNormalColour);

    Type("7");
    EXPECT_EQ(Art(0) + Art(1), "nomalfocus");
    EXPECT_TRUE(Masked(0));
    EXPECT_FALSE(Masked(1));
    EXPECT_EQ(BoxPixel(0), kBoxNormalColour);
    EXPECT_EQ(BoxPixel(1), kBoxFocusColour);
    // The white mask is drawn over the first box.
    _Rect box = kPinBoxes[0];
    int masked = 0;
    for (int y = box.top; y < box.top + box.height; ++y)
        for (int x = box.left; x < box.left + box.width; ++x) masked += Pixel(surface_, x, y) != kBoxNormalColour;
    EXPECT_GT(masked, 10);

    // A key other than a digit is logged and changes nothing.
    std::string out = CaptureStdout([&] {
        BriskManagerLock lock;
        EXPECT_FALSE(pin_->KeyHandler(0x41));
    });
    EXPECT_NE(out.find("PinCodeHandler::KeyHandler, Unknown key:65"), std::string::npos) << out;
    EXPECT_EQ(pin_->GetFocusIndex(), 1);
    EXPECT_EQ(pin_->GetTypedDigit(0), 7);
    EXPECT_EQ(Art(0) + Art(1), "nomalfocus");
}

TEST_F(PinTest, RightPinWithLeadingZeroUnlocksAndCloses)
{
    Open(472);
    Type("047");
    EXPECT_TRUE(DigitsHeld());
    Type("2");
    // The current programme (DTV 1) selected again, then the DTV unlock.
    EXPECT_EQ(sim::Calls(), (std::vector<std::string>{ "SelectProgram(1,1,1)", "UnlockChannel()" }));
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)E_BRISKUI_OSD_STATUS_BASE);
    EXPECT_EQ(OpaqueCount(surface_, kPinPanel), 0);
    ExpectClearedAfterCheck();
}

TEST_F(PinTest, WrongPinShowsTheErrorUntilTheNextDigitOrItsTimeOut)
{
    Open(1234);
    Type("1235");
    EXPECT_EQ(sim::Calls(), (std::vector<std::string>{ "SetPasswordVerified(0)" }));
    EXPECT_TRUE(manager_->QueryStatus(PIN));
    EXPECT_TRUE(Visible("errormessage_bg_image") && Visible("error_message"));
    EXPECT_EQ(ErrorPixel(), kPinErrorColour);
    ExpectClearedAfterCheck();
    EXPECT_EQ(BoxPixel(0), kBoxFocusColour);
    EXPECT_EQ(BoxPixel(3), kBoxNormalColour);

    // The next digit hides the error.
    Type("9");
    EXPECT_FALSE(Visible("errormessage_bg_image") || Visible("error_message"));
    EXPECT_EQ(ErrorPixel(), 0u);

    // Wrong again: the time-out takes the error away, the entry stays for
    // good, and the right PIN still opens the channel after any number of
    // tries.
    Type("999");
    EXPECT_EQ(ErrorPixel(), kPinErrorColour);
    Advance(3100);
    EXPECT_FALSE(Visible("error_message"));
    EXPECT_EQ(ErrorPixel(), 0u);
    EXPECT_EQ(BoxPixel(0), kBoxFocusColour);
    Advance(10000);
    EXPECT_TRUE(manager_->QueryStatus(PIN));
    for (int i = 0; i < 5; ++i) Type("0000");
    Type("1234");
    EXPECT_TRUE(sim::Called("UnlockChannel()"));
    EXPECT_FALSE(manager_->QueryStatus(PIN));
}

// UnlockChannel needs no display: it asks the middleware only.
struct UnlockCase {
    bool atv, dtv;
    MAPI_INPUT_SOURCE_TYPE current;
    std::vector<std::string> calls;
};

class PinUnlockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::Reset();
    }
    void TearDown() override { sim::StopEventThread(); }
    PinCodeHandler pin_;
};

TEST_F(PinUnlockTest, BySourceListAndCurrentSource)
{
    const UnlockCase cases[] = {
        { true, true, MAPI_INPUT_SOURCE_DTV, { "UnlockChannel()" } },
        { true, true, MAPI_INPUT_SOURCE_ATV, { "SetProgram(2,0)" } },
        { true, true, MAPI_INPUT_SOURCE_HDMI, {} },
        { false, true, MAPI_INPUT_SOURCE_ATV, { "UnlockChannel()" } },
        { true, false, MAPI_INPUT_SOURCE_DTV, { "SetProgram(2,0)" } },
    };
    for (const UnlockCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.atv) + std::to_string(c.dtv) + " source " + std::to_string(c.current));
        sim::SetSourcePresent(MAPI_INPUT_SOURCE_ATV, c.atv);
        sim::SetSourcePresent(MAPI_INPUT_SOURCE_DTV, c.dtv);
        sim::SetInputSource(MAPI_INPUT_SOURCE_ATV);
        ASSERT_TRUE(sim::SetCurrentChannelIndex(2));
        sim::SetInputSource(c.current);
        sim::ClearCalls();
        EXPECT_TRUE(pin_.UnlockChannel());
        EXPECT_EQ(sim::Calls(), c.calls);
    }

    // Neither tuner: the assertion line, no unlock, and the process goes on.
    sim::SetSourcePresent(MAPI_INPUT_SOURCE_ATV, false);
    sim::SetSourcePresent(MAPI_INPUT_SOURCE_DTV, false);
    sim::ClearCalls();
    bool result = true;
    std::string out = CaptureStdout([&] { result = pin_.UnlockChannel(); });
    EXPECT_FALSE(result);
    EXPECT_EQ(out, "ASSERT FAIL: PinCodeHandler bool PinCodeHandler::UnlockChannel() 300\n");
    EXPECT_TRUE(sim::Calls().empty());
}

TEST_F(PinUnlockTest, RightPinWithoutProgramInformationSelectsNothing)
{
    // A programme record that cannot be read is no programme to select:
    // the channel is unlocked, nothing else is tuned.
    sim::SetProgramInfoFails(true);
    sim::ClearCalls();
    CaptureStdout([&] {
        for (U32 key : { 0x31u, 0x32u, 0x33u, 0x34u }) pin_.KeyHandler(key);
    });
    EXPECT_EQ(sim::Calls(), (std::vector<std::string>{ "UnlockChannel()" }));
}

}  // namespace
