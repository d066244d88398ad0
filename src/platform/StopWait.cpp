#include "platform/StopWait.h"

#include <condition_variable>
#include <mutex>

namespace corv {

bool waitUnlessStopped(Clock& clock, Clock::duration d, const std::stop_token& stop)
{
    if (stop.stop_requested())
        return false;
    std::mutex mutex;
    std::condition_variable cv;
    std::stop_callback wake(stop, [&] {
        std::lock_guard<std::mutex> guard(mutex);
        cv.notify_all();
    });
    std::unique_lock<std::mutex> lock(mutex);
    clock.waitUntil(lock, cv, clock.now() + d, [&] { return stop.stop_requested(); });
    return !stop.stop_requested();
}

}  // namespace corv
