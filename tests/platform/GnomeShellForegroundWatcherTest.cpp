// The GNOME Shell watcher on a private session bus, with a connection of the test playing the
// shell and its extension (the owner of org.gnome.Shell: ShellVersion, GetExtensionInfo, and
// the extension's Current and FocusChanged), and the checks of what the shell sends as pure
// functions. scripts/gnome-shell-check.sh runs the extension in a real headless shell.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "FakeGnomeShell.h"
#include "ForegroundReports.h"
#include "SessionBus.h"
#include "WaitUntil.h"
#include "platform/FakeForegroundWatcher.h"
#include "platform/GnomeShellExtension.h"
#include "platform/GnomeShellForegroundWatcher.h"

namespace corv {
namespace {

using Reports = test::ForegroundReports;

using namespace std::chrono_literals;
using gnomeshell::ExtensionState;

GVariant* stateInfo(double state)
{
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&b, "{sv}", "state", g_variant_new_double(state));
    g_variant_builder_add(&b, "{sv}", "uuid", g_variant_new_string("x@y"));
    return g_variant_ref_sink(g_variant_builder_end(&b));
}

ExtensionState stateOf(GVariant* info)
{
    const ExtensionState state = gnomeshell::readExtensionInfo(info);
    g_variant_unref(info);
    return state;
}

TEST(GnomeShellExtension, VersionsStatesAndSignalsAreReadAsTheShellSendsThem)
{
    for (const char* old : {"43.9", "44.1", "43"})
        EXPECT_STREQ(gnomeshell::uuidForShell(old), gnomeshell::kUuidGnome43) << old;
    for (const char* recent : {"45.0", "48.beta", "100.1", "", "unknown", "-44"})
        EXPECT_STREQ(gnomeshell::uuidForShell(recent), gnomeshell::kUuid) << recent;

    EXPECT_EQ(stateOf(stateInfo(1)), ExtensionState::Enabled);
    EXPECT_EQ(stateOf(stateInfo(2)), ExtensionState::Disabled);
    EXPECT_EQ(stateOf(stateInfo(6)), ExtensionState::Disabled);  // loaded, never enabled
    EXPECT_EQ(stateOf(stateInfo(3)), ExtensionState::Error);
    EXPECT_EQ(stateOf(stateInfo(4)), ExtensionState::OutOfDate);
    EXPECT_EQ(stateOf(stateInfo(99)), ExtensionState::Missing);
    EXPECT_EQ(stateOf(stateInfo(7)), ExtensionState::Unknown);  // on its way: the change follows
    EXPECT_EQ(stateOf(g_variant_ref_sink(g_variant_new_parsed("@a{sv} {}"))), ExtensionState::Missing);
    EXPECT_EQ(stateOf(g_variant_ref_sink(g_variant_new_parsed("{'state': <'1'>}"))), ExtensionState::Unknown);
    EXPECT_EQ(stateOf(g_variant_ref_sink(g_variant_new_parsed("{'state': <uint32 1>}"))), ExtensionState::Enabled);
    EXPECT_EQ(stateOf(g_variant_ref_sink(g_variant_new_parsed("{'uuid': <'x'>}"))), ExtensionState::Unknown);
    EXPECT_EQ(stateOf(g_variant_ref_sink(g_variant_new_parsed("('a', 1)"))), ExtensionState::Unknown);
    EXPECT_EQ(gnomeshell::readExtensionInfo(nullptr), ExtensionState::Unknown);

    GVariant* focus = g_variant_ref_sink(g_variant_new("(us)", 4242U, "steam_app_1"));
    GVariant* blank = g_variant_ref_sink(g_variant_new("(us)", 0U, "org.gnome.Nautilus"));
    GVariant* wrong = g_variant_ref_sink(g_variant_new("(ss)", "4242", "x"));
    EXPECT_EQ(gnomeshell::readFocusChanged(":1.7", ":1.7", focus), (ForegroundProgram{"", 4242, "steam_app_1"}));
    EXPECT_EQ(gnomeshell::readFocusChanged(":1.7", ":1.7", blank), ForegroundProgram{});  // pid 0 is none
    EXPECT_FALSE(gnomeshell::readFocusChanged(":1.9", ":1.7", focus));                    // a spoofed sender
    EXPECT_FALSE(gnomeshell::readFocusChanged("", "", focus));                            // no shell
    EXPECT_FALSE(gnomeshell::readFocusChanged(":1.7", ":1.7", wrong));
    EXPECT_FALSE(gnomeshell::readFocusChanged(":1.7", ":1.7", nullptr));
    for (GVariant* v : {focus, blank, wrong})
        g_variant_unref(v);
}

// The shell loads the form whose metadata lists its version; the program asks for the form
// uuidForShell names. Both must agree, or the program asks for a form the shell never loads.
TEST(GnomeShellExtension, EachFormListsExactlyTheVersionsForWhichTheProgramAsksForIt)
{
    std::vector<int> covered;
    for (const char* uuid : {gnomeshell::kUuid, gnomeshell::kUuidGnome43}) {
        SCOPED_TRACE(uuid);
        const std::string folder = std::string(CORV_SOURCE_DIR) + "/packaging/gnome-shell/" + uuid;
        std::ifstream file(folder + "/metadata.json");
        ASSERT_TRUE(file.good());
        const nlohmann::json metadata = nlohmann::json::parse(file);
        EXPECT_EQ(metadata.at("uuid").get<std::string>(), uuid);
        const nlohmann::json& versions = metadata.at("shell-version");
        ASSERT_FALSE(versions.empty());
        for (const nlohmann::json& version : versions) {
            EXPECT_STREQ(gnomeshell::uuidForShell(version.get<std::string>()), uuid) << version;
            covered.push_back(std::stoi(version.get<std::string>()));
        }
        EXPECT_TRUE(std::ifstream(folder + "/extension.js").good());
    }
    std::sort(covered.begin(), covered.end());
    EXPECT_EQ(covered, (std::vector<int>{43, 44, 45, 46, 47, 48}));
}

using test::waitUntil;

// Sends a FocusChanged from a connection that does not own org.gnome.Shell, and waits until the
// bus has passed it on: the bus handles one connection's messages in order.
void spoof(GDBusConnection* other, std::uint32_t pid, const char* appId)
{
    g_dbus_connection_emit_signal(other, nullptr, gnomeshell::kObjectPath, gnomeshell::kInterface, gnomeshell::kSignal,
                                  g_variant_new("(us)", pid, appId), nullptr);
    GVariant* id = g_dbus_connection_call_sync(other, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                               "org.freedesktop.DBus", "GetId", nullptr, G_VARIANT_TYPE("(s)"),
                                               G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    ASSERT_NE(id, nullptr);
    g_variant_unref(id);
}

TEST(GnomeShellForegroundWatcher, HearsOnlyTheShellsOwnerReportsChangesOnceAndFollowsARestart)
{
    test::SessionBus bus;
    ASSERT_TRUE(bus.up()) << bus.error();
    const std::uint32_t self = static_cast<std::uint32_t>(::getpid());
    const std::string exe = executableOfProcess(self);
    ASSERT_FALSE(exe.empty());

    auto shell = std::make_unique<test::FakeGnomeShell>(bus.address(), "46.2", 1.0, true, self, "org.corvalantis.Test");
    ASSERT_TRUE(shell->owns());
    Reports reports;
    GnomeShellForegroundWatcher watcher(bus.address());
    ASSERT_TRUE(watcher.start(reports.callback()));
    // The window in front at start, asked of the extension.
    ASSERT_TRUE(reports.waitForCount(1));
    EXPECT_EQ(reports.all()[0], (ForegroundProgram{exe, self, "org.corvalantis.Test"}));
    ASSERT_TRUE(waitUntil([&] { return watcher.extensionUuid() == gnomeshell::kUuid; }));
    EXPECT_EQ(watcher.extensionState(), ExtensionState::Enabled);
    EXPECT_EQ(watcher.missingExtension(), "");

    // Another client sending the shell's signal is not heard; the shell's own repeats are
    // reported once; a pid of 0 is none.
    GDBusConnection* other = test::FakeGnomeShell::connectTo(bus.address());
    ASSERT_NE(other, nullptr);
    spoof(other, self, "spoofed");
    shell->focus(self, "org.corvalantis.Test");  // what was reported already
    shell->focus(self, "next");
    shell->focus(self, "next");
    shell->focus(0, "org.gnome.Nautilus");
    ASSERT_TRUE(reports.waitForCount(3));
    shell->focus(self, "last");
    ASSERT_TRUE(reports.waitForCount(4));
    EXPECT_EQ(reports.all(), (std::vector<ForegroundProgram>{
                                 {exe, self, "org.corvalantis.Test"}, {exe, self, "next"}, {}, {exe, self, "last"}}));

    // The shell goes (none: nobody tells any more), and the old connection is heard no more;
    // a new shell owns the name and is asked for the window in front at once.
    ASSERT_TRUE(shell->release());
    ASSERT_TRUE(reports.waitForCount(5));
    EXPECT_TRUE(reports.all()[4].none());
    auto next = std::make_unique<test::FakeGnomeShell>(bus.address(), "46.2", 1.0, true, self, "restarted");
    ASSERT_TRUE(next->owns());
    ASSERT_TRUE(reports.waitForCount(6));
    EXPECT_EQ(reports.all()[5].appId, "restarted");
    shell->focus(self, "from the old shell");
    next->focus(self, "from the new shell");
    ASSERT_TRUE(reports.waitForCount(7));
    const std::vector<ForegroundProgram> all = reports.all();
    ASSERT_EQ(all.size(), 7U);
    EXPECT_EQ(all[6].appId, "from the new shell");
    EXPECT_EQ(watcher.enableHintsGiven(), 0);

    watcher.stop();
    next->focus(0, "");
    EXPECT_EQ(reports.all().size(), 7U);  // nothing after stop
    g_object_unref(other);
}

TEST(GnomeShellForegroundWatcher, AMissingOrDisabledExtensionIsNoneAndToldOnceWithItsUuid)
{
    struct Case {
        const char* version;
        std::optional<double> state;
        ExtensionState expected;
        const char* uuid;
    };
    for (const Case& c : {Case{"43.9", 2.0, ExtensionState::Disabled, gnomeshell::kUuidGnome43},
                          Case{"47.1", std::nullopt, ExtensionState::Missing, gnomeshell::kUuid},
                          Case{"45.0", 4.0, ExtensionState::OutOfDate, gnomeshell::kUuid}}) {
        SCOPED_TRACE(c.version);
        test::SessionBus bus;
        ASSERT_TRUE(bus.up()) << bus.error();
        test::FakeGnomeShell shell(bus.address(), c.version, c.state, false);
        ASSERT_TRUE(shell.owns());
        Reports reports;
        GnomeShellForegroundWatcher watcher(bus.address());
        ASSERT_TRUE(watcher.start(reports.callback()));
        ASSERT_TRUE(reports.waitForCount(1));
        EXPECT_TRUE(reports.all()[0].none());  // no extension to ask
        ASSERT_TRUE(waitUntil([&] { return watcher.extensionState() == c.expected; }));
        EXPECT_EQ(watcher.missingExtension(), c.uuid);
        EXPECT_EQ(watcher.enableHintsGiven(), 1);

        // Another extension's change is not ours; ours going to another off state is not
        // told again; once enabled, nothing is missing.
        shell.stateChanged("other@example.org", 1);
        shell.stateChanged(c.uuid, 3);
        ASSERT_TRUE(waitUntil([&] { return watcher.extensionState() == ExtensionState::Error; }));
        EXPECT_EQ(watcher.enableHintsGiven(), 1);
        shell.stateChanged(c.uuid, 1);
        ASSERT_TRUE(waitUntil([&] { return watcher.missingExtension().empty(); }));
        EXPECT_EQ(watcher.extensionState(), ExtensionState::Enabled);
        EXPECT_EQ(reports.all().size(), 1U);
    }
}

TEST(GnomeShellForegroundWatcher, TheFallbackTellsUntilTheExtensionDoesAndAgainOnceItIsTurnedOff)
{
    test::SessionBus bus;
    ASSERT_TRUE(bus.up()) << bus.error();
    const std::uint32_t self = static_cast<std::uint32_t>(::getpid());
    test::FakeGnomeShell shell(bus.address(), "46.0", 2.0, false);
    ASSERT_TRUE(shell.owns());
    auto fake = std::make_unique<FakeForegroundWatcher>();
    FakeForegroundWatcher* fallback = fake.get();
    fallback->announce("/usr/games/wine-game");
    Reports reports;
    GnomeShellForegroundWatcher watcher(bus.address(), std::move(fake));
    ASSERT_TRUE(watcher.start(reports.callback()));
    ASSERT_TRUE(reports.waitForCount(1));
    EXPECT_EQ(reports.all()[0].executable, "/usr/games/wine-game");
    // The extension is off: no none from the failed Current hides the fallback's report.
    ASSERT_TRUE(waitUntil([&] { return watcher.missingExtension() == gnomeshell::kUuid; }));
    fallback->announce("/usr/games/other");
    ASSERT_TRUE(reports.waitForCount(2));

    // Enabled, it reports: the fallback stops.
    shell.stateChanged(gnomeshell::kUuid, 1);
    shell.focus(self, "native");
    ASSERT_TRUE(reports.waitForCount(3));
    EXPECT_EQ(reports.all()[2].appId, "native");
    EXPECT_FALSE(fallback->started());

    // Turned off again: the fallback tells again.
    shell.stateChanged(gnomeshell::kUuid, 2);
    ASSERT_TRUE(reports.waitForCount(4));
    EXPECT_TRUE(fallback->started());
    EXPECT_EQ(reports.all()[3].executable, "/usr/games/other");
    EXPECT_EQ(watcher.enableHintsGiven(), 1);
    watcher.stop();
    EXPECT_FALSE(fallback->started());
    EXPECT_EQ(reports.all().size(), 4U);
}

TEST(GnomeShellForegroundWatcher, WithoutTheShellItReportsNoneAndAsksNothing)
{
    test::SessionBus bus;
    ASSERT_TRUE(bus.up()) << bus.error();
    Reports reports;
    GnomeShellForegroundWatcher watcher(bus.address());
    ASSERT_TRUE(watcher.start(reports.callback()));
    ASSERT_TRUE(reports.waitForCount(1));
    EXPECT_TRUE(reports.all()[0].none());
    EXPECT_EQ(watcher.extensionState(), ExtensionState::Unknown);
    EXPECT_EQ(watcher.missingExtension(), "");
    EXPECT_FALSE(watcher.start(reports.callback()));  // already running
    watcher.stop();
    EXPECT_FALSE(GnomeShellForegroundWatcher("unix:path=/nonexistent/bus").start(reports.callback()));
}

}  // namespace
}  // namespace corv
