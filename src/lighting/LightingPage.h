#pragma once
// The lighting page: the lighting switches of the settings refresh, the model's extra
// labels, and the custom palette of a profile (its bars and the colour table the mouse gets).
#include <cstdint>

#include "feature/Feature.h"

namespace corv {

class FeatureHost;
struct ProfilePalette;

class LightingPage : public Feature {
public:
    static constexpr std::uint32_t kPaletteSelectColor = 0xFF0199CB;

    explicit LightingPage(FeatureHost& host) : host_(host) { }

    std::string_view name() const override { return "lighting"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;
    void windowInit() override;

    // The refresh step: the seven-colour and lights-off switches from CurrentSettings.
    void redrawSwitches();
    // A profile's palette on the colour bars, and the colour table the bars give to the mouse.
    void applyPalette(const ProfilePalette& palette);

private:
    FeatureHost& host_;
};

}  // namespace corv
