#include "platform/HotplugSignal.h"

namespace corv {

std::uint64_t HotplugSignal::generation() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return generation_;
}

void HotplugSignal::notify()
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        ++generation_;
    }
    cv_.notify_all();
}

bool HotplugSignal::waitForChange(std::uint64_t seen, std::optional<std::chrono::milliseconds> timeout,
                                  const std::stop_token& stop)
{
    // Registered before the lock is taken: a stop already requested runs it at once.
    std::stop_callback wake(stop, [this] {
        std::lock_guard<std::mutex> guard(mutex_);
        cv_.notify_all();
    });
    std::unique_lock<std::mutex> lock(mutex_);
    const auto changed = [&] { return generation_ != seen || stop.stop_requested(); };
    if (timeout)
        cv_.wait_for(lock, *timeout, changed);
    else
        cv_.wait(lock, changed);
    return !stop.stop_requested();
}

bool HotplugSignal::live() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return live_;
}

void HotplugSignal::setLive(bool live)
{
    std::lock_guard<std::mutex> guard(mutex_);
    live_ = live;
}

}  // namespace corv
