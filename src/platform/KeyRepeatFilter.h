#pragma once
// Tells the X server's auto-repeat from real key presses. While a key is held the server
// repeats it as a release followed at once by a press of the same key carrying the same
// server time; neither half of such a pair is a real key event. A release is therefore held
// back until the next event shows what it was, or until a short time has passed with no
// event (then it was a real release).
//
// Times: the server time of each event (milliseconds, the X server's own clock) decides
// about pairs; "now" is the caller's monotonic milliseconds and only bounds the wait.
#include <cstdint>
#include <optional>
#include <vector>

namespace corv {

struct RawKeyEvent {
    std::uint8_t keycode = 0;
    bool down = true;
    std::uint32_t serverTime = 0;

    bool operator==(const RawKeyEvent&) const = default;
};

class KeyRepeatFilter {
public:
    // How long a release is held back at most.
    static constexpr int kHoldMs = 30;

    // The next event from the server; returns what is now known to be real, in order.
    std::vector<RawKeyEvent> push(const RawKeyEvent& event, std::int64_t nowMs);
    // The held release once its time is up (nothing before, or when none is held).
    std::optional<RawKeyEvent> expire(std::int64_t nowMs);
    // Milliseconds until expire() has something to give: -1 when nothing is held, 0 when
    // the time is already up.
    int pendingMs(std::int64_t nowMs) const;
    // Forgets a held release.
    void clear() { held_.reset(); }

private:
    std::optional<RawKeyEvent> held_;
    std::int64_t heldUntil_ = 0;
};

}  // namespace corv
