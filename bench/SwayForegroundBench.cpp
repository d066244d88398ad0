// The sway watcher on a private headless sway (tests/platform/SwaySession.h: sway and foot
// must be installed; as root the session runs as the user corv-desktop-test):
// BM_SwayFocusToReport times the way from a focus command written to sway's IPC socket (as
// swaymsg writes it) to the watcher's report of the other program, switching between two
// foot terminals of two executables on every iteration. The mean is the figure, the largest
// one a counter. The command's own reply is read by nobody: the clock stops at the report.
// BM_WlrToplevelFocusToReport times the same way to the report of the watcher of the
// compositor's foreign-toplevel list, a Wayland client of the same sway.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "ForegroundReports.h"
#include "ReportLatency.h"
#include "SwaySession.h"
#include "platform/SwayForegroundWatcher.h"
#include "platform/SwayIpc.h"
#include "platform/UnixSocket.h"
#include "platform/WlrToplevelForegroundWatcher.h"

namespace {

using namespace corv;

enum class Watcher { SwayIpc, WindowList };

void focusToReport(benchmark::State& state, Watcher kind)
{
    test::SwaySession sway;
    if (!sway.running()) {
        state.SkipWithError(sway.error().c_str());
        return;
    }
    const auto editor = sway.startClient("/usr/bin/foot", {"--app-id=editor", "sleep", "1000"});
    const auto game = sway.startClient("/usr/bin/foot", {"--app-id=game", "sleep", "1000"}, "game");
    test::ForegroundReports reports;
    std::unique_ptr<ForegroundWatcher> watcher;
    if (kind == Watcher::SwayIpc)
        watcher = std::make_unique<SwayForegroundWatcher>(sway.ipcSocket());
    else
        watcher = std::make_unique<WlrToplevelForegroundWatcher>(sway.waylandSocket());
    watcher->start(reports.callback());
    const auto isApp = [](const std::string& wanted) {
        return [wanted](const ForegroundProgram& p) { return p.appId == wanted; };
    };
    if (!reports.waitForLast(isApp("game"))) {  // the last client started has the focus
        state.SkipWithError("the clients did not come up");
        return;
    }
    const int commands = unixsocket::connectTo(sway.ipcSocket());
    const char* names[2] = {"editor", "game"};
    int next = 0;
    bench::ReportLatency latency(state);
    for (auto _ : state) {
        const std::string wanted = names[next];
        const auto focus = [&] {
            return unixsocket::writeAll(commands, sway::encode(sway::kRunCommand, "[app_id=\"" + wanted + "\"] focus"));
        };
        if (!latency.round(reports, focus, isApp(wanted), "no report of the program brought to the front"))
            break;
        std::string reply;  // the command's answer, so that the socket never fills up
        unixsocket::readSome(commands, &reply);
        next = 1 - next;
    }
    ::close(commands);
    watcher->stop();
}

void BM_SwayFocusToReport(benchmark::State& state) { focusToReport(state, Watcher::SwayIpc); }
void BM_WlrToplevelFocusToReport(benchmark::State& state) { focusToReport(state, Watcher::WindowList); }
BENCHMARK(BM_SwayFocusToReport)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WlrToplevelFocusToReport)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace
