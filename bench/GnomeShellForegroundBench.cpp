// The GNOME Shell watcher on a private session bus, with tests/platform/FakeGnomeShell.h
// playing the shell and its extension: BM_GnomeShellFocusToReport times the way from the
// shell's FocusChanged (emitted and flushed to the bus) to the watcher's report of the other
// program, switching between two app ids on every iteration. The mean is the figure, the
// largest one a counter. scripts/gnome-shell-check.sh measures the same way in a real shell.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "FakeGnomeShell.h"
#include "ForegroundReports.h"
#include "ReportLatency.h"
#include "SessionBus.h"
#include "platform/GnomeShellForegroundWatcher.h"

namespace {

using namespace corv;

void BM_GnomeShellFocusToReport(benchmark::State& state)
{
    test::SessionBus bus;
    if (!bus.up()) {
        state.SkipWithError(bus.error().c_str());
        return;
    }
    const auto self = static_cast<std::uint32_t>(::getpid());
    test::FakeGnomeShell shell(bus.address(), "46.0", 1.0, true, self, "start");
    test::ForegroundReports reports;
    GnomeShellForegroundWatcher watcher(bus.address());
    watcher.start(reports.callback());
    const auto isApp = [](const char* wanted) {
        return [wanted](const ForegroundProgram& p) { return p.appId == wanted; };
    };
    if (!shell.owns() || !reports.waitForLast(isApp("start"))) {
        state.SkipWithError("the watcher did not hear the shell");
        return;
    }
    const char* names[2] = {"editor", "game"};
    int next = 0;
    bench::ReportLatency latency(state);
    for (auto _ : state) {
        const char* wanted = names[next];
        const auto focus = [&] {
            shell.focus(self, wanted);
            return true;
        };
        if (!latency.round(reports, focus, isApp(wanted), "no report of the program brought to the front"))
            break;
        next = 1 - next;
    }
    watcher.stop();
}
BENCHMARK(BM_GnomeShellFocusToReport)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace
