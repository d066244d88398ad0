#pragma once
// The watcher benchmarks' measurement: one round per iteration, from a trigger (a focus
// command, a desktop switch, a property change) to the watcher's report it causes. The
// iteration's time is the report's arrival less the moment before the trigger; the longest
// round becomes the counter longest_ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>

#include "ForegroundReports.h"

namespace corv::bench {

class ReportLatency {
public:
    explicit ReportLatency(benchmark::State& state) : state_(state) { }
    ~ReportLatency() { state_.counters["longest_ms"] = longest_ * 1000.0; }
    ReportLatency(const ReportLatency&) = delete;
    ReportLatency& operator=(const ReportLatency&) = delete;

    // Runs trigger (false: it failed) and waits for the first later report that matches.
    // False, with the benchmark skipped for `failure`, when the trigger failed or no such
    // report came within the reports' bound.
    template <typename Trigger, typename Match>
    bool round(test::ForegroundReports& reports, Trigger trigger, Match match, const char* failure)
    {
        std::size_t from = reports.size();
        const auto sent = test::ForegroundReports::Clock::now();
        test::ForegroundReports::Clock::time_point at;
        if (!trigger() || !reports.waitFor(match, &from, &at)) {
            state_.SkipWithError(failure);
            return false;
        }
        const double seconds = std::chrono::duration<double>(at - sent).count();
        state_.SetIterationTime(seconds);
        longest_ = std::max(longest_, seconds);
        return true;
    }

private:
    benchmark::State& state_;
    double longest_ = 0;
};

}  // namespace corv::bench
