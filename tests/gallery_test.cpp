// The gallery: its images against the reviewed goldens under tests/goldens
// (exact pixels), and, in-process, what it makes of scripts, layout
// folders, failing runs and missing images.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "BriskUiManager.h"
#include "Gallery.h"
#include "PngWrite.h"
#include "SimTv.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

// ---- goldens ------------------------------------------------------------------

// Every golden, as its path under the goldens folder ("EN/NA/10-volume/bar.png").
std::vector<std::string> Goldens()
{
    std::vector<std::string> goldens;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(BRISKUI_GOLDENS, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".png") goldens.push_back(fs::relative(it->path(), BRISKUI_GOLDENS).string());
    std::sort(goldens.begin(), goldens.end());
    return goldens;
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = info.param.substr(0, info.param.size() - 4);
    for (char& ch : name)
        if (!isalnum((unsigned char)ch)) ch = '_';
    return name;
}

// Where a mismatch leaves the gallery's image and the difference image.
std::string DiffPath(const std::string& golden, const char* suffix)
{
    return std::string(BRISKUI_GOLDEN_DIFFS) + "/" + golden.substr(0, golden.size() - 4) + suffix;
}

// The difference image: changed pixels magenta, the others the actual
// image dimmed to a quarter.
std::vector<uint32_t> Difference(const std::vector<uint32_t>& expected, const std::vector<uint32_t>& actual)
{
    std::vector<uint32_t> diff(actual.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        uint32_t p = actual[i];
        diff[i] = expected[i] == p ? 0xFF000000u | ((p >> 2) & 0x3F3F3F) : 0xFFFF00FFu;
    }
    return diff;
}

class GoldenTest : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenTest, GalleryImageEqualsTheGolden)
{
    const std::string& golden = GetParam();
    std::string actualPath = std::string(BRISKUI_GALLERY_OUT) + "/" + golden;
    std::vector<uint32_t> expected, actual;
    int ew = 0, eh = 0, aw = 0, ah = 0;
    std::string error;
    ASSERT_TRUE(briskui_sim::ReadPngArgb(std::string(BRISKUI_GOLDENS) + "/" + golden, &expected, &ew, &eh, &error))
        << error;
    ASSERT_TRUE(briskui_sim::ReadPngArgb(actualPath, &actual, &aw, &ah, &error))
        << "the gallery wrote no " << golden << " (" << error << "); a renamed or removed state leaves its golden "
        << "behind: remove it or run scripts/update-goldens";

