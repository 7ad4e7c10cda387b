// briskui-lint on the broken layouts under tests/lint (one broken file per
// check) and on roots assembled here: the exact FILE:LINE: level: message
// line of each fault, no other error, and the exit status.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "BriskFiles.h"
#include "BriskUiHandlerTable.h"
#include "BriskUiLanguages.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const std::string kCases = std::string(BRISKUI_SOURCE_DIR) + "/tests/lint/";
const char kNa[] = "BriskUINotAvailableMessageLayout.ini";
const std::string kLayouts = "/config/briskui/layout/";

struct LintRun {
    int status = -1;
    std::vector<std::string> lines;

    std::set<std::string> Errors() const
    {
        std::set<std::string> errors;
        for (const std::string& line : lines)
            if (line.find(": error: ") != std::string::npos) errors.insert(line);
        return errors;
    }
    bool Has(const std::string& line) const
    {
        for (const std::string& l : lines)
            if (l == line) return true;
        return false;
    }
};

std::vector<std::string> FilesIn(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (struct dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

std::ostream& operator<<(std::ostream& out, const LintRun& run)
{
    out << "exit " << run.status << ", output:\n";
    for (const std::string& line : run.lines) out << "  " << line << "\n";
    return out;
}

class LintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Layout paths under /src reach the source tree (the fuzz corpus's
        // damaged images); /lint holds pictures without their twins.
        ASSERT_EQ(symlink(BRISKUI_SOURCE_DIR, (root_.Path() + "/src").c_str()), 0);
        root_.Write("/lint/.keep", "");
        for (const char* name : { "box_nomal", "base1", "tv_n", "tv_f", "hdmi_n", "menu3" })
            WriteSolidPng(root_.Path() + "/lint/" + name + ".png", 8, 8, 0xFF808080);
    }

    LintRun Run(const std::vector<std::string>& args)
    {
        std::string command = ProgramCommand(BRISKUI_LINT) + " --root '" + root_.Path() + "'";
        for (const std::string& a : args) command += " '" + a + "'";
        CommandRun out = RunCommand(command + " 2>/dev/null");
        LintRun run;
        run.status = out.status;
        std::istringstream lines(out.output);
        for (std::string line; std::getline(lines, line);) run.lines.push_back(line);
        return run;
    }

    // Checks tests/lint/CHECK/FILE: every line of `expected` appears
    // (LINE: level: message, after the file's path), its errors are all the
    // errors, and the exit status says whether there were any.
    void ExpectFindings(const std::string& check, const std::string& file, const std::vector<std::string>& expected,
                        const std::vector<std::string>& extraArgs = {})
    {
        std::string path = kCases + check + "/" + file;
        std::vector<std::string> args = extraArgs;
        args.push_back(path);
        LintRun run = Run(args);
        std::set<std::string> errors;
        for (const std::string& e : expected) {
            std::string line = path + ":" + e;
            EXPECT_TRUE(run.Has(line)) << check << ": missing\n  " << line << "\n" << run;
            if (line.find(": error: ") != std::string::npos) errors.insert(line);
        }
        EXPECT_EQ(run.Errors(), errors) << check << "\n" << run;
        EXPECT_EQ(run.status, errors.empty() ? 0 : 1) << check << "\n" << run;
    }

    // The sample root's language folder `folder` into this root, without
    // the files whose name holds `skip` (empty: none skipped).
    void CopySampleFolder(const std::string& folder, const std::string& skip)
    {
        std::string sample = std::string(BRISKUI_SAMPLE_ROOT) + kLayouts + folder;
        for (const std::string& name : FilesIn(sample)) {
            if (!skip.empty() && name.find(skip) != std::string::npos) continue;
            root_.Write(kLayouts + folder + name, ReadFile(sample + name));
        }
    }

    TempRoot root_;
};

TEST_F(LintTest, FileStructureAndKeys)
{
    ExpectFindings("parse", kNa,
                   { "9: error: line is neither a section, a key = value nor a comment",
                     "9: error: iniparser cannot read the file: the OSD gets no items" });
    ExpectFindings("duplicate-section", kNa,
                   { "10: error: duplicate section [title] (first at line 2): iniparser merges the two" });
    ExpectFindings("duplicate-key", kNa,
                   { "9: error: duplicate key 'u32Left' in [bg_image] (first at line 4): only this value counts" });
    ExpectFindings("unknown-item-key", kNa, { "9: warning: unknown key 'u32Widht' in item [bg_image] is not read" });
    ExpectFindings("unknown-setting-key", kNa,
                   { "12: warning: unknown key 'u16Timeout2' in [setting] is not read by NotAvailableMessageHandler" });
    ExpectFindings("item-type", kNa,
                   { "3: error: [bg_image] has u8Type 3, read as 3: only 1 (image) and 2 (text) make an item, so the "
                     "library skips the section" });
}

TEST_F(LintTest, NumbersThatDoNotReadAsWritten)
{
    ExpectFindings("number-width", kNa,
                   { "10: error: u16TimeOut = 70000 does not fit 16 bits: the library reads 4464" });
    ExpectFindings("not-a-number", kNa, { "4: error: u32Left = '400px' is not a number: the library reads 400" });
    ExpectFindings("geometry-sign", kNa,
                   { "5: error: u32Top = 2147483648 is 2^31 or more: a negative position or size on the screen" });
}

TEST_F(LintTest, HandlerItemsAndKeys)
{
    // The banner without its icon still works: a warning, exit 0.
    ExpectFindings("missing-item", "BriskUIChannelChangeLayout_EU.ini",
                   { "1: warning: no image item [input_icon]: ChannelChangeHandler looks it up and goes without it" });
    // An icon path the banner would cut to 99 characters.
    ExpectFindings("setting-length", "BriskUIChannelChangeLayout_EU.ini",
                   { "76: error: banner_HDMI is 121 characters long: ChannelChangeHandler keeps the first 99" });
}

TEST_F(LintTest, ImagesAndFonts)
{
    ExpectFindings("image-missing", kNa,
                   { "8: error: image /config/briskui/images/na_panel_missing.png of [bg_image] does not exist" });
    ExpectFindings("image-folder", kNa,
                   { "8: error: image /config/briskui/images/factory of [bg_image] cannot be read (not a regular "
                     "file)" });
    ExpectFindings("image-damaged", kNa,
                   { "8: error: image /src/fuzz/corpus/image/cut-600x120.png of [bg_image] does not decode" });
    ExpectFindings("image-too-large", kNa,
                   { "8: error: image /src/fuzz/corpus/image/header-16384x16384.png of [bg_image] is 16384x16384, "
                     "beyond the size limit of 4096 pixels a side and 16 MiB" });
    ExpectFindings("image-format", kNa,
                   { "8: error: image /src/fuzz/corpus/image/tiny.gif of [bg_image] is neither a PNG nor a JPEG" });
    ExpectFindings("font-missing", kNa, { "18: error: font /config/briskui/fonts/NoSuchFont.ttf does not open" });
}

TEST_F(LintTest, PathEndingsTheHandlersSwap)
{
    ExpectFindings("pin-ending", "BriskUIPinCodeLayout.ini",
                   { "8: error: image path of [password1] must end in \"nomal.png\" or \"focus.png\": "
                     "PinCodeHandler swaps these endings" });
    ExpectFindings("pin-twin", "BriskUIPinCodeLayout.ini",
                   { "8: error: image /lint/box_focus.png of [password1] (as PinCodeHandler shows it, ending "
                     "\"focus.png\") does not exist" });
    ExpectFindings("self-check-name", "BriskUIFactoryRomLayout.ini",
                   { "8: error: file name \"vol_panel.png\" of [bg_image] is not 9 characters long: "
                     "VersionSelfCheckHandler replaces the last 9 characters with \"black.png\", which then cuts "
                     "into the folder" });
    ExpectFindings("self-check-twins", "BriskUIFactoryRomLayout.ini",
                   { "8: error: image /lint/black.png of [bg_image] (as VersionSelfCheckHandler shows it, ending "
                     "\"black.png\") does not exist",
                     "8: error: image /lint/blue1.png of [bg_image] (as VersionSelfCheckHandler shows it, ending "
                     "\"blue1.png\") does not exist" });
    ExpectFindings("direct-source-twin", "BriskUIFactoryDirectlyInputSourceChangedLayout.ini",
                   { "8: error: image /lint/white.PNG of [bg_image] (as FactoryDirectlyInputSourceChanged shows it, "
                     "ending \"white.PNG\") does not exist" });
    // The menus swap endings within the file name: icons ending "n.png" or
    // "f.png", a background whose last five characters become "2.png".
    ExpectFindings("menu-twins", "BriskUIAtvDtvSwitchMenuLayout.ini",
                   { "16: error: image /lint/hdmi_f.png of [icon2] (as AtvDtvSwitchMenuHandler shows it, ending "
                     "\"f.png\") does not exist",
                     "30: error: image /lint/menu2.png of [bg_image] (as AtvDtvSwitchMenuHandler shows it, ending "
                     "\"2.png\") does not exist" });
}

TEST_F(LintTest, ScreenTimeOutAndStateMask)
{
    ExpectFindings("text-width", kNa,
                   { "19: warning: text \"This message is far too long for its box\" of [text] is 549 pixels wide "
                     "at size 28, wider than the item's 200" });
    ExpectFindings("off-screen", kNa,
                   { "2: warning: [bg_image] at 1000,300 size 480x120 reaches beyond the 1280x720 screen" });
    ExpectFindings("timeout-zero", kNa,
                   { "10: error: u16TimeOut = 0 is read as 0: NotAvailableMessageHandler's time-out never fires, so "
                     "the OSD stays on the screen" });
    ExpectFindings("state-mask", kNa,
                   { "11: error: u16StateMask = 0x20000 does not fit 16 bits: the library reads 0",
                     "11: warning: u16StateMask bit 0x20000 names no OSD" });
}

TEST_F(LintTest, SpeechWordings)
{
    ExpectFindings(
        "speech", "BriskUIVolumeLayout_EU.ini",
        { "17: warning: 'volume' leaves out {value}: VolumeHandler does not say it",
          "18: error: {mute_txt} in 'mute' is neither a value of it (it has none) nor a text item of this "
          "layout: VolumeHandler says nothing in its place",
          "19: warning: unknown key 'halfmute' in [speech] is not said by VolumeHandler",
          "16: warning: the default of 'half_mute' (\"1/2 {mute_text}\") says the text of [mute_text], which "
          "this layout has no text item for: VolumeHandler says nothing in its place" });
}

TEST_F(LintTest, SettingsFile)
{
    const char* file = "BriskUISetting.ini";
    ExpectFindings("settings-key", file,
                   { "6: warning: unknown key 'bFirstInitialisation' in [BriskUISetting] is not read" },
                   { "--settings" });
    ExpectFindings("settings-boolean", file,
                   { "3: error: bActivateBriskUI = 'maybe' is not a boolean (TRUE/FALSE, 1/0, yes/no): the default 1 "
                     "counts" },
                   { "--settings" });
    ExpectFindings("settings-colour", file, { "5: error: u8ColorFormat = 'ARGB' is not a number: the library reads 0" },
                   { "--settings" });
}

// A root whose language folder lacks the banner's layouts: two errors (a
// set would not start), and nothing else wrong in the sample's other files.
TEST_F(LintTest, RootWithoutTheBannerLayout)
{
    CopySampleFolder("EN/", "ChannelChange");
    LintRun run = Run({});
    std::string dir = root_.Path() + kLayouts + "EN/";
    std::set<std::string> expected = {
        dir +
            "BriskUIChannelChangeLayout_NA.ini:1: error: missing: ChannelChangeHandler needs it and start-up "
            "aborts without it on NA sets",
        dir +
            "BriskUIChannelChangeLayout_EU.ini:1: error: missing: ChannelChangeHandler needs it and start-up "
            "aborts without it on EU sets",
    };
    EXPECT_EQ(run.Errors(), expected) << run;
    EXPECT_EQ(run.status, 1) << run;
}

// German layouts alone: the library still reads the default language's
// folder (no system database, or a language without a folder of its own),
// so the set does not start. A folder no language picks is not read; the
// table's languages without a folder are one warning.
TEST_F(LintTest, EveryFolderTheLibraryCanPickIsChecked)
{
    CopySampleFolder("GE/", "");
    root_.Write(std::string(kLayouts) + "De/.keep", "");
    LintRun run = Run({});

    std::string dir = root_.Path() + kLayouts;
    std::string fallback = BriskLanguageFolder(E_BRISKUI_DEFAULT_OSD_LANGUAGE);
    std::set<std::string> errors;
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    for (size_t i = 0; i < count; ++i) {
        if (!rows[i].bLayoutRequired) continue;
        std::string what = std::string(":1: error: missing: ") + BriskUiOsdName(rows[i].eStatus) +
                           " needs it and start-up aborts without it on ";
        errors.insert(dir + fallback + rows[i].pLayoutNA + what + "NA sets");
        errors.insert(dir + fallback + rows[i].pLayoutEU + what + "EU sets");
    }
    EXPECT_EQ(run.Errors(), errors) << run;
    EXPECT_EQ(run.status, 1) << run;

    EXPECT_TRUE(run.Has(dir + fallback +
                        ":1: warning: no such folder: the library reads its layouts here for OSD language 6 (its "
                        "default, also on a set without a system database) and every language without a folder of "
                        "its own"))
        << run;
    EXPECT_TRUE(run.Has(dir + "De/:1: warning: no OSD language reads this folder, so its layouts are not checked: the "
                              "library reads EN/ and the folders of its language table"))
        << run;
    std::string absent;
    size_t languages = 0;
    const ST_BRISKUI_LANGUAGE_FOLDER* table = BriskLanguageFolders(&languages);
    for (size_t i = 0; i < languages; ++i)
        if (std::string(table[i].pFolder) != "GE/")
            absent +=
                (absent.empty() ? "" : ", ") + std::to_string(table[i].u32Language) + " (" + table[i].pFolder + ")";
    EXPECT_TRUE(run.Has(dir + ":1: warning: no folder for OSD languages " + absent +
                        ": on a set in one of them start-up aborts, as ChannelChangeHandler cannot go without its "
                        "layout"))
        << run;
}

// A file of more entries than the library loads is refused before it is
// parsed, with the library's own limit.
TEST_F(LintTest, FilesBeyondTheEntryLimit)
{
    std::string entries = "[setting]\n";
    for (int i = 1; i <= E_BRISK_MAX_INI_ENTRIES; ++i) entries += "k" + std::to_string(i) + " = 1\n";
    std::string layout = root_.Path() + "/" + kNa, settings = root_.Path() + "/BriskUISetting.ini";
    root_.Write(std::string("/") + kNa, entries);
    root_.Write("/BriskUISetting.ini", entries);
    const char* reason = ":1: error: cannot be read (2049 sections and keys, more than 2048)";
    EXPECT_EQ(Run({ layout }).lines, std::vector<std::string>{ layout + reason + ": the OSD gets no items" });
    LintRun run = Run({ "--settings", settings });
    ASSERT_EQ(run.lines.size(), 1u) << run;
    EXPECT_EQ(run.lines[0].rfind(settings + reason + ": every setting takes its default", 0), 0u) << run;
}

}   // namespace
