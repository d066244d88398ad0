#pragma once
// The virtual mouse as the host's USB stack sees it: its two interface nodes and the handles
// open on them, plugging, the delivery of answers and events, the timers that deliver them
// when they are due, fault injection, the latency model and the record of every frame. It
// hands each request frame to the mouse's MouseFirmware and delivers what that answers.
//
// Delivery:
// - A request is a 64-byte output report with report id 4 on interface 1. Its answer reaches
//   every open handle of interface 1, as on hidraw.
// - An event is the input report [3, usage low, usage high] followed by the release
//   [3, 0, 0]. Reports are delivered to every open handle of their interface; each handle
//   queues up to 64 reports and, like hidraw, drops newer ones while its queue is full.
// - Other writes on interface 1: the keyboard's 2-byte LED output report (id 1) is accepted
//   and ignored; any other report id or length fails (-1), as a device that stalls an
//   output report it does not know. Interface 0 has no output report: writes fail.
//
// Faults: a dropped answer means the request was executed and its answer lost (side events
// such as the reset event are still sent); a forced error status answers without executing;
// a failed write does not reach the mouse and costs the write's whole timeout; unplugging
// ends every open handle (their reads return kHidReadError, their writes fail, the handles
// stay dead after a re-plug), tells the firmware it lost its power (a transaction closes)
// and cancels pending answers, events and calibrations. Memory survives unplugging.
//
// Time: all waiting and timing goes through the injected Clock. Answers, events and
// calibration results that are due later are delivered when somebody touches the mouse at
// or after their time: a handle's read waits on the clock until the next due time, tick()
// delivers what is due, completePendingCalibration() finishes a calibration at once, and
// startTimerThread() runs a thread that waits for each due time (for the real clock).
//
// Thread-safe: every public member may be called from any thread. The firmware is touched
// only with the transport's lock held (locked()).
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device/DeviceProtocol.h"
#include "device/ReportFrame.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "sim/FrameLog.h"
#include "sim/MouseFirmware.h"
#include "sim/VirtualMouseDescriptor.h"

namespace corv::sim {

enum class LatencyMode {
    None,  // answers and events are readable at once
    // A full-speed device on 1 ms frames: a report moves at the next frame boundary of the
    // clock (boundaries at whole milliseconds of its epoch). A write completes at the first
    // boundary after it was made, its answer is readable at the boundary after that, and an
    // event at the first boundary after it happened. Late wake-ups of the host do not add up:
    // each report keeps to its frame as long as the host is ready for it.
    UsbFullSpeed,
};

// The first USB frame boundary strictly after t.
Clock::time_point nextUsbFrame(Clock::time_point t);

inline constexpr std::size_t kHandleQueueLimit = 64;

class MouseTransport {
public:
    // One open node (one VirtualHidHandle), as the mouse sees it.
    struct HandleState {
        int interfaceNumber = -1;
        std::deque<std::vector<std::uint8_t>> queue;
        bool cancelRequested = false;
        bool dead = false;
    };

    // Nodes are <pathPrefix>/if0 and <pathPrefix>/if1. The firmware outlives the transport.
    MouseTransport(Clock& clock, MouseFirmware& firmware, std::string pathPrefix);
    ~MouseTransport();
    MouseTransport(const MouseTransport&) = delete;
    MouseTransport& operator=(const MouseTransport&) = delete;

    // The nodes.
    HidAttributes attributes() const;
    std::string interfacePath(int interfaceNumber) const;  // empty for a number other than 0 and 1
    // The interface whose node this is, or -1.
    int interfaceOfPath(const std::string& path) const;
    // One entry per top-level collection, in the given order.
    std::vector<HidInterfaceEntry> enumerationEntries(const std::vector<MouseCollection>& order) const;
    Clock& clock() { return clock_; }

    // Plugging.
    bool isPlugged() const;
    void unplug();
    void plug();
    // Told of every plug() and unplug(), after it happened. Returns the number that removes
    // the observer again.
    int addPlugObserver(std::function<void()> observer);
    void removePlugObserver(int id);

