// The common settings file, its atomic rewrite, language folders, the
// analogue-switch rule and the clock.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

#include "BriskFiles.h"
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

// A settings file of [BriskUISetting] with the key line `key`, padded with
// keys of a section of its own to `entries` entries.
std::string Entries(int entries, const std::string& key)
{
    std::string text = "[BriskUISetting]\n" + key + "\n[Padding]\n";
    for (int i = 3; i < entries; ++i) text += "k" + std::to_string(i) + " = 1\n";
    return text;
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
    root_.Write(kSettings,
                "[BriskUISetting]\nbActivateBriskUI = FALSE\nbFirstInitialization = TRUE\nu8ColorFormat = 0x101\n");
    BriskUiManager* m = Load();
    EXPECT_EQ(m->QueryBriskUiEnabled(), 0);
    EXPECT_EQ(m->IsFirstInitialization(), 1);
    EXPECT_EQ(m->QueryColorFormat(), 1);   // low 8 bits
    EXPECT_EQ(m->QueryCountry(), 2);
    EXPECT_EQ(m->GetLayoutPath(), "/config/briskui/layout/EN/");
}

// A section named like a key is an entry without a value: it reads as the
// key missing (the boolean getter used to read it through a null pointer).
TEST_F(SettingsTest, SectionsNamedLikeTheKeysReadAsMissingKeys)
{
    root_.Write(kSettings,
                "[BriskUISetting:bActivateBriskUI]\n[BriskUISetting:bFirstInitialization]\n"
                "[BriskUISetting:u8ColorFormat]\n");
    BriskUiManager* m = Load();
    EXPECT_EQ(m->QueryBriskUiEnabled(), 1);
    EXPECT_EQ(m->IsFirstInitialization(), 0);
    EXPECT_EQ(m->QueryColorFormat(), 2);
}

// A lost settings file keeps every default but still finds the layouts in
// the OSD language's folder: without one the set would not start.
TEST_F(SettingsTest, MissingFileKeepsDefaultsAndFindsTheLanguageFolder)
{
    unlink((root_.Path() + kSettings).c_str());
    sim::SetOsdLanguage(5);
    BriskUiManager* m = BriskUiManager::GetInstance();
    manager_ = m;
    std::string out = CaptureStdout([&] { EXPECT_TRUE(m->LoadCommonSetting()); });
    EXPECT_EQ(out, "[BriskUI] BriskUiManager::LoadCustomizedResource failed, no such file " + root_.Path() + kSettings +
                       "\n");
    EXPECT_EQ(m->QueryBriskUiEnabled(), 1);
    EXPECT_EQ(m->QueryColorFormat(), 2);
    EXPECT_EQ(m->GetLayoutPath(), "/config/briskui/layout/GE/");
    CaptureStdout([&] {
        EXPECT_FALSE(m->SetConfigActivation(1));
        EXPECT_FALSE(m->SetConfigFirstInitialization(1));
    });
    EXPECT_FALSE(root_.Exists(kSettings));
}

TEST_F(SettingsTest, FilesAtTheLimitsLoad)
{
    // Exactly as many bytes, then exactly as many entries, as a load takes.
    std::string full = "[BriskUISetting]\nbActivateBriskUI = FALSE\n";
    std::string comment = ";" + std::string(1000, 'x') + "\n";   // iniparser's lines are at most 1024 long
    while (full.size() + comment.size() < E_BRISK_MAX_INI_BYTES) full += comment;
    full += ";" + std::string(E_BRISK_MAX_INI_BYTES - full.size() - 2, 'x') + "\n";
    ASSERT_EQ(full.size(), (size_t)E_BRISK_MAX_INI_BYTES);
    for (const std::string& content : { full, Entries(E_BRISK_MAX_INI_ENTRIES, "bActivateBriskUI = FALSE") }) {
        root_.Write(kSettings, content);
        EXPECT_EQ(Load()->QueryBriskUiEnabled(), 0);
        manager_->Finalize();
        manager_ = nullptr;
    }
}

