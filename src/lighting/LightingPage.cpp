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
    ui::OptionControl(host_.control(nameOf(ln::kSevenColour))).Selected(false, false);
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
    hidden.SelectItem(-1);
    hidden.SelectItem(onWheel ? cs[kMainEffectByte] : cs[kWheelEffectByte]);
    hidden.SetVisible(false);
    shown.SelectItem(-1);
    shown.SelectItem(onWheel ? cs[kWheelEffectByte] : cs[kMainEffectByte]);
    shown.SetVisible(true);

    ui::SliderControl(host_.control(nameOf(ln::kBrightnessSlider)))
        .SetValue(brightnessSliderValue(cs[onWheel ? kWheelBrightnessByte : kMainBrightnessByte]));
    ui::SliderControl(host_.control(nameOf(ln::kSpeedSlider)))
        .SetValue(speedSliderValue(cs[onWheel ? kWheelSpeedByte : kMainSpeedByte]));
    const std::size_t colour = onWheel ? kWheelColourByte : kMainColourByte;
    setColour(colourOf(cs[colour], cs[colour + 1], cs[colour + 2]), false);
    // This zone is already being shown: selecting its option quietly does not run it again.
    ui::OptionControl(host_.control(nameOf(ln::kZoneOptions[z]))).Selected(true, false);

    writeByte(kZoneByte, static_cast<std::uint8_t>(z));
}

namespace {

void showParameterGroups(FeatureHost& host, const ParameterGroups& g)
{
    host.control(nameOf(ln::kDirectionGroup)).SetVisible(g.directionVisible);
    ui::Control colour = host.control(nameOf(ln::kColourGroup));
    colour.SetVisible(g.colourVisible);
    colour.SetEnabled(g.colourEnabled);
    host.control(nameOf(ln::kSevenColourGroup)).SetVisible(g.sevenColourVisible);
    host.control(nameOf(ln::kCustomGroup)).SetEnabled(g.customEnabled);
    host.control(nameOf(ln::kSpeedGroup)).SetEnabled(g.speedEnabled);
    host.control(nameOf(ln::kBrightnessGroup)).SetEnabled(g.brightnessEnabled);
}

}  // namespace

void LightingPage::chooseMainEffect()
{
    const int m = ui::ComboControl(host_.control(nameOf(ln::kMainEffect))).GetCurSel();
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
            b.SetProgramText(buttons[i]->label);
            if (!buttons[i]->hotAndPushed.isEmpty()) {
                b.SetHotImage(buttons[i]->hotAndPushed);
                b.SetPushedImage(buttons[i]->hotAndPushed);
            }
            b.SetNormalImage(buttons[i]->normal);
            b.SetBkImage(buttons[i]->background);
        }
    }
    setDirection(host_.settings().setting(kDirectionByte) == 0 ? 0 : 1);
    writeByte(kMainEffectByte, static_cast<std::uint8_t>(m));
}

void LightingPage::chooseWheelEffect()
{
    const int w = ui::ComboControl(host_.control(nameOf(ln::kWheelEffect))).GetCurSel();
    const auto groups = wheelEffectGroups(w);
    if (!groups)
        return;
    if (zone() == kZoneWheel)
        showParameterGroups(host_, *groups);
    writeByte(kWheelEffectByte, static_cast<std::uint8_t>(w));
}

void LightingPage::chooseSecondMainEffect()
{
    const int m = ui::ComboControl(host_.control(nameOf(ln::kSecondMainEffect))).GetCurSel();
    if (m < 0 || m >= kMainEffectCount)
        return;
    host_.settings().set(kMainEffectByte, static_cast<std::uint8_t>(m), SettingsSession::Mouse);
    ui::ComboControl(host_.control(nameOf(ln::kMainEffect))).SelectItem(m);
}

void LightingPage::onBrightnessSlider()
{
    ui::SliderControl slider(host_.control(nameOf(ln::kBrightnessSlider)));
    const int level = sliderLevel(slider.GetValue());
    slider.SetValue(level * 50);
    writeByte(zone() == kZoneWheel ? kWheelBrightnessByte : kMainBrightnessByte, static_cast<std::uint8_t>(level));
}

void LightingPage::onSpeedSlider()
{
    ui::SliderControl slider(host_.control(nameOf(ln::kSpeedSlider)));
    const int level = sliderLevel(slider.GetValue());
    slider.SetValue(level * 50);
    writeByte(zone() == kZoneWheel ? kWheelSpeedByte : kMainSpeedByte, speedByte(level));
}

void LightingPage::setDirection(int d)
{
    const int m = ui::ComboControl(host_.control(nameOf(ln::kMainEffect))).GetCurSel();
    SettingsSession& settings = host_.settings();
    if (const auto choice = directionChoice(m, d)) {
        host_.control(nameOf(ln::kDirectionButtons[0])).SetNormalImage(choice->firstNormal);
        host_.control(nameOf(ln::kDirectionButtons[1])).SetNormalImage(choice->secondNormal);
        // Effect 6 reads its direction from another byte; the profile keeps it as LED4 all the same.
        settings.set(choice->deviceByte, static_cast<std::uint8_t>(d), SettingsSession::Mouse);
        settings.set(kDirectionByte, static_cast<std::uint8_t>(d), SettingsSession::Image);
    }
    settings.set(kDirectionByte, settings.setting(kDirectionByte), SettingsSession::Key);
}

