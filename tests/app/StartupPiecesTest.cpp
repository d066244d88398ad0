// Start-up pieces: the name splitting of routing, the worker set, the single-instance lock (also
// across processes), the command line and the profile template.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <cstring>

#include <sys/wait.h>

#include "AppFixture.h"
#include "ChildProcess.h"
#include "ScopedEnv.h"
#include "SessionBus.h"
#include "app/AppMain.h"
#include "app/WorkerThreads.h"
#include "feature/RouteName.h"
#include "platform/DbusOutsideMessages.h"
#include "platform/IniFile.h"
#include "platform/SingleInstanceLock.h"
#include "ui/Notification.h"

namespace corv::test {
namespace {

TEST(RoutingTest, IndexedNamesSplitAtTheLastUnderscore)
{
    IndexedName n = splitIndexedName(QStringLiteral("ms_key_3"));
    EXPECT_TRUE(n.hasPrefix);
    EXPECT_EQ(n.prefix, QStringLiteral("ms_key_"));
    EXPECT_EQ(n.index, 3);
    n = splitIndexedName(QStringLiteral("ms_DPI_color_btn_29"));
    EXPECT_EQ(n.prefix, QStringLiteral("ms_DPI_color_btn_"));
    EXPECT_EQ(n.index, 29);
    EXPECT_EQ(splitIndexedName(QStringLiteral("ms_key_x")).index, 0);      // not a number
    EXPECT_EQ(splitIndexedName(QStringLiteral("ms_key_12ab")).index, 12);  // digits up to the first other
    EXPECT_EQ(splitIndexedName(QStringLiteral("ms_key_")).index, 0);
    EXPECT_FALSE(splitIndexedName(QStringLiteral("closebtn")).hasPrefix);
    EXPECT_EQ(splitIndexedName(QStringLiteral("ms_key_butt_keysave")).prefix, QStringLiteral("ms_key_butt_"));
}

TEST(WorkerThreadsTest, StopsAndJoinsEveryWorker)
{
    WorkerThreads workers;
    EXPECT_FALSE(workers.start("empty", {}));
    std::atomic<int> stopped{0};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(workers.start("w" + std::to_string(i), [&](std::stop_token stop) {
            while (!stop.stop_requested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++stopped;
        }));
    }
    EXPECT_EQ(workers.count(), 3u);
    EXPECT_TRUE(workers.isRunning("w1"));
    workers.stopAndJoin();
    EXPECT_EQ(stopped.load(), 3);
    EXPECT_EQ(workers.count(), 0u);
    EXPECT_FALSE(workers.start("late", [](std::stop_token) {}));
    workers.stopAndJoin();  // twice is harmless
}

class LockFolder {
public:
    LockFolder()
    {
        if (const char* v = std::getenv("XDG_RUNTIME_DIR"))
            old_ = v;
        ::setenv("XDG_RUNTIME_DIR", dir_.path().toLocal8Bit().constData(), 1);
    }
    ~LockFolder()
    {
        if (old_.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    std::string old_;
};

TEST(SingleInstanceTest, OneHolderAtATime)
{
    LockFolder folder;
    SingleInstanceLock first;
    SingleInstanceLock second;
    EXPECT_EQ(first.acquire("CORVALANTIS R210 Driver"), SingleInstanceLock::Result::Acquired);
    EXPECT_EQ(first.path(), std::filesystem::path(folder.path().toStdString()) / "CORVALANTIS R210 Driver.lock");
    EXPECT_EQ(second.acquire("CORVALANTIS R210 Driver"), SingleInstanceLock::Result::HeldElsewhere);
    first.release();
    EXPECT_EQ(second.acquire("CORVALANTIS R210 Driver"), SingleInstanceLock::Result::Acquired);
    EXPECT_EQ(SingleInstanceLock::fileNameFor("../a/b"), ".._a_b.lock");
    EXPECT_EQ(SingleInstanceLock::fileNameFor(".."), "_.lock");
}

TEST(SingleInstanceTest, ASecondProgramExitsZeroAtOnceEvenWhenNobodyAnswers)
{
    LockFolder folder;  // the child finds the lock through XDG_RUNTIME_DIR
    SessionBus bus;     // where the child asks for the first window: nobody serves there
    ASSERT_TRUE(bus.up()) << bus.error();
    SingleInstanceLock running;
    ASSERT_EQ(running.acquire("CORVALANTIS R210 Driver"), SingleInstanceLock::Result::Acquired);
    // Started with posix_spawn (not QProcess, whose own way of starting a child leaves a race
    // detector of this process confused about what happened in it).
    ChildProcess second({CORV_APP_EXECUTABLE, "--virtual-mouse=R240"});
    ASSERT_TRUE(second.started()) << std::strerror(second.startError());
    const int status = second.waitForExit(20000);
    ASSERT_NE(status, -1) << "the second program kept running";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Runs a program to its end; its exit code, or -1 when it did not end by itself.
int exitCodeOf(const std::vector<std::string>& argv)
{
    ChildProcess child(argv);
    if (!child.started())
        return -1;
    const int status = child.waitForExit(60000);
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether the running program answers, and then its state.
bool waitForProgram(OutsideAnswer& state)
{
    QElapsedTimer timer;
    timer.start();
    do {
        state = sendOutsideRequest(OutsideCall{OutsideRequest::GetState, {}});
        if (state.status == OutsideStatus::Done)
            return true;
        QTest::qWait(50);               // the program is still starting: ask again
    } while (timer.elapsed() < 60000);  // generous: a race-detector build starts slowly
    return false;
}

TEST(SingleInstanceTest, ASecondStartShowsTheFirstWindowAndTheToolTalksToIt)
{
    LockFolder folder;
    SessionBus bus;
    ASSERT_TRUE(bus.up()) << bus.error();
    QTemporaryDir home;  // the first run's profile goes there
    ScopedEnv homeVar("HOME", home.path().toStdString());
    ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);

    // The hardware backend: no mouse is there.
    ChildProcess first({CORV_APP_EXECUTABLE});
    ASSERT_TRUE(first.started()) << std::strerror(first.startError());
    OutsideAnswer state;
    ASSERT_TRUE(waitForProgram(state)) << state.message;
    EXPECT_FALSE(state.connected);

    // A device arrival without a mouse hides the window.
    EXPECT_EQ(exitCodeOf({CORV_CTL_EXECUTABLE, "device-arrived"}), 0);
    ASSERT_TRUE(waitForProgram(state));
    EXPECT_FALSE(state.flag);

    // The second start shows it and ends.
    ChildProcess second({CORV_APP_EXECUTABLE});
    ASSERT_TRUE(second.started());
    const int status = second.waitForExit(20000);
    ASSERT_NE(status, -1) << "the second program kept running";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(waitForProgram(state));
    EXPECT_TRUE(state.flag);

    EXPECT_EQ(exitCodeOf({CORV_CTL_EXECUTABLE, "status"}), 0);
    EXPECT_EQ(exitCodeOf({CORV_CTL_EXECUTABLE, "select-profile", "新配置文件1"}), 0);  // the first run's
    EXPECT_EQ(exitCodeOf({CORV_CTL_EXECUTABLE, "select-profile", "no such profile"}), 1);
    EXPECT_EQ(exitCodeOf({CORV_CTL_EXECUTABLE, "apply-profile", "reg"}), 2);  // no mouse: nothing applied
    EXPECT_EQ(exitCodeOf({CORV_CTL_EXECUTABLE, "show"}), 0);

    first.end(SIGTERM);
    EXPECT_EQ(exitCodeOf({CORV_CTL_EXECUTABLE, "show"}), 4);  // nobody serves any more
}

TEST(AppArgumentsTest, KnownOptionsAreTakenOthersRefused)
{
    AppOptions o;
    std::string error;
    EXPECT_TRUE(
        parseAppArguments({"--virtual-mouse=R240", "--frame-log=/tmp/f.log", "--screenshots=/tmp/s"}, o, &error));
    EXPECT_EQ(o.virtualMouse, "R240");
    EXPECT_EQ(o.frameLog, "/tmp/f.log");
    EXPECT_EQ(o.screenshots, "/tmp/s");
    AppOptions bad;
    EXPECT_FALSE(parseAppArguments({"--bogus"}, bad, &error));
    EXPECT_NE(error.find("--bogus"), std::string::npos);
    EXPECT_FALSE(parseAppArguments({"--frame-log="}, bad, &error));
    EXPECT_FALSE(parseAppArguments({"--virtual-mouse="}, bad, &error));
}

TEST(ProfileTemplateTest, HoldsEveryKeyWithFactoryValues)
{
    const auto file = AppEnvironment::sourceDir() / "src" / "app" / "default.pro";
    auto led = [&](const char* section, int n) {
        return ini::readString(file, section, "LED" + std::to_string(n), "missing");
    };
    for (int n = 0; n <= 32; ++n)
        EXPECT_NE(led("Setting", n), "missing") << n;
    for (int n = 0; n <= 8; ++n)
        EXPECT_NE(ini::readString(file, "Setting", "KEY" + std::to_string(n), "missing"), "missing");
    EXPECT_EQ(led("Setting", 0), "0");
    EXPECT_EQ(led("Setting", 22), "1");  // lighting on
    EXPECT_EQ(led("Setting", 20), "1");  // current stage
    EXPECT_EQ(led("Setting", 23), "2");  // lift-off
    EXPECT_EQ(ini::readString(file, "Setting", "PRO0", ""), "5");
    EXPECT_EQ(ini::readString(file, "Setting", "PRO1", ""), "3");
    EXPECT_EQ(ini::readString(file, "COLORCOUNT", "count", ""), "0");
    // The five stages are 800, 1600, 2400, 3200 and 4800 in both models' tables.
    const int dpis[5] = {800, 1600, 2400, 3200, 4800};
    for (int s = 0; s < 5; ++s) {
        const long r210 = ini::toLong(led("Setting", 15 + s));
        const long r240 = ini::toLong(led("3360", 15 + s));
        const long r210Dpi = r210 <= 48 ? 200 + 100 * r210 : 5000 + 200 * (r210 - 48);
        EXPECT_EQ(r210Dpi, dpis[s]);
        EXPECT_EQ(100 + 100 * r240, dpis[s]);
    }
    // Buttons: the built-in defaults of buttons 0 to 5.
    const char* defaults[6] = {"16,1,0", "16,4,0", "16,2,0", "16,16,0", "16,8,0", "19,3,0"};
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(ini::readString(file, "Setting", "KEY" + std::to_string(n), ""), defaults[n]);
}

}  // namespace
}  // namespace corv::test
