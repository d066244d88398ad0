// The sensor settings and the surface calibration in the window, on a connected virtual
// mouse: report rate, lift-off, pointer speed, scroll lines, factory reset, calibration
// results and the return to the start page, straight-line correction.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>

#include "AppFixture.h"
#include "feature/WindowMessages.h"
#include "platform/IniFile.h"
#include "ui/ComboControl.h"
#include "ui/MessageBox.h"
#include "ui/OptionControl.h"
#include "ui/SliderControl.h"
#include "ui/TabLayoutControl.h"
#include "ui/TrayIcon.h"

namespace corv::test {
namespace {

using Call = FakeDesktopSettings::Call;
using Setting = FakeDesktopSettings::Setting;

class SensorWindowTest : public ConnectedWindowTest {
protected:
    void SetUp() override
    {
        ConnectedWindowTest::SetUp();
        answer = QStringLiteral("confirm_btn");
        connect("R240");
        ASSERT_TRUE(wnd().isPresented());
        profile = env.dataFolder() / "新配置文件1.pro";
        harness->mouse().frameLog().clear();
        sensorPage().systemSettings().waitIdle();
        harness->desktop().clearCalls();
    }
    void click(const char* name) { notify(ui::notify::kClick, name); }
    std::string key(const char* k) { return ini::readString(profile, "Setting", k, "missing"); }
    std::vector<ReportFrame> writes() { return requestsOf(harness->mouse(), CMD_WRITE_SETTINGS); }
    std::vector<Call> desktopCalls()
    {
        sensorPage().systemSettings().waitIdle();
        return harness->desktop().calls();
    }
    int page() { return ui::TabLayoutControl(ctl("ms_tab_switch")).getCurSel(); }

    std::filesystem::path profile;
};

TEST_F(SensorWindowTest, ReportRateIsTheEntrysIndexAndLeavesTheCopyAlone)
{
    const std::uint8_t before = wnd().deviceState().CurrentSettings[14];
    ui::ComboControl rate(ctl("ms_deng_combo_USBreportSelect"));
    ASSERT_EQ(rate.getCount(), 4);
    EXPECT_EQ(rate.getItemText(3), QStringLiteral("1000 Hz"));
    rate.selectItem(before == 2 ? 1 : 2);
    const std::uint8_t chosen = before == 2 ? 1 : 2;
    EXPECT_EQ(key("LED14"), std::to_string(chosen));
    ASSERT_FALSE(writes().empty());
    EXPECT_EQ(writes().back().address(), 14);
    EXPECT_EQ(writes().back().data()[0], chosen);
    EXPECT_EQ(harness->mouse().settingsRecord(0)[14], chosen);
    EXPECT_EQ(wnd().deviceState().CurrentSettings[14], before);
}

TEST_F(SensorWindowTest, LiftOffOptionsSendTheDistanceAndClearTheOther)
{
    ui::OptionControl two(ctl("height2mm"));
    ui::OptionControl three(ctl("height3mm"));
    two.setSelected(true, false);
    click("height3mm");
    EXPECT_EQ(key("LED23"), "3");
    EXPECT_EQ(harness->mouse().settingsRecord(0)[23], 3);
    EXPECT_FALSE(two.isSelected());
    EXPECT_EQ(wnd().deviceState().CurrentSettings[23], 3);
    click("height2mm");
    EXPECT_EQ(key("LED23"), "2");
    EXPECT_FALSE(three.isSelected());

    // Out-of-range values are brought to 2..3.
    sensorPage().setLiftOff(0);
    EXPECT_EQ(harness->mouse().settingsRecord(0)[23], 2);
    sensorPage().setLiftOff(9);
    EXPECT_EQ(harness->mouse().settingsRecord(0)[23], 3);
}

TEST_F(SensorWindowTest, PointerSpeedAndScrollLinesReachTheDesktop)
{
    ui::SliderControl speed(ctl("ms_DPI_speed"));
    speed.setValue(10);
    notify(ui::notify::kValueChanged, "ms_DPI_speed");
    EXPECT_EQ(key("PRO0"), "10");
    // A worker still busy takes the newest request instead; wait so that both values land.
    sensorPage().systemSettings().waitIdle();
    speed.setValue(0);
    notify(ui::notify::kValueChanged, "ms_DPI_speed");
    EXPECT_EQ(key("PRO0"), "0");
    EXPECT_EQ(desktopCalls(), (std::vector<Call>{{Setting::PointerSpeed, 20}, {Setting::PointerSpeed, 1}}));

    harness->desktop().clearCalls();
    ui::Control lines = ctl("ms_gunlun_speed_edit");
    lines.setText(QStringLiteral("10"));
    click("ms_gunlun_speed_up_btn");
    EXPECT_EQ(lines.getText(), QStringLiteral("10"));
    lines.setText(QStringLiteral("1"));
    click("ms_gunlun_speed_down_btn");
    EXPECT_EQ(lines.getText(), QStringLiteral("1"));
    lines.setText(QString());
    click("ms_gunlun_speed_up_btn");
    EXPECT_EQ(lines.getText(), QStringLiteral("2"));
    EXPECT_EQ(key("PRO1"), "2");
    lines.setText(QStringLiteral("40"));
    click("ms_gunlun_speed_down_btn");
    EXPECT_EQ(lines.getText(), QStringLiteral("9"));
    const std::vector<Call> calls = desktopCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), (Call{Setting::WheelScrollLines, 9}));
}

