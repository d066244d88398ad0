#pragma once
// A ForegroundWatcher for tests of its users: the test says which program is in front.
// start() reports the current program (none until one was announced) on the caller's
// thread, as the real watcher's first report; announce() reports a program while started.
// Unlike the real watcher it reports every announcement, also a repeated one.
#include <mutex>
#include <string>
#include <utility>

#include "platform/ForegroundWatcher.h"

namespace corv {

class FakeForegroundWatcher final : public ForegroundWatcher {
public:
    bool start(Callback onForeground) override
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!startResult_ || started_)
            return false;
        started_ = true;
        callback_ = std::move(onForeground);
        callback_(current_);
        return true;
    }

    void stop() override
    {
        std::lock_guard<std::mutex> guard(mutex_);
        started_ = false;
        callback_ = nullptr;
    }

    // Makes program the foreground one and reports it when started.
    void announce(const ForegroundProgram& program)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        current_ = program;
        if (started_)
            callback_(current_);
    }
    // The program at path, with a pid of its own (the fake's pids mean nothing).
    void announce(const std::string& path) { announce(ForegroundProgram{path, path.empty() ? 0U : 1U, {}}); }

    // What start() answers from now on (true unless set otherwise).
    void setStartResult(bool result)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        startResult_ = result;
    }

    std::string missingExtension() const override
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return missingExtension_;
    }
    // The extension the desktop has not enabled, as a watcher that needs one would say.
    void setMissingExtension(const std::string& name)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        missingExtension_ = name;
    }

    bool started() const
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return started_;
    }

private:
    mutable std::mutex mutex_;
    Callback callback_;
    ForegroundProgram current_;
    bool started_ = false;
    bool startResult_ = true;
    std::string missingExtension_;
};

}  // namespace corv
