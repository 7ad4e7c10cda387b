// The channel banner through real keys and banner states: NA and EU rows
// placed by measured text widths, icons by input, the program record's
// edge cases, the channel keys, the layout's bounded paths and its absence.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "BriskUiManager.h"
#include "ChannelChangeHandler.h"
#include "ImageCache.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const U32 CH_UP = 0xF046, CH_DOWN = 0xF047;

// What one draw made of the row.
struct Row {
    _Rect icon;
    bool iconShown;
    std::string iconPath, name, number, service;
    U32 nameLeft, numberLeft, serviceLeft, nameWidth, numberWidth;
};

class ChannelBannerTest : public OsdTest {
protected:
    // Shows the banner as the menus and the middleware do, and waits for
    // the composition.
    void Show()
    {
        manager_->EnableStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, 0xFFFF);
        ASSERT_TRUE(manager_->WaitIdle(5000));
    }
    Row Read()
    {
        BriskManagerLock lock;
        ChannelChangeHandler* banner = BriskUiManager::pChannelChangeHandler;
        ImageItem* icon = banner->FindImageItem("input_icon");
        TextItem* name = banner->FindTextItem("input_name");
        TextItem* number = banner->FindTextItem("channel_number");
        TextItem* service = banner->FindTextItem("channel_name");
        return { icon->GetRect(),           icon->GetVisible() != 0,    icon->GetImagePath(),
                 name->GetText(),           number->GetText(),          service->GetText(),
                 name->GetLeft(),           number->GetLeft(),          service->GetLeft(),
                 name->GetTextWidth(Dfb()), number->GetTextWidth(Dfb()) };
    }
    // Pixels of `rect` that are not the bare panel: text or an icon.
    int Drawn(const _Rect& rect)
    {
        int count = 0;
        for (int y = rect.top; y < rect.top + rect.height; ++y)
            for (int x = rect.left; x < rect.left + rect.width; ++x) count += Pixel(surface_, x, y) != kBannerColour;
        return count;
    }
};

TEST_F(ChannelBannerTest, NorthAmericaTunerRowAndItsIconFromTheCache)
{
    // Art older than a few seconds is what the image cache keeps.
    for (const std::string& file : root_.List("/test/images")) {
        struct timespec times[2] = { { 1600000000, 0 }, { 1600000000, 0 } };
        utimensat(AT_FDCWD, (root_.Path() + "/test/images/" + file).c_str(), times, 0);
    }
    Start(1);
    ASSERT_TRUE(sim::SetCurrentChannelIndex(2));   // ITV 3; CH+ goes to News 7
    Key(CH_UP);
    EXPECT_TRUE(sim::Called("ProgramUp()"));
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0009u);
    Row row = Read();
    EXPECT_EQ(row.icon, kBannerIcon);
    EXPECT_EQ(row.iconPath, "/test/images/b_ant.png");
    EXPECT_EQ(row.name, "");
    EXPECT_EQ(row.number, "7");
    EXPECT_EQ(row.service, "News");
    // Padding 5 (the layout names none): the empty name right of the icon,
    // the number 25 further, the service one padding after the number.
    EXPECT_EQ(row.nameLeft, 157u);
    EXPECT_EQ(row.numberLeft, 182u);
    EXPECT_EQ(row.serviceLeft, 182u + row.numberWidth + 5);
    EXPECT_EQ(Pixel(surface_, 136, 636), kAntennaColour);
    EXPECT_EQ(Drawn(_Rect(153, 628, 28, 26)), 0);
    EXPECT_GT(Drawn(_Rect(182, 628, (int)row.numberWidth, 26)), 0);
    EXPECT_GT(Drawn(_Rect((int)row.serviceLeft, 628, 40, 26)), 0);

    // The icon's path is set at every draw; once shown it is not decoded again.
    ST_IMAGE_CACHE_STATS before, after;
    BriskImageCacheStats(&before);
    Key(CH_UP);
    Key(CH_DOWN);
    BriskImageCacheStats(&after);
    EXPECT_EQ(after.u32Decodes, before.u32Decodes);
    EXPECT_GE(after.u32Hits, before.u32Hits + 2);
}

