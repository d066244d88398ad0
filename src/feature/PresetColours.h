#pragma once
// The preset colour buttons shared by the DPI indicator and the lighting page: colour k of
// "ms_DPI_color_btn_k" and "ms_Deng_color_btn_k", 0xAARRGGBB with alpha 0xFF.
#include <cstdint>
#include <optional>

namespace corv {

inline constexpr int kPresetColourCount = 30;

// Preset k (0..29); nothing for another index.
std::optional<std::uint32_t> presetColour(int k);

}  // namespace corv
