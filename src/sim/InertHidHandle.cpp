#include "sim/InertHidHandle.h"

#include <chrono>
#include <utility>

namespace corv::sim {

InertHidHandle::InertHidHandle(Clock& clock, HidAttributes attributes, std::vector<std::uint8_t> descriptor)
    : clock_(clock), attributes_(attributes), descriptor_(std::move(descriptor))
{ }

int InertHidHandle::write(const std::uint8_t* data, std::size_t length, int /*timeoutMs*/)
{
    if (data == nullptr || length == 0)
        return -1;
    return static_cast<int>(length);
}

int InertHidHandle::read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs)
{
    if (buffer == nullptr || capacity == 0)
        return kHidReadError;
    std::unique_lock<std::mutex> lock(mutex_);
    const auto cancelled = [this] { return cancelled_; };
    if (timeoutMs < 0)
        cv_.wait(lock, cancelled);
    else if (!cancelled_)
        clock_.waitUntil(lock, cv_, clock_.now() + std::chrono::milliseconds(timeoutMs), cancelled);
    if (cancelled_) {
        cancelled_ = false;
        return kHidReadCancelled;
    }
    return kHidReadTimeout;
}

void InertHidHandle::cancel()
{
    std::lock_guard<std::mutex> guard(mutex_);
    cancelled_ = true;
    cv_.notify_all();
}

}  // namespace corv::sim
