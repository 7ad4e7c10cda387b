// The handler table: the rows of this build, and the proof that a row is
// all an OSD needs. With the real table, every row's handler is created
// knowing its status, composed, handed its timer events and closed by the
// exit key; keys for OSDs without a row and timer events of no handler are
// logged. With a table of probe handlers for all fifteen OSDs, every status
// gets its keys, timers, composition turn and exit-key treatment.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "BriskUiHandlerTable.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "HostSupport.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const U32 EXIT = 0xF062;

void PostTimer(BriskUiManager* manager, void* handler)
{
    DFBUserEvent timer;
    timer.clazz = DFEC_USER;
    timer.type = 1000;
    timer.data = handler;
    manager->PostEvent(timer);
    manager->WakeUp();
}

class HandlerTableTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
    }
};

TEST_F(HandlerTableTest, RowsAreDistinctOsdBitsWithTheVolumeFirst)
{
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    ASSERT_GE(count, 1u);
    EXPECT_EQ(rows[0].eStatus, E_BRISKUI_OSD_STATUS_VOLUME);
    std::set<U32> seen;
    for (size_t i = 0; i < count; ++i) {
        U32 s = rows[i].eStatus;
        EXPECT_TRUE(s >= 0x0002 && s <= 0x8000 && (s & (s - 1)) == 0) << s;
        EXPECT_TRUE(seen.insert(s).second) << s;
        EXPECT_EQ(BriskFindHandlerRow(s), &rows[i]);
    }
    EXPECT_EQ(BriskFindHandlerRow(E_BRISKUI_OSD_STATUS_VOLUME | E_BRISKUI_OSD_STATUS_WAIT_MESSAGE), nullptr);
}

std::vector<std::string> g_reads;

void RecordRead(const char* key) { g_reads.push_back(key); }

std::string Folded(const char* name)
{
    std::string lower(name);
    for (char& c : lower) c = (char)tolower((unsigned char)c);
    return lower;
}

// What the layout checker checks is what the handlers read: every
// "setting" key a handler reads while it loads the sample layouts of both
// country groups is the base's or one its row declares.
TEST_F(HandlerTableTest, EveryRowDeclaresTheSettingKeysItsHandlerReads)
{
    std::string layouts = std::string(BRISKUI_SAMPLE_ROOT) + "/config/briskui/layout/EN/";
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    LayoutKeys::SetReadHook(&RecordRead);
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(BriskUiOsdName(rows[i].eStatus));
        // The base reads the time-out, the state mask, and every section's type.
        std::set<std::string> declared = { "setting:u16timeout", "setting:u16statemask", "setting:u8type" };
        const ST_LAYOUT_NEEDS* needs = rows[i].pLayoutNeeds;
        ASSERT_NE(needs, nullptr);
        for (size_t k = 0; k < needs->uKeyCount; ++k) declared.insert("setting:" + Folded(needs->pKeys[k].pName));
        for (const char* file : { rows[i].pLayoutNA, rows[i].pLayoutEU }) {
            g_reads.clear();
            EventHandler* handler = rows[i].pfCreate();
            ASSERT_NE(handler, nullptr);
            handler->LoadResource((layouts + file).c_str());
            rows[i].pfDelete();
            for (const std::string& key : g_reads) {
                if (Folded(key.c_str()).compare(0, 8, "setting:") != 0) continue;
                EXPECT_EQ(declared.count(Folded(key.c_str())), 1u) << file << " reads " << key;
            }
        }
    }
    LayoutKeys::SetReadHook(nullptr);
}

