#pragma once
// A KeyboardSource for tests: the test types keys and sees how the source was asked to
// listen. Keys typed while the source is off are lost, as on a real desktop.
#include <vector>

#include "platform/KeyboardSource.h"

namespace corv {

class FakeKeyboardSource final : public KeyboardSource {
public:
    bool listen(Listen how) override
    {
        requests_.push_back(how);
        if (how == Listen::Swallow && refuseSwallow_) {
            listening_ = Listen::Off;
            return false;
        }
        listening_ = how;
        return true;
    }
    bool desktopWide() const override { return desktopWide_; }

    // Types a key (at timeMs on the source's clock when given): reported when the source
    // listens. False when it was lost.
    bool type(std::uint16_t vk, bool down, std::optional<std::uint32_t> timeMs = std::nullopt)
    {
        if (listening_ == Listen::Off)
            return false;
        emitKey({vk, down, timeMs});
        return true;
    }
    bool press(std::uint16_t vk, std::optional<std::uint32_t> timeMs = std::nullopt) { return type(vk, true, timeMs); }
    bool release(std::uint16_t vk, std::optional<std::uint32_t> timeMs = std::nullopt)
    {
        return type(vk, false, timeMs);
    }

    Listen listening() const { return listening_; }
    const std::vector<Listen>& requests() const { return requests_; }
    void setRefuseSwallow(bool refuse) { refuseSwallow_ = refuse; }
    void setDesktopWide(bool wide) { desktopWide_ = wide; }

private:
    Listen listening_ = Listen::Off;
    std::vector<Listen> requests_;
    bool refuseSwallow_ = false;
    bool desktopWide_ = true;
};

}  // namespace corv
