#include "platform/WatcherThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace corv {

WatcherThread::~WatcherThread() { stop(); }

bool WatcherThread::start(std::function<void()> body)
{
    if (thread_.joinable())
        return false;
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0)
        return false;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        sleeps_ = 0;
        wakeUps_ = 0;
        ended_ = false;
    }
    thread_ = std::thread([this, body = std::move(body)] {
        body();
        std::lock_guard<std::mutex> guard(mutex_);
        ended_ = true;
        changed_.notify_all();
    });
    return true;
}

void WatcherThread::stop()
{
    if (!thread_.joinable())
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof(one));
    thread_.join();
    ::close(wakeFd_);
    wakeFd_ = -1;
}

int WatcherThread::wait(std::initializer_list<int> fds)
{
    std::vector<pollfd> polled;
    for (const int fd : fds)
        polled.push_back({fd, POLLIN, 0});
    polled.push_back({wakeFd_, POLLIN, 0});
    {
        std::lock_guard<std::mutex> guard(mutex_);
        ++sleeps_;
        changed_.notify_all();
    }
    int ready = 0;
    do
        ready = ::poll(polled.data(), polled.size(), -1);
    while (ready < 0 && errno == EINTR);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        ++wakeUps_;
        changed_.notify_all();
    }
    if (ready < 0 || (polled.back().revents & POLLIN) != 0)
        return Stop;
    for (std::size_t i = 0; i + 1 < polled.size(); ++i) {
        if ((polled[i].revents & POLLNVAL) != 0)
            return Stop;  // not an open descriptor: it would wake us forever
        if (polled[i].revents != 0)
            return static_cast<int>(i);
    }
    return Stop;
}

std::uint64_t WatcherThread::sleeps() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return sleeps_;
}

std::uint64_t WatcherThread::wakeUps() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return wakeUps_;
}

bool WatcherThread::ended() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return ended_;
}

bool WatcherThread::waitForSleeps(std::uint64_t n, std::chrono::milliseconds bound) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, bound, [&] { return sleeps_ >= n; });
}

bool WatcherThread::waitUntilEnded(std::chrono::milliseconds bound) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, bound, [&] { return ended_; });
}

}  // namespace corv