TEST_F(HandlerTableTest, EveryRowIsCreatedComposedTimedAndClosed)
{
    StartManager();
    IDirectFBSurface* surface = manager_->GetSurface();
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) {
        EN_BRISKUI_OSD_STATUS status = rows[i].eStatus;
        SCOPED_TRACE(BriskUiOsdName(status));
        EventHandler* handler = rows[i].pfGet();
        ASSERT_NE(handler, nullptr);
        EXPECT_EQ(handler->GetOsdStatus(), status);

        // Shown alone and composed: its items are on screen.
        {
            BriskManagerLock lock;
            handler->ShowOsd();
            manager_->UpdateOsd();
            EXPECT_EQ(manager_->GetCurrentStatus(), E_BRISKUI_OSD_STATUS_BASE | (U32)status);
            EXPECT_GT(OpaqueCount(surface, handler->GetItemRegion()), 0);
        }

        // Its timer event reaches it on the input thread.
        U32 dispatched = manager_->TimerDispatchCount();
        PostTimer(manager_, handler);
        ASSERT_TRUE(manager_->WaitIdle(5000));
        EXPECT_EQ(manager_->TimerDispatchCount(), dispatched + 1);

        // Hidden: off the set and, unless its row keeps it on screen (the
        // volume OSD outside its bar), erased at the next composition.
        {
            BriskManagerLock lock;
            handler->ShowOsd();
            handler->HideOsd();
            manager_->UpdateOsd();
            EXPECT_FALSE(manager_->QueryStatus(status));
            if (rows[i].pfStatusCleared == nullptr || rows[i].pfStatusCleared(handler)) {
                EXPECT_EQ(OpaqueCount(surface, handler->GetItemRegion()), 0);
            }
        }
    }

    // The exit key closes the message and progress OSDs through the table.
    for (EventHandler* handler : { (EventHandler*)BriskUiManager::pWaitMessageHandler,
                                   (EventHandler*)BriskUiManager::pNotAvailableMessageHandler,
                                   (EventHandler*)BriskUiManager::pInitializationHandler }) {
        manager_->EnableStatus(handler->GetOsdStatus(), 0xFFFF);
    }
    ASSERT_TRUE(manager_->WaitIdle(5000));
    Key(EXIT);
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)E_BRISKUI_OSD_STATUS_BASE);
}

// This build's table without the ATV/DTV switch menu's row, in force while
// it lives.
class TableWithoutSwitchMenu {
public:
    TableWithoutSwitchMenu()
    {
        size_t count = 0;
        const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
        for (size_t i = 0; i < count; ++i)
            if (rows[i].eStatus != E_BRISKUI_OSD_STATUS_ATV_DTV_SWITCH_MENU) rows_.push_back(rows[i]);
        BriskSetHandlerTable(rows_.data(), rows_.size());
    }
    ~TableWithoutSwitchMenu() { BriskSetHandlerTable(nullptr, 0); }

private:
    std::vector<ST_BRISKUI_HANDLER_ROW> rows_;
};

TEST_F(HandlerTableTest, KeysAndTimersWithoutAHandlerAreLogged)
{
    TableWithoutSwitchMenu table;
    StartManager();
    sim::SetInputSource(MAPI_INPUT_SOURCE_ATV);
    std::string out = CaptureStdout([&] {
        Key(0xF53F);   // ATV/DTV switch key
    });
    EXPECT_NE(out.find("BRISKUI - key 62783 for AtvDtvSwitchMenuHandler: no such handler in this build\n"),
              std::string::npos)
        << out;

    // A key the router sends nowhere in this situation is not reported.
    out = CaptureStdout([&] { Key(0xF002); });
    EXPECT_EQ(out.find("no such handler"), std::string::npos) << out;

    int notAHandler = 0;
    U32 dispatched = manager_->TimerDispatchCount();
    out = CaptureStdout([&] {
        PostTimer(manager_, &notAHandler);
        ASSERT_TRUE(manager_->WaitIdle(5000));
    });
    std::ostringstream line;
    line << "BRISKUI - timer 1000 for unknown handler " << (void*)&notAHandler << " dropped\n";
    EXPECT_NE(out.find(line.str()), std::string::npos) << out;
    EXPECT_EQ(manager_->TimerDispatchCount(), dispatched);
    StopManager();   // while the table it started with is in force
}

// ---- a table of probes for every OSD ---------------------------------------------

// What the probes saw, in order; read and written under the manager lock.
std::vector<std::string> g_seen;

class Probe final : public EventHandler {
public:
    ~Probe() { Record("delete"); }
    void LoadResource(const char* path) override
    {
        EventHandler::LoadResource(path);
        Record(std::string("load ") + (strrchr(path, '/') + 1));
    }
    BOOL KeyHandler(U32 key) override
    {
        Record("key " + std::to_string(key));
        return TRUE;
    }
    void Update(IDirectFBSurface* surface) override
    {
        Record("update");
        EventHandler::Update(surface);
    }
    void TimerHandler(U32 id) override { Record("timer " + std::to_string(id)); }

private:
    void Record(const std::string& what) { g_seen.push_back(std::string(BriskUiOsdName(GetOsdStatus())) + " " + what); }
};

template <U32 Bit>
struct ProbeSlot {
    static Probe* p;
};
template <U32 Bit>
Probe* ProbeSlot<Bit>::p = nullptr;

