#include "platform/Clock.h"

#include <time.h>

#include <cerrno>
#include <thread>

namespace corv {

Clock& Clock::system()
{
    static SystemClock clock;
    return clock;
}

Clock::time_point SystemClock::now() const
{
    return std::chrono::time_point_cast<duration>(std::chrono::steady_clock::now());
}

void SystemClock::sleepFor(duration d)
{
    if (d > duration::zero())
        std::this_thread::sleep_for(d);
}

void SystemClock::sleepUntil(time_point t)
{
    // steady_clock is CLOCK_MONOTONIC, so its time points are the kernel's absolute times.
    static_assert(std::chrono::steady_clock::is_steady);
    const auto since = t.time_since_epoch();
    if (since <= duration::zero())
        return;
    timespec when{};
    when.tv_sec = static_cast<time_t>(std::chrono::duration_cast<std::chrono::seconds>(since).count());
    when.tv_nsec = static_cast<long>((since - std::chrono::seconds(when.tv_sec)).count());
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) == EINTR) { }
}

bool SystemClock::waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, time_point deadline,
                            const std::function<bool()>& pred)
{
    return cv.wait_until(lock, deadline, pred);
}

Clock::time_point ManualClock::now() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return now_;
}

void ManualClock::advance(duration d)
{
    std::lock_guard<std::mutex> guard(mutex_);
    now_ += d;
}

void ManualClock::sleepFor(duration d)
{
    if (d > duration::zero())
        advance(d);
}

bool ManualClock::waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, time_point deadline,
                            const std::function<bool()>& pred)
{
    // Give other threads a real moment to satisfy the predicate, then jump to the deadline.
    if (cv.wait_for(lock, std::chrono::milliseconds(2), pred))
        return true;
    const time_point t = now();
    if (deadline > t)
        advance(deadline - t);
    return pred();
}

}  // namespace corv
