// A sixteenth OSD, added as a table row and its class and nothing else:
// a sleep-timer panel at status bit 0x10000, opened by a key no OSD took
// before, taking the cursor keys over the menus while shown, drawn between
// the wait message and the PIN entry, closed by the exit keys, and kept or
// dropped by the masks of the OSDs of old as its row says.
#include <gtest/gtest.h>

#include <vector>

#include "BriskKeys.h"
#include "BriskUiHandlerTable.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "InputSourceMenuHandler.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const EN_BRISKUI_OSD_STATUS kSleepStatus = (EN_BRISKUI_OSD_STATUS)0x10000;
const U32 kSleepKey = 0xF06B;   // a vendor key the library did not route
const U32 kSleepColour = 0xFF40A060;
const _Rect kSleepPanel(350, 250, 200, 250);   // over the wait message's panel and under the PIN entry's

// The new OSD's class: it records its keys, shows itself on the sleep key
// and hides itself at its time-out.
class SleepTimerHandler final : public EventHandler {
public:
    static const ST_LAYOUT_NEEDS kLayout;
    static SleepTimerHandler* pInstance;

    BOOL KeyHandler(U32 key) override
    {
        vKeys.push_back(key);
        if (key == kSleepKey) ShowOsd();
        return TRUE;
    }
    void TimerHandler(U32) override { HideOsd(); }

    std::vector<U32> vKeys;   // under the manager lock
};
SleepTimerHandler* SleepTimerHandler::pInstance = nullptr;
const ST_LAYOUT_ITEM kSleepItems[] = { BriskImageItem("panel") };
const ST_LAYOUT_NEEDS SleepTimerHandler::kLayout = BriskLayoutNeeds(kSleepItems, TRUE);

// Its row: the whole of what the library learns about it.
const ST_BRISKUI_KEY_CLAIM kSleepKeys[] = {
    BriskKey(kSleepKey),
    BriskKeys(BRISKKEY_CURSOR_UP, BRISKKEY_CURSOR_DOWN, E_BRISKUI_KEY_WHILE_SHOWN, 0),
};
const ST_BRISKUI_HANDLER_ROW kSleepRow =
    BriskHandlerRow<SleepTimerHandler, &SleepTimerHandler::pInstance>(kSleepStatus, "SleepTimerHandler")
        .Layout("BriskUISleepTimerLayout.ini")
        .Layer(95)
        .Keys(kSleepKeys)
        .ClosedByExit();

class ExtraOsdTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
    }
    void TearDown() override
    {
        ManagerTest::TearDown();
        BriskSetHandlerTable(nullptr, 0);
    }
    // Starts the library with this build's rows and the sleep timer's
    // (`row`), whose layout has the `settings` lines.
    void Start(const ST_BRISKUI_HANDLER_ROW& row, const std::string& settings)
    {
        WriteSolidPng(root_.Path() + "/test/images/sleep.png", 8, 8, kSleepColour);
        WriteLayout("BriskUISleepTimerLayout.ini",
                    LayoutImage("panel", kSleepPanel, "sleep.png") + "[setting]\nu16TimeOut = 5000\n" + settings);
        size_t count = 0;
        const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
        rows_.assign(rows, rows + count);
        rows_.push_back(row);
        BriskSetHandlerTable(rows_.data(), rows_.size());
        StartManager();
        sleep_ = SleepTimerHandler::pInstance;
        ASSERT_NE(sleep_, nullptr);
    }
    std::vector<U32> SleepKeys()
    {
        BriskManagerLock lock;
        std::vector<U32> keys;
        keys.swap(sleep_->vKeys);
        return keys;
    }
    U32 At(int x, int y) { return Pixel(manager_->GetSurface(), x, y); }

    std::vector<ST_BRISKUI_HANDLER_ROW> rows_;
    SleepTimerHandler* sleep_ = nullptr;
};

