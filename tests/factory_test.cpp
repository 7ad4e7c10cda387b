// Factory mode: the video-input codes and the direct-source label, the
// factory key's dispatch, and the information queries on the factory data,
// the middleware's services and the key files under /ciplus/.
//
// Everything but the factory key runs without a display: the queries and
// the codes need no started manager.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "BriskUiManager.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

// An unstarted manager on the simulated TV and a root of its own.
class FactoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::Reset();
        manager_ = BriskUiManager::GetInstance();
    }
    void TearDown() override { manager_->Finalize(); }

    void WriteKey(const std::string& name, const std::string& content) { root_.Write("/ciplus/" + name, content); }
    std::string KeyPath(const std::string& name) { return root_.Path() + "/ciplus/" + name; }
    // `count` bytes: `first`, `first`+1, ...
    static std::string Bytes(size_t count, unsigned first = 0)
    {
        std::string s;
        for (size_t i = 0; i < count; ++i) s += (char)(unsigned char)(first + i);
        return s;
    }
    // A file whose bytes from `offset` are `data`, zeros before.
    static std::string At(size_t offset, const std::string& data, size_t size = 0)
    {
        std::string s(offset, '\0');
        s += data;
        if (s.size() < size) s.resize(size, '\x5A');
        return s;
    }
    static std::string Str(const char* text) { return text != nullptr ? text : "(null)"; }

    TempRoot root_;
    BriskUiManager* manager_ = nullptr;
};

// ---- factory codes --------------------------------------------------------------

TEST_F(FactoryTest, VideoCodesSendTheirEventLoggingOnlyInMmode)
{
    // Outside M-mode: no line, the event all the same. EXT-4 sends 8 and
    // EXT-3 sends 9, against the code order.
    std::string out = CaptureStdout([&] {
        manager_->ProcessFactoryCode(60292);
        manager_->ProcessFactoryCode(60291);
    });
    EXPECT_EQ(out.find("(FACTORY:)"), std::string::npos) << out;
    EXPECT_EQ(sim::Calls(), (std::vector<std::string>{ "_HandleFactoryEvent(8,0,0)", "_HandleFactoryEvent(9,0,0)" }));

    sim::ClearCalls();
    sim::SetFactoryMmode(true);
    out = CaptureStdout([&] { manager_->ProcessFactoryCode(60292); });
    EXPECT_EQ(out, "(FACTORY:) Video EXT-4 \n");
    EXPECT_EQ(sim::Calls(), (std::vector<std::string>{ "_HandleFactoryEvent(8,0,0)" }));

    // EXT-2 is accepted and does nothing; so does a code of no family.
    sim::ClearCalls();
    out = CaptureStdout([&] {
        manager_->ProcessFactoryCode(60290);
        manager_->ProcessFactoryCode(1000);
        manager_->ProcessFactoryCode(60298);
    });
    EXPECT_EQ(out, "");
    EXPECT_TRUE(sim::Calls().empty());

    out = CaptureStdout([&] { manager_->ProcessFactoryCode(60289); });
    EXPECT_EQ(out, "(FACTORY:) Video EXT-1 \n");
    EXPECT_TRUE(sim::Called("_HandleFactoryEvent(7,0,0)"));
}

TEST_F(FactoryTest, DirectSourceLabelIsThatOfTheLastCode)
{
    manager_->ProcessFactoryCode(60290);   // sends nothing, still recorded
    EXPECT_STREQ(manager_->FactorySetSource(), "SCART 1");
    manager_->ProcessFactoryCode(60292);
    EXPECT_STREQ(manager_->FactorySetSource(), "Composite");
    manager_->ProcessFactoryCode(61081);
    EXPECT_STREQ(manager_->FactorySetSource(), "Component");
    // A new manager starts from 0 again.
    manager_->ProcessFactoryCode(60295);
    manager_->Finalize();
    manager_ = BriskUiManager::GetInstance();
    EXPECT_STREQ(manager_->FactorySetSource(), "Component");
}

