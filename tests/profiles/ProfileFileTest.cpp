#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <optional>
#include <string>

#include "../platform/TempFolder.h"
#include "device/DeviceConnection.h"
#include "platform/AppPaths.h"
#include "platform/IniFile.h"
#include "profiles/ProfileFile.h"

namespace corv {
namespace {

using test::readBytes;
using test::TempFolder;
using test::writeBytes;

using Triple = std::array<std::uint8_t, 3>;

class ProfileFileTest : public ::testing::Test {
protected:
    TempFolder dir;
    std::filesystem::path file = dir / "p.pro";

    static std::array<std::uint8_t, kProfileSettingsSize> deviceSettings()
    {
        std::array<std::uint8_t, kProfileSettingsSize> s{};
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<std::uint8_t>(100 + i);
        return s;
    }
};

TEST_F(ProfileFileTest, MissingFileReadsAsZerosWithDefaultButtons)
{
    for (std::uint16_t model : {kModelR210, kModelR240, std::uint16_t{0x1234}}) {
        const ProfileImage image = readProfileImage(file, model);
        for (std::uint8_t b : image.settings)
            EXPECT_EQ(b, 0);
        for (std::size_t n = 0; n < kProfileButtons; ++n) {
            EXPECT_EQ(image.buttons[3 * n], 16);
            EXPECT_EQ(image.buttons[3 * n + 1], 1);
            EXPECT_EQ(image.buttons[3 * n + 2], 0);
        }
        EXPECT_EQ(image.pointerSpeed, 0);
        EXPECT_EQ(image.scrollLines, 0);  // stored value; the caller reads 0 as one line
    }
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ProfileFileTest, NumbersConvertLikeWtolAndBytesKeepTheLowBits)
{
    writeBytes(file, "[Setting]\n"
                     "LED5=300\n"
                     "LED6=abc\n"
                     "LED7=-1\n"
                     "LED8= 12px\n"
                     "LED33=9\n"
                     "PRO0=7\n"
                     "PRO1=-3\n");
    EXPECT_EQ(readByte(file, "Setting", "LED5"), 44);
    EXPECT_EQ(readInt(file, "Setting", "LED5"), 300);
    EXPECT_EQ(readByte(file, "Setting", "LED6"), 0);
    EXPECT_EQ(readByte(file, "Setting", "LED7"), 255);
    EXPECT_EQ(readInt(file, "setting", "led8"), 12);
    const ProfileImage image = readProfileImage(file, kModelR210);
    EXPECT_EQ(image.settings[5], 44);
    EXPECT_EQ(image.settings[6], 0);
    EXPECT_EQ(image.settings[7], 255);
    EXPECT_EQ(image.settings[8], 12);
    EXPECT_EQ(image.settings[33], 0);  // no key beyond LED32 is read
    EXPECT_EQ(image.pointerSpeed, 7);
    EXPECT_EQ(image.scrollLines, -3);  // range checks are the caller's
}

TEST_F(ProfileFileTest, WritesUseDecimalText)
{
    ASSERT_TRUE(writeInt(file, "Setting", "LED1", 5));
    ASSERT_TRUE(writeInt(file, "Setting", "PRO0", -2));
    ASSERT_TRUE(writeKey(file, "COLORCOUNT", "count", "3"));
    ASSERT_TRUE(writeKeyTriple(file, 4, Triple{32, 0, 4}));
    EXPECT_EQ(readBytes(file), "[Setting]\nLED1=5\nPRO0=-2\nKEY4=32,0,4\n[COLORCOUNT]\ncount=3\n");
    EXPECT_EQ(readKey(file, "colorcount", "COUNT", "0"), "3");
    EXPECT_EQ(readKey(file, "Setting", "nothing", "dflt"), "dflt");
    EXPECT_EQ(readKeyTriple(file, 4), (Triple{32, 0, 4}));
}

TEST_F(ProfileFileTest, ButtonValuesWithoutThreeNumbersFallBackAsAWhole)
{
    writeBytes(file, "[Setting]\n"
                     "KEY0=5\n"
                     "KEY1=1,2\n"
                     "KEY2=1,2,3,4\n"
                     "KEY3= 1, +2,\t3 trailing\n"
                     "KEY4=300,-1,2\n"
                     "KEY5=a,b,c\n"
                     "KEY6=\n"
                     "KEY7=1 ,2,3\n"
                     "KEY8=1,2,x\n");
    EXPECT_EQ(readKeyTriple(file, 0), (Triple{16, 1, 0}));
    EXPECT_EQ(readKeyTriple(file, 1), (Triple{16, 1, 0}));
    EXPECT_EQ(readKeyTriple(file, 2), (Triple{1, 2, 3}));
    EXPECT_EQ(readKeyTriple(file, 3), (Triple{1, 2, 3}));
    EXPECT_EQ(readKeyTriple(file, 4), (Triple{44, 255, 2}));
    EXPECT_EQ(readKeyTriple(file, 5), (Triple{16, 1, 0}));
    EXPECT_EQ(readKeyTriple(file, 6), (Triple{16, 1, 0}));
    EXPECT_EQ(readKeyTriple(file, 7), (Triple{16, 1, 0}));  // "%d," needs the comma right after the number
    EXPECT_EQ(readKeyTriple(file, 8), (Triple{16, 1, 0}));
    const ProfileImage image = readProfileImage(file, kModelR210);
    EXPECT_EQ(image.buttons[3], 16);
    EXPECT_EQ(image.buttons[4], 1);
    EXPECT_EQ(image.buttons[5], 0);
    EXPECT_EQ(image.buttons[12], 44);
}

TEST_F(ProfileFileTest, DpiStagesComeFromTheModelsSection)
{
    std::string content = "[Setting]\n";
    for (int n = 0; n <= 32; ++n)
        content += "LED" + std::to_string(n) + "=" + std::to_string(n) + "\n";
    content += "[3360]\nLED15=115\nLED16=116\nLED17=117\nLED18=118\nLED19=119\nLED20=99\n";
    writeBytes(file, content);

    const ProfileImage r210 = readProfileImage(file, kModelR210);
    const ProfileImage r240 = readProfileImage(file, kModelR240);
    const ProfileImage other = readProfileImage(file, 0x1111);
    for (std::size_t n = 0; n <= 32; ++n) {
        const bool dpi = n >= 15 && n <= 19;
        EXPECT_EQ(r210.settings[n], n) << n;
        EXPECT_EQ(other.settings[n], n) << n;
        EXPECT_EQ(r240.settings[n], dpi ? 100 + n : n) << n;  // [3360] LED20 is not used
    }
}

TEST_F(ProfileFileTest, CaptureOfAnR210LeavesThe3360SectionAlone)
{
    const auto settings = deviceSettings();
    ASSERT_TRUE(writeDeviceImage(file, settings, kModelR210, nullptr));
    EXPECT_EQ(ini::sectionNames(file), std::vector<std::string>{"Setting"});
    for (std::size_t n = 0; n <= 32; ++n)
        EXPECT_EQ(readInt(file, "Setting", "LED" + std::to_string(n)), static_cast<long>(100 + n)) << n;
    EXPECT_EQ(readInt(file, "Setting", "LED33"), 0);  // only bytes 0..32 have keys
    EXPECT_EQ(ini::keyNames(file, "Setting").size(), 33u);

    // The R210 neither reads nor writes [3360], even when it exists.
    writeBytes(file, readBytes(file) + "[3360]\nLED15=1\n");
    const std::string before = readBytes(file);
    ASSERT_TRUE(writeDeviceImage(file, settings, kModelR210, nullptr));
    EXPECT_EQ(readBytes(file), before);
}

TEST_F(ProfileFileTest, CaptureOfAnR240WritesDpiStagesTo3360Only)
{
    writeBytes(file, "[Setting]\nLED15=1\nLED16=2\nLED17=3\nLED18=4\nLED19=5\n");
    const auto settings = deviceSettings();
    ASSERT_TRUE(writeDeviceImage(file, settings, kModelR240, nullptr));
    for (int n = 15; n <= 19; ++n) {
        const std::string key = "LED" + std::to_string(n);
        EXPECT_EQ(readInt(file, "Setting", key), n - 14);
        EXPECT_EQ(readInt(file, "3360", key), 100 + n);
    }
    EXPECT_EQ(readInt(file, "Setting", "LED14"), 114);
    EXPECT_EQ(readInt(file, "Setting", "LED20"), 120);
    const ProfileImage image = readProfileImage(file, kModelR240);
    EXPECT_TRUE(std::equal(image.settings.begin(), image.settings.begin() + 33, settings.begin()));
}

TEST_F(ProfileFileTest, CaptureOfAnUnknownModelWritesNoDpiStages)
{
    const auto settings = deviceSettings();
    ASSERT_TRUE(writeDeviceImage(file, settings, 0x4242, nullptr));
    EXPECT_EQ(ini::sectionNames(file), std::vector<std::string>{"Setting"});
    for (int n = 0; n <= 32; ++n)
        EXPECT_EQ(ini::readString(file, "Setting", "LED" + std::to_string(n), "missing"),
                  (n >= 15 && n <= 19) ? "missing" : std::to_string(100 + n))
            << n;
}

TEST_F(ProfileFileTest, FullCaptureWritesTheButtonsAndReadsBack)
{
    std::array<std::uint8_t, 126> block{};
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 7);
    const auto settings = deviceSettings();
    ASSERT_TRUE(writeDeviceImage(file, settings, kModelR210, block.data()));
    EXPECT_EQ(readKey(file, "Setting", "KEY2", ""), "42,49,56");
    EXPECT_EQ(readKey(file, "Setting", "KEY9", "none"), "none");
    const ProfileImage image = readProfileImage(file, kModelR210);
    EXPECT_TRUE(std::equal(image.buttons.begin(), image.buttons.end(), block.begin()));
    EXPECT_TRUE(std::equal(image.settings.begin(), image.settings.begin() + 33, settings.begin()));
}

TEST_F(ProfileFileTest, CaptureFailuresAreReported)
{
    const std::array<std::uint8_t, 32> tooShort{};
    EXPECT_FALSE(writeDeviceImage(file, tooShort, kModelR210, nullptr));
    EXPECT_FALSE(std::filesystem::exists(file));
    const auto settings = deviceSettings();
    EXPECT_FALSE(writeDeviceImage(dir / "no-folder" / "p.pro", settings, kModelR240, nullptr));
    EXPECT_FALSE(writeDeviceImage(std::filesystem::path{}, settings, kModelR240, nullptr));
}

TEST_F(ProfileFileTest, ACaptureIsWrittenWholeOrNotAtAll)
{
    const std::string before = "[Setting]\nPRO0=7\n";
    writeBytes(file, before);
    DeviceCapture capture;
    capture.file = file;
    capture.modelId = kModelR240;
    capture.haveSettings = true;
    for (std::size_t i = 0; i < capture.settings.size(); ++i)
        capture.settings[i] = static_cast<std::uint8_t>(200 + i);
    capture.haveButtons = true;
    capture.buttons.fill(255);

    // The process may write files of 300 bytes only: the first keys would fit, the whole
    // capture does not.
    struct rlimit old { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 300;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeDeviceCapture(capture);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(file), before);

    ASSERT_TRUE(writeDeviceCapture(capture));
    EXPECT_EQ(readInt(file, "Setting", "PRO0"), 7);
    EXPECT_EQ(readInt(file, "Setting", "LED32"), 232);
    EXPECT_EQ(readInt(file, "3360", "LED15"), 215);
    EXPECT_EQ(readKey(file, "Setting", "KEY8", ""), "255,255,255");
    EXPECT_EQ(ini::keyNames(file, "Setting").size(), 1u + 28u + 9u);  // PRO0, LED keys, KEY keys
}

class ProfilePathTest : public ::testing::Test {
protected:
    TempFolder home;
    std::optional<std::string> oldHome;

