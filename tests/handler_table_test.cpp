// The handler table: the rows of this build, and the proof that a row is
// all the manager needs to know of an OSD. With the real table, every
// row's handler is created knowing its status, composed and erased when
// hidden. With the table's rows on probe handlers, every claim of a key
// and of a factory code reaches its row in the situation the claim names,
// precedence decides between claimants, timers reach their rows,
// composition follows the layers and the exit keys follow the rows; all
// the expectations come from the rows themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "BriskKeys.h"
#include "BriskUiHandlerTable.h"
#include "BriskUiManager.h"
#include "EventHandler.h"
#include "HostSupport.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

void PostTimer(BriskUiManager* manager, void* handler)
{
    DFBUserEvent timer;
    timer.clazz = DFEC_USER;
    timer.type = 1000;
    timer.data = handler;
    manager->PostEvent(timer);
    manager->WakeUp();
}

std::vector<const ST_BRISKUI_HANDLER_ROW*> Rows()
{
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    std::vector<const ST_BRISKUI_HANDLER_ROW*> list;
    for (size_t i = 0; i < count; ++i) list.push_back(&rows[i]);
    return list;
}

class HandlerTableTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
    }
};

TEST_F(HandlerTableTest, RowsAreDistinctOsdBitsNamedAndLayered)
{
    std::vector<const ST_BRISKUI_HANDLER_ROW*> rows = Rows();
    ASSERT_GE(rows.size(), 1u);
    EXPECT_EQ(rows[0]->eStatus, E_BRISKUI_OSD_STATUS_VOLUME);
    std::set<U32> seen;
    std::set<std::string> names;
    for (const ST_BRISKUI_HANDLER_ROW* row : rows) {
        U32 s = row->eStatus;
        EXPECT_TRUE(s >= 0x0002 && (s & (s - 1)) == 0) << s;
        EXPECT_TRUE(seen.insert(s).second) << s;
        EXPECT_EQ(BriskFindHandlerRow(s), row);
        ASSERT_NE(row->pName, nullptr);
        EXPECT_TRUE(names.insert(row->pName).second) << row->pName;
        EXPECT_STREQ(BriskUiOsdName(s), row->pName);
        EXPECT_NE(row->pLayoutNA, nullptr);
        EXPECT_NE(row->pLayoutEU, nullptr);
    }
    EXPECT_EQ(BriskFindHandlerRow(E_BRISKUI_OSD_STATUS_VOLUME | E_BRISKUI_OSD_STATUS_WAIT_MESSAGE), nullptr);
    EXPECT_STREQ(BriskUiOsdName(E_BRISKUI_OSD_STATUS_BASE), "base");
    EXPECT_STREQ(BriskUiOsdName(0x3), "unknown");

    // The composition order is every row once, by layer.
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* const* order = BriskCompositionOrder(&count);
    ASSERT_EQ(count, rows.size());
    for (size_t i = 1; i < count; ++i) EXPECT_LE(order[i - 1]->u16Layer, order[i]->u16Layer);
    EXPECT_EQ(std::set<const ST_BRISKUI_HANDLER_ROW*>(order, order + count),
              std::set<const ST_BRISKUI_HANDLER_ROW*>(rows.begin(), rows.end()));
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
    LayoutKeys::SetReadHook(&RecordRead);
    for (const ST_BRISKUI_HANDLER_ROW* row : Rows()) {
        SCOPED_TRACE(row->pName);
        // The base reads its own keys and every section's type.
        std::set<std::string> declared = { "setting:u8type" };
        for (const ST_LAYOUT_KEY& key : kBaseLayoutKeys) declared.insert("setting:" + Folded(key.pName));
        const ST_LAYOUT_NEEDS* needs = row->pLayoutNeeds;
        ASSERT_NE(needs, nullptr);
        for (size_t k = 0; k < needs->uKeyCount; ++k) declared.insert("setting:" + Folded(needs->pKeys[k].pName));
        for (const char* file : { row->pLayoutNA, row->pLayoutEU }) {
            g_reads.clear();
            EventHandler* handler = row->pfCreate();
            ASSERT_NE(handler, nullptr);
            handler->LoadResource((layouts + file).c_str());
            row->pfDelete();
            for (const std::string& key : g_reads) {
                if (Folded(key.c_str()).compare(0, 8, "setting:") != 0) continue;
                EXPECT_EQ(declared.count(Folded(key.c_str())), 1u) << file << " reads " << key;
            }
        }
    }
    LayoutKeys::SetReadHook(nullptr);
}

