#pragma once
// An open node of a device that is not the mouse (an extra device of VirtualHidBackend):
// it has a report descriptor and attributes, accepts every write and never sends a report.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/Clock.h"
#include "platform/HidBackend.h"

namespace corv::sim {

class InertHidHandle final : public HidHandle {
public:
    InertHidHandle(Clock& clock, HidAttributes attributes, std::vector<std::uint8_t> descriptor);

    int write(const std::uint8_t* data, std::size_t length, int timeoutMs) override;
    // Waits for the timeout (on the clock) or a cancel; nothing ever arrives.
    int read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override;
    void cancel() override;
    HidAttributes attributes() const override { return attributes_; }
    std::vector<std::uint8_t> reportDescriptor() const override { return descriptor_; }

private:
    Clock& clock_;
    const HidAttributes attributes_;
    const std::vector<std::uint8_t> descriptor_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool cancelled_ = false;
};

}  // namespace corv::sim
