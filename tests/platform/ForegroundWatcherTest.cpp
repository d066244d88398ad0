// The foreground watcher against a private X server: the test plays the window manager
// (it sets _NET_ACTIVE_WINDOW on the root) and the programs (child processes whose pids
// its windows carry in _NET_WM_PID). Nothing waits a fixed time: every step waits for a
// report, a wake-up of the watcher or its end, each with a generous bound that only fails
// the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ForegroundReports.h"
#include "ScopedEnv.h"
#include "TempFolder.h"
#include "TestWindowManager.h"
#include "XvfbServer.h"
#include "platform/FakeForegroundWatcher.h"
#include "platform/X11ForegroundWatcher.h"

namespace corv {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::ScopedEnv;
using test::TempFolder;
using test::TestWindowManager;
using test::XvfbServer;

constexpr auto kBound = 10s;

// The executables reported, in order; none is "", an unreadable one "?".
std::vector<std::string> paths(const std::vector<ForegroundProgram>& reports)
{
    std::vector<std::string> out;
    for (const ForegroundProgram& p : reports)
        out.push_back(p.none() ? "" : p.executable.empty() ? "?" : p.executable);
    return out;
}

std::string canonical(const std::string& path) { return std::filesystem::canonical(path).string(); }

// A private X server with a window manager, and two programs each with a window:
// /bin/sleep and /bin/cat.
class ForegroundWatcherX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(xvfb.running()) << xvfb.error();
        wm = std::make_unique<TestWindowManager>(xvfb.display());
        ASSERT_TRUE(wm->connected()) << "cannot connect to " << xvfb.display();
        ASSERT_TRUE(sleeper.started()) << "cannot start sleep";
        ASSERT_TRUE(reader.started()) << "cannot start cat";
        sleeperWindow = wm->createWindow(sleeper.pid());
        readerWindow = wm->createWindow(reader.pid());
    }

    XvfbServer xvfb;
    std::unique_ptr<TestWindowManager> wm;
    ChildProcess sleeper{{"/bin/sleep", "1000"}};
    ChildProcess reader{{"/bin/cat"}};
    const std::string sleepPath = canonical("/bin/sleep");
    const std::string catPath = canonical("/bin/cat");
    unsigned long sleeperWindow = 0;
    unsigned long readerWindow = 0;
    test::ForegroundReports log{kBound};
};

TEST_F(ForegroundWatcherX11, ReportsTheProgramInFrontAtStartAndEachDifferentOneThatFollows)
{
    ASSERT_NE(sleepPath, catPath);
    wm->activate(sleeperWindow);
    X11ForegroundWatcher watcher(xvfb.display());
    ASSERT_TRUE(watcher.start(log.callback()));
    ASSERT_TRUE(log.waitForCount(1));
    EXPECT_EQ(paths(log.all()), std::vector<std::string>({sleepPath}));

    wm->activate(readerWindow);
    ASSERT_TRUE(log.waitForCount(2));
    wm->activate(sleeperWindow);
    ASSERT_TRUE(log.waitForCount(3));
    EXPECT_EQ(paths(log.all()), std::vector<std::string>({sleepPath, catPath, sleepPath}));
}

TEST_F(ForegroundWatcherX11, StartsWithAnEmptyPathWhenNoWindowIsActive)
{
    X11ForegroundWatcher watcher(xvfb.display());
    ASSERT_TRUE(watcher.start(log.callback()));
    ASSERT_TRUE(log.waitForCount(1));
    wm->activate(readerWindow);
    ASSERT_TRUE(log.waitForCount(2));
    EXPECT_EQ(paths(log.all()), std::vector<std::string>({"", catPath}));
}

// Each of these windows is no program of this machine: none is reported, so that the
// user's own choice comes back. Between them the sleeper comes back to the front.
TEST_F(ForegroundWatcherX11, NoWindowAGoneWindowAndAWindowOfAnotherMachineAreNone)
{
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof(host) - 1), 0);
    const unsigned long otherMachine = wm->createWindow(reader.pid(), "elsewhere.example.org");
    const unsigned long thisMachineByFullName = wm->createWindow(reader.pid(), std::string(host) + ".example.org");
    const unsigned long gone = wm->createWindow(reader.pid());
    wm->destroyWindow(gone);

    wm->activate(sleeperWindow);
    X11ForegroundWatcher watcher(xvfb.display());
    ASSERT_TRUE(watcher.start(log.callback()));
    ASSERT_TRUE(log.waitForCount(1));
    std::size_t expected = 1;
    for (const unsigned long window : {otherMachine, 0UL, gone}) {
        wm->activate(window);
        ASSERT_TRUE(log.waitForCount(++expected)) << "window " << window;
        wm->activate(sleeperWindow);
        ASSERT_TRUE(log.waitForCount(++expected));
    }
    wm->removeActiveWindow();
    ASSERT_TRUE(log.waitForCount(++expected));
    // A machine named by its full domain name is this one: its window counts.
    wm->activate(thisMachineByFullName);
    ASSERT_TRUE(log.waitForCount(++expected));
    EXPECT_EQ(paths(log.all()),
              std::vector<std::string>({sleepPath, "", sleepPath, "", sleepPath, "", sleepPath, "", catPath}));
}

