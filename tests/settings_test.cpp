// The common settings file, its atomic rewrite, language folders, the
// analogue-switch rule and the clock.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <memory>
#include <random>
#include <thread>

#include "BriskFiles.h"
#include "BriskPlatform.h"
#include "BriskUiManager.h"
#include "IniCompat.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const char kSettings[] = "/Customer/briskui/layout/BriskUISetting.ini";

// Runs of blanks become one, so that aligned "key    = value" reads "key = value".
std::string Squeeze(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
    return out;
}

class SettingsTest : public ManagerTest {
protected:
    BriskUiManager* Load()
    {
        manager_ = BriskUiManager::GetInstance();
        manager_->LoadCommonSetting();
        return manager_;
    }
    void TearDown() override
    {
        // Never started: just drop the singleton the way a host would.
        if (manager_ != nullptr) {
            manager_->Finalize();
            manager_ = nullptr;
        }
        ManagerTest::TearDown();
    }
};

TEST_F(SettingsTest, KeysAndDefaults)
{
    root_.Write(kSettings, "[BriskUISetting]\nbActivateBriskUI = FALSE\nbFirstInitialization = TRUE\nu8ColorFormat = 1\n");
    BriskUiManager* m = Load();
    EXPECT_EQ(m->QueryBriskUiEnabled(), 0);
    EXPECT_EQ(m->IsFirstInitialization(), 1);
    EXPECT_EQ(m->QueryColorFormat(), 1);
    EXPECT_EQ(m->QueryCountry(), 2);
    EXPECT_EQ(m->GetLayoutPath(), "/config/briskui/layout/EN/");
}

TEST_F(SettingsTest, FileWithOnlyTheColourFormat)
{
    root_.Write(kSettings, "[BriskUISetting]\nu8ColorFormat = 0x101\n");
    BriskUiManager* m = Load();
    EXPECT_EQ(m->QueryBriskUiEnabled(), 1);
    EXPECT_EQ(m->IsFirstInitialization(), 0);
    EXPECT_EQ(m->QueryColorFormat(), 1);   // low 8 bits
    EXPECT_EQ(m->QueryCountry(), 2);
}

TEST_F(SettingsTest, MissingFileChangesNothing)
{
    unlink((root_.Path() + kSettings).c_str());
    sim::SetOsdLanguage(5);
    BriskUiManager* m = BriskUiManager::GetInstance();
    manager_ = m;
    std::string out = CaptureStdout([&] { EXPECT_TRUE(m->LoadCommonSetting()); });
    EXPECT_EQ(out, "[BriskUI] BriskUiManager::LoadCustomizedResource failed, no such file " + root_.Path() +
                       kSettings + "\n");
    EXPECT_EQ(m->QueryBriskUiEnabled(), 1);
    EXPECT_EQ(m->QueryColorFormat(), 2);
    EXPECT_EQ(m->GetLayoutPath(), "/config/briskui/layout/");   // no language folder
    CaptureStdout([&] {
        EXPECT_FALSE(m->SetConfigActivation(1));
        EXPECT_FALSE(m->SetConfigFirstInitialization(1));
    });
    EXPECT_FALSE(root_.Exists(kSettings));
}

TEST_F(SettingsTest, FifoOrOversizedFileIsUnreadable)
{
    // Each is refused with the missing file's message and its reason,
    // before anything opens it: the values stay, the setters write nothing.
    std::string path = root_.Path() + kSettings;
    unlink(path.c_str());
    std::string big = "[BriskUISetting]\nbActivateBriskUI = FALSE\n";
    while (big.size() < E_BRISK_MAX_INI_BYTES) big += "; padding line\n";
    big.resize(E_BRISK_MAX_INI_BYTES + 1, '\n');
    struct Case {
        std::function<void()> make;
        std::string reason;
    } cases[] = {
        {[&] {}, " (not a regular file)"},
        {[&] { root_.Write(kSettings, big); }, " (1048577 bytes, more than 1048576)"},
    };
    for (Case& c : cases) {
        std::unique_ptr<Fifo> fifo;
        if (c.reason == " (not a regular file)") fifo.reset(new Fifo(path));
        c.make();
        manager_ = BriskUiManager::GetInstance();
        std::string out = CaptureStdout([&] {
            EXPECT_TRUE(manager_->LoadCommonSetting());
            EXPECT_FALSE(manager_->SetConfigActivation(0));
        });
        std::string line = "[BriskUI] BriskUiManager::LoadCustomizedResource failed, no such file " + path + c.reason + "\n";
        EXPECT_EQ(out, line + line);
        EXPECT_EQ(manager_->QueryBriskUiEnabled(), 1);
        if (fifo) {
            EXPECT_FALSE(fifo->ReaderBlocked());
        }
        unlink(path.c_str());
    }
}

