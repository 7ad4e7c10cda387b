// The PIN entry: opened and closed by middleware events on the simulated
// middleware's own thread, its prompts, the box art swapped with the focus,
// verification (leading zeros, a wrong last digit, unlimited tries), the
// error message, the digits dropped after each check, and the unlock by
// the set's tuner sources.
#include <gtest/gtest.h>

#include "BriskUiManager.h"
#include "ManagerLock.h"
#include "PinCodeHandler.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

typedef std::vector<std::string> Calls;

class PinTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
        surface_ = StartManager()->GetSurface();
        pin_ = BriskUiManager::pPinCodeHandler;
    }
    // A middleware event 76/param, delivered and composed.
    void Event(U32 param, sim::Source source = sim::Source::Dtv)
    {
        sim::PostEvent(76, param, source);
        ASSERT_TRUE(sim::WaitEventsDelivered(briskui_sim::kStuckMs));
        ASSERT_TRUE(manager_->WaitIdle(5000));
    }
    void Type(const std::string& digits)
    {
        for (char c : digits) Key((U32)c);
    }
    // The visibility of each item listed, as "1"s and "0"s.
    std::string Shown(std::initializer_list<const char*> items)
    {
        BriskManagerLock lock;
        std::string out;
        for (const char* name : items) {
            DrawItem* item = pin_->FindTextItem(name);
            out += (item != nullptr ? item : pin_->FindImageItem(name))->GetVisible() ? "1" : "0";
        }
        return out;
    }
    std::string Masks()
    {
        return Shown({ "password1_message", "password2_message", "password3_message", "password4_message" });
    }
    // The colour each box is drawn in: F for its focus art, n for the other.
    std::string Boxes()
    {
        std::string out;
        for (const _Rect& box : kPinBoxes)
            out += Pixel(surface_, box.left + 2, box.top + 2) == kBoxFocusColour ? "F" : "n";
        return out;
    }
    bool DigitsHeld()
    {
        return pin_->GetTypedDigit(0) + pin_->GetTypedDigit(1) + pin_->GetTypedDigit(2) + pin_->GetTypedDigit(3);
    }
    U32 ErrorPixel() { return Pixel(surface_, kPinErrorPanel.left + 5, kPinErrorPanel.top + 5); }

    IDirectFBSurface* surface_ = nullptr;
    PinCodeHandler* pin_ = nullptr;
};

TEST_F(PinTest, EventsOpenAndCloseTheEntryAndTheFocusFollowsTheDigits)
{
    const auto prompts = { "channel_pin_message1", "channel_pin_message2", "parental_pin_message1",
                           "parental_pin_message2", "parental_pin_message3" };
    Key(0xF04C);   // the volume bar, which the entry drops
    Event(4);
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)(E_BRISKUI_OSD_STATUS_BASE | E_BRISKUI_OSD_STATUS_PIN_CODE));
    EXPECT_EQ(Shown(prompts), "11000");
    EXPECT_EQ(Boxes(), "Fnnn");

    Type("73");
    EXPECT_EQ(Boxes(), "nnFn");
    EXPECT_EQ(Masks(), "1100");
    // A key other than a digit is logged and changes nothing.
    std::string out = CaptureStdout([&] {
        BriskManagerLock lock;
        EXPECT_FALSE(pin_->KeyHandler(0x41));
    });
    EXPECT_NE(out.find("PinCodeHandler::KeyHandler, Unknown key:65"), std::string::npos) << out;
    EXPECT_EQ(pin_->GetFocusIndex(), 2);

    // A parental lock over the half-typed PIN: its prompts, box 0 again.
    Event(5, sim::Source::Atv);
    EXPECT_EQ(Shown(prompts), "00111");
    EXPECT_EQ(Masks(), "0000");
    EXPECT_EQ(Boxes(), "Fnnn");

    // The lock gone: 76/8 closes and erases the entry; a second one does nothing.
    Event(8, sim::Source::Control);
    Event(8);
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)E_BRISKUI_OSD_STATUS_BASE);
    EXPECT_EQ(OpaqueCount(surface_, kPinPanel), 0);
}

