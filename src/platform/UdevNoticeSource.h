#pragma once
// Device notices from the udev daemon: a udev monitor of the hidraw subsystem. Notices come
// after udev has run its rules, so a node announced here already carries the access rights
// the rules give it.
#include <memory>
#include <string>

#include "platform/DeviceNoticeSource.h"

struct udev;
struct udev_monitor;

namespace corv {

class UdevNoticeSource final : public DeviceNoticeSource {
public:
    // Null, with the reason in why, when there is no udev daemon to send notices (a
    // container, a minimal system) or the monitor cannot be set up.
    static std::unique_ptr<UdevNoticeSource> open(std::string* why);
    ~UdevNoticeSource() override;
    UdevNoticeSource(const UdevNoticeSource&) = delete;
    UdevNoticeSource& operator=(const UdevNoticeSource&) = delete;

    int descriptor() const override;
    std::optional<DeviceNotice> next() override;

private:
    UdevNoticeSource(struct udev* context, struct udev_monitor* monitor);

    struct udev* context_;
    struct udev_monitor* monitor_;
};

}  // namespace corv