    void SetUp() override
    {
        if (const char* h = ::getenv("HOME"))
            oldHome = h;
        ::setenv("HOME", home.path().c_str(), 1);
    }
    void TearDown() override
    {
        if (oldHome)
            ::setenv("HOME", oldHome->c_str(), 1);
        else
            ::unsetenv("HOME");
    }
};

TEST_F(ProfilePathTest, NamesThatWouldLeaveTheDataFolderGiveNoPath)
{
    const std::filesystem::path data = home.path() / "Documents" / "CORVALANTIS R210R240 Driver";
    EXPECT_EQ(profilePath("默认配置"), data / "默认配置.pro");
    EXPECT_EQ(profilePath("My ..profile"), data / "My ..profile.pro");
    EXPECT_TRUE(std::filesystem::is_directory(data));
    for (std::string_view bad :
         {std::string_view("../x"), std::string_view("a/b"), std::string_view(""), std::string_view("."),
          std::string_view(".."), std::string_view("/abs"), std::string_view("nul\0x", 5)})
        EXPECT_TRUE(profilePath(bad).empty()) << bad;
    // An empty path reads as defaults and is never written.
    EXPECT_EQ(readInt(profilePath(".."), "Setting", "LED1"), 0);
    EXPECT_FALSE(writeInt(profilePath(".."), "Setting", "LED1", 1));
}

TEST_F(ProfilePathTest, TemplateLivesInTheResourceFolder)
{
    TempFolder resources;
    setResourceFolderOverride(resources.path());
    EXPECT_EQ(templatePath(), resources.path() / "default.pro");
    setResourceFolderOverride({});
    EXPECT_EQ(templatePath(), resourceFolder() / "default.pro");
}

}  // namespace
}  // namespace corv
