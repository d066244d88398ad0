#pragma once
// The HID backend of the virtual mouse: enumerates, opens and probes its two interfaces
// like Linux hidraw through hidapi 0.13 (one entry per top-level collection, every
// collection of an interface sharing the interface's node path), plus any extra devices a
// test adds (another vendor's keyboard, a product 0x6712 of the same vendor, ...).
//
// Default order: the mouse's boot mouse entry (interface 0), then keyboard, consumer control
// and vendor (interface 1), then the extra devices in the order they were added. Both the
// mouse's own order and where each extra device goes are configurable.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HidBackend.h"
#include "sim/VirtualMouse.h"
#include "sim/VirtualMouseDescriptor.h"

namespace corv::sim {

struct ExtraDevice {
    HidInterfaceEntry entry;  // what enumerate() lists (path, ids, usage page, usage)
    std::vector<std::uint8_t>
        reportDescriptor;  // what its node reports; empty: one plain collection of the entry's usage
};

class VirtualHidBackend final : public HidBackend {
public:
    static constexpr std::size_t kAfterMouse = static_cast<std::size_t>(-1);

    // mouse may be null: a system without the mouse (only extra devices, if any).
    explicit VirtualHidBackend(std::shared_ptr<VirtualMouse> mouse);
    ~VirtualHidBackend() override;
    VirtualHidBackend(const VirtualHidBackend&) = delete;
    VirtualHidBackend& operator=(const VirtualHidBackend&) = delete;

    bool enumerate(std::vector<HidInterfaceEntry>& out) override;
    std::unique_ptr<HidHandle> open(const std::string& path, HidOpenError* error) override;
    bool isPresent(const std::string& path) override;
    // Live: the mouse's plug and unplug and every extra device added or removed are told.
    HotplugSignal* hotplug() override { return &hotplug_; }

    std::shared_ptr<VirtualMouse> mouse() const { return mouse_; }

    // Lists the device before the mouse's entry number beforeMouseEntry (0: before all of
    // them) or, with kAfterMouse, after them. Devices with the same position keep the order
    // in which they were added.
    void addExtraDevice(ExtraDevice device, std::size_t beforeMouseEntry = kAfterMouse);
    void removeExtraDevices(const std::string& path);
    // The order of the mouse's own four collections in an enumeration.
    void setMouseCollectionOrder(std::vector<MouseCollection> order);
    // Makes open() of this path fail with this error (HidOpenError::None clears it).
    void setOpenFailure(const std::string& path, HidOpenError error);
    // Makes enumerate() fail (the system call failed).
    void setEnumerationFails(bool fails);
    // Successful opens of a path so far.
    std::size_t openCount(const std::string& path) const;

    // An extra device with one application collection of this usage.
    static ExtraDevice makeExtraDevice(const std::string& path, std::uint16_t vendorId, std::uint16_t productId,
                                       std::uint16_t usagePage, std::uint16_t usage, int interfaceNumber = 0);
    static std::vector<std::uint8_t> plainDescriptor(std::uint16_t usagePage, std::uint16_t usage);

private:
    struct Extra {
        ExtraDevice device;
        std::size_t position = kAfterMouse;
    };

    std::shared_ptr<VirtualMouse> mouse_;
    HotplugSignal hotplug_{true};
    int plugObserver_ = -1;
    mutable std::mutex mutex_;
    std::vector<Extra> extras_;
    std::vector<MouseCollection> order_;
    std::map<std::string, HidOpenError> openFailures_;
    std::map<std::string, std::size_t> openCounts_;
    bool enumerationFails_ = false;
};

}  // namespace corv::sim
