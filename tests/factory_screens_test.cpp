// The factory screens through the factory key: the self-check page's
// checks, colours and write-protect background; the balance cycle, the
// dish position and the LNB power with their shared toggle byte and the
// satellite records; the ARC card; the direct-source page's white
// background; and the sub-board page's memory-test timing on the library's
// clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const U32 FACTORY = 0xF54F, EXIT = 0xF062;
const U32 RED = 0xFFFF0000, WHITE = 0xFFFFFFFF;

class FactoryScreenTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
        StartManager();
        surface_ = manager_->GetSurface();
    }
    void FactoryKey(unsigned short code)
    {
        sim::SetFactoryCode(code);
        Key(FACTORY);
    }
    EventHandler* Screen(EN_BRISKUI_OSD_STATUS status)
    {
        const U32 bit = status;
        for (EventHandler* h : { (EventHandler*)BriskUiManager::pVersionSelfCheckHandler,
                                 (EventHandler*)BriskUiManager::pFactoryBalanceHandler,
                                 (EventHandler*)BriskUiManager::pFactoryArcHandler,
                                 (EventHandler*)BriskUiManager::pFactoryDirectlyInputSourceChanged,
                                 (EventHandler*)BriskUiManager::pFactoryOrvexCheck })
            if (h->GetOsdStatus() == bit) return h;
        return nullptr;
    }
    // Text and colour of a text item of a screen.
    std::string Text(EN_BRISKUI_OSD_STATUS status, const char* item)
    {
        BriskManagerLock lock;
        return Screen(status)->FindTextItem(item)->GetText();
    }
    U32 Colour(EN_BRISKUI_OSD_STATUS status, const char* item)
    {
        BriskManagerLock lock;
        return Screen(status)->FindTextItem(item)->GetFontColor();
    }
    std::string Background(EN_BRISKUI_OSD_STATUS status)
    {
        BriskManagerLock lock;
        return Screen(status)->FindImageItem("bg_image")->GetImagePath();
    }
    // Pixels of exactly `argb` in the row band of a text item at `baseline`.
    int Count(int baseline, U32 argb)
    {
        int n = 0;
        for (int y = baseline - 16; y < baseline; ++y)
            for (int x = 60; x < 120; ++x) n += Pixel(surface_, x, y) == argb;
        return n;
    }
    std::vector<StTimerDatum> TimersOf(EventHandler* handler)
    {
        std::vector<StTimerDatum> all = BriskTimerManager::GetInstance()->Snapshot();
        std::vector<StTimerDatum> own;
        for (const StTimerDatum& t : all)
            if (t.handler == handler) own.push_back(t);
        return own;
    }

    IDirectFBSurface* surface_ = nullptr;
};

const EN_BRISKUI_OSD_STATUS ROM = E_BRISKUI_OSD_STATUS_VERSION_SELF_CHECK;
const EN_BRISKUI_OSD_STATUS BALANCE = E_BRISKUI_OSD_STATUS_FACTORY_BALANCE;
const EN_BRISKUI_OSD_STATUS SUB_BOARD = E_BRISKUI_OSD_STATUS_FACTORY_ORVEX_CHECK;

// ---- version self-check ------------------------------------------------------------

