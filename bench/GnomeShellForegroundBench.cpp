// The GNOME Shell watcher on a private session bus, with tests/platform/FakeGnomeShell.h
// playing the shell and its extension: BM_GnomeShellFocusToReport times the way from the
// shell's FocusChanged (emitted and flushed to the bus) to the watcher's report of the other
// program, switching between two app ids on every iteration. The mean is the figure, the
// largest one a counter. scripts/gnome-shell-check.sh measures the same way in a real shell.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "FakeGnomeShell.h"
#include "SessionBus.h"
#include "platform/GnomeShellForegroundWatcher.h"

namespace {

using namespace corv;
using Clock = std::chrono::steady_clock;

void BM_GnomeShellFocusToReport(benchmark::State& state)
{
    test::SessionBus bus;
    if (!bus.up()) {
        state.SkipWithError(bus.error().c_str());
        return;
    }
    const auto self = static_cast<std::uint32_t>(::getpid());
    test::FakeGnomeShell shell(bus.address(), "46.0", 1.0, true, self, "start");
    std::mutex mutex;
    std::condition_variable reported;
    std::string appId;
    Clock::time_point at;
    GnomeShellForegroundWatcher watcher(bus.address());
    watcher.start([&](const ForegroundProgram& p) {
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
    if (!shell.owns() || !waitFor("start")) {
        state.SkipWithError("the watcher did not hear the shell");
        return;
    }
    const char* names[2] = {"editor", "game"};
    int next = 0;
    double longest = 0;
    for (auto _ : state) {
        const std::string wanted = names[next];
        const Clock::time_point sent = Clock::now();
        shell.focus(self, wanted.c_str());
        if (!waitFor(wanted)) {
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
        next = 1 - next;
    }
    state.counters["longest_ms"] = longest * 1000.0;
    watcher.stop();
}
BENCHMARK(BM_GnomeShellFocusToReport)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace
