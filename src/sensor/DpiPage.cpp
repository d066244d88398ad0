#include "sensor/DpiPage.h"

#include <mutex>
#include <string>

#include "device/DeviceChannel.h"
#include "device/DeviceState.h"
#include "platform/IniFile.h"
#include "profiles/ProfileFile.h"
#include "sensor/DpiTable.h"
#include "sensor/PresetColours.h"
#include "sensor/SensorPage.h"
#include "ui/ColorPaletteControl.h"
#include "ui/ComboControl.h"
#include "ui/FeatureHost.h"
#include "ui/OptionControl.h"
#include "ui/SliderControl.h"

namespace corv {

namespace {

constexpr int kStages = static_cast<int>(kDpiStageCount);
constexpr std::size_t kColourByte = 11;  // red, green, blue at 11, 12, 13

QString stageButton(int n) { return QStringLiteral("DPI_profile_%1").arg(n); }
QString stageEdit(int n) { return QStringLiteral("ms_macro_profile_%1").arg(n); }
std::string ledKey(std::size_t n) { return "LED" + std::to_string(n); }
const char* stageSection(std::uint16_t model) { return model == kModelR210 ? "Setting" : "3360"; }
long typedNumber(const ui::Control& edit) { return ini::toLong(edit.GetText().toStdString()); }

}  // namespace

void DpiPage::showStageButtons(int current)
{
    for (int i = 0; i < kStages; ++i) {
        const char* kind = i == current ? "dw" : "du";
        host_.control(stageButton(i))
            .SetBkImage(QStringLiteral("file='ms/%1%2.png'").arg(QLatin1String(kind)).arg(i + 1));
        host_.control(stageEdit(i)).SetEnabled(i == current);
    }
}

void DpiPage::selectStage(int n)
{
    if (n < 0 || n >= kStages)
        return;
    std::lock_guard<std::recursive_mutex> guard(host_.channel().lock());
    showStageButtons(n);
    host_.deviceState().CurrentSettings[kCurrentStageByte] = static_cast<std::uint8_t>(n);
    sendCurrentStage();
}

void DpiPage::sendCurrentStage()
{
    std::lock_guard<std::recursive_mutex> guard(host_.channel().lock());
    DeviceState& s = host_.deviceState();
    const std::uint8_t stage = s.CurrentSettings[kCurrentStageByte];
    sendSettingByte(host_.channel(), s, kCurrentStageByte, stage);
    if (stage >= kStages)
        return;
    const std::size_t byte = kDpiStageByte + stage;
    ui::SliderControl(host_.control(QStringLiteral("ms_DPI_slider"))).SetValue(s.CurrentSettings[byte]);
    writeInt(host_.currentProfilePath(), "Setting", ledKey(kCurrentStageByte), stage);
    sendSettingByte(host_.channel(), s, byte, s.CurrentSettings[byte]);
}

void DpiPage::onDpiSlider()
{
    std::lock_guard<std::recursive_mutex> guard(host_.channel().lock());
    DeviceState& s = host_.deviceState();
    const int value = ui::SliderControl(host_.control(QStringLiteral("ms_DPI_slider"))).GetValue();
    const int stage = s.CurrentSettings[kCurrentStageByte] > 3 ? 4 : s.CurrentSettings[kCurrentStageByte];
    const std::size_t byte = kDpiStageByte + static_cast<std::size_t>(stage);
    const std::uint16_t model = s.modelId();
    writeInt(host_.currentProfilePath(), stageSection(model), ledKey(byte), value);
    host_.control(stageEdit(stage)).SetText(DpiTable::forModel(model).text(value));
    s.CurrentSettings[byte] = static_cast<std::uint8_t>(value);
    sendSettingByte(host_.channel(), s, byte, s.CurrentSettings[byte]);
}

void DpiPage::commitStageEdit(int n)
{
    if (n < 0 || n >= kStages)
        return;
    std::lock_guard<std::recursive_mutex> guard(host_.channel().lock());
    DeviceState& s = host_.deviceState();
    ui::Control edit = host_.control(stageEdit(n));
    const std::uint16_t model = s.modelId();
    const DpiTable& table = DpiTable::forModel(model);
    const QString text = table.roundTyped(typedNumber(edit));
    edit.SetText(text);
    const int index = table.find(text, s.dpiLevelCount());
    if (index >= 0) {
        const std::size_t byte = kDpiStageByte + static_cast<std::size_t>(n);
        s.CurrentSettings[byte] = static_cast<std::uint8_t>(index);
        writeInt(host_.currentProfilePath(), stageSection(model), ledKey(byte), index);
    }
    sendCurrentStage();
}

void DpiPage::setDpiColour(std::uint32_t colour, bool send)
{
    ui::Control swatch = host_.control(QStringLiteral("ms_DPI_colordp_btn"));
    swatch.SetBkColor(colour);
    swatch.SetBkImage(QString());
    const std::uint8_t rgb[3] = {static_cast<std::uint8_t>((colour >> 16) & 0xFF),
                                 static_cast<std::uint8_t>((colour >> 8) & 0xFF),
                                 static_cast<std::uint8_t>(colour & 0xFF)};
    host_.control(QStringLiteral("ms_DPI_edit_R")).SetText(QString::number(rgb[0]));
    host_.control(QStringLiteral("ms_DPI_edit_G")).SetText(QString::number(rgb[1]));
    host_.control(QStringLiteral("ms_DPI_edit_B")).SetText(QString::number(rgb[2]));
    if (send)
        sendSettingBytes(host_.channel(), host_.deviceState(), kColourByte, rgb, 3);
}

void DpiPage::onDpiColourEdit(int component)
{
    if (component < 0 || component > 2)
        return;
    static const char* const kEdits[] = {"ms_DPI_edit_R", "ms_DPI_edit_G", "ms_DPI_edit_B"};
    ui::Control edit = host_.control(QLatin1String(kEdits[component]));
    long v = typedNumber(edit);
    if (v > 255) {
        v = 255;
        edit.SetText(QStringLiteral("255"));
    } else if (v < 0) {
        v = 0;  // a minus sign would otherwise send the byte 256 - v
        edit.SetText(QStringLiteral("0"));
    }
    ui::Control swatch = host_.control(QStringLiteral("ms_DPI_colordp_btn"));
    const int shift = 16 - 8 * component;
    const std::uint32_t colour = 0xFF000000u | (swatch.GetBkColor() & 0x00FFFFFFu & ~(0xFFu << shift)) |
                                 (static_cast<std::uint32_t>(v) << shift);
    swatch.SetBkColor(colour);
    ui::ColorPaletteControl(host_.control(QStringLiteral("Pallet"))).SetSelectColor(colour);
    sendSettingByte(host_.channel(), host_.deviceState(), kColourByte + static_cast<std::size_t>(component),
                    static_cast<std::uint8_t>(v));
}

void DpiPage::onPresetColour(int k)
{
    if (const auto colour = presetColour(k))
        setDpiColour(*colour, true);
}

void DpiPage::onPaletteColour()
{
    setDpiColour(ui::ColorPaletteControl(host_.control(QStringLiteral("Pallet"))).GetSelectColor(), true);
}

void DpiPage::refreshPage()
{
    std::lock_guard<std::recursive_mutex> guard(host_.channel().lock());
    DeviceState& s = host_.deviceState();
    const auto& cs = s.CurrentSettings;
    // 1. Report rate (selecting the entry reports it like a user's choice).
    ui::ComboControl(host_.control(QStringLiteral("ms_deng_combo_USBreportSelect"))).SelectItem(cs[14]);
    // 2., 3. The stages.
    const DpiTable& table = DpiTable::forModel(s.modelId());
    for (int i = 0; i < kStages; ++i)
        host_.control(stageEdit(i)).SetText(table.text(cs[kDpiStageByte + static_cast<std::size_t>(i)]));
    const int stage = cs[kCurrentStageByte];
    if (stage < kStages) {
        showStageButtons(stage);
        ui::SliderControl(host_.control(QStringLiteral("ms_DPI_slider")))
            .SetValue(cs[kDpiStageByte + static_cast<std::size_t>(stage)]);
    }
    // 4. Check boxes that show a byte (shown only: nothing is sent or written for them).
    ui::OptionControl(host_.control(QStringLiteral("ms_Deng_7color_check"))).Selected(cs[5] != 0, false);
    ui::OptionControl(host_.control(QStringLiteral("ms_led_off"))).Selected(cs[22] == 0, false);
    ui::OptionControl(host_.control(QStringLiteral("ms_linereg_display"))).Selected(cs[32] != 0, false);
    // 5. Indicator colour.
    setDpiColour(0xFF000000u | (std::uint32_t{cs[11]} << 16) | (std::uint32_t{cs[12]} << 8) | cs[13], false);
    // 6. Button labels of the active record.
    host_.redrawButtonLabels();
    // 7. Lift-off: re-sent and written back.
    SensorPage(host_).refreshLiftOff();
    // 8. Lighting page for the zone being edited.
    host_.redrawLightingPage(cs[24]);
}

}  // namespace corv