TEST_F(SettingsTest, FifoOrOversizedFileIsUnreadable)
{
    // Refused, before anything opens it, with the missing file's message
    // and the reason: the values stay, the setters write nothing.
    std::string path = root_.Path() + kSettings;
    manager_ = BriskUiManager::GetInstance();
    auto expectRefused = [&](const std::string& reason) {
        std::string out = CaptureStdout([&] {
            manager_->LoadCommonSetting();
            EXPECT_FALSE(manager_->SetConfigActivation(0));
        });
        std::string line = "[BriskUI] BriskUiManager::LoadCustomizedResource failed, no such file " + path + reason;
        EXPECT_EQ(out, line + "\n" + line + "\n");
        EXPECT_EQ(manager_->QueryBriskUiEnabled(), 1);
    };
    std::string big = "[BriskUISetting]\nbActivateBriskUI = FALSE\n";
    while (big.size() <= E_BRISK_MAX_INI_BYTES) big += "; padding\n";
    root_.Write(kSettings, big);
    expectRefused(" (" + std::to_string(big.size()) + " bytes, more than 1048576)");
    // Small, but more entries than a load may cost.
    root_.Write(kSettings, Entries(E_BRISK_MAX_INI_ENTRIES + 1, "bActivateBriskUI = FALSE"));
    expectRefused(" (2049 sections and keys, more than 2048)");
    unlink(path.c_str());
    Fifo fifo(path);
    expectRefused(" (not a regular file)");
    EXPECT_FALSE(fifo.ReaderBlocked());
}

