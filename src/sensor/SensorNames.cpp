#include "sensor/SensorNames.h"

namespace corv::sensor_names {

namespace {

using ui::ControlKind;
constexpr const char* M = "XML_MAIN";

constexpr ui::ControlRef kDpi[] = {
    {M, kDpiSlider, ControlKind::Slider},           {M, kStageButtons[0], ControlKind::Button},
    {M, kStageButtons[1], ControlKind::Button},     {M, kStageButtons[2], ControlKind::Button},
    {M, kStageButtons[3], ControlKind::Button},     {M, kStageButtons[4], ControlKind::Button},
    {M, kStageEdits[0], ControlKind::Edit},         {M, kStageEdits[1], ControlKind::Edit},
    {M, kStageEdits[2], ControlKind::Edit},         {M, kStageEdits[3], ControlKind::Edit},
    {M, kStageEdits[4], ControlKind::Edit},         {M, kColourSwatch, ControlKind::Button},
    {M, kColourEdits[0], ControlKind::Edit},        {M, kColourEdits[1], ControlKind::Edit},
    {M, kColourEdits[2], ControlKind::Edit},        {M, "ms_DPI_color_btn_0", ControlKind::Button},
    {M, "ms_DPI_color_btn_9", ControlKind::Button}, {M, kPalette, ControlKind::ColorPalette},
};

constexpr ui::ControlRef kSensor[] = {
    {M, kReportRate, ControlKind::Combo},         {M, kLiftOff2, ControlKind::Option},
    {M, kLiftOff3, ControlKind::Option},          {M, kPointerSpeed, ControlKind::Slider},
    {M, kScrollLinesEdit, ControlKind::Edit},     {M, kScrollUp, ControlKind::Button},
    {M, kScrollDown, ControlKind::Button},        {M, kFactoryReset, ControlKind::Button},
    {M, kCalibrationOption, ControlKind::Option}, {M, kCalibrationStartOption, ControlKind::Option},
    {M, kLineCorrection, ControlKind::Option},    {M, kCalibrationStatus, ControlKind::Label},
    {M, kCalibrationHint, ControlKind::Label},    {M, kPageTabs, ControlKind::TabLayout},
};

}  // namespace

std::span<const ui::ControlRef> dpiPageControls() { return kDpi; }
std::span<const ui::ControlRef> sensorPageControls() { return kSensor; }

}  // namespace corv::sensor_names
