#include "platform/KeyRepeatFilter.h"

#include <algorithm>

namespace corv {

std::vector<RawKeyEvent> KeyRepeatFilter::push(const RawKeyEvent& event, std::int64_t nowMs)
{
    std::vector<RawKeyEvent> ready;
    if (held_) {
        if (event.down && event.keycode == held_->keycode && event.serverTime == held_->serverTime) {
            held_.reset();  // an auto-repeat: the key is still down
            return ready;
        }
        ready.push_back(*held_);
        held_.reset();
    }
    if (event.down) {
        ready.push_back(event);
    } else {
        held_ = event;
        heldUntil_ = nowMs + kHoldMs;
    }
    return ready;
}

std::optional<RawKeyEvent> KeyRepeatFilter::expire(std::int64_t nowMs)
{
    if (!held_ || nowMs < heldUntil_)
        return std::nullopt;
    std::optional<RawKeyEvent> released = held_;
    held_.reset();
    return released;
}

int KeyRepeatFilter::pendingMs(std::int64_t nowMs) const
{
    if (!held_)
        return -1;
    return static_cast<int>(std::clamp<std::int64_t>(heldUntil_ - nowMs, 0, kHoldMs));
}

}  // namespace corv
