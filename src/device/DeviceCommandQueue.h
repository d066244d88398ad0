#pragma once
// The thread the window's commands to the mouse run on, one after another in the order
// given. The UI thread hands each command over and waits for it only briefly: a mouse that
// answers slowly, or not at all (four attempts of a second each), then holds up this
// thread instead of the window.
//
// Commands take the channel's lock for their exchanges and the state lock for the moments
// they read or change the program's copies of the mouse's state; neither is held by the
// thread that hands a command over while it waits.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace corv {

class DeviceCommandQueue {
public:
    using Job = std::function<void()>;

    DeviceCommandQueue();
    ~DeviceCommandQueue();
    DeviceCommandQueue(const DeviceCommandQueue&) = delete;
    DeviceCommandQueue& operator=(const DeviceCommandQueue&) = delete;

    // Queues job. When the queue had nothing to do, waits up to `wait` for it to finish and
    // returns true when it has. Otherwise (the queue was busy, or the job took longer)
    // returns false, and `late` is called on the queue's thread once the job has finished.
    // Once stopping, nothing more is taken: returns false and neither runs.
    bool runWithin(Job job, std::chrono::milliseconds wait, Job late = {});
    // Queues job without waiting.
    void post(Job job);

    // Whether every job handed over has finished.
    bool idle() const;
    // Waits until idle, at most `timeout`; true when idle.
    bool waitIdle(std::chrono::milliseconds timeout) const;

    // Ends the thread: jobs not yet started are dropped (their count is returned), the
    // running one finishes first. The owner wakes a job waiting for an answer beforehand
    // (DeviceChannel::cancel). Safe to call twice.
    std::size_t stop();
    // Ends the thread once the jobs handed over so far have finished, waiting for them at
    // most `drainFor` in all; nothing new is taken meanwhile. When time runs out, the jobs not
    // yet started are dropped (their count is returned) and `wake` is called, so that the
    // running one stops waiting for an answer (DeviceChannel::cancel); it then finishes first.
    // `wake` is not called when every job finished in time.
    std::size_t stop(std::chrono::milliseconds drainFor, const Job& wake);
    // Whether stop() was called (while it lets the jobs finish, too).
    bool stopped() const;

private:
    struct Entry {
        Job job;
        std::function<void()> finished;
    };
    void run(std::stop_token stop);
    bool enqueue(Entry entry, bool* wasIdle);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<Entry> jobs_;
    bool running_ = false;   // a job is being carried out
    bool draining_ = false;  // stopping once the jobs handed over have finished
    bool stopped_ = false;
    std::jthread thread_;
};

}  // namespace corv
