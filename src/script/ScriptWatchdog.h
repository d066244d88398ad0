#pragma once
// The last resort of a scripted run: a UI thread that is stuck cannot run the time limit's
// own timer, so a thread of its own ends the process once the limit has passed.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace corv {

class ScriptWatchdog {
public:
    ScriptWatchdog() = default;
    ~ScriptWatchdog() { stop(); }
    ScriptWatchdog(const ScriptWatchdog&) = delete;
    ScriptWatchdog& operator=(const ScriptWatchdog&) = delete;

    // Unless stopped within `limit`, says so on standard output and ends the process with
    // `exitCode`. Once only.
    void start(std::chrono::milliseconds limit, int exitCode);
    // Safe to call twice, and without a start.
    void stop();

private:
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool stop_ = false;
};

}  // namespace corv