TEST_F(SensorWindowTest, FactoryResetAsksThenRestoresAndTheMouseAnnouncesIt)
{
    answer = QStringLiteral("cancel_btn");
    click("ms_k_reset");
    EXPECT_EQ(shown, QStringList{QStringLiteral("是否要恢复到出厂设置？")});
    EXPECT_TRUE(desktopCalls().empty());
    EXPECT_TRUE(harness->mouse().frameLog().frames(FrameDirection::Request).empty());

    answer = QStringLiteral("confirm_btn");
    ui::SliderControl(ctl("ms_DPI_speed")).setValue(1);
    click("ms_k_reset");
    EXPECT_EQ(ui::SliderControl(ctl("ms_DPI_speed")).getValue(), 5);
    EXPECT_EQ(ctl("ms_gunlun_speed_edit").getText(), QStringLiteral("3"));
    EXPECT_EQ(key("PRO0"), "5");
    EXPECT_EQ(key("PRO1"), "3");
    const std::vector<Call> calls = desktopCalls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), Call{Setting::PointerSpeed, 10}), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), Call{Setting::WheelScrollLines, 3}), calls.end());
    const auto sent = harness->mouse().frameLog().frames(FrameDirection::Request);
    EXPECT_TRUE(std::any_of(sent.begin(), sent.end(),
                            [](const ReportFrame& f) { return f.command() == CMD_RESTORE_DEFAULTS; }));
    // The reset event makes the program read the mouse again.
    EXPECT_TRUE(waitFor([&] {
        const auto frames = harness->mouse().frameLog().frames(FrameDirection::Request);
        return std::any_of(frames.begin(), frames.end(),
                           [](const ReportFrame& f) { return f.command() == CMD_READ_DEFAULT_BUTTONS; });
    }));
}