TEST_F(FactoryScreenTest, SelfCheckColoursAndWriteProtectBackground)
{
    sim::SetFactoryData(6, 1);    // PAL adjusted, NTSC not: CVBS passes
    sim::SetFactoryData(94, 1);   // write protect on
    FactoryKey(49067);
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)(E_BRISKUI_OSD_STATUS_BASE | ROM));
    EXPECT_EQ(Text(ROM, "a/d_adjust_pal_value"), "OK");
    EXPECT_EQ(Text(ROM, "a/d_adjust_ntsc_value"), "NG");
    EXPECT_EQ(Text(ROM, "a/d_adjust_cvbs_value"), "OK");
    EXPECT_EQ(Colour(ROM, "a/d_adjust_ntsc_value"), RED);
    EXPECT_EQ(Text(ROM, "wp_value"), "OK");
    EXPECT_EQ(Background(ROM), "/test/images/rom/black.png");
    // Drawn: the black page, white "OK" (PAL, row 2) and red "NG" (NTSC, row 3).
    EXPECT_EQ(Pixel(surface_, kRomPage.left + 500, kRomPage.top + 350), kRomBlackColour);
    EXPECT_GT(Count(120, WHITE), 10);
    EXPECT_EQ(Count(120, RED), 0);
    EXPECT_GT(Count(160, RED), 10);

    // The set opened and adjusted: the next showing swaps to the blue page
    // in the same folder and turns the write-protect check red, NTSC white.
    sim::SetFactoryData(94, 0);
    sim::SetFactoryData(7, 1);
    FactoryKey(49067);
    EXPECT_EQ(Background(ROM), "/test/images/rom/blue1.png");
    EXPECT_EQ(Text(ROM, "wp_value"), "NG");
    EXPECT_EQ(Colour(ROM, "wp_value"), RED);
    EXPECT_EQ(Colour(ROM, "a/d_adjust_ntsc_value"), WHITE);
    EXPECT_EQ(Pixel(surface_, kRomPage.left + 500, kRomPage.top + 350), kRomBlueColour);
    EXPECT_EQ(Count(160, RED), 0);
    EXPECT_GT(Count(160, WHITE), 10);

    // The time-out leaves the page up; the exit key closes it.
    Advance(5000);
    EXPECT_TRUE(manager_->QueryStatus(ROM));
    Key(EXIT);
    EXPECT_FALSE(manager_->QueryStatus(ROM));
}

TEST_F(FactoryScreenTest, SelfCheckRefreshesEveryValueAtEveryRedraw)
{
    FactoryKey(49067);
    EXPECT_EQ(Text(ROM, "tv_model_value"), "NO_Name");
    EXPECT_EQ(Text(ROM, "edid_vga_value"), "VGA EEPROM NG");
    EXPECT_EQ(Text(ROM, "widevine_value"), "--");   // no key files at all

    // A redraw for any reason asks every query again, key files included.
    sim::SetFactoryData(76, 5);
    sim::SetFactoryData(87, 2);
    root_.Write("/ciplus/widevine.bin", std::string(76, '\0') + "WV0123456789ABCD");
    {
        BriskManagerLock lock;
        manager_->InvalidateOSD(Screen(ROM)->GetItemRegion());
        manager_->UpdateOsd();
    }
    EXPECT_NE(Text(ROM, "tv_model_value"), "NO_Name");
    EXPECT_EQ(Text(ROM, "edid_vga_value"), "VGA EEPROM _ _ ");
    // The sealed key is missing: NG inside the answer, in the layout's colour.
    EXPECT_EQ(Text(ROM, "widevine_value"), "WV0123456789ABCD NG");
    EXPECT_EQ(Colour(ROM, "widevine_value"), WHITE);
    sim::SetFactoryData(87, 1);
    FactoryKey(49067);
    EXPECT_EQ(Text(ROM, "edid_vga_value"), "VGA EEPROM Ver.01");
}

// ---- balance, dish position, LNB power -----------------------------------------------

TEST_F(FactoryScreenTest, BalanceCyclesThroughItsTexts)
{
    const struct {
        S8 balance;
        const char* text;
    } steps[] = { { -50, "Balance  :  -50" }, { 50, "Balance  :  +50" }, { 0, "Balance  :  0" } };
    for (const auto& step : steps) {
        sim::ClearCalls();
        FactoryKey(60985);
        EXPECT_TRUE(sim::Called("VRL_SND_SetBalance(" + std::to_string(step.balance) + ")"));
        EXPECT_EQ(sim::Balance(), step.balance);
        EXPECT_EQ(Text(BALANCE, "text"), step.text);
        EXPECT_TRUE(manager_->QueryStatus(BALANCE));
    }
    // Any other stored balance goes back to 0.
    _SoundSettingType stored{};
    stored.u8Volume = 20;
    stored.s8Balance = 10;
    MSrv_Control_common::GetMSrvSystemDatabase()->SetAudioSetting(&stored);
    FactoryKey(60985);
    EXPECT_EQ(sim::Balance(), 0);
    EXPECT_EQ(Text(BALANCE, "text"), "Balance  :  0");
    // Hidden by its time-out.
    Advance(5100);
    EXPECT_FALSE(manager_->QueryStatus(BALANCE));
}