TEST_F(PinTest, WrongLastDigitThenTheRightPinWithItsLeadingZero)
{
    sim::SetPin(472);
    Event(4);
    sim::ClearCalls();
    Type("0473");
    EXPECT_EQ(sim::Calls(), (Calls{ "SetPasswordVerified(0)" }));
    EXPECT_EQ(ErrorPixel(), kPinErrorColour);
    EXPECT_FALSE(DigitsHeld());
    EXPECT_EQ(Masks(), "0000");
    EXPECT_EQ(Boxes(), "Fnnn");
    Type("9");
    EXPECT_EQ(ErrorPixel(), 0u);

    // Wrong again: the time-out takes the error away, never the entry.
    Type("999");
    Advance(3100);
    EXPECT_EQ(ErrorPixel(), 0u);
    Advance(10000);
    EXPECT_TRUE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_PIN_CODE));

    // Two more tries, then the four digits read as one number, leading zero
    // included: the current programme (DTV 1) is selected again and unlocked.
    sim::ClearCalls();
    Type("00000000047");
    EXPECT_TRUE(DigitsHeld());
    Type("2");
    EXPECT_EQ(sim::Calls(),
              (Calls{ "SetPasswordVerified(0)", "SetPasswordVerified(0)", "SelectProgram(1,1,1)", "UnlockChannel()" }));
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)E_BRISKUI_OSD_STATUS_BASE);
    EXPECT_FALSE(DigitsHeld());
}

// UnlockChannel and the checks of a right PIN ask the middleware only: no display.
class PinUnlockTest : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    void TearDown() override { sim::StopEventThread(); }
    PinCodeHandler pin_;
};

TEST_F(PinUnlockTest, BySourceListAndCurrentSource)
{
    struct {
        bool atv, dtv;
        MAPI_INPUT_SOURCE_TYPE current;
        Calls calls;
    } const cases[] = {
        { true, true, MAPI_INPUT_SOURCE_DTV, { "UnlockChannel()" } },
        { true, true, MAPI_INPUT_SOURCE_ATV, { "SetProgram(2,0)" } },
        { true, true, MAPI_INPUT_SOURCE_HDMI, {} },
        { false, true, MAPI_INPUT_SOURCE_ATV, { "UnlockChannel()" } },
        { true, false, MAPI_INPUT_SOURCE_DTV, { "SetProgram(2,0)" } },
    };
    sim::SetInputSource(MAPI_INPUT_SOURCE_ATV);
    ASSERT_TRUE(sim::SetCurrentChannelIndex(2));
    for (const auto& c : cases) {
        sim::SetSourcePresent(MAPI_INPUT_SOURCE_ATV, c.atv);
        sim::SetSourcePresent(MAPI_INPUT_SOURCE_DTV, c.dtv);
        sim::SetInputSource(c.current);
        sim::ClearCalls();
        EXPECT_TRUE(pin_.UnlockChannel());
        EXPECT_EQ(sim::Calls(), c.calls) << c.atv << c.dtv << " source " << c.current;
    }

    // Neither tuner: the assertion line, no unlock, and the process goes on.
    sim::SetSourcePresent(MAPI_INPUT_SOURCE_ATV, false);
    sim::SetSourcePresent(MAPI_INPUT_SOURCE_DTV, false);
    sim::ClearCalls();
    std::string out = CaptureStdout([&] { EXPECT_FALSE(pin_.UnlockChannel()); });
    EXPECT_EQ(out, "ASSERT FAIL: PinCodeHandler bool PinCodeHandler::UnlockChannel() 300\n");
    EXPECT_TRUE(sim::Calls().empty());
}

TEST_F(PinUnlockTest, RightPinWithoutProgramInformationTunesNothing)
{
    sim::SetProgramInfoFails(true);
    CaptureStdout([&] {
        for (U32 key : { 0x31u, 0x32u, 0x33u, 0x34u }) pin_.KeyHandler(key);
    });
    EXPECT_EQ(sim::Calls(), (Calls{ "UnlockChannel()" }));
}

}   // namespace
