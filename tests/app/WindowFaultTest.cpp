// The whole window on a mouse that misbehaves while the user goes on working: it stops
// answering, or is unplugged in the middle of applying a profile. The window must keep
// answering (its event loop never stalls for a second: a timer on the UI thread measures the
// longest gap), its files stay whole, and what the user did reaches the mouse once it
// answers again, or the mouse is connected again once it is back.
//
// The window's waits run on the real clock here: an unanswered request costs its real
// second per attempt, as on the hardware.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <filesystem>

#include "AppFixture.h"
#include "platform/IniFile.h"
#include "profiles/ProfileFile.h"
#include "ui/ComboControl.h"
#include "ui/MessageBox.h"
#include "ui/Notification.h"

namespace corv::test {
namespace {

using namespace std::chrono_literals;

// The longest time the UI thread's event loop went without turning, from start() on.
class UiHeartbeat {
public:
    UiHeartbeat()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, since_.restart());
        });
    }
    void start()
    {
        since_.start();
        timer_.start();
    }
    qint64 longestMs() const { return std::max(longest_, since_.elapsed()); }

private:
    QTimer timer_;
    QElapsedTimer since_;
    qint64 longest_ = 0;
};

// The bound: the window answers within a second throughout.
constexpr qint64 kAnswerBoundMs = 1000;

class WindowFaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetMessageBoxResponder([](const ui::MessageBoxRequest&) { return QStringLiteral("confirm_btn"); });
        test::writeProfiles(env, {"p0", "p1"}, {}, 0);
        harness = std::make_unique<MainWindowHarness>(CMainWnd::Options{}, "R240", Clock::system());
        ASSERT_TRUE(wnd().CreateMainWindow());
        wnd().ShowWindow(true, false);
        ASSERT_TRUE(waitFor([&] { return wnd().isPresented(); }, 20000));
        ASSERT_TRUE(wnd().mouseCommands().waitIdle(10s));
        heartbeat.start();
    }
    void TearDown() override { ui::SetMessageBoxResponder({}); }

    CMainWnd& wnd() { return harness->wnd(); }
    // The mouse as it is now, without waiting for the window's commands.
    sim::VirtualMouse& mouseNow() { return harness->mouseWithoutWaiting(); }
    std::filesystem::path profile(int i) const { return env.dataFolder() / ("p" + std::to_string(i) + ".pro"); }
    std::size_t requestCount()
    {
        return mouseNow().frameLog().frames(FrameDirection::Request).size();
    }
    // Does what the user does and says how long the UI thread was busy with it.
    template <class Action> qint64 timed(Action action)
    {
        QElapsedTimer t;
        t.start();
        action();
        return t.elapsed();
    }
    void notify(const QString& type, const char* name, long long wParam = 0)
    {
        notifyControl(wnd(), type, name, wParam);
    }

    AppEnvironment env;
    std::unique_ptr<MainWindowHarness> harness;
    UiHeartbeat heartbeat;
};

TEST_F(WindowFaultTest, AMouseThatStopsAnsweringNeverHoldsUpTheWindow)
{
    mouseNow().dropNextAnswers(100000);  // every request is carried out, its answer lost
    const std::size_t before = requestCount();

    // A stage, an on-board record, another profile, a lighting reset: each handled at once.
    EXPECT_LT(timed([&] { notify(ui::notify::kClick, "DPI_profile_3"); }), kAnswerBoundMs);
    EXPECT_LT(timed([&] { notify(ui::notify::kClick, "ms_profile_2"); }), kAnswerBoundMs);
    EXPECT_LT(timed([&] { ui::ComboControl(wnd().FindControl(QStringLiteral("ms_KEY_combo_profileSelect"))).SelectItem(1); }),
              kAnswerBoundMs);
    EXPECT_LT(timed([&] { notify(ui::notify::kClick, "ms_deng_reset"); }), kAnswerBoundMs);
    // The queue goes on retrying behind the window while its event loop turns.
    ASSERT_TRUE(waitFor([&] { return requestCount() >= before + 8; }, 60000));
    EXPECT_FALSE(wnd().mouseCommands().idle());

    mouseNow().clearFaults();
    ASSERT_TRUE(waitFor([&] { return wnd().mouseCommands().idle(); }, 60000));
    QApplication::processEvents();
    EXPECT_LT(heartbeat.longestMs(), kAnswerBoundMs);

    // The profile applied last is what the mouse holds, and what the files say.
    EXPECT_EQ(ini::readString(env.dataFolder() / "msProfile.ini", "PROFILESELECT", "select", "missing"), "1");
    const ProfileImage image = readProfileImage(profile(1), wnd().deviceState().modelId());
    EXPECT_EQ(mouseNow().settingsRecord(0)[17], image.settings[17]);
    EXPECT_EQ(mouseNow().activeRecord(), 0);
    EXPECT_TRUE(wnd().isPresented());
}

TEST_F(WindowFaultTest, UnpluggedWhileAProfileIsAppliedTheWindowGoesOnAndConnectsAgain)
{
    // Answers later than the window waits: the profile's frames are each tried four times.
    mouseNow().setAnswerDelay(1500ms);
    const std::size_t before = requestCount();
    EXPECT_LT(timed([&] { ui::ComboControl(wnd().FindControl(QStringLiteral("ms_KEY_combo_profileSelect"))).SelectItem(1); }),
              kAnswerBoundMs);
    EXPECT_LT(timed([&] { notify(ui::notify::kClick, "DPI_profile_1"); }), kAnswerBoundMs);
    ASSERT_TRUE(waitFor([&] { return requestCount() >= before + 2; }, 60000));
    mouseNow().unplug();
    ASSERT_TRUE(waitFor([&] { return !wnd().isPresented() && wnd().mouseCommands().idle(); }, 60000));
    EXPECT_EQ(ini::readString(env.dataFolder() / "msProfile.ini", "PROFILESELECT", "select", "missing"), "1");

    mouseNow().clearFaults();
    mouseNow().plug();
    ASSERT_TRUE(waitFor([&] { return wnd().isPresented(); }, 60000));
    EXPECT_LT(heartbeat.longestMs(), kAnswerBoundMs);
    // Connected again with the stored profile: the files are whole and name it.
    EXPECT_EQ(ini::readString(env.dataFolder() / "msProfile.ini", "PROFILENAME", "1", "missing"), "p1");
    EXPECT_NE(ini::readString(profile(1), "Setting", "LED17", "missing"), "missing");
}

}  // namespace
}  // namespace corv::test