TEST_F(HandlerTableTest, EveryRowIsCreatedComposedAndErased)
{
    StartManager();
    IDirectFBSurface* surface = manager_->GetSurface();
    for (const ST_BRISKUI_HANDLER_ROW* row : Rows()) {
        EN_BRISKUI_OSD_STATUS status = row->eStatus;
        SCOPED_TRACE(row->pName);
        EventHandler* handler = row->pfGet();
        ASSERT_NE(handler, nullptr);
        EXPECT_EQ(handler->GetOsdStatus(), (U32)status);
        EXPECT_NE(handler->GetHost(), nullptr);

        // Shown alone and composed: its items are on screen.
        {
            BriskManagerLock lock;
            handler->ShowOsd();
            manager_->UpdateOsd();
            EXPECT_EQ(manager_->GetCurrentStatus(), E_BRISKUI_OSD_STATUS_BASE | (U32)status);
            EXPECT_GT(OpaqueCount(surface, handler->GetItemRegion()), 0);
        }

        // Hidden: off the set and, unless its row keeps it on screen (the
        // volume OSD outside its bar), erased at the next composition.
        {
            BriskManagerLock lock;
            handler->ShowOsd();
            handler->HideOsd();
            manager_->UpdateOsd();
            EXPECT_FALSE(manager_->QueryStatus(status));
            if (row->pfStatusCleared == nullptr || row->pfStatusCleared(handler)) {
                EXPECT_EQ(OpaqueCount(surface, handler->GetItemRegion()), 0);
            }
        }
    }
}

// This build's table without the ATV/DTV switch menu's row, in force while
// it lives.
class TableWithoutSwitchMenu {
public:
    TableWithoutSwitchMenu()
    {
        for (const ST_BRISKUI_HANDLER_ROW* row : Rows())
            if (row->eStatus != E_BRISKUI_OSD_STATUS_ATV_DTV_SWITCH_MENU) rows_.push_back(*row);
        BriskSetHandlerTable(rows_.data(), rows_.size());
    }
    ~TableWithoutSwitchMenu() { BriskSetHandlerTable(nullptr, 0); }

private:
    std::vector<ST_BRISKUI_HANDLER_ROW> rows_;
};

TEST_F(HandlerTableTest, KeysOfNoRowGoBack)
{
    TableWithoutSwitchMenu table;
    StartManager();
    // The switch key is claimed by the missing row alone: it is no key of
    // this library now.
    EXPECT_FALSE(manager_->KeyHandler(BRISKKEY_CUSTOM63_ATV_DTV));
    StopManager();   // while the table it started with is in force
}

// ---- the table's rows on probe handlers ----------------------------------------

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

// A probe slot per row of the table, by position.
template <size_t N>
struct ProbeSlot {
    static Probe* p;
};
template <size_t N>
Probe* ProbeSlot<N>::p = nullptr;

template <size_t... N>
std::vector<ST_BRISKUI_HANDLER_ROW> ProbeRows(std::index_sequence<N...>)
{
    std::vector<const ST_BRISKUI_HANDLER_ROW*> rows = Rows();
    std::vector<ST_BRISKUI_HANDLER_ROW> probes;
    // Each row of the real table, with a probe for its handler.
    (void)std::initializer_list<int>{ (
        N < rows.size() ? (probes.push_back(BriskRowWithClass<Probe, &ProbeSlot<N>::p>(*rows[N])), 0) : 0)... };
    return probes;
}

std::string ProbeLayout(U32 status, int country)
{
    char name[40];
    snprintf(name, sizeof(name), "Probe0x%05X_%s.ini", (unsigned)status, country == 1 ? "NA" : "EU");
    return name;
}

class ProbeTableTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        root_.Write("/test/images/.keep", "");
        WriteSolidPng(root_.Path() + "/test/images/probe.png", 4, 4, 0xFF808080);
        probes_ = ProbeRows(std::make_index_sequence<32>());
        ASSERT_EQ(probes_.size(), Rows().size()) << "more rows than probe slots";
        names_.clear();
        names_.reserve(probes_.size());   // the rows point into it
        for (size_t i = 0; i < probes_.size(); ++i) {
            ST_BRISKUI_HANDLER_ROW& row = probes_[i];
            names_.push_back({ ProbeLayout(row.eStatus, 1), ProbeLayout(row.eStatus, 2) });
            row.pLayoutNA = names_[i].first.c_str();
            row.pLayoutEU = names_[i].second.c_str();
            // Side by side, one time-out long enough never to fire here.
            std::string layout = LayoutImage("box", _Rect(20 + (int)i * 80, 20, 60, 60), "probe.png") +
                                 "[setting]\nu16TimeOut = 60000\n";
            WriteLayout(row.pLayoutNA, layout);
            WriteLayout(row.pLayoutEU, layout);
        }
        g_seen.clear();
        BriskSetHandlerTable(probes_.data(), probes_.size());
    }
    void TearDown() override
    {
        ManagerTest::TearDown();
        BriskSetHandlerTable(nullptr, 0);
    }
    // What the probes saw since the last call; with `what`, only the lines
    // of that kind (" key ", " update", ...).
    std::vector<std::string> Seen(const char* what = nullptr)
    {
        BriskManagerLock lock;
        std::vector<std::string> seen;
        for (const std::string& line : g_seen)
            if (what == nullptr || line.find(what) != std::string::npos) seen.push_back(line);
        g_seen.clear();
        return seen;
    }
    std::vector<std::string> Each(const std::string& what)
    {
        std::vector<std::string> lines;
        for (const ST_BRISKUI_HANDLER_ROW& row : probes_) lines.push_back(std::string(row.pName) + what);
        return lines;
    }
    // Only the base status, and the OSDs of `shown` (each keeping the others).
    void ShowOnly(const std::vector<U32>& shown)
    {
        BriskManagerLock lock;
        manager_->EnableStatus(E_BRISKUI_OSD_STATUS_BASE, 0);
        for (U32 status : shown) manager_->EnableStatusMask(status, 0xFFFFFFFF);
        manager_->UpdateOsd();
    }
    static std::string KeyLine(const ST_BRISKUI_HANDLER_ROW& row, U32 key)
    {
        return std::string(row.pName) + " key " + std::to_string(key);
    }
    static U32 Bits(U32 mask, std::vector<U32>* into)
    {
        for (U32 bit = 2; bit != 0; bit <<= 1)
            if ((mask & bit) != 0) into->push_back(bit);
        return mask;
    }

    std::vector<ST_BRISKUI_HANDLER_ROW> probes_;
    std::vector<std::pair<std::string, std::string>> names_;
};

TEST_F(ProbeTableTest, StartAndFinalizeWalkTheTableInItsOrder)
{
    StartOptions options;
    options.country = 1;
    StartManager(options);
    std::vector<std::string> loads;
    for (const ST_BRISKUI_HANDLER_ROW& row : probes_) {
        loads.push_back(std::string(row.pName) + " load " + row.pLayoutNA);
        EXPECT_EQ(row.pfGet()->GetOsdStatus(), (U32)row.eStatus);
    }
    EXPECT_EQ(Seen(), loads);
    StopManager();
    EXPECT_EQ(Seen(), Each(" delete"));
    for (const ST_BRISKUI_HANDLER_ROW& row : probes_) EXPECT_EQ(row.pfGet(), nullptr);
}

// Each claim of a key reaches its row in the situation the claim names
// (its OSD shown alone, the input a tuner or not), hiding first what the
// claim hides.
TEST_F(ProbeTableTest, EveryKeyClaimReachesItsRowWhenItHolds)
{
    StartManager();
    for (const ST_BRISKUI_HANDLER_ROW& row : probes_) {
        for (size_t k = 0; k < row.uKeyCount; ++k) {
            const ST_BRISKUI_KEY_CLAIM& claim = row.pKeys[k];
            for (U32 key : { claim.u32FirstKey, claim.u32LastKey }) {
                SCOPED_TRACE(KeyLine(row, key));
                std::vector<U32> shown;
                if (claim.u8When == E_BRISKUI_KEY_WHILE_SHOWN) shown.push_back(row.eStatus);
                std::vector<U32> hidden;
                Bits(claim.u32HideFirst, &hidden);
                shown.insert(shown.end(), hidden.begin(), hidden.end());
                sim::SetInputSource(claim.u8When == E_BRISKUI_KEY_ON_TUNER ? MAPI_INPUT_SOURCE_ATV
                                                                           : MAPI_INPUT_SOURCE_HDMI);
                ShowOnly(shown);
                Seen();
                Key(key);
                EXPECT_EQ(Seen(" key "), std::vector<std::string>{ KeyLine(row, key) });
                for (U32 status : hidden) EXPECT_FALSE(manager_->QueryStatus(status)) << status;
            }
        }
    }
}

