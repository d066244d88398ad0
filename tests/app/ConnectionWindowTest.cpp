// The window with its worker threads on a virtual mouse: the connect sequence and what it
// shows and writes, profiles applied from the lists, the mouse's own events, unplugging,
// the DPI page, and shutdown while connected.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <algorithm>
#include <vector>

#include "AppFixture.h"
#include "feature/WindowMessages.h"
#include "platform/IniFile.h"
#include "ui/ComboControl.h"
#include "ui/MenuWnd.h"
#include "ui/MessageBox.h"
#include "ui/OptionControl.h"
#include "ui/SliderControl.h"
#include "ui/TabLayoutControl.h"
#include "ui/TrayIcon.h"

namespace corv::test {
namespace {

using Call = FakeDesktopSettings::Call;
using Setting = FakeDesktopSettings::Setting;

class ConnectionWindowTest : public ConnectedWindowTest {
protected:
    // Three profiles; `select` is the stored selection.
    void writeProfiles(int select) { test::writeProfiles(env, {"p0", "p1", "p2"}, {}, select); }
    std::filesystem::path profile(int i) const { return env.dataFolder() / ("p" + std::to_string(i) + ".pro"); }
    ui::ComboControl combo(const char* name) { return ui::ComboControl(ctl(name)); }
    std::vector<ReportFrame> requests() { return harness->mouse().frameLog().frames(FrameDirection::Request); }
    std::vector<ReportFrame> requestsOf(std::uint8_t command) { return test::requestsOf(harness->mouse(), command); }
    std::string key(const std::filesystem::path& file, const char* section, const char* k)
    {
        return ini::readString(file, section, k, "missing");
    }
};

TEST_F(ConnectionWindowTest, ConnectingShowsTheModelAndAppliesTheStoredProfile)
{
    writeProfiles(2);
    ini::writeString(profile(2), "3360", "LED15", "200");  // applied: limited to 119
    ini::writeString(profile(2), "Setting", "PRO0", "15");
    ini::writeString(profile(2), "Setting", "PRO1", "0");
    MainWindow& wnd = connect("R240");
    EXPECT_EQ(wnd.windowTitle(), QStringLiteral("CORVALANTIS R240 Driver"));
    EXPECT_EQ(wnd.trayIcon().getTooltipText(), QStringLiteral("CORVALANTIS R240 Driver"));
    EXPECT_EQ(ctl("msloge").getBkImage(), QStringLiteral("file='240.png'"));
    EXPECT_EQ(ui::SliderControl(ctl("ms_DPI_slider")).getMaxValue(), 119);
    EXPECT_TRUE(ctl("ms_deng_la0").isVisible());
    // The mouse's state was captured into the stored profile, which was then applied from
    // the REG list; the other lists follow and the index keeps the selection.
    EXPECT_TRUE(waitFor([&] { return combo("ms_KEY_combo_profileSelect").getCurSel() == 2; }, 5000));
    EXPECT_EQ(combo("ms_DPI_combo_profileSelect").getCurSel(), 2);
    EXPECT_EQ(combo("ms_REG_combo_profileSelect").getCurSel(), 2);
    EXPECT_EQ(ctl("ms_dpi_edit_maname").getText(), QStringLiteral("p2"));
    const std::vector<ReportFrame> settings = requestsOf(CMD_WRITE_SETTINGS);
    const auto whole =
        std::find_if(settings.begin(), settings.end(), [](const ReportFrame& f) { return f.length() == 56; });
    ASSERT_NE(whole, settings.end());
    EXPECT_EQ(whole->data()[0], 0);
    // The capture wrote the mouse's own stages over the file's before the apply sent them.
    EXPECT_EQ(key(profile(2), "3360", "LED15"), std::to_string(harness->mouse().settingsRecord(0)[15]));
    EXPECT_EQ(requestsOf(CMD_WRITE_BUTTONS).size(), 3u);
    EXPECT_EQ(requestsOf(CMD_WRITE_COLORS).size(), 2u);
    // PRO0 15 and PRO1 0 arrive limited: slider 10, speed 21 -> 20; scroll lines 1.
    EXPECT_EQ(ui::SliderControl(ctl("ms_DPI_speed")).getValue(), 10);
    EXPECT_EQ(ctl("ms_gunlun_speed_edit").getText(), QStringLiteral("1"));
    harness->sensorPage().systemSettings().waitIdle();
    const std::vector<Call> calls = harness->desktop().calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), Call{Setting::PointerSpeed, 20}), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), Call{Setting::WheelScrollLines, 1}), calls.end());
    // The page shows the mouse's stages from the refresh.
    EXPECT_EQ(ui::TabLayoutControl(ctl("ms_tab_switch")).getCurSel(), 0);
    EXPECT_FALSE(ctl("ms_macro_profile_0").getText().isEmpty());
}

