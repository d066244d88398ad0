#include "lighting/LightingNames.h"

namespace corv::lighting_names {

namespace {

using ui::ControlKind;
constexpr const char* M = "XML_MAIN";

constexpr ui::ControlRef kLighting[] = {
    {M, kZoneOptions[0], ControlKind::Option},
    {M, kZoneOptions[1], ControlKind::Option},
    {M, kZoneOptions[2], ControlKind::Option},
    {M, kMainEffect, ControlKind::Combo},
    {M, kWheelEffect, ControlKind::Combo},
    {M, kSecondMainEffect, ControlKind::Combo},
    {M, kBrightnessSlider, ControlKind::Slider},
    {M, kSpeedSlider, ControlKind::Slider},
    {M, kDirectionButtons[0], ControlKind::Button},
    {M, kDirectionButtons[1], ControlKind::Button},
    {M, kColourButton, ControlKind::Button},
    {M, kChannelEdits[0], ControlKind::Edit},
    {M, kChannelEdits[1], ControlKind::Edit},
    {M, kChannelEdits[2], ControlKind::Edit},
    {M, "ms_Deng_color_btn_0", ControlKind::Button},
    {M, "ms_Deng_color_btn_9", ControlKind::Button},
    {M, kSevenColour, ControlKind::Option},
    {M, kLightsOff, ControlKind::Option},
    {M, kReset, ControlKind::Button},
    {M, kDirectionGroup, ControlKind::Any},
    {M, kColourGroup, ControlKind::Any},
    {M, kSevenColourGroup, ControlKind::Any},
    {M, kCustomGroup, ControlKind::Any},
    {M, kSpeedGroup, ControlKind::Any},
    {M, kBrightnessGroup, ControlKind::Any},
    {M, kPaletteBars, ControlKind::MultiColor},
    {M, kAddBar, ControlKind::Button},
    {M, kRemoveBar, ControlKind::Button},
    {M, kSendPalette, ControlKind::Button},
    {M, kImportPalette, ControlKind::Button},
    {M, kExportPalette, ControlKind::Button},
    {M, kColourPalette, ControlKind::ColorPalette},
    {M, kModelLabels[0], ControlKind::Any},
    {M, kModelLabels[1], ControlKind::Any},
};

}  // namespace

std::span<const ui::ControlRef> lightingPageControls() { return kLighting; }

}  // namespace corv::lighting_names
