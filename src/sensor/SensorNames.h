#pragma once
// The controls the DPI page and the sensor page look up or route, and the kinds they expect.
#include <span>

#include "ui/ControlRef.h"

namespace corv::sensor_names {

// DPI page.
inline constexpr const char* kDpiSlider = "ms_DPI_slider";
inline constexpr const char* kStageButtonPrefix = "DPI_profile_";     // + stage 0..4
inline constexpr const char* kStageEditPrefix = "ms_macro_profile_";  // + stage 0..4
inline constexpr const char* kColourSwatch = "ms_DPI_colordp_btn";
inline constexpr const char* kColourEdits[3] = {"ms_DPI_edit_R", "ms_DPI_edit_G", "ms_DPI_edit_B"};
inline constexpr const char* kPresetPrefix = "ms_DPI_color_btn_";  // + preset 0..29
inline constexpr const char* kPalette = "Pallet";
inline constexpr const char* kStageButtons[5] = {"DPI_profile_0", "DPI_profile_1", "DPI_profile_2", "DPI_profile_3",
                                                 "DPI_profile_4"};
inline constexpr const char* kStageEdits[5] = {"ms_macro_profile_0", "ms_macro_profile_1", "ms_macro_profile_2",
                                               "ms_macro_profile_3", "ms_macro_profile_4"};

// Sensor page and calibration.
inline constexpr const char* kReportRate = "ms_deng_combo_USBreportSelect";
inline constexpr const char* kLiftOff2 = "height2mm";
inline constexpr const char* kLiftOff3 = "height3mm";
inline constexpr const char* kPointerSpeed = "ms_DPI_speed";
inline constexpr const char* kScrollLinesEdit = "ms_gunlun_speed_edit";
inline constexpr const char* kScrollUp = "ms_gunlun_speed_up_btn";
inline constexpr const char* kScrollDown = "ms_gunlun_speed_down_btn";
inline constexpr const char* kFactoryReset = "ms_k_reset";
inline constexpr const char* kCalibrationOption = "ms_reg_display";
inline constexpr const char* kCalibrationStartOption = "ms_regulat_Op_tab";
inline constexpr const char* kLineCorrection = "ms_linereg_display";
inline constexpr const char* kCalibrationStatus = "regdisplay_tishi1";
inline constexpr const char* kCalibrationHint = "regdisplay_tishi2";
inline constexpr const char* kPageTabs = "ms_tab_switch";

std::span<const ui::ControlRef> dpiPageControls();
std::span<const ui::ControlRef> sensorPageControls();

}  // namespace corv::sensor_names
