// The single-key window: the key that counts, keys outside the keyboard, the save button
// appearing, the keyboard swallowed only while the window is open (however it closes), and a
// keyboard that cannot be taken.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTimer>

#include "AppFixture.h"
#include "buttons/page/SingleKeyWindow.h"
#include "platform/FakeKeyboardSource.h"
#include "platform/KeyboardHook.h"

namespace corv::test {
namespace {

using Listen = KeyboardSource::Listen;

class SingleKeyWindowTest : public ::testing::Test {
protected:
    void SetUp() override { KeyboardHook::useSource(&keyboard); }
    void TearDown() override { KeyboardHook::useSource(nullptr); }
    ui::Control ctl(SingleKeyWindow& wnd, const char* name) { return wnd.findControl(QString::fromUtf8(name)); }
    void click(SingleKeyWindow& wnd, const char* name)
    {
        auto* button = qobject_cast<QAbstractButton*>(ctl(wnd, name).widget());
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }

    AppEnvironment env;
    FakeKeyboardSource keyboard;
};

TEST_F(SingleKeyWindowTest, TheLastKeyboardKeyCountsAndSavingGivesTheKeyboardBack)
{
    SingleKeyWindow wnd;
    int result = -1;
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(keyboard.listening(), Listen::Swallow);
        EXPECT_FALSE(ctl(wnd, SingleKeyWindow::kSaveButton).isVisible());
        keyboard.press(0xAF);  // Volume Up: the save button shows, nothing is taken
        EXPECT_TRUE(ctl(wnd, SingleKeyWindow::kSaveButton).isVisible());
        EXPECT_FALSE(wnd.captured());
        EXPECT_TRUE(ctl(wnd, SingleKeyWindow::kKeyEdit).getText().isEmpty());
        keyboard.press(0x74);
        keyboard.release(0x74);
        ASSERT_TRUE(wnd.captured());
        EXPECT_EQ(wnd.captured()->p2, 0x3E);
        EXPECT_EQ(ctl(wnd, SingleKeyWindow::kKeyEdit).getText(), QStringLiteral("F5"));
        // Ctrl, then A, A released before Ctrl: the last event was Ctrl's.
        keyboard.press(0xA1);
        keyboard.press(0x41);
        keyboard.release(0x41);
        keyboard.release(0xA1);
        click(wnd, SingleKeyWindow::kSaveButton);
    });
    result = wnd.run(nullptr);
    EXPECT_EQ(result, 1);
    ASSERT_TRUE(wnd.captured());
    EXPECT_EQ(wnd.captured()->kind, 0x20);
    EXPECT_EQ(wnd.captured()->p1, 0x20);
    EXPECT_EQ(wnd.captured()->p2, 0);
    EXPECT_EQ(wnd.captured()->name, "RShift");
    EXPECT_FALSE(wnd.isCapturing());
    EXPECT_EQ(keyboard.listening(), Listen::Off);
}

TEST_F(SingleKeyWindowTest, EveryWayOfClosingRemovesTheHookAndTheHookBeneathGetsTheKeysBack)
{
    KeyboardHook recorder;
    int recorded = 0;
    recorder.install(kHookMacro, [&](unsigned, const KeyEvent&) { ++recorded; });
    const auto closeBy = [&](const std::function<void(SingleKeyWindow&)>& close) {
        auto wnd = std::make_unique<SingleKeyWindow>();
        EXPECT_TRUE(wnd->createWindow(nullptr, QStringLiteral("macroselect"), 800, 572, true));
        wnd->showWindow(true);
        EXPECT_EQ(keyboard.listening(), Listen::Swallow);
        keyboard.press(0x41);
        close(*wnd);
        EXPECT_FALSE(wnd->isCapturing());
        EXPECT_EQ(keyboard.listening(), Listen::PassOn);
        return wnd->lastResult();
    };
    EXPECT_EQ(closeBy([&](SingleKeyWindow& w) { click(w, SingleKeyWindow::kCancelButton); }), 0);
    EXPECT_EQ(closeBy([&](SingleKeyWindow& w) { click(w, "closebtn"); }), 0);
    EXPECT_EQ(closeBy([](SingleKeyWindow& w) { w.close(); }), 0);  // the window manager's close
    EXPECT_EQ(closeBy([](SingleKeyWindow& w) { w.hide(); }), 0);
    {
        SingleKeyWindow open;  // destroyed while open
        ASSERT_TRUE(open.createWindow(nullptr, QStringLiteral("macroselect"), 800, 572, true));
        EXPECT_EQ(keyboard.listening(), Listen::Swallow);
    }
    EXPECT_EQ(keyboard.listening(), Listen::PassOn);
    EXPECT_EQ(recorded, 0);  // every key went to the window on top
    keyboard.press(0x42);
    EXPECT_EQ(recorded, 1);
}

TEST_F(SingleKeyWindowTest, AKeyboardThatCannotBeTakenIsSaidAndSavingWithoutAKeyCapturesNothing)
{
    keyboard.setRefuseSwallow(true);
    SingleKeyWindow wnd;
    ASSERT_TRUE(wnd.createWindow(nullptr, QStringLiteral("macroselect"), 800, 572, true));
    EXPECT_FALSE(wnd.keyboardTaken());
    EXPECT_EQ(ctl(wnd, SingleKeyWindow::kHint).getText(), QString::fromUtf8(SingleKeyWindow::kGrabRefusedText));
    EXPECT_FALSE(keyboard.press(0x41));  // the desktop's keys do not arrive
    click(wnd, SingleKeyWindow::kSaveButton);
    EXPECT_EQ(wnd.lastResult(), 1);
    EXPECT_FALSE(wnd.captured());
}

TEST_F(SingleKeyWindowTest, AKeyboardHeldForAMomentIsTakenAtTheSecondTry)
{
    keyboard.setRefuseSwallow(true);  // as a menu that has just closed may still hold it
    SingleKeyWindow wnd;
    ASSERT_TRUE(wnd.createWindow(nullptr, QStringLiteral("macroselect"), 800, 572, true));
    EXPECT_FALSE(wnd.keyboardTaken());
    keyboard.setRefuseSwallow(false);
    ASSERT_TRUE(waitFor([&] { return wnd.keyboardTaken(); }));
    EXPECT_EQ(keyboard.listening(), Listen::Swallow);
    EXPECT_NE(ctl(wnd, SingleKeyWindow::kHint).getText(), QString::fromUtf8(SingleKeyWindow::kGrabRefusedText));
    EXPECT_TRUE(keyboard.press(0x41));
    EXPECT_EQ(ctl(wnd, SingleKeyWindow::kKeyEdit).getText(), QStringLiteral("A"));
}

TEST_F(SingleKeyWindowTest, OnADesktopThatShowsOnlyOurOwnKeysTheHintSaysSo)
{
    keyboard.setDesktopWide(false);  // a Wayland session
    SingleKeyWindow wnd;
    ASSERT_TRUE(wnd.createWindow(nullptr, QStringLiteral("macroselect"), 800, 572, true));
    EXPECT_TRUE(wnd.keyboardTaken());
    EXPECT_EQ(ctl(wnd, SingleKeyWindow::kHint).getText(), QString::fromUtf8(SingleKeyWindow::kOwnWindowText));
    EXPECT_TRUE(keyboard.press(0x41));
    EXPECT_EQ(ctl(wnd, SingleKeyWindow::kKeyEdit).getText(), QStringLiteral("A"));
}

}  // namespace
}  // namespace corv::test
