#include "app/ProfileApplier.h"

#include <QStringList>
#include <array>

#include "device/DeviceChannel.h"
#include "device/DeviceState.h"
#include "profiles/ProfileApply.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "sensor/SystemSettingWorkers.h"
#include "ui/ComboControl.h"
#include "ui/FeatureHost.h"
#include "ui/MultiColorControl.h"
#include "ui/OptionControl.h"
#include "ui/SliderControl.h"

namespace corv {

namespace {

constexpr std::array<const char*, 3> kLists{"ms_DPI_combo_profileSelect", "ms_KEY_combo_profileSelect",
                                            "ms_REG_combo_profileSelect"};

void setTexts(FeatureHost& host, std::initializer_list<const char*> names, const QString& text)
{
    for (const char* n : names)
        host.control(QLatin1String(n)).SetText(text);
}

// The palette on the colour bars and the colour table the bars give, sent to the mouse.
void applyPalette(FeatureHost& host, const ProfilePalette& palette)
{
    ui::MultiColorControl bars(host.control(QStringLiteral("Pallet123")));
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
    sendPalette(host.channel(), shown);
}

}  // namespace

bool ProfileApplier::applyProfile(int source)
{
    if (source < kDpiList || source > kRegList || applying_)
        return false;
    const int index =
        ui::ComboControl(host_.control(QLatin1String(kLists[static_cast<std::size_t>(source)]))).GetCurSel();
    if (index < 0)
        return false;
    applying_ = true;
    // 1. The other lists follow.
    for (std::size_t i = 0; i < kLists.size(); ++i) {
        if (static_cast<int>(i) != source)
            ui::ComboControl(host_.control(QLatin1String(kLists[i]))).SelectItem(index);
    }
    applying_ = false;
    // 2. The profile's name (the item's user data) in the three rename edits.
    const QString name = ui::ComboControl(host_.control(QLatin1String(kLists[kDpiList]))).GetItemUserData(index);
    setTexts(host_, {"ms_dpi_edit_maname", "ms_KEY_edit_maname", "ms_REG_edit_maname"}, name);
    // 3. The index remembers the selection.
    ProfileIndex::writeSelected(index);
    // 4. The linked program.
    if (ProfileIndex::linkFlag(index) != "0") {
        const std::string program = programFileName(ProfileIndex::linkedProgram(index));
        if (program.empty())
            return true;  // a link without a folder: nothing more is applied
        setTexts(host_, {"ms_Key_edit_cxname", "ms_DPI_edit_cxname", "ms_REG_edit_cxname"},
                 QString::fromStdString(program));
        for (const char* box : {"ms_Key_write_lian", "ms_DPI_write_lian", "ms_REG_write_lian"})
            ui::OptionControl(host_.control(QLatin1String(box))).Selected(true, false);
        for (const char* panel : {"ms_DPI_Layout_cxname", "ms_Key_Layout_cxname", "ms_REG_Layout_cxname"})
            host_.control(QLatin1String(panel)).SetVisible(true);
    } else {
        ui::OptionControl(host_.control(QStringLiteral("ms_Key_write_lian"))).Selected(false, true);
    }
    // 5.-10. The images, to the mouse.
    const std::filesystem::path file = profilePath(name.toStdString());
    const AppliedProfile applied = applyProfileToDevice(host_.channel(), host_.deviceState(), file);
    // 11.-13. Pointer speed and scroll lines.
    SystemSettingWorkers& system = host_.systemSettings();
    const int speed = static_cast<int>(applied.pointerSpeed);
    ui::SliderControl slider(host_.control(QStringLiteral("ms_DPI_speed")));
    slider.SetValue(speed - 1);
    slider.SetValue(speed);
    system.setPointerSpeedRequest(speed * 2 + 1);
    system.startPointerSpeedWorker();
    host_.control(QStringLiteral("ms_gunlun_speed_edit")).SetText(QString::number(applied.scrollLines));
    system.setScrollLinesRequest(static_cast<int>(applied.scrollLines));
    system.startScrollLinesWorker();
    // 14. The palette.
    applyPalette(host_, readProfilePalette(file));
    return true;
}

void ProfileApplier::resetToTemplate()
{
    resetProfileToTemplate(host_.channel(), host_.deviceState(), templatePath(), host_.dpiProfilePath());
}

}  // namespace corv
