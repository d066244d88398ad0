#include "sim/VirtualHidHandle.h"

#include <utility>

#include "sim/VirtualMouseDescriptor.h"

namespace corv::sim {

VirtualHidHandle::VirtualHidHandle(std::shared_ptr<VirtualMouse> mouse,
                                   std::shared_ptr<VirtualMouse::HandleState> state)
    : mouse_(std::move(mouse)), state_(std::move(state))
{ }

VirtualHidHandle::~VirtualHidHandle() { mouse_->detach(state_); }

int VirtualHidHandle::write(const std::uint8_t* data, std::size_t length, int timeoutMs)
{
    return mouse_->hostWrite(state_, data, length, timeoutMs);
}

int VirtualHidHandle::read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs)
{
    return mouse_->hostRead(state_, buffer, capacity, timeoutMs);
}

bool VirtualHidHandle::alive() const { return mouse_->handleAlive(state_); }

void VirtualHidHandle::cancel() { mouse_->hostCancel(state_); }

HidAttributes VirtualHidHandle::attributes() const { return mouse_->attributes(); }

std::vector<std::uint8_t> VirtualHidHandle::reportDescriptor() const
{
    return VirtualMouseDescriptor::forInterface(state_->interfaceNumber);
}

}  // namespace corv::sim
