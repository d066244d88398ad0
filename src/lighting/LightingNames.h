#pragma once
// The controls the lighting page looks up or routes, and the kinds it expects.
#include <span>

#include "ui/ControlRef.h"

namespace corv::lighting_names {

// Zones: 0 all, 1 the bar, 2 the wheel.
inline constexpr const char* kZoneOptions[3] = {"ms_Deng_All", "ms_Deng_bar", "ms_Deng_Wheel"};

// Effects of the main set and of the wheel set, and the second combo of the main set.
inline constexpr const char* kMainEffect = "ms_dengxiao_combo_modeSelect";
inline constexpr const char* kWheelEffect = "ms_dengxiao_wheel_combo_modeSelect";
inline constexpr const char* kSecondMainEffect = "ms_deng_combo_modeSelect";

inline constexpr const char* kBrightnessSlider = "ms_deng_light_slider";
inline constexpr const char* kSpeedSlider = "ms_deng_speed_slider";
// Direction 0 (first) and 1 (second).
inline constexpr const char* kDirectionButtons[2] = {"ms_deng_butt_fclock", "ms_deng_butt_kclock"};

// The colour: its button, one edit per channel (red, green, blue), the preset buttons.
inline constexpr const char* kColourButton = "ms_Deng_colordp_btn";
inline constexpr const char* kChannelEdits[3] = {"ms_Deng_edit_R", "ms_Deng_edit_G", "ms_Deng_edit_B"};
inline constexpr const char* kPresetPrefix = "ms_Deng_color_btn_";  // + preset 0..29

inline constexpr const char* kSevenColour = "ms_Deng_7color_check";
inline constexpr const char* kLightsOff = "ms_led_off";
inline constexpr const char* kReset = "ms_deng_reset";

// The parameter groups an effect shows, hides, enables or disables.
inline constexpr const char* kDirectionGroup = "ms_deng_fx_layout";
inline constexpr const char* kColourGroup = "ms_deng_color_layout";
inline constexpr const char* kSevenColourGroup = "ms_deng_mixcolor";
inline constexpr const char* kCustomGroup = "ms_deng_Custom_layout";
inline constexpr const char* kSpeedGroup = "ms_deng_speed_layout";
inline constexpr const char* kBrightnessGroup = "ms_deng_Light_layout";

// The custom palette.
inline constexpr const char* kPaletteBars = "Pallet123";
inline constexpr const char* kAddBar = "ms_key_butt_add";
inline constexpr const char* kRemoveBar = "ms_key_butt_del";
inline constexpr const char* kSendPalette = "ms_deng_butt_prosave";
inline constexpr const char* kImportPalette = "ms_deng_import";
inline constexpr const char* kExportPalette = "ms_deng_keep";

inline constexpr const char* kColourPalette = "ms_deng_Color_Pallet";
// Shown for the R240 only.
inline constexpr const char* kModelLabels[2] = {"ms_deng_la0", "ms_deng_la1"};

std::span<const ui::ControlRef> lightingPageControls();

}  // namespace corv::lighting_names
