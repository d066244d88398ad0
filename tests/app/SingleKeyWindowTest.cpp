// The single-key window: the key that counts, keys outside the keyboard, the save button
// appearing, the keyboard swallowed only while the window is open (however it closes), and a
// keyboard that cannot be taken.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTimer>

#include "AppFixture.h"
#include "buttons/page/CMsSingleKeyWnd.h"
#include "platform/CDeviceHook.h"
#include "platform/FakeKeyboardSource.h"

namespace corv::test {
namespace {

using Listen = KeyboardSource::Listen;

class SingleKeyWindowTest : public ::testing::Test {
protected:
    void SetUp() override { CDeviceHook::UseSource(&keyboard); }
    void TearDown() override { CDeviceHook::UseSource(nullptr); }
    ui::Control ctl(CMsSingleKeyWnd& wnd, const char* name) { return wnd.FindControl(QString::fromUtf8(name)); }
    void click(CMsSingleKeyWnd& wnd, const char* name)
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
    CMsSingleKeyWnd wnd;
    int result = -1;
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(keyboard.listening(), Listen::Swallow);
        EXPECT_FALSE(ctl(wnd, CMsSingleKeyWnd::kSaveButton).IsVisible());
        keyboard.press(0xAF);  // Volume Up: the save button shows, nothing is taken
        EXPECT_TRUE(ctl(wnd, CMsSingleKeyWnd::kSaveButton).IsVisible());
        EXPECT_FALSE(wnd.captured());
        EXPECT_TRUE(ctl(wnd, CMsSingleKeyWnd::kKeyEdit).GetText().isEmpty());
        keyboard.press(0x74);
        keyboard.release(0x74);
        ASSERT_TRUE(wnd.captured());
        EXPECT_EQ(wnd.captured()->p2, 0x3E);
        EXPECT_EQ(ctl(wnd, CMsSingleKeyWnd::kKeyEdit).GetText(), QStringLiteral("F5"));
        // Ctrl, then A, A released before Ctrl: the last event was Ctrl's.
        keyboard.press(0xA1);
        keyboard.press(0x41);
        keyboard.release(0x41);
        keyboard.release(0xA1);
        click(wnd, CMsSingleKeyWnd::kSaveButton);
    });
    result = wnd.Run(nullptr);
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
    CDeviceHook recorder;
    int recorded = 0;
    recorder.Install(kHookMacro, [&](unsigned, const KeyEvent&) { ++recorded; });
    const auto closeBy = [&](const std::function<void(CMsSingleKeyWnd&)>& close) {
        auto wnd = std::make_unique<CMsSingleKeyWnd>();
        EXPECT_TRUE(wnd->Create(nullptr, QStringLiteral("macroselect"), 800, 572, true));
        wnd->ShowWindow(true);
        EXPECT_EQ(keyboard.listening(), Listen::Swallow);
        keyboard.press(0x41);
        close(*wnd);
        EXPECT_FALSE(wnd->isCapturing());
        EXPECT_EQ(keyboard.listening(), Listen::PassOn);
        return wnd->LastResult();
    };
    EXPECT_EQ(closeBy([&](CMsSingleKeyWnd& w) { click(w, CMsSingleKeyWnd::kCancelButton); }), 0);
    EXPECT_EQ(closeBy([&](CMsSingleKeyWnd& w) { click(w, "closebtn"); }), 0);
    EXPECT_EQ(closeBy([](CMsSingleKeyWnd& w) { w.close(); }), 0);  // the window manager's close
    EXPECT_EQ(closeBy([](CMsSingleKeyWnd& w) { w.hide(); }), 0);
    {
        CMsSingleKeyWnd open;  // destroyed while open
        ASSERT_TRUE(open.Create(nullptr, QStringLiteral("macroselect"), 800, 572, true));
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
    CMsSingleKeyWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("macroselect"), 800, 572, true));
    EXPECT_FALSE(wnd.keyboardTaken());
    EXPECT_EQ(ctl(wnd, CMsSingleKeyWnd::kHint).GetText(), QString::fromUtf8(CMsSingleKeyWnd::kGrabRefusedText));
    EXPECT_FALSE(keyboard.press(0x41));  // the desktop's keys do not arrive
    click(wnd, CMsSingleKeyWnd::kSaveButton);
    EXPECT_EQ(wnd.LastResult(), 1);
    EXPECT_FALSE(wnd.captured());
}

TEST_F(SingleKeyWindowTest, AKeyboardHeldForAMomentIsTakenAtTheSecondTry)
{
    keyboard.setRefuseSwallow(true);  // as a menu that has just closed may still hold it
    CMsSingleKeyWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("macroselect"), 800, 572, true));
    EXPECT_FALSE(wnd.keyboardTaken());
    keyboard.setRefuseSwallow(false);
    ASSERT_TRUE(waitFor([&] { return wnd.keyboardTaken(); }));
    EXPECT_EQ(keyboard.listening(), Listen::Swallow);
    EXPECT_NE(ctl(wnd, CMsSingleKeyWnd::kHint).GetText(), QString::fromUtf8(CMsSingleKeyWnd::kGrabRefusedText));
    EXPECT_TRUE(keyboard.press(0x41));
    EXPECT_EQ(ctl(wnd, CMsSingleKeyWnd::kKeyEdit).GetText(), QStringLiteral("A"));
}

TEST_F(SingleKeyWindowTest, OnADesktopThatShowsOnlyOurOwnKeysTheHintSaysSo)
{
    keyboard.setDesktopWide(false);  // a Wayland session
    CMsSingleKeyWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("macroselect"), 800, 572, true));
    EXPECT_TRUE(wnd.keyboardTaken());
    EXPECT_EQ(ctl(wnd, CMsSingleKeyWnd::kHint).GetText(), QString::fromUtf8(CMsSingleKeyWnd::kOwnWindowText));
    EXPECT_TRUE(keyboard.press(0x41));
    EXPECT_EQ(ctl(wnd, CMsSingleKeyWnd::kKeyEdit).GetText(), QStringLiteral("A"));
}

}  // namespace
}  // namespace corv::test
