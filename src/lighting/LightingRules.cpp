#include "lighting/LightingRules.h"

#include <algorithm>
#include <array>

#include "platform/IniFile.h"

namespace corv::lighting {

namespace {

// Columns: direction shown, colour shown, colour enabled, seven-colour shown, custom
// palette enabled, speed enabled, brightness enabled.
constexpr std::array<ParameterGroups, kMainEffectCount> kMainGroups{{
    {false, true, true, true, false, false, true},     // 0
    {false, true, true, false, false, true, true},     // 1
    {false, true, false, false, false, true, true},    // 2
    {true, true, true, true, false, true, true},       // 3
    {false, true, false, false, false, false, false},  // 4
    {false, true, true, false, false, true, true},     // 5
    {true, true, false, false, false, false, true},    // 6
    {true, true, true, false, false, true, true},      // 7
    {false, true, true, false, false, false, true},    // 8
    {false, true, true, false, false, true, true},     // 9
    {false, true, true, false, false, true, true},     // 10
    {false, true, false, false, true, false, true},    // 11
}};

// The wheel has no direction; its colour group stays shown.
constexpr std::array<ParameterGroups, kWheelEffectCount> kWheelGroups{{
    {false, true, false, false, false, true, true},    // 0
    {false, true, true, true, false, true, true},      // 1
    {false, true, true, false, false, false, true},    // 2
    {false, true, false, false, false, false, false},  // 3
}};

const QString kSsz = QStringLiteral("file='ms/ssz.png'");
const QString kSszLit = QStringLiteral("file='ms/ssz1.png'");
const QString kNsz = QStringLiteral("file='ms/nsz.png'");
const QString kNszLit = QStringLiteral("file='ms/nsz1.png'");
const QString kKeyNormal = QStringLiteral("file='ms/msKey_normal.png'");
const QString kKeyBk = QStringLiteral("file='ms/msKey_bk.png'");
const QString kKeyDisabled = QStringLiteral("file='ms/msKey_disable.png'");

}  // namespace

std::optional<ParameterGroups> mainEffectGroups(int m)
{
    if (m < 0 || m >= kMainEffectCount)
        return std::nullopt;
    return kMainGroups[static_cast<std::size_t>(m)];
}

std::optional<ParameterGroups> wheelEffectGroups(int w)
{
    if (w < 0 || w >= kWheelEffectCount)
        return std::nullopt;
    return kWheelGroups[static_cast<std::size_t>(w)];
}

int sliderLevel(int value)
{
    if (value < 25)
        return 0;
    return value <= 75 ? 1 : 2;
}

int speedSliderValue(std::uint8_t speed) { return (2 - std::min<int>(speed, 2)) * 50; }

int brightnessSliderValue(std::uint8_t level) { return std::min<int>(level, 2) * 50; }

std::optional<DirectionLook> directionLook(int mainEffect)
{
    switch (mainEffect) {
    case 3:
        return DirectionLook{{QStringLiteral("逆时针"), kSszLit, kSsz, kSsz},
                             {QStringLiteral("顺时针"), kNszLit, kNsz, kNsz}};
    case 6:
        return DirectionLook{{QStringLiteral("左红右蓝"), QString(), kKeyNormal, kKeyBk},
                             {QStringLiteral("左蓝右红"), QString(), kKeyBk, kKeyBk}};
    case 7:
        return DirectionLook{{QStringLiteral("由上往下"), QString(), kKeyBk, kKeyBk},
                             {QStringLiteral("由下往上"), QString(), kKeyBk, kKeyBk}};
    default:
        return std::nullopt;
    }
}

std::optional<DirectionChoice> directionChoice(int mainEffect, int d)
{
    if (d != 0 && d != 1)
        return std::nullopt;
    switch (mainEffect) {
    case 3:
        return DirectionChoice{d == 0 ? kSszLit : kSsz, d == 0 ? kNsz : kNszLit, kDirectionByte};
    case 6:
    case 7:
        return DirectionChoice{d == 0 ? kKeyDisabled : kKeyNormal, d == 0 ? kKeyNormal : kKeyDisabled,
                               mainEffect == 6 ? kDeviceDirectionByte : kDirectionByte};
    default:
        return std::nullopt;
    }
}

ChannelValue channelValue(const QString& text)
{
    const long v = ini::toLong(text.toStdString());
    if (v > 255)
        return {255, QStringLiteral("255")};
    if (v < 0)
        return {0, QStringLiteral("0")};  // a minus sign would otherwise send 256 - v
    return {static_cast<std::uint8_t>(v), std::nullopt};
}

std::uint32_t colourOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return 0xFF000000u | (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
}

std::uint8_t channelOf(std::uint32_t colour, int channel)
{
    return static_cast<std::uint8_t>((colour >> (16 - 8 * channel)) & 0xFF);
}

}  // namespace corv::lighting