TEST_F(ChannelBannerTest, EuropeanRowsUseTheLayoutsPadding)
{
    WriteLayout("BriskUIChannelChangeLayout_EU.ini", BannerLayout("text_padding = 12\n"));
    Start(2);
    Key(CH_UP);   // BBC Two 2: the TV type icon, then number, name, service
    Row row = Read();
    EXPECT_TRUE(row.iconShown);
    EXPECT_EQ(row.icon, _Rect(120, 620, 40, 26));
    EXPECT_EQ(row.iconPath, "/test/images/b_tv.png");
    EXPECT_EQ(row.numberLeft, 172u);
    EXPECT_EQ(row.nameLeft, 172u + row.numberWidth + 12);
    EXPECT_EQ(row.serviceLeft, row.nameLeft + 12);
    EXPECT_EQ(Pixel(surface_, 158, 644), kTvTypeColour);
    EXPECT_EQ(Pixel(surface_, 158, 648), kBannerColour);

    sim::SetInputSource(MAPI_INPUT_SOURCE_ATV);
    Key(CH_UP);   // no icon: the number one padding right of its left edge
    row = Read();
    EXPECT_FALSE(row.iconShown);
    EXPECT_EQ(row.icon, _Rect(120, 620, 0, 0));
    EXPECT_EQ(row.number, "2");
    EXPECT_EQ(row.numberLeft, 132u);
    EXPECT_EQ(Drawn(_Rect(120, 620, 12, 32)), 0);
}

TEST_F(ChannelBannerTest, ProgramRecordFlagAndFailure)
{
    sim::Channel hidden;
    hidden.number = 9;
    hidden.name = "Radio Nine";
    hidden.hideNumber = true;
    sim::SetDtvChannels({ hidden });
    Start(2);
    std::string out = CaptureStdout([&] { Show(); });
    EXPECT_NE(out.find("[Update] get : ret=1, u32QueryIndex:0, u32Number:9, sServiceName:Radio Nine\n"
                       "[Update][169] Get program information ok \n"),
              std::string::npos)
        << out;
    Row row = Read();
    EXPECT_EQ(row.number, "");
    EXPECT_EQ(row.service, "Radio Nine");

    sim::SetProgramInfoFails(true);
    out = CaptureStdout([&] { Show(); });
    EXPECT_NE(out.find("ChannelChangeHandler::Update, GetProgramInfo failed\n"), std::string::npos) << out;
    row = Read();
    EXPECT_EQ(row.number + row.service, "");
    EXPECT_EQ(Pixel(surface_, 130, 630), kTvTypeColour);   // the icon still shows
}

// HDMI and PC in NA, on the sample layouts: the gallery's goldens.
TEST_F(ChannelBannerTest, InputsShowTheirIconAndName)
{
    struct Case {
        int country;
        MAPI_INPUT_SOURCE_TYPE source;
        bool shared;
        const char* name;
        U32 icon;
    };
    const Case cases[] = {
        { 1, MAPI_INPUT_SOURCE_CVBS, true, "Video", kVideoColour },
        { 1, MAPI_INPUT_SOURCE_CVBS, false, "Video 1", kVideoColour },
        { 1, MAPI_INPUT_SOURCE_YPBPR, false, "Spectrel HD", kComponentColour },
        { 2, MAPI_INPUT_SOURCE_CVBS, true, "2", kVideoColour },
        { 2, MAPI_INPUT_SOURCE_YPBPR, false, "2", kVideoColour },
        { 2, MAPI_INPUT_SOURCE_SCART, false, "1", kVideoColour },
        { 2, MAPI_INPUT_SOURCE_HDMI, false, "HDMI 1", kHdmiColour },
    };
    for (int country : { 1, 2 }) {
        Start(country);
        for (const Case& c : cases) {
            if (c.country != country) continue;
            SCOPED_TRACE(c.name);
            sim::SetInputSource(c.source);
            sim::SetRearSharedInput(c.shared);
            Show();
            Row row = Read();
            EXPECT_EQ(row.name, c.name);
            EXPECT_EQ(row.icon, kBannerIcon);
            EXPECT_EQ(Pixel(surface_, 136, 636), c.icon);
            if (country == 1) {   // name, 20 pixels, number, padding, service
                EXPECT_EQ(row.nameLeft, 157u);
                EXPECT_EQ(row.numberLeft, 157u + row.nameWidth + 20);
                EXPECT_EQ(row.serviceLeft, row.numberLeft + 5);
            } else {   // number, padding, name, padding, service
                EXPECT_EQ(row.numberLeft, 157u);
                EXPECT_EQ(row.nameLeft, 162u);
                EXPECT_EQ(row.serviceLeft, 162u + row.nameWidth + 5);
            }
        }
        StopManager();
    }
}

TEST_F(ChannelBannerTest, ChannelKeysStepOnlyATuner)
{
    Start(2);
    sim::SetInputSource(MAPI_INPUT_SOURCE_HDMI);
    std::string out = CaptureStdout([&] { Key(CH_UP); });
    EXPECT_EQ(out.find("BRISKUI - KEY CH"), std::string::npos) << out;
    EXPECT_TRUE(sim::Calls().empty());
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0001u);

    sim::SetInputSource(MAPI_INPUT_SOURCE_DTV);
    out = CaptureStdout([&] { Key(CH_DOWN); });
    EXPECT_NE(out.find("BRISKUI - KEY CH-\nBRISKUI - Channel Change OK\n"), std::string::npos) << out;
    EXPECT_TRUE(sim::Called("ProgramDown()"));
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0009u);
    Advance(3100);
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0001u);
    EXPECT_EQ(OpaqueCount(surface_, kBannerPanel), 0);

    // Another key, or a step the channel manager refuses: the FAIL line
    // and no banner.
    out = CaptureStdout([&] {
        BriskManagerLock lock;
        EXPECT_FALSE(BriskUiManager::pChannelChangeHandler->KeyHandler(0xF00A));
    });
    EXPECT_EQ(out, "BRISKUI -Channel Change FAIL\n");
    sim::SetDtvChannels({});
    out = CaptureStdout([&] { Key(CH_UP); });
    EXPECT_NE(out.find("BRISKUI - KEY CH+\nBRISKUI -Channel Change FAIL\n"), std::string::npos) << out;
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0001u);
}

TEST_F(ChannelBannerTest, LayoutPathsAreBoundedAndTheLayoutIsRequired)
{
    std::string longPath = "/" + std::string(150, 'h') + ".png";
    WriteLayout("BriskUIChannelChangeLayout_EU.ini", BannerLayout("banner_HDMI = " + longPath + "\n"));
    Start(2);
    ChannelChangeHandler* banner = BriskUiManager::pChannelChangeHandler;
    EXPECT_EQ(std::string(banner->GetHdmiIconPath()), longPath.substr(0, 99));
    // EU takes the composite and component icons from inpt_cstmlabels.
    EXPECT_STREQ(banner->GetComponentIconPath(), "/test/images/b_video.png");
    EXPECT_EQ(banner->GetTextPadding(), 5);
    StopManager();
    Start(1);
    EXPECT_STREQ(BriskUiManager::pChannelChangeHandler->GetComponentIconPath(), "/test/images/b_comp.png");
    StopManager();

    UseThreadsafeDeathTests();
    EXPECT_DEATH(
        {
            dup2(2, 1);   // the library logs on stdout
            // The child aborts: nothing would remove its root afterwards.
            root_.Remove();
            StartOptions options;
            options.loadSettings = false;
            StartManager(options);
        },
        "\\[BriskUI\\] ChannelChangeHandler::LoadResource failed, no such file [^\n]*"
        "BriskUIChannelChangeLayout_EU.ini\n(.|\n)*ASSERT FAIL: ChannelChangeHandler "
        "virtual void ChannelChangeHandler::LoadResource\\(const char\\*\\) 111");
}

}   // namespace