TEST_F(SettingsTest, RewritesOneKeyAsTrueOrFalse)
{
    root_.Write(kSettings, "; comment\n[BriskUISetting]\nbActivateBriskUI = TRUE\nu8ColorFormat = 1\n[Other]\nKey = v\n");
    BriskUiManager* m = Load();
    EXPECT_TRUE(m->SetConfigActivation(2));
    EXPECT_TRUE(m->SetConfigFirstInitialization(1));
    // Regenerated from the parsed dictionary: lower-case names, no comment.
    std::string text = Squeeze(root_.Read(kSettings));
    EXPECT_NE(text.find("[briskuisetting]"), std::string::npos) << text;
    EXPECT_NE(text.find("bactivatebriskui = FALSE"), std::string::npos) << text;
    EXPECT_NE(text.find("bfirstinitialization = TRUE"), std::string::npos) << text;
    EXPECT_NE(text.find("u8colorformat = 1"), std::string::npos) << text;
    EXPECT_NE(text.find("[other]"), std::string::npos) << text;
    EXPECT_NE(text.find("key = v"), std::string::npos) << text;
    EXPECT_EQ(text.find("comment"), std::string::npos) << text;
    EXPECT_EQ(m->QueryBriskUiEnabled(), 1);   // takes effect at the next load
    // No temporary file is left beside it.
    EXPECT_EQ(root_.List("/Customer/briskui/layout").size(), 1u);
    m->LoadCommonSetting();
    EXPECT_EQ(m->QueryBriskUiEnabled(), 0);
    EXPECT_EQ(m->IsFirstInitialization(), 1);
}

// Every key of `before` is in `after` with the same value, and nothing else.
void ExpectSameEntries(dictionary* before, dictionary* after)
{
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->n, before->n);
    for (ssize_t i = 0; i < before->size; ++i) {
        if (before->key[i] == nullptr) continue;
        if (before->val[i] == nullptr)
            EXPECT_TRUE(iniparser_find_entry(after, before->key[i])) << before->key[i];
        else
            EXPECT_STREQ(iniparser_getstring(after, before->key[i], nullptr), before->val[i]) << before->key[i];
    }
}

