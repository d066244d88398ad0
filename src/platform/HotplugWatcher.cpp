#include "platform/HotplugWatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace corv {

HotplugWatcher::HotplugWatcher(std::unique_ptr<DeviceNoticeSource> source, HotplugSignal& signal)
    : source_(std::move(source)), signal_(signal), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (wake_ < 0)
        throw std::runtime_error("eventfd failed");
    signal_.setLive(true);
    thread_ = std::thread([this] { watch(); });
}

HotplugWatcher::~HotplugWatcher()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
    thread_.join();
    ::close(wake_);
    // Nobody tells the waiters any more: they fall back to looking on their own.
    signal_.setLive(false);
    signal_.notify();
}

bool HotplugWatcher::concernsHidNodes(const DeviceNotice& notice) { return notice.subsystem == "hidraw"; }

void HotplugWatcher::watch()
{
    for (;;) {
        pollfd fds[2] = {{source_->descriptor(), POLLIN, 0}, {wake_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if ((fds[1].revents & POLLIN) != 0)
            return;
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && (fds[0].revents & POLLIN) == 0)
            break;
        bool concerned = false;
        while (std::optional<DeviceNotice> notice = source_->next())
            concerned = concernsHidNodes(*notice) || concerned;
        if (concerned)
            signal_.notify();
    }
    // The source broke: the waiters must not sleep on a signal that will never come.
    signal_.setLive(false);
    signal_.notify();
}

}  // namespace corv
