#pragma once
// The controls the lighting page looks up or routes, and the kinds it expects.
#include <span>

#include "ui/ControlRef.h"

namespace corv::lighting_names {

inline constexpr const char* kSevenColour = "ms_Deng_7color_check";
inline constexpr const char* kLightsOff = "ms_led_off";
inline constexpr const char* kPaletteBars = "Pallet123";
inline constexpr const char* kColourPalette = "ms_deng_Color_Pallet";
inline constexpr const char* kModelLabels[2] = {"ms_deng_la0", "ms_deng_la1"};

std::span<const ui::ControlRef> lightingPageControls();

}  // namespace corv::lighting_names
