#include "sensor/SensorPage.h"

#include <algorithm>
#include <mutex>

#include "device/DeviceChannel.h"
#include "device/DeviceState.h"
#include "platform/IniFile.h"
#include "profiles/ProfileFile.h"
#include "sensor/SystemSettingWorkers.h"
#include "ui/ComboControl.h"
#include "ui/FeatureHost.h"
#include "ui/OptionControl.h"
#include "ui/SliderControl.h"

namespace corv {

namespace {

constexpr std::size_t kReportRateByte = 14;
constexpr std::size_t kLiftOffByte = 23;
constexpr std::size_t kLineCorrectionByte = 32;
constexpr int kFactoryPointerStep = 5;
constexpr int kFactoryPointerSpeed = 10;  // the desktop's default speed, not 5 * 2 + 1
constexpr int kFactoryScrollLines = 3;

ui::OptionControl option(FeatureHost& host, const char* name)
{
    return ui::OptionControl(host.control(QLatin1String(name)));
}

}  // namespace

const QString SensorPage::kFactoryResetQuestion = QStringLiteral("是否要恢复到出厂设置？");

void SensorPage::onReportRate()
{
    const int index = ui::ComboControl(host_.control(QStringLiteral("ms_deng_combo_USBreportSelect"))).GetCurSel();
    const auto b = static_cast<std::uint8_t>(index & 0xFF);  // no selection (-1) gives 255
    writeInt(host_.currentProfilePath(), "Setting", "LED14", b);
    // CurrentSettings keeps the entry it had: only a re-read of the mouse or the profile
    // changes what the page refresh shows.
    sendSettingByte(host_.channel(), host_.deviceState(), kReportRateByte, b);
}

void SensorPage::setLiftOff(int millimetres)
{
    const auto v = static_cast<std::uint8_t>(std::clamp(millimetres, 2, 3));
    std::lock_guard<std::recursive_mutex> guard(host_.channel().lock());
    host_.deviceState().CurrentSettings[kLiftOffByte] = v;
    sendSettingByte(host_.channel(), host_.deviceState(), kLiftOffByte, v);
    writeInt(host_.currentProfilePath(), "Setting", "LED23", v);
}

void SensorPage::onLiftOffOption(int millimetres)
{
    option(host_, millimetres == 2 ? "height3mm" : "height2mm").Selected(false, true);
    setLiftOff(millimetres);
}

void SensorPage::refreshLiftOff()
{
    std::lock_guard<std::recursive_mutex> guard(host_.channel().lock());
    const bool two = host_.deviceState().CurrentSettings[kLiftOffByte] <= 2;
    option(host_, two ? "height2mm" : "height3mm").Selected(true, true);
    option(host_, two ? "height3mm" : "height2mm").Selected(false, true);
    setLiftOff(two ? 2 : 3);
}

void SensorPage::onCalibrationEnd()
{
    std::lock_guard<std::recursive_mutex> guard(host_.channel().lock());
    option(host_, "height3mm").Selected(false, false);
    option(host_, "height2mm").Selected(false, false);
    std::uint8_t& liftOff = host_.deviceState().CurrentSettings[kLiftOffByte];
    liftOff = liftOff <= 2 ? 2 : 3;
    option(host_, liftOff == 2 ? "height2mm" : "height3mm").Selected(true, false);
    writeInt(host_.currentProfilePath(), "Setting", "LED23", liftOff);
}

void SensorPage::onPointerSpeed()
{
    const int v = std::max(0, ui::SliderControl(host_.control(QStringLiteral("ms_DPI_speed"))).GetValue());
    writeInt(host_.currentProfilePath(), "Setting", "PRO0", v);
    host_.systemSettings().setPointerSpeedRequest(v * 2 + 1);
    host_.systemSettings().startPointerSpeedWorker();
}

void SensorPage::stepScrollLines(bool up)
{
    ui::Control edit = host_.control(QStringLiteral("ms_gunlun_speed_edit"));
    long c = ini::toLong(edit.GetText().toStdString());
    if (up)
        c = std::min(std::max(c, 1L) + 1, 10L);
    else
        c = std::max(std::min(c, 10L) - 1, 1L);
    edit.SetText(QString::number(c));
    writeInt(host_.currentProfilePath(), "Setting", "PRO1", c);
    host_.systemSettings().setScrollLinesRequest(static_cast<int>(c));
    host_.systemSettings().startScrollLinesWorker();
}

void SensorPage::factoryReset()
{
    if (host_.messageBox(kFactoryResetQuestion) != 1)
        return;
    ui::SliderControl speed(host_.control(QStringLiteral("ms_DPI_speed")));
    speed.SetValue(kFactoryPointerStep - 1);
    speed.SetValue(kFactoryPointerStep);
    SystemSettingWorkers& system = host_.systemSettings();
    system.setPointerSpeedRequest(kFactoryPointerSpeed);
    system.startPointerSpeedWorker();
    const std::filesystem::path profile = host_.currentProfilePath();
    writeInt(profile, "Setting", "PRO0", kFactoryPointerStep);
    host_.control(QStringLiteral("ms_gunlun_speed_edit")).SetText(QString::number(kFactoryScrollLines));
    writeInt(profile, "Setting", "PRO1", kFactoryScrollLines);
    system.setScrollLinesRequest(kFactoryScrollLines);
    system.startScrollLinesWorker();
    // The mouse announces its reset by itself; its state is read again then.
    host_.channel().restoreDefaults();
}

void SensorPage::setCalibrationTexts(const char* status, const char* hint)
{
    host_.control(QStringLiteral("regdisplay_tishi1")).SetText(QString::fromUtf8(status));
    host_.control(QStringLiteral("regdisplay_tishi2")).SetText(QString::fromUtf8(hint));
}

void SensorPage::startCalibration()
{
    // A result still on show from an earlier run must not take this run off its page.
    host_.killTimer(kResultWaitTimer);
    host_.killTimer(kReturnTimer);
    host_.selectPage("ms_tab_switch", kCalibrationRunningPage);
    host_.channel().calibrate();
    setCalibrationTexts("正在校准...", "以曲线方式移动鼠标，使移动范围覆盖整个鼠标垫");
}

void SensorPage::onCalibrationResult(bool ok)
{
    if (ok)
        setCalibrationTexts("校准完成", "正在跳转...");
    else
        setCalibrationTexts("校准失败", "请重新校准");
    // The result stays on show for a while; the window keeps responding meanwhile.
    host_.setTimer(kResultWaitTimer, kResultWaitMs);
}

void SensorPage::onResultWaitTimer()
{
    host_.killTimer(kResultWaitTimer);
    host_.setTimer(kReturnTimer, kReturnMs);
}

void SensorPage::onReturnTimer()
{
    host_.selectPage("ms_tab_switch", kCalibrationStartPage);
    // The navigation follows the page: the start option of the calibration would otherwise
    // stay the selected option of its group, and clicking it again would start nothing.
    option(host_, "ms_regulat_Op_tab").Selected(true, false);
    host_.killTimer(kReturnTimer);
}

void SensorPage::onLineCorrection()
{
    const std::uint8_t v = option(host_, "ms_linereg_display").IsSelected() ? 1 : 0;
    writeInt(host_.currentProfilePath(), "Setting", "LED32", v);
    std::lock_guard<std::recursive_mutex> guard(host_.channel().lock());
    sendSettingByte(host_.channel(), host_.deviceState(), kLineCorrectionByte, v);
    host_.deviceState().CurrentSettings[kLineCorrectionByte] = v;
}

}  // namespace corv
