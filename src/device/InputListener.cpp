#include "device/InputListener.h"

#include <utility>

#include "device/DeviceProtocol.h"
#include "platform/StopWait.h"

namespace corv {

std::vector<MouseEvent> eventsForUsage(std::uint16_t usage)
{
    switch (usage) {
    case kEventSync:
        return {MouseEvent::Sync};
    case kEventReset:
        return {MouseEvent::Reset};
    case kEventCalibrationOk:
        return {MouseEvent::CalibrationEnd, MouseEvent::CalibrationOk};
    case kEventCalibrationFail:
        return {MouseEvent::CalibrationEnd, MouseEvent::CalibrationFail};
    default:
        return {};
    }
}

InputListener::InputListener(HidBackend& backend, Clock& clock, Callbacks callbacks)
    : device_(backend, clock), clock_(clock), callbacks_(std::move(callbacks))
{ }

void InputListener::run(std::stop_token stop)
{
    std::stop_callback wake(stop, [this] { device_.cancel(); });
    HotplugSignal* notices = device_.hotplug();
    for (;;) {
        const std::uint64_t seen = notices != nullptr ? notices->generation() : 0;
        if (!runCycle(stop))
            break;
        const std::chrono::milliseconds interval(found_ ? 100 : 1000);
        bool waited = false;
        if (notices != nullptr && notices->live())
            waited = notices->waitForChange(seen, found_ ? std::optional(interval) : std::nullopt, stop);
        else
            waited = waitUnlessStopped(clock_, interval, stop);
        if (!waited)
            break;
    }
    state_ = State::Ended;
    device_.destroy();
}

bool InputListener::runCycle(const std::stop_token& stop)
{
    if (stop.stop_requested())
        return false;
    if (found_) {
        // Still there although its reads failed: a re-plug quicker than one probe leaves the
        // same node behind, and a passing error leaves the collection as it was. Search again
        // after some probes rather than never reading it again; a node that is gone is
        // searched for at once.
        if (device_.probe() && ++probesSinceReading_ < kProbesBeforeSearch)
            return true;
        probesSinceReading_ = 0;
        found_ = false;
        state_ = State::Searching;
    }
    device_.nextIndex = 0;
    if (!device_.enumerate())
        return false;
    if (device_.findListenerDevice()) {
        found_ = true;
        probesSinceReading_ = 0;
        state_ = State::Reading;
        if (!readReports(stop))
            return false;
        device_.closeDevice();
        state_ = State::Found;
        // The mouse may be gone: whoever waits for notices looks now rather than at the
        // udev daemon's pace.
        if (HotplugSignal* notices = device_.hotplug())
            notices->notify();
    }
    return true;
}

// Reads until a read fails. False when the thread must end.
bool InputListener::readReports(const std::stop_token& stop)
{
    std::vector<std::uint8_t> report(device_.capabilities().inputReportByteLength);
    if (report.empty())
        return true;
    // A stop that came while the collection was being opened found no handle to cancel;
    // once the handle exists, a later stop cancels the read below.
    if (stop.stop_requested())
        return false;
    std::size_t got = 0;
    while (device_.read(report.data(), report.size(), -1, &got)) {
        if (stop.stop_requested())
            return false;
        std::vector<HidInputDataDescriptor>& data = device_.inputData();
        unpackReport(std::span<const std::uint8_t>(report.data(), got), data, device_.reportDescriptor(),
                     device_.collectionIndex());
        if (callbacks_.windowAlive && !callbacks_.windowAlive())
            return false;
        const std::uint16_t usage = !data.empty() && data.front().isButton && !data.front().usageList.empty()
                                        ? data.front().usageList.front()
                                        : 0;
        for (MouseEvent event : eventsForUsage(usage)) {
            if (stop.stop_requested())
                return false;
            if (callbacks_.deliver)
                callbacks_.deliver(event);
        }
    }
    return !stop.stop_requested();
}

}  // namespace corv