TEST_F(FactoryScreenTest, DishAndLnbShareOneToggleByte)
{
    sim::SetFactoryMmode(true);
    sim::SetSatellites(std::vector<MS_SAT_INFO>(3, MS_SAT_INFO{}));
    sim::SetMuxInfo(true, 1u << 24);
    std::string out = CaptureStdout([&] { FactoryKey(61141); });
    EXPECT_NE(out.find("\n(FACTORY:) DiSEqC SW B \n"), std::string::npos) << out;
    EXPECT_TRUE(sim::Called("DiSEqCSwitchPort(4,0)"));
    EXPECT_EQ(Text(BALANCE, "text"), "Dish Position : Position B");
    EXPECT_EQ(sim::DishLnbToggle(), 1);

    // The LNB press starts from the byte the dish left: off, every record
    // rewritten before the power is set.
    sim::ClearCalls();
    FactoryKey(49065);
    EXPECT_EQ(sim::DishLnbToggle(), 0);
    EXPECT_EQ(Text(BALANCE, "text"), "LNB Power: OFF");
    std::vector<std::string> calls = sim::Calls();
    calls.erase(calls.begin());   // the stored setting
    EXPECT_EQ(calls, (std::vector<std::string>{ "UpdateSatelliteInfo(0,2,0)", "UpdateSatelliteInfo(1,2,0)",
                                                "UpdateSatelliteInfo(2,2,0)", "DishSetLNBPower(0)" }));
    sim::ClearCalls();
    FactoryKey(49065);
    EXPECT_EQ(Text(BALANCE, "text"), "LNB Power: ON");
    EXPECT_TRUE(sim::Called("UpdateSatelliteInfo(2,0,1)"));
    EXPECT_TRUE(sim::Called("DishSetLNBPower(3)"));   // the multiplex's bit 24
    sim::SetMuxInfo(false, 0);
    FactoryKey(49065);
    sim::ClearCalls();
    FactoryKey(49065);
    EXPECT_TRUE(sim::Called("DishSetLNBPower(1)"));   // no multiplex known

    // The dish press now reads 1: position A.
    FactoryKey(61141);
    EXPECT_EQ(Text(BALANCE, "text"), "Dish Position : Position A");

    // Without a satellite player the byte flips all the same, but nothing
    // is switched or shown.
    Key(EXIT);
    sim::SetDvbsPlayer(false);
    sim::ClearCalls();
    FactoryKey(61141);
    EXPECT_EQ(sim::DishLnbToggle(), 1);
    EXPECT_EQ(sim::Calls(), (std::vector<std::string>{ "SetUserSystemSetting(halfmute=0,toggle=1)" }));
    EXPECT_FALSE(manager_->QueryStatus(BALANCE));

    // Without a satellite tuner the LNB press changes nothing but shows the
    // screen with the text it had.
    sim::SetDvbsEnabled(false);
    sim::ClearCalls();
    FactoryKey(49065);
    EXPECT_TRUE(sim::Calls().empty());
    EXPECT_TRUE(manager_->QueryStatus(BALANCE));
    EXPECT_EQ(Text(BALANCE, "text"), "Dish Position : Position A");
}

TEST_F(FactoryScreenTest, UnreadableSatelliteIsReportedAndSkipped)
{
    sim::SetSatellites(std::vector<MS_SAT_INFO>(3, MS_SAT_INFO{}));
    sim::SetSatelliteUnreadable(1, true);
    std::string out = CaptureStdout([&] { FactoryKey(49065); });   // on
    EXPECT_NE(out.find("ASSERT FAIL: FactoryBalanceHandler virtual void FactoryBalanceHandler::KeyHandler(U32) "),
              std::string::npos)
        << out;
    EXPECT_TRUE(sim::Called("UpdateSatelliteInfo(0,0,1)"));
    EXPECT_FALSE(sim::Called("UpdateSatelliteInfo(1,0,1)"));
    EXPECT_TRUE(sim::Called("UpdateSatelliteInfo(2,0,1)"));
    EXPECT_TRUE(sim::Called("DishSetLNBPower(2)"));
    EXPECT_TRUE(manager_->QueryStatus(BALANCE));
}

