#pragma once
// The lighting page: the zone being edited, the effect of the main set and of the wheel set
// with their brightness, speed, direction and colour, the seven-colour flags, lights off, the
// lighting reset, the model's extra labels, and the custom palette (its bars, the colour
// table the mouse gets, .COL palette files). Every change is written into the current
// profile, kept in CurrentSettings and sent to the mouse at once.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "feature/Feature.h"
#include "feature/FeatureRegistry.h"

namespace corv {

class FeatureHost;
namespace lighting {
struct PaletteKeys;
}

class LightingPage : public Feature {
public:
    // Its steps of the settings refresh and of a profile's application.
    static constexpr StepOrder kRefreshSwitches = 30;
    static constexpr StepOrder kRefreshZone = 80;
    static constexpr StepOrder kApplyPalette = 70;  // the colour bars and their table, after the profile's images
    static constexpr std::uint32_t kPaletteSelectColor = 0xFF0199CB;
    // Why a palette import or export did nothing (the first takes the read limit in MB).
    static constexpr const char* kMsgPaletteTooLarge = "所选文件大于%d MB，调色板未导入";
    static constexpr const char* kMsgUnreadableFile = "无法读取所选文件";
    static constexpr const char* kMsgProfileNotWritten = "无法写入配置文件，调色板未导入";
    static constexpr const char* kMsgFileNotWritten = "无法写入所选文件";

    explicit LightingPage(FeatureHost& host) : host_(host) { }

    std::string_view name() const override { return "lighting"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;
    void windowInit() override;

    // Zone z (0 all, 1 bar, 2 wheel): its set shown in the controls, the effect combos
    // re-selected (which re-sends the effects and the direction), the zone sent. A zone
    // outside 0..2 is taken as 0.
    void selectZone(int z);
    // The effect combos chose an item.
    void chooseMainEffect();
    void chooseWheelEffect();
    void chooseSecondMainEffect();
    // The sliders were moved by the user: snapped to a level and stored for the zone's set.
    void onBrightnessSlider();
    void onSpeedSlider();
    // A direction button (0 first, 1 second).
    void setDirection(int d);
    // Shows a colour (0xAARRGGBB) on the colour button and the edits; with store, the zone's
    // colour becomes it (and the zone's seven-colour flag is cleared).
    void setColour(std::uint32_t colour, bool store);
    // "ms_Deng_color_btn_k" clicked; an index outside the preset table does nothing.
    void onPresetColour(int k);
    // A channel edit (0 red, 1 green, 2 blue) was typed into.
    void onChannelEdit(int channel);
    void onSevenColour();
    void onLightsOff();
    // Asks, then restores the template's lighting (keeping the DPI stages) and palette.
    void resetLighting();

    // Refresh steps: the two switches, then the page for the stored zone.
    void redrawSwitches();
    void redrawZone();

    // The custom palette.
    void addBar();
    void removeBar();
    // The bars' colour table to the mouse; the bars into the current profile.
    void sendAndStorePalette();
    void importPalette();
    void exportPalette();
    // A profile's palette on the bars, and their colour table to the mouse.
    void applyPalette(const std::filesystem::path& profile);
    // The template's palette into the current profile, on the bars and to the mouse.
    void resetPalette();

private:
    // Writes LED<n> of the current profile, keeps it in CurrentSettings and sends it.
    void writeByte(std::size_t n, std::uint8_t value);
    // The zone being edited (LED24; a value outside 0..2 counts as 0).
    int zone();
    void clearSevenColour(std::size_t flagByte);
    void showBars(const lighting::PaletteKeys& keys);
    void sendBars();
    // The colour table of these colours to the mouse (CMD_WRITE_COLORS).
    void sendColours(const std::vector<std::uint32_t>& colours);

    FeatureHost& host_;
};

}  // namespace corv