TEST_F(SettingsTest, RewritesOneKeyAsTrueOrFalse)
{
    root_.Write(kSettings,
                "; comment\n[BriskUISetting]\nbActivateBriskUI = TRUE\nu8ColorFormat = 1\n[Other]\nKey = v\n");
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

TEST_F(SettingsTest, RewriteReadsBackKeyForKeyAndValueForValue)
{
    // A key before any section, a section whose name ends in ':', and values
    // iniparser would change if written plainly: comment characters,
    // blanks, quotes, a closing backslash, nothing.
    root_.Write(kSettings,
                "top = level\n[BriskUISetting:]\nbActivateBriskUI = TRUE\n[BriskUISetting]\n"
                "u8ColorFormat = 1\n[Odd]\nsemi = \"a;b # c\"\nlead = \"  two blanks\"\n"
                "quotes = '\"quoted\"'\nsingle = \"it's\"\ndrive = \"c:\\\"\nempty =\n");
    BriskUiManager* m = Load();
    EXPECT_TRUE(m->SetConfigActivation(0));
    dictionary* after = iniparser_load((root_.Path() + kSettings).c_str());
    ASSERT_NE(after, nullptr);
    const char* expected[][2] = {
        { ":top", "level" },
        { "briskuisetting::bactivatebriskui", "TRUE" },
        { "briskuisetting:u8colorformat", "1" },
        { "briskuisetting:bactivatebriskui", "FALSE" },
        { "odd:semi", "a;b # c" },
        { "odd:lead", "  two blanks" },
        { "odd:quotes", "\"quoted\"" },
        { "odd:single", "it's" },
        { "odd:drive", "c:\\" },
        { "odd:empty", "" },
    };
    for (auto& e : expected) EXPECT_STREQ(iniparser_getstring(after, e[0], "(missing)"), e[1]) << e[0];
    EXPECT_EQ(after->n, 13);   // and nothing else: three sections, ten keys
    iniparser_freedict(after);
    m->LoadCommonSetting();
    EXPECT_EQ(m->QueryBriskUiEnabled(), 0);
}

// A rewrite the next start would refuse or read otherwise is no rewrite:
// the setter says so and the old file stays. Quoted without blanks the long
// line just fits iniparser's line length, any rewrite of it does not.
// Rewriting writes "k = v" for "k=v", so the next file, just under the byte
// limit, would grow beyond it; the next would get the key it lacks as one
// entry too many. A tiny file-size limit stops the last one's write.
TEST_F(SettingsTest, RewriteThatFailsOrWouldNotLoadAsWrittenKeepsTheOldFile)
{
    std::string grows = "[BriskUISetting]\nbActivateBriskUI=TRUE\nbFirstInitialization=FALSE\nu8ColorFormat=2\n";
    for (int i = 0; i < 1155; ++i) {
        char name[8];
        snprintf(name, sizeof(name), "k%04d=", i);
        grows += name + std::string(900, 'x') + "\n";
    }
    ASSERT_EQ(grows.size(), 1047667u);
    std::string padded = "[BriskUISetting]\nbActivateBriskUI = TRUE\nu8ColorFormat = 2\n[Padding]\n";
    for (int i = 0; i < 200; ++i) padded += "key" + std::to_string(i) + " = some value to make the file longer\n";
    struct Case {
        std::string content, reason;
        rlim_t fileSizeLimit = RLIM_INFINITY;
    } cases[] = {
        { "[BriskUISetting]\nbActivateBriskUI = TRUE\n[Long]\nk=\"a;" + std::string(1016, 'x') + "\"\n",
          "the new file does not read back as written" },
        { grows, "the new file would not load (1049985 bytes, more than 1048576)" },
        { Entries(E_BRISK_MAX_INI_ENTRIES, "u8ColorFormat = 2"),
          "the new file would not load (2049 sections and keys, more than 2048)" },
        { padded, "File too large", 256 },
    };
    std::string path = root_.Path() + kSettings;
    for (const Case& c : cases) {
        root_.Write(kSettings, c.content);
        BriskUiManager* m = Load();
        struct rlimit old, limit;
        getrlimit(RLIMIT_FSIZE, &old);
        limit = old;
        limit.rlim_cur = std::min(old.rlim_cur, c.fileSizeLimit);
        signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        BOOL result = TRUE;
        std::string out = CaptureStdout([&] { result = m->SetConfigActivation(0); });
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, SIG_DFL);
        EXPECT_FALSE(result) << c.reason;
        EXPECT_EQ(out, "[BriskUI] cannot rewrite " + path + ": " + c.reason + "\n");
        EXPECT_TRUE(root_.Read(kSettings) == c.content) << c.reason;
        EXPECT_EQ(root_.List("/Customer/briskui/layout").size(), 1u);
        m->LoadCommonSetting();
        EXPECT_EQ(m->QueryBriskUiEnabled(), 1) << c.reason;
        m->Finalize();
        manager_ = nullptr;
    }
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
        std::atomic<int> ready{ 0 };
        auto set = [&](BOOL (BriskUiManager::*setter)(U8), U8 value) {
            for (ready.fetch_add(1); ready.load() < 2;) {
            }
            EXPECT_TRUE((m->*setter)(value));
        };
        std::thread a(set, &BriskUiManager::SetConfigActivation, activation);
        std::thread b(set, &BriskUiManager::SetConfigFirstInitialization, first);
        a.join();
        b.join();
        m->LoadCommonSetting();
        ASSERT_EQ(m->QueryBriskUiEnabled(), activation) << "round " << round;
        ASSERT_EQ(m->IsFirstInitialization(), first) << "round " << round;
    }
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

