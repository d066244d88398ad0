#include "device/DeviceCommandQueue.h"

#include <memory>
#include <utility>

namespace corv {

DeviceCommandQueue::DeviceCommandQueue() : thread_([this](std::stop_token stop) { run(std::move(stop)); }) { }

DeviceCommandQueue::~DeviceCommandQueue() { stop(); }

bool DeviceCommandQueue::enqueue(Entry entry, bool* wasIdle)
{
    std::lock_guard lock(mutex_);
    if (stopped_ || draining_)
        return false;
    if (wasIdle != nullptr)
        *wasIdle = jobs_.empty() && !running_;
    jobs_.push_back(std::move(entry));
    changed_.notify_all();
    return true;
}

void DeviceCommandQueue::post(Job job)
{
    if (job)
        enqueue(Entry{std::move(job), {}}, nullptr);
}

bool DeviceCommandQueue::runWithin(Job job, std::chrono::milliseconds wait, Job late)
{
    if (!job)
        return true;
    // Who calls `late` is settled under this lock: the waiter, if it still waits when the
    // job ends, takes the result itself; otherwise the queue's thread hands it on.
    struct Handover {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool gaveUp = false;
        Job late;
    };
    auto handover = std::make_shared<Handover>();
    handover->late = std::move(late);
    auto finished = [handover] {
        Job followUp;
        {
            std::lock_guard lock(handover->mutex);
            handover->finished = true;
            if (handover->gaveUp)
                followUp = std::move(handover->late);
        }
        handover->done.notify_all();
        if (followUp)
            followUp();
    };
    bool wasIdle = false;
    if (!enqueue(Entry{std::move(job), std::move(finished)}, &wasIdle))
        return false;
    std::unique_lock lock(handover->mutex);
    if (wasIdle)
        handover->done.wait_for(lock, wait, [&] { return handover->finished; });
    if (handover->finished)
        return true;
    handover->gaveUp = true;
    return false;
}

bool DeviceCommandQueue::idle() const
{
    std::lock_guard lock(mutex_);
    return jobs_.empty() && !running_;
}

bool DeviceCommandQueue::waitIdle(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return (jobs_.empty() && !running_) || stopped_; }) &&
           jobs_.empty() && !running_;
}

bool DeviceCommandQueue::stopped() const
{
    std::lock_guard lock(mutex_);
    return stopped_ || draining_;
}

std::size_t DeviceCommandQueue::stop() { return stop(std::chrono::milliseconds(0), {}); }

std::size_t DeviceCommandQueue::stop(std::chrono::milliseconds drainFor, const Job& wake)
{
    std::size_t dropped = 0;
    bool cutShort = false;
    {
        std::unique_lock lock(mutex_);
        if (!stopped_) {
            draining_ = true;
            if (drainFor > std::chrono::milliseconds(0))
                changed_.wait_for(lock, drainFor, [this] { return jobs_.empty() && !running_; });
            stopped_ = true;
            dropped = jobs_.size();
            jobs_.clear();
            cutShort = running_;
        }
        changed_.notify_all();
    }
    if (cutShort && wake)
        wake();
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
    return dropped;
}

void DeviceCommandQueue::run(std::stop_token stop)
{
    for (;;) {
        Entry entry;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopped_ || !jobs_.empty(); });
            if (stopped_)
                return;
            entry = std::move(jobs_.front());
            jobs_.pop_front();
            running_ = true;
        }
        entry.job();
        if (entry.finished)
            entry.finished();
        {
            std::lock_guard lock(mutex_);
            running_ = false;
        }
        changed_.notify_all();
        if (stop.stop_requested())
            return;
    }
}

}  // namespace corv
