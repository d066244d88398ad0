#pragma once
// Device notices that a test sends by hand.
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/DeviceNoticeSource.h"

namespace corv {

class FakeDeviceNotices final : public DeviceNoticeSource {
public:
    FakeDeviceNotices() : ready_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) { }
    ~FakeDeviceNotices() override { ::close(ready_); }
    FakeDeviceNotices(const FakeDeviceNotices&) = delete;
    FakeDeviceNotices& operator=(const FakeDeviceNotices&) = delete;

    void send(DeviceNotice notice)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        queue_.push_back(std::move(notice));
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(ready_, &one, sizeof one);
    }

    int descriptor() const override { return ready_; }

    std::optional<DeviceNotice> next() override
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (queue_.empty()) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(ready_, &count, sizeof count);
            return std::nullopt;
        }
        DeviceNotice notice = std::move(queue_.front());
        queue_.pop_front();
        return notice;
    }

private:
    int ready_;
    std::mutex mutex_;
    std::deque<DeviceNotice> queue_;
};

}  // namespace corv