#define PROBE_ROW(bit)                                                                             \
    BriskHandlerRow<Probe, &ProbeSlot<bit>::p>((EN_BRISKUI_OSD_STATUS)bit, "Probe" #bit "_NA.ini", \
                                               "Probe" #bit "_EU.ini")

const ST_BRISKUI_HANDLER_ROW kProbeTable[] = {
    PROBE_ROW(0x0002), PROBE_ROW(0x0004), PROBE_ROW(0x0008), PROBE_ROW(0x0010), PROBE_ROW(0x0020),
    PROBE_ROW(0x0040), PROBE_ROW(0x0080), PROBE_ROW(0x0100), PROBE_ROW(0x0200), PROBE_ROW(0x0400),
    PROBE_ROW(0x0800), PROBE_ROW(0x1000), PROBE_ROW(0x2000), PROBE_ROW(0x4000), PROBE_ROW(0x8000),
};
const size_t kProbes = sizeof(kProbeTable) / sizeof(kProbeTable[0]);

class ProbeTableTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        root_.Write("/test/images/.keep", "");
        WriteSolidPng(root_.Path() + "/test/images/probe.png", 4, 4, 0xFF808080);
        for (size_t i = 0; i < kProbes; ++i) {
            char bit[8];
            snprintf(bit, sizeof(bit), "0x%04X", (unsigned)kProbeTable[i].eStatus);
            // Side by side, one time-out long enough never to fire here.
            std::string layout = LayoutImage("box", _Rect(20 + (int)i * 80, 20, 60, 60), "probe.png") +
                                 "[setting]\nu16TimeOut = 60000\n";
            for (const char* region : { "_NA.ini", "_EU.ini" })
                WriteLayout(std::string("Probe") + bit + region, layout);
        }
        g_seen.clear();
        BriskSetHandlerTable(kProbeTable, kProbes);
    }
    void TearDown() override
    {
        ManagerTest::TearDown();
        BriskSetHandlerTable(nullptr, 0);
    }
    // What the probes saw since the last call.
    std::vector<std::string> Seen()
    {
        BriskManagerLock lock;
        std::vector<std::string> seen;
        seen.swap(g_seen);
        return seen;
    }
    std::vector<std::string> Each(const std::string& what)
    {
        std::vector<std::string> lines;
        for (size_t i = 0; i < kProbes; ++i)
            lines.push_back(std::string(BriskUiOsdName(kProbeTable[i].eStatus)) + what);
        return lines;
    }
};

TEST_F(ProbeTableTest, StartAndFinalizeWalkTheTableInItsOrder)
{
    StartOptions options;
    options.country = 1;
    StartManager(options);
    std::vector<std::string> loads;
    for (size_t i = 0; i < kProbes; ++i) {
        char line[64];
        snprintf(line, sizeof(line), "%s load Probe0x%04X_NA.ini", BriskUiOsdName(kProbeTable[i].eStatus),
                 (unsigned)kProbeTable[i].eStatus);
        loads.push_back(line);
        EXPECT_EQ(kProbeTable[i].pfGet()->GetOsdStatus(), kProbeTable[i].eStatus);
    }
    EXPECT_EQ(Seen(), loads);
    StopManager();
    EXPECT_EQ(Seen(), Each(" delete"));
    for (size_t i = 0; i < kProbes; ++i) EXPECT_EQ(kProbeTable[i].pfGet(), nullptr);
}

