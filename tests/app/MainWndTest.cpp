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
#include "ui/CCircleProgressUI.h"
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
        ui::SetMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
            shown << r.shownText;
            return QStringLiteral("cancel_btn");
        });
    }
    // Creates the window (after the test has prepared files and the tray).
    CMainWnd& create(CMainWnd::Options options = CMainWnd::Options::withoutWorkers())
    {
        harness = std::make_unique<MainWindowHarness>(options);
        EXPECT_TRUE(harness->wnd().CreateMainWindow());
        return harness->wnd();
    }
    ui::ComboControl combo(const char* name)
    {
        return ui::ComboControl(harness->wnd().FindControl(QLatin1String(name)));
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
        EXPECT_EQ(c.GetCount(), 1) << name;
        EXPECT_EQ(c.GetItemText(0), QStringLiteral("新配置文件1"));
        EXPECT_EQ(c.GetItemUserData(0), QStringLiteral("新配置文件1"));
        EXPECT_EQ(c.GetItemHeight(0), 25);
        EXPECT_EQ(c.GetCurSel(), -1);  // selected after the mouse has connected
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
    ASSERT_EQ(reg.GetCount(), 2);
    EXPECT_EQ(reg.GetItemUserData(1), QStringLiteral("Office"));
    EXPECT_EQ(combo("ms_KEY_combo_profileSelect").GetItemText(0), QStringLiteral("Game"));
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
    CMainWnd& wnd = create();
    ui::ComboControl macros = combo("ms_marco_combo_profileSelect");
    ASSERT_EQ(macros.GetCount(), 3);
    EXPECT_EQ(macros.GetItemText(2), QStringLiteral("宏三"));
    EXPECT_EQ(macros.GetItemUserData(1), QStringLiteral("Reload"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(macros.GetItemHeight(i), 30);
    EXPECT_EQ(macros.GetCurSel(), -1);
    EXPECT_EQ(ui::ListControl(wnd.FindControl(QStringLiteral("ms_Macro_list"))).GetCount(), 0);
}

TEST_F(MainWndTest, DamagedCountsDoNotHangOrInventProfiles)
{
    const auto data = env.dataFolder();
    std::filesystem::create_directories(data);
    ini::writeString(data / "msMacro.ini", "MACROCOUNT", "count", "2000000000");
    ini::writeString(data / "msProfile.ini", "PROFILECOUNT", "count", "-5");
    create();
    EXPECT_EQ(combo("ms_marco_combo_profileSelect").GetCount(), 50);
    // A count that is not a positive number is a first run.
    EXPECT_EQ(combo("ms_DPI_combo_profileSelect").GetCount(), 1);
    EXPECT_EQ(ini::readString(data / "msProfile.ini", "PROFILECOUNT", "count", ""), "1");
}

TEST_F(MainWndTest, CompositionBuildsKnownPagesAndCircleProgressOnly)
{
    CMainWnd& wnd = create();
    QWidget parent;
    EXPECT_EQ(wnd.CreateControl(QStringLiteral("Mystery_UI"), &parent), nullptr);
    for (const char* name : {"circleprogress", "CircleProgress", "CIRCLEPROGRESS"}) {
        QWidget* w = wnd.CreateControl(QLatin1String(name), &parent);
        EXPECT_NE(qobject_cast<ui::CCircleProgressUI*>(w), nullptr) << name;
    }
    QWidget* page = wnd.CreateControl(QStringLiteral("ms_dpi_ui"), &parent);
    ASSERT_NE(page, nullptr);
    EXPECT_NE(page->findChild<QSlider*>(QStringLiteral("ms_DPI_slider")), nullptr);
    // The composed main window carries every page of the mouse.
    EXPECT_EQ(ui::TabLayoutControl(wnd.FindControl(QStringLiteral("ms_tab_switch"))).GetCount(), 8);
}

TEST_F(MainWndTest, WindowIs800By572TitledAndHiddenAfterWindowInitWithATray)
{
    ui::TrayIcon::SetAvailabilityOverride(true);
    CMainWnd& wnd = create();
    EXPECT_EQ(wnd.size(), QSize(800, 572));
    EXPECT_EQ(wnd.windowTitle(), QStringLiteral("CORVALANTIS R210 Driver"));
    EXPECT_EQ(wnd.trayIcon().GetTooltipText(), QStringLiteral("CORVALANTIS R210 Driver"));
    wnd.ShowWindow(true, false);
    EXPECT_TRUE(wnd.isVisible());
    QApplication::processEvents();
    EXPECT_TRUE(wnd.windowInitSent());
    EXPECT_FALSE(wnd.isVisible());
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(MainWndTest, WithoutATrayTheWindowStaysVisibleAndSaysSoOnce)
{
    ui::TrayIcon::SetAvailabilityOverride(false);
    CMainWnd& wnd = create();
    wnd.ShowWindow(true, false);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(wnd.isVisible());
    EXPECT_EQ(shown, QStringList{QString::fromUtf8(CMainWnd::kNoTrayText)});
    wnd.ShowWindow(false, false);
    wnd.ShowWindow(true, false);
    QApplication::processEvents();
    EXPECT_EQ(shown.size(), 1);
}

TEST_F(MainWndTest, CloseButtonHidesWithoutTheDefaultClose)
{
    ui::TrayIcon::SetAvailabilityOverride(false);
    CMainWnd& wnd = create(CMainWnd::Options::withoutWorkers(false));
    wnd.ShowWindow(true, false);
    qobject_cast<QAbstractButton*>(wnd.FindControl(QStringLiteral("closebtn")).widget())->click();
    EXPECT_FALSE(wnd.isVisible());
    EXPECT_FALSE(wnd.WasClosed());
    EXPECT_FALSE(wnd.IsShuttingDown());
}

TEST_F(MainWndTest, EveryPageStructureOptionSwitchesItsPage)
{
    CMainWnd& wnd = create();
    for (const PageSwitch& p : PageStructure::switches()) {
        ui::TabLayoutControl tab(wnd.FindControl(QLatin1String(p.tabLayout)));
        ui::OptionControl option(wnd.FindControl(QLatin1String(p.option)));
        ASSERT_TRUE(tab && option) << p.option;
        // Move away first, so that the switch is visible.
        tab.SelectItem(p.page == 0 ? 1 : 0);
        if (option.IsSelected())
            option.Selected(false, false);
        option.Selected(true, true);
        EXPECT_EQ(tab.GetCurSel(), p.page) << p.option;
    }
    // A user's click on a navigation option does the same.
    ui::TabLayoutControl pages(wnd.FindControl(QStringLiteral("ms_tab_switch")));
    qobject_cast<QAbstractButton*>(wnd.FindControl(QStringLiteral("ms_statis_Op_tab")).widget())->click();
    EXPECT_EQ(pages.GetCurSel(), 6);
    // Deselecting an option switches nothing.
    ui::OptionControl(wnd.FindControl(QStringLiteral("ms_linereg_display"))).Selected(true, true);
    EXPECT_EQ(pages.GetCurSel(), 6);
}

TEST_F(MainWndTest, NamesAndPrefixesCompareWithoutCase)
{
    CMainWnd& wnd = create();
    // A badge highlight for a sender written in other capitals.
    ui::TNotifyUI enter;
    enter.sType = ui::notify::kMouseEnter;
    enter.pSender = wnd.FindControl(QStringLiteral("ms_key_3")).widget();
    enter.senderName = QStringLiteral("MS_KEY_3");
    wnd.Notify(enter);
    EXPECT_EQ(wnd.FindControl(QStringLiteral("ms_key_num_3")).GetBkImage(), QStringLiteral("file='ms/over3.png'"));
    EXPECT_EQ(wnd.FindControl(QStringLiteral("ms_key_over_num_3")).GetBkImage(), QStringLiteral("file='ms/over3.png'"));
    ui::TNotifyUI leave = enter;
    leave.sType = ui::notify::kMouseLeave;
    wnd.Notify(leave);
    EXPECT_EQ(wnd.FindControl(QStringLiteral("ms_key_num_3")).GetBkImage(), QStringLiteral("file='ms/3.png'"));
    // Other prefixes do not highlight.
    enter.senderName = QStringLiteral("ms_key_butt_4");
    wnd.Notify(enter);
    EXPECT_EQ(wnd.FindControl(QStringLiteral("ms_key_num_4")).GetBkImage(), QStringLiteral("file='ms/4.png'"));

    // A page option in other capitals still switches.
    ui::TNotifyUI select;
    select.sType = ui::notify::kSelectChanged;
    select.senderName = QStringLiteral("MS_MACRO_OP_TAB");
    select.wParam = 1;
    wnd.Notify(select);
    EXPECT_EQ(ui::TabLayoutControl(wnd.FindControl(QStringLiteral("ms_tab_switch"))).GetCurSel(), 1);

    // A byte edit in other capitals is clamped.
    ui::Control edit = wnd.FindControl(QStringLiteral("ms_key_fct_edit_11"));
    edit.SetText(QStringLiteral("300"));
    ui::TNotifyUI text;
    text.sType = ui::notify::kTextChanged;
    text.pSender = edit.widget();
    text.senderName = QStringLiteral("MS_KEY_FCT_EDIT_11");
    wnd.Notify(text);
    EXPECT_EQ(edit.GetText(), QStringLiteral("255"));
    edit.SetText(QStringLiteral("200"));
    wnd.Notify(text);
    EXPECT_EQ(edit.GetText(), QStringLiteral("200"));
}

TEST_F(MainWndTest, TypingIntoAByteEditClampsAbove255)
{
    CMainWnd& wnd = create();
    wnd.ShowWindow(true, false);
    ui::Control edit = wnd.FindControl(QStringLiteral("ms_key_fct_edit_25"));
    edit.widget()->setFocus();
    QTest::keyClicks(edit.widget(), QStringLiteral("999"));
    EXPECT_EQ(edit.GetText(), QStringLiteral("255"));
}

TEST_F(MainWndTest, LanguageSwitchTwiceReturnsToChinese)
{
    CMainWnd& wnd = create();
    ui::Control title = wnd.FindControl(QStringLiteral("ms_dpi_title"));
    ui::Control home = wnd.FindControl(QStringLiteral("hometext"));
    EXPECT_EQ(title.GetText(), QStringLiteral("DPI 设置"));
    EXPECT_EQ(home.GetText(), QStringLiteral("{a}演示官网{/a}"));
    EXPECT_EQ(wnd.FindControl(QStringLiteral("titletext")).GetText(), QStringLiteral("mouse"));
    wnd.OnMenuCommand({QStringLiteral("LAN"), QStringLiteral("x"), QString(), false});
    EXPECT_TRUE(wnd.IsEnglish());
    EXPECT_EQ(title.GetText(), QStringLiteral("DPI settings"));
    EXPECT_EQ(home.GetText(), QStringLiteral("{a}Demo website{/a}"));
    EXPECT_EQ(ui::ComboControl(wnd.FindControl(QStringLiteral("ms_dengxiao_combo_modeSelect"))).GetItemText(1),
              QStringLiteral("Breathing"));
    wnd.OnMenuCommand({QStringLiteral("lan"), QStringLiteral("x"), QString(), false});
    EXPECT_FALSE(wnd.IsEnglish());
    EXPECT_EQ(title.GetText(), QStringLiteral("DPI 设置"));
    EXPECT_EQ(ui::ComboControl(wnd.FindControl(QStringLiteral("ms_dengxiao_combo_modeSelect"))).GetItemText(1),
              QStringLiteral("呼吸"));
    EXPECT_EQ(wnd.QueryControlText(QStringLiteral("other"), QString()), std::nullopt);
}

TEST_F(MainWndTest, TrayClickTogglesOnlyWithAnOpenChannel)
{
    ui::TrayIcon::SetAvailabilityOverride(true);
    CMainWnd& wnd = create();
    wnd.ShowWindow(false, false);
    wnd.OnTrayLeftClick();
    EXPECT_FALSE(wnd.isVisible());
    EXPECT_EQ(shown, QStringList{QString::fromUtf8(CMainWnd::kNoDeviceText)});
    wnd.channel().setOpen(true);
    wnd.OnTrayLeftClick();
    EXPECT_TRUE(wnd.isVisible());
    wnd.OnTrayLeftClick();
    EXPECT_FALSE(wnd.isVisible());
    EXPECT_EQ(shown.size(), 1);
    wnd.channel().setOpen(false);
    // The tray menu offers the items of menu.xml.
    ASSERT_NE(wnd.trayMenu(), nullptr);
    EXPECT_TRUE(ui::MenuWnd::TriggerItem(wnd.trayMenu(), QStringLiteral("lan")));
    EXPECT_TRUE(wnd.IsEnglish());
}

// The item's check state in the tray menu.
bool autostartChecked(CMainWnd& wnd)
{
    for (QAction* action : wnd.trayMenu()->actions()) {
        if (action->objectName() == QLatin1String(CMainWnd::kAutostartItem)) {
            EXPECT_TRUE(action->isCheckable());
            return action->isChecked();
        }
    }
    ADD_FAILURE() << "the tray menu has no autostart item";
    return false;
}

TEST_F(MainWndTest, TheAutostartItemWritesAndRemovesTheEntryAndShowsItsStateWhenOpened)
{
    ui::TrayIcon::SetAvailabilityOverride(true);
    CMainWnd& wnd = create();
    ASSERT_NE(wnd.trayMenu(), nullptr);
    const auto entry = env.home() / ".config" / "autostart" / "corvalantis.desktop";
    EXPECT_FALSE(autostartChecked(wnd));

    // Chosen as the user does: the check turns on and the entry is written.
    ASSERT_TRUE(ui::MenuWnd::TriggerItem(wnd.trayMenu(), QLatin1String(CMainWnd::kAutostartItem)));
    EXPECT_TRUE(std::filesystem::exists(entry));
    EXPECT_NE(AppEnvironment::readAll(entry).find("\nExec="), std::string::npos);
    EXPECT_TRUE(autostartChecked(wnd));

    // Removed behind the program's back: the menu shows it when it opens next.
    std::filesystem::remove(entry);
    EXPECT_TRUE(autostartChecked(wnd)) << "nothing reads the entry before the menu opens";
    emit wnd.trayMenu()->aboutToShow();
    EXPECT_FALSE(autostartChecked(wnd));
    // Rebuilt for the other language, the item keeps showing the entry's state.
    wnd.SetAutostart(true);
    wnd.SwitchLanguage();
    EXPECT_TRUE(autostartChecked(wnd));
    QAction* item = nullptr;
    for (QAction* a : wnd.trayMenu()->actions())
        item = a->objectName() == QLatin1String(CMainWnd::kAutostartItem) ? a : item;
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Start with the desktop"));

    ASSERT_TRUE(ui::MenuWnd::TriggerItem(wnd.trayMenu(), QLatin1String(CMainWnd::kAutostartItem)));
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(autostartChecked(wnd));
    EXPECT_TRUE(shown.isEmpty()) << shown.join(QLatin1Char('|')).toStdString();

    // A folder that cannot be made: the user is told, and the item stays off.
    std::filesystem::remove_all(env.home() / ".config" / "autostart");
    std::ofstream(env.home() / ".config" / "autostart") << "in the way";
    ASSERT_TRUE(ui::MenuWnd::TriggerItem(wnd.trayMenu(), QLatin1String(CMainWnd::kAutostartItem)));
    EXPECT_FALSE(autostartChecked(wnd));
    ASSERT_EQ(shown.size(), 1);
    // In English now, with the entry named.
    EXPECT_EQ(shown[0],
              QStringLiteral("The autostart entry cannot be changed: %1").arg(QString::fromStdString(entry.string())));
}

TEST_F(MainWndTest, UnknownMenuItemsShowTheirTextAndExitShutsDown)
{
    CMainWnd& wnd = create();
    wnd.OnMenuCommand({QStringLiteral("Menu_Whatever"), QStringLiteral("某个菜单"), QString(), false});
    wnd.OnMenuCommand({QStringLiteral("EXIT"), QStringLiteral("EXIT text"), QString(), false});  // "exit" is exact
    EXPECT_EQ(shown, (QStringList{QStringLiteral("某个菜单"), QStringLiteral("EXIT text")}));
    EXPECT_FALSE(wnd.IsShuttingDown());
    wnd.OnMenuCommand({QStringLiteral("exit"), QStringLiteral("退出"), QString(), false});
    EXPECT_TRUE(wnd.WasClosed());
    EXPECT_TRUE(wnd.IsShuttingDown());
}

TEST_F(MainWndTest, TheCalibrationsReturnTimerShowsTheStartPageOnce)
{
    CMainWnd& wnd = create();
    SensorPage& sensor = harness->sensorPage();
    ui::TabLayoutControl pages(wnd.FindControl(QStringLiteral("ms_tab_switch")));
    ASSERT_TRUE(pages.SelectItem(SensorPage::kCalibrationRunningPage));
    ASSERT_EQ(pages.GetCurSel(), SensorPage::kCalibrationRunningPage);
    sensor.returnTimer().start(5);
    EXPECT_TRUE(sensor.returnTimer().isActive());
    // The real timer fires, shows the start page and stops itself.
    QTRY_VERIFY_WITH_TIMEOUT(!sensor.returnTimer().isActive(), 2000);
    EXPECT_EQ(pages.GetCurSel(), SensorPage::kCalibrationStartPage);
    EXPECT_TRUE(ui::OptionControl(wnd.FindControl(QStringLiteral("ms_regulat_Op_tab"))).IsSelected());
}

TEST_F(MainWndTest, ShutdownStopsAndJoinsWorkersEvenWhileTheyCallTheUiThread)
{
    CMainWnd& wnd = create();
    std::atomic<int> calls{0};
    std::atomic<bool> sawStop{false};
    ASSERT_TRUE(wnd.workers().start("caller", [&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            wnd.SendMessage(0x801);
            ++calls;
        }
        sawStop = true;
    }));
    QTRY_VERIFY_WITH_TIMEOUT(calls.load() > 3, 5000);
    wnd.OnMenuCommand({QStringLiteral("exit"), QString(), QString(), false});
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
    ui::TrayIcon::SetAvailabilityOverride(true);
    struct Round {
        const char* typed;
        int index;  // in the R210's table
    };
    const Round rounds[] = {{"5000", 48}, {"5200", 49}, {"200", 0},   {"7000", 58},
                            {"5150", 48}, {"50", 0},    {"5300", 49}, {"9000", 58}};
    for (const Round& r : rounds) {
        SCOPED_TRACE(r.typed);
        ui::ResetUiThreadCall();  // the exit of the round before ended it
        // The window's waits on the manual clock: the connection is made at once.
        harness = std::make_unique<MainWindowHarness>(CMainWnd::Options{}, "R210", clock);
        CMainWnd& wnd = harness->wnd();
        ASSERT_TRUE(wnd.CreateMainWindow());
        wnd.ShowWindow(true, false);
        ASSERT_TRUE(waitFor([&] { return wnd.isPresented(); }, 10000));
        harness->dpiPage().selectStage(1);
        ASSERT_NE(harness->mouse().settingsRecord(0)[16], r.index);
        wnd.mouseCommands().post([&wnd] {
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (wnd.isAlive() && std::chrono::steady_clock::now() < limit)
                std::this_thread::yield();
        });
        wnd.FindControl(QStringLiteral("ms_macro_profile_1")).SetText(QLatin1String(r.typed));
        notifyControl(wnd, ui::notify::kKillFocus, "ms_macro_profile_1");
        wnd.OnMenuCommand({QStringLiteral("exit"), QString(), QString(), false});
        ASSERT_TRUE(wnd.IsShuttingDown());
        EXPECT_EQ(harness->mouseWithoutWaiting().settingsRecord(0)[16], r.index);
        EXPECT_EQ(ini::readString(env.dataFolder() / "新配置文件1.pro", "Setting", "LED16", ""),
                  std::to_string(r.index));
        harness.reset();
    }
}

TEST_F(MainWndTest, ASilentMouseHoldsTheExitForAboutASecondOnly)
{
    ui::TrayIcon::SetAvailabilityOverride(true);
    harness = std::make_unique<MainWindowHarness>(CMainWnd::Options{}, "R210", Clock::system());
    CMainWnd& wnd = harness->wnd();
    ASSERT_TRUE(wnd.CreateMainWindow());
    wnd.ShowWindow(true, false);
    ASSERT_TRUE(waitFor([&] { return wnd.isPresented(); }, 10000));
    harness->dpiPage().selectStage(1);
    // The mouse stops answering: each command would try four times, a second each.
    harness->mouse().dropNextAnswers(1 << 30);
    wnd.FindControl(QStringLiteral("ms_macro_profile_1")).SetText(QStringLiteral("5000"));
    notifyControl(wnd, ui::notify::kKillFocus, "ms_macro_profile_1");
    ASSERT_FALSE(wnd.mouseCommands().idle());
    const auto begin = std::chrono::steady_clock::now();
    wnd.OnMenuCommand({QStringLiteral("exit"), QString(), QString(), false});
    const auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(took, CMainWnd::kExitCommandTime);
    EXPECT_LT(took, CMainWnd::kExitCommandTime + std::chrono::seconds(2));
    EXPECT_TRUE(wnd.mouseCommands().stopped());
    EXPECT_EQ(ini::readString(env.dataFolder() / "新配置文件1.pro", "Setting", "LED16", ""), "48");
}

TEST_F(MainWndTest, MessagesFromWorkersRunOnTheUiThread)
{
    CMainWnd& wnd = create();
    EXPECT_FALSE(wnd.HandleCustomMessage(0x999, 0, 0));  // nobody declared it
    // A declared message is handled; sent from a worker, its handler runs on the UI thread
    // while the worker waits. The calibration result is a message with a visible effect.
    bool handled = false;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        handled = wnd.SendMessage(msg::WM_DEV_CALIB_FAIL);
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 5000);
    worker.join();
    EXPECT_TRUE(handled);
    EXPECT_EQ(wnd.FindControl(QStringLiteral("regdisplay_tishi1")).GetText(), QStringLiteral("校准失败"));
    // A QTimer starts only on the thread it lives on (elsewhere Qt refuses): the handler that
    // started the result pause ran on the UI thread.
    EXPECT_TRUE(harness->sensorPage().resultWaitTimer().isActive());
}

}  // namespace
}  // namespace corv::test
