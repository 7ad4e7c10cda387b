// The factory screens through the factory key: the self-check page's
// colours, refresh and write-protect background; the balance texts; dish
// and LNB over their shared toggle byte and the satellite records; the ARC
// card; the direct-source page's white background; and the sub-board
// page's memory-test timing on the library's clock.
#include <gtest/gtest.h>

#include <string>

#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "DrawItem.h"
#include "EventHandler.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const U32 FACTORY = 0xF54F, EXIT = 0xF062, RED = 0xFFFF0000, WHITE = 0xFFFFFFFF;
const EN_BRISKUI_OSD_STATUS ROM = E_BRISKUI_OSD_STATUS_VERSION_SELF_CHECK;
const EN_BRISKUI_OSD_STATUS BALANCE = E_BRISKUI_OSD_STATUS_FACTORY_BALANCE;
const EN_BRISKUI_OSD_STATUS ARC = E_BRISKUI_OSD_STATUS_FACTORY_ARC;
const EN_BRISKUI_OSD_STATUS DIRECT = E_BRISKUI_OSD_STATUS_FACTORY_DIRECT_SOURCE;
const EN_BRISKUI_OSD_STATUS SUB_BOARD = E_BRISKUI_OSD_STATUS_FACTORY_ORVEX_CHECK;

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
    static EventHandler* Screen(EN_BRISKUI_OSD_STATUS status)
    {
        switch (status) {
        case ROM:
            return (EventHandler*)BriskUiManager::pVersionSelfCheckHandler;
        case BALANCE:
            return (EventHandler*)BriskUiManager::pFactoryBalanceHandler;
        case DIRECT:
            return (EventHandler*)BriskUiManager::pFactoryDirectlyInputSourceChanged;
        default:
            return (EventHandler*)BriskUiManager::pFactoryOrvexCheck;
        }
    }
    std::string Text(EN_BRISKUI_OSD_STATUS status, const char* item, U32* colour = nullptr)
    {
        BriskManagerLock lock;
        TextItem* text = Screen(status)->FindTextItem(item);
        if (colour != nullptr) *colour = text->GetFontColor();
        return text->GetText();
    }
    std::string Background(EN_BRISKUI_OSD_STATUS status)
    {
        BriskManagerLock lock;
        return Screen(status)->FindImageItem("bg_image")->GetImagePath();
    }
    // Pixels of exactly `argb` where the self-check text at `baseline` starts.
    int Count(int baseline, U32 argb)
    {
        int n = 0;
        for (int y = baseline - 16; y < baseline; ++y)
            for (int x = 60; x < 120; ++x) n += Pixel(surface_, x, y) == argb;
        return n;
    }
    std::vector<U16> TimeOutsOf(EN_BRISKUI_OSD_STATUS status)
    {
        std::vector<U16> own;
        for (const StTimerDatum& t : BriskTimerManager::GetInstance()->Snapshot())
            if (t.handler == Screen(status)) own.push_back(t.u16TimeOut);
        return own;
    }

    IDirectFBSurface* surface_ = nullptr;
};

TEST_F(FactoryScreenTest, SelfCheckColoursAndWriteProtectBackground)
{
    sim::SetFactoryData(6, 1);    // PAL adjusted, NTSC not: CVBS passes
    sim::SetFactoryData(94, 1);   // write protect on
    FactoryKey(49067);
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)(E_BRISKUI_OSD_STATUS_BASE | ROM));
    U32 colour = 0;
    EXPECT_EQ(Text(ROM, "a/d_adjust_pal_value"), "OK");
    EXPECT_EQ(Text(ROM, "a/d_adjust_ntsc_value", &colour), "NG");
    EXPECT_EQ(colour, RED);
    EXPECT_EQ(Text(ROM, "wp_value", &colour), "OK");
    EXPECT_EQ(colour, WHITE);
    EXPECT_EQ(Background(ROM), "/test/images/rom/black.png");
    // Drawn: the black page, white "OK" for PAL (baseline 120), red "NG" for NTSC (160).
    EXPECT_EQ(Pixel(surface_, kRomPage.left + 500, kRomPage.top + 350), kRomBlackColour);
    EXPECT_GT(Count(120, WHITE), 10);
    EXPECT_EQ(Count(120, RED), 0);
    EXPECT_GT(Count(160, RED), 10);

    // Opened and adjusted: the next showing swaps to the blue page of the
    // same folder, the write-protect check turns red and NTSC white.
    sim::SetFactoryData(94, 0);
    sim::SetFactoryData(7, 1);
    FactoryKey(49067);
    EXPECT_EQ(Background(ROM), "/test/images/rom/blue1.png");
    EXPECT_EQ(Text(ROM, "wp_value", &colour), "NG");
    EXPECT_EQ(colour, RED);
    EXPECT_EQ(Pixel(surface_, kRomPage.left + 500, kRomPage.top + 350), kRomBlueColour);
    EXPECT_EQ(Count(160, RED), 0);
    EXPECT_GT(Count(160, WHITE), 10);

    // The time-out leaves the page up; the exit key closes it.
    Advance(5000);
    EXPECT_TRUE(manager_->QueryStatus(ROM));
    Key(EXIT);
    EXPECT_FALSE(manager_->QueryStatus(ROM));
}

