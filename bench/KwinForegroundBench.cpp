// The KWin watcher on a private KWin (tests/platform/KwinSession.h) and session bus:
// BM_KwinDesktopSwitchToReport times the way from a switch of the virtual desktop asked of
// KWin over D-Bus to the watcher's report: an empty desktop gives none, the first one the
// window on it. The mean is the figure, the largest one a counter.
#include <benchmark/benchmark.h>
#include <gio/gio.h>

#include <cstdint>

#include "ChildProcess.h"
#include "ForegroundReports.h"
#include "KwinSession.h"
#include "ReportLatency.h"
#include "SessionBus.h"
#include "platform/KwinForegroundWatcher.h"

#ifdef CORV_TEST_WINDOW  // the window comes with the tests' build
namespace {

using namespace corv;

void BM_KwinDesktopSwitchToReport(benchmark::State& state)
{
    test::SessionBus bus;
    if (!bus.up()) {
        state.SkipWithError(bus.error().c_str());
        return;
    }
    test::KwinSession kwin("wayland-kwb");
    test::ForegroundReports reports;
    KwinForegroundWatcher watcher(bus.address(), kwin.runtimeDir().string());
    const bool started = kwin.started() && watcher.start(reports.callback());
    const auto isPid = [](std::uint32_t wanted) {
        return [wanted](const ForegroundProgram& p) { return p.pid == wanted; };
    };
    // The script's first report (none, on the empty desktop) says KWin is up.
    const bool up = started && reports.waitForLast(isPid(0));
    GDBusConnection* c = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    test::ChildProcess window({CORV_TEST_WINDOW, "window"}, -1, {}, {"QT_QPA_PLATFORM=wayland"});
    if (!up || c == nullptr || !reports.waitForLast(isPid(static_cast<std::uint32_t>(window.pid()))) ||
        !test::KwinSession::call(c, "/VirtualDesktopManager", "org.kde.KWin.VirtualDesktopManager", "createDesktop",
                                 g_variant_new("(us)", 1U, "second"))) {
        state.SkipWithError("KWin, the script or the window did not come up");
    } else {
        int desktop = 2;
        bench::ReportLatency latency(state);
        for (auto _ : state) {
            const std::uint32_t wanted = desktop == 2 ? 0U : static_cast<std::uint32_t>(window.pid());
            const auto switchDesktop = [&] {
                return test::KwinSession::call(c, "/KWin", "org.kde.KWin", "setCurrentDesktop",
                                               g_variant_new("(i)", desktop));
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
BENCHMARK(BM_KwinDesktopSwitchToReport)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);

}  // namespace
#endif
