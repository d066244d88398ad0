#pragma once
// The DPI page: the five stages with their DPI values, the current stage, and the colour of
// the DPI indicator. Each change is sent to the mouse at once as single bytes of the active
// settings record and written into the current profile. Its steps of the settings refresh
// redraw the stages and the indicator colour from CurrentSettings.
#include <cstdint>

#include "feature/Feature.h"
#include "feature/FeatureRegistry.h"

namespace corv {

class FeatureHost;

class DpiPage : public Feature {
public:
    // Its steps of the settings refresh.
    static constexpr StepOrder kRefreshStages = 20;
    static constexpr StepOrder kRefreshIndicatorColour = 50;
    explicit DpiPage(FeatureHost& host) : host_(host) { }

    std::string_view name() const override { return "dpi"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;
    void windowInit() override;

    // "DPI_profile_n" clicked.
    void selectStage(int n);
    // Sends the current stage and its value (and records the stage in the profile).
    void sendCurrentStage();
    // "ms_DPI_slider" moved by the user.
    void onDpiSlider();
    // "ms_macro_profile_n" lost the focus: the typed value is rounded onto the table.
    void commitStageEdit(int n);
    // Shows a colour (0xAARRGGBB) on the swatch and the edits; sends it when send is true.
    void setDpiColour(std::uint32_t colour, bool send);
    // "ms_DPI_edit_R" (0), "_G" (1) or "_B" (2) typed into.
    void onDpiColourEdit(int component);
    // "ms_DPI_color_btn_k" clicked.
    void onPresetColour(int k);
    // The palette "Pallet" picked a colour.
    void onPaletteColour();
    // Refresh steps: the stages with the current one, and the indicator colour.
    void redrawStages();
    void redrawIndicatorColour();

    static constexpr std::uint32_t kPaletteSelectColor = 0xFF0199CB;

private:
    void showStageButtons(int current);
    FeatureHost& host_;
};

}  // namespace corv
