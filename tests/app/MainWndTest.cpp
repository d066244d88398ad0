// The main window: first run, lists, composition, visibility, routing, tray, menus,
// language, timer and shutdown (workers joined, the mouse's last commands delivered in a
// bounded time).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "AppFixture.h"
#include "app/PageStructure.h"
#include "feature/WindowMessages.h"
#include "platform/IniFile.h"
#include "sensor/SensorPage.h"
#include "ui/CircleProgress.h"
#include "ui/ComboControl.h"
#include "ui/ListControl.h"
#include "ui/MessageBox.h"
#include "ui/Notification.h"
#include "ui/OptionControl.h"
#include "ui/TabLayoutControl.h"
#include "ui/TrayIcon.h"
#include "ui/UiThread.h"

namespace corv::test {
namespace {

class MainWndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::setMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
            shown << r.shownText;
            return QStringLiteral("cancel_btn");
        });
    }
    // Creates the window (after the test has prepared files and the tray).
    MainWindow& create(MainWindow::Options options = MainWindow::Options::withoutWorkers())
    {
        harness = std::make_unique<MainWindowHarness>(options);
        EXPECT_TRUE(harness->wnd().createMainWindow());
        return harness->wnd();
    }
    ui::ComboControl combo(const char* name)
    {
        return ui::ComboControl(harness->wnd().findControl(QLatin1String(name)));
    }

    AppEnvironment env;
    ManualClock clock;  // the waits of a connecting window, where a test asks for it
    std::unique_ptr<MainWindowHarness> harness;
    QStringList shown;
};

TEST_F(MainWndTest, FirstRunCreatesTheFirstProfileFromTheTemplate)
{
    create();
    const auto data = env.dataFolder();
    const auto profile = data / "新配置文件1.pro";
    ASSERT_TRUE(std::filesystem::exists(profile));
    EXPECT_EQ(AppEnvironment::readAll(profile), AppEnvironment::readAll(env.resources() / "default.pro"));
    const auto index = data / "msProfile.ini";
    EXPECT_EQ(ini::readString(index, "PROFILECOUNT", "count", ""), "1");
    EXPECT_EQ(ini::readString(index, "PROFILENAME", "0", ""), "新配置文件1");
    EXPECT_EQ(ini::readString(index, "PROFILESELECT", "select", ""), "0");
    for (const char* name :
         {"ms_KEY_combo_profileSelect", "ms_DPI_combo_profileSelect", "ms_REG_combo_profileSelect"}) {
        ui::ComboControl c = combo(name);
        ASSERT_TRUE(c) << name;
        EXPECT_EQ(c.getCount(), 1) << name;
        EXPECT_EQ(c.getItemText(0), QStringLiteral("新配置文件1"));
        EXPECT_EQ(c.getItemUserData(0), QStringLiteral("新配置文件1"));
        EXPECT_EQ(c.getItemHeight(0), 25);
        EXPECT_EQ(c.getCurSel(), -1);  // selected after the mouse has connected
    }
}

TEST_F(MainWndTest, ExistingProfilesAreListedAndNothingIsCreated)
{
    const auto data = env.dataFolder();
    std::filesystem::create_directories(data);
    ini::writeString(data / "msProfile.ini", "PROFILECOUNT", "count", "2");
    ini::writeString(data / "msProfile.ini", "PROFILENAME", "0", "Game");
    ini::writeString(data / "msProfile.ini", "PROFILENAME", "1", "Office");
    create();
    EXPECT_FALSE(std::filesystem::exists(data / "新配置文件1.pro"));
    ui::ComboControl reg = combo("ms_REG_combo_profileSelect");
    ASSERT_EQ(reg.getCount(), 2);
    EXPECT_EQ(reg.getItemUserData(1), QStringLiteral("Office"));
    EXPECT_EQ(combo("ms_KEY_combo_profileSelect").getItemText(0), QStringLiteral("Game"));
}

