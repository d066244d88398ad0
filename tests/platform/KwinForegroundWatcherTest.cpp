// The KWin watcher against a real KWin (tests/platform/KwinSession.h) on a private session
// bus, and the checks of KWin's calls as pure functions.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "ForegroundReports.h"
#include "KwinSession.h"
#include "SessionBus.h"
#include "WaitUntil.h"
#include "platform/KwinForegroundWatcher.h"
#include "platform/KwinScript.h"

namespace corv {
namespace {

using Reports = test::ForegroundReports;

bool isNone(const ForegroundProgram& p) { return p.none(); }
auto hasPid(pid_t pid)
{
    return [pid](const ForegroundProgram& p) { return p.pid == static_cast<std::uint32_t>(pid); };
}

using namespace std::chrono_literals;

TEST(KwinScript, OnlyKwinsOwnerIsHeardAndAPidOfZeroIsNone)
{
    EXPECT_EQ(kwin::readCall(":1.7", ":1.7", "4242", "steam_app_1"), (ForegroundProgram{"", 4242, "steam_app_1"}));
    EXPECT_EQ(kwin::readCall(":1.7", ":1.7", "0", ""), ForegroundProgram{});
    EXPECT_FALSE(kwin::readCall(":1.9", ":1.7", "4242", "x"));  // a spoofed sender
    EXPECT_FALSE(kwin::readCall(":1.7", "", "4242", "x"));      // KWin is not there
    for (const char* bad : {"", "-1", "42x", "99999999999", "0x10"})
        EXPECT_FALSE(kwin::readCall(":1.7", ":1.7", bad, "x")) << bad;
    const std::string script = kwin::script(":1.42");
    EXPECT_NE(script.find("callDBus(\":1.42\", \"/org/corvalantis/Foreground\""), std::string::npos);
    EXPECT_NE(script.find("workspace.windowActivated"), std::string::npos);
    EXPECT_NE(script.find("workspace.clientActivated"), std::string::npos);
}

bool scriptLoaded(GDBusConnection* c)
{
    GVariant* reply = g_dbus_connection_call_sync(
        c, "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "isScriptLoaded",
        g_variant_new("(s)", kwin::kScriptName), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    gboolean loaded = FALSE;
    if (reply != nullptr) {
        g_variant_get(reply, "(b)", &loaded);
        g_variant_unref(reply);
    }
    return loaded != FALSE;
}

using test::waitUntil;

TEST(KwinForegroundWatcher, TheScriptIsLoadedReportsOnlyThroughKwinAndIsUnloadedAtStop)
{
    test::SessionBus bus;
    ASSERT_TRUE(bus.up()) << bus.error();
    test::KwinSession kwin("wayland-kw");
    ASSERT_TRUE(kwin.started());
    const std::filesystem::path& runtime = kwin.runtimeDir();

    Reports reports;
    KwinForegroundWatcher watcher(bus.address(), runtime.string());
    ASSERT_TRUE(watcher.start(reports.callback()));
    ASSERT_TRUE(waitUntil([&] { return watcher.loads() == 1; })) << "KWin did not load the script";

    // The script reports the window in front as soon as it runs: none on an empty desktop.
    ASSERT_TRUE(reports.waitForLast(isNone));
    EXPECT_TRUE(reports.last().none());

    // Another client of the bus calling us as KWin would is refused.
    GDBusConnection* other = g_dbus_connection_new_for_address_sync(
        bus.address().c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    // Our watcher's unique name is the script's first string.
    std::ifstream scriptFile(runtime / (std::string(kwin::kScriptName) + ".js"));
    const std::string script((std::istreambuf_iterator<char>(scriptFile)), std::istreambuf_iterator<char>());
    const std::size_t at = script.find("callDBus(\"") + 10;
    const std::string watcherName = script.substr(at, script.find('"', at) - at);
    GError* error = nullptr;
    GVariant* spoofed = g_dbus_connection_call_sync(other, watcherName.c_str(), kwin::kObjectPath, kwin::kInterface,
                                                    kwin::kMethod, g_variant_new("(ss)", "1", "init"), nullptr,
                                                    G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    EXPECT_EQ(spoofed, nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_NE(std::string(error->message).find("only KWin"), std::string::npos) << error->message;
    g_error_free(error);
    EXPECT_EQ(reports.size(), 1U);
    EXPECT_EQ(watcher.loads(), 1);

    // Real windows (native Wayland clients): each in front is reported with its process;
    // an empty desktop and the last window closed give none.
    const std::vector<std::string> wayland = {"QT_QPA_PLATFORM=wayland"};
    test::ChildProcess editor({CORV_TEST_WINDOW, "editor"}, -1, {}, wayland);
    ASSERT_TRUE(reports.waitForLast(hasPid(editor.pid()))) << "the first window was not reported";
    EXPECT_EQ(reports.last().executable, std::filesystem::canonical(CORV_TEST_WINDOW).string());
    EXPECT_EQ(reports.last().appId, "corv_test_window");
    test::ChildProcess game({CORV_TEST_WINDOW, "game"}, -1, {}, wayland);
    ASSERT_TRUE(reports.waitForLast(hasPid(game.pid())));
    // Another virtual desktop, empty: none; back: the game again.
    ASSERT_TRUE(test::KwinSession::call(other, "/VirtualDesktopManager", "org.kde.KWin.VirtualDesktopManager",
                                        "createDesktop", g_variant_new("(us)", 1U, "second")));
    ASSERT_TRUE(test::KwinSession::call(other, "/KWin", "org.kde.KWin", "setCurrentDesktop", g_variant_new("(i)", 2)));
    ASSERT_TRUE(reports.waitForLast(isNone));
    ASSERT_TRUE(test::KwinSession::call(other, "/KWin", "org.kde.KWin", "setCurrentDesktop", g_variant_new("(i)", 1)));
    ASSERT_TRUE(reports.waitForLast(hasPid(game.pid())));
    // The game closes: KWin gives the focus back to the editor.
    game.end(SIGTERM);
    ASSERT_TRUE(reports.waitForLast(hasPid(editor.pid())));
    editor.end(SIGTERM);
    ASSERT_TRUE(reports.waitForLast(isNone));

    // KWin restarts: the script is loaded into the new one and reports again.
    kwin.restart();
    ASSERT_TRUE(kwin.started());
    ASSERT_TRUE(waitUntil([&] { return watcher.loads() == 2; })) << "not loaded into the restarted KWin";

    // A second watcher loads a script of the same name: the stale one goes first.
    Reports again;
    KwinForegroundWatcher next(bus.address(), runtime.string());
    ASSERT_TRUE(next.start(again.callback()));
    ASSERT_TRUE(waitUntil([&] { return next.loads() == 1; }));
    ASSERT_TRUE(again.waitForLast(isNone));
    next.stop();
    watcher.stop();
    EXPECT_FALSE(scriptLoaded(other)) << "the script stays loaded after stop";
    EXPECT_FALSE(std::filesystem::exists(runtime / (std::string(kwin::kScriptName) + ".js")));
    g_object_unref(other);
}

}  // namespace
}  // namespace corv
