#include "sensor/SensorPage.h"

#include <algorithm>

#include "device/DeviceChannel.h"
#include "device/DeviceState.h"
#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "feature/ProfileApplication.h"
#include "feature/WindowMessages.h"
#include "platform/IniEdit.h"
#include "platform/IniFile.h"
#include "profiles/ProfileFile.h"
#include "sensor/SensorNames.h"
#include "settings/SettingsSession.h"
#include "ui/ComboControl.h"
#include "ui/Notification.h"
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

namespace sn = sensor_names;

ui::OptionControl option(FeatureHost& host, const char* name)
{
    return ui::OptionControl(host.control(QLatin1String(name)));
}

}  // namespace

SensorPage::SensorPage(FeatureHost& host, DesktopSettings& desktop)
    : host_(host), systemSettings_(desktop), resultWait_([this] { onResultWaitTimer(); }),
      return_([this] { onReturnTimer(); })
{ }

const QString SensorPage::kFactoryResetQuestion = QStringLiteral("是否要恢复到出厂设置？");

void SensorPage::onReportRate()
{
    const int index = ui::ComboControl(host_.control(QLatin1String(sn::kReportRate))).getCurSel();
    const auto b = static_cast<std::uint8_t>(index & 0xFF);  // no selection (-1) gives 255
    // CurrentSettings keeps the entry it had: only a re-read of the mouse or the profile
    // changes what the page refresh shows.
    host_.settings().set(kReportRateByte, b, SettingsSession::Key | SettingsSession::Mouse);
}

void SensorPage::setLiftOff(int millimetres)
{
    const auto v = static_cast<std::uint8_t>(std::clamp(millimetres, 2, 3));
    host_.settings().set(kLiftOffByte, v);
}

void SensorPage::onLiftOffOption(int millimetres)
{
    option(host_, millimetres == 2 ? sn::kLiftOff3 : sn::kLiftOff2).setSelected(false, true);
    setLiftOff(millimetres);
}

void SensorPage::refreshLiftOff()
{
    const bool two = host_.settings().setting(kLiftOffByte) <= 2;
    option(host_, two ? sn::kLiftOff2 : sn::kLiftOff3).setSelected(true, true);
    option(host_, two ? sn::kLiftOff3 : sn::kLiftOff2).setSelected(false, true);
    setLiftOff(two ? 2 : 3);
}

void SensorPage::onCalibrationEnd()
{
    option(host_, sn::kLiftOff3).setSelected(false, false);
    option(host_, sn::kLiftOff2).setSelected(false, false);
    // The distance the calibration left in the mouse, as one of the two the page offers.
    const std::uint8_t liftOff = host_.settings().setting(kLiftOffByte) <= 2 ? 2 : 3;
    option(host_, liftOff == 2 ? sn::kLiftOff2 : sn::kLiftOff3).setSelected(true, false);
    host_.settings().set(kLiftOffByte, liftOff, SettingsSession::Image | SettingsSession::Key);
}

void SensorPage::onPointerSpeed()
{
    const int v = std::max(0, ui::SliderControl(host_.control(QLatin1String(sn::kPointerSpeed))).getValue());
    host_.settings().writeProfileKey("PRO0", v);
    systemSettings_.setPointerSpeedRequest(v * 2 + 1);
    systemSettings_.startPointerSpeedWorker();
}

void SensorPage::stepScrollLines(bool up)
{
    ui::Control edit = host_.control(QLatin1String(sn::kScrollLinesEdit));
    long c = ini::toLong(edit.getText().toStdString());
    if (up)
        c = std::min(std::max(c, 1L) + 1, 10L);
    else
        c = std::max(std::min(c, 10L) - 1, 1L);
    edit.setText(QString::number(c));
    host_.settings().writeProfileKey("PRO1", c);
    systemSettings_.setScrollLinesRequest(static_cast<int>(c));
    systemSettings_.startScrollLinesWorker();
}

void SensorPage::factoryReset()
{
    if (host_.messageBox(kFactoryResetQuestion) != 1)
        return;
    ui::SliderControl speed(host_.control(QLatin1String(sn::kPointerSpeed)));
    speed.setValue(kFactoryPointerStep - 1);
    speed.setValue(kFactoryPointerStep);
    SystemSettingWorkers& system = systemSettings_;
    system.setPointerSpeedRequest(kFactoryPointerSpeed);
    system.startPointerSpeedWorker();
    host_.control(QLatin1String(sn::kScrollLinesEdit)).setText(QString::number(kFactoryScrollLines));
    host_.settings().writeProfileKeys({{"PRO0", kFactoryPointerStep}, {"PRO1", kFactoryScrollLines}});
    system.setScrollLinesRequest(kFactoryScrollLines);
    system.startScrollLinesWorker();
    // The mouse announces its reset by itself; its state is read again then.
    host_.settings().send([](DeviceChannel& channel) { channel.restoreDefaults(); });
}

void SensorPage::setCalibrationTexts(const char* status, const char* hint)
{
    host_.control(QLatin1String(sn::kCalibrationStatus)).setProgramText(QString::fromUtf8(status));
    host_.control(QLatin1String(sn::kCalibrationHint)).setProgramText(QString::fromUtf8(hint));
}

