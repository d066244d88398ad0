// The keyboard sources of the toolkit layer: Qt's key events to virtual-key codes, the
// source that sees only the program's own windows, and the pump that runs a source on the
// event loop. Offscreen: keys are delivered the way the platform delivers them, to a
// window, through QTest's window functions.
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <vector>

#include "keys/KeyTable.h"
#include "platform/FakeKeyboardSource.h"
#include "platform/KeyboardHook.h"
#include "ui/KeyboardPump.h"
#include "ui/KeyboardSources.h"
#include "ui/OwnWindowKeySource.h"
#include "ui/QtKeyCodes.h"

namespace corv::ui {
namespace {

using Listen = KeyboardSource::Listen;

std::uint16_t vkOf(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, quint32 scan = 0, quint32 native = 0)
{
    return virtualKeyForQtKey(key, modifiers, scan, native);
}

const char* rowName(std::uint16_t vk)
{
    const int row = findKeyByVirtualKeyRecordable(vk);
    return row < 0 ? "(none)" : keyTable()[static_cast<std::size_t>(row)].name;
}

TEST(QtKeyCodes, KeysNameTheirKeyTableRows)
{
    EXPECT_STREQ(rowName(vkOf(Qt::Key_A)), "A");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_A, Qt::ShiftModifier)), "A");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Exclam, Qt::ShiftModifier)), "1");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Question, Qt::ShiftModifier)), "/");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_AsciiTilde, Qt::ShiftModifier)), "`");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_F12)), "F12");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Return)), "Enter");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Enter, Qt::KeypadModifier)), "Num Enter");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Print)), "Print Scr");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Menu)), "App");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_PageDown)), "Page Down");
    EXPECT_EQ(vkOf(Qt::Key_VolumeUp), 0);
    EXPECT_EQ(vkOf(Qt::Key_unknown), 0);
}

TEST(QtKeyCodes, KeypadKeysGiveTheirDigitWhateverNumLockSays)
{
    EXPECT_STREQ(rowName(vkOf(Qt::Key_7, Qt::KeypadModifier)), "Num 7");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Home, Qt::KeypadModifier)), "Num 7");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Clear, Qt::KeypadModifier)), "Num 5");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Delete, Qt::KeypadModifier)), "Decimal");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Asterisk, Qt::KeypadModifier)), "Num *");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Plus, Qt::KeypadModifier)), "Num +");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Home)), "Home");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Asterisk, Qt::ShiftModifier)), "8");
}

TEST(QtKeyCodes, ModifierSidesComeFromTheNativeSymbolOrScanCode)
{
    // X11 and Wayland report the key symbol.
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Shift, Qt::NoModifier, 0, 0xFFE2)), "RShift");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Control, Qt::NoModifier, 0, 0xFFE4)), "RCtrl");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Alt, Qt::NoModifier, 0, 0xFFE9)), "LAlt");
    // Only the scan code (evdev layout).
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Shift, Qt::NoModifier, 62, 0)), "RShift");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Shift, Qt::NoModifier, 50, 0)), "LShift");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Alt, Qt::NoModifier, 108, 0)), "RAlt");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Meta, Qt::NoModifier, 134, 0)), "RWin");
    // A symbol of another key does not decide the side; nothing at all means left.
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Control, Qt::NoModifier, 105, 0x61)), "RCtrl");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Control)), "LCtrl");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_AltGr)), "RAlt");
    EXPECT_STREQ(rowName(vkOf(Qt::Key_Super_R)), "RWin");
}

// A shown window with a text field, and a shortcut that counts its firings.
class OwnWindowKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        edit.setWindowTitle("keys");
        shortcut.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        shortcut.setShortcutContext(Qt::ApplicationShortcut);
        edit.addAction(&shortcut);
        QObject::connect(&shortcut, &QAction::triggered, [this] { ++shortcutFired; });
        edit.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
        source.setSink([this](const KeyEvent& e) { reported.push_back(e); });
    }
    QWindow* window() { return edit.windowHandle(); }
    bool reportedIs(const std::vector<KeyEvent>& want) const
    {
        return std::equal(reported.begin(), reported.end(), want.begin(), want.end(),
                          [](const KeyEvent& x, const KeyEvent& y) { return x.vk == y.vk && x.down == y.down; });
    }

    QLineEdit edit;
    QAction shortcut;
    int shortcutFired = 0;
    OwnWindowKeySource source;
    std::vector<KeyEvent> reported;
};

TEST_F(OwnWindowKeys, PassOnReportsKeysOnceAndTheWindowStillGetsThem)
{
    EXPECT_FALSE(source.desktopWide());
    ASSERT_TRUE(source.listen(Listen::PassOn));
    QTest::keyClick(window(), Qt::Key_A);
    QTest::keyClick(window(), Qt::Key_S, Qt::ControlModifier);
    // The shortcut takes the press of S; it is reported all the same.
    EXPECT_TRUE(reportedIs({{0x41, true}, {0x41, false}, {0xA2, true}, {0x53, true}, {0x53, false}, {0xA2, false}}))
        << reported.size() << " reported";
    EXPECT_EQ(edit.text(), "a");
    EXPECT_EQ(shortcutFired, 1);
}

