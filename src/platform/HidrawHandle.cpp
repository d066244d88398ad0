#include "platform/HidrawHandle.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <utility>

namespace corv {

HidrawHandle::HidrawHandle(int fd, HidAttributes attributes, std::vector<std::uint8_t> descriptor)
    : fd_(fd), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), attributes_(attributes),
      descriptor_(std::move(descriptor))
{ }

HidrawHandle::~HidrawHandle()
{
    ::close(fd_);
    if (wake_ >= 0)
        ::close(wake_);
}

int HidrawHandle::write(const std::uint8_t* data, std::size_t length, int /*timeoutMs*/)
{
    if (data == nullptr || length == 0 || length > static_cast<std::size_t>(INT_MAX))
        return -1;
    // A hidraw write hands the report to the device and returns; it does not wait for long.
    for (;;) {
        const ssize_t n = ::write(fd_, data, length);
        if (n >= 0)
            return static_cast<int>(n);
        if (errno != EINTR)
            return -1;
    }
}

int HidrawHandle::read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs)
{
    if (buffer == nullptr || capacity == 0 || wake_ < 0)
        return kHidReadError;
    using Steady = std::chrono::steady_clock;
    const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        int waitMs = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Steady::now()).count();
            waitMs = left > 0 ? static_cast<int>(left) : 0;
        }
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, waitMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return kHidReadError;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t cleared = ::read(wake_, &count, sizeof count);
            return kHidReadCancelled;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            const ssize_t n = ::read(fd_, buffer, capacity);
            if (n > 0)
                return static_cast<int>(n);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            return kHidReadError;  // the node is gone (or its peer closed)
        }
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return kHidReadError;
        if (ready == 0)
            return kHidReadTimeout;
    }
}

bool HidrawHandle::alive() const
{
    // A removed device's node reports an error or a hang-up to every descriptor still open.
    pollfd fd{fd_, 0, 0};
    return ::poll(&fd, 1, 0) >= 0 && (fd.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
}

void HidrawHandle::cancel()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
}

}  // namespace corv
