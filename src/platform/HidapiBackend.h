#pragma once
// The HID backend of the real system: hidapi 0.13 over hidraw.
//
// - enumerate(): one entry per top-level collection as hidapi lists them (all collections of
//   an interface share the node's path), in hidapi's order; entries without a path are left out.
// - open(): tells a missing node (NotFound) and a node this user may not open
//   (PermissionDenied) apart from other failures before hidapi opens it; only character
//   devices are opened.
// - The handle (HidrawHandle) reads and writes the node itself: hidapi offers no way to wake
//   a read that waits, and one that waits in slices wakes the process many times a second
//   while the mouse is idle.
// - attributes() come from sysfs (uevent HID_ID and the USB device's bcdDevice), as hidapi
//   takes them.
// - reportDescriptor() is the node's sysfs report_descriptor, read once at open.
// - hotplug(): a udev monitor of the hidraw subsystem, started on the first call; without a
//   udev daemon the signal stays not live.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace corv {

class HotplugWatcher;

class HidapiBackend final : public HidBackend {
public:
    HidapiBackend();
    ~HidapiBackend() override;
    bool enumerate(std::vector<HidInterfaceEntry>& out) override;
    std::unique_ptr<HidHandle> open(const std::string& path, HidOpenError* error) override;
    bool isPresent(const std::string& path) override;
    HotplugSignal* hotplug() override;

private:
    std::once_flag watcherStarted_;
    HotplugSignal hotplug_;
    std::unique_ptr<HotplugWatcher> watcher_;  // declared after the signal it drives
};

}  // namespace corv