TEST_F(OwnWindowKeys, AutoRepeatedPressesAreNotReported)
{
    ASSERT_TRUE(source.listen(Listen::PassOn));
    QTest::sendKeyEvent(QTest::Press, window(), Qt::Key_B, 'b', Qt::NoModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b", true);
    QApplication::sendEvent(window(), &repeat);
    QTest::sendKeyEvent(QTest::Release, window(), Qt::Key_B, 'b', Qt::NoModifier);
    EXPECT_TRUE(reportedIs({{0x42, true}, {0x42, false}})) << reported.size() << " reported";
    EXPECT_EQ(edit.text(), "bb");
}

// The time a key was typed is the window system's time of its event (kept to 32 bits, as
// the window systems count), not the time it was handled; an event without one has none.
TEST_F(OwnWindowKeys, KeysCarryTheTimesOfTheirEvents)
{
    ASSERT_TRUE(source.listen(Listen::PassOn));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, "c");
    press.setTimestamp(0x1'0000'1234ULL);
    QApplication::sendEvent(window(), &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_C, Qt::NoModifier, "c");
    release.setTimestamp(0);
    QApplication::sendEvent(window(), &release);
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[0].timeMs, std::optional<std::uint32_t>(0x1234));
    EXPECT_EQ(reported[1].timeMs, std::nullopt);
}

TEST_F(OwnWindowKeys, SwallowKeepsKeysAndShortcutsFromTheWindowsUntilOff)
{
    ASSERT_TRUE(source.listen(Listen::Swallow));
    QTest::keyClick(window(), Qt::Key_A);
    QTest::keyClick(window(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(reportedIs({{0x41, true}, {0x41, false}, {0xA2, true}, {0x53, true}, {0x53, false}, {0xA2, false}}))
        << reported.size() << " reported";
    EXPECT_EQ(edit.text(), "");
    EXPECT_EQ(shortcutFired, 0);

    ASSERT_TRUE(source.listen(Listen::Off));
    QTest::keyClick(window(), Qt::Key_C);
    EXPECT_EQ(reported.size(), 6U);
    EXPECT_EQ(edit.text(), "c");
}

// A source whose descriptor is an eventfd: readable() takes the event and holds it back
// for holdMs, as a release that may turn out to be an auto-repeat.
class HoldingSource final : public KeyboardSource {
public:
    HoldingSource() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) { }
    ~HoldingSource() override { ::close(fd_); }
    bool listen(Listen) override { return true; }
    bool desktopWide() const override { return true; }
    int descriptor() const override { return fd_; }
    void readable() override
    {
        std::uint64_t n = 0;
        [[maybe_unused]] const ssize_t got = ::read(fd_, &n, sizeof(n));
        ++readables;
        until_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(holdMs);
        holding_ = true;
    }
    int pendingMs() const override
    {
        if (!holding_)
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until_ - std::chrono::steady_clock::now());
        return std::max(0, static_cast<int>(left.count()));
    }
    void deadline() override
    {
        ++deadlines;
        if (pendingMs() == 0) {
            holding_ = false;
            emitKey({0x41, false});
        }
    }
    void wake()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t put = ::write(fd_, &one, sizeof(one));
    }

    int holdMs = 20;
    int readables = 0;
    int deadlines = 0;

private:
    int fd_;
    bool holding_ = false;
    std::chrono::steady_clock::time_point until_;
};

TEST(KeyboardPump, ReadsWhenTheDescriptorIsReadableAndCallsTheDeadlineOnce)
{
    HoldingSource source;
    std::vector<KeyEvent> reported;
    source.setSink([&](const KeyEvent& e) { reported.push_back(e); });
    KeyboardPump pump(source);
    EXPECT_FALSE(pump.timerActive()) << "an idle source needs no timer";

    source.wake();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reported.empty(); }, 10000));
    EXPECT_EQ(source.readables, 1);
    EXPECT_EQ(source.deadlines, 1) << "the timer fires when the held event is due, not before";
    EXPECT_FALSE(pump.timerActive());
    // Idle again: the loop runs without calling the source.
    QCoreApplication::processEvents();
    EXPECT_EQ(source.readables, 1);
    EXPECT_EQ(source.deadlines, 1);
}

TEST(KeyboardSources, TheFallbackWithoutADisplaySeesOnlyTheProgramsWindows)
{
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    const auto source = makeKeyboardSource();
    if (!display.isEmpty())
        qputenv("DISPLAY", display);
    ASSERT_NE(source, nullptr);
    EXPECT_FALSE(source->desktopWide());
    EXPECT_NE(dynamic_cast<OwnWindowKeySource*>(source.get()), nullptr);
}

TEST(KeyboardSources, TheCaptureLendsItsSourceToTheHooksForItsLifetime)
{
    auto owned = std::make_unique<FakeKeyboardSource>();
    FakeKeyboardSource* fake = owned.get();
    std::vector<unsigned> messages;
    KeyboardHook recorder;
    {
        KeyboardCapture capture(std::move(owned));
        EXPECT_EQ(KeyboardHook::source(), fake);
        ASSERT_TRUE(
            recorder.install(kHookMacro, [&](unsigned message, const KeyEvent&) { messages.push_back(message); }));
        EXPECT_EQ(fake->listening(), Listen::PassOn);
        EXPECT_TRUE(fake->press(0x41));
        EXPECT_EQ(messages, std::vector<unsigned>{0x812});
    }
    EXPECT_EQ(KeyboardHook::source(), nullptr);
    recorder.remove();  // no source left to tell
}

}  // namespace
}  // namespace corv::ui
