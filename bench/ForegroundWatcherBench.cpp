// Foreground watcher benchmarks on a private Xvfb (which must be on PATH):
// - the time from the window manager's change of _NET_ACTIVE_WINDOW (its XChangeProperty)
//   to the watcher's report of the new program, switching between the windows of two
//   programs on every iteration; the mean is the figure, the largest one a counter;
// - the wake-ups of the watcher's thread over one second in which nothing changes, as the
//   kernel counts them (voluntary_ctxt_switches of /proc/self/task/TID/status) and as the
//   watcher counts them. Both should be 0.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "ForegroundReports.h"
#include "ReportLatency.h"
#include "TestWindowManager.h"
#include "XvfbServer.h"
#include "platform/X11ForegroundWatcher.h"

namespace {

using namespace corv;
using Clock = std::chrono::steady_clock;

constexpr auto kBound = std::chrono::seconds(10);

// An X server, a window manager and two programs with a window each, and a started
// watcher whose reports are kept with the moment each arrived.
struct Rig {
    Rig()
    {
        if (!xvfb.running()) {
            error = xvfb.error();
            return;
        }
        wm = std::make_unique<test::TestWindowManager>(xvfb.display());
        if (!wm->connected() || !sleeper.started() || !reader.started()) {
            error = "cannot set up the desktop";
            return;
        }
        windows[0] = wm->createWindow(sleeper.pid());
        windows[1] = wm->createWindow(reader.pid());
        wm->activate(windows[0]);
        watcher = std::make_unique<X11ForegroundWatcher>(xvfb.display());
        if (!watcher->start(reports.callback()) || !reports.waitForCount(1))
            error = "the watcher did not start";
    }
    ~Rig()
    {
        if (watcher)
            watcher->stop();
    }

    test::XvfbServer xvfb;
    std::unique_ptr<test::TestWindowManager> wm;
    test::ChildProcess sleeper{{"/bin/sleep", "1000"}};
    test::ChildProcess reader{{"/bin/cat"}};
    unsigned long windows[2] = {};
    test::ForegroundReports reports{kBound};  // declared before the watcher: outlives it
    std::unique_ptr<X11ForegroundWatcher> watcher;
    std::string error;
};

// The value of one line of /proc/self/task/TID/status ("State", "voluntary_ctxt_switches").
std::string taskStatus(int tid, const std::string& key)
{
    std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(key + ":")) {
            const std::size_t value = line.find_first_not_of(" \t", key.size() + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
    }
    return {};
}

long voluntarySwitches(int tid)
{
    const std::string value = taskStatus(tid, "voluntary_ctxt_switches");
    return value.empty() ? -1 : std::stol(value);
}

// Waits until the thread is blocked: its going to sleep after the first report is itself
// a voluntary switch, which must not fall into the measured period.
bool waitUntilBlocked(const X11ForegroundWatcher& watcher)
{
    if (!watcher.thread().waitForSleeps(1, kBound))
        return false;
    const Clock::time_point deadline = Clock::now() + kBound;
    while (!taskStatus(watcher.threadId(), "State").starts_with("S")) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

void BM_ForegroundChangeToReport(benchmark::State& state)
{
    Rig rig;
    if (!rig.error.empty()) {
        state.SkipWithError(rig.error.c_str());
        return;
    }
    int next = 1;
    bench::ReportLatency latency(state);
    for (auto _ : state) {
        const auto activate = [&] {
            rig.wm->activate(rig.windows[next]);
            return true;
        };
        if (!latency.round(
                rig.reports, activate, [](const ForegroundProgram&) { return true; },
                "no report of the new foreground program"))
            break;
        next = 1 - next;
    }
}
BENCHMARK(BM_ForegroundChangeToReport)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_ForegroundIdleWakeUps(benchmark::State& state)
{
    Rig rig;
    if (!rig.error.empty()) {
        state.SkipWithError(rig.error.c_str());
        return;
    }
    if (!waitUntilBlocked(*rig.watcher)) {
        state.SkipWithError("the watcher thread does not go to sleep");
        return;
    }
    const int tid = rig.watcher->threadId();
    double kernelWakeUps = 0;
    double ownWakeUps = 0;
    for (auto _ : state) {
        const long switchesBefore = voluntarySwitches(tid);
        const std::uint64_t wakeUpsBefore = rig.watcher->thread().wakeUps();
        // The measured period: one second in which nothing on the desktop changes.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        kernelWakeUps += static_cast<double>(voluntarySwitches(tid) - switchesBefore);
        ownWakeUps += static_cast<double>(rig.watcher->thread().wakeUps() - wakeUpsBefore);
    }
    state.counters["thread_wakeups_per_s"] = kernelWakeUps / static_cast<double>(state.iterations());
    state.counters["watcher_wakeups_per_s"] = ownWakeUps / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ForegroundIdleWakeUps)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