// ---- factory data and services ------------------------------------------------------

TEST_F(FactoryTest, ModelNameTableAndUnsetModelId)
{
    EXPECT_EQ(Str(manager_->FactoryGetTVModel()), "NO_Name");   // item 76 unset: id 0
    EXPECT_EQ(Str(manager_->FactoryGetTVModelId()), "00 00 00 00 00");

    // 61 names of eight or nine characters, at ids 1 to 130 only.
    int named = 0;
    for (unsigned id = 0; id <= 255; ++id) {
        sim::SetFactoryData(76, (U8)id);
        std::string name = Str(manager_->FactoryGetTVModel());
        if (name == "NO_Name") continue;
        ++named;
        EXPECT_TRUE(id >= 1 && id <= 130) << id;
        EXPECT_TRUE(name.size() == 8 || name.size() == 9) << id << " " << name;
    }
    EXPECT_EQ(named, 61);
}

TEST_F(FactoryTest, SensorsAtTheirLimits)
{
    sim::SetTemperature(-5, 200);
    EXPECT_EQ(Str(manager_->FactoryGetMainBoardTemp()), "-5 C");
    EXPECT_EQ(Str(manager_->FactoryGetODTable()), "200");
    sim::SetTemperature(-32768, 0);
    EXPECT_EQ(Str(manager_->FactoryGetMainBoardTemp()), "-32768 C");
    sim::SetFactoryData(69, 255);
    EXPECT_EQ(Str(manager_->FactoryGetDLNACheck()), "255");
    // A counter with the top bit set reads the same on a 32-bit set as here.
    for (unsigned short i = 0; i < 4; ++i) sim::SetFactoryData((unsigned short)(83 + i), 0xFF);
    EXPECT_EQ(Str(manager_->FactoryGetAST()), "4294967295");
}

TEST_F(FactoryTest, PassFailItemsCountOnlyOne)
{
    EXPECT_EQ(manager_->FactoryGetADAdjustRGBStatus(), 0);
    sim::SetFactoryData(4, 1);
    sim::SetFactoryData(5, 2);
    EXPECT_EQ(manager_->FactoryGetADAdjustRGBStatus(), 1);
    EXPECT_EQ(manager_->FactoryGetADAdjustCOMPStatus(), 0);
    // CVBS is PAL or NTSC.
    EXPECT_EQ(manager_->FactoryGetADAdjustCVBSStatus(), 0);
    sim::SetFactoryData(7, 1);
    EXPECT_EQ(manager_->FactoryGetADAdjustCVBSStatus(), 1);

    const U8 vga[][2] = { { 0, 0 }, { 1, 1 }, { 2, 2 }, { 7, 2 }, { 255, 2 } };
    for (const auto& c : vga) {
        sim::SetFactoryData(87, c[0]);
        EXPECT_EQ(manager_->FactoryGetEDIDVGA(), c[1]) << (int)c[0];
    }
    sim::SetEdidChecksum(3, 0);
    sim::SetEdidChecksum(4, 7);
    EXPECT_EQ(manager_->FactoryGetEDIDHDMI1(), 1);
    EXPECT_EQ(manager_->FactoryGetEDIDHDMI3(), 0);
    EXPECT_EQ(manager_->FactoryGetEDIDHDMI4(), 7);   // the middleware's answer unchanged

    sim::SetFactoryData(94, 3);
    EXPECT_EQ(manager_->FactoryGetWriteProtect(), 0);
}

TEST_F(FactoryTest, EachQueryReusesItsOwnBuffer)
{
    sim::SetTemperature(30, 1);
    char* first = manager_->FactoryGetMainBoardTemp();
    sim::SetTemperature(-100, 1);
    char* second = manager_->FactoryGetMainBoardTemp();
    EXPECT_EQ(first, second);
    EXPECT_STREQ(second, "-100 C");
    EXPECT_NE((void*)manager_->FactoryGetODTable(), (void*)second);
}

