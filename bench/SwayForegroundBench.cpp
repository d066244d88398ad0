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

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "SwaySession.h"
#include "platform/SwayForegroundWatcher.h"
#include "platform/SwayIpc.h"
#include "platform/UnixSocket.h"
#include "platform/WlrToplevelForegroundWatcher.h"

namespace {

using namespace corv;
using Clock = std::chrono::steady_clock;

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
    std::mutex mutex;
    std::condition_variable reported;
    std::string appId;
    Clock::time_point at;
    std::unique_ptr<ForegroundWatcher> watcher;
    if (kind == Watcher::SwayIpc)
        watcher = std::make_unique<SwayForegroundWatcher>(sway.ipcSocket());
    else
        watcher = std::make_unique<WlrToplevelForegroundWatcher>(sway.waylandSocket());
    watcher->start([&](const ForegroundProgram& p) {
        const Clock::time_point now = Clock::now();
        std::lock_guard<std::mutex> guard(mutex);
        appId = p.appId;
        at = now;
        reported.notify_all();
    });
    const auto waitFor = [&](const std::string& wanted) {
        std::unique_lock<std::mutex> lock(mutex);
        return reported.wait_for(lock, std::chrono::seconds(30), [&] { return appId == wanted; });
    };
    if (!waitFor("game")) {  // the last client started has the focus
        state.SkipWithError("the clients did not come up");
        return;
    }
    const int commands = unixsocket::connectTo(sway.ipcSocket());
    const char* names[2] = {"editor", "game"};
    int next = 0;
    double longest = 0;
    for (auto _ : state) {
        const std::string wanted = names[next];
        const Clock::time_point sent = Clock::now();
        if (!unixsocket::writeAll(commands, sway::encode(sway::kRunCommand, "[app_id=\"" + wanted + "\"] focus")) ||
            !waitFor(wanted)) {
            state.SkipWithError("no report of the program brought to the front");
            break;
        }
        double seconds = 0;
        {
            std::lock_guard<std::mutex> guard(mutex);
            seconds = std::chrono::duration<double>(at - sent).count();
        }
        state.SetIterationTime(seconds);
        longest = std::max(longest, seconds);
        std::string reply;  // the command's answer, so that the socket never fills up
        unixsocket::readSome(commands, &reply);
        next = 1 - next;
    }
    state.counters["longest_ms"] = longest * 1000.0;
    ::close(commands);
    watcher->stop();
}

void BM_SwayFocusToReport(benchmark::State& state) { focusToReport(state, Watcher::SwayIpc); }
void BM_WlrToplevelFocusToReport(benchmark::State& state) { focusToReport(state, Watcher::WindowList); }
BENCHMARK(BM_SwayFocusToReport)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WlrToplevelFocusToReport)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace
