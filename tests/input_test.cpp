// The input thread and key routing: the routing table, the power toggle,
// boot progress, first initialisation, one key per pass while every timer
// event is handled, and the active-standby filter.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "BriskPlatform.h"
#include "BriskUiManager.h"
#include "HostSupport.h"
#include "InitializationHandler.h"
#include "ManagerLock.h"
#include "NotAvailableMessageHandler.h"
#include "SimTv.h"
#include "TestSupport.h"
#include "VolumeHandler.h"
#include "WaitMessageHandler.h"

using namespace testsupport;

namespace {

class InputTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
    }
    void TearDown() override
    {
        MSrv_Control_common::bBriskUiTriggerPowerOff = 0;
        MSrv_Control_common::m_bEnterActiveStandby = 0;
        ManagerTest::TearDown();
    }
    std::string ProgressText()
    {
        BriskManagerLock lock;
        return BriskUiManager::pInitializationHandler->FindTextItem("volume_number")->GetText();
    }
    // A volume key that changes nothing and logs `line`.
    void ExpectVolumeKeyIgnored(const char* line)
    {
        U8 volume = sim::StoredVolume();
        std::string out = CaptureStdout([&] { Key(0xF04C); });
        EXPECT_NE(out.find(line), std::string::npos) << out;
        EXPECT_EQ(sim::StoredVolume(), volume);
    }
};

TEST_F(InputTest, RoutingTable)
{
    StartManager();
    BriskUiManager* m = manager_;
    U8 volume = sim::StoredVolume();
    EXPECT_TRUE(m->KeyHandler(0xF04C));
    EXPECT_EQ(sim::StoredVolume(), volume + 1);
    EXPECT_TRUE(m->KeyHandler(0xF04D));
    EXPECT_EQ(sim::StoredVolume(), volume);
    EXPECT_TRUE(m->QueryStatus(E_BRISKUI_OSD_STATUS_VOLUME));

    // Media keys go to the not-available panel.
    for (U32 key : { 0xF00Au, 0xF049u, 0xF051u, 0xF052u, 0xF05Bu, 0xF05Cu, 0xF077u }) {
        m->DisableStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE);
        EXPECT_TRUE(m->KeyHandler(key));
        EXPECT_TRUE(m->QueryStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE)) << std::hex << key;
    }
    // Keys whose OSD this build lacks are still routed keys.
    for (U32 key : { 0xF046u, 0xF047u, 0xF068u, 0xF073u, 0xF002u, 0xF003u, 0x0Du, 0xF53Fu })
        EXPECT_TRUE(m->KeyHandler(key)) << std::hex << key;
    // Digits are routed keys whatever the input; on HDMI they go nowhere.
    sim::SetInputSource(MAPI_INPUT_SOURCE_HDMI);
    for (U32 key = 0x30; key <= 0x39; ++key) EXPECT_TRUE(m->KeyHandler(key));
    // Anything else is not a key of the library.
    for (U32 key : { 0x41u, 0xF000u, 0xF04Fu, 0xF600u }) EXPECT_FALSE(m->KeyHandler(key)) << std::hex << key;
}

TEST_F(InputTest, ExitClosesEverythingButThePinAndTheIcon)
{
    StartManager();
    BriskUiManager* m = manager_;
    m->KeyHandler(0xF04C);   // volume bar
    m->EnableStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, 0xFFFF);
    m->EnableStatus(E_BRISKUI_OSD_STATUS_PIN_CODE, 0xFFFF);
    m->EnableStatus(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON, 0xFFFF);
    m->EnableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, 0xFFFF);
    m->EnableStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE, 0xFFFF);
    EXPECT_TRUE(m->KeyHandler(0xF53D));
    EXPECT_EQ(m->GetVolumeStatus(), 0u);   // the volume handler got the key
    EXPECT_EQ(m->GetCurrentStatus(), (U32)(E_BRISKUI_OSD_STATUS_BASE | E_BRISKUI_OSD_STATUS_PIN_CODE |
                                           E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON));
}

TEST_F(InputTest, PowerToggle)
{
    StartManager();
    // Neither flag: the library puts the set into active standby.
    EXPECT_TRUE(manager_->KeyHandler(0xF00F));
    EXPECT_TRUE(sim::Called("EnterActiveStandByMode(1,1)"));
    EXPECT_EQ(MSrv_Control_common::bBriskUiTriggerPowerOff, 1);

    // Library-triggered standby: the set wakes up.
    sim::ClearCalls();
    MSrv_Control_common::m_bEnterActiveStandby = 0;
    mapi_system::bBackgroundRecording = 1;
    EXPECT_TRUE(manager_->KeyHandler(0xF550));
    EXPECT_EQ(sim::Calls(),
              (std::vector<std::string>{ "SetTVPowerDoneTimer(4294967295)", "EnterActiveStandByMode(0,1)" }));
    EXPECT_EQ(MSrv_Control_common::bBriskUiTriggerPowerOff, 0);
    EXPECT_EQ(mapi_system::bBackgroundRecording, 0);

    // The set is in active standby.
    sim::ClearCalls();
    MSrv_Control_common::m_bEnterActiveStandby = 1;
    MSrv_Control_common::bBriskUiTriggerPowerOff = 1;
    mapi_system::bBackgroundRecording = 1;
    EXPECT_TRUE(manager_->KeyHandler(0xF00F));
    EXPECT_EQ(sim::Calls(),
              (std::vector<std::string>{ "EnterActiveStandByMode(0,0)", "SetTVPowerDoneTimer(4294967295)" }));
    EXPECT_EQ(MSrv_Control_common::bBriskUiTriggerPowerOff, 0);
    EXPECT_EQ(mapi_system::bBackgroundRecording, 0);
}

TEST_F(InputTest, ActiveStandbyRoutesOnlyThePowerKeys)
{
    StartManager();
    Key(0xF00F);
    ASSERT_EQ(MSrv_Control_common::bBriskUiTriggerPowerOff, 1);
    ExpectVolumeKeyIgnored("BRISKUI - Current status is active standby::Ignore key");
    U8 volume = sim::StoredVolume();
    Key(0xF550);
    EXPECT_EQ(MSrv_Control_common::bBriskUiTriggerPowerOff, 0);
    Key(0xF04C);
    EXPECT_EQ(sim::StoredVolume(), volume + 1);
}

TEST_F(InputTest, BootProgressOfAFullInterfaceKey)
{
    StartManager();
    BriskUiManager::TotalTicksInSeconds = 20;   // 2000 / 34 = 58: 50 %
    Key(0xF012);
    EXPECT_EQ(ProgressText(), "50%");
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0101u);
    BriskUiManager::TotalTicksInSeconds = 40;   // 117: at most 90 %
    Key(0xF53C);
    EXPECT_EQ(ProgressText(), "90%");
    BriskUiManager::TotalTicksInSeconds = 0;
    Key(0xF500);
    EXPECT_EQ(ProgressText(), "0%");
}

TEST_F(InputTest, HostWritesTheBootClockWhileKeysReadIt)
{
    // The host's thread writes the clock while the input thread reads it
    // for a full-interface key (a race ThreadSanitizer would report).
    StartManager();
    std::atomic<bool> stop{ false };
    std::thread host([&] {
        for (U32 s = 0; !stop; s = (s + 1) % 40) BriskUiManager::TotalTicksInSeconds = s;
    });
    for (int i = 0; i < 20; ++i) Key(0xF012);
    stop = true;
    host.join();
    U32 seconds = BriskUiManager::TotalTicksInSeconds;
    EXPECT_LT(seconds, 40u);
}

TEST_F(InputTest, KeysAreIgnoredWhileDisabled)
{
    StartManager();
    manager_->SetKeyHandlerEnable(0);
    ExpectVolumeKeyIgnored("BRISKUI - Ignore key");
    U8 volume = sim::StoredVolume();
    manager_->SetKeyHandlerEnable(1);
    Key(0xF04C);
    EXPECT_EQ(sim::StoredVolume(), volume + 1);
}

TEST_F(InputTest, SymbolsOutsideTheTableAreNumbersNotRouted)
{
    StartManager();
    U8 volume = sim::StoredVolume();
    std::string out = CaptureStdout([&] {
        for (U32 key : { 0xFFFFFFFFu, 0x80000000u, 0x0010F04Cu }) Key(key);
    });
    EXPECT_NE(out.find("key_symbol:-1\n"), std::string::npos) << out;
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0001u);
    EXPECT_EQ(sim::StoredVolume(), volume);
    Key(0xF04C);
    EXPECT_EQ(sim::StoredVolume(), volume + 1);
}

TEST_F(InputTest, OneKeyPerPassButEveryTimerEvent)
{
    StartManager();
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, 0xFFFF);
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE, 0xFFFF);
    ASSERT_TRUE(manager_->WaitIdle(briskui_sim::kStuckMs));
    U8 volume = sim::StoredVolume();
    {
        // Queue everything while the input thread cannot take it.
        BriskManagerLock lock;
        briskui_sim::PostKey(manager_, 0xF04C);
        briskui_sim::PostKey(manager_, 0xF04C);
        DFBUserEvent timer;
        timer.clazz = DFEC_USER;
        timer.type = 1000;
        timer.data = (EventHandler*)BriskUiManager::pWaitMessageHandler;
        manager_->PostEvent(timer);
        timer.data = (EventHandler*)BriskUiManager::pNotAvailableMessageHandler;
        manager_->PostEvent(timer);
        timer.data = (void*)0x1234;   // not a handler: ignored safely
        manager_->PostEvent(timer);
        manager_->WakeUp();
    }
    ASSERT_TRUE(manager_->WaitIdle(briskui_sim::kStuckMs));
    EXPECT_EQ(sim::StoredVolume(), volume + 1);   // the second key is dropped
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE));
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_NOT_AVAILABLE));
    EXPECT_TRUE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_VOLUME));
}

// First initialisation: the sleep seam stands in for the 0.68 s steps.
std::atomic<int> g_steps{ 0 };
BriskUiManager* g_manager = nullptr;
std::atomic<int> g_keyAtStep{ 0 };
std::atomic<U32> g_key{ 0 };

void CountSteps(U32 us)
{
    if (us != 680000) return;
    int step = ++g_steps;
    if (step == g_keyAtStep) briskui_sim::PostKey(g_manager, g_key);
}

class FirstInitTest : public InputTest {
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        root_.Write("/Customer/briskui/layout/BriskUISetting.ini", "[BriskUISetting]\nbFirstInitialization = TRUE\n");
        g_steps = 0;
        g_keyAtStep = 0;
        g_manager = nullptr;
    }
    void StartWithKeyAt(int step, U32 key)
    {
        g_keyAtStep = step;
        g_key = key;
        // The key is posted from the sleep seam, which needs the manager.
        manager_ = BriskUiManager::GetInstance();
        g_manager = manager_;
        BriskSetSleepHook(&CountSteps);
        StartManager();
    }
    void WaitSteps(int n)
    {
        for (U32 i = 0; i < briskui_sim::kStuckMs && g_steps < n; ++i) usleep(1000);
        ASSERT_GE(g_steps.load(), n);
        ASSERT_TRUE(manager_->WaitIdle(briskui_sim::kStuckMs));
    }
};

TEST_F(FirstInitTest, RunsFiftyStepsAndThenIgnoresKeys)
{
    StartWithKeyAt(0, 0);
    WaitSteps(50);
    usleep(20000);
    EXPECT_EQ(g_steps.load(), 50);
    EXPECT_EQ(ProgressText(), "100%");
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0101u);
    EXPECT_EQ(manager_->IsFirstInitialization(), 1);
    ExpectVolumeKeyIgnored("BRISKUI - Ignore key");
    // Timer events are still handled: the wait message goes at its time-out.
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, 0xFFFF);
    Advance(3100);
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE));
}

TEST_F(FirstInitTest, SwitchKeyEndsTheProgress)
{
    StartWithKeyAt(12, 0xF53F);
    WaitSteps(12);
    usleep(50000);
    EXPECT_EQ(g_steps.load(), 12);   // no further step
    EXPECT_EQ(manager_->IsFirstInitialization(), 0);
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_INITIALIZATION));
    EXPECT_EQ(ProgressText(), "20%");
    U8 volume = sim::StoredVolume();
    Key(0xF04C);
    EXPECT_EQ(sim::StoredVolume(), volume + 1);   // keys are routed again
}

TEST_F(FirstInitTest, FactoryKeyEndsTheProgressToo)
{
    sim::SetFactoryCode(0xBFAB);   // version screen: not in this build, still a routed key
    StartWithKeyAt(7, 0xF54F);
    WaitSteps(7);
    usleep(50000);
    EXPECT_EQ(g_steps.load(), 7);
    EXPECT_EQ(manager_->IsFirstInitialization(), 0);
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_INITIALIZATION));
    EXPECT_EQ(ProgressText(), "10%");
}

TEST_F(FirstInitTest, PowerKeyIsRoutedAndOtherKeysDropped)
{
    StartWithKeyAt(3, 0xF00F);
    WaitSteps(10);
    EXPECT_TRUE(sim::Called("EnterActiveStandByMode(1,1)"));
    EXPECT_EQ(manager_->IsFirstInitialization(), 1);
}

TEST_F(FirstInitTest, SymbolOutsideTheTableIsDropped)
{
    StartWithKeyAt(2, 0xFFFFFFFF);
    WaitSteps(5);
    EXPECT_EQ(manager_->IsFirstInitialization(), 1);
    EXPECT_TRUE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_INITIALIZATION));   // the steps go on
}

}   // namespace
