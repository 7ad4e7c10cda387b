// The guides' generated reference and tested examples: every row of the
// tables the code runs on reaches its section, and a guide's blocks are
// found stale, rewritten or refused as the markers say, with the prose
// around them left as written.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "BriskUiHandlerTable.h"
#include "DocsGuides.h"
#include "DocsReference.h"
#include "HostCommandLine.h"
#include "TestSupport.h"

using testsupport::TempRoot;

namespace {

std::string Section(const std::string& id)
{
    std::string text, error;
    EXPECT_TRUE(DocsSection(id, BRISKUI_SAMPLE_ROOT, &text, &error)) << error;
    return text;
}

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

std::string Findings(const DocsGuideResult& r)
{
    std::string all;
    for (const std::string& f : r.stale) all += "stale: " + f + "\n";
    for (const std::string& f : r.errors) all += "error: " + f + "\n";
    return all;
}

// A scratch repository with docs/ and docs/examples/, the build's programs.
class GuideTest : public ::testing::Test {
protected:
    GuideTest() : context_{ repo_.Path(), BRISKUI_BUILD_DIR, BRISKUI_SAMPLE_ROOT } {}
    DocsGuideResult Process(const std::string& text, const std::vector<std::string>& append = {})
    {
        return ProcessGuideText(text, repo_.Path() + "/docs/guide.md", context_, append);
    }
    TempRoot repo_;
    DocsContext context_;
};

}   // namespace

// Expectations from the rows themselves: a row added to any table shows in
// its section with no change here.
TEST(DocsReference, EveryRowOfTheTablesReachesItsSection)
{
    size_t count = 0;
    const ST_BRISKUI_HANDLER_ROW* rows = BriskHandlerTable(&count);
    std::vector<std::string> ids = DocsSectionIds();
    for (size_t i = 0; i < count; ++i) {
        std::string id = "layouts " + std::string(rows[i].pName);
        ASSERT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
        EXPECT_EQ(DocsSectionHome(id), "layouts.md");
        std::string text = Section(id);
        EXPECT_TRUE(Has(text, "`" + std::string(rows[i].pLayoutNA) + "`")) << id;
        EXPECT_TRUE(Has(text, "`" + std::string(rows[i].pLayoutEU) + "`")) << id;
        const ST_LAYOUT_NEEDS& needs = *rows[i].pLayoutNeeds;
        for (size_t k = 0; k < needs.uItemCount; ++k)
            EXPECT_TRUE(Has(text, "| `" + std::string(needs.pItems[k].pName) + "` |")) << id;
        for (size_t k = 0; k < needs.uKeyCount; ++k)
            EXPECT_TRUE(Has(text, "| `" + std::string(needs.pKeys[k].pName) + "` |")) << id;
        for (size_t k = 0; rows[i].pSpeech != NULL && k < rows[i].pSpeech->uCount; ++k)
            EXPECT_TRUE(Has(text, "| `" + std::string(rows[i].pSpeech->pTexts[k].pId) + "` |")) << id;
        EXPECT_EQ(Has(text, "Keys it takes"), rows[i].uKeyCount > 0) << id;
        EXPECT_EQ(Has(text, "Factory codes"), rows[i].uFactoryCodeCount > 0) << id;
    }
    std::string setting = Section("layouts setting");
    for (const ST_LAYOUT_KEY& key : kBaseLayoutKeys) EXPECT_TRUE(Has(setting, "`" + std::string(key.pName) + "`"));

    std::string verbs = Section("host verbs");
    const ScriptVerb* verb = ScriptVerbs(&count);
    for (size_t i = 0; i < count; ++i) EXPECT_TRUE(Has(verbs, std::string(verb[i].help).substr(0, 20))) << verb[i].name;
    std::string sets = Section("host sets");
    const SetRow* set = SetRows(&count);
    for (size_t i = 0; i < count; ++i) EXPECT_TRUE(Has(sets, "| `" + std::string(set[i].name) + "` |")) << set[i].name;
    std::string calls = Section("host calls");
    const ManagerOperation* op = ManagerOperations(&count);
    for (size_t i = 0; i < count; ++i) EXPECT_TRUE(Has(calls, "| `" + std::string(op[i].name) + "` |")) << op[i].name;
    std::string options = Section("host options");
    const HostOption* option = HostOptionTable(&count);
    for (size_t i = 0; i < count; ++i) EXPECT_TRUE(Has(options, "| `" + std::string(option[i].name))) << option[i].name;
    std::string keys = Section("host keys");
    for (const std::string& name : KeyNames())
        EXPECT_TRUE(Has(keys, "| `" + name + "` |") || (name.size() == 1 && Has(keys, "| `0..9` |"))) << name;

    std::string text, error;
    EXPECT_FALSE(DocsSection("layouts NoSuchHandler", BRISKUI_SAMPLE_ROOT, &text, &error));
    EXPECT_TRUE(Has(error, "layouts NoSuchHandler")) << error;
}

// Only the blocks change: prose, and a marker shown inside a fenced block,
// stay as written; a section the code has and the guide lacks is added.
TEST_F(GuideTest, StaleGeneratedTextIsNamedAndRewrittenAroundTheProse)
{
    const std::string guide =
        "# Title\n\nProse before.\n\n<!-- generated: host exit -->\nold table\n<!-- end generated -->\n\n"
        "```\n<!-- generated: host verbs -->\n```\nProse after.\n";
    DocsGuideResult r = Process(guide, { "layouts VolumeHandler" });
    ASSERT_TRUE(r.errors.empty()) << Findings(r);
    ASSERT_EQ(r.stale.size(), 2u) << Findings(r);
    EXPECT_TRUE(Has(r.stale[0], "docs/guide.md:5: the generated text 'host exit' differs")) << r.stale[0];
    EXPECT_TRUE(Has(r.stale[0], "run scripts/update-docs"));
    EXPECT_TRUE(Has(r.stale[1], "no generated section 'layouts VolumeHandler'")) << r.stale[1];
    const std::string exit = Section("host exit");
    EXPECT_TRUE(Has(r.text, "Prose before.\n\n<!-- generated: host exit -->\n" + exit +
                                "<!-- end generated -->\n\n```\n"
                                "<!-- generated: host verbs -->\n```\nProse after.\n"))
        << r.text;
    EXPECT_TRUE(Has(r.text, "\n### VolumeHandler\n\n<!-- generated: layouts VolumeHandler -->\n" +
                                Section("layouts VolumeHandler") + "<!-- end generated -->\n"));

    // Processed again, the rewritten guide is current.
    DocsGuideResult again = Process(r.text);
    EXPECT_TRUE(again.stale.empty() && again.errors.empty()) << Findings(again);
    EXPECT_EQ(again.text, r.text);
}

TEST_F(GuideTest, BrokenMarkersAndUntestedExamplesAreErrorsAnUpdateCannotFix)
{
    struct {
        std::string guide;
        std::string error;
    } cases[] = {
        { "<!-- generated: host exit -->\ntext\n",
          "guide.md:1: generated: no '<!-- end generated -->' before the end" },
        { "<!-- generated: host exit -->\n<!-- include: a.script -->\n<!-- end include -->\n<!-- end generated -->\n",
          "guide.md:1: generated: no '<!-- end generated -->' before line 2" },
        { "text\n<!-- end command -->\n", "guide.md:2: 'end command' without its opening marker" },
        { "<!-- generated: host nothing -->\n<!-- end generated -->\n",
          "guide.md:1: no generated section 'host nothing'" },
        { "Run it:\n\n    $ briskui-lint x.ini\n",
          "guide.md:3: a command shown outside a command block is not tested" },
        { "```script\nkey VOL+\n```\n", "guide.md:1: a script shown outside an include block is not tested" },
        { "<!-- include: examples/missing.script -->\n<!-- end include -->\n",
          "include: examples/missing.script is not there" },
        { "<!-- include: ../sim/loose.script -->\n<!-- end include -->\n",
          "include: sim/loose.script is a .script file the suite does not run" },
        { "<!-- command: . -->\n```console\n```\n<!-- end command -->\n", "command: no line starting with '$ '" },
        { "```\nunclosed\n", "guide.md:2: a fenced block is not closed" },
    };
    repo_.Write("/sim/loose.script", "key VOL+\n");
    repo_.Write("/docs/guide.md", "");
    for (const auto& c : cases) {
        DocsGuideResult r = Process(c.guide);
        ASSERT_EQ(r.errors.size(), 1u) << c.guide << Findings(r);
        EXPECT_TRUE(Has(r.errors[0], c.error)) << r.errors[0];
        EXPECT_TRUE(r.stale.empty()) << Findings(r);
        EXPECT_EQ(r.text, c.guide) << "a broken block is left as it is";
    }
}