void LightingPage::setColour(std::uint32_t colour, bool store)
{
    ui::Control button = host_.control(nameOf(ln::kColourButton));
    button.SetBkColor(colour);
    button.SetBkImage(QString());
    const std::array<std::uint8_t, 3> rgb{channelOf(colour, 0), channelOf(colour, 1), channelOf(colour, 2)};
    for (int c = 0; c < 3; ++c)
        host_.control(nameOf(ln::kChannelEdits[c])).SetText(QString::number(rgb[static_cast<std::size_t>(c)]));
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
    const ChannelValue typed = channelValue(edit.GetText());
    if (typed.corrected)
        edit.SetText(*typed.corrected);
    ui::Control button = host_.control(nameOf(ln::kColourButton));
    const int shift = 16 - 8 * channel;
    button.SetBkColor(0xFF000000u | (button.GetBkColor() & 0x00FFFFFFu & ~(0xFFu << shift)) |
                      (std::uint32_t{typed.value} << shift));

    const bool onWheel = zone() == kZoneWheel;
    writeByte((onWheel ? kWheelColourByte : kMainColourByte) + static_cast<std::size_t>(channel), typed.value);
    if (!onWheel || host_.settings().setting(kWheelEffectByte) == 1)
        clearSevenColour(onWheel ? kWheelSevenColourByte : kMainSevenColourByte);
}

void LightingPage::onSevenColour()
{
    const bool on = ui::OptionControl(host_.control(nameOf(ln::kSevenColour))).IsSelected();
    writeByte(zone() == kZoneWheel ? kWheelSevenColourByte : kMainSevenColourByte, on ? 1 : 0);
}

void LightingPage::onLightsOff()
{
    const bool off = ui::OptionControl(host_.control(nameOf(ln::kLightsOff))).IsSelected();
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
    ui::OptionControl(host_.control(nameOf(ln::kSevenColour))).Selected(cs[kMainSevenColourByte] != 0, false);
    ui::OptionControl(host_.control(nameOf(ln::kLightsOff))).Selected(cs[kLightingOnByte] == 0, false);
}

void LightingPage::redrawZone() { selectZone(host_.settings().setting(kZoneByte)); }

// --- The custom palette ---

void LightingPage::addBar() { ui::MultiColorControl(host_.control(nameOf(ln::kPaletteBars))).AddBarsCount(); }

void LightingPage::removeBar() { ui::MultiColorControl(host_.control(nameOf(ln::kPaletteBars))).SubBarsCount(); }

void LightingPage::showBars(const PaletteKeys& keys)
{
    ui::MultiColorControl bars(host_.control(nameOf(ln::kPaletteBars)));
    bars.SetBarsCount(keys.count);
    for (int i = 0; i < keys.count; ++i)
        bars.SetBarsCountData(i, keys.values[static_cast<std::size_t>(i)]);
}

void LightingPage::sendColours(const std::vector<std::uint32_t>& colours)
{
    host_.sendToMouse([table = colourTable(colours)](DeviceChannel& channel) { channel.writeColors(table); });
}

void LightingPage::sendBars()
{
    const ui::MultiColorControl bars(host_.control(nameOf(ln::kPaletteBars)));
    const int n = std::clamp(bars.GetBarsCount(), 0, kPaletteMaxBars);
    std::vector<std::uint32_t> colours(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        std::int32_t value = 0;
        colours[static_cast<std::size_t>(i)] = bars.GetBarsCountData(i, value);
    }
    sendColours(colours);
}

void LightingPage::sendAndStorePalette()
{
    const ui::MultiColorControl bars(host_.control(nameOf(ln::kPaletteBars)));
    PaletteKeys keys;
    keys.count = std::clamp(bars.GetBarsCount(), 0, kPaletteMaxBars);
    std::vector<std::uint32_t> colours(static_cast<std::size_t>(keys.count));
    for (int i = 0; i < keys.count; ++i)
        colours[static_cast<std::size_t>(i)] = bars.GetBarsCountData(i, keys.values[static_cast<std::size_t>(i)]);
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
    const QString file = ui::GetOpenFileName(host_.window(), QString(), kPaletteFileName, kPaletteFilter);
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
    main.SelectItem(-1);
    main.SelectItem(kCustomPaletteEffect);
}

void LightingPage::exportPalette()
{
    const std::filesystem::path profile = host_.settings().profilePath();
    if (profile.empty())
        return;
    const QString file =
        ui::GetSaveFileName(host_.window(), QString(), kPaletteFileName, kPaletteFilter, kPaletteSuffix);
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
    ui::ColorPaletteControl(host_.control(nameOf(ln::kColourPalette))).SetSelectColor(kPaletteSelectColor);
}

std::span<const ui::ControlRef> LightingPage::controls() const { return ln::lightingPageControls(); }

void LightingPage::declare(FeatureRegistry& r)
{
    using namespace ui::notify;
    using Msg = const ui::TNotifyUI&;
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
                c.SetVisible(model.extraLightingLabels);
            c.NeedUpdate();
        }
    });
}

}  // namespace corv
