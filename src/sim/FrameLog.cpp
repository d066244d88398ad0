#include "sim/FrameLog.h"

#include <utility>

namespace corv::sim {

void FrameLog::append(FrameDirection direction, const ReportFrame& frame, Clock::time_point time)
{
    std::lock_guard<std::mutex> guard(mutex_);
    entries_.push_back(FrameRecord{direction, frame, time});
    if (sink_)
        sink_(direction, frame);
}

std::vector<FrameRecord> FrameLog::entries() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return entries_;
}

std::size_t FrameLog::size() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return entries_.size();
}

std::vector<ReportFrame> FrameLog::frames(FrameDirection direction) const
{
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<ReportFrame> out;
    for (const FrameRecord& record : entries_) {
        if (record.direction == direction)
            out.push_back(record.frame);
    }
    return out;
}

void FrameLog::clear()
{
    std::lock_guard<std::mutex> guard(mutex_);
    entries_.clear();
}

void FrameLog::setSink(Sink sink)
{
    std::lock_guard<std::mutex> guard(mutex_);
    sink_ = std::move(sink);
}

}  // namespace corv::sim
