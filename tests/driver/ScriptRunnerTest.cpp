// The driver on a small layout: each action reaches the window as a person's would (one
// notification, from the widget itself), controls a person could not use are refused,
// answers come from the queues, expectations report what they found, and the run ends with
// the right code.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>

#include "DriverFixture.h"
#include "device/DeviceProtocol.h"
#include "device/ReportFrame.h"
#include "platform/IniFile.h"
#include "platform/KeyboardHook.h"
#include "sim/FactoryMemory.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"
#include "ui/ComboControl.h"
#include "ui/Control.h"
#include "ui/FileDialog.h"
#include "ui/ListControl.h"
#include "ui/MessageBox.h"

namespace corv::test {
namespace {

using ScriptRunnerTest = DriverTest;

TEST_F(ScriptRunnerTest, ClickAndCheckGoThroughTheButtons)
{
    ui::Control(control("blocked_btn")).setInputEnabled(false);
    const RunResult r = run(QStringLiteral("click plain_btn\n"
                                           "check check_a on\n"
                                           "check check_a on\n"  // already on: nothing happens
                                           "check check_a off\n"
                                           "check opt_a on\n"
                                           "check opt_b on\n"
                                           "check opt_b off\n"  // a selected option of a group stays selected
                                           "click disabled_btn\n"
                                           "click blocked_btn\n"
                                           "click page1_btn\n"));  // on the page that is not shown
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_EQ(window.received,
              (QStringList{"click plain_btn:0", "click check_a:0", "selectchanged check_a:1", "click check_a:0",
                           "selectchanged check_a:0", "click opt_a:0", "selectchanged opt_a:1", "click opt_b:0",
                           "selectchanged opt_b:1", "click opt_b:0"}));
    EXPECT_TRUE(r.said(QStringLiteral("[3] check check_a on: ok (already on)")));
    EXPECT_TRUE(r.said(QStringLiteral("[7] check opt_b off: FAILED: opt_b stays on when clicked")));
    EXPECT_TRUE(r.said(QStringLiteral("[8] click disabled_btn: FAILED: cannot click disabled_btn: it is disabled")));
    EXPECT_TRUE(r.said(QStringLiteral("[9] click blocked_btn: FAILED: cannot click blocked_btn: it takes no input")));
    EXPECT_TRUE(r.said(QStringLiteral("[10] click page1_btn: FAILED: cannot click page1_btn: it is hidden")));
    EXPECT_TRUE(r.said(QStringLiteral("end: 10 steps done, 4 failed")));
    EXPECT_FALSE(qobject_cast<QAbstractButton*>(control("opt_a"))->isChecked());

    // Once its page is shown, the control can be used.
    qobject_cast<QStackedWidget*>(control("tabs"))->setCurrentIndex(1);
    window.received.clear();
    EXPECT_EQ(run(QStringLiteral("click page1_btn\n")).code, kScriptPassed);
    EXPECT_EQ(window.received, QStringList{"click page1_btn:0"});
}

TEST_F(ScriptRunnerTest, ControlsOfTheMainWindowAreUsableWhileItIsHiddenInTheTray)
{
    window.showWindow(false, false);
    const RunResult r = run(QStringLiteral("click plain_btn\n"
                                           "type edit 12\n"
                                           "leave edit\n"
                                           "expect plain_btn visible on\n"
                                           "expect page1_btn visible off\n"));
    EXPECT_EQ(r.code, kScriptPassed) << r.log.join('\n').toStdString();
    EXPECT_EQ(window.received.first(), QStringLiteral("click plain_btn:0"));
    EXPECT_EQ(window.received.last(), QStringLiteral("killfocus edit:0"));
}

TEST_F(ScriptRunnerTest, SelectPicksAnItemAsAUserWithOneNotification)
{
    ui::ComboControl combo(window.findControl(QStringLiteral("combo")));
    ui::ListControl list(window.findControl(QStringLiteral("list")));
    for (const char* name : {"Game", "Office", "Film"}) {
        combo.addItem(QString::fromLatin1(name), QString::fromLatin1(name).toLower());
        list.addTextRow(QString::fromLatin1(name), QString());
    }
    const RunResult r = run(QStringLiteral("select combo 2\n"
                                           "select combo 2\n"  // the same item again: the selection does not change
                                           "select combo 0\n"
                                           "select combo 3\n"
                                           "select list 1\n"
                                           "select list 7\n"
                                           "select label 0\n"));
    EXPECT_EQ(r.code, kScriptError);
    EXPECT_EQ(window.received, (QStringList{"itemselect combo:2", "itemselect combo:0", "itemselect list:1"}));
    EXPECT_EQ(combo.getCurSel(), 0);
    EXPECT_EQ(list.getCurSel(), 1);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);  // the combo's list closed again
    EXPECT_TRUE(r.said(QStringLiteral("[4] select combo 3: FAILED: combo has no item 3 (it has 3)")));
    EXPECT_TRUE(r.said(QStringLiteral("[6] select list 7: FAILED: list has no item 7 (it has 3)")));
    EXPECT_TRUE(
        r.said(QStringLiteral("[7] select label 0: script error: label is a label; select needs a combo or a list")));
    EXPECT_TRUE(r.said(QStringLiteral("end: script error at line 7")));
}

TEST_F(ScriptRunnerTest, SlideReportsTheValueWhereTheDragEnds)
{
    const RunResult r = run(QStringLiteral("slide slider 40\n"
                                           "slide slider 40\n"   // a drag that ends where it began changes nothing
                                           "slide slider 500\n"  // past the end: stops at the end
                                           "expect slider value 100\n"
                                           "expect progress value 30\n"));
    EXPECT_EQ(r.code, kScriptPassed) << r.log.join('\n').toStdString();
    EXPECT_EQ(window.received, (QStringList{"valuechanged slider:40", "valuechanged slider:100"}));
    EXPECT_TRUE(r.said(QStringLiteral("[3] slide slider 500: ok (stopped at 100)")));
}

TEST_F(ScriptRunnerTest, SlideSaysWhenTheProgramMovesTheHandleOn)
{
    // Like the lighting levels: the program snaps the handle to 0, 50 or 100.
    window.onNotify = [](ui::Notification& msg) {
        if (msg.type == ui::notify::kValueChanged && msg.senderName == QStringLiteral("slider"))
            qobject_cast<QSlider*>(msg.sender.data())->setValue(msg.wParam < 25 ? 0 : 50);
    };
    const RunResult r = run(QStringLiteral("slide slider 60\n"
                                           "slide slider 10\n"
                                           "expect slider value 0\n"));
    EXPECT_EQ(r.code, kScriptPassed) << r.log.join('\n').toStdString();
    EXPECT_TRUE(r.said(QStringLiteral("[1] slide slider 60: ok (the program moved it to 50)")));
    EXPECT_TRUE(r.said(QStringLiteral("[2] slide slider 10: ok (the program moved it to 0)")));
}

TEST_F(ScriptRunnerTest, TypeReplacesTheTextKeyByKeyAndLeaveEndsTheEdit)
{
    // Like the byte edits of the program: a typed value above 255 becomes 255.
    window.onNotify = [](ui::Notification& msg) {
        if (msg.type == ui::notify::kTextChanged && msg.senderName == QStringLiteral("edit")) {
            ui::Control edit(msg.sender.data());
            if (edit.getText().toInt() > 255)
                edit.setText(QStringLiteral("255"));
        }
    };
    const RunResult r = run(QStringLiteral("type edit 12\n"
                                           "expect edit text 12\n"
                                           "type edit 300\n"
                                           "leave edit\n"
                                           "leave edit\n"  // no longer in the edit: nothing to leave
                                           "type edit 配置 A b\n"
                                           "type edit \"\"\n"
                                           "expect edit text \"\"\n"
                                           "type readonly_edit x\n"));
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_TRUE(r.said(QStringLiteral("[3] type edit 300: ok (the edit shows \"255\")")));
    EXPECT_TRUE(r.said(QStringLiteral("[5] leave edit: ok (it did not have the focus)")));
    EXPECT_TRUE(
        r.said(QStringLiteral("[9] type readonly_edit x: FAILED: cannot type into readonly_edit: it is read-only")));
    // One notification a key, and the focus-out once.
    EXPECT_EQ(window.received.count(QStringLiteral("textchanged edit:0")), 2 + 3 + 6 + 1);
    EXPECT_EQ(window.received.count(QStringLiteral("killfocus edit:0")), 1);
    EXPECT_EQ(window.received.indexOf(QStringLiteral("killfocus edit:0")), 5);
    EXPECT_EQ(qobject_cast<QLineEdit*>(control("edit"))->text(), QString());
}

TEST_F(ScriptRunnerTest, HoverAndColourPicksReachTheWindow)
{
    const RunResult r = run(QStringLiteral("hover plain_btn\n"
                                           "unhover plain_btn\n"
                                           "color palette 0xFF00FF00\n"
                                           "expect palette color 0xFF00FF00\n"
                                           "hover page1_btn\n"
                                           "color plain_btn 0xFF000000\n"));
    EXPECT_EQ(r.code, kScriptError);
    EXPECT_EQ(window.received, (QStringList{"msenter plain_btn:0", "msleave plain_btn:0", "colorchanged palette:0"}));
    EXPECT_TRUE(r.said(QStringLiteral("[5] hover page1_btn: FAILED: cannot point at page1_btn: it is hidden")));
    EXPECT_TRUE(r.said(QStringLiteral(
        "[6] color plain_btn 0xFF000000: script error: plain_btn is a button; color needs a colour palette")));
}

TEST_F(ScriptRunnerTest, MenuItemsAreChosenInTheOpenMenuOrTheTrayMenu)
{
    // Without a tray there is nothing to click.
    RunResult r = run(QStringLiteral("tray left\nmenu one\n"));
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_TRUE(r.said(QStringLiteral("[1] tray left: FAILED: there is no tray icon")));
    EXPECT_TRUE(r.said(QStringLiteral("[2] menu one: FAILED: no menu is open and there is no tray menu")));

    makeTray();
    int leftClicks = 0;
    QObject::connect(host.tray.get(), &ui::TrayIcon::leftClicked, [&] { ++leftClicks; });
    r = run(QStringLiteral("menu one\n"  // the tray menu, opened for the choice
                           "tray right\n"
                           "menu two\n"
                           "menu deep\n"  // in a submenu
                           "tray left\n"
                           "menu off\n"));
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_EQ(chosen, (QStringList{"one", "two", "deep"}));
    EXPECT_EQ(leftClicks, 1);
    EXPECT_TRUE(r.said(QStringLiteral("[6] menu off: FAILED: the menu item \"off\" is disabled")));
    EXPECT_FALSE(trayMenu->isVisible());  // a choice closes the menu

    r = run(QStringLiteral("menu three\n"));
    EXPECT_EQ(r.code, kScriptError);
    EXPECT_TRUE(r.said(QStringLiteral(
        "[1] menu three: script error: the menu has no item \"three\" (its items: one, two, off, more, deep)")));

    // An open pop-up menu of the window is searched first.
    QMenu popup;
    popup.addAction(QStringLiteral("Copy"))->setObjectName(QStringLiteral("Menu_Copy"));
    QObject::connect(&popup, &QMenu::triggered, [&](QAction* a) { chosen << a->objectName(); });
    popup.popup(QPoint(10, 10));
    r = run(QStringLiteral("menu Menu_Copy\n"));
    EXPECT_EQ(r.code, kScriptPassed);
    EXPECT_EQ(chosen.last(), QStringLiteral("Menu_Copy"));
}

TEST_F(ScriptRunnerTest, MessageBoxesAreAnsweredFromTheQueue)
{
    QList<int> results;
    window.onNotify = [&](ui::Notification& msg) {
        if (msg.type == ui::notify::kClick && msg.senderName == QStringLiteral("plain_btn")) {
            results << ui::showMessageBox(&window, QStringLiteral("Restore?\nAll settings"));
        }
    };
    const RunResult r = run(QStringLiteral("answer 1\n"
                                           "answer 0\n"
                                           "click plain_btn\n"
                                           "click plain_btn\n"
                                           "click plain_btn\n"  // nothing queued: answered 0
                                           "expect-message Restore?\\nAll settings\n"
                                           "expect-message Restore?\n"  // no box since the last expect-message
                                           "answer 1\n"));              // never used
    EXPECT_EQ(results, (QList<int>{1, 0, 0}));
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_EQ(r.log.count(QStringLiteral("message: Restore?\\nAll settings")), 3);
    EXPECT_TRUE(r.said(QStringLiteral("answer: 0 (no answer was queued)")));
    EXPECT_TRUE(r.said(
        QStringLiteral("[7] expect-message Restore?: FAILED: no message box was shown since the last expect-message")));
    EXPECT_TRUE(r.said(QStringLiteral("end: 1 queued message-box answer(s) were never used")));
    EXPECT_TRUE(r.said(QStringLiteral("end: 8 steps done, 2 failed")));
}

TEST_F(ScriptRunnerTest, FileDialogsAreAnsweredFromTheQueue)
{
    QStringList files;
    window.onNotify = [&](ui::Notification& msg) {
        if (msg.type != ui::notify::kClick)
            return;
        if (msg.senderName == QStringLiteral("plain_btn")) {
            files << ui::getOpenFileName(&window, QStringLiteral("Import"), QString(), QStringLiteral("*.pro"));
        } else if (msg.senderName == QStringLiteral("page0_btn")) {
            files << ui::getSaveFileName(&window, QStringLiteral("Export"), QString(), QString(),
                                         QStringLiteral("pro"));
        }
    };
    const RunResult r = run(QStringLiteral("file /tmp/in.pro\n"
                                           "file cancel\n"
                                           "file out/backup\n"  // relative: in the data folder
                                           "click plain_btn\n"
                                           "click plain_btn\n"
                                           "click page0_btn\n"
                                           "click plain_btn\n"));
    EXPECT_EQ(r.code, kScriptPassed) << r.log.join('\n').toStdString();
    EXPECT_EQ(files, (QStringList{QStringLiteral("/tmp/in.pro"), QString(),
                                  data.path() + QStringLiteral("/out/backup.pro"), QString()}));
    EXPECT_TRUE(r.said(QStringLiteral("file dialog: open \"Import\": /tmp/in.pro")));
    EXPECT_TRUE(r.said(QStringLiteral("file dialog: open \"Import\": cancelled")));
    EXPECT_TRUE(r.said(QStringLiteral("file dialog: open \"Import\": cancelled (no answer was queued)")));
    EXPECT_FALSE(ui::hasFileDialogResponder());  // the runner has gone
}

TEST_F(ScriptRunnerTest, KeysGoToTheActiveCaptureOrAreSaidToGoNowhere)
{
    RunResult r = run(QStringLiteral("key down 65\n"));
    EXPECT_EQ(r.code, kScriptPassed);
    EXPECT_EQ(r.log, (QStringList{"script: 1 steps", "key: no keyboard capture is active", "[1] key down 65: ok",
                                  "end: 1 steps done, every expectation held"}));
    QStringList keys;
    KeyboardHook capture;
    capture.install(kHookMacro, [&](unsigned, const KeyEvent& k) {
        keys << QStringLiteral("%1 %2").arg(k.down ? "down" : "up").arg(k.vk);
    });
    r = run(QStringLiteral("key down 0x41\nkey up 65\nkey down 16\n"));
    EXPECT_EQ(r.code, kScriptPassed);
    EXPECT_EQ(keys, (QStringList{"down 65", "up 65", "down 16"}));
    EXPECT_FALSE(r.said(QStringLiteral("no keyboard capture")));
}

TEST_F(ScriptRunnerTest, WaitingForTheConnectionEndsWhenItChangesOrFailsAtTheLimit)
{
    ScriptLimits limits;
    limits.connect = std::chrono::milliseconds(100);
    RunResult r = run(QStringLiteral("wait-connected\nexpect label text DPI 设置\n"), limits);
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_TRUE(r.said(QStringLiteral("[1] wait-connected: FAILED: the mouse did not connect within 0.1 s")));
    EXPECT_TRUE(r.said(QStringLiteral("[2] expect label text DPI 设置: ok")));  // the run goes on

    // Connected on the way: the step ends then.
    limits.connect = std::chrono::milliseconds(60000);
    QTimer::singleShot(30, [this] { host.connected = true; });
    r = run(QStringLiteral("wait 0\nwait-connected\n"), limits);
    EXPECT_EQ(r.code, kScriptPassed);
    EXPECT_TRUE(host.connected);

    // And the other way round.
    QTimer::singleShot(30, [this] { host.connected = false; });
    r = run(QStringLiteral("wait-connected\nwait-disconnected\n"), limits);
    EXPECT_EQ(r.code, kScriptPassed);
    EXPECT_FALSE(host.connected);
    limits.connect = std::chrono::milliseconds(100);
    r = run(QStringLiteral("wait-disconnected\n"), limits);
    EXPECT_EQ(r.code, kScriptPassed);
    host.connected = true;
    r = run(QStringLiteral("wait-disconnected\n"), limits);
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_TRUE(r.said(QStringLiteral("[1] wait-disconnected: FAILED: the mouse did not disconnect within 0.1 s")));
}

TEST_F(ScriptRunnerTest, MouseCommandsActOnTheVirtualMouse)
{
    // Without a virtual mouse the script cannot run: nothing of it runs.
    RunResult r = run(QStringLiteral("click plain_btn\nmouse dpi-button\n"));
    EXPECT_EQ(r.code, kScriptError);
    EXPECT_TRUE(r.said(QStringLiteral("[2] mouse dpi-button: script error: mouse commands need the virtual mouse")));
    EXPECT_TRUE(window.received.isEmpty());

    ManualClock clock;
    auto mouse = std::make_shared<sim::VirtualMouse>(clock);
    sim::VirtualHidBackend backend(mouse);
    host.mouse = mouse.get();
    const std::uint8_t record[1] = {3};
    ASSERT_TRUE(mouse->writeMemory(sim::MemoryArea::Settings, 0, record));
    r = run(QStringLiteral("mouse dpi-button\n"
                           "mouse reset\n"
                           "mouse unplug\n"
                           "mouse dpi-button\n"
                           "mouse reset\n"
                           "mouse replug\n"
                           "mouse replug\n"
                           "mouse calibration-fail\n"));
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_TRUE(r.said(QStringLiteral("[1] mouse dpi-button: ok (stage 2)")));
    EXPECT_TRUE(r.said(QStringLiteral("[4] mouse dpi-button: FAILED: the mouse is unplugged")));
    EXPECT_TRUE(r.said(QStringLiteral("[5] mouse reset: FAILED: the mouse is unplugged")));
    EXPECT_TRUE(r.said(QStringLiteral("[7] mouse replug: ok (it was plugged in already)")));
    EXPECT_TRUE(mouse->isPlugged());
    EXPECT_EQ(mouse->activeRecord(), 0);  // the reset at the mouse
    EXPECT_EQ(mouse->settingsRecord(0), sim::FactoryMemory::settingsRecord(*findModel(kModelR210)));

    // The next calibration fails, the one after succeeds.
    HidOpenError error = HidOpenError::None;
    auto handle = backend.open(mouse->interfacePath(1), &error);
    ASSERT_TRUE(handle);
    const auto calibrate = [&] {
        const ReportFrame request = ReportFrame::request(CMD_CALIBRATE);
        EXPECT_EQ(handle->write(request.bytes.data(), request.bytes.size(), 100), static_cast<int>(kFrameSize));
        EXPECT_TRUE(mouse->completePendingCalibration());
        std::array<std::uint8_t, 64> buffer{};
        std::vector<std::uint16_t> events;
        for (int got; (got = handle->read(buffer.data(), buffer.size(), 0)) > 0;) {
            if (got == 3 && buffer[1] != 0)
                events.push_back(static_cast<std::uint16_t>(buffer[1] | (buffer[2] << 8)));
        }
        return events;
    };
    EXPECT_EQ(calibrate(), std::vector<std::uint16_t>{kEventCalibrationFail});
    EXPECT_EQ(calibrate(), std::vector<std::uint16_t>{kEventCalibrationOk});
    r = run(QStringLiteral("mouse calibration-fail\nmouse calibration-ok\n"));
    EXPECT_EQ(calibrate(), std::vector<std::uint16_t>{kEventCalibrationOk});
    host.mouse = nullptr;
}

TEST_F(ScriptRunnerTest, ExpectMouseReadsTheVirtualMousesMemory)
{
    RunResult r = run(QStringLiteral("expect-mouse settings 0 0\n"));
    EXPECT_EQ(r.code, kScriptError);
    EXPECT_TRUE(r.said(QStringLiteral("[1] expect-mouse settings 0 0: script error: mouse commands need the virtual "
                                      "mouse (--virtual-mouse=R210|R240)")));

    ManualClock clock;
    auto mouse = std::make_shared<sim::VirtualMouse>(clock);
    host.mouse = mouse.get();
    const std::uint8_t colours[3] = {255, 0, 7};
    ASSERT_TRUE(mouse->writeMemory(sim::MemoryArea::Colors, 3, colours));
    const std::uint8_t zone[1] = {2};
    ASSERT_TRUE(mouse->writeMemory(sim::MemoryArea::Settings, 24, zone));
    r = run(QStringLiteral("expect-mouse colors 3 255 0 7\n"
                           "expect-mouse settings 24 2\n"
                           "expect-mouse colors 3 255 1 7\n"
                           "expect-mouse colors 62 0 0 0\n"));
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_TRUE(r.said(QStringLiteral("[1] expect-mouse colors 3 255 0 7: ok")));
    EXPECT_TRUE(r.said(QStringLiteral("[2] expect-mouse settings 24 2: ok")));
    EXPECT_TRUE(r.said(QStringLiteral("[3] expect-mouse colors 3 255 1 7: FAILED: holds 255 0 7")));
    EXPECT_TRUE(r.said(QStringLiteral("[4] expect-mouse colors 62 0 0 0: FAILED: the area holds 64 bytes")));
    host.mouse = nullptr;
}

TEST_F(ScriptRunnerTest, ExpectationsReportWhatTheyFoundAndTheRunGoesOn)
{
    ui::ComboControl combo(window.findControl(QStringLiteral("combo")));
    combo.addItem(QStringLiteral("Game"), QStringLiteral("game"));
    combo.addItem(QStringLiteral("Office"), QStringLiteral("office"));
    combo.selectItem(1);
    ui::ListControl(window.findControl(QStringLiteral("list")))
        .addTextRow(QStringLiteral("120 MS"), QStringLiteral("120"));
    ui::Control(control("label")).setBkColor(0xFF112233);
    ui::Control(control("page0_btn")).setBkImage(QStringLiteral("file='bg1.png'"));
    qobject_cast<QAbstractButton*>(control("check_a"))->setChecked(true);
    window.received.clear();
    const RunResult passing = run(QStringLiteral("expect label text DPI 设置\n"
                                                 "expect combo text Office\n"
                                                 "expect combo index 1\n"
                                                 "expect combo count 2\n"
                                                 "expect combo item-text:0 Game\n"
                                                 "expect combo userdata:1 office\n"
                                                 "expect list item-text:0 120 MS\n"
                                                 "expect list userdata:0 120\n"
                                                 "expect list index -1\n"
                                                 "expect plain_btn userdata file='bg1.png'\n"
                                                 "expect check_a selected on\n"
                                                 "expect disabled_btn enabled off\n"
                                                 "expect plain_btn enabled on\n"
                                                 "expect page0_btn visible on\n"
                                                 "expect page1_btn visible off\n"
                                                 "expect tabs page 0\n"
                                                 "expect tabs count 2\n"
                                                 "expect label bkcolor 0xFF112233\n"
                                                 "expect page0_btn bkimage file='bg1.png'\n"
                                                 "expect slider value 0\n"
                                                 "expect-title Driver test\n"
                                                 "dump combo\n"));
    EXPECT_EQ(passing.code, kScriptPassed) << passing.log.join('\n').toStdString();
    EXPECT_TRUE(
        passing.said(QStringLiteral("dump combo: kind=combo visible=on enabled=on text=\"Office\" index=1 count=2 "
                                    "item0=\"Game\"|\"game\" item1=\"Office\"|\"office\"")));
    EXPECT_TRUE(window.received.isEmpty()) << window.received.join(' ').toStdString();  // looking changes nothing

    const RunResult failing = run(QStringLiteral("expect label text DPI settings\n"
                                                 "expect combo index 0\n"
                                                 "expect combo item-text:5 x\n"
                                                 "expect check_a selected off\n"
                                                 "expect page1_btn visible on\n"
                                                 "expect label bkcolor 0xFF000000\n"
                                                 "expect tabs page 1\n"
                                                 "expect-title Other\n"
                                                 "expect label text DPI 设置\n"));
    EXPECT_EQ(failing.code, kScriptFailed);
    const QStringList expected = {
        "[1] expect label text DPI settings: FAILED: is \"DPI 设置\"",
        "[2] expect combo index 0: FAILED: is 1",
        "[3] expect combo item-text:5 x: FAILED: combo has no item 5 (it has 2)",
        "[4] expect check_a selected off: FAILED: is on",
        "[5] expect page1_btn visible on: FAILED: is off",
        "[6] expect label bkcolor 0xFF000000: FAILED: is 0xFF112233",
        "[7] expect tabs page 1: FAILED: is 0",
        "[8] expect-title Other: FAILED: the title is \"Driver test\"",
        "[9] expect label text DPI 设置: ok",
        "end: 9 steps done, 8 failed",
    };
    for (const QString& line : expected)
        EXPECT_TRUE(failing.log.contains(line)) << line.toStdString();

    const RunResult wrongKind = run(QStringLiteral("expect label page 0\nexpect label text x\n"));
    EXPECT_EQ(wrongKind.code, kScriptError);
    EXPECT_TRUE(
        wrongKind.said(QStringLiteral("[1] expect label page 0: script error: label is a label, which has no page")));
    EXPECT_FALSE(wrongKind.said(QStringLiteral("[2]")));
}

TEST_F(ScriptRunnerTest, ExpectFileReadsKeysOfTheDataFolder)
{
    const std::filesystem::path index = host.data / "msProfile.ini";
    ini::writeString(index, "PROFILECOUNT", "count", "1");
    ini::writeString(index, "PROFILENAME", "0", "新配置文件1");
    const RunResult r = run(QStringLiteral("expect-file msProfile.ini PROFILECOUNT count 1\n"
                                           "expect-file msProfile.ini PROFILENAME 0 新配置文件1\n"
                                           "expect-file msProfile.ini PROFILECOUNT count 2\n"
                                           "expect-file msProfile.ini PROFILESELECT select 0\n"
                                           "expect-file msMacro.ini MACROCOUNT count 0\n"));
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_TRUE(r.said(QStringLiteral("[1] expect-file msProfile.ini PROFILECOUNT count 1: ok")));
    EXPECT_TRUE(r.said(QStringLiteral("[2] expect-file msProfile.ini PROFILENAME 0 新配置文件1: ok")));
    EXPECT_TRUE(r.said(QStringLiteral("[3] expect-file msProfile.ini PROFILECOUNT count 2: FAILED: is \"1\"")));
    EXPECT_TRUE(r.said(QStringLiteral(
        "[4] expect-file msProfile.ini PROFILESELECT select 0: FAILED: [PROFILESELECT] has no key select")));
    EXPECT_TRUE(r.said(QStringLiteral("[5] expect-file msMacro.ini MACROCOUNT count 0: FAILED: there is no file")));
}

TEST_F(ScriptRunnerTest, AnUnknownControlEndsTheRunAtItsLine)
{
    const RunResult r = run(QStringLiteral("click plain_btn\n# a comment\nclick no_such_btn\nclick plain_btn\n"));
    EXPECT_EQ(r.code, kScriptError);
    EXPECT_TRUE(r.said(QStringLiteral("[3] click no_such_btn: script error: no control named \"no_such_btn\"")));
    EXPECT_EQ(r.log.last(), QStringLiteral("end: script error at line 3"));
    EXPECT_EQ(window.received, QStringList{"click plain_btn:0"});
}

TEST_F(ScriptRunnerTest, AShownSecondWindowIsSearchedBeforeTheMainWindow)
{
    RecordingWindow dialog(QStringLiteral("XML_DIALOG"));
    ASSERT_TRUE(dialog.createWindow(&window, QStringLiteral("dialog"), 0, 0, true));
    dialog.move(window.pos() + QPoint(300, 300));
    dialog.showWindow(true, false);
    EXPECT_EQ(run(QStringLiteral("click plain_btn\nexpect plain_btn text In the dialog\n")).code, kScriptPassed);
    EXPECT_EQ(dialog.received, QStringList{"click plain_btn:0"});
    EXPECT_TRUE(window.received.isEmpty());
    dialog.showWindow(false, false);
    EXPECT_EQ(run(QStringLiteral("click plain_btn\nexpect plain_btn text Plain\n")).code, kScriptPassed);
    EXPECT_EQ(window.received, QStringList{"click plain_btn:0"});
}

TEST_F(ScriptRunnerTest, StepsGoOnInsideAModalWindowUntilItCloses)
{
    QList<int> results;
    window.onNotify = [&](ui::Notification& msg) {
        if (msg.type != ui::notify::kClick || msg.senderName != QStringLiteral("plain_btn"))
            return;
        RecordingWindow dialog(QStringLiteral("XML_DIALOG"));
        ASSERT_TRUE(dialog.createWindow(&window, QStringLiteral("dialog"), 0, 0, true));
        dialog.onNotify = [&dialog](ui::Notification& m) {
            if (m.type == ui::notify::kClick)
                dialog.closeWindow(1);
        };
        dialog.move(window.pos() + QPoint(300, 300));
        results << dialog.showModal();
    };
    RunResult r = run(QStringLiteral("click plain_btn\n"
                                     "expect plain_btn text In the dialog\n"
                                     "click plain_btn\n"
                                     "expect plain_btn text Plain\n"));
    EXPECT_EQ(r.code, kScriptPassed) << r.log.join('\n').toStdString();
    EXPECT_EQ(results, QList<int>{1});
    const QStringList expected = {
        "[1] click plain_btn: a window is open until it is closed; the next steps run in it",
        "[2] expect plain_btn text In the dialog: ok",
        "[3] click plain_btn: ok",
        "[1] click plain_btn: ok (its window was closed at line 3)",
        "[4] expect plain_btn text Plain: ok",
    };
    EXPECT_EQ(r.log.mid(1, 5), expected);

    // A window the script leaves open is closed at the end, and the run ends.
    r = run(QStringLiteral("click plain_btn\nexpect plain_btn text In the dialog\n"));
    EXPECT_EQ(r.code, kScriptPassed);
    EXPECT_TRUE(r.said(QStringLiteral("end: the window \"DriverWnd\" was still open; it is closed")));
    EXPECT_EQ(results, (QList<int>{1, 0}));
}

TEST_F(ScriptRunnerTest, TheTimeLimitEndsARunThatDoesNotFinish)
{
    ScriptLimits limits;
    limits.run = std::chrono::milliseconds(200);
    const RunResult r = run(QStringLiteral("click plain_btn\nwait 600000\nclick plain_btn\n"), limits);
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_EQ(r.log.last(), QStringLiteral("end: the time limit of 0.2 s was reached at line 2"));
    EXPECT_EQ(window.received, QStringList{"click plain_btn:0"});
}

TEST_F(ScriptRunnerTest, WaitUntilWaitsForTheValueAndFailsWithTheLastOneSeen)
{
    ui::Control label(control("label"));
    label.setText(QStringLiteral("before"));
    // The program changes the text later, as a timer of its own would.
    QTimer::singleShot(150, [label]() mutable { label.setText(QStringLiteral("after it")); });
    const RunResult r = run(QStringLiteral("wait-until label text after it\n"
                                           "wait-until label text never 60\n"));
    EXPECT_EQ(r.code, kScriptFailed);
    EXPECT_TRUE(r.said(QStringLiteral("[1] wait-until label text after it: ok")));
    EXPECT_TRUE(
        r.said(QStringLiteral("[2] wait-until label text never 60: FAILED: after 60 ms it still is \"after it\"")));
}

}  // namespace
}  // namespace corv::test
