// The gallery's page in a real browser: headless Chromium opens index.html,
// every image on it loads, and the page is not blank.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "PngWrite.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const char kPage[] = BRISKUI_GALLERY_OUT "/index.html";

// The browser on the PATH, or empty.
std::string FindChromium()
{
    CommandRun run = RunCommand("command -v chromium || command -v chromium-browser");
    return run.status == 0 ? run.output.substr(0, run.output.find('\n')) : std::string();
}

class GalleryPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        chromium_ = FindChromium();
        if (chromium_.empty()) GTEST_SKIP() << "chromium is not installed (scripts/install-deps installs it)";
    }
    // Runs the browser headless on the page with `options`, its profile in
    // the scratch folder; returns what it printed on standard output.
    std::string Browse(const std::string& options)
    {
        std::string command = chromium_ + " --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run " +
                              "--user-data-dir=" + scratch_.Path() + "/profile --virtual-time-budget=10000 " + options +
                              " file://" + kPage + " 2>/dev/null";
        CommandRun run = RunCommand(command);
        EXPECT_EQ(run.status, 0) << command;
        return run.output;
    }
    std::string chromium_;
    TempRoot scratch_;   // a scratch folder for the browser's profile and screenshot
};

// The page of the default root, as scripts/demo writes it and the
// README's picture shows it, calls it "the sample root" and names no
// folder of the machine that wrote it: no "/" starts a name (its own
// images are relative paths, its closing tags "</").
TEST(GalleryPageText, NamesNoFolderOfTheMachineThatWroteIt)
{
    std::string html = ReadFile(kPage);
    ASSERT_FALSE(html.empty()) << kPage;
    EXPECT_NE(html.find("language folder of the sample root."), std::string::npos);
    std::smatch path;
    EXPECT_FALSE(std::regex_search(html, path, std::regex("(^|[^<\\w])/[\\w.~-]+"))) << path.str();
}

TEST_F(GalleryPageTest, EveryImageLoads)
{
    std::string html = ReadFile(kPage);
    size_t images = 0;
    for (size_t at = html.find("<img "); at != std::string::npos; at = html.find("<img ", at + 1)) ++images;
    ASSERT_GT(images, 0u) << kPage << " shows no image";

    // The page's own check, run once everything has loaded, writes its
    // counts into the DOM.
    std::string dom = Browse("--dump-dom");
    std::smatch check;
    ASSERT_TRUE(std::regex_search(dom, check, std::regex("<[^>]*id=\"image-check\"[^>]*>")))
        << "the page's image check is not in the DOM";
    std::string tag = check.str();
    std::smatch shown, broken;
    ASSERT_TRUE(std::regex_search(tag, shown, std::regex("data-images=\"(\\d+)\"")))
        << "the page's image check did not run: " << tag;
    ASSERT_TRUE(std::regex_search(tag, broken, std::regex("data-broken=\"(\\d+)\""))) << tag;
    EXPECT_EQ(std::stoul(shown[1]), images);
    std::string which;
    std::regex brokenImage("<img[^>]*class=\"broken\"[^>]*>");
    for (std::sregex_iterator it(dom.begin(), dom.end(), brokenImage), end; it != end; ++it)
        which += "\n  " + it->str();
    EXPECT_EQ(std::stoul(broken[1]), 0u) << "broken images:" << which;
}

TEST_F(GalleryPageTest, PageIsNotBlank)
{
    std::string shot = scratch_.Path() + "/page.png";
    Browse("--window-size=1280,1600 --screenshot=" + shot);
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    std::string error;
    ASSERT_TRUE(briskui_sim::ReadPngArgb(shot, &pixels, &width, &height, &error)) << error;
    EXPECT_EQ(width, 1280);
    // The thumbnails show the TV picture's blue sky over a third of the
    // page; a blank page, an error page or one whose images all broke shows
    // next to none (its blue links).
    size_t sky = 0;
    for (uint32_t p : pixels) {
        int red = (p >> 16) & 0xFF, blue = p & 0xFF;
        if (blue > red + 25 && blue > 50) ++sky;
    }
    EXPECT_GT(sky, pixels.size() / 10) << "the page looks blank";
}

}   // namespace