TEST_F(ProbeTableTest, EveryStatusGetsItsKeysTimersCompositionAndExit)
{
    StartManager();
    Seen();

    // Keys: each OSD the router serves, in the situation that sends it the
    // key. The wait message, input icon, initialisation and factory direct
    // source screens get no key from the router.
    struct Case {
        U32 shown;   // OSD shown first, 0 for none
        U16 factoryCode;
        U32 key;
        const char* expected;
    };
    const Case cases[] = {
        { 0, 0, 0xF046, "ChannelChangeHandler" },
        { 0, 0, 0xF04C, "VolumeHandler" },
        { 0, 0, 0xF068, "InputSourceMenuHandler" },
        { 0, 0, 0xF073, "ChannelNumberHandler" },
        { 0, 0, 0xF00A, "NotAvailableMessageHandler" },
        { E_BRISKUI_OSD_STATUS_INPUT_SOURCE_MENU, 0, 0x35, "InputSourceMenuHandler" },
        { E_BRISKUI_OSD_STATUS_PIN_CODE, 0, 0x35, "PinCodeHandler" },
        { 0, 0, 0x35, "ChannelNumberHandler" },   // on analogue TV
        { E_BRISKUI_OSD_STATUS_ATV_DTV_SWITCH_MENU, 0, 0xF003, "AtvDtvSwitchMenuHandler" },
        { E_BRISKUI_OSD_STATUS_CHANNEL_NUMBER, 0, 0x0D, "ChannelNumberHandler" },
        { 0, 0xEE99, 0xF54F, "FactoryArcHandler" },
        { 0, 0xEED5, 0xF54F, "FactoryBalanceHandler" },
        { 0, 0xBFAB, 0xF54F, "VersionSelfCheckHandler" },
        { 0, 0xEE20, 0xF54F, "FactoryOrvexCheck" },
        { 0, 0, 0xF53F, "AtvDtvSwitchMenuHandler" },
    };
    sim::SetInputSource(MAPI_INPUT_SOURCE_ATV);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        {
            BriskManagerLock lock;
            // Only the base status, or the base and the OSD of the case.
            manager_->EnableStatus(c.shown != 0 ? (EN_BRISKUI_OSD_STATUS)c.shown : E_BRISKUI_OSD_STATUS_BASE, 0);
            manager_->UpdateOsd();
        }
        sim::SetFactoryCode(c.factoryCode);
        Seen();
        Key(c.key);
        std::vector<std::string> seen = Seen();
        std::string key = std::string(c.expected) + " key " + std::to_string(c.key);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), key), 1);
        for (const std::string& line : seen) {
            if (line.find(" key ") != std::string::npos) {
                EXPECT_EQ(line, key);
            }
        }
    }

    // Timers: each probe's own event reaches it.
    for (size_t i = 0; i < kProbes; ++i) PostTimer(manager_, kProbeTable[i].pfGet());
    ASSERT_TRUE(manager_->WaitIdle(5000));
    std::vector<std::string> timers;
    for (const std::string& line : Seen())
        if (line.find(" timer ") != std::string::npos) timers.push_back(line);
    std::sort(timers.begin(), timers.end());
    std::vector<std::string> expected = Each(" timer 1000");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(timers, expected);

    // Composition: everything shown is drawn, later entries over earlier.
    {
        BriskManagerLock lock;
        for (size_t i = 0; i < kProbes; ++i) manager_->EnableStatus(kProbeTable[i].eStatus, 0xFFFF);
        g_seen.clear();
        manager_->UpdateOsd();
    }
    const char* const order[] = { "VolumeHandler",
                                  "ChannelNumberHandler",
                                  "ChannelChangeHandler",
                                  "InputSourceMenuHandler",
                                  "InputSourceIconHandler",
                                  "WaitMessageHandler",
                                  "NotAvailableMessageHandler",
                                  "FactoryArcHandler",
                                  "InitializationHandler",
                                  "AtvDtvSwitchMenuHandler",
                                  "FactoryBalanceHandler",
                                  "VersionSelfCheckHandler",
                                  "FactoryDirectlyInputSourceChanged",
                                  "FactoryOrvexCheck",
                                  "PinCodeHandler" };
    std::vector<std::string> updates;
    for (const char* name : order) updates.push_back(std::string(name) + " update");
    EXPECT_EQ(Seen(), updates);
    EXPECT_EQ(OpaqueCount(manager_->GetSurface(), _Rect(20, 20, 80 * (int)kProbes, 60)), (int)kProbes * 60 * 60);

    // Exit: the volume and channel-number OSDs get the key, the PIN entry
    // and the input icon stay, every other OSD goes and is erased.
    Key(EXIT);
    std::vector<std::string> keys;
    for (const std::string& line : Seen())
        if (line.find(" key ") != std::string::npos) keys.push_back(line);
    EXPECT_EQ(keys, (std::vector<std::string>{ "VolumeHandler key 61538", "ChannelNumberHandler key 61538" }));
    EXPECT_EQ(manager_->GetCurrentStatus(),
              (U32)(E_BRISKUI_OSD_STATUS_BASE | E_BRISKUI_OSD_STATUS_VOLUME | E_BRISKUI_OSD_STATUS_CHANNEL_NUMBER |
                    E_BRISKUI_OSD_STATUS_PIN_CODE | E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON));
    EXPECT_EQ(Pixel(manager_->GetSurface(), 20 + 1 * 80 + 30, 50), 0u);    // wait message (second row) erased
    EXPECT_NE(Pixel(manager_->GetSurface(), 20 + 12 * 80 + 30, 50), 0u);   // PIN entry still drawn
}

}   // namespace
