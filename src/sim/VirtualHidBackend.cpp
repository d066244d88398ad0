#include "sim/VirtualHidBackend.h"

#include <algorithm>
#include <utility>

#include "sim/InertHidHandle.h"
#include "sim/VirtualHidHandle.h"

namespace corv::sim {

VirtualHidBackend::VirtualHidBackend(std::shared_ptr<VirtualMouse> mouse)
    : mouse_(std::move(mouse)), order_(VirtualMouseDescriptor::defaultOrder())
{
    if (mouse_)
        plugObserver_ = mouse_->addPlugObserver([this] { hotplug_.notify(); });
}

VirtualHidBackend::~VirtualHidBackend()
{
    if (mouse_)
        mouse_->removePlugObserver(plugObserver_);
}

bool VirtualHidBackend::enumerate(std::vector<HidInterfaceEntry>& out)
{
    std::lock_guard<std::mutex> guard(mutex_);
    out.clear();
    if (enumerationFails_)
        return false;
    std::vector<HidInterfaceEntry> mouseEntries;
    if (mouse_ && mouse_->isPlugged())
        mouseEntries = mouse_->enumerationEntries(order_);

    const auto addExtrasAt = [&](std::size_t position) {
        for (const Extra& extra : extras_) {
            const std::size_t at = std::min(extra.position, order_.size());
            if (at == position)
                out.push_back(extra.device.entry);
        }
    };
    for (std::size_t i = 0; i < order_.size(); ++i) {
        addExtrasAt(i);
        if (i < mouseEntries.size())
            out.push_back(mouseEntries[i]);
    }
    addExtrasAt(order_.size());
    return true;
}

std::unique_ptr<HidHandle> VirtualHidBackend::open(const std::string& path, HidOpenError* error)
{
    const auto fail = [error](HidOpenError why) -> std::unique_ptr<HidHandle> {
        if (error)
            *error = why;
        return nullptr;
    };
    std::lock_guard<std::mutex> guard(mutex_);
    const auto forced = openFailures_.find(path);
    if (forced != openFailures_.end())
        return fail(forced->second);

    if (mouse_) {
        const int interfaceNumber = mouse_->interfaceOfPath(path);
        if (interfaceNumber >= 0) {
            std::shared_ptr<VirtualMouse::HandleState> state = mouse_->attach(interfaceNumber);
            if (!state)
                return fail(HidOpenError::NotFound);  // unplugged
            ++openCounts_[path];
            if (error)
                *error = HidOpenError::None;
            return std::make_unique<VirtualHidHandle>(mouse_, std::move(state));
        }
    }
    for (const Extra& extra : extras_) {
        if (extra.device.entry.path != path)
            continue;
        const HidInterfaceEntry& entry = extra.device.entry;
        std::vector<std::uint8_t> descriptor = extra.device.reportDescriptor;
        if (descriptor.empty())
            descriptor = plainDescriptor(entry.usagePage, entry.usage);
        ++openCounts_[path];
        if (error)
            *error = HidOpenError::None;
        Clock& clock = mouse_ ? mouse_->clock() : Clock::system();
        return std::make_unique<InertHidHandle>(
            clock, HidAttributes{entry.vendorId, entry.productId, entry.releaseNumber}, std::move(descriptor));
    }
    return fail(HidOpenError::NotFound);
}

bool VirtualHidBackend::isPresent(const std::string& path)
{
    if (mouse_ && mouse_->interfaceOfPath(path) >= 0)
        return mouse_->isPlugged();
    std::lock_guard<std::mutex> guard(mutex_);
    return std::any_of(extras_.begin(), extras_.end(),
                       [&](const Extra& extra) { return extra.device.entry.path == path; });
}

void VirtualHidBackend::addExtraDevice(ExtraDevice device, std::size_t beforeMouseEntry)
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        extras_.push_back(Extra{std::move(device), beforeMouseEntry});
    }
    hotplug_.notify();
}

void VirtualHidBackend::removeExtraDevices(const std::string& path)
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        extras_.erase(std::remove_if(extras_.begin(), extras_.end(),
                                     [&](const Extra& extra) { return extra.device.entry.path == path; }),
                      extras_.end());
    }
    hotplug_.notify();
}

void VirtualHidBackend::setMouseCollectionOrder(std::vector<MouseCollection> order)
{
    std::lock_guard<std::mutex> guard(mutex_);
    order_ = std::move(order);
}

void VirtualHidBackend::setOpenFailure(const std::string& path, HidOpenError error)
{
    std::lock_guard<std::mutex> guard(mutex_);
    if (error == HidOpenError::None)
        openFailures_.erase(path);
    else
        openFailures_[path] = error;
}

void VirtualHidBackend::setEnumerationFails(bool fails)
{
    std::lock_guard<std::mutex> guard(mutex_);
    enumerationFails_ = fails;
}

std::size_t VirtualHidBackend::openCount(const std::string& path) const
{
    std::lock_guard<std::mutex> guard(mutex_);
    const auto it = openCounts_.find(path);
    return it == openCounts_.end() ? 0 : it->second;
}

ExtraDevice VirtualHidBackend::makeExtraDevice(const std::string& path, std::uint16_t vendorId, std::uint16_t productId,
                                               std::uint16_t usagePage, std::uint16_t usage, int interfaceNumber)
{
    ExtraDevice device;
    device.entry.path = path;
    device.entry.vendorId = vendorId;
    device.entry.productId = productId;
    device.entry.releaseNumber = 0x0100;
    device.entry.usagePage = usagePage;
    device.entry.usage = usage;
    device.entry.interfaceNumber = interfaceNumber;
    device.reportDescriptor = plainDescriptor(usagePage, usage);
    return device;
}

std::vector<std::uint8_t> VirtualHidBackend::plainDescriptor(std::uint16_t usagePage, std::uint16_t usage)
{
    const auto lo = [](std::uint16_t v) { return static_cast<std::uint8_t>(v & 0xFF); };
    const auto hi = [](std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); };
    return {
        0x06, lo(usagePage), hi(usagePage),  // Usage Page
        0x0A, lo(usage),     hi(usage),      // Usage
        0xA1, 0x01,                          // Collection (Application)
        0x15, 0x00,                          //   Logical Minimum (0)
        0x26, 0xFF,          0x00,           //   Logical Maximum (255)
        0x75, 0x08,                          //   Report Size (8)
        0x95, 0x08,                          //   Report Count (8)
        0x0A, lo(usage),     hi(usage),      //   Usage
        0x81, 0x02,                          //   Input (Data, Variable, Absolute)
        0xC0,                                // End Collection
    };
}

}  // namespace corv::sim