// Without _NET_WM_PID the X-Resource extension names the client that made the window (this
// test process); a process whose executable cannot be read still gives its pid and class.
TEST_F(ForegroundWatcherX11, AWindowWithoutItsPidIsToldApartThroughXResource)
{
    ChildProcess ended({"/bin/sleep", "1000"});
    ASSERT_TRUE(ended.started());
    const unsigned long withoutPid = wm->createWindow(std::nullopt);
    wm->setClass(withoutPid, "old", "OldToolkit");
    const unsigned long endedProcess = wm->createWindow(ended.pid());
    const auto endedPid = static_cast<std::uint32_t>(ended.pid());
    ended.end(SIGKILL);

    wm->activate(sleeperWindow);
    X11ForegroundWatcher watcher(xvfb.display());
    ASSERT_TRUE(watcher.start(log.callback()));
    ASSERT_TRUE(log.waitForCount(1));
    wm->activate(withoutPid);
    ASSERT_TRUE(log.waitForCount(2));
    wm->activate(endedProcess);
    ASSERT_TRUE(log.waitForCount(3));
    const std::vector<ForegroundProgram> got = log.all();
    EXPECT_EQ(got[1],
              (ForegroundProgram{canonical("/proc/self/exe"), static_cast<std::uint32_t>(::getpid()), "OldToolkit"}));
    EXPECT_EQ(got[2], (ForegroundProgram{"", endedPid, ""}));
}

TEST_F(ForegroundWatcherX11, ADeletedExecutableIsReportedByThePathItWasStartedFrom)
{
    TempFolder folder;
    const std::filesystem::path copy = std::filesystem::canonical(folder.path()) / "game";
    std::filesystem::copy_file(sleepPath, copy);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
    ChildProcess game({copy.string(), "1000"});
    ASSERT_TRUE(game.started());
    std::filesystem::remove(copy);
    const unsigned long gameWindow = wm->createWindow(game.pid());

    wm->activate(readerWindow);
    X11ForegroundWatcher watcher(xvfb.display());
    ASSERT_TRUE(watcher.start(log.callback()));
    ASSERT_TRUE(log.waitForCount(1));
    wm->activate(gameWindow);
    ASSERT_TRUE(log.waitForCount(2));
    EXPECT_EQ(paths(log.all()), std::vector<std::string>({catPath, copy.string()}));
}

// The watcher sleeps until the X server has something for it: one wake-up per root
// property change, none in between, and a change of another property reports nothing.
// Each change is made while the watcher sleeps, so that each one wakes it on its own.
TEST_F(ForegroundWatcherX11, WakesOnlyForRootPropertyChangesAndReportsOnlyActiveWindowChanges)
{
    wm->activate(sleeperWindow);
    X11ForegroundWatcher watcher(xvfb.display());
    ASSERT_TRUE(watcher.start(log.callback()));
    ASSERT_TRUE(watcher.thread().waitForSleeps(1, kBound));
    EXPECT_EQ(watcher.thread().wakeUps(), 0U);

    wm->setRootCardinal("_CORV_TEST_UNRELATED", 7);
    ASSERT_TRUE(watcher.thread().waitForSleeps(2, kBound));
    wm->activate(sleeperWindow);  // the same window again: nothing new
    ASSERT_TRUE(watcher.thread().waitForSleeps(3, kBound));
    wm->activate(readerWindow);
    ASSERT_TRUE(watcher.thread().waitForSleeps(4, kBound));

    EXPECT_EQ(paths(log.all()), std::vector<std::string>({sleepPath, catPath}));
    EXPECT_EQ(watcher.thread().wakeUps(), 3U);
    EXPECT_EQ(watcher.thread().sleeps(), 4U);
}

TEST_F(ForegroundWatcherX11, StopEndsAnIdleWatcherPromptlyAndStartWorksAgain)
{
    wm->activate(sleeperWindow);
    X11ForegroundWatcher watcher(xvfb.display());
    ASSERT_TRUE(watcher.start(log.callback()));
    EXPECT_FALSE(watcher.start(log.callback())) << "a running watcher must not start twice";
    ASSERT_TRUE(log.waitForCount(1));

    auto stopped = std::async(std::launch::async, [&] { watcher.stop(); });
    ASSERT_EQ(stopped.wait_for(kBound), std::future_status::ready) << "stop() hangs on an idle watcher";
    EXPECT_TRUE(watcher.thread().ended());
    // Nothing is reported after stop() returned.
    wm->activate(readerWindow);

    test::ForegroundReports second(kBound);
    ASSERT_TRUE(watcher.start(second.callback()));
    ASSERT_TRUE(second.waitForCount(1));
    EXPECT_EQ(paths(second.all()), std::vector<std::string>({catPath}));
    EXPECT_EQ(paths(log.all()), std::vector<std::string>({sleepPath}));
}