    size_t changed = 0;
    int left = aw, top = ah, right = -1, bottom = -1;
    if (aw == ew && ah == eh) {
        for (int y = 0; y < ah; ++y) {
            for (int x = 0; x < aw; ++x) {
                if (expected[(size_t)y * aw + x] == actual[(size_t)y * aw + x]) continue;
                ++changed;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        if (changed == 0) return;
    }

    std::string actualCopy = DiffPath(golden, ".actual.png"), diffPath = DiffPath(golden, ".diff.png");
    std::error_code ec;
    fs::create_directories(fs::path(actualCopy).parent_path(), ec);
    fs::copy_file(actualPath, actualCopy, fs::copy_options::overwrite_existing, ec);
    std::ostringstream what;
    if (aw != ew || ah != eh) {
        what << "the gallery's image is " << aw << "x" << ah << ", the golden " << ew << "x" << eh;
    } else {
        std::vector<uint32_t> diff = Difference(expected, actual);
        briskui_sim::WriteArgbPng(diffPath, diff.data(), aw, ah, aw * 4, &error);
        what << changed << (changed == 1 ? " pixel differs" : " pixels differ") << " within x " << left << ".." << right
             << ", y " << top << ".." << bottom << "; difference image (changes magenta): " << diffPath;
    }
    ADD_FAILURE() << golden << ": " << what.str() << "\n  gallery's image: " << actualCopy
                  << "\n  golden: " << BRISKUI_GOLDENS << "/" << golden
                  << "\n  after a reviewed change, scripts/update-goldens rewrites the goldens";
}

INSTANTIATE_TEST_SUITE_P(Gallery, GoldenTest, ::testing::ValuesIn(Goldens()), TestName);

// ---- the gallery's own parts ---------------------------------------------------------

class GalleryTest : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    // Writes a script into the scratch folder's scripts/.
    void WriteScript(const std::string& name, const std::string& text) { scratch_.Write("/scripts/" + name, text); }
    std::string Dir(const std::string& rel) const { return scratch_.Path() + rel; }
    std::string LoadError()
    {
        std::vector<gallery::Script> scripts;
        std::string error;
        EXPECT_FALSE(gallery::LoadScripts(Dir("/scripts"), &scripts, &error));
        return error;
    }
    TempRoot scratch_;   // a scratch folder here, not a root
};

TEST_F(GalleryTest, ScriptsThatWouldMisleadOrHangAreRefusedNamingTheLine)
{
    const struct {
        const char* script;
        const char* error;
    } kCases[] = {
        { "# B\nset language 5\nkey VOL+\nshot bar.png\n", "20-b.script:2: the gallery sets the language itself" },
        { "# B\nset country-group 1\nkey VOL+\nshot bar.png\n", "20-b.script:2: the gallery sets the country-group" },
        { "# B\nkeyfile remove widevine.bin\nkey FACTORY\nshot page.png\n",
          "20-b.script:2: a gallery script changes no key files" },
        { "key VOL+\nshot bar.png\n", "20-b.script:1: a gallery script starts with a comment" },
        { "# B\nkey VOL+\n", "20-b.script: a gallery script takes at least one shot" },
        { "# B\nkey VOL+\nshot ../bar.png\n", "20-b.script:3: a gallery shot is a file name" },
        { "# B\nkey VOL++\nshot bar.png\n", "20-b.script:2: unknown key" },
    };
    WriteScript("10-a.script", "# A\nkey VOL+\nshot bar.png\n");
    for (const auto& c : kCases) {
        WriteScript("20-b.script", c.script);
        EXPECT_NE(LoadError().find(c.error), std::string::npos) << c.script;
    }

    // A FIFO among the scripts, which nothing writes to, would hang the gallery.
    WriteScript("20-b.script", "# B\nkey VOL+\nshot bar.png\n");
    Fifo fifo(Dir("/scripts/30-c.script"));
    EXPECT_NE(LoadError().find("cannot read script " + Dir("/scripts/30-c.script") + ": not a regular file"),
              std::string::npos);
    EXPECT_FALSE(fifo.ReaderBlocked());
}

TEST_F(GalleryTest, EachLayoutFolderGetsALanguageTheLibraryReadsItFor)
{
    for (const char* folder : { "EN", "GE", "UK", "XX" })
        scratch_.Write(std::string("/config/briskui/layout/") + folder + "/a.ini", "");
    scratch_.Write("/config/briskui/layout/notes.txt", "");
    std::vector<std::string> unread;
    std::vector<gallery::Language> languages = gallery::FindLanguages(scratch_.Path(), &unread);

    ASSERT_EQ(languages.size(), 3u);
    BriskUiManager* manager = BriskUiManager::GetInstance();
    for (const gallery::Language& language : languages) {
        sim::SetOsdLanguage(language.id);
        manager->SetupLanguage();
        EXPECT_EQ(manager->GetLayoutPath(), "/config/briskui/layout/" + language.folder + "/");
    }
    EXPECT_EQ(languages[0].folder, "EN");
    EXPECT_EQ(languages[1].folder, "GE");
    EXPECT_EQ(languages[1].id, 5u);
    EXPECT_EQ(languages[2].id, 468u);
    EXPECT_EQ(unread, std::vector<std::string>{ "XX" });
}

// A run that fails is reported with its log; the others still write their
// images, and the page shows the missing ones as missing, never as a
// broken image.
TEST_F(GalleryTest, AFailedRunIsReportedAndItsStatesShowAsMissing)
{
    WriteScript("10-volume.script", "# Volume & <mute>\nkey VOL+\nshot bar.png\n");
    WriteScript("11-mute.script", "# Volume & <mute>\nkey MUTE\nshot mute.png\n");
    // The sample list has three analogue channels: index 7 stops the run.
    WriteScript("20-banner.script", "# Banner\nset source atv\nkey CH+\nset channel 7\nshot banner.png\n");
    std::vector<gallery::Script> scripts;
    std::string error;
    ASSERT_TRUE(gallery::LoadScripts(Dir("/scripts"), &scripts, &error)) << error;
    gallery::Language english;
    english.folder = "EN";
    english.id = 1;
    std::string out = Dir("/out");

    std::vector<std::string> failures = gallery::RunAll(BRISKUI_SAMPLE_ROOT, out, scripts, { english }, 2);
    ASSERT_EQ(failures.size(), 2u);   // NA and EU
    for (const std::string& failure : failures) {
        EXPECT_NE(failure.find("20-banner (EN, "), std::string::npos) << failure;
        EXPECT_NE(failure.find("exit status 1, see " + out + "/logs/EN-"), std::string::npos) << failure;
    }
    EXPECT_NE(ReadFile(out + "/logs/EN-EU-20-banner.log").find("the current tuner's list has 3 channels"),
              std::string::npos);

    ASSERT_TRUE(gallery::WritePage(out, "../roots/tv&1", scripts, { english }, &error)) << error;
    std::string html = ReadFile(out + "/index.html");
    // The root as it was given, relative, escaped.
    EXPECT_NE(html.find("language folder of the root <code>../roots/tv&amp;1</code>."), std::string::npos);
    for (const char* image :
         { "EN/NA/10-volume/bar.png", "EN/EU/10-volume/bar.png", "EN/NA/11-mute/mute.png", "EN/EU/11-mute/mute.png" }) {
        EXPECT_TRUE(fs::is_regular_file(out + "/" + image)) << image;
        EXPECT_NE(html.find("<img src=\"" + std::string(image) + "\""), std::string::npos) << image;
    }
    EXPECT_EQ(html.find("20-banner/banner.png"), std::string::npos);
    size_t missing = 0;
    for (size_t at = html.find("not written"); at != std::string::npos; at = html.find("not written", at + 1))
        ++missing;
    EXPECT_EQ(missing, 2u);
    // Scripts in a row with one title share a section; titles are escaped.
    size_t sections = 0;
    for (size_t at = html.find("<h2"); at != std::string::npos; at = html.find("<h2", at + 1)) ++sections;
    EXPECT_EQ(sections, 2u);
    EXPECT_NE(html.find(">Volume &amp; &lt;mute&gt;</h2>"), std::string::npos);
    // What each state said (the runs have audio guidance on), beside its
    // image and under it: the volume once its key paused, mute in Europe,
    // half mute in North America.
    EXPECT_TRUE(fs::is_regular_file(out + "/EN/EU/10-volume/bar.txt"));
    EXPECT_NE(html.find("<div class=\"said\">Volume "), std::string::npos);
    EXPECT_NE(html.find("<div class=\"said\">Mute</div>"), std::string::npos);
    EXPECT_NE(html.find("<div class=\"said\">Half mute</div>"), std::string::npos);

    // A second run starts from no images: a state that has gone leaves none.
    WriteScript("10-volume.script", "# Volume & <mute>\nkey VOL+\nshot bar-up.png\n");
    scripts.clear();
    ASSERT_TRUE(gallery::LoadScripts(Dir("/scripts"), &scripts, &error)) << error;
    gallery::RunAll(BRISKUI_SAMPLE_ROOT, out, scripts, { english }, 2);
    EXPECT_FALSE(fs::exists(out + "/EN/NA/10-volume/bar.png"));
    EXPECT_FALSE(fs::exists(out + "/EN/NA/10-volume/bar.txt"));
    EXPECT_TRUE(fs::exists(out + "/EN/NA/10-volume/bar-up.png"));
}

}   // namespace
