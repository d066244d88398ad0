#include "lighting/LightingNames.h"

namespace corv::lighting_names {

namespace {

using ui::ControlKind;
constexpr const char* M = "XML_MAIN";

constexpr ui::ControlRef kLighting[] = {
    {M, kSevenColour, ControlKind::Option},     {M, kLightsOff, ControlKind::Option},
    {M, kPaletteBars, ControlKind::MultiColor}, {M, kColourPalette, ControlKind::ColorPalette},
    {M, kModelLabels[0], ControlKind::Any},     {M, kModelLabels[1], ControlKind::Any},
};

}  // namespace

std::span<const ui::ControlRef> lightingPageControls() { return kLighting; }

}  // namespace corv::lighting_names
