#pragma once
// Plug and unplug notices for the threads that look for the mouse. A waiter remembers the
// generation it last acted on and sleeps until it changes; it then looks again (enumerates,
// probes). Whoever learns of a change calls notify(): the udev watcher for hidraw nodes,
// the virtual mouse for its plug and unplug, a reader whose read failed.
//
// When no notices can arrive (a system without a udev daemon), the signal is not live and
// the waiters look on a fixed interval instead.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>

namespace corv {

class HotplugSignal {
public:
    explicit HotplugSignal(bool live = false) : live_(live) { }

    std::uint64_t generation() const;
    void notify();
    // Waits until generation() differs from seen, the timeout (real time; none: no limit)
    // has passed or stop is requested. False when stop was requested.
    bool waitForChange(std::uint64_t seen, std::optional<std::chrono::milliseconds> timeout,
                       const std::stop_token& stop);

    bool live() const;
    void setLive(bool live);

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::uint64_t generation_ = 0;
    bool live_;
};

}  // namespace corv
