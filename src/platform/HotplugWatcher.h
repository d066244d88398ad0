#pragma once
// Turns device notices into the hotplug signal: a thread of its own sleeps on the notice
// source and wakes the signal's waiters for every notice about a hidraw node (added,
// removed, or changed, as when the udev rules are reloaded and a node gains access rights).
// While the watcher lives the signal is live.
#include <memory>
#include <thread>

#include "platform/DeviceNoticeSource.h"
#include "platform/HotplugSignal.h"

namespace corv {

class HotplugWatcher {
public:
    HotplugWatcher(std::unique_ptr<DeviceNoticeSource> source, HotplugSignal& signal);
    ~HotplugWatcher();
    HotplugWatcher(const HotplugWatcher&) = delete;
    HotplugWatcher& operator=(const HotplugWatcher&) = delete;

    // Whether a notice concerns the nodes the program opens.
    static bool concernsHidNodes(const DeviceNotice& notice);

private:
    void watch();

    std::unique_ptr<DeviceNoticeSource> source_;
    HotplugSignal& signal_;
    int wake_ = -1;  // eventfd that ends the thread
    std::thread thread_;
};

}  // namespace corv