TEST_F(ConnectionWindowTest, ChoosingAProfileAppliesItOnceAndTheOtherListsFollow)
{
    writeProfiles(0);
    MainWindow& wnd = connect("R210");
    EXPECT_EQ(wnd.windowTitle(), QStringLiteral("CORVALANTIS R210 Driver"));
    EXPECT_EQ(ui::SliderControl(ctl("ms_DPI_slider")).getMaxValue(), 58);
    EXPECT_FALSE(ctl("ms_deng_la0").isVisible());
    ini::writeString(profile(1), "Setting", "LED17", "200");
    harness->mouse().frameLog().clear();
    ASSERT_TRUE(combo("ms_KEY_combo_profileSelect").selectItem(1));
    EXPECT_EQ(combo("ms_DPI_combo_profileSelect").getCurSel(), 1);
    EXPECT_EQ(combo("ms_REG_combo_profileSelect").getCurSel(), 1);
    EXPECT_EQ(key(env.dataFolder() / "msProfile.ini", "PROFILESELECT", "select"), "1");
    const std::vector<ReportFrame> records = requestsOf(CMD_WRITE_SETTINGS);
    const auto whole =
        std::count_if(records.begin(), records.end(), [](const ReportFrame& f) { return f.length() == 56; });
    EXPECT_EQ(whole, 1);  // applied once, not again for each list that followed
    const auto it = std::find_if(records.begin(), records.end(), [](const ReportFrame& f) { return f.length() == 56; });
    ASSERT_NE(it, records.end());
    EXPECT_EQ(it->data()[17], 58);  // the R210's limit
    EXPECT_EQ(it->data()[0], 0);
}

TEST_F(ConnectionWindowTest, AStoredSelectionOutsideTheListFallsBackToTheFirstProfile)
{
    writeProfiles(7);
    connect("R210");
    EXPECT_TRUE(waitFor([&] { return combo("ms_KEY_combo_profileSelect").getCurSel() == 0; }));
    EXPECT_EQ(combo("ms_REG_combo_profileSelect").getCurSel(), 0);
    EXPECT_EQ(key(env.dataFolder() / "msProfile.ini", "PROFILESELECT", "select"), "0");
    EXPECT_FALSE(std::filesystem::exists(env.dataFolder() / "0.pro"));  // no profile made up
}

TEST_F(ConnectionWindowTest, ALinkWithoutAFolderStopsTheApplyAfterTheIndex)
{
    writeProfiles(0);
    MainWindow& wnd = connect("R210");
    (void)wnd;
    const auto index = env.dataFolder() / "msProfile.ini";
    ini::writeString(index, "PROFILELIKEEXE", "1", "1");
    ini::writeString(index, "PROCESS", "1", "game");
    harness->mouse().frameLog().clear();
    combo("ms_DPI_combo_profileSelect").selectItem(1);
    EXPECT_EQ(key(index, "PROFILESELECT", "select"), "1");
    // The profile is not sent (the page refresh that follows still re-sends single bytes).
    const std::vector<ReportFrame> writes = requestsOf(CMD_WRITE_SETTINGS);
    EXPECT_TRUE(std::none_of(writes.begin(), writes.end(), [](const ReportFrame& f) { return f.length() == 56; }));
    EXPECT_TRUE(requestsOf(CMD_WRITE_BUTTONS).empty());
    EXPECT_TRUE(requestsOf(CMD_WRITE_COLORS).empty());
    // A link with a folder shows the program and goes on.
    ini::writeString(index, "PROCESS", "2", "/usr/games/tetris");
    ini::writeString(index, "PROFILELIKEEXE", "2", "1");
    combo("ms_DPI_combo_profileSelect").selectItem(2);
    EXPECT_EQ(ctl("ms_Key_edit_cxname").getText(), QStringLiteral("tetris"));
    EXPECT_TRUE(ui::OptionControl(ctl("ms_REG_write_lian")).isSelected());
}

TEST_F(ConnectionWindowTest, TheMousesDpiButtonUpdatesThePageAndTheProfile)
{
    writeProfiles(0);
    connect("R240");
    const std::uint8_t before = harness->mouse().currentStage();
    const std::uint8_t next = static_cast<std::uint8_t>((before + 1) % 5);
    ASSERT_TRUE(harness->mouse().pressDpiButton());
    EXPECT_TRUE(waitFor([&] { return key(profile(0), "Setting", "LED20") == std::to_string(next); }, 5000));
    const std::string button = "DPI_profile_" + std::to_string(next);
    EXPECT_TRUE(waitFor(
        [&] { return ctl(button.c_str()).getBkImage() == QStringLiteral("file='ms/dw%1.png'").arg(next + 1); }));
    EXPECT_TRUE(ctl(("ms_macro_profile_" + std::to_string(next)).c_str()).isEnabled());
}