void SensorPage::startCalibration()
{
    // A result still on show from an earlier run must not take this run off its page.
    resultWait_.stop();
    return_.stop();
    host_.selectPage(sn::kPageTabs, kCalibrationRunningPage);
    host_.sendToMouse([](DeviceChannel& channel) { channel.calibrate(); });
    setCalibrationTexts("正在校准...", "以曲线方式移动鼠标，使移动范围覆盖整个鼠标垫");
}

void SensorPage::onCalibrationResult(bool ok)
{
    if (ok)
        setCalibrationTexts("校准完成", "正在跳转...");
    else
        setCalibrationTexts("校准失败", "请重新校准");
    // The result stays on show for a while; the window keeps responding meanwhile.
    resultWait_.start(kResultWaitMs);
}

void SensorPage::onResultWaitTimer()
{
    resultWait_.stop();
    return_.start(kReturnMs);
}

void SensorPage::onReturnTimer()
{
    host_.selectPage(sn::kPageTabs, kCalibrationStartPage);
    // The navigation follows the page: the start option of the calibration would otherwise
    // stay the selected option of its group, and clicking it again would start nothing.
    option(host_, sn::kCalibrationStartOption).setSelected(true, false);
    return_.stop();
}

void SensorPage::onLineCorrection()
{
    const std::uint8_t v = option(host_, sn::kLineCorrection).isSelected() ? 1 : 0;
    host_.settings().set(kLineCorrectionByte, v);
}

void SensorPage::redrawReportRate()
{
    const std::uint8_t rate = host_.settings().setting(kReportRateByte);
    // Selecting the entry reports it like a user's choice: it is written and sent again.
    ui::ComboControl(host_.control(QLatin1String(sn::kReportRate))).selectItem(rate);
}

void SensorPage::redrawLineCorrection()
{
    // Shown only: the byte came from the mouse or was just sent.
    option(host_, sn::kLineCorrection).setSelected(host_.settings().setting(kLineCorrectionByte) != 0, false);
}

void SensorPage::shutdown()
{
    resultWait_.stop();
    return_.stop();
    systemSettings_.waitIdle();
}

std::span<const ui::ControlRef> SensorPage::controls() const { return sn::sensorPageControls(); }

void SensorPage::declare(FeatureRegistry& r)
{
    using namespace ui::notify;
    using Msg = const ui::Notification&;
    r.on(kClick, sn::kScrollUp, [this](Msg, int) { stepScrollLines(true); });
    r.on(kClick, sn::kScrollDown, [this](Msg, int) { stepScrollLines(false); });
    r.on(kClick, sn::kFactoryReset, [this](Msg, int) { factoryReset(); });
    r.on(kClick, sn::kLiftOff2, [this](Msg, int) { onLiftOffOption(2); });
    r.on(kClick, sn::kLiftOff3, [this](Msg, int) { onLiftOffOption(3); });
    // The calibration's option also switches to its page (the window's page structure).
    r.on(kSelectChanged, sn::kCalibrationOption, [this](Msg msg, int) {
        if (msg.wParam == 1)
            startCalibration();
    });
    r.on(kSelectChanged, sn::kLineCorrection, [this](Msg, int) { onLineCorrection(); });
    r.on(kValueChanged, sn::kPointerSpeed, [this](Msg, int) { onPointerSpeed(); });
    r.on(kItemSelect, sn::kReportRate, [this](Msg, int) { onReportRate(); });

    r.onEvent<int>(msg::kCalibrationStateReadEvent, [this](const int&) { onCalibrationEnd(); });
    r.onMessage(msg::kCalibrationOk, [this](std::uintptr_t, std::intptr_t) { onCalibrationResult(true); });
    r.onMessage(msg::kCalibrationFail, [this](std::uintptr_t, std::intptr_t) { onCalibrationResult(false); });

    r.onRefresh(kRefreshReportRate, [this] { redrawReportRate(); });
    r.onRefresh(kRefreshLineCorrection, [this] { redrawLineCorrection(); });
    r.onRefresh(kRefreshLiftOff, [this] { refreshLiftOff(); });

    // The profile's pointer speed and scroll lines, on the page and to the desktop.
    r.onApply(kApplySystemSettings, [this](ProfileApplication& a) {
        if (!a.devicePart)
            return;
        const int speed = static_cast<int>(a.applied.pointerSpeed);
        ui::SliderControl slider(host_.control(QLatin1String(sn::kPointerSpeed)));
        slider.setValue(speed - 1);
        slider.setValue(speed);
        systemSettings_.setPointerSpeedRequest(speed * 2 + 1);
        systemSettings_.startPointerSpeedWorker();
        host_.control(QLatin1String(sn::kScrollLinesEdit)).setText(QString::number(a.applied.scrollLines));
        systemSettings_.setScrollLinesRequest(static_cast<int>(a.applied.scrollLines));
        systemSettings_.startScrollLinesWorker();
    });
}

}  // namespace corv
