#pragma once
// The listener for the events the mouse sends by itself on its consumer-control
// collection: a synchronisation request, a reset, and the outcome of a surface
// calibration. Runs on its own thread with its own opened collection and takes no lock.
//
// States: searching (enumerate at every plug or unplug notice) -> reading (blocking reads,
// one report at a time) -> found (the reads failed; probe at the next notice, or after
// 100 ms) -> searching again when the probe fails, or after ten probes that find the node
// still there (a quick re-plug or a passing error must not end the listening for good).
// A failed read is passed on as a notice, so that the device connection probes its mouse
// too. A backend without notices is searched every second and probed every 100 ms. A stop
// request wakes a waiting read at once.
#include <atomic>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <vector>

#include "device/HidDeviceInfo.h"
#include "platform/Clock.h"

namespace corv {

enum class MouseEvent { Sync, Reset, CalibrationEnd, CalibrationOk, CalibrationFail };

// The events one consumer usage stands for, in the order they are delivered: 0x0401 sync,
// 0x0402 reset, 0x0403 calibration end + ok, 0x0404 calibration end + fail; nothing for
// any other usage (0 included).
std::vector<MouseEvent> eventsForUsage(std::uint16_t usage);

class InputListener {
public:
    enum class State { Searching, Reading, Found, Ended };

    struct Callbacks {
        // False once the main window is gone; checked after each report, as the thread's end.
        std::function<bool()> windowAlive;
        // One event; returns when its handler has run (events are delivered one at a time).
        std::function<void(MouseEvent)> deliver;
    };

    InputListener(HidBackend& backend, Clock& clock, Callbacks callbacks);

    void run(std::stop_token stop);
    // One cycle without its pause: a search (with the reads that follow a match) or a probe.
    // False when the thread must end.
    bool runCycle(const std::stop_token& stop);
    State state() const { return state_.load(); }
    // Wakes a read that waits (shutdown). Safe from any thread.
    void cancel() { device_.cancel(); }

private:
    bool readReports(const std::stop_token& stop);

    HidDeviceInfo device_;
    Clock& clock_;
    Callbacks callbacks_;
    std::atomic<State> state_{State::Searching};
    bool found_ = false;
    static constexpr int kProbesBeforeSearch = 10;
    int probesSinceReading_ = 0;
};

}  // namespace corv