TEST_F(SettingsTest, LanguageFolders)
{
    struct Case {
        U32 language;
        const char* folder;
    } cases[] = {
        { 468, "UK/" }, { 1, "EN/" }, { 6, "EN/" }, { 5, "GE/" }, { 0, "CZ/" }, { 35, "TU/" }, { 999, "EN/" }
    };
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

// A process that rewrites the settings file without end is killed at
// random moments (seeded: each run tries the same spread over one
// rewrite): after every kill the file loads whole, the rewritten key holds
// its old or its new value, and at most one temporary file lies beside it.
TEST(SettingsPowerCut, KillDuringRewritesLeavesAWholeFileAndAtMostOneTemporary)
{
    TempRoot root;
    std::string content = "[BriskUISetting]\nbActivateBriskUI = TRUE\n[Padding]\n";
    for (int i = 0; i < 100; ++i) content += "key" + std::to_string(i) + " = value " + std::to_string(i) + "\n";
    root.Write(kSettings, content);
    BriskUiManager* m = BriskUiManager::GetInstance();
    U32 t0 = m->GetSystemTime();
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(m->SetConfigActivation(i % 2));
    long rewriteUs = (long)(m->GetSystemTime() - t0) * 1000 / 20 + 100;
    std::mt19937 random(20240509);
    std::uniform_int_distribution<long> delay(0, rewriteUs + rewriteUs / 4);
    for (int kill = 0; kill < 500; ++kill) {
        int started[2];
        ASSERT_EQ(pipe(started), 0);
        pid_t child = fork();
        if (child == 0) {
            if (write(started[1], "x", 1) == 1)
                for (U8 value = 0;; value ^= 1) m->SetConfigActivation(value);
            _exit(1);
        }
        char byte;
        ASSERT_EQ(read(started[0], &byte, 1), 1);
        close(started[0]);
        close(started[1]);
        usleep((useconds_t)delay(random));
        ::kill(child, SIGKILL);
        ASSERT_EQ(waitpid(child, nullptr, 0), child);

        dictionary* d = iniparser_load((root.Path() + kSettings).c_str());
        ASSERT_NE(d, nullptr) << "kill " << kill;
        std::string value = iniparser_getstring(d, "briskuisetting:bactivatebriskui", "");
        EXPECT_TRUE(value == "TRUE" || value == "FALSE") << value;
        EXPECT_STREQ(iniparser_getstring(d, "padding:key99", ""), "value 99");
        iniparser_freedict(d);
        ASSERT_LE(root.List("/Customer/briskui/layout").size(), 2u) << "kill " << kill;
    }
    m->Finalize();
}

// The entry count the limit applies to is what iniparser makes of the
// lines: each section and key once, whatever else the file holds.
TEST(IniCompat, EntriesAreCountedAsIniparserReadsThem)
{
    TempRoot root;
    std::string lines =
        "; comment\n# comment\n\n   \t\ntop = level\n[A]\n  key = 1\r\nquoted = \"a;b # c\"\nempty =\n"
        "[b:c]\ncontinued = one \\\n  two \\\n  three\n[ Spaced ]\nsplit \\\n= joined\n";
    root.Write("/a.ini", lines);
    dictionary* d = iniparser_load((root.Path() + "/a.ini").c_str());
    ASSERT_NE(d, nullptr);
    long entries = (long)d->n;
    iniparser_freedict(d);
    EXPECT_EQ(BriskCountIniEntries((root.Path() + "/a.ini").c_str()), entries);
    // Lines iniparser refuses count nothing, nor does a last line that continues.
    root.Write("/b.ini", lines + "just words\n= no name\n[last]\\\n");
    EXPECT_EQ(BriskCountIniEntries((root.Path() + "/b.ini").c_str()), entries);
    EXPECT_EQ(BriskCountIniEntries((root.Path() + "/missing.ini").c_str()), -1);
}

// The full 32-bit words read as layout numbers: portable_test.
TEST(IniCompat, UnsignedGetterReadsDecimalAndHex)
{
    TempRoot root;
    root.Write("/a.ini", "[s]\ndec = 4294967295\nsmall = 0x10\nzero = 010\nbad = abc\n");
    dictionary* d = iniparser_load((root.Path() + "/a.ini").c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(iniparser_getunsignedint(d, "s:small", 1), 16u);
    EXPECT_EQ(iniparser_getunsignedint(d, "s:zero", 1), 10u);   // decimal, not octal
    EXPECT_EQ(iniparser_getunsignedint(d, "s:bad", 1), 0u);
    EXPECT_EQ(iniparser_getunsignedint(d, "s:missing", 7), 7u);
    EXPECT_EQ(iniparser_setstring(d, "s:dec", "5"), 0);
    EXPECT_EQ(iniparser_getunsignedint(d, "S:DEC", 1), 5u);
    iniparser_freedict(d);
}

}   // namespace
