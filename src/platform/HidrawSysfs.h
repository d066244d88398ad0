#pragma once
// What sysfs tells about a hidraw node that hidapi 0.13 does not: the interface's report
// descriptor, and (as a fallback) the device's vendor id, product id and release number.
// The node is found by its device number (/sys/dev/char/<major>:<minor>), so a symlinked
// device path works as well and no path text is ever joined into a sysfs path.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HidBackend.h"

namespace corv {

class HidrawSysfs {
public:
    // The kernel's own limit for a report descriptor.
    static constexpr std::size_t kMaxDescriptorBytes = 4096;

    // The sysfs directory of a character device node, or empty when the path is not one.
    static std::string nodeDirectory(const std::string& devicePath);

    // Whether the node's subsystem is hidraw (<nodeDirectory>/subsystem links to .../hidraw).
    static bool isHidrawNode(const std::string& nodeDirectory);

    // <nodeDirectory>/device/report_descriptor; empty when missing, unreadable, empty or
    // longer than kMaxDescriptorBytes.
    static std::vector<std::uint8_t> readReportDescriptor(const std::string& nodeDirectory);

    // Vendor and product id from HID_ID in <nodeDirectory>/device/uevent; for a USB device
    // the release number from bcdDevice of the USB device two levels above (0 when absent).
    // False when the uevent file is missing or has no valid HID_ID.
    static bool readAttributes(const std::string& nodeDirectory, HidAttributes& out);

    // Parses "HID_ID=0003:00000C45:00006711" (bus, vendor, product in hex) from uevent text.
    static bool parseHidId(std::string_view uevent, std::uint32_t& bus, std::uint16_t& vendorId,
                           std::uint16_t& productId);
};

}  // namespace corv