// When several claims of one key hold, the lowest precedence takes it (the
// exit key goes to each of them, in that order).
TEST_F(ProbeTableTest, PrecedenceDecidesBetweenClaimsThatHold)
{
    StartManager();
    sim::SetInputSource(MAPI_INPUT_SOURCE_ATV);
    std::map<U32, std::vector<std::pair<U8, const ST_BRISKUI_HANDLER_ROW*>>> claimants;
    for (const ST_BRISKUI_HANDLER_ROW& row : probes_)
        for (size_t k = 0; k < row.uKeyCount; ++k) {
            U32 key = row.pKeys[k].u32FirstKey;
            for (const ST_BRISKUI_HANDLER_ROW& other : probes_)
                for (size_t j = 0; j < other.uKeyCount; ++j)
                    if (BriskClaimCovers(other.pKeys[j], key) &&
                        std::find(claimants[key].begin(), claimants[key].end(),
                                  std::make_pair(other.pKeys[j].u8Precedence, &other)) == claimants[key].end())
                        claimants[key].push_back({ other.pKeys[j].u8Precedence, &other });
        }
    int contested = 0;
    for (auto& entry : claimants) {
        std::vector<std::pair<U8, const ST_BRISKUI_HANDLER_ROW*>>& list = entry.second;
        if (list.size() < 2) continue;
        ++contested;
        SCOPED_TRACE(entry.first);
        std::stable_sort(list.begin(), list.end(),
                         [](const std::pair<U8, const ST_BRISKUI_HANDLER_ROW*>& a,
                            const std::pair<U8, const ST_BRISKUI_HANDLER_ROW*>& b) { return a.first < b.first; });
        std::vector<U32> shown;
        for (const auto& claimant : list) shown.push_back(claimant.second->eStatus);
        ShowOnly(shown);
        Seen();
        Key(entry.first);
        std::vector<std::string> expected;
        if (entry.first == BRISKKEY_EXIT) {
            for (const auto& claimant : list) expected.push_back(KeyLine(*claimant.second, entry.first));
        } else {
            expected.push_back(KeyLine(*list[0].second, entry.first));
        }
        EXPECT_EQ(Seen(" key "), expected);
    }
    EXPECT_GT(contested, 0);
}

// Each factory code range reaches its row (the narrowest range of a code
// wins), hiding first what the range hides.
TEST_F(ProbeTableTest, EveryFactoryCodeReachesItsScreen)
{
    StartManager();
    for (const ST_BRISKUI_HANDLER_ROW& row : probes_) {
        for (size_t k = 0; k < row.uFactoryCodeCount; ++k) {
            const ST_BRISKUI_FACTORY_CLAIM& claim = row.pFactoryCodes[k];
            for (U16 code : { claim.u16FirstCode, claim.u16LastCode }) {
                SCOPED_TRACE(std::string(row.pName) + " " + std::to_string(code));
                std::vector<U32> hidden;
                Bits(claim.u32HideFirst, &hidden);
                ShowOnly(hidden);
                sim::SetFactoryCode(code);
                Seen();
                Key(BRISKKEY_CUSTOM79_FACTORY);
                EXPECT_EQ(Seen(" key "), std::vector<std::string>{ KeyLine(row, BRISKKEY_CUSTOM79_FACTORY) });
                for (U32 status : hidden) EXPECT_FALSE(manager_->QueryStatus(status)) << status;
            }
        }
    }
}

TEST_F(ProbeTableTest, TimersCompositionAndExitFollowTheRows)
{
    StartManager();
    Seen();

    // Timers: each probe's own event reaches it.
    for (const ST_BRISKUI_HANDLER_ROW& row : probes_) PostTimer(manager_, row.pfGet());
    ASSERT_TRUE(manager_->WaitIdle(5000));
    std::vector<std::string> timers = Seen(" timer ");
    std::sort(timers.begin(), timers.end());
    std::vector<std::string> expected = Each(" timer 1000");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(timers, expected);

    // Composition: everything shown is drawn, by layer.
    std::vector<U32> all;
    for (const ST_BRISKUI_HANDLER_ROW& row : probes_) all.push_back(row.eStatus);
    ShowOnly(all);
    std::vector<const ST_BRISKUI_HANDLER_ROW*> byLayer;
    for (const ST_BRISKUI_HANDLER_ROW& row : probes_) byLayer.push_back(&row);
    std::stable_sort(
        byLayer.begin(), byLayer.end(),
        [](const ST_BRISKUI_HANDLER_ROW* a, const ST_BRISKUI_HANDLER_ROW* b) { return a->u16Layer < b->u16Layer; });
    std::vector<std::string> updates;
    for (const ST_BRISKUI_HANDLER_ROW* row : byLayer) updates.push_back(std::string(row->pName) + " update");
    EXPECT_EQ(Seen(" update"), updates);
    EXPECT_EQ(OpaqueCount(manager_->GetSurface(), _Rect(20, 20, 80 * (int)probes_.size(), 60)),
              (int)probes_.size() * 60 * 60);

    // Exit: the rows the exit keys close go and are erased; the others
    // stay (the probes that take the key do not close themselves).
    Key(BRISKKEY_CUSTOM61_EXIT);
    U32 staying = E_BRISKUI_OSD_STATUS_BASE;
    for (size_t i = 0; i < probes_.size(); ++i) {
        const ST_BRISKUI_HANDLER_ROW& row = probes_[i];
        U32 pixel = Pixel(manager_->GetSurface(), 20 + (int)i * 80 + 30, 50);
        if (row.bClosedByExit) {
            EXPECT_EQ(pixel, 0u) << row.pName;
        } else {
            staying |= row.eStatus;
            EXPECT_NE(pixel, 0u) << row.pName;
        }
    }
    EXPECT_EQ(manager_->GetCurrentStatus(), staying);
}

}   // namespace
