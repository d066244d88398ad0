#pragma once
// Time source for everything that waits: the device channel's answer timeouts, the
// pauses of the connect sequence, the virtual mouse's latency. Tests inject a
// ManualClock so that a request nobody answers costs no real seconds.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace corv {

class Clock {
public:
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<std::chrono::steady_clock, duration>;

    virtual ~Clock() = default;
    virtual time_point now() const = 0;
    virtual void sleepFor(duration d) = 0;
    // Sleeps until the given time (at once when it has passed). A series of sleeps to
    // deadlines set in advance does not drift by the oversleep of each.
    virtual void sleepUntil(time_point t)
    {
        const time_point current = now();
        if (t > current)
            sleepFor(t - current);
    }
    // Waits on cv (lock held by the caller) until pred() holds or the deadline passes.
    // Returns pred() at the end, like condition_variable::wait_until with a predicate.
    virtual bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, time_point deadline,
                           const std::function<bool()>& pred) = 0;

    // The process-wide real clock.
    static Clock& system();
};

// The real steady clock.
class SystemClock final : public Clock {
public:
    time_point now() const override;
    void sleepFor(duration d) override;
    void sleepUntil(time_point t) override;  // clock_nanosleep on CLOCK_MONOTONIC, TIMER_ABSTIME
    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, time_point deadline,
                   const std::function<bool()>& pred) override;
};

// A clock that only moves when somebody waits on it: a sleep or a wait that would time
// out advances the time to its end at once. A wait whose predicate becomes true through
// another thread still wakes, because the condition variable is really waited on for a
// short real slice before the virtual time jumps.
class ManualClock final : public Clock {
public:
    time_point now() const override;
    void sleepFor(duration d) override;
    bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, time_point deadline,
                   const std::function<bool()>& pred) override;
    void advance(duration d);

private:
    mutable std::mutex mutex_;
    time_point now_{};
};

}  // namespace corv