TEST_F(FactoryTest, SubBoardStubsAnswerEmptyAndEightNameThemselves)
{
    typedef char* (BriskUiManager::*Stub)();
    struct {
        const char* name;
        Stub stub;
        bool notice;
    } const stubs[] = {
        { "has4KDemoData", &BriskUiManager::has4KDemoData, false },
        { "FactoryGetOrvexMemory", &BriskUiManager::FactoryGetOrvexMemory, true },
        { "FactoryGetOrvexLD_DATA", &BriskUiManager::FactoryGetOrvexLD_DATA, false },
        { "FactoryGetUniformityData", &BriskUiManager::FactoryGetUniformityData, false },
        { "FactoryGetGPIOConnect", &BriskUiManager::FactoryGetGPIOConnect, false },
        { "FactoryGetUSBConnect", &BriskUiManager::FactoryGetUSBConnect, true },
        { "FactoryGetInformation", &BriskUiManager::FactoryGetInformation, false },
        { "FactoryGetOrvexPQVersion", &BriskUiManager::FactoryGetOrvexPQVersion, false },
        { "FactoryGetOrvexCtrl", &BriskUiManager::FactoryGetOrvexCtrl, false },
        { "FactoryGetBootLoaderVersion", &BriskUiManager::FactoryGetBootLoaderVersion, true },
        { "FactoryGetFPGAVersion", &BriskUiManager::FactoryGetFPGAVersion, true },
        { "FactoryGetBRISCVersion", &BriskUiManager::FactoryGetBRISCVersion, true },
        { "FactoryGetCRISCVersion", &BriskUiManager::FactoryGetCRISCVersion, true },
        { "FactoryGetARMVersion", &BriskUiManager::FactoryGetARMVersion, true },
        { "FactoryGetORVEXVersion", &BriskUiManager::FactoryGetORVEXVersion, true },
    };
    BriskUiManager* manager = manager_;
    for (const auto& s : stubs) {
        char* answer = nullptr;
        const Stub stub = s.stub;
        std::string out = CaptureStdout([&answer, manager, stub] { answer = (manager->*stub)(); });
        ASSERT_NE(answer, nullptr) << s.name;
        EXPECT_STREQ(answer, "") << s.name;
        EXPECT_EQ(out, s.notice ? "\n~~ [" + std::string(s.name) + "] is for 4k2k project. \n" : "") << s.name;
    }
}

// ---- key files ----------------------------------------------------------------------

TEST_F(FactoryTest, PvrKeyCrc)
{
    WriteKey("pvrkey.bin", std::string(16, '\0'));
    EXPECT_EQ(Str(manager_->FactoryGetPVR()), "NG");

    // The CRC-32 of IEEE 802.3 of the first 16 bytes.
    WriteKey("pvrkey.bin", Bytes(1, 1) + std::string(15, '\0') + "trailing bytes are not part of the key");
    EXPECT_EQ(Str(manager_->FactoryGetPVR()), "OK 42d3dac4");
    // No leading zeros; a short file is padded with zeros.
    WriteKey("pvrkey.bin", "123456789");
    EXPECT_EQ(Str(manager_->FactoryGetPVR()), "OK e8c1a27");
}

