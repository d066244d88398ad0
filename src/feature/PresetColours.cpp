#include "feature/PresetColours.h"

#include <array>

namespace corv {

namespace {

constexpr std::array<std::uint32_t, kPresetColourCount> kPresets{
    0x000000, 0xFF0000, 0xFF8000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0080FF, 0x0000FF, 0xFF00FF, 0xA0005A,
    0x000000, 0x34D5FF, 0xD7FF84, 0xA2FF1A, 0x48D146, 0x1AA34B, 0x1A7549, 0x7FFFD9, 0xA3A4FF, 0x34D5FF,
    0x000000, 0x1B48A3, 0x1B1A77, 0x4877A3, 0x76A348, 0xACD55B, 0x7576D2, 0x7675FF, 0x4776A4, 0x48D1A3,
};

}  // namespace

std::optional<std::uint32_t> presetColour(int k)
{
    if (k < 0 || k >= kPresetColourCount)
        return std::nullopt;
    return 0xFF000000u | kPresets[static_cast<std::size_t>(k)];
}

}  // namespace corv