    // Host side, used by VirtualHidHandle. attach returns null while unplugged or for an
    // interface other than 0 and 1.
    std::shared_ptr<HandleState> attach(int interfaceNumber);
    void detach(const std::shared_ptr<HandleState>& handle);
    // False once the handle died with an unplug (it stays dead after a re-plug).
    bool handleAlive(const std::shared_ptr<HandleState>& handle) const;
    int hostWrite(const std::shared_ptr<HandleState>& handle, const std::uint8_t* data, std::size_t length,
                  int timeoutMs);
    int hostRead(const std::shared_ptr<HandleState>& handle, std::uint8_t* buffer, std::size_t capacity, int timeoutMs);
    void hostCancel(const std::shared_ptr<HandleState>& handle);
    // How many reads are waiting for a report right now.
    std::size_t blockedReads() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return blockedReads_;
    }
    std::size_t openHandleCount() const;

    // Runs fn with the mouse locked and returns what it returns: the way to the firmware's
    // state from outside (no frames, no events).
    template <typename Fn> auto locked(Fn&& fn) const
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return fn();
    }

    // The user at the mouse: once what is due was delivered, act runs with the mouse locked
    // and returns the consumer usage the mouse then sends (pressed and released). False, and
    // act not run, while unplugged.
    bool actAtMouse(const std::function<std::uint16_t()>& act);
    // An input report of any id, length and content on interface 0 or 1, sent now, ahead of
    // an answer that is still on its way. False for an empty report, another interface or
    // an unplugged mouse.
    bool sendInputReport(int interfaceNumber, std::vector<std::uint8_t> report);

    // Calibration timing.
    bool calibrationPending() const;
    // Finishes a running calibration now, whatever the clock says. False when none runs.
    bool completePendingCalibration();
    // Delivers every answer, event and calibration result whose time has come.
    void tick();
    // A thread that waits on the clock for each due time and delivers.
    void startTimerThread();
    void stopTimerThread();

    // Faults.
    void dropNextAnswers(int count);
    void failNextRequests(int count, std::uint8_t status);
    void setAnswerDelay(std::chrono::milliseconds delay);
    void failNextWrites(int count);
    void clearFaults();

    void setLatencyMode(LatencyMode mode);
    // Told of every request the mouse has carried out (its answer is on its way), on the
    // thread that wrote it, after the write and without the mouse's lock. Null removes it.
    void setRequestHook(std::function<void(const ReportFrame&)> hook);
    LatencyMode latencyMode() const;

    FrameLog& frameLog() { return log_; }
    const FrameLog& frameLog() const { return log_; }

private:
    enum class ActionKind { Deliver, Calibration };
    struct Action {
        ActionKind kind = ActionKind::Deliver;
        int interfaceNumber = kVendorInterface;
        std::vector<std::uint8_t> report;
        bool isAnswer = false;
    };
    using ActionKey = std::pair<Clock::time_point, std::uint64_t>;

    Clock::duration reportLatency() const;
    // When a report that is ready at t moves: t itself without latency, else the next frame.
    Clock::time_point reportTimeLocked(Clock::time_point t) const;
    void scheduleLocked(Clock::time_point due, Action action);
    void pumpLocked();
    void deliverLocked(int interfaceNumber, const std::vector<std::uint8_t>& report, bool isAnswer);
    // Sends an input report at `when` (at once when that is not in the future).
    void emitLocked(Clock::time_point when, int interfaceNumber, std::vector<std::uint8_t> report, bool isAnswer);
    // Press and release of a consumer usage, the press at `when`.
    void emitEventLocked(Clock::time_point when, std::uint16_t usage);
    // The request reached the mouse at `arrival`.
    void processFrameLocked(const ReportFrame& request, Clock::time_point arrival);
    void finishCalibrationLocked(Clock::time_point when);
    bool cancelCalibrationLocked();
    void killHandlesLocked();
    void timerLoop();
    void notifyPlugObservers();

    Clock& clock_;
    MouseFirmware& firmware_;
    const std::string pathPrefix_;
    FrameLog log_;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::size_t blockedReads_ = 0;

    bool plugged_ = true;
    std::mutex observersMutex_;  // never taken with mutex_ held
    std::map<int, std::function<void()>> plugObservers_;
    int nextObserverId_ = 0;
    std::vector<std::shared_ptr<HandleState>> handles_;

    std::map<ActionKey, Action> pending_;
    std::uint64_t nextSequence_ = 0;
    std::uint64_t scheduleVersion_ = 0;

    int dropAnswers_ = 0;
    int failRequests_ = 0;
    std::uint8_t failStatus_ = kStatusInvalid;
    std::chrono::milliseconds answerDelay_{0};
    int failWrites_ = 0;
    LatencyMode latency_ = LatencyMode::None;
    std::function<void(const ReportFrame&)> requestHook_;

    std::thread timer_;
    bool timerStop_ = false;
};

}  // namespace corv::sim
