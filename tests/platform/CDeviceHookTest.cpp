// Keyboard capture's hooks: the latest installation receives the keys as its mode's message,
// the one before comes back when it goes, the source listens as the active mode asks, and
// nothing is captured with no hook installed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/CDeviceHook.h"
#include "platform/FakeKeyboardSource.h"

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
    void SetUp() override { CDeviceHook::UseSource(&source); }
    void TearDown() override
    {
        CDeviceHook::SetObserver({});
        CDeviceHook::UseSource(nullptr);
    }
    FakeKeyboardSource source;
};

TEST_F(HookTest, TheLatestInstallationReceivesAndTheOneBeforeComesBack)
{
    EXPECT_FALSE(source.press(0x41));  // no hook: the source is off
    EXPECT_FALSE(CDeviceHook::Deliver({0x41, true}));

    Seen main, single;
    auto recorder = std::make_unique<CDeviceHook>();
    EXPECT_TRUE(recorder->Install(kHookMacro, main.target()));
    EXPECT_EQ(source.listening(), Listen::PassOn);
    EXPECT_TRUE(source.press(0x41));
    {
        CDeviceHook window;
        EXPECT_TRUE(window.Install(kHookSingleKey, single.target()));
        EXPECT_EQ(source.listening(), Listen::Swallow);
        EXPECT_TRUE(source.release(0x41));
    }
    EXPECT_EQ(source.listening(), Listen::PassOn);
    EXPECT_TRUE(CDeviceHook::Deliver({0x10, true}));  // a script's key takes the same path
    EXPECT_EQ(main.keys, (std::vector<std::string>{"2066+65", "2066+16"}));
    EXPECT_EQ(single.keys, (std::vector<std::string>{"2064-65"}));

    // An owner that installs again moves to the top with its new mode.
    Seen other;
    CDeviceHook editor;
    editor.Install(kHookMacroEdit, other.target());
    recorder->Install(kHookMacroInsert, main.target());
    EXPECT_TRUE(CDeviceHook::Deliver({0x42, false}));
    EXPECT_EQ(main.keys.back(), "2069-66");
    // Removing one that is not on top leaves the top where it is.
    editor.Remove();
    EXPECT_EQ(CDeviceHook::ActiveMode(), kHookMacroInsert);
    recorder.reset();  // the destructor removes the hook
    EXPECT_EQ(CDeviceHook::ActiveMode(), kHookNone);
    EXPECT_EQ(source.listening(), Listen::Off);
    EXPECT_FALSE(CDeviceHook::Deliver({0x20, false}));
    EXPECT_TRUE(other.keys.empty());
}

TEST_F(HookTest, ARefusedGrabIsReportedModesWithoutMessagesDeliverNothingAndTheObserverFollows)
{
    std::vector<int> modes;
    CDeviceHook::SetObserver([&](int mode) { modes.push_back(mode); });
    source.setRefuseSwallow(true);
    Seen seen;
    CDeviceHook window;
    EXPECT_FALSE(window.Install(kHookSingleKey, seen.target()));
    EXPECT_TRUE(window.IsInstalled());  // keys from scripts still reach it
    EXPECT_TRUE(CDeviceHook::Deliver({0x74, true}));
    EXPECT_EQ(seen.keys, (std::vector<std::string>{"2064+116"}));

    window.Install(7, seen.target());  // a mode that sends nothing
    EXPECT_FALSE(CDeviceHook::Deliver({0x74, false}));
    window.Remove();
    window.Remove();
    EXPECT_EQ(modes, (std::vector<int>{kHookSingleKey, 7, kHookNone}));

    // Without a source an installation stands but says it cannot listen.
    CDeviceHook::UseSource(nullptr);
    EXPECT_FALSE(window.Install(kHookMacro, seen.target()));
    EXPECT_TRUE(CDeviceHook::Deliver({0x41, true}));
    window.Remove();
}

TEST_F(HookTest, ATargetMayEndItsOwnHookAndOtherThreadsAreRefused)
{
    auto hook = std::make_unique<CDeviceHook>();
    int calls = 0;
    hook->Install(kHookMacro, [&](unsigned, const KeyEvent& e) {
        ++calls;
        if (e.vk == 0x1B)
            hook.reset();  // Esc ends the recording
    });
    EXPECT_TRUE(source.press(0x1B));
    EXPECT_FALSE(hook);
    EXPECT_FALSE(source.release(0x1B));
    EXPECT_EQ(calls, 1);

    CDeviceHook active;
    active.Install(kHookMacro, [&](unsigned, const KeyEvent&) { ++calls; });
    bool delivered = true;
    bool installed = true;
    std::thread other([&] {
        delivered = CDeviceHook::Deliver({0x41, true});
        CDeviceHook stray;
        installed = stray.Install(kHookSingleKey, {});
    });
    other.join();
    EXPECT_FALSE(delivered);
    EXPECT_FALSE(installed);
    EXPECT_EQ(CDeviceHook::ActiveMode(), kHookMacro);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace corv
