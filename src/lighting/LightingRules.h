#pragma once
// The rules of the lighting page that need no window: which parameter groups each effect
// offers, how a slider position becomes a level, the direction buttons of each effect, and
// how a typed channel becomes a byte.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace corv::lighting {

// Bytes of the settings record (profile keys LED<n>).
inline constexpr std::size_t kMainEffectByte = 1;
inline constexpr std::size_t kMainBrightnessByte = 2;
inline constexpr std::size_t kMainSpeedByte = 3;
inline constexpr std::size_t kDirectionByte = 4;
inline constexpr std::size_t kMainSevenColourByte = 5;
inline constexpr std::size_t kMainColourByte = 6;        // red; green 7, blue 8
inline constexpr std::size_t kDeviceDirectionByte = 21;  // where the mouse reads the direction of effect 6
inline constexpr std::size_t kLightingOnByte = 22;
inline constexpr std::size_t kZoneByte = 24;
inline constexpr std::size_t kWheelEffectByte = 25;
inline constexpr std::size_t kWheelSpeedByte = 26;
inline constexpr std::size_t kWheelBrightnessByte = 27;
inline constexpr std::size_t kWheelColourByte = 28;  // red; green 29, blue 30
inline constexpr std::size_t kWheelSevenColourByte = 31;

inline constexpr int kZoneAll = 0;
inline constexpr int kZoneBar = 1;
inline constexpr int kZoneWheel = 2;
inline constexpr int kMainEffectCount = 12;
inline constexpr int kWheelEffectCount = 4;
inline constexpr int kCustomPaletteEffect = 11;

// What an effect offers: each group shown or hidden, enabled or disabled.
struct ParameterGroups {
    bool directionVisible = false;
    bool colourVisible = true;
    bool colourEnabled = true;
    bool sevenColourVisible = false;
    bool customEnabled = false;
    bool speedEnabled = true;
    bool brightnessEnabled = true;
    bool operator==(const ParameterGroups&) const = default;
};

// The groups of main effect m (0..11) and wheel effect w (0..3); nothing for another number.
std::optional<ParameterGroups> mainEffectGroups(int m);
std::optional<ParameterGroups> wheelEffectGroups(int w);

// The level (0, 1, 2) of a slider position 0..100: below 25 is 0, 25..75 is 1, above 75 is 2.
// The slider then stands at level * 50.
int sliderLevel(int value);
// Speed is stored reversed: the slider's right end (level 2) is the fastest, byte 0.
inline std::uint8_t speedByte(int level) { return static_cast<std::uint8_t>(2 - level); }
// The slider position of a stored speed byte (a byte above 2 counts as 2).
int speedSliderValue(std::uint8_t speed);
// The slider position of a stored brightness level (a level above 2 counts as 2).
int brightnessSliderValue(std::uint8_t level);

// The direction buttons of an effect that has a direction (3, 6, 7): the labels, and the
// images given to them when the effect is chosen ("" leaves an image as it is).
struct DirectionButton {
    QString label;
    QString hotAndPushed;
    QString normal;
    QString background;
};
struct DirectionLook {
    DirectionButton first;
    DirectionButton second;
};
std::optional<DirectionLook> directionLook(int mainEffect);

// The normal images of the two direction buttons after direction d (0 or 1) was chosen in
// effect m, and where the mouse reads the direction; nothing when the effect has none.
struct DirectionChoice {
    QString firstNormal;
    QString secondNormal;
    std::size_t deviceByte = kDirectionByte;
};
std::optional<DirectionChoice> directionChoice(int mainEffect, int d);

// A channel typed into an edit: decimal text as wtol reads it (empty or not a number is 0),
// limited to 0..255. corrected is set when the edit has to show the limited value instead.
struct ChannelValue {
    std::uint8_t value = 0;
    std::optional<QString> corrected;
};
ChannelValue channelValue(const QString& text);

// 0xFFRRGGBB from three channels, and a channel of a colour (0 red, 1 green, 2 blue).
std::uint32_t colourOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
std::uint8_t channelOf(std::uint32_t colour, int channel);

}  // namespace corv::lighting
