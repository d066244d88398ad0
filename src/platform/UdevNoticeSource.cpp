#include "platform/UdevNoticeSource.h"

#include <libudev.h>
#include <sys/stat.h>

namespace corv {

namespace {

std::string text(const char* s) { return s != nullptr ? std::string(s) : std::string(); }

}  // namespace

std::unique_ptr<UdevNoticeSource> UdevNoticeSource::open(std::string* why)
{
    // Without the daemon the monitor opens fine and then never hears anything.
    struct stat st { };
    if (::stat("/run/udev/control", &st) != 0) {
        if (why != nullptr)
            *why = "no udev daemon is running (/run/udev/control is missing)";
        return nullptr;
    }
    struct udev* context = udev_new();
    if (context == nullptr) {
        if (why != nullptr)
            *why = "udev_new failed";
        return nullptr;
    }
    struct udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (monitor == nullptr || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        if (why != nullptr)
            *why = "the udev monitor could not be set up";
        if (monitor != nullptr)
            udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::unique_ptr<UdevNoticeSource>(new UdevNoticeSource(context, monitor));
}

UdevNoticeSource::UdevNoticeSource(struct udev* context, struct udev_monitor* monitor)
    : context_(context), monitor_(monitor)
{ }

UdevNoticeSource::~UdevNoticeSource()
{
    udev_monitor_unref(monitor_);
    udev_unref(context_);
}

int UdevNoticeSource::descriptor() const { return udev_monitor_get_fd(monitor_); }

std::optional<DeviceNotice> UdevNoticeSource::next()
{
    // The monitor's socket is non-blocking: null when nothing waits.
    struct udev_device* device = udev_monitor_receive_device(monitor_);
    if (device == nullptr)
        return std::nullopt;
    DeviceNotice notice{text(udev_device_get_action(device)), text(udev_device_get_subsystem(device)),
                        text(udev_device_get_devnode(device))};
    udev_device_unref(device);
    return notice;
}

}  // namespace corv
