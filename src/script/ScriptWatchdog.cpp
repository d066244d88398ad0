#include "script/ScriptWatchdog.h"

#include <cstdio>
#include <cstdlib>

namespace corv {

void ScriptWatchdog::start(std::chrono::milliseconds limit, int exitCode)
{
    if (thread_.joinable())
        return;
    thread_ = std::thread([this, limit, exitCode] {
        std::unique_lock lock(mutex_);
        if (cv_.wait_for(lock, limit, [this] { return stop_; }))
            return;
        std::fputs("end: the program stopped responding; the run is ended\n", stdout);
        std::fflush(stdout);
        std::_Exit(exitCode);
    });
}

void ScriptWatchdog::stop()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

}  // namespace corv
