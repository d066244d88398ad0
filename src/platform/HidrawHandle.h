#pragma once
// One open hidraw node: reports written and read with plain system calls as the kernel's
// hidraw interface defines them (byte 0 is the report id of numbered reports). A read sleeps
// in poll() on the node and on a wake-up descriptor, so a read that waits for the mouse costs
// nothing, and cancel() from another thread wakes it at once.
//
// cancel() behaves like an auto-reset event: with no read waiting, the next read returns
// kHidReadCancelled at once; every cancelled read clears it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/HidBackend.h"

namespace corv {

class HidrawHandle final : public HidHandle {
public:
    // Takes the descriptor over (any descriptor that delivers one report per read will do).
    HidrawHandle(int fd, HidAttributes attributes, std::vector<std::uint8_t> descriptor);
    ~HidrawHandle() override;
    HidrawHandle(const HidrawHandle&) = delete;
    HidrawHandle& operator=(const HidrawHandle&) = delete;

    // Valid unless the wake-up descriptor could not be made.
    bool valid() const { return wake_ >= 0; }

    int write(const std::uint8_t* data, std::size_t length, int timeoutMs) override;
    int read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override;
    void cancel() override;
    bool alive() const override;
    HidAttributes attributes() const override { return attributes_; }
    std::vector<std::uint8_t> reportDescriptor() const override { return descriptor_; }

private:
    const int fd_;
    const int wake_;
    const HidAttributes attributes_;
    const std::vector<std::uint8_t> descriptor_;
};

}  // namespace corv