// ---- ARC and direct source ---------------------------------------------------------

TEST_F(FactoryScreenTest, ArcSwitchesOnAtEveryPressAndTimesOut)
{
    FactoryKey(61081);
    FactoryKey(61081);
    std::vector<std::string> calls = sim::Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "SetARCStatus(1)"), 2);
    EXPECT_TRUE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_FACTORY_ARC));
    EXPECT_GT(OpaqueCount(surface_, kFactoryCard), 0);
    Advance(5100);
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_FACTORY_ARC));
    EXPECT_EQ(OpaqueCount(surface_, kFactoryCard), 0);
}

TEST_F(FactoryScreenTest, DirectSourceIsAWhitePageInTheLayoutsFolder)
{
    manager_->ProcessFactoryCode(60297);
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_FACTORY_DIRECT_SOURCE, 0);
    ASSERT_TRUE(manager_->WaitIdle(5000));
    EXPECT_EQ(Background(E_BRISKUI_OSD_STATUS_FACTORY_DIRECT_SOURCE), "/test/images/src/white.PNG");
    EXPECT_EQ(Text(E_BRISKUI_OSD_STATUS_FACTORY_DIRECT_SOURCE, "inputsource_value"), "PC");
    EXPECT_EQ(Pixel(surface_, kDirectSourceCard.left + 390, kDirectSourceCard.top + 5), kWhiteColour);
    // No time-out hides it; a later drawing keeps the path.
    Advance(10000);
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_FACTORY_DIRECT_SOURCE, 0);
    ASSERT_TRUE(manager_->WaitIdle(5000));
    EXPECT_EQ(Background(E_BRISKUI_OSD_STATUS_FACTORY_DIRECT_SOURCE), "/test/images/src/white.PNG");
}

// ---- sub-board check ------------------------------------------------------------------

TEST_F(FactoryScreenTest, SubBoardMemoryTestAfterTheLayoutTimeOutThenEvery100Ms)
{
    EventHandler* page = Screen(SUB_BOARD);
    FactoryKey(60946);
    EXPECT_TRUE(manager_->QueryStatus(SUB_BOARD));
    EXPECT_EQ(Text(SUB_BOARD, "orvex_value"), "");          // set at the drawing
    EXPECT_EQ(Text(SUB_BOARD, "orvex_memory_test_value"), "--");
    // The first drawing restarts the timer of the showing: still 3000 ms.
    std::vector<StTimerDatum> timers = TimersOf(page);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].u16TimeOut, 3000);
    EXPECT_EQ(page->GetTimeOut(), 100);

    Advance(2900);
    EXPECT_EQ(Text(SUB_BOARD, "orvex_memory_test_value"), "--");
    U32 dispatched = manager_->TimerDispatchCount();
    Advance(200);
    EXPECT_EQ(manager_->TimerDispatchCount(), dispatched + 1);
    EXPECT_EQ(Text(SUB_BOARD, "orvex_memory_test_value"), "");
    EXPECT_TRUE(TimersOf(page).empty());   // nothing left armed
    EXPECT_TRUE(manager_->QueryStatus(SUB_BOARD));

    // Shown again: the memory test runs 100 ms after the redraw, once.
    {
        BriskManagerLock lock;
        page->FindTextItem("orvex_memory_test_value")->SetText("stale");
    }
    FactoryKey(61000);
    timers = TimersOf(page);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].u16TimeOut, 100);
    Advance(110);
    EXPECT_EQ(Text(SUB_BOARD, "orvex_memory_test_value"), "");
    EXPECT_TRUE(TimersOf(page).empty());
    dispatched = manager_->TimerDispatchCount();
    Advance(1000);
    EXPECT_EQ(manager_->TimerDispatchCount(), dispatched);
    EXPECT_TRUE(manager_->QueryStatus(SUB_BOARD));
}

}  // namespace
