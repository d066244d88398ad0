#include "lighting/LightingPage.h"

#include <mutex>

#include "device/DeviceChannel.h"
#include "device/DeviceState.h"
#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "feature/ProfileApplication.h"
#include "lighting/LightingNames.h"
#include "profiles/ProfileApply.h"
#include "ui/ColorPaletteControl.h"
#include "ui/MultiColorControl.h"
#include "ui/OptionControl.h"

namespace corv {

namespace ln = lighting_names;

namespace {

constexpr std::size_t kSevenColourByte = 5;
constexpr std::size_t kLightingOnByte = 22;

}  // namespace

void LightingPage::windowInit()
{
    ui::ColorPaletteControl(host_.control(QLatin1String(ln::kColourPalette))).SetSelectColor(kPaletteSelectColor);
}

std::span<const ui::ControlRef> LightingPage::controls() const { return ln::lightingPageControls(); }

void LightingPage::redrawSwitches()
{
    std::lock_guard<std::recursive_mutex> guard(host_.channel().lock());
    const auto& cs = host_.deviceState().CurrentSettings;
    // Shown only: nothing is sent or written for them.
    ui::OptionControl(host_.control(QLatin1String(ln::kSevenColour))).Selected(cs[kSevenColourByte] != 0, false);
    ui::OptionControl(host_.control(QLatin1String(ln::kLightsOff))).Selected(cs[kLightingOnByte] == 0, false);
}

void LightingPage::applyPalette(const ProfilePalette& palette)
{
    ui::MultiColorControl bars(host_.control(QLatin1String(ln::kPaletteBars)));
    ProfilePalette shown = palette;
    if (bars) {
        bars.SetBarsCount(palette.count);
        for (int j = 0; j < palette.count; ++j)
            bars.SetBarsCountData(j, static_cast<std::int32_t>(palette.values[static_cast<std::size_t>(j)]));
        for (int j = 0; j < palette.count; ++j) {
            std::int32_t value = 0;
            shown.values[static_cast<std::size_t>(j)] = bars.GetBarsCountData(j, value);
        }
    }
    sendPalette(host_.channel(), shown);
}

void LightingPage::declare(FeatureRegistry& r)
{
    r.onRefresh(RefreshStep::LightingSwitches, [this] { redrawSwitches(); });
    r.onApply(ApplyStep::Palette, [this](ProfileApplication& a) { applyPalette(readProfilePalette(a.file)); });
    r.onModelShown([this](const ModelFacts& model, ModelShown why) {
        for (const char* label : ln::kModelLabels) {
            ui::Control c = host_.control(QLatin1String(label));
            if (why == ModelShown::Connected)
                c.SetVisible(model.extraLightingLabels);
            c.NeedUpdate();
        }
    });
}

}  // namespace corv