TEST_F(ConnectionWindowTest, UnplugHidesTheWindowAndReplugConnectsAgain)
{
    writeProfiles(0);
    MainWindow& wnd = connect("R210");
    wnd.showWindow(true, false);
    ASSERT_TRUE(wnd.isVisible());
    harness->mouse().unplug();
    EXPECT_TRUE(waitFor([&] { return !wnd.isConnected(); }, 5000));
    EXPECT_TRUE(waitFor([&] { return !wnd.isVisible(); }, 5000));
    EXPECT_FALSE(wnd.channel().isOpen());
    wnd.onTrayLeftClick();
    EXPECT_EQ(shown.last(), QString::fromUtf8(MainWindow::kNoDeviceText));
    harness->mouse().plug();
    EXPECT_TRUE(waitFor([&] { return wnd.isConnected(); }, 10000));
    EXPECT_FALSE(wnd.isVisible());  // connecting never shows the window by itself
}

TEST_F(ConnectionWindowTest, DpiPageEditsFollowTheTableOfTheModel)
{
    writeProfiles(0);
    connect("R210");
    DpiPage& dpi = harness->dpiPage();
    dpi.selectStage(1);
    struct Case {
        const char* typed;
        const char* shown;
        int index;
    };
    for (const Case& c : {Case{"5150", "5000", 48}, Case{"5300", "5200", 49}, Case{"50", "200", 0},
                          Case{"9000", "7000", 58}, Case{"abc", "200", 0}}) {
        ctl("ms_macro_profile_1").setText(QLatin1String(c.typed));
        notify(ui::notify::kKillFocus, "ms_macro_profile_1");
        EXPECT_EQ(ctl("ms_macro_profile_1").getText(), QLatin1String(c.shown)) << c.typed;
        EXPECT_EQ(key(profile(0), "Setting", "LED16"), std::to_string(c.index)) << c.typed;
        EXPECT_EQ(harness->mouse().settingsRecord(0)[16], c.index) << c.typed;
    }
    // Clicking a stage sends the stage, then its value, and moves the slider.
    harness->mouse().frameLog().clear();
    notify(ui::notify::kClick, "DPI_profile_2");
    const std::vector<ReportFrame> sent = requestsOf(CMD_WRITE_SETTINGS);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].address(), 20);
    EXPECT_EQ(sent[0].data()[0], 2);
    EXPECT_EQ(sent[1].address(), 17);
    EXPECT_EQ(key(profile(0), "Setting", "LED20"), "2");
    EXPECT_EQ(ui::SliderControl(ctl("ms_DPI_slider")).getValue(), harness->mouse().settingsRecord(0)[17]);
    EXPECT_EQ(ctl("DPI_profile_2").getBkImage(), QStringLiteral("file='ms/dw3.png'"));
    EXPECT_EQ(ctl("DPI_profile_0").getBkImage(), QStringLiteral("file='ms/du1.png'"));
    EXPECT_FALSE(ctl("ms_macro_profile_1").isEnabled());
}

TEST_F(ConnectionWindowTest, SliderAndColourOfAnR240)
{
    writeProfiles(0);
    connect("R240");
    DpiPage& dpi = harness->dpiPage();
    dpi.selectStage(3);
    ui::SliderControl(ctl("ms_DPI_slider")).setValue(10);
    notify(ui::notify::kValueChanged, "ms_DPI_slider");
    EXPECT_EQ(key(profile(0), "3360", "LED18"), "10");
    EXPECT_EQ(ctl("ms_macro_profile_3").getText(), QStringLiteral("1100"));
    EXPECT_EQ(harness->mouse().settingsRecord(0)[18], 10);
    // Typing 12345 shows 12000 (index 119); 150 gives 100 (index 0).
    ctl("ms_macro_profile_3").setText(QStringLiteral("12345"));
    notify(ui::notify::kKillFocus, "ms_macro_profile_3");
    EXPECT_EQ(ctl("ms_macro_profile_3").getText(), QStringLiteral("12000"));
    EXPECT_EQ(key(profile(0), "3360", "LED18"), "119");

    // The indicator colour goes to the mouse only.
    const std::string fileRed = key(profile(0), "Setting", "LED11");
    notify(ui::notify::kClick, "ms_DPI_color_btn_6");  // 0080FF
    EXPECT_EQ(ctl("ms_DPI_colordp_btn").getBkColor(), 0xFF0080FFu);
    EXPECT_EQ(harness->mouse().settingsRecord(0)[11], 0x00);
    EXPECT_EQ(harness->mouse().settingsRecord(0)[12], 0x80);
    EXPECT_EQ(harness->mouse().settingsRecord(0)[13], 0xFF);
    ctl("ms_DPI_edit_G").setText(QStringLiteral("300"));
    notify(ui::notify::kTextChanged, "ms_DPI_edit_G");
    EXPECT_EQ(ctl("ms_DPI_edit_G").getText(), QStringLiteral("255"));
    EXPECT_EQ(ctl("ms_DPI_colordp_btn").getBkColor(), 0xFF00FFFFu);
    EXPECT_EQ(harness->mouse().settingsRecord(0)[12], 255);
    EXPECT_EQ(key(profile(0), "Setting", "LED11"), fileRed);
}