TEST_F(FactoryTest, DeviceIdsShowNgWhileTheirKeyCheckFails)
{
    const std::string id = "WV0123456789ABCD";
    WriteKey("widevine.bin", At(76, id, 256));
    WriteKey("nfxkey.bin", At(76, "NFX0000000000042", 128));
    // Checks are those of the last load: none yet.
    EXPECT_EQ(Str(manager_->FactoryGetWidevineDeviceID()), id + " NG");

    WriteKey("widevine_key.bin", sim::Sealed(Bytes(200)));
    WriteKey("nfxkey_key.bin", sim::Sealed(Bytes(100, 7)));
    EXPECT_EQ(manager_->FactoryLoadKeyRawData(), 1);
    EXPECT_EQ(Str(manager_->FactoryGetWidevineDeviceID()), id);
    EXPECT_EQ(Str(manager_->FactoryGetNetflixESN()), "NFX0000000000042");

    // A missing or broken sealed file fails its check at the next load.
    unlink(KeyPath("widevine_key.bin").c_str());
    std::string broken = sim::Sealed(Bytes(100, 7));
    broken[10] ^= 0x01;
    WriteKey("nfxkey_key.bin", broken);
    EXPECT_EQ(Str(manager_->FactoryGetWidevineDeviceID()), id);   // not loaded yet
    manager_->FactoryLoadKeyRawData();
    EXPECT_EQ(Str(manager_->FactoryGetWidevineDeviceID()), id + " NG");
    EXPECT_EQ(Str(manager_->FactoryGetNetflixESN()), "NFX0000000000042 NG");

    // No id file, or an empty one: "--". A file ending inside the id shows
    // what it has, and a failed check stays visible after it.
    WriteKey("widevine.bin", "");
    EXPECT_EQ(Str(manager_->FactoryGetWidevineDeviceID()), "--");
    unlink(KeyPath("nfxkey.bin").c_str());
    EXPECT_EQ(Str(manager_->FactoryGetNetflixESN()), "--");
    WriteKey("widevine.bin", At(76, "WV01"));
    EXPECT_EQ(Str(manager_->FactoryGetWidevineDeviceID()), "WV01 NG");
}

TEST_F(FactoryTest, HdcpReceiverIdAndAnswer)
{
    char id[21];
    memset(id, 'x', sizeof id);
    manager_->FactoryGetHDCP20_ReceiveID(id);
    EXPECT_EQ(std::string(id, 11), "FFFFFFFFFFx");   // ten characters, no terminator

    WriteKey("hdcp2_key.bin", sim::Sealed(At(40, "\x8A\x3F\x91\xC2\xD5", 300)));
    WriteKey("hdcp2.bin", At(71, "\x2F\x6B\x0C\x9A\xE1", 128));
    manager_->FactoryLoadKeyRawData();
    EXPECT_EQ(Str(manager_->FactoryGetHDCP20()), " 8A3F91C2D5 2F6B0C9AE1");

    // Without the identity file the id is still shown, with NG.
    unlink(KeyPath("hdcp2.bin").c_str());
    EXPECT_EQ(Str(manager_->FactoryGetHDCP20()), "8A3F91C2D5 NG");
    // An empty key file has no id.
    WriteKey("hdcp2_key.bin", "");
    memset(id, 0, sizeof id);
    manager_->FactoryGetHDCP20_ReceiveID(id);
    EXPECT_STREQ(id, "FFFFFFFFFF");
}

TEST_F(FactoryTest, KeyFileBytesAreFormattedAsUnsignedBytes)
{
    // Serial number at 68, host id at 72: every byte 0x80 or more.
    WriteKey("ci_plus.bin", At(68, Bytes(12, 0xF4), 100));
    EXPECT_EQ(Str(manager_->FactoryGetCIPlusSerialNumber()), "F4F5F6F7");
    EXPECT_EQ(Str(manager_->FactoryGetCIPlusHostID()), "F8F9FAFBFCFDFEFF");
    WriteKey("ci_plus.bin", At(68, Bytes(4, 0x80), 74));   // ends inside the host id
    EXPECT_EQ(Str(manager_->FactoryGetCIPlusHostID()), "5A5A000000000000");
    EXPECT_EQ(Str(manager_->FactoryGetCIPlusSerialNumber()), "80818283");
    WriteKey("ci_plus.bin", "");
    EXPECT_EQ(Str(manager_->FactoryGetCIPlusHostID()), "--");
    unlink(KeyPath("ci_plus.bin").c_str());
    EXPECT_EQ(Str(manager_->FactoryGetCIPlusSerialNumber()), "--");
}

