#pragma once
// Everything a foreground watcher reported, in order, with the moment each arrived, for the
// watcher tests and benchmarks: the callback to hand to start(), and bounded waits for what
// a test expects next.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include "platform/ForegroundWatcher.h"

namespace corv::test {

class ForegroundReports {
public:
    using Clock = std::chrono::steady_clock;

    explicit ForegroundReports(std::chrono::milliseconds bound = std::chrono::seconds(30)) : bound_(bound) { }

    ForegroundWatcher::Callback callback()
    {
        return [this](const ForegroundProgram& program) {
            const Clock::time_point now = Clock::now();
            std::lock_guard<std::mutex> guard(mutex_);
            all_.push_back(program);
            times_.push_back(now);
            changed_.notify_all();
        };
    }
    // True when there are at least n reports within the bound.
    bool waitForCount(std::size_t n)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, bound_, [&] { return all_.size() >= n; });
    }
    // True when the latest report matches within the bound.
    template <typename Match> bool waitForLast(Match match)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, bound_, [&] { return !all_.empty() && match(all_.back()); });
    }
    // True when a report after the first *from matches within the bound; *from then counts
    // the reports up to and including it, and *at (when given) is when it arrived.
    template <typename Match> bool waitFor(Match match, std::size_t* from, Clock::time_point* at = nullptr)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, bound_, [&] {
            for (; *from < all_.size(); ++*from) {
                if (match(all_[*from])) {
                    if (at != nullptr)
                        *at = times_[*from];
                    ++*from;
                    return true;
                }
            }
            return false;
        });
    }
    std::vector<ForegroundProgram> all() const
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return all_;
    }
    ForegroundProgram last() const
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return all_.empty() ? ForegroundProgram{} : all_.back();
    }
    std::size_t size() const
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return all_.size();
    }

private:
    const std::chrono::milliseconds bound_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ForegroundProgram> all_;
    std::vector<Clock::time_point> times_;
};

}  // namespace corv::test
