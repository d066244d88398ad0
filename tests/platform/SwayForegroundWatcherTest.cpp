// The sway watcher, the wlroots window-list watcher and the X11 watcher under sway's
// Xwayland, on a private headless sway with real Wayland clients (foot terminals), the focus
// moved with swaymsg; and the window list's bookkeeping fed what a broken compositor sends.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include "ChildProcess.h"
#include "ForegroundReports.h"
#include "ScopedEnv.h"
#include "SwaySession.h"
#include "TestWindowManager.h"
#include "platform/SwayForegroundWatcher.h"
#include "platform/Utf.h"
#include "platform/WlrToplevelForegroundWatcher.h"
#include "platform/WlrToplevelList.h"
#include "platform/X11ForegroundWatcher.h"

namespace corv {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::SwaySession;
using Reports = test::ForegroundReports;

auto isApp(const std::string& appId)
{
    return [appId](const ForegroundProgram& p) { return p.appId == appId && p.pid != 0; };
}
auto isNone()
{
    return [](const ForegroundProgram& p) { return p.none(); };
}

TEST(SwayForegroundWatcher, FocusEmptyWorkspacesAndClosedWindowsAsSwayTellsThem)
{
    SwaySession sway;
    ASSERT_TRUE(sway.running()) << sway.error();
    Reports reports;
    SwayForegroundWatcher watcher(sway.ipcSocket());
    ASSERT_TRUE(watcher.start(reports.callback()));
    std::size_t seen = 0;
    ASSERT_TRUE(reports.waitFor(isNone(), &seen)) << "an empty desktop at start";

    const auto editor = sway.startClient("/usr/bin/foot", {"--app-id=editor", "sleep", "1000"});
    ASSERT_TRUE(reports.waitFor(isApp("editor"), &seen));
    const auto game = sway.startClient("/usr/bin/foot", {"--app-id=game", "sleep", "1000"}, "game");
    ASSERT_TRUE(reports.waitFor(isApp("game"), &seen));
    const ForegroundProgram gameReport = reports.all()[seen - 1];
    EXPECT_EQ(gameReport.pid, static_cast<std::uint32_t>(game->pid()));
    EXPECT_EQ(gameReport.executable, sway.runtimeDir() + "/game");

    ASSERT_TRUE(sway.command("[app_id=\"editor\"] focus"));
    ASSERT_TRUE(reports.waitFor(isApp("editor"), &seen));
    ASSERT_TRUE(sway.command("workspace 2"));  // empty: no window in front
    ASSERT_TRUE(reports.waitFor(isNone(), &seen));
    ASSERT_TRUE(sway.command("workspace 1"));
    ASSERT_TRUE(reports.waitFor(isApp("editor"), &seen));
    // The focused window closes: the focus goes to the game, then nothing is left.
    editor->end(SIGTERM);
    ASSERT_TRUE(reports.waitFor(isApp("game"), &seen));
    game->end(SIGTERM);
    ASSERT_TRUE(reports.waitFor(isNone(), &seen));
    // No repeated report: every report differs from the one before.
    const std::vector<ForegroundProgram> all = reports.all();
    for (std::size_t i = 1; i < all.size(); ++i)
        EXPECT_FALSE(all[i] == all[i - 1]) << i;
    watcher.stop();
    EXPECT_TRUE(watcher.thread().ended());
}

// The window list names no process: reports carry the app id alone. A hostile app id (long,
// not UTF-8) arrives cut to a bounded length with its bytes kept.
TEST(WlrToplevelForegroundWatcher, ReportsTheActivatedWindowsAppIdAndNoneWhenNoWindowIsActivated)
{
    EXPECT_FALSE(WlrToplevelForegroundWatcher::offered("/nonexistent/wayland-9"));
    EXPECT_FALSE(WlrToplevelForegroundWatcher("/nonexistent/wayland-9").start([](const ForegroundProgram&) {}));

    SwaySession sway;
    ASSERT_TRUE(sway.running()) << sway.error();
    ASSERT_TRUE(WlrToplevelForegroundWatcher::offered(sway.waylandSocket()));
    {
        // A wlroots compositor the program does not otherwise know: the list's watcher when
        // the compositor offers the list; none at all without the list and without Xwayland.
        test::ScopedEnv session("XDG_SESSION_TYPE", "wayland");
        test::ScopedEnv desktop("XDG_CURRENT_DESKTOP", "river");
        test::ScopedEnv swaySocket("SWAYSOCK", std::nullopt);
        test::ScopedEnv hyprland("HYPRLAND_INSTANCE_SIGNATURE", std::nullopt);
        test::ScopedEnv x11("DISPLAY", std::nullopt);
        test::ScopedEnv wayland("WAYLAND_DISPLAY", sway.waylandSocket());
        const std::unique_ptr<ForegroundWatcher> made = makeForegroundWatcher();
        EXPECT_NE(dynamic_cast<WlrToplevelForegroundWatcher*>(made.get()), nullptr);
        test::ScopedEnv elsewhere("WAYLAND_DISPLAY", "/nonexistent/wayland-9");
        EXPECT_EQ(makeForegroundWatcher(), nullptr);
    }
    Reports reports;
    WlrToplevelForegroundWatcher watcher(sway.waylandSocket());
    ASSERT_TRUE(watcher.start(reports.callback()));
    EXPECT_FALSE(watcher.start(reports.callback())) << "runs already";
    std::size_t seen = 0;
    ASSERT_TRUE(reports.waitFor(isNone(), &seen)) << "an empty desktop at start";
    const auto byAppId = [](const std::string& appId) {
        return [appId](const ForegroundProgram& p) { return p.appId == appId && p.pid == 0 && p.executable.empty(); };
    };

    const auto editor = sway.startClient("/usr/bin/foot", {"--app-id=editor", "sleep", "1000"});
    ASSERT_TRUE(reports.waitFor(byAppId("editor"), &seen));
    const auto game = sway.startClient("/usr/bin/foot", {"--app-id=game", "sleep", "1000"});
    ASSERT_TRUE(reports.waitFor(byAppId("game"), &seen));
    ASSERT_TRUE(sway.command("[app_id=\"editor\"] focus"));
    ASSERT_TRUE(reports.waitFor(byAppId("editor"), &seen));
    ASSERT_TRUE(sway.command("workspace 2"));  // empty: no window activated
    ASSERT_TRUE(reports.waitFor(isNone(), &seen));
    ASSERT_TRUE(sway.command("workspace 1"));
    ASSERT_TRUE(reports.waitFor(byAppId("editor"), &seen));

    const std::string hostileId = "\xff\xfe" + std::string(600, 'h');
    const auto hostile = sway.startClient("/usr/bin/foot", {"--app-id=" + hostileId, "sleep", "1000"});
    const std::string cut(utf::truncateChars(hostileId, WlrToplevelList::kMaxAppIdChars));
    ASSERT_EQ(cut.size(), WlrToplevelList::kMaxAppIdChars);
    ASSERT_TRUE(reports.waitFor(byAppId(cut), &seen));
    hostile->end(SIGTERM);
    editor->end(SIGTERM);
    ASSERT_TRUE(reports.waitFor(byAppId("game"), &seen));
    game->end(SIGTERM);
    ASSERT_TRUE(reports.waitFor(isNone(), &seen)) << "the last window closed";
    const std::vector<ForegroundProgram> all = reports.all();
    for (std::size_t i = 1; i < all.size(); ++i)
        EXPECT_FALSE(all[i] == all[i - 1]) << i;
    watcher.stop();
    EXPECT_TRUE(watcher.thread().ended());

    // The compositor goes away under a running watcher: its thread ends by itself.
    std::unique_ptr<WlrToplevelForegroundWatcher> orphan;
    {
        SwaySession brief;
        ASSERT_TRUE(brief.running()) << brief.error();
        orphan = std::make_unique<WlrToplevelForegroundWatcher>(brief.waylandSocket());
        ASSERT_TRUE(orphan->start([](const ForegroundProgram&) {}));
    }
    EXPECT_TRUE(orphan->thread().waitUntilEnded(30s));
    orphan->stop();
}

// What a broken or hostile compositor may send: events for windows it never listed, state
// arrays of odd lengths, changes without their "done", a window closed while activated.
TEST(WlrToplevelList, TakesOnlyWhatADoneConfirmsAndIgnoresMalformedEvents)
{
    WlrToplevelList list;
    const auto states = [](std::vector<std::uint32_t> values, std::size_t extraBytes = 0) {
        std::string bytes(values.size() * 4 + extraBytes, '\x02');
        if (!values.empty())
            std::memcpy(bytes.data(), values.data(), values.size() * 4);
        return bytes;
    };
    list.added(7);
    list.appIdChanged(7, "Editor");
    std::string activated = states({0, WlrToplevelList::kActivated});
    list.stateChanged(7, activated.data(), activated.size());
    EXPECT_TRUE(list.front().none()) << "nothing counts before done";
    list.done(7);
    EXPECT_EQ(list.front().appId, "Editor");

    // Unknown windows, a null array, and a trailing partial entry change nothing.
    list.appIdChanged(99, "ghost");
    list.stateChanged(99, activated.data(), activated.size());
    list.done(99);
    list.closed(99);
    const std::string partial = states({0}, 3);
    list.added(8);
    list.appIdChanged(8, "game");
    list.stateChanged(8, partial.data(), partial.size());
    list.stateChanged(8, nullptr, 64);
    list.done(8);
    EXPECT_EQ(list.front().appId, "Editor");
    EXPECT_EQ(list.size(), 2u);

    // Two windows activated (two seats): the later one; it closes: the other again.
    list.stateChanged(8, activated.data(), activated.size());
    list.done(8);
    EXPECT_EQ(list.front().appId, "game");
    list.closed(8);
    EXPECT_EQ(list.front().appId, "Editor");
    // An app id beyond the bound is cut without splitting a character; an empty one is none.
    const std::string longId = std::string(WlrToplevelList::kMaxAppIdChars - 1, 'a') + "\xc3\xa9\xc3\xa9";
    list.appIdChanged(7, longId);
    list.done(7);
    EXPECT_EQ(list.front().appId, longId.substr(0, longId.size() - 2));
    list.appIdChanged(7, "");
    list.done(7);
    EXPECT_TRUE(list.front().none());
    // Deactivated, or closed while activated: none.
    list.appIdChanged(7, "Editor");
    const std::string idle = states({});
    list.stateChanged(7, idle.data(), idle.size());
    list.done(7);
    EXPECT_TRUE(list.front().none());
    list.stateChanged(7, activated.data(), activated.size());
    list.done(7);
    list.closed(7);
    EXPECT_TRUE(list.front().none());
    EXPECT_EQ(list.size(), 0u);
}

// Xwayland's _NET_ACTIVE_WINDOW becomes None while a native Wayland window has the focus:
// the X11 watcher then reports none, so a linked X11 program does not stay "in front".
TEST(SwayForegroundWatcher, UnderXwaylandANativeWindowInFrontIsNone)
{
    SwaySession sway(true);
    ASSERT_TRUE(sway.running()) << sway.error();
    ASSERT_FALSE(sway.xDisplay().empty());
    Reports reports;
    X11ForegroundWatcher watcher(sway.xDisplay());
    ASSERT_TRUE(watcher.start(reports.callback()));
    std::size_t seen = 0;
    // sway gives the focus to each new window: first an X11 one, then a native one.
    ChildProcess sleeper({"/bin/sleep", "1000"});
    test::TestWindowManager x11(sway.xDisplay());
    ASSERT_TRUE(x11.connected()) << sway.xDisplay();
    const unsigned long window = x11.createWindow(sleeper.pid());
    const auto sleeperPid = static_cast<std::uint32_t>(sleeper.pid());
    ASSERT_NE(window, 0UL);
    ASSERT_TRUE(reports.waitFor([&](const ForegroundProgram& p) { return p.pid == sleeperPid; }, &seen));
    EXPECT_EQ(reports.all()[seen - 1].executable, std::filesystem::canonical("/bin/sleep").string());
    const auto native = sway.startClient("/usr/bin/foot", {"--app-id=native", "sleep", "1000"});
    ASSERT_TRUE(reports.waitFor(isNone(), &seen));
}

}  // namespace
}  // namespace corv