// A 100 MB (sparse) key file: its first 8192 bytes are read, nothing more.
TEST_F(FactoryTest, HugeKeyFileReadsItsFirstBlock)
{
    WriteKey("ci_plus.bin", At(68, Bytes(12, 0x90)));
    WriteKey("pvrkey.bin", Bytes(1, 1));
    for (const char* name : { "ci_plus.bin", "pvrkey.bin" }) {
        int fd = open(KeyPath(name).c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, 100L * 1024 * 1024), 0);
        ASSERT_EQ(pwrite(fd, "tail", 4, 100L * 1024 * 1024 - 4), 4);
        close(fd);
    }
    EXPECT_EQ(Str(manager_->FactoryGetCIPlusHostID()), "9495969798999A9B");
    EXPECT_EQ(Str(manager_->FactoryGetPVR()), "OK 42d3dac4");
}

// A directory or a FIFO in a key file's place holds no key: not opened (and
// the FIFO, which has no writer, must not block the query).
TEST_F(FactoryTest, KeyFileThatIsNoRegularFileCountsAsNotOpened)
{
    root_.Write("/ciplus/.keep", "");
    for (const char* name : { "ci_plus.bin", "nfxkey.bin", "hdcp2_key.bin", "widevine_key.bin" })
        ASSERT_EQ(mkdir(KeyPath(name).c_str(), 0755), 0) << name;
    ASSERT_EQ(mkfifo(KeyPath("pvrkey.bin").c_str(), 0644), 0);
    sim::SetHmacValid(KeyPath("widevine_key.bin"), true);   // the check is never asked

    EXPECT_EQ(Str(manager_->FactoryGetCIPlusHostID()), "--");
    EXPECT_EQ(Str(manager_->FactoryGetPVR()), "--");
    EXPECT_EQ(Str(manager_->FactoryGetNetflixESN()), "--");
    manager_->FactoryLoadKeyRawData();
    WriteKey("widevine.bin", At(76, "WV0123456789ABCD"));
    EXPECT_EQ(Str(manager_->FactoryGetWidevineDeviceID()), "WV0123456789ABCD NG");
    EXPECT_EQ(Str(manager_->FactoryGetHDCP20()), "FFFFFFFFFF NG");
}

// ---- the factory key ------------------------------------------------------------------

// The standard layouts' factory screens, none shown, and the factory key
// with a code while the wait message is shown.
class FactoryKeyTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
        StartManager();
    }
};

// On the real screens: each opens over the wait message and hides it (what
// a code's range hides first, row by row, ProbeTableTest checks).
TEST_F(FactoryKeyTest, CodeChoosesTheScreenWhichReplacesTheWaitMessage)
{
    const EN_BRISKUI_OSD_STATUS arc = E_BRISKUI_OSD_STATUS_FACTORY_ARC, balance = E_BRISKUI_OSD_STATUS_FACTORY_BALANCE,
                                version = E_BRISKUI_OSD_STATUS_VERSION_SELF_CHECK,
                                subBoard = E_BRISKUI_OSD_STATUS_FACTORY_ORVEX_CHECK, none = E_BRISKUI_OSD_STATUS_BASE;
    const struct {
        unsigned short code;
        EN_BRISKUI_OSD_STATUS screen;
    } cases[] = {
        { 61081, arc },      { 60985, balance },  { 61141, balance },  { 49065, balance },
        { 60946, subBoard }, { 61082, subBoard }, { 65535, subBoard }, { 49067, version },
        { 60945, none },     { 49066, none },     { 1000, none },      { 0, none },
    };
    for (const auto& c : cases) {
        for (EN_BRISKUI_OSD_STATUS screen : { arc, balance, version, subBoard }) manager_->DisableStatus(screen);
        manager_->EnableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, 0);
        sim::SetFactoryCode(c.code);
        EXPECT_TRUE(manager_->KeyHandler(0xF54F)) << c.code;   // handled, whatever the code
        for (EN_BRISKUI_OSD_STATUS screen : { arc, balance, version, subBoard })
            EXPECT_EQ(manager_->QueryStatus(screen) != 0, screen == c.screen) << c.code << " " << screen;
        EXPECT_EQ(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE) != 0, c.screen == none) << c.code;
    }
}

}   // namespace