TEST_F(ForegroundWatcherX11, TheThreadEndsQuietlyWhenTheXServerGoesAway)
{
    X11ForegroundWatcher watcher(xvfb.display());
    ASSERT_TRUE(watcher.start(log.callback()));
    ASSERT_TRUE(log.waitForCount(1));
    wm.reset();  // Xlib would end the test process when its server vanished under it
    xvfb.kill();
    ASSERT_TRUE(watcher.thread().waitUntilEnded(kBound));
    auto stopped = std::async(std::launch::async, [&] { watcher.stop(); });
    ASSERT_EQ(stopped.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(paths(log.all()).size(), 1U);
    EXPECT_FALSE(watcher.start(log.callback())) << "the display is gone";
}

TEST_F(ForegroundWatcherX11, TheFactoryNeedsADisplayThatAcceptsAConnection)
{
    ScopedEnv session("XDG_SESSION_TYPE", "x11");
    ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
    ScopedEnv sway("SWAYSOCK", std::nullopt);
    {
        ScopedEnv display("DISPLAY", std::nullopt);
        EXPECT_EQ(makeForegroundWatcher(), nullptr);
    }
    {
        ScopedEnv display("DISPLAY", "not a display");
        EXPECT_EQ(makeForegroundWatcher(), nullptr);
    }
    ScopedEnv display("DISPLAY", xvfb.display());
    std::unique_ptr<ForegroundWatcher> watcher = makeForegroundWatcher();
    ASSERT_NE(watcher, nullptr);
    wm->activate(readerWindow);
    ASSERT_TRUE(watcher->start(log.callback()));
    ASSERT_TRUE(log.waitForCount(1));
    EXPECT_EQ(paths(log.all()), std::vector<std::string>({catPath}));
}

TEST(ForegroundWatcherX11Start, FailsWithoutAReachableDisplay)
{
    test::ForegroundReports log(kBound);
    X11ForegroundWatcher watcher("not a display");
    EXPECT_FALSE(watcher.start(log.callback()));
    watcher.stop();  // harmless when not running
    EXPECT_TRUE(paths(log.all()).empty());
}

TEST(FakeForegroundWatcher, ReportsAtStartAndEachAnnouncementWhileStarted)
{
    test::ForegroundReports log(kBound);
    FakeForegroundWatcher fake;
    fake.announce("/usr/bin/before");
    ASSERT_TRUE(fake.start(log.callback()));
    fake.announce("/opt/game/game");
    fake.stop();
    fake.announce("/usr/bin/after");
    fake.setStartResult(false);
    EXPECT_FALSE(fake.start(log.callback()));
    EXPECT_EQ(paths(log.all()), std::vector<std::string>({"/usr/bin/before", "/opt/game/game"}));
}

// A real window manager (openbox) on the private X server: the focus on the desktop, or the
// last window closed, leaves no program in front.
TEST(ForegroundWatcherOpenbox, TheDesktopInFrontAndTheLastWindowClosedGiveNone)
{
    XvfbServer xvfb;
    ASSERT_TRUE(xvfb.running()) << xvfb.error();
    TempFolder home;
    ScopedEnv display("DISPLAY", xvfb.display());
    ScopedEnv config("XDG_CONFIG_HOME", home.path().string());
    // openbox runs its start-up command once it manages the screen: it says so on a FIFO.
    const std::string ready = (home.path() / "ready").string();
    ASSERT_EQ(::mkfifo(ready.c_str(), 0600), 0);
    const int readyFd = ::open(ready.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(readyFd, 0);
    ChildProcess openbox({"openbox", "--sm-disable", "--startup", "sh -c 'echo > " + ready + "'"});
    ASSERT_TRUE(openbox.started()) << "openbox is installed by scripts/install-deps.sh";
    pollfd started{readyFd, POLLIN, 0};
    const int polled = ::poll(&started, 1, 20000);
    ::close(readyFd);
    ASSERT_EQ(polled, 1) << "openbox did not start";
    TestWindowManager client(xvfb.display());
    ChildProcess sleeper({"/bin/sleep", "1000"});
    ASSERT_TRUE(sleeper.started());
    test::ForegroundReports log(kBound);
    X11ForegroundWatcher watcher(xvfb.display());
    ASSERT_TRUE(watcher.start(log.callback()));
    ASSERT_TRUE(log.waitForCount(1));

    // Asked as a pager asks, openbox activates the window, shows the desktop (taking the
    // focus away), and gives it back to the window.
    const unsigned long window = client.createWindow(sleeper.pid());
    client.requestActivation(window);
    ASSERT_TRUE(log.waitForCount(2)) << ::testing::PrintToString(paths(log.all()));
    client.requestShowingDesktop(true);
    ASSERT_TRUE(log.waitForCount(3));
    client.requestShowingDesktop(false);
    client.requestActivation(window);
    ASSERT_TRUE(log.waitForCount(4));
    client.destroyWindow(window);
    ASSERT_TRUE(log.waitForCount(5));
    const std::string sleepPath = canonical("/bin/sleep");
    EXPECT_EQ(paths(log.all()), std::vector<std::string>({"", sleepPath, "", sleepPath, ""}));
}

}  // namespace
}  // namespace corv
