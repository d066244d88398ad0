#include "lighting/LightingPage.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "device/DeviceChannel.h"
#include "device/DeviceState.h"
#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "feature/PresetColours.h"
#include "feature/ProfileApplication.h"
#include "lighting/LightingNames.h"
#include "lighting/LightingRules.h"
#include "lighting/PaletteFile.h"
#include "platform/AtomicFile.h"
#include "platform/IniEdit.h"
#include "profiles/ProfileApply.h"
#include "profiles/ProfileFile.h"
#include "settings/SettingsSession.h"
#include "ui/ColorPaletteControl.h"
#include "ui/ComboControl.h"
#include "ui/FileDialog.h"
#include "ui/MultiColorControl.h"
#include "ui/Notification.h"
#include "ui/OptionControl.h"
#include "ui/SliderControl.h"

namespace corv {

namespace ln = lighting_names;
using namespace lighting;

namespace {

const QString kResetQuestion = QStringLiteral("是否要恢复灯光设置？");
const QString kPaletteFilter = QStringLiteral("(*.COL)");
const QString kPaletteSuffix = QStringLiteral("COL");
const QString kPaletteFileName = QStringLiteral("*.COL");

QString nameOf(const char* n) { return QLatin1String(n); }

}  // namespace

int LightingPage::zone()
{
    const std::uint8_t z = host_.settings().setting(kZoneByte);
    return z <= kZoneWheel ? z : kZoneAll;
}

void LightingPage::writeByte(std::size_t n, std::uint8_t value) { host_.settings().set(n, value); }

// A colour set by hand ends the zone's seven-colour cycle: 0 to the mouse and the profile,
// the check box cleared.
void LightingPage::clearSevenColour(std::size_t flagByte)
{
    ui::OptionControl(host_.control(nameOf(ln::kSevenColour))).setSelected(false, false);
    writeByte(flagByte, 0);
}

void LightingPage::selectZone(int z)
{
    if (z < kZoneAll || z > kZoneWheel)
        z = kZoneAll;
    host_.settings().set(kZoneByte, static_cast<std::uint8_t>(z), SettingsSession::Image);
    const auto cs = host_.settings().snapshot().CurrentSettings;

    // Clearing a combo before selecting the stored item makes it report the item even when
    // it was selected already: the effect handlers set the groups and re-send the effects.
    ui::ComboControl main(host_.control(nameOf(ln::kMainEffect)));
    ui::ComboControl wheel(host_.control(nameOf(ln::kWheelEffect)));
    const bool onWheel = z == kZoneWheel;
    ui::ComboControl& hidden = onWheel ? main : wheel;
    ui::ComboControl& shown = onWheel ? wheel : main;
    hidden.selectItem(-1);
    hidden.selectItem(onWheel ? cs[kMainEffectByte] : cs[kWheelEffectByte]);
    hidden.setVisible(false);
    shown.selectItem(-1);
    shown.selectItem(onWheel ? cs[kWheelEffectByte] : cs[kMainEffectByte]);
    shown.setVisible(true);

    ui::SliderControl(host_.control(nameOf(ln::kBrightnessSlider)))
        .setValue(brightnessSliderValue(cs[onWheel ? kWheelBrightnessByte : kMainBrightnessByte]));
    ui::SliderControl(host_.control(nameOf(ln::kSpeedSlider)))
        .setValue(speedSliderValue(cs[onWheel ? kWheelSpeedByte : kMainSpeedByte]));
    const std::size_t colour = onWheel ? kWheelColourByte : kMainColourByte;
    setColour(colourOf(cs[colour], cs[colour + 1], cs[colour + 2]), false);
    // This zone is already being shown: selecting its option quietly does not run it again.
    ui::OptionControl(host_.control(nameOf(ln::kZoneOptions[z]))).setSelected(true, false);

    writeByte(kZoneByte, static_cast<std::uint8_t>(z));
}

namespace {

void showParameterGroups(FeatureHost& host, const ParameterGroups& g)
{
    host.control(nameOf(ln::kDirectionGroup)).setVisible(g.directionVisible);
    ui::Control colour = host.control(nameOf(ln::kColourGroup));
    colour.setVisible(g.colourVisible);
    colour.setEnabled(g.colourEnabled);
    host.control(nameOf(ln::kSevenColourGroup)).setVisible(g.sevenColourVisible);
    host.control(nameOf(ln::kCustomGroup)).setEnabled(g.customEnabled);
    host.control(nameOf(ln::kSpeedGroup)).setEnabled(g.speedEnabled);
    host.control(nameOf(ln::kBrightnessGroup)).setEnabled(g.brightnessEnabled);
}

}  // namespace

void LightingPage::chooseMainEffect()
{
    const int m = ui::ComboControl(host_.control(nameOf(ln::kMainEffect))).getCurSel();
    const auto groups = mainEffectGroups(m);
    if (!groups)
        return;
    // The groups belong to the set on show: while the wheel is edited they stay the wheel's.
    if (zone() != kZoneWheel)
        showParameterGroups(host_, *groups);
    if (const auto look = directionLook(m)) {
        const DirectionButton* buttons[2] = {&look->first, &look->second};
        for (int i = 0; i < 2; ++i) {
            ui::Control b = host_.control(nameOf(ln::kDirectionButtons[i]));
            b.setProgramText(buttons[i]->label);
            if (!buttons[i]->hotAndPushed.isEmpty()) {
                b.setHotImage(buttons[i]->hotAndPushed);
                b.setPushedImage(buttons[i]->hotAndPushed);
            }
            b.setNormalImage(buttons[i]->normal);
            b.setBkImage(buttons[i]->background);
        }
    }
    setDirection(host_.settings().setting(kDirectionByte) == 0 ? 0 : 1);
    writeByte(kMainEffectByte, static_cast<std::uint8_t>(m));
}

void LightingPage::chooseWheelEffect()
{
    const int w = ui::ComboControl(host_.control(nameOf(ln::kWheelEffect))).getCurSel();
    const auto groups = wheelEffectGroups(w);
    if (!groups)
        return;
    if (zone() == kZoneWheel)
        showParameterGroups(host_, *groups);
    writeByte(kWheelEffectByte, static_cast<std::uint8_t>(w));
}

void LightingPage::chooseSecondMainEffect()
{
    const int m = ui::ComboControl(host_.control(nameOf(ln::kSecondMainEffect))).getCurSel();
    if (m < 0 || m >= kMainEffectCount)
        return;
    host_.settings().set(kMainEffectByte, static_cast<std::uint8_t>(m), SettingsSession::Mouse);
    ui::ComboControl(host_.control(nameOf(ln::kMainEffect))).selectItem(m);
}

void LightingPage::onBrightnessSlider()
{
    ui::SliderControl slider(host_.control(nameOf(ln::kBrightnessSlider)));
    const int level = sliderLevel(slider.getValue());
    slider.setValue(level * 50);
    writeByte(zone() == kZoneWheel ? kWheelBrightnessByte : kMainBrightnessByte, static_cast<std::uint8_t>(level));
}

void LightingPage::onSpeedSlider()
{
    ui::SliderControl slider(host_.control(nameOf(ln::kSpeedSlider)));
    const int level = sliderLevel(slider.getValue());
    slider.setValue(level * 50);
    writeByte(zone() == kZoneWheel ? kWheelSpeedByte : kMainSpeedByte, speedByte(level));
}

void LightingPage::setDirection(int d)
{
    const int m = ui::ComboControl(host_.control(nameOf(ln::kMainEffect))).getCurSel();
    SettingsSession& settings = host_.settings();
    if (const auto choice = directionChoice(m, d)) {
        host_.control(nameOf(ln::kDirectionButtons[0])).setNormalImage(choice->firstNormal);
        host_.control(nameOf(ln::kDirectionButtons[1])).setNormalImage(choice->secondNormal);
        // Effect 6 reads its direction from another byte; the profile keeps it as LED4 all the same.
        settings.set(choice->deviceByte, static_cast<std::uint8_t>(d), SettingsSession::Mouse);
        settings.set(kDirectionByte, static_cast<std::uint8_t>(d), SettingsSession::Image);
    }
    settings.set(kDirectionByte, settings.setting(kDirectionByte), SettingsSession::Key);
}

void LightingPage::setColour(std::uint32_t colour, bool store)
{
    ui::Control button = host_.control(nameOf(ln::kColourButton));
    button.setBkColor(colour);
    button.setBkImage(QString());
    const std::array<std::uint8_t, 3> rgb{channelOf(colour, 0), channelOf(colour, 1), channelOf(colour, 2)};
    for (int c = 0; c < 3; ++c)
        host_.control(nameOf(ln::kChannelEdits[c])).setText(QString::number(rgb[static_cast<std::size_t>(c)]));
    if (!store)
        return;

    SettingsSession& settings = host_.settings();
    const bool onWheel = zone() == kZoneWheel;
    const std::size_t at = onWheel ? kWheelColourByte : kMainColourByte;
    settings.set({{at, rgb[0]}, {at + 1, rgb[1]}, {at + 2, rgb[2]}});
    // The wheel's cycle exists only in its effect 1; the main set's is ended by any colour.
    if (!onWheel || settings.setting(kWheelEffectByte) == 1)
        clearSevenColour(onWheel ? kWheelSevenColourByte : kMainSevenColourByte);
}

void LightingPage::onPresetColour(int k)
{
    if (const auto colour = presetColour(k))
        setColour(*colour, true);
}

void LightingPage::onChannelEdit(int channel)
{
    if (channel < 0 || channel > 2)
        return;
    ui::Control edit = host_.control(nameOf(ln::kChannelEdits[channel]));
    const ChannelValue typed = channelValue(edit.getText());
    if (typed.corrected)
        edit.setText(*typed.corrected);
    ui::Control button = host_.control(nameOf(ln::kColourButton));
    const int shift = 16 - 8 * channel;
    button.setBkColor(0xFF000000u | (button.getBkColor() & 0x00FFFFFFu & ~(0xFFu << shift)) |
                      (std::uint32_t{typed.value} << shift));

    const bool onWheel = zone() == kZoneWheel;
    writeByte((onWheel ? kWheelColourByte : kMainColourByte) + static_cast<std::size_t>(channel), typed.value);
    if (!onWheel || host_.settings().setting(kWheelEffectByte) == 1)
        clearSevenColour(onWheel ? kWheelSevenColourByte : kMainSevenColourByte);
}

void LightingPage::onSevenColour()
{
    const bool on = ui::OptionControl(host_.control(nameOf(ln::kSevenColour))).isSelected();
    writeByte(zone() == kZoneWheel ? kWheelSevenColourByte : kMainSevenColourByte, on ? 1 : 0);
}

void LightingPage::onLightsOff()
{
    const bool off = ui::OptionControl(host_.control(nameOf(ln::kLightsOff))).isSelected();
    writeByte(kLightingOnByte, off ? 0 : 1);
}

void LightingPage::resetLighting()
{
    // Without a profile there are no DPI stages to keep: nothing is reset.
    if (host_.settings().profilePath().empty())
        return;
    if (host_.messageBox(kResetQuestion) != 1)
        return;
    host_.settings().resetToTemplate(templatePath());
    host_.refreshSettings();
    resetPalette();
}

void LightingPage::redrawSwitches()
{
    const auto cs = host_.settings().snapshot().CurrentSettings;
    // Shown only: nothing is sent or written for them.
    ui::OptionControl(host_.control(nameOf(ln::kSevenColour))).setSelected(cs[kMainSevenColourByte] != 0, false);
    ui::OptionControl(host_.control(nameOf(ln::kLightsOff))).setSelected(cs[kLightingOnByte] == 0, false);
}

void LightingPage::redrawZone() { selectZone(host_.settings().setting(kZoneByte)); }

// --- The custom palette ---

void LightingPage::addBar() { ui::MultiColorControl(host_.control(nameOf(ln::kPaletteBars))).addBarsCount(); }

void LightingPage::removeBar() { ui::MultiColorControl(host_.control(nameOf(ln::kPaletteBars))).subBarsCount(); }

void LightingPage::showBars(const PaletteKeys& keys)
{
    ui::MultiColorControl bars(host_.control(nameOf(ln::kPaletteBars)));
    bars.setBarsCount(keys.count);
    for (int i = 0; i < keys.count; ++i)
        bars.setBarsCountData(i, keys.values[static_cast<std::size_t>(i)]);
}

void LightingPage::sendColours(const std::vector<std::uint32_t>& colours)
{
    host_.sendToMouse([table = colourTable(colours)](DeviceChannel& channel) { channel.writeColors(table); });
}

void LightingPage::sendBars()
{
    const ui::MultiColorControl bars(host_.control(nameOf(ln::kPaletteBars)));
    const int n = std::clamp(bars.getBarsCount(), 0, kPaletteMaxBars);
    std::vector<std::uint32_t> colours(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        std::int32_t value = 0;
        colours[static_cast<std::size_t>(i)] = bars.getBarsCountData(i, value);
    }
    sendColours(colours);
}

void LightingPage::sendAndStorePalette()
{
    const ui::MultiColorControl bars(host_.control(nameOf(ln::kPaletteBars)));
    PaletteKeys keys;
    keys.count = std::clamp(bars.getBarsCount(), 0, kPaletteMaxBars);
    std::vector<std::uint32_t> colours(static_cast<std::size_t>(keys.count));
    for (int i = 0; i < keys.count; ++i)
        colours[static_cast<std::size_t>(i)] = bars.getBarsCountData(i, keys.values[static_cast<std::size_t>(i)]);
    sendColours(colours);
    // Without a profile the mouse has the table and nothing is stored.
    const std::filesystem::path profile = host_.settings().profilePath();
    if (!profile.empty())
        writePaletteKeys(profile, keys);
}

void LightingPage::importPalette()
{
    const std::filesystem::path profile = host_.settings().profilePath();
    if (profile.empty())
        return;
    const QString file = ui::getOpenFileName(host_.window(), QString(), kPaletteFileName, kPaletteFilter);
    if (file.isEmpty())
        return;
    // A file that cannot be read leaves the profile's palette as it was, and says so.
    bool tooLarge = false;
    const auto keys = readPaletteFile(file.toStdString(), &tooLarge);
    if (!keys) {
        host_.messageBox(tooLarge ? QString::asprintf(kMsgPaletteTooLarge, static_cast<int>(kMaxReadBytes >> 20))
                                  : QString::fromUtf8(kMsgUnreadableFile));
        return;
    }
    if (!writePaletteKeys(profile, *keys)) {
        host_.messageBox(QString::fromUtf8(kMsgProfileNotWritten));
        return;
    }
    showBars(*keys);
    // The palette is shown by the custom effect; the table goes to the mouse when sent.
    ui::ComboControl main(host_.control(nameOf(ln::kMainEffect)));
    main.selectItem(-1);
    main.selectItem(kCustomPaletteEffect);
}

void LightingPage::exportPalette()
{
    const std::filesystem::path profile = host_.settings().profilePath();
    if (profile.empty())
        return;
    const QString file =
        ui::getSaveFileName(host_.window(), QString(), kPaletteFileName, kPaletteFilter, kPaletteSuffix);
    if (file.isEmpty())
        return;
    if (!writePaletteKeys(file.toStdString(), readPaletteKeys(profile)))
        host_.messageBox(QString::fromUtf8(kMsgFileNotWritten));
}

void LightingPage::applyPalette(const std::filesystem::path& profile)
{
    showBars(readPaletteKeys(profile));
    sendBars();
}

void LightingPage::resetPalette()
{
    const std::filesystem::path profile = host_.settings().profilePath();
    if (profile.empty())
        return;
    const PaletteKeys keys = readPaletteKeys(templatePath());
    writePaletteKeys(profile, keys);
    showBars(keys);
    sendBars();
}

void LightingPage::windowInit()
{
    ui::ColorPaletteControl(host_.control(nameOf(ln::kColourPalette))).setSelectColor(kPaletteSelectColor);
}

std::span<const ui::ControlRef> LightingPage::controls() const { return ln::lightingPageControls(); }

void LightingPage::declare(FeatureRegistry& r)
{
    using namespace ui::notify;
    using Msg = const ui::Notification&;
    for (int z = 0; z < 3; ++z)
        r.on(kSelectChanged, ln::kZoneOptions[z], [this, z](Msg msg, int) {
            if (msg.wParam != 0)
                selectZone(z);
        });
    r.on(kItemSelect, ln::kMainEffect, [this](Msg, int) { chooseMainEffect(); });
    r.on(kItemSelect, ln::kWheelEffect, [this](Msg, int) { chooseWheelEffect(); });
    r.on(kItemSelect, ln::kSecondMainEffect, [this](Msg, int) { chooseSecondMainEffect(); });
    r.on(kValueChanged, ln::kBrightnessSlider, [this](Msg, int) { onBrightnessSlider(); });
    r.on(kValueChanged, ln::kSpeedSlider, [this](Msg, int) { onSpeedSlider(); });
    for (int d = 0; d < 2; ++d)
        r.on(kClick, ln::kDirectionButtons[d], [this, d](Msg, int) { setDirection(d); });
    r.onPrefix(kClick, ln::kPresetPrefix, [this](Msg, int k) { onPresetColour(k); });
    for (int c = 0; c < 3; ++c)
        r.on(kTextChanged, ln::kChannelEdits[c], [this, c](Msg, int) { onChannelEdit(c); });
    r.on(kSelectChanged, ln::kSevenColour, [this](Msg, int) { onSevenColour(); });
    r.on(kSelectChanged, ln::kLightsOff, [this](Msg, int) { onLightsOff(); });
    r.on(kClick, ln::kReset, [this](Msg, int) { resetLighting(); });

    r.on(kClick, ln::kAddBar, [this](Msg, int) { addBar(); });
    r.on(kClick, ln::kRemoveBar, [this](Msg, int) { removeBar(); });
    r.on(kClick, ln::kSendPalette, [this](Msg, int) { sendAndStorePalette(); });
    r.on(kClick, ln::kImportPalette, [this](Msg, int) { importPalette(); });
    r.on(kClick, ln::kExportPalette, [this](Msg, int) { exportPalette(); });

    r.onRefresh(kRefreshSwitches, [this] { redrawSwitches(); });
    r.onRefresh(kRefreshZone, [this] { redrawZone(); });
    r.onApply(kApplyPalette, [this](ProfileApplication& a) { applyPalette(a.file); });
    r.onModelShown([this](const ModelFacts& model, ModelShown why) {
        for (const char* label : ln::kModelLabels) {
            ui::Control c = host_.control(nameOf(label));
            if (why == ModelShown::Connected)
                c.setVisible(model.extraLightingLabels);
            c.needUpdate();
        }
    });
}

}  // namespace corv