TEST_F(ExtraOsdTest, KeysLayersExitAndTimeOut)
{
    Start(kSleepRow, "u16StateMask = 0xFFFF\n");

    // Its key opens it, through the input thread.
    Key(kSleepKey);
    EXPECT_EQ(SleepKeys(), std::vector<U32>{ kSleepKey });
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)E_BRISKUI_OSD_STATUS_BASE | kSleepStatus);
    EXPECT_EQ(At(400, 380), kSleepColour);

    // Between the wait message (below) and the PIN entry (above).
    manager_->EnableStatusMask(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, 0xFFFFFFFF);
    manager_->EnableStatusMask(E_BRISKUI_OSD_STATUS_PIN_CODE, 0xFFFFFFFF);
    ASSERT_TRUE(manager_->WaitIdle(5000));
    EXPECT_EQ(At(400, 470), kSleepColour);      // over the wait panel
    EXPECT_EQ(At(650, 470), kWaitColour);       // the wait panel beside it
    EXPECT_EQ(At(400, 270), kPinPanelColour);   // under the PIN entry's panel

    // While it is shown, the cursor keys are its own, over the input menu;
    // hidden, they are the menu's again.
    manager_->EnableStatusMask(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_MENU, 0xFFFFFFFF);
    ASSERT_TRUE(manager_->WaitIdle(5000));
    U8 focus = BriskUiManager::pInputSourceMenuHandler->GetFocusIndex();
    Key(BRISKKEY_CURSOR_DOWN);
    EXPECT_EQ(SleepKeys(), std::vector<U32>{ BRISKKEY_CURSOR_DOWN });
    EXPECT_EQ(BriskUiManager::pInputSourceMenuHandler->GetFocusIndex(), focus);
    manager_->DisableStatus(kSleepStatus);
    Key(BRISKKEY_CURSOR_DOWN);
    EXPECT_TRUE(SleepKeys().empty());
    EXPECT_NE(BriskUiManager::pInputSourceMenuHandler->GetFocusIndex(), focus);

    // The exit key closes it with the menu, and the PIN entry stays (the
    // menu's key dropped it: show it again).
    manager_->EnableStatusMask(E_BRISKUI_OSD_STATUS_PIN_CODE, 0xFFFFFFFF);
    Key(kSleepKey);
    SleepKeys();
    Key(BRISKKEY_EXIT);
    EXPECT_FALSE(manager_->QueryStatus(kSleepStatus));
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_MENU));
    EXPECT_TRUE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_PIN_CODE));
    EXPECT_EQ(At(400, 380), 0u);

    // Its own hide timer, on the library's clock.
    Key(kSleepKey);
    ASSERT_TRUE(manager_->QueryStatus(kSleepStatus));
    Advance(5000);
    EXPECT_FALSE(manager_->QueryStatus(kSleepStatus));
}

// The new OSD's layout names the OSDs it keeps with a 32-bit mask, which
// wins over the 16-bit one; the masks of old name it only through its row.
TEST_F(ExtraOsdTest, ThirtyTwoBitMaskOfItsLayoutAndSixteenBitMasksOfOthers)
{
    Start(kSleepRow, "u16StateMask = 0\nu32StateMask = 0x10002\n");
    Key(BRISKKEY_VOLUME_UP);
    Key(kSleepKey);
    EXPECT_EQ(manager_->GetCurrentStatus(),
              (U32)E_BRISKUI_OSD_STATUS_BASE | E_BRISKUI_OSD_STATUS_VOLUME | kSleepStatus);

    // A 16-bit mask keeping every OSD of old (the banner's event) drops it:
    // its row does not say it is kept by one.
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, 0xFFFF);
    // Composed first: the input thread writes the set while it composes.
    ASSERT_TRUE(manager_->WaitIdle(5000));
    EXPECT_EQ(manager_->GetCurrentStatus(),
              (U32)E_BRISKUI_OSD_STATUS_BASE | E_BRISKUI_OSD_STATUS_VOLUME | E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE);
    EXPECT_EQ(At(400, 380), 0u);
}

TEST_F(ExtraOsdTest, ARowMayKeepItUnderSixteenBitMasks)
{
    Start(kSleepRow.KeptBy16BitMask(), "");
    Key(kSleepKey);
    // The input icon's test layout keeps every OSD with its 16-bit mask.
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON, 0xFFFF);
    EXPECT_TRUE(manager_->QueryStatus(kSleepStatus | E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON));
    // A 32-bit mask that leaves it out still drops it.
    manager_->EnableStatusMask(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON);
    EXPECT_FALSE(manager_->QueryStatus(kSleepStatus));
}

}   // namespace
