#pragma once
// The thread of a foreground watcher that reads a compositor's socket: it sleeps in poll(2)
// on the watcher's descriptors and an eventfd that stop() writes, so an idle desktop costs
// no wake-up, and it counts its sleeps and wake-ups for tests and measurements.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <thread>

namespace corv {

class WatcherThread {
public:
    WatcherThread() = default;
    ~WatcherThread();
    WatcherThread(const WatcherThread&) = delete;
    WatcherThread& operator=(const WatcherThread&) = delete;

    // Runs body on a new thread; false when one runs already (also after it ended by itself:
    // stop() first) or no eventfd can be made.
    bool start(std::function<void()> body);
    // Asks the body to end (its wait() returns Stop) and joins it. Nothing when not running.
    void stop();
    bool running() const { return thread_.joinable(); }

    enum Wake { Stop = -1 };
    // Sleeps until one of fds can be read (or has hung up): its index; Stop when stop() was
    // called, poll failed or a descriptor is not open. Called by the body only.
    int wait(std::initializer_list<int> fds);

    std::uint64_t sleeps() const;
    std::uint64_t wakeUps() const;
    bool ended() const;
    bool waitForSleeps(std::uint64_t n, std::chrono::milliseconds bound) const;
    bool waitUntilEnded(std::chrono::milliseconds bound) const;

private:
    std::thread thread_;
    int wakeFd_ = -1;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::uint64_t sleeps_ = 0;
    std::uint64_t wakeUps_ = 0;
    bool ended_ = false;
};

}  // namespace corv
