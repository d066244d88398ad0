#pragma once
// The virtual mouse's record of its traffic: every request frame it received and every
// answer frame it sent, in order, with the clock time. Thread-safe.
//
// An optional sink sees each frame as it is recorded. It is called on the thread that moved
// the frame while the mouse is locked, so it must not call back into the mouse or wait for
// another thread that might (printing or storing the line is fine).
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "device/DeviceChannel.h"
#include "device/ReportFrame.h"
#include "platform/Clock.h"

namespace corv::sim {

struct FrameRecord {
    FrameDirection direction = FrameDirection::Request;
    ReportFrame frame;
    Clock::time_point time{};
};

class FrameLog {
public:
    using Sink = std::function<void(FrameDirection, const ReportFrame&)>;

    void append(FrameDirection direction, const ReportFrame& frame, Clock::time_point time);
    std::vector<FrameRecord> entries() const;
    std::size_t size() const;
    // Only the records of one direction, in order.
    std::vector<ReportFrame> frames(FrameDirection direction) const;
    void clear();
    void setSink(Sink sink);

private:
    mutable std::mutex mutex_;
    std::vector<FrameRecord> entries_;
    Sink sink_;
};

}  // namespace corv::sim