TEST_F(GuideTest, IncludesCopyTheExampleFileAndCommandsShowWhatTheyPrint)
{
    repo_.Write("/docs/examples/volume.script", "key VOL+\nshot up.png\n");
    repo_.Write("/docs/examples/notes.txt", "no newline at the end");
    const std::string guide =
        "<!-- include: examples/volume.script -->\n```script\nkey VOL-\n```\n<!-- end include -->\n"
        "<!-- include: examples/notes.txt -->\n<!-- end include -->\n"
        "<!-- command: docs -->\n```console\n$ ls examples\nold output\n$ printf 'a\\nb' && exit 3\n```\n"
        "<!-- end command -->\n";
    DocsGuideResult r = Process(guide);
    ASSERT_TRUE(r.errors.empty()) << Findings(r);
    ASSERT_EQ(r.stale.size(), 3u) << Findings(r);
    EXPECT_TRUE(Has(r.stale[0], "guide.md:1: the include text 'examples/volume.script' differs")) << r.stale[0];
    EXPECT_TRUE(Has(r.text,
                    "<!-- include: examples/volume.script -->\n```script\nkey VOL+\nshot up.png\n```\n"
                    "<!-- end include -->\n<!-- include: examples/notes.txt -->\n```txt\nno newline at the end\n"
                    "```\n<!-- end include -->\n"))
        << r.text;
    // Each command's output follows it, with its status when not 0; the
    // commands run in the folder the marker names, in a mirror of the
    // repository.
    EXPECT_TRUE(Has(r.text,
                    "```console\n$ ls examples\nnotes.txt\nvolume.script\n$ printf 'a\\nb' && exit 3\na\nb\n"
                    "(exit status 3)\n```\n"))
        << r.text;

    // A path of this machine in the output would differ on every other.
    DocsGuideResult machine = Process("<!-- command: . -->\n```console\n$ pwd -P\n```\n<!-- end command -->\n");
    ASSERT_EQ(machine.errors.size(), 1u) << Findings(machine);
    EXPECT_TRUE(Has(machine.errors[0], "prints a path of this machine")) << machine.errors[0];
}

TEST(HostCommandLine, TheOptionTableParsesEveryOptionAndRefusesTheRest)
{
    auto parse = [](std::vector<std::string> args, HostCommandLine* line, std::string* error) {
        args.insert(args.begin(), "briskui-sim");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        return ParseHostCommandLine((int)argv.size(), argv.data(), line, error);
    };
    HostCommandLine line;
    std::string error;
    ASSERT_TRUE(parse({ "--root", "/r", "--country", "1", "--language", "0x5", "--fast-clock", "--dfb:system=x",
                        "--view", "s.script" },
                      &line, &error))
        << error;
    EXPECT_EQ(line.options.root, "/r");
    EXPECT_EQ(line.options.country, 1);
    EXPECT_EQ(line.options.language, 5);
    EXPECT_TRUE(line.options.fastClock && line.view && line.options.languageSet);
    EXPECT_EQ(line.dfbArgs, std::vector<std::string>{ "--dfb:system=x" });
    EXPECT_EQ(line.options.scriptName, "s.script");

    const struct {
        std::vector<std::string> args;
        const char* error;
    } bad[] = { { { "--country", "3" }, "--country takes 1 (NA) or 2 (EU), not '3'" },
                { { "--shots" }, "--shots needs a value" },
                { { "--fly" }, "unknown option '--fly'" },
                { { "a.script", "b.script" }, "more than one script given" } };
    for (const auto& b : bad) {
        HostCommandLine l;
        EXPECT_FALSE(parse(b.args, &l, &error));
        EXPECT_EQ(error, b.error);
    }
}
