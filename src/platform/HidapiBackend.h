#pragma once
// The HID backend of the real system: hidapi 0.13 over hidraw.
//
// - enumerate(): one entry per top-level collection as hidapi lists them (all collections of
//   an interface share the node's path), in hidapi's order; entries without a path are left out.
// - open(): tells a missing node (NotFound) and a node this user may not open
//   (PermissionDenied) apart from other failures before hidapi opens it; only character
//   devices are opened.
// - The handle reads in slices of at most 20 ms so that cancel() from another thread wakes a
//   waiting read (see HidrawSlicedReader); writes are a single hid_write call (hidraw writes
//   do not wait for long), so the write timeout is not used.
// - attributes() come from hidapi's device information of the open node (hid_get_device_info),
//   or from sysfs (uevent HID_ID and the USB device's bcdDevice) when hidapi has none.
// - reportDescriptor() is the node's sysfs report_descriptor, read once at open.
#include <memory>
#include <string>
#include <vector>

#include "platform/HidBackend.h"

namespace corv {

class HidapiBackend final : public HidBackend {
public:
    bool enumerate(std::vector<HidInterfaceEntry>& out) override;
    std::unique_ptr<HidHandle> open(const std::string& path, HidOpenError* error) override;
    bool isPresent(const std::string& path) override;
};

}  // namespace corv
