// The lighting rules that need no window (levels, parameter groups, directions, typed
// channels) and the palette's storage and colour table.
#include <gtest/gtest.h>

#include <vector>

#include "../platform/TempFolder.h"
#include "lighting/LightingRules.h"
#include "lighting/PaletteFile.h"
#include "platform/IniFile.h"

namespace corv::lighting {
namespace {

using test::TempFolder;
using test::writeBytes;

TEST(LightingLevels, SliderSnapsAtTheQuartersAndSpeedRunsBackwards)
{
    EXPECT_EQ(sliderLevel(0), 0);
    EXPECT_EQ(sliderLevel(24), 0);
    EXPECT_EQ(sliderLevel(25), 1);
    EXPECT_EQ(sliderLevel(75), 1);
    EXPECT_EQ(sliderLevel(76), 2);
    EXPECT_EQ(sliderLevel(100), 2);
    // The right end is the fastest: byte 0; the left end byte 2.
    EXPECT_EQ(speedByte(sliderLevel(100)), 0);
    EXPECT_EQ(speedByte(sliderLevel(0)), 2);
    EXPECT_EQ(speedSliderValue(0), 100);
    EXPECT_EQ(speedSliderValue(2), 0);
    EXPECT_EQ(speedSliderValue(200), 0);  // a stored byte out of range shows as the slowest
    EXPECT_EQ(brightnessSliderValue(1), 50);
    EXPECT_EQ(brightnessSliderValue(9), 100);
}

TEST(LightingGroups, OnlyTheCustomEffectOpensThePaletteAndOnlyThreeHaveADirection)
{
    for (int m = 0; m < kMainEffectCount; ++m) {
        EXPECT_EQ(mainEffectGroups(m)->customEnabled, m == kCustomPaletteEffect) << m;
        EXPECT_EQ(mainEffectGroups(m)->directionVisible, m == 3 || m == 6 || m == 7) << m;
        EXPECT_EQ(mainEffectGroups(m)->directionVisible, directionLook(m).has_value()) << m;
    }
    for (int w = 0; w < kWheelEffectCount; ++w) {
        EXPECT_FALSE(wheelEffectGroups(w)->directionVisible) << w;
        EXPECT_FALSE(wheelEffectGroups(w)->customEnabled) << w;
    }
}

TEST(LightingGroups, NumbersOutsideTheCombosHaveNoGroups)
{
    EXPECT_FALSE(mainEffectGroups(-1));
    EXPECT_FALSE(mainEffectGroups(12));
    EXPECT_FALSE(wheelEffectGroups(4));
    EXPECT_FALSE(wheelEffectGroups(-1));
}

TEST(LightingDirection, EffectSixIsReadFromByte21AndOthersHaveNone)
{
    ASSERT_TRUE(directionChoice(6, 1));
    EXPECT_EQ(directionChoice(6, 1)->deviceByte, kDeviceDirectionByte);
    EXPECT_EQ(directionChoice(3, 0)->deviceByte, kDirectionByte);
    EXPECT_EQ(directionChoice(7, 1)->deviceByte, kDirectionByte);
    for (int m : {0, 1, 2, 4, 5, 8, 9, 10, 11, -1})
        EXPECT_FALSE(directionChoice(m, 0)) << m;
    EXPECT_FALSE(directionChoice(3, 2));
    // The chosen button of effects 6 and 7 looks disabled, the other one normal.
    EXPECT_EQ(directionChoice(7, 1)->secondNormal, QStringLiteral("file='ms/msKey_disable.png'"));
    EXPECT_EQ(directionChoice(7, 1)->firstNormal, QStringLiteral("file='ms/msKey_normal.png'"));
    EXPECT_EQ(directionChoice(3, 0)->firstNormal, QStringLiteral("file='ms/ssz1.png'"));
    EXPECT_EQ(directionLook(6)->first.label, QStringLiteral("左红右蓝"));
    EXPECT_FALSE(directionLook(2));
}

TEST(LightingChannels, TypedTextIsLimitedToAByte)
{
    EXPECT_EQ(channelValue(QStringLiteral("300")).value, 255);
    EXPECT_EQ(channelValue(QStringLiteral("300")).corrected, QStringLiteral("255"));
    EXPECT_EQ(channelValue(QString()).value, 0);
    EXPECT_FALSE(channelValue(QString()).corrected);  // the person may still be typing
    EXPECT_EQ(channelValue(QStringLiteral("x7")).value, 0);
    EXPECT_EQ(channelValue(QStringLiteral("-5")).value, 0);
    EXPECT_EQ(channelValue(QStringLiteral("-5")).corrected, QStringLiteral("0"));
    EXPECT_EQ(channelValue(QStringLiteral("255")).value, 255);
    EXPECT_FALSE(channelValue(QStringLiteral("255")).corrected);
    EXPECT_EQ(colourOf(1, 2, 3), 0xFF010203u);
    EXPECT_EQ(channelOf(0xFF112233u, 0), 0x11);
    EXPECT_EQ(channelOf(0xFF112233u, 2), 0x33);
}

TEST(PaletteTable, ThreeBarsFillNineBytesThenZeros)
{
    const std::vector<std::uint32_t> colours{0x00030201, 0x00060504, 0xFF090807};
    const auto table = colourTable(colours);
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_EQ(table[i], i + 1) << i;
    for (std::size_t i = 9; i < table.size(); ++i)
        EXPECT_EQ(table[i], 0) << i;

    EXPECT_EQ(colourTable({}), (std::array<std::uint8_t, kColourTableBytes>{}));
    // More than 20 colours: the table holds 20, bytes 60..63 stay 0.
    const std::vector<std::uint32_t> many(25, 0x00FFFFFF);
    const auto full = colourTable(many);
    EXPECT_EQ(full[59], 0xFF);
    for (std::size_t i = 60; i < 64; ++i)
        EXPECT_EQ(full[i], 0) << i;
}

TEST(PaletteKeysFile, CountsOutsideZeroToTwentyAreLimitedAndLaterValuesKept)
{
    TempFolder dir;
    const auto file = dir / "p.COL";
    writeBytes(file, "[COLORCOUNT]\ncount=25\n[COLORVALUE]\n0=255\n19=-7\n");
    PaletteKeys keys = readPaletteKeys(file);
    EXPECT_EQ(keys.count, 20);
    EXPECT_EQ(keys.values[0], 255);
    EXPECT_EQ(keys.values[1], 0);
    EXPECT_EQ(keys.values[19], -7);

    writeBytes(file, "[COLORCOUNT]\ncount=-3\n[COLORVALUE]\n4=99\n5=99999999999\n6=abc\n");
    keys = readPaletteKeys(file);
    EXPECT_EQ(keys.count, 0);
    EXPECT_EQ(keys.values[4], 99);          // past the count, still read as it stands
    EXPECT_EQ(keys.values[5], 2147483647);  // stops at the 32-bit limit
    EXPECT_EQ(keys.values[6], 0);
}

TEST(PaletteKeysFile, MissingFilesAndSections)
{
    TempFolder dir;
    EXPECT_EQ(readPaletteKeys(dir / "none.pro"), PaletteKeys{});
    EXPECT_FALSE(readPaletteFile(dir / "none.COL"));
    writeBytes(dir / "other.COL", "[Setting]\nLED1=3\n");
    ASSERT_TRUE(readPaletteFile(dir / "other.COL"));
    EXPECT_EQ(*readPaletteFile(dir / "other.COL"), PaletteKeys{});
    EXPECT_FALSE(writePaletteKeys({}, PaletteKeys{}));
}

TEST(PaletteKeysFile, WritingKeepsTheFilesOtherSectionsAndReadsBackTheSame)
{
    TempFolder dir;
    const auto file = dir / "mine.COL";
    writeBytes(file, "[Setting]\nLED1=3\n[COLORVALUE]\n0=1\nextra=x\n");
    PaletteKeys keys;
    keys.count = 3;
    keys.values = {16711680, 65280, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 42};
    ASSERT_TRUE(writePaletteKeys(file, keys));
    EXPECT_EQ(readPaletteKeys(file), keys);
    EXPECT_EQ(ini::readString(file, "Setting", "LED1", ""), "3");
    EXPECT_EQ(ini::readString(file, "COLORVALUE", "extra", ""), "x");
    // All 20 values are written, those past the count too.
    EXPECT_EQ(ini::readString(file, "COLORVALUE", "18", "missing"), "0");
    EXPECT_EQ(ini::readString(file, "COLORVALUE", "19", "missing"), "42");
    EXPECT_EQ(ini::readString(file, "COLORCOUNT", "count", "missing"), "3");
}

}  // namespace
}  // namespace corv::lighting
