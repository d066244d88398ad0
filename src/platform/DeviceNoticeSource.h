#pragma once
// The system's notices of devices coming, going and changing, one at a time. The real
// source is the udev daemon (UdevNoticeSource); tests feed their own (FakeDeviceNotices).
#include <optional>
#include <string>

namespace corv {

struct DeviceNotice {
    std::string action;     // "add", "remove", "change", "bind", ...
    std::string subsystem;  // "hidraw", "usb", ...
    std::string node;       // the device node, empty when it has none
};

class DeviceNoticeSource {
public:
    virtual ~DeviceNoticeSource() = default;
    // A descriptor that polls readable while notices wait.
    virtual int descriptor() const = 0;
    // The next waiting notice; nullopt when none waits.
    virtual std::optional<DeviceNotice> next() = 0;
};

}  // namespace corv
