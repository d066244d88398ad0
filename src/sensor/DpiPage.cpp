#include "sensor/DpiPage.h"

#include <string>
#include <utility>

#include "device/DeviceState.h"
#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "feature/PresetColours.h"
#include "platform/IniFile.h"
#include "profiles/ProfileFile.h"
#include "sensor/DpiTable.h"
#include "sensor/SensorNames.h"
#include "settings/SettingsSession.h"
#include "ui/ColorPaletteControl.h"
#include "ui/Notification.h"
#include "ui/SliderControl.h"

namespace corv {

namespace {

constexpr int kStages = static_cast<int>(kDpiStageCount);
constexpr std::size_t kColourByte = 11;  // red, green, blue at 11, 12, 13

namespace sn = sensor_names;

QString stageButton(int i) { return QLatin1String(sn::kStageButtons[i]); }
QString stageEdit(int i) { return QLatin1String(sn::kStageEdits[i]); }
long typedNumber(const ui::Control& edit) { return ini::toLong(edit.getText().toStdString()); }

}  // namespace

void DpiPage::showStageButtons(int current)
{
    for (int i = 0; i < kStages; ++i) {
        const char* kind = i == current ? "dw" : "du";
        host_.control(stageButton(i))
            .setBkImage(QStringLiteral("file='ms/%1%2.png'").arg(QLatin1String(kind)).arg(i + 1));
        host_.control(stageEdit(i)).setEnabled(i == current);
    }
}

void DpiPage::selectStage(int n)
{
    if (n < 0 || n >= kStages)
        return;
    showStageButtons(n);
    host_.settings().set(kCurrentStageByte, static_cast<std::uint8_t>(n), SettingsSession::Image);
    sendCurrentStage();
}

void DpiPage::sendCurrentStage()
{
    SettingsSession& settings = host_.settings();
    const std::uint8_t stage = settings.setting(kCurrentStageByte);
    settings.set(kCurrentStageByte, stage, SettingsSession::Mouse);
    if (stage >= kStages)
        return;
    const std::size_t byte = kDpiStageByte + stage;
    const std::uint8_t index = settings.setting(byte);
    ui::SliderControl(host_.control(QLatin1String(sn::kDpiSlider))).setValue(index);
    settings.set(kCurrentStageByte, stage, SettingsSession::Key);
    settings.set(byte, index, SettingsSession::Mouse);
}

void DpiPage::onDpiSlider()
{
    SettingsSession& settings = host_.settings();
    const int value = ui::SliderControl(host_.control(QLatin1String(sn::kDpiSlider))).getValue();
    const std::uint8_t current = settings.setting(kCurrentStageByte);
    const int stage = current > 3 ? 4 : current;
    settings.setStage(stage, static_cast<std::uint8_t>(value));
    host_.control(stageEdit(stage)).setText(DpiTable::forModel(settings.modelId()).text(value));
}

void DpiPage::commitStageEdit(int n)
{
    if (n < 0 || n >= kStages)
        return;
    SettingsSession& settings = host_.settings();
    ui::Control edit = host_.control(stageEdit(n));
    const auto [model, levels] =
        settings.read([](const DeviceState& s) { return std::pair(s.modelId(), s.dpiLevelCount()); });
    const DpiTable& table = DpiTable::forModel(model);
    const QString text = table.roundTyped(typedNumber(edit));
    edit.setText(text);
    const int index = table.find(text, levels);
    if (index >= 0)
        settings.setStage(n, static_cast<std::uint8_t>(index), SettingsSession::Image | SettingsSession::Key);
    sendCurrentStage();
}

void DpiPage::setDpiColour(std::uint32_t colour, bool send)
{
    ui::Control swatch = host_.control(QLatin1String(sn::kColourSwatch));
    swatch.setBkColor(colour);
    swatch.setBkImage(QString());
    const std::uint8_t rgb[3] = {static_cast<std::uint8_t>((colour >> 16) & 0xFF),
                                 static_cast<std::uint8_t>((colour >> 8) & 0xFF),
                                 static_cast<std::uint8_t>(colour & 0xFF)};
    for (int c = 0; c < 3; ++c)
        host_.control(QLatin1String(sn::kColourEdits[c])).setText(QString::number(rgb[c]));
    // The indicator colour goes to the mouse only.
    if (send)
        host_.settings().set({{kColourByte, rgb[0]}, {kColourByte + 1, rgb[1]}, {kColourByte + 2, rgb[2]}},
                             SettingsSession::Mouse);
}

void DpiPage::onDpiColourEdit(int component)
{
    if (component < 0 || component > 2)
        return;
    ui::Control edit = host_.control(QLatin1String(sn::kColourEdits[component]));
    long v = typedNumber(edit);
    if (v > 255) {
        v = 255;
        edit.setText(QStringLiteral("255"));
    } else if (v < 0) {
        v = 0;  // a minus sign would otherwise send the byte 256 - v
        edit.setText(QStringLiteral("0"));
    }
    ui::Control swatch = host_.control(QLatin1String(sn::kColourSwatch));
    const int shift = 16 - 8 * component;
    const std::uint32_t colour = 0xFF000000u | (swatch.getBkColor() & 0x00FFFFFFu & ~(0xFFu << shift)) |
                                 (static_cast<std::uint32_t>(v) << shift);
    swatch.setBkColor(colour);
    ui::ColorPaletteControl(host_.control(QLatin1String(sn::kPalette))).setSelectColor(colour);
    host_.settings().set(kColourByte + static_cast<std::size_t>(component), static_cast<std::uint8_t>(v),
                         SettingsSession::Mouse);
}

void DpiPage::onPresetColour(int k)
{
    if (const auto colour = presetColour(k))
        setDpiColour(*colour, true);
}

void DpiPage::onPaletteColour()
{
    setDpiColour(ui::ColorPaletteControl(host_.control(QLatin1String(sn::kPalette))).getSelectColor(), true);
}

void DpiPage::redrawStages()
{
    const DeviceState s = host_.settings().snapshot();
    const auto& cs = s.CurrentSettings;
    const DpiTable& table = DpiTable::forModel(s.modelId());
    for (int i = 0; i < kStages; ++i)
        host_.control(stageEdit(i)).setText(table.text(cs[kDpiStageByte + static_cast<std::size_t>(i)]));
    const int stage = cs[kCurrentStageByte];
    if (stage < kStages) {
        showStageButtons(stage);
        ui::SliderControl(host_.control(QLatin1String(sn::kDpiSlider)))
            .setValue(cs[kDpiStageByte + static_cast<std::size_t>(stage)]);
    }
}

void DpiPage::redrawIndicatorColour()
{
    const auto cs = host_.settings().snapshot().CurrentSettings;
    setDpiColour(0xFF000000u | (std::uint32_t{cs[11]} << 16) | (std::uint32_t{cs[12]} << 8) | cs[13], false);
}

void DpiPage::windowInit()
{
    ui::ColorPaletteControl(host_.control(QLatin1String(sn::kPalette))).setSelectColor(kPaletteSelectColor);
}

std::span<const ui::ControlRef> DpiPage::controls() const { return sn::dpiPageControls(); }

void DpiPage::declare(FeatureRegistry& r)
{
    using namespace ui::notify;
    r.on(kColorChanged, sn::kPalette, [this](const ui::Notification&, int) { onPaletteColour(); });
    r.onPrefix(kClick, sn::kPresetPrefix, [this](const ui::Notification&, int k) { onPresetColour(k); });
    for (int i = 0; i < kStages; ++i) {
        r.on(kClick, sn::kStageButtons[i], [this, i](const ui::Notification&, int) { selectStage(i); });
        r.on(kKillFocus, sn::kStageEdits[i], [this, i](const ui::Notification&, int) { commitStageEdit(i); });
    }
    for (int c = 0; c < 3; ++c)
        r.on(kTextChanged, sn::kColourEdits[c], [this, c](const ui::Notification&, int) { onDpiColourEdit(c); });
    r.on(kValueChanged, sn::kDpiSlider, [this](const ui::Notification&, int) { onDpiSlider(); });
    r.onRefresh(kRefreshStages, [this] { redrawStages(); });
    r.onRefresh(kRefreshIndicatorColour, [this] { redrawIndicatorColour(); });
    // The slider covers the model's DPI table.
    r.onModelShown([this](const ModelFacts& model, ModelShown) {
        ui::SliderControl slider(host_.control(QLatin1String(sn::kDpiSlider)));
        slider.setMinValue(0);
        slider.setMaxValue(model.dpiStageLimit());
    });
}

}  // namespace corv
