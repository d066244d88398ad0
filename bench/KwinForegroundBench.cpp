// The KWin watcher on a private KWin (kwin_wayland --virtual, a copy of the installed binary,
// on a private session bus): BM_KwinDesktopSwitchToReport times the way from a switch of the
// virtual desktop asked of KWin over D-Bus to the watcher's report: an empty desktop gives
// none, the first one the window on it. The mean is the figure, the largest one a counter.
#include <benchmark/benchmark.h>
#include <gio/gio.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "ChildProcess.h"
#include "ForegroundReports.h"
#include "ReportLatency.h"
#include "ScopedEnv.h"
#include "SessionBus.h"
#include "platform/KwinForegroundWatcher.h"

#ifdef CORV_TEST_WINDOW  // the window comes with the tests' build
namespace {

using namespace corv;

bool callKwin(GDBusConnection* c, const char* path, const char* interface, const char* method, GVariant* args)
{
    GVariant* reply = g_dbus_connection_call_sync(c, "org.kde.KWin", path, interface, method, args, nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    if (reply != nullptr)
        g_variant_unref(reply);
    return reply != nullptr;
}

void BM_KwinDesktopSwitchToReport(benchmark::State& state)
{
    test::SessionBus bus;
    std::string pattern = (std::filesystem::temp_directory_path() / "corv-bench-XXXXXX").string();
    if (!bus.up() || ::mkdtemp(pattern.data()) == nullptr) {
        state.SkipWithError("no private bus or folder");
        return;
    }
    const std::filesystem::path runtime = pattern;
    const std::filesystem::path kwinCopy = runtime / "kwin_wayland";
    std::error_code ec;
    std::filesystem::copy_file("/usr/bin/kwin_wayland", kwinCopy, ec);
    test::ScopedEnv runtimeDir("XDG_RUNTIME_DIR", runtime.string());
    test::ScopedEnv display("WAYLAND_DISPLAY", "wayland-kwb");
    test::ScopedEnv qpa("QT_QPA_PLATFORM", std::nullopt);
    {
        test::ChildProcess kwin(
            {kwinCopy.string(), "--virtual", "--no-lockscreen", "--no-global-shortcuts", "--socket", "wayland-kwb"});
        test::ForegroundReports reports;
        KwinForegroundWatcher watcher(bus.address(), runtime.string());
        const bool started = kwin.started() && watcher.start(reports.callback());
        const auto isPid = [](std::uint32_t wanted) {
            return [wanted](const ForegroundProgram& p) { return p.pid == wanted; };
        };
        // The script's first report (none, on the empty desktop) says KWin is up.
        const bool up = started && reports.waitForLast(isPid(0));
        GDBusConnection* c = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        test::ChildProcess window({CORV_TEST_WINDOW, "window"}, -1, {}, {"QT_QPA_PLATFORM=wayland"});
        if (!up || c == nullptr || !reports.waitForLast(isPid(static_cast<std::uint32_t>(window.pid()))) ||
            !callKwin(c, "/VirtualDesktopManager", "org.kde.KWin.VirtualDesktopManager", "createDesktop",
                      g_variant_new("(us)", 1U, "second"))) {
            state.SkipWithError("KWin, the script or the window did not come up");
        } else {
            int desktop = 2;
            bench::ReportLatency latency(state);
            for (auto _ : state) {
                const std::uint32_t wanted = desktop == 2 ? 0U : static_cast<std::uint32_t>(window.pid());
                const auto switchDesktop = [&] {
                    return callKwin(c, "/KWin", "org.kde.KWin", "setCurrentDesktop", g_variant_new("(i)", desktop));
                };
                if (!latency.round(reports, switchDesktop, isPid(wanted), "no report after the switch"))
                    break;
                desktop = 3 - desktop;
            }
        }
        watcher.stop();
        if (c != nullptr)
            g_object_unref(c);
    }
    std::filesystem::remove_all(runtime, ec);
}
BENCHMARK(BM_KwinDesktopSwitchToReport)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);

}  // namespace
#endif