TEST_F(ConnectionWindowTest, OnboardRecordsAndTheDeviceMessages)
{
    writeProfiles(0);
    MainWindow& wnd = connect("R240");
    harness->mouse().frameLog().clear();
    notify(ui::notify::kClick, "ms_profile_0");  // the active record: one read only
    EXPECT_EQ(requests().size(), 1u);
    notify(ui::notify::kClick, "ms_profile_3");
    EXPECT_EQ(harness->mouse().activeRecord(), 3);
    EXPECT_EQ(wnd.deviceState().activeRecord(), 3);
    EXPECT_FALSE(ctl("ms_tab_function").isVisible());
    // A DPI change now goes to record 3.
    harness->mouse().frameLog().clear();
    harness->dpiPage().selectStage(1);
    EXPECT_EQ(requestsOf(CMD_WRITE_SETTINGS).front().address(), 3 * 64 + 20);

    // kDeviceArrived with the mouse open presents it again; without, it hides the window.
    wnd.showWindow(true, false);
    wnd.handleCustomMessage(msg::kDeviceArrived, 1, 2);
    EXPECT_EQ(wnd.windowTitle(), QStringLiteral("CORVALANTIS R240 Driver"));
    EXPECT_TRUE(wnd.isVisible());
}

TEST_F(ConnectionWindowTest, TheDemoMenuActsAsAPersonAtTheVirtualMouse)
{
    writeProfiles(0);
    MainWindow& wnd = connect("R240");
    QMenu* tray = wnd.trayMenu();
    ASSERT_NE(tray, nullptr);
    const std::uint8_t before = harness->mouse().currentStage();
    ASSERT_TRUE(ui::MenuWnd::triggerItem(tray, QStringLiteral("vm_dpi_button")));
    EXPECT_EQ(harness->mouse().currentStage(), (before + 1) % 5);
    EXPECT_TRUE(waitFor([&] { return wnd.deviceState().CurrentSettings[20] == (before + 1) % 5; }));
    ASSERT_TRUE(ui::MenuWnd::triggerItem(tray, QStringLiteral("vm_unplug")));
    EXPECT_TRUE(waitFor([&] { return !wnd.isConnected(); }));
    ASSERT_TRUE(ui::MenuWnd::triggerItem(tray, QStringLiteral("vm_replug")));
    EXPECT_TRUE(waitFor([&] { return wnd.isConnected(); }, 10000));
    ASSERT_TRUE(ui::MenuWnd::triggerItem(tray, QStringLiteral("vm_calibration_fail")));
    // The listener finds the re-plugged mouse on its own schedule; the result must not come
    // before it listens again.
    EXPECT_TRUE(waitFor([&] { return wnd.listener().state() == InputListener::State::Reading; }, 10000));
    harness->mouse().setCalibrationDelay(std::chrono::milliseconds(0));
    harness->sensorPage().startCalibration();
    EXPECT_TRUE(waitFor([&] { return ctl("regdisplay_tishi1").getText() == QStringLiteral("校准失败"); }));
    EXPECT_FALSE(ui::MenuWnd::triggerItem(tray, QStringLiteral("no_such_item")));
}

TEST_F(ConnectionWindowTest, ShutdownWhileConnectedJoinsEveryThread)
{
    writeProfiles(0);
    MainWindow& wnd = connect("R210");
    EXPECT_EQ(wnd.workers().count(), 2u);  // connection and listener (no foreground watcher yet)
    wnd.onMenuCommand({QStringLiteral("exit"), QString(), QString(), false});
    EXPECT_EQ(wnd.workers().count(), 0u);
    EXPECT_FALSE(wnd.channel().isOpen());
}

}  // namespace
}  // namespace corv::test
