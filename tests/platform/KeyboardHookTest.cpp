// Keyboard capture's hooks: the latest installation receives the keys as its mode's message,
// the one before comes back when it goes, the source listens as the active mode asks, and
// nothing is captured with no hook installed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/FakeKeyboardSource.h"
#include "platform/KeyboardHook.h"

namespace corv {
namespace {

using Listen = KeyboardSource::Listen;

struct Seen {
    std::vector<std::string> keys;
    HookTarget target()
    {
        return [this](unsigned message, const KeyEvent& e) {
            keys.push_back(std::to_string(message) + (e.down ? "+" : "-") + std::to_string(e.vk));
        };
    }
};

class HookTest : public ::testing::Test {
protected:
    void SetUp() override { KeyboardHook::useSource(&source); }
    void TearDown() override
    {
        KeyboardHook::setObserver({});
        KeyboardHook::useSource(nullptr);
    }
    FakeKeyboardSource source;
};

TEST_F(HookTest, TheLatestInstallationReceivesAndTheOneBeforeComesBack)
{
    EXPECT_FALSE(source.press(0x41));  // no hook: the source is off
    EXPECT_FALSE(KeyboardHook::deliver({0x41, true}));

    Seen main, single;
    auto recorder = std::make_unique<KeyboardHook>();
    EXPECT_TRUE(recorder->install(kHookMacro, main.target()));
    EXPECT_EQ(source.listening(), Listen::PassOn);
    EXPECT_TRUE(source.press(0x41));
    {
        KeyboardHook window;
        EXPECT_TRUE(window.install(kHookSingleKey, single.target()));
        EXPECT_EQ(source.listening(), Listen::Swallow);
        EXPECT_TRUE(source.release(0x41));
    }
    EXPECT_EQ(source.listening(), Listen::PassOn);
    EXPECT_TRUE(KeyboardHook::deliver({0x10, true}));  // a script's key takes the same path
    EXPECT_EQ(main.keys, (std::vector<std::string>{"2066+65", "2066+16"}));
    EXPECT_EQ(single.keys, (std::vector<std::string>{"2064-65"}));

    // An owner that installs again moves to the top with its new mode.
    Seen other;
    KeyboardHook editor;
    editor.install(kHookMacroEdit, other.target());
    recorder->install(kHookMacroInsert, main.target());
    EXPECT_TRUE(KeyboardHook::deliver({0x42, false}));
    EXPECT_EQ(main.keys.back(), "2069-66");
    // Removing one that is not on top leaves the top where it is.
    editor.remove();
    EXPECT_EQ(KeyboardHook::activeMode(), kHookMacroInsert);
    recorder.reset();  // the destructor removes the hook
    EXPECT_EQ(KeyboardHook::activeMode(), kHookNone);
    EXPECT_EQ(source.listening(), Listen::Off);
    EXPECT_FALSE(KeyboardHook::deliver({0x20, false}));
    EXPECT_TRUE(other.keys.empty());
}

TEST_F(HookTest, ARefusedGrabIsReportedModesWithoutMessagesDeliverNothingAndTheObserverFollows)
{
    std::vector<int> modes;
    KeyboardHook::setObserver([&](int mode) { modes.push_back(mode); });
    source.setRefuseSwallow(true);
    Seen seen;
    KeyboardHook window;
    EXPECT_FALSE(window.install(kHookSingleKey, seen.target()));
    EXPECT_TRUE(window.isInstalled());  // keys from scripts still reach it
    EXPECT_TRUE(KeyboardHook::deliver({0x74, true}));
    EXPECT_EQ(seen.keys, (std::vector<std::string>{"2064+116"}));

    window.install(7, seen.target());  // a mode that sends nothing
    EXPECT_FALSE(KeyboardHook::deliver({0x74, false}));
    window.remove();
    window.remove();
    EXPECT_EQ(modes, (std::vector<int>{kHookSingleKey, 7, kHookNone}));

    // Without a source an installation stands but says it cannot listen.
    KeyboardHook::useSource(nullptr);
    EXPECT_FALSE(window.install(kHookMacro, seen.target()));
    EXPECT_TRUE(KeyboardHook::deliver({0x41, true}));
    window.remove();
}

TEST_F(HookTest, ATargetMayEndItsOwnHookAndOtherThreadsAreRefused)
{
    auto hook = std::make_unique<KeyboardHook>();
    int calls = 0;
    hook->install(kHookMacro, [&](unsigned, const KeyEvent& e) {
        ++calls;
        if (e.vk == 0x1B)
            hook.reset();  // Esc ends the recording
    });
    EXPECT_TRUE(source.press(0x1B));
    EXPECT_FALSE(hook);
    EXPECT_FALSE(source.release(0x1B));
    EXPECT_EQ(calls, 1);

    KeyboardHook active;
    active.install(kHookMacro, [&](unsigned, const KeyEvent&) { ++calls; });
    bool delivered = true;
    bool installed = true;
    std::thread other([&] {
        delivered = KeyboardHook::deliver({0x41, true});
        KeyboardHook stray;
        installed = stray.install(kHookSingleKey, {});
    });
    other.join();
    EXPECT_FALSE(delivered);
    EXPECT_FALSE(installed);
    EXPECT_EQ(KeyboardHook::activeMode(), kHookMacro);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace corv