// The host's version strings are drawn on the input thread, whose stack
// DirectFB's string drawing once ran out of at 256 KiB of text. A MiB of
// two-byte characters is cut to what the item can show, whole characters,
// said once per item however often the page is drawn.
TEST_F(FactoryScreenTest, SelfCheckDrawsAMebibyteVersionCutToWhatItCanShow)
{
    std::string version;
    for (int i = 0; i < (1 << 19); ++i) version += "\xC3\xA9";   // U+00E9
    manager_->SetSwVersion(version.c_str());
    manager_->SetSwVersion(nullptr);   // ignored
    manager_->SetMStarVersion(("V" + version).c_str());
    std::string out = CaptureStdout([&] {
        FactoryKey(49067);
        FactoryKey(49067);
    });
    EXPECT_EQ(manager_->GetSwVersion(), version);   // the host's string itself stays whole
    EXPECT_EQ(Text(ROM, "sw_version_value"), version.substr(0, 2 * E_TEXT_MAX_CHARS));
    EXPECT_EQ(Text(ROM, "mstar_version_value"), "V" + version.substr(0, 2 * (E_TEXT_MAX_CHARS - 1)));
    auto times = [&out](const std::string& line) {
        int n = 0;
        for (size_t at = out.find(line); at != std::string::npos; at = out.find(line, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(times("[BriskUI] TextItem sw_version_value: text cut from 1048576 to 2560 bytes"), 1) << out;
    EXPECT_EQ(times("[BriskUI] TextItem mstar_version_value: text cut from 1048577 to 2559 bytes"), 1) << out;
    EXPECT_GT(Count(360, WHITE), 10);
    EXPECT_GT(Count(400, WHITE), 10);
}

TEST_F(FactoryScreenTest, SelfCheckAsksEveryQueryAgainAtEveryRedraw)
{
    FactoryKey(49067);
    EXPECT_EQ(Text(ROM, "tv_model_value"), "NO_Name");
    EXPECT_EQ(Text(ROM, "edid_vga_value"), "VGA EEPROM NG");
    EXPECT_EQ(Text(ROM, "widevine_value"), "--");   // no key files at all

    // Recomposed for any reason, not only by its key.
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
    // No sealed key: NG inside the answer, in the layout's colour.
    U32 colour = 0;
    EXPECT_EQ(Text(ROM, "widevine_value", &colour), "WV0123456789ABCD NG");
    EXPECT_EQ(colour, WHITE);
}

TEST_F(FactoryScreenTest, BalanceCyclesThroughItsTexts)
{
    const struct {
        int balance;
        const char* text;
    } steps[] = { { -50, "Balance  :  -50" }, { 50, "Balance  :  +50" }, { 0, "Balance  :  0" } };
    for (const auto& step : steps) {
        FactoryKey(60985);   // the calls and the time-out: factory-balance.script
        EXPECT_EQ(sim::Balance(), step.balance);
        EXPECT_EQ(Text(BALANCE, "text"), step.text);
    }
    // Any other stored balance goes back to 0.
    _SoundSettingType stored{};
    stored.s8Balance = 10;
    MSrv_Control_common::GetMSrvSystemDatabase()->SetAudioSetting(&stored);
    FactoryKey(60985);
    EXPECT_EQ(sim::Balance(), 0);
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

    // The LNB press starts from the byte the dish press left: off, every
    // record rewritten before the power is set.
    sim::ClearCalls();
    FactoryKey(49065);
    EXPECT_EQ(Text(BALANCE, "text"), "LNB Power: OFF");
    EXPECT_EQ(sim::Calls(), (std::vector<std::string>{ "SetUserSystemSetting(halfmute=0,toggle=0)",
                                                       "UpdateSatelliteInfo(0,2,0)", "UpdateSatelliteInfo(1,2,0)",
                                                       "UpdateSatelliteInfo(2,2,0)", "DishSetLNBPower(0)" }));
    // The power by the multiplex, and the dish without a satellite player:
    // factory-balance.script.
    FactoryKey(49065);
    EXPECT_EQ(Text(BALANCE, "text"), "LNB Power: ON");
    FactoryKey(61141);
    EXPECT_EQ(Text(BALANCE, "text"), "Dish Position : Position A");

    // Without a satellite tuner the LNB press only shows the last text.
    Key(EXIT);
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

TEST_F(FactoryScreenTest, ArcCardIsDrawnAndErasedAtItsTimeOut)
{
    FactoryKey(61081);   // the calls and the time-out's edge: factory-arc.script
    EXPECT_GT(OpaqueCount(surface_, kFactoryCard), 0);
    Advance(5100);
    EXPECT_FALSE(manager_->QueryStatus(ARC));
    EXPECT_EQ(OpaqueCount(surface_, kFactoryCard), 0);
}

TEST_F(FactoryScreenTest, DirectSourceIsAWhitePageInTheLayoutsFolder)
{
    manager_->ProcessFactoryCode(60297);
    for (int showing = 0; showing < 2; ++showing) {
        manager_->EnableStatus(DIRECT, 0);
        ASSERT_TRUE(manager_->WaitIdle(5000));
        EXPECT_EQ(Background(DIRECT), "/test/images/src/white.PNG");
        EXPECT_EQ(Text(DIRECT, "inputsource_value"), "PC");
        EXPECT_EQ(Pixel(surface_, kDirectSourceCard.left + 390, kDirectSourceCard.top + 5), kWhiteColour);
        Advance(10000);   // no time-out hides it
        EXPECT_TRUE(manager_->QueryStatus(DIRECT));
    }
}

TEST_F(FactoryScreenTest, SubBoardMemoryTestAfterTheLayoutTimeOutThenAfter100Ms)
{
    FactoryKey(60946);
    EXPECT_EQ(Text(SUB_BOARD, "orvex_value"), "");   // set at the drawing
    EXPECT_EQ(Text(SUB_BOARD, "orvex_memory_test_value"), "--");
    // The first drawing restarts the showing's timer: still the layout's 3000 ms.
    EXPECT_EQ(TimeOutsOf(SUB_BOARD), std::vector<U16>{ 3000 });
    Advance(2900);
    EXPECT_EQ(Text(SUB_BOARD, "orvex_memory_test_value"), "--");
    Advance(200);
    EXPECT_EQ(Text(SUB_BOARD, "orvex_memory_test_value"), "");
    EXPECT_TRUE(TimeOutsOf(SUB_BOARD).empty());   // nothing left armed
    EXPECT_TRUE(manager_->QueryStatus(SUB_BOARD));

    // Shown again: the memory test runs once, 100 ms after the redraw.
    {
        BriskManagerLock lock;
        Screen(SUB_BOARD)->FindTextItem("orvex_memory_test_value")->SetText("stale");
    }
    FactoryKey(61000);
    EXPECT_EQ(TimeOutsOf(SUB_BOARD), std::vector<U16>{ 100 });
    Advance(110);
    EXPECT_EQ(Text(SUB_BOARD, "orvex_memory_test_value"), "");
    U32 dispatched = manager_->TimerDispatchCount();
    Advance(1000);
    EXPECT_EQ(manager_->TimerDispatchCount(), dispatched);
    EXPECT_TRUE(manager_->QueryStatus(SUB_BOARD));
}

}   // namespace