TEST_F(SensorWindowTest, CalibrationShowsItsResultThenReturnsToTheStartPage)
{
    harness->mouse().setCalibrationDelay(std::chrono::milliseconds(0));
    harness->mouse().setNextCalibrationOutcome(true, 7);
    ui::OptionControl(ctl("ms_reg_display")).setSelected(true, true);
    EXPECT_EQ(page(), 7);
    // The mouse's result arrives on its own collection: end (with the re-read), then ok.
    ASSERT_TRUE(waitFor([&] { return ctl("regdisplay_tishi1").getText() == QStringLiteral("校准完成"); }));
    EXPECT_EQ(ctl("regdisplay_tishi2").getText(), QStringLiteral("正在跳转..."));
    // Lift-off 7 from the mouse shows as 3 mm, once the mouse's state was read again (on a
    // loaded machine the read may finish after the result is shown; it never overwrites it).
    EXPECT_TRUE(waitFor([&] { return key("LED23") == "3"; }));
    EXPECT_TRUE(ui::OptionControl(ctl("height3mm")).isSelected());
    EXPECT_FALSE(ui::OptionControl(ctl("height2mm")).isSelected());
    // The result stays on show, then the return timer brings page 5 back.
    EXPECT_TRUE(sensorPage().resultWaitTimer().isActive());
    EXPECT_EQ(page(), 7);
    sensorPage().resultWaitTimer().fire();
    EXPECT_FALSE(sensorPage().resultWaitTimer().isActive());
    EXPECT_TRUE(sensorPage().returnTimer().isActive());
    EXPECT_EQ(page(), 7);
    sensorPage().returnTimer().fire();
    EXPECT_EQ(page(), 5);
    EXPECT_TRUE(ui::OptionControl(ctl("ms_regulat_Op_tab")).isSelected());
    EXPECT_FALSE(ui::OptionControl(ctl("ms_reg_display")).isSelected());  // ready to start again
    EXPECT_FALSE(sensorPage().returnTimer().isActive());
}

TEST_F(SensorWindowTest, AFailedCalibrationSaysSoAndANewStartCancelsTheReturn)
{
    harness->mouse().setCalibrationDelay(std::chrono::milliseconds(0));
    harness->mouse().setNextCalibrationOutcome(false);
    sensorPage().startCalibration();
    EXPECT_EQ(ctl("regdisplay_tishi1").getText(), QStringLiteral("正在校准..."));
    EXPECT_EQ(ctl("regdisplay_tishi2").getText(), QStringLiteral("以曲线方式移动鼠标，使移动范围覆盖整个鼠标垫"));
    ASSERT_TRUE(waitFor([&] { return ctl("regdisplay_tishi1").getText() == QStringLiteral("校准失败"); }));
    EXPECT_EQ(ctl("regdisplay_tishi2").getText(), QStringLiteral("请重新校准"));
    // Started again while the failure is on show: the earlier timers must not end it.
    harness->mouse().setCalibrationDelay(std::chrono::hours(1));
    sensorPage().startCalibration();
    EXPECT_FALSE(sensorPage().resultWaitTimer().isActive());
    EXPECT_FALSE(sensorPage().returnTimer().isActive());
    EXPECT_EQ(page(), 7);
}

TEST_F(SensorWindowTest, CalibrationEndWritesTheLiftOffWithoutSendingIt)
{
    for (const auto& [fromMouse, expected] : {std::pair<int, const char*>{0, "2"}, {7, "3"}}) {
        const std::uint8_t v = static_cast<std::uint8_t>(fromMouse);
        ASSERT_TRUE(harness->mouse().writeMemory(sim::MemoryArea::Settings, 23, std::span(&v, 1)));
        harness->mouse().frameLog().clear();
        wnd().handleCustomMessage(msg::kCalibrationEnd, 0, 0);
        EXPECT_EQ(key("LED23"), expected);
        EXPECT_TRUE(writes().empty());  // read back, written to the file, not sent
        const bool three = std::string(expected) == "3";
        EXPECT_EQ(ui::OptionControl(ctl("height3mm")).isSelected(), three);
        EXPECT_EQ(ui::OptionControl(ctl("height2mm")).isSelected(), !three);
    }
}

TEST_F(SensorWindowTest, StraightLineCorrectionIsByte32)
{
    ui::OptionControl box(ctl("ms_linereg_display"));
    box.setSelected(true, true);
    EXPECT_EQ(key("LED32"), "1");
    EXPECT_EQ(harness->mouse().settingsRecord(0)[32], 1);
    EXPECT_EQ(wnd().deviceState().CurrentSettings[32], 1);
    EXPECT_NE(page(), 7);  // it switches no page
    box.setSelected(false, true);
    EXPECT_EQ(key("LED32"), "0");
    EXPECT_EQ(harness->mouse().settingsRecord(0)[32], 0);
    // The refresh shows the box from the byte.
    wnd().deviceState().CurrentSettings[32] = 1;
    wnd().refreshSettings();
    EXPECT_TRUE(box.isSelected());
}

}  // namespace
}  // namespace corv::test
