#pragma once
// An open node of the virtual mouse (interface 0 or 1), as a hidraw file descriptor: it
// receives every input report of its interface in its own queue, writes output reports to
// the mouse, and dies for good when the mouse is unplugged.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/HidBackend.h"
#include "sim/VirtualMouse.h"

namespace corv::sim {

class VirtualHidHandle final : public HidHandle {
public:
    // Use VirtualHidBackend::open; state comes from VirtualMouse::attach.
    VirtualHidHandle(std::shared_ptr<VirtualMouse> mouse, std::shared_ptr<VirtualMouse::HandleState> state);
    ~VirtualHidHandle() override;
    VirtualHidHandle(const VirtualHidHandle&) = delete;
    VirtualHidHandle& operator=(const VirtualHidHandle&) = delete;

    int write(const std::uint8_t* data, std::size_t length, int timeoutMs) override;
    int read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override;
    void cancel() override;
    bool alive() const override;
    HidAttributes attributes() const override;
    std::vector<std::uint8_t> reportDescriptor() const override;

    int interfaceNumber() const { return state_->interfaceNumber; }

private:
    std::shared_ptr<VirtualMouse> mouse_;
    std::shared_ptr<VirtualMouse::HandleState> state_;
};

}  // namespace corv::sim