TEST_F(SettingsTest, RewriteReadsBackKeyForKeyAndValueForValue)
{
    // A section whose name ends in ':' and values iniparser would change if
    // written plainly: comment characters, blanks, quotes, a backslash.
    root_.Write(kSettings, "top = level\n[BriskUISetting:]\nbActivateBriskUI = TRUE\n[BriskUISetting]\n"
                           "u8ColorFormat = 1\n[Odd]\nsemi = \"a;b # c\"\nlead = \"  two blanks\"\n"
                           "quotes = '\"quoted\"'\nsingle = \"it's\"\ndrive = \"c:\\\"\nempty =\n");
    std::string path = root_.Path() + kSettings;
    dictionary* before = iniparser_load(path.c_str());
    ASSERT_NE(before, nullptr);
    BriskUiManager* m = Load();
    EXPECT_TRUE(m->SetConfigActivation(0));
    iniparser_set(before, "briskuisetting:bactivatebriskui", "FALSE");
    dictionary* after = iniparser_load(path.c_str());
    ExpectSameEntries(before, after);
    iniparser_freedict(before);
    if (after != nullptr) iniparser_freedict(after);
    std::string out = CaptureStdout([&] { m->LoadCommonSetting(); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(m->QueryBriskUiEnabled(), 0);
    EXPECT_EQ(m->QueryColorFormat(), 1);
}

TEST_F(SettingsTest, RewriteThatWouldNotReadBackKeepsTheOldFile)
{
    // Quoted without blanks the line just fits iniparser's line length;
    // any rewrite of it does not.
    std::string original = "[BriskUISetting]\nbActivateBriskUI = TRUE\n[Long]\nk=\"a;" + std::string(1016, 'x') + "\"\n";
    root_.Write(kSettings, original);
    BriskUiManager* m = Load();
    BOOL result = TRUE;
    std::string out = CaptureStdout([&] { result = m->SetConfigActivation(0); });
    EXPECT_FALSE(result);
    EXPECT_NE(out.find("[BriskUI] cannot rewrite " + root_.Path() + kSettings), std::string::npos) << out;
    EXPECT_EQ(root_.Read(kSettings), original);
    EXPECT_EQ(root_.List("/Customer/briskui/layout").size(), 1u);
}

TEST_F(SettingsTest, KeyIsAddedEvenWhenTheSectionIsMissing)
{
    root_.Write(kSettings, "[Other]\nKey = v\n");
    BriskUiManager* m = Load();
    EXPECT_TRUE(m->SetConfigFirstInitialization(1));
    m->LoadCommonSetting();
    EXPECT_EQ(m->IsFirstInitialization(), 1);
}

TEST_F(SettingsTest, ConcurrentSettersLoseNoUpdate)
{
    BriskUiManager* m = Load();
    for (int round = 0; round < 40; ++round) {
        U8 activation = round % 2, first = (round + 1) % 2;
        std::atomic<int> ready{0};
        auto together = [&ready] {
            ready.fetch_add(1);
            while (ready.load() < 2) {
            }
        };
        std::thread a([&] { together(); EXPECT_TRUE(m->SetConfigActivation(activation)); });
        std::thread b([&] { together(); EXPECT_TRUE(m->SetConfigFirstInitialization(first)); });
        a.join();
        b.join();
        m->LoadCommonSetting();
        ASSERT_EQ(m->QueryBriskUiEnabled(), activation) << "round " << round;
        ASSERT_EQ(m->IsFirstInitialization(), first) << "round " << round;
    }
    EXPECT_EQ(root_.List("/Customer/briskui/layout").size(), 1u);
}

TEST_F(SettingsTest, SymbolicLinkKeepsItsLinkAndItsTargetIsReplaced)
{
    root_.Write("/data/settings/BriskUISetting.ini", "[BriskUISetting]\nbActivateBriskUI = TRUE\n");
    std::string link = root_.Path() + kSettings;
    unlink(link.c_str());
    ASSERT_EQ(symlink("../../../data/settings/BriskUISetting.ini", link.c_str()), 0);
    BriskUiManager* m = Load();
    EXPECT_TRUE(m->SetConfigActivation(0));
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(root_.Read("/data/settings/BriskUISetting.ini").find("FALSE"), std::string::npos);
    m->LoadCommonSetting();
    EXPECT_EQ(m->QueryBriskUiEnabled(), 0);
    EXPECT_EQ(root_.List("/Customer/briskui/layout").size(), 1u);
    EXPECT_EQ(root_.List("/data/settings").size(), 1u);
}

TEST_F(SettingsTest, FailedRewriteLeavesTheOldFileIntact)
{
    // A file big enough that a tiny file-size limit stops its rewrite.
    std::string original = "[BriskUISetting]\nbActivateBriskUI = TRUE\nu8ColorFormat = 2\n[Padding]\n";
    for (int i = 0; i < 200; ++i) original += "key" + std::to_string(i) + " = some value to make the file longer\n";
    root_.Write(kSettings, original);
    BriskUiManager* m = Load();

    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 256;
    signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    BOOL result = TRUE;
    std::string out = CaptureStdout([&] { result = m->SetConfigActivation(0); });
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);

    EXPECT_FALSE(result);
    EXPECT_NE(out.find("[BriskUI] cannot rewrite"), std::string::npos) << out;
    EXPECT_EQ(root_.Read(kSettings), original);
    EXPECT_EQ(root_.List("/Customer/briskui/layout").size(), 1u);
}

TEST_F(SettingsTest, LanguageFolders)
{
    struct Case {
        U32 language;
        const char* folder;
    } cases[] = {{468, "UK/"}, {1, "EN/"}, {6, "EN/"}, {5, "GE/"}, {0, "CZ/"}, {35, "TU/"}, {999, "EN/"}};
    BriskUiManager* m = Load();
    for (const Case& c : cases) {
        sim::SetOsdLanguage(c.language);
        m->SetupLanguage();
        EXPECT_EQ(m->GetLayoutPath(), std::string("/config/briskui/layout/") + c.folder) << c.language;
    }
    sim::SetOsdLanguage(5);
    sim::SetSystemDatabasePresent(false);
    m->SetupLanguage();
    EXPECT_EQ(m->GetLayoutPath(), "/config/briskui/layout/EN/");
}

TEST_F(SettingsTest, AnalogueSwitchRule)
{
    BriskUiManager* m = Load();
    sim::SetCountry(14);
    sim::SetCableOperator(7);
    sim::SetRoutePath(1, 2);
    sim::SetCurrentRoute(1);
    std::string out = CaptureStdout([&] { EXPECT_FALSE(m->IsAllowedToSwitchATV()); });
    EXPECT_NE(out.find("IsAllowedToSwitchATV(): "), std::string::npos);
    EXPECT_NE(out.find(", bIsAllowedToSwitchATV=0, eSystemCountry=14, eCableOperator=7, u8RoutePath=2\n"),
              std::string::npos)
        << out;
    sim::SetRoutePath(1, 1);
    EXPECT_TRUE(m->IsAllowedToSwitchATV());
    sim::SetRoutePath(1, 2);
    sim::SetCableOperator(6);
    EXPECT_TRUE(m->IsAllowedToSwitchATV());
    sim::SetCableOperator(7);
    sim::SetSystemDatabasePresent(false);   // country 59, operator 0
    EXPECT_TRUE(m->IsAllowedToSwitchATV());
}

TEST_F(SettingsTest, SystemTimeIsMonotonicMilliseconds)
{
    BriskUiManager* m = Load();
    U32 t0 = m->GetSystemTime();
    usleep(20000);
    U32 t1 = m->GetSystemTime();
    EXPECT_GE(t1 - t0, 19u);
    EXPECT_LT(t1 - t0, 1000u);
    BriskAdvanceClock(5000);
    EXPECT_GE(m->GetSystemTime() - t1, 5000u);
}

TEST_F(SettingsTest, VersionsAndNoOps)
{
    BriskUiManager* m = Load();
    m->SetSwVersion("V1.2");
    m->SetSwVersion(nullptr);
    m->SetMStarVersion("MS-9");
    EXPECT_EQ(m->GetSwVersion(), "V1.2");
    EXPECT_EQ(m->GetMStarVersion(), "MS-9");
    m->GetOrvexInfo();
    EXPECT_EQ(m->GetVolumeStatus(), 0u);   // no volume handler before start
}

// A process that rewrites the settings file without end is killed at
// random moments (seeded, so each run tries the same spread): after every
// kill the file loads with every key, the rewritten one holds its old or
// its new value, and at most one temporary file lies beside it.
TEST(SettingsPowerCut, KillDuringRewritesLeavesAWholeFileAndAtMostOneTemporary)
{
    TempRoot root;
    std::string content = "[BriskUISetting]\nbActivateBriskUI = TRUE\nu8ColorFormat = 2\n[Padding]\n";
    for (int i = 0; i < 100; ++i) content += "key" + std::to_string(i) + " = value " + std::to_string(i) + "\n";
    root.Write(kSettings, content);
    std::string path = root.Path() + kSettings;
    BriskUiManager* m = BriskUiManager::GetInstance();

    // A rewrite's time here, to spread the kills over a whole rewrite.
    struct timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(m->SetConfigActivation(i % 2));
    clock_gettime(CLOCK_MONOTONIC, &t1);
    long rewriteUs = ((t1.tv_sec - t0.tv_sec) * 1000000L + (t1.tv_nsec - t0.tv_nsec) / 1000) / 20 + 1;

    std::mt19937 random(20240509);
    printf("one rewrite: %ld us\n", rewriteUs);
    std::uniform_int_distribution<long> delay(0, rewriteUs + rewriteUs / 4);
    for (int kill = 0; kill < 500; ++kill) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            ssize_t ignored = write(ready[1], "x", 1);
            (void)ignored;
            for (U8 value = 0;; value ^= 1) m->SetConfigActivation(value);
        }
        close(ready[1]);
        char byte;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        usleep((useconds_t)delay(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);

        dictionary* d = iniparser_load(path.c_str());
        ASSERT_NE(d, nullptr) << "kill " << kill;
        std::string value = iniparser_getstring(d, "briskuisetting:bactivatebriskui", "");
        EXPECT_TRUE(value == "TRUE" || value == "FALSE") << value;
        EXPECT_EQ(iniparser_getsecnkeys(d, "padding"), 100) << "kill " << kill;
        EXPECT_STREQ(iniparser_getstring(d, "padding:key99", ""), "value 99");
        iniparser_freedict(d);
        ASSERT_LE(root.List("/Customer/briskui/layout").size(), 2u) << "kill " << kill;
    }
    EXPECT_TRUE(m->SetConfigActivation(1));
    EXPECT_EQ(root.List("/Customer/briskui/layout").size(), 1u);
    m->Finalize();
}

TEST(IniCompat, UnsignedGetterReadsDecimalAndHexFullWord)
{
    TempRoot root;
    root.Write("/a.ini", "[s]\ndec = 4294967295\nhex = 0xFFFFFFFF\nsmall = 0x10\nzero = 010\nbad = abc\n");
    dictionary* d = iniparser_load((root.Path() + "/a.ini").c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(iniparser_getunsignedint(d, "s:dec", 1), 4294967295u);
    EXPECT_EQ(iniparser_getunsignedint(d, "s:hex", 1), 0xFFFFFFFFu);
    EXPECT_EQ(iniparser_getunsignedint(d, "s:small", 1), 16u);
    EXPECT_EQ(iniparser_getunsignedint(d, "s:zero", 1), 10u);   // decimal, not octal
    EXPECT_EQ(iniparser_getunsignedint(d, "s:bad", 1), 0u);
    EXPECT_EQ(iniparser_getunsignedint(d, "s:missing", 7), 7u);
    EXPECT_EQ(iniparser_setstring(d, "s:dec", "5"), 0);
    EXPECT_EQ(iniparser_getunsignedint(d, "S:DEC", 1), 5u);
    iniparser_freedict(d);
}

}  // namespace