TEST_F(MainWndTest, MacrosAreListedWithNothingSelected)
{
    const auto data = env.dataFolder();
    std::filesystem::create_directories(data);
    const auto index = data / "msMacro.ini";
    ini::writeString(index, "MACROCOUNT", "count", "3");
    ini::writeString(index, "MACRONAME", "0", "Combo");
    ini::writeString(index, "MACRONAME", "1", "Reload");
    ini::writeString(index, "MACRONAME", "2", "宏三");
    MainWindow& wnd = create();
    ui::ComboControl macros = combo("ms_marco_combo_profileSelect");
    ASSERT_EQ(macros.getCount(), 3);
    EXPECT_EQ(macros.getItemText(2), QStringLiteral("宏三"));
    EXPECT_EQ(macros.getItemUserData(1), QStringLiteral("Reload"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(macros.getItemHeight(i), 30);
    EXPECT_EQ(macros.getCurSel(), -1);
    EXPECT_EQ(ui::ListControl(wnd.findControl(QStringLiteral("ms_Macro_list"))).getCount(), 0);
}

TEST_F(MainWndTest, DamagedCountsDoNotHangOrInventProfiles)
{
    const auto data = env.dataFolder();
    std::filesystem::create_directories(data);
    ini::writeString(data / "msMacro.ini", "MACROCOUNT", "count", "2000000000");
    ini::writeString(data / "msProfile.ini", "PROFILECOUNT", "count", "-5");
    create();
    EXPECT_EQ(combo("ms_marco_combo_profileSelect").getCount(), 50);
    // A count that is not a positive number is a first run.
    EXPECT_EQ(combo("ms_DPI_combo_profileSelect").getCount(), 1);
    EXPECT_EQ(ini::readString(data / "msProfile.ini", "PROFILECOUNT", "count", ""), "1");
}

TEST_F(MainWndTest, CompositionBuildsKnownPagesAndCircleProgressOnly)
{
    MainWindow& wnd = create();
    QWidget parent;
    EXPECT_EQ(wnd.createControl(QStringLiteral("Mystery_UI"), &parent), nullptr);
    for (const char* name : {"circleprogress", "CircleProgress", "CIRCLEPROGRESS"}) {
        QWidget* w = wnd.createControl(QLatin1String(name), &parent);
        EXPECT_NE(qobject_cast<ui::CircleProgress*>(w), nullptr) << name;
    }
    QWidget* page = wnd.createControl(QStringLiteral("ms_dpi_ui"), &parent);
    ASSERT_NE(page, nullptr);
    EXPECT_NE(page->findChild<QSlider*>(QStringLiteral("ms_DPI_slider")), nullptr);
    // The composed main window carries every page of the mouse.
    EXPECT_EQ(ui::TabLayoutControl(wnd.findControl(QStringLiteral("ms_tab_switch"))).getCount(), 8);
}

TEST_F(MainWndTest, WindowIs800By572TitledAndHiddenAfterWindowInitWithATray)
{
    ui::TrayIcon::setAvailabilityOverride(true);
    MainWindow& wnd = create();
    EXPECT_EQ(wnd.size(), QSize(800, 572));
    EXPECT_EQ(wnd.windowTitle(), QStringLiteral("CORVALANTIS R210 Driver"));
    EXPECT_EQ(wnd.trayIcon().getTooltipText(), QStringLiteral("CORVALANTIS R210 Driver"));
    wnd.showWindow(true, false);
    EXPECT_TRUE(wnd.isVisible());
    QApplication::processEvents();
    EXPECT_TRUE(wnd.windowInitSent());
    EXPECT_FALSE(wnd.isVisible());
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(MainWndTest, WithoutATrayTheWindowStaysVisibleAndSaysSoOnce)
{
    ui::TrayIcon::setAvailabilityOverride(false);
    MainWindow& wnd = create();
    wnd.showWindow(true, false);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(wnd.isVisible());
    EXPECT_EQ(shown, QStringList{QString::fromUtf8(MainWindow::kNoTrayText)});
    wnd.showWindow(false, false);
    wnd.showWindow(true, false);
    QApplication::processEvents();
    EXPECT_EQ(shown.size(), 1);
}

TEST_F(MainWndTest, CloseButtonHidesWithoutTheDefaultClose)
{
    ui::TrayIcon::setAvailabilityOverride(false);
    MainWindow& wnd = create(MainWindow::Options::withoutWorkers(false));
    wnd.showWindow(true, false);
    qobject_cast<QAbstractButton*>(wnd.findControl(QStringLiteral("closebtn")).widget())->click();
    EXPECT_FALSE(wnd.isVisible());
    EXPECT_FALSE(wnd.wasClosed());
    EXPECT_FALSE(wnd.isShuttingDown());
}

TEST_F(MainWndTest, EveryPageStructureOptionSwitchesItsPage)
{
    MainWindow& wnd = create();
    for (const PageSwitch& p : PageStructure::switches()) {
        ui::TabLayoutControl tab(wnd.findControl(QLatin1String(p.tabLayout)));
        ui::OptionControl option(wnd.findControl(QLatin1String(p.option)));
        ASSERT_TRUE(tab && option) << p.option;
        // Move away first, so that the switch is visible.
        tab.selectItem(p.page == 0 ? 1 : 0);
        if (option.isSelected())
            option.setSelected(false, false);
        option.setSelected(true, true);
        EXPECT_EQ(tab.getCurSel(), p.page) << p.option;
    }
    // A user's click on a navigation option does the same.
    ui::TabLayoutControl pages(wnd.findControl(QStringLiteral("ms_tab_switch")));
    qobject_cast<QAbstractButton*>(wnd.findControl(QStringLiteral("ms_statis_Op_tab")).widget())->click();
    EXPECT_EQ(pages.getCurSel(), 6);
    // Deselecting an option switches nothing.
    ui::OptionControl(wnd.findControl(QStringLiteral("ms_linereg_display"))).setSelected(true, true);
    EXPECT_EQ(pages.getCurSel(), 6);
}

TEST_F(MainWndTest, NamesAndPrefixesCompareWithoutCase)
{
    MainWindow& wnd = create();
    // A badge highlight for a sender written in other capitals.
    ui::Notification enter;
    enter.type = ui::notify::kMouseEnter;
    enter.sender = wnd.findControl(QStringLiteral("ms_key_3")).widget();
    enter.senderName = QStringLiteral("MS_KEY_3");
    wnd.notify(enter);
    EXPECT_EQ(wnd.findControl(QStringLiteral("ms_key_num_3")).getBkImage(), QStringLiteral("file='ms/over3.png'"));
    EXPECT_EQ(wnd.findControl(QStringLiteral("ms_key_over_num_3")).getBkImage(), QStringLiteral("file='ms/over3.png'"));
    ui::Notification leave = enter;
    leave.type = ui::notify::kMouseLeave;
    wnd.notify(leave);
    EXPECT_EQ(wnd.findControl(QStringLiteral("ms_key_num_3")).getBkImage(), QStringLiteral("file='ms/3.png'"));
    // Other prefixes do not highlight.
    enter.senderName = QStringLiteral("ms_key_butt_4");
    wnd.notify(enter);
    EXPECT_EQ(wnd.findControl(QStringLiteral("ms_key_num_4")).getBkImage(), QStringLiteral("file='ms/4.png'"));

    // A page option in other capitals still switches.
    ui::Notification select;
    select.type = ui::notify::kSelectChanged;
    select.senderName = QStringLiteral("MS_MACRO_OP_TAB");
    select.wParam = 1;
    wnd.notify(select);
    EXPECT_EQ(ui::TabLayoutControl(wnd.findControl(QStringLiteral("ms_tab_switch"))).getCurSel(), 1);

    // A byte edit in other capitals is clamped.
    ui::Control edit = wnd.findControl(QStringLiteral("ms_key_fct_edit_11"));
    edit.setText(QStringLiteral("300"));
    ui::Notification text;
    text.type = ui::notify::kTextChanged;
    text.sender = edit.widget();
    text.senderName = QStringLiteral("MS_KEY_FCT_EDIT_11");
    wnd.notify(text);
    EXPECT_EQ(edit.getText(), QStringLiteral("255"));
    edit.setText(QStringLiteral("200"));
    wnd.notify(text);
    EXPECT_EQ(edit.getText(), QStringLiteral("200"));
}

TEST_F(MainWndTest, TypingIntoAByteEditClampsAbove255)
{
    MainWindow& wnd = create();
    wnd.showWindow(true, false);
    ui::Control edit = wnd.findControl(QStringLiteral("ms_key_fct_edit_25"));
    edit.widget()->setFocus();
    QTest::keyClicks(edit.widget(), QStringLiteral("999"));
    EXPECT_EQ(edit.getText(), QStringLiteral("255"));
}

TEST_F(MainWndTest, LanguageSwitchTwiceReturnsToChinese)
{
    MainWindow& wnd = create();
    ui::Control title = wnd.findControl(QStringLiteral("ms_dpi_title"));
    ui::Control home = wnd.findControl(QStringLiteral("hometext"));
    EXPECT_EQ(title.getText(), QStringLiteral("DPI 设置"));
    EXPECT_EQ(home.getText(), QStringLiteral("{a}演示官网{/a}"));
    EXPECT_EQ(wnd.findControl(QStringLiteral("titletext")).getText(), QStringLiteral("mouse"));
    wnd.onMenuCommand({QStringLiteral("LAN"), QStringLiteral("x"), QString(), false});
    EXPECT_TRUE(wnd.isEnglish());
    EXPECT_EQ(title.getText(), QStringLiteral("DPI settings"));
    EXPECT_EQ(home.getText(), QStringLiteral("{a}Demo website{/a}"));
    EXPECT_EQ(ui::ComboControl(wnd.findControl(QStringLiteral("ms_dengxiao_combo_modeSelect"))).getItemText(1),
              QStringLiteral("Breathing"));
    wnd.onMenuCommand({QStringLiteral("lan"), QStringLiteral("x"), QString(), false});
    EXPECT_FALSE(wnd.isEnglish());
    EXPECT_EQ(title.getText(), QStringLiteral("DPI 设置"));
    EXPECT_EQ(ui::ComboControl(wnd.findControl(QStringLiteral("ms_dengxiao_combo_modeSelect"))).getItemText(1),
              QStringLiteral("呼吸"));
    EXPECT_EQ(wnd.queryControlText(QStringLiteral("other"), QString()), std::nullopt);
}

TEST_F(MainWndTest, TrayClickTogglesOnlyWithAnOpenChannel)
{
    ui::TrayIcon::setAvailabilityOverride(true);
    MainWindow& wnd = create();
    wnd.showWindow(false, false);
    wnd.onTrayLeftClick();
    EXPECT_FALSE(wnd.isVisible());
    EXPECT_EQ(shown, QStringList{QString::fromUtf8(MainWindow::kNoDeviceText)});
    wnd.channel().setOpen(true);
    wnd.onTrayLeftClick();
    EXPECT_TRUE(wnd.isVisible());
    wnd.onTrayLeftClick();
    EXPECT_FALSE(wnd.isVisible());
    EXPECT_EQ(shown.size(), 1);
    wnd.channel().setOpen(false);
    // The tray menu offers the items of menu.xml.
    ASSERT_NE(wnd.trayMenu(), nullptr);
    EXPECT_TRUE(ui::MenuWnd::triggerItem(wnd.trayMenu(), QStringLiteral("lan")));
    EXPECT_TRUE(wnd.isEnglish());
}

// The item's check state in the tray menu.
bool autostartChecked(MainWindow& wnd)
{
    for (QAction* action : wnd.trayMenu()->actions()) {
        if (action->objectName() == QLatin1String(MainWindow::kAutostartItem)) {
            EXPECT_TRUE(action->isCheckable());
            return action->isChecked();
        }
    }
    ADD_FAILURE() << "the tray menu has no autostart item";
    return false;
}

TEST_F(MainWndTest, TheAutostartItemWritesAndRemovesTheEntryAndShowsItsStateWhenOpened)
{
    ui::TrayIcon::setAvailabilityOverride(true);
    MainWindow& wnd = create();
    ASSERT_NE(wnd.trayMenu(), nullptr);
    const auto entry = env.home() / ".config" / "autostart" / "corvalantis.desktop";
    EXPECT_FALSE(autostartChecked(wnd));

    // Chosen as the user does: the check turns on and the entry is written.
    ASSERT_TRUE(ui::MenuWnd::triggerItem(wnd.trayMenu(), QLatin1String(MainWindow::kAutostartItem)));
    EXPECT_TRUE(std::filesystem::exists(entry));
    EXPECT_NE(AppEnvironment::readAll(entry).find("\nExec="), std::string::npos);
    EXPECT_TRUE(autostartChecked(wnd));

    // Removed behind the program's back: the menu shows it when it opens next.
    std::filesystem::remove(entry);
    EXPECT_TRUE(autostartChecked(wnd)) << "nothing reads the entry before the menu opens";
    emit wnd.trayMenu()->aboutToShow();
    EXPECT_FALSE(autostartChecked(wnd));
    // Rebuilt for the other language, the item keeps showing the entry's state.
    wnd.setAutostart(true);
    wnd.switchLanguage();
    EXPECT_TRUE(autostartChecked(wnd));
    QAction* item = nullptr;
    for (QAction* a : wnd.trayMenu()->actions())
        item = a->objectName() == QLatin1String(MainWindow::kAutostartItem) ? a : item;
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Start with the desktop"));

    ASSERT_TRUE(ui::MenuWnd::triggerItem(wnd.trayMenu(), QLatin1String(MainWindow::kAutostartItem)));
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(autostartChecked(wnd));
    EXPECT_TRUE(shown.isEmpty()) << shown.join(QLatin1Char('|')).toStdString();

    // A folder that cannot be made: the user is told, and the item stays off.
    std::filesystem::remove_all(env.home() / ".config" / "autostart");
    std::ofstream(env.home() / ".config" / "autostart") << "in the way";
    ASSERT_TRUE(ui::MenuWnd::triggerItem(wnd.trayMenu(), QLatin1String(MainWindow::kAutostartItem)));
    EXPECT_FALSE(autostartChecked(wnd));
    ASSERT_EQ(shown.size(), 1);
    // In English now, with the entry named.
    EXPECT_EQ(shown[0],
              QStringLiteral("The autostart entry cannot be changed: %1").arg(QString::fromStdString(entry.string())));
}

TEST_F(MainWndTest, UnknownMenuItemsShowTheirTextAndExitShutsDown)
{
    MainWindow& wnd = create();
    wnd.onMenuCommand({QStringLiteral("Menu_Whatever"), QStringLiteral("某个菜单"), QString(), false});
    wnd.onMenuCommand({QStringLiteral("EXIT"), QStringLiteral("EXIT text"), QString(), false});  // "exit" is exact
    EXPECT_EQ(shown, (QStringList{QStringLiteral("某个菜单"), QStringLiteral("EXIT text")}));
    EXPECT_FALSE(wnd.isShuttingDown());
    wnd.onMenuCommand({QStringLiteral("exit"), QStringLiteral("退出"), QString(), false});
    EXPECT_TRUE(wnd.wasClosed());
    EXPECT_TRUE(wnd.isShuttingDown());
}

TEST_F(MainWndTest, TheCalibrationsReturnTimerShowsTheStartPageOnce)
{
    MainWindow& wnd = create();
    SensorPage& sensor = harness->sensorPage();
    ui::TabLayoutControl pages(wnd.findControl(QStringLiteral("ms_tab_switch")));
    ASSERT_TRUE(pages.selectItem(SensorPage::kCalibrationRunningPage));
    ASSERT_EQ(pages.getCurSel(), SensorPage::kCalibrationRunningPage);
    sensor.returnTimer().start(5);
    EXPECT_TRUE(sensor.returnTimer().isActive());
    // The real timer fires, shows the start page and stops itself.
    QTRY_VERIFY_WITH_TIMEOUT(!sensor.returnTimer().isActive(), 2000);
    EXPECT_EQ(pages.getCurSel(), SensorPage::kCalibrationStartPage);
    EXPECT_TRUE(ui::OptionControl(wnd.findControl(QStringLiteral("ms_regulat_Op_tab"))).isSelected());
}

TEST_F(MainWndTest, ShutdownStopsAndJoinsWorkersEvenWhileTheyCallTheUiThread)
{
    MainWindow& wnd = create();
    std::atomic<int> calls{0};
    std::atomic<bool> sawStop{false};
    ASSERT_TRUE(wnd.workers().start("caller", [&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            wnd.sendMessage(0x801);
            ++calls;
        }
        sawStop = true;
    }));
    QTRY_VERIFY_WITH_TIMEOUT(calls.load() > 3, 5000);
    wnd.onMenuCommand({QStringLiteral("exit"), QString(), QString(), false});
    EXPECT_TRUE(sawStop.load());
    EXPECT_EQ(wnd.workers().count(), 0u);
    EXPECT_FALSE(wnd.workers().start("late", [](std::stop_token) {}));
}

// The user types a DPI stage and quits at once, while an earlier command is still being
// carried out: the new stage waits behind it, and the exit lets both reach the mouse before
// the channel closes. Each round is a new start on the same files, so the mouse starts with
// the stage of the round before.
TEST_F(MainWndTest, ADpiStageTypedJustBeforeTheExitReachesTheMouse)
{
    ui::TrayIcon::setAvailabilityOverride(true);
    struct Round {
        const char* typed;
        int index;  // in the R210's table
    };
    const Round rounds[] = {{"5000", 48}, {"5200", 49}, {"200", 0},   {"7000", 58},
                            {"5150", 48}, {"50", 0},    {"5300", 49}, {"9000", 58}};
    for (const Round& r : rounds) {
        SCOPED_TRACE(r.typed);
        ui::resetUiThreadCall();  // the exit of the round before ended it
        // The window's waits on the manual clock: the connection is made at once.
        harness = std::make_unique<MainWindowHarness>(MainWindow::Options{}, "R210", clock);
        MainWindow& wnd = harness->wnd();
        ASSERT_TRUE(wnd.createMainWindow());
        wnd.showWindow(true, false);
        ASSERT_TRUE(waitFor([&] { return wnd.isPresented(); }, 10000));
        harness->dpiPage().selectStage(1);
        ASSERT_NE(harness->mouse().settingsRecord(0)[16], r.index);
        wnd.mouseCommands().post([&wnd] {
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (wnd.isAlive() && std::chrono::steady_clock::now() < limit)
                std::this_thread::yield();
        });
        wnd.findControl(QStringLiteral("ms_macro_profile_1")).setText(QLatin1String(r.typed));
        notifyControl(wnd, ui::notify::kKillFocus, "ms_macro_profile_1");
        wnd.onMenuCommand({QStringLiteral("exit"), QString(), QString(), false});
        ASSERT_TRUE(wnd.isShuttingDown());
        EXPECT_EQ(harness->mouseWithoutWaiting().settingsRecord(0)[16], r.index);
        EXPECT_EQ(ini::readString(env.dataFolder() / "新配置文件1.pro", "Setting", "LED16", ""),
                  std::to_string(r.index));
        harness.reset();
    }
}

TEST_F(MainWndTest, ASilentMouseHoldsTheExitForAboutASecondOnly)
{
    ui::TrayIcon::setAvailabilityOverride(true);
    harness = std::make_unique<MainWindowHarness>(MainWindow::Options{}, "R210", Clock::system());
    MainWindow& wnd = harness->wnd();
    ASSERT_TRUE(wnd.createMainWindow());
    wnd.showWindow(true, false);
    ASSERT_TRUE(waitFor([&] { return wnd.isPresented(); }, 10000));
    harness->dpiPage().selectStage(1);
    // The mouse stops answering: each command would try four times, a second each.
    harness->mouse().dropNextAnswers(1 << 30);
    wnd.findControl(QStringLiteral("ms_macro_profile_1")).setText(QStringLiteral("5000"));
    notifyControl(wnd, ui::notify::kKillFocus, "ms_macro_profile_1");
    ASSERT_FALSE(wnd.mouseCommands().idle());
    const auto begin = std::chrono::steady_clock::now();
    wnd.onMenuCommand({QStringLiteral("exit"), QString(), QString(), false});
    const auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(took, MainWindow::kExitCommandTime);
    EXPECT_LT(took, MainWindow::kExitCommandTime + std::chrono::seconds(2));
    EXPECT_TRUE(wnd.mouseCommands().stopped());
    EXPECT_EQ(ini::readString(env.dataFolder() / "新配置文件1.pro", "Setting", "LED16", ""), "48");
}

TEST_F(MainWndTest, MessagesFromWorkersRunOnTheUiThread)
{
    MainWindow& wnd = create();
    EXPECT_FALSE(wnd.handleCustomMessage(0x999, 0, 0));  // nobody declared it
    // A declared message is handled; sent from a worker, its handler runs on the UI thread
    // while the worker waits. The calibration result is a message with a visible effect.
    bool handled = false;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        handled = wnd.sendMessage(msg::kCalibrationFail);
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 5000);
    worker.join();
    EXPECT_TRUE(handled);
    EXPECT_EQ(wnd.findControl(QStringLiteral("regdisplay_tishi1")).getText(), QStringLiteral("校准失败"));
    // A QTimer starts only on the thread it lives on (elsewhere Qt refuses): the handler that
    // started the result pause ran on the UI thread.
    EXPECT_TRUE(harness->sensorPage().resultWaitTimer().isActive());
}

}  // namespace
}  // namespace corv::test
