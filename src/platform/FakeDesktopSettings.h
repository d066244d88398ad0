#pragma once
// A DesktopSettings for tests of the layers above: records every call in order, with the
// value as the caller passed it, and answers what the test asked for (true unless set
// otherwise). Safe to call from several threads.
#include <mutex>
#include <vector>

#include "platform/DesktopSettings.h"

namespace corv {

class FakeDesktopSettings final : public DesktopSettings {
public:
    enum class Setting { PointerSpeed, WheelScrollLines };
    struct Call {
        Setting setting;
        int value;
        bool operator==(const Call&) const = default;
    };

    bool setPointerSpeed(int speed) override { return record(Setting::PointerSpeed, speed); }
    bool setWheelScrollLines(int lines) override { return record(Setting::WheelScrollLines, lines); }

    void setResult(Setting setting, bool result)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        (setting == Setting::PointerSpeed ? pointerSpeedResult_ : scrollLinesResult_) = result;
    }

    std::vector<Call> calls() const
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return calls_;
    }

    void clearCalls()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        calls_.clear();
    }

private:
    bool record(Setting setting, int value)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        calls_.push_back({setting, value});
        return setting == Setting::PointerSpeed ? pointerSpeedResult_ : scrollLinesResult_;
    }

    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    bool pointerSpeedResult_ = true;
    bool scrollLinesResult_ = true;
};

}  // namespace corv
