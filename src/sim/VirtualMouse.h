#pragma once
// A virtual CORVALANTIS mouse: its memory, the command set of its vendor collection, the
// events it sends by itself on its consumer-control collection, fault injection, a latency
// model and a record of every frame. VirtualHidBackend presents it to the device layer as
// Linux hidraw would present the real one.
//
// Device behaviour:
// - A request is a 64-byte output report with report id 4. The answer echoes the request
//   (report id, command, length, address, and the data for writes), carries status 0 and,
//   for reads, the bytes asked for at offset 8 (the rest of the data zero); its checksum is
//   recomputed. Every open handle of interface 1 receives it, as on hidraw.
// - Status 0xFE: the request's checksum does not match its bytes; nothing is executed.
//   Status 0xFF: unknown command, length above 56, address + length outside the area, or a
//   write that would set the active record index (byte 0 of address 0) above 5; nothing of
//   the request is executed. An error answer echoes the header with zero data.
// - CMD_GET_INFO returns the 33 identity bytes whatever its length field (up to 56) says.
// - CMD_BEGIN opens a transaction, CMD_END closes it; both always succeed (END without
//   BEGIN too, BEGIN inside an open transaction too). Writes take effect at once.
// - CMD_RESTORE_DEFAULTS restores the settings records (active record 0), the five button
//   blocks and the colour table, closes a transaction, answers, then sends the reset event
//   0x0402. The macro area is kept: the program does not read it again after a reset, so
//   clearing it would leave the program's macro files out of step with the mouse.
// - CMD_CALIBRATE answers at once; the result event (0x0403 success, 0x0404 failure)
//   follows after the calibration delay of clock time. A second CMD_CALIBRATE while one
//   runs starts it again. The outcome set with setNextCalibrationOutcome applies to the
//   next calibration that completes, then success is the default again.
// - An event is the input report [3, usage low, usage high] followed by the release
//   [3, 0, 0]. Reports are delivered to every open handle of interface 1; each handle queues
//   up to 64 reports and, like hidraw, drops newer ones while its queue is full.
// - Other writes on interface 1: the keyboard's 2-byte LED output report (id 1) is accepted
//   and ignored; any other report id or length fails (-1), as a device that stalls an
//   output report it does not know. Interface 0 has no output report: writes fail.
//
// Faults: a dropped answer means the request was executed and its answer lost (side events
// such as the reset event are still sent); a forced error status answers without executing;
// a failed write does not reach the mouse and costs the write's whole timeout; unplugging
// ends every open handle (their reads return kHidReadError, their writes fail, the handles
// stay dead after a re-plug), closes a transaction and cancels pending answers, events and
// calibrations. Memory survives unplugging.
//
// Time: all waiting and timing goes through the injected Clock. Answers, events and
// calibration results that are due later are delivered when somebody touches the mouse at
// or after their time: a handle's read waits on the clock until the next due time, tick()
// delivers what is due, completePendingCalibration() finishes a calibration at once, and
// startTimerThread() runs a thread that waits for each due time (for the real clock).
//
// Thread-safe: every public member may be called from any thread.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device/DeviceProtocol.h"
#include "device/ReportFrame.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "sim/FactoryMemory.h"
#include "sim/FrameLog.h"
#include "sim/VirtualMouseDescriptor.h"

namespace corv::sim {

enum class MemoryArea { Settings, Buttons, DefaultButtons, Colors, Macros };

enum class LatencyMode {
    None,          // answers and events are readable at once
    UsbFullSpeed,  // each report costs 1 ms each way: a write completes after 1 ms, its answer 1 ms later
};

struct VirtualMouseConfig {
    MouseModel model = MouseModel::R210;
    std::uint16_t releaseNumber = 0x0102;   // bcdDevice, the firmware version
    std::uint8_t macroCapacityUnits = 255;  // DeviceInfo byte 6; 0 counts as 1
    std::chrono::milliseconds calibrationDelay{2000};
    std::string pathPrefix = "virtual://corvalantis";  // nodes are <prefix>/if0 and <prefix>/if1
};

inline constexpr std::uint8_t kStatusOk = 0x00;
inline constexpr std::uint8_t kStatusInvalid = 0xFF;      // bad command, address or length
inline constexpr std::uint8_t kStatusBadChecksum = 0xFE;  // the request's checksum is wrong
inline constexpr std::size_t kHandleQueueLimit = 64;

class VirtualMouse {
public:
    // One open node (one VirtualHidHandle), as the mouse sees it.
    struct HandleState {
        int interfaceNumber = -1;
        std::deque<std::vector<std::uint8_t>> queue;
        bool cancelRequested = false;
        bool dead = false;
    };

    explicit VirtualMouse(Clock& clock, VirtualMouseConfig config = {});
    ~VirtualMouse();
    VirtualMouse(const VirtualMouse&) = delete;
    VirtualMouse& operator=(const VirtualMouse&) = delete;

    // Identity.
    MouseModel model() const { return config_.model; }
    std::uint16_t modelId() const { return FactoryMemory::modelId(config_.model); }
    std::uint16_t releaseNumber() const { return config_.releaseNumber; }
    std::uint8_t macroCapacityUnits() const { return capacityUnits_; }
    std::array<std::uint8_t, kDeviceInfoSize> deviceInfo() const;
    HidAttributes attributes() const;
    std::string interfacePath(int interfaceNumber) const;  // empty for a number other than 0 and 1
    // The interface whose node this is, or -1.
    int interfaceOfPath(const std::string& path) const;
    // One entry per top-level collection, in the given order (hidraw lists them in
    // VirtualMouseDescriptor::defaultOrder()).
    std::vector<HidInterfaceEntry> enumerationEntries(const std::vector<MouseCollection>& order) const;
    Clock& clock() { return clock_; }

    // Plugging.
    bool isPlugged() const;
    void unplug();
    void plug();
    // Told of every plug() and unplug(), after it happened, as the system tells of a real node
    // coming and going. Returns the number that removes the observer again.
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
    // How many reads are waiting for a report right now (tests that act while a read waits).
    std::size_t blockedReads() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return blockedReads_;
    }
    std::size_t openHandleCount() const;

    // Memory, for tests and tools: no frames, no events.
    std::size_t areaSize(MemoryArea area) const;
    std::vector<std::uint8_t> memory(MemoryArea area) const;
    // False (and nothing copied) when address + size lies outside the area.
    bool readMemory(MemoryArea area, std::size_t address, std::span<std::uint8_t> out) const;
    bool writeMemory(MemoryArea area, std::size_t address, std::span<const std::uint8_t> data);
    std::uint8_t activeRecord() const;
    std::array<std::uint8_t, kSettingsRecordSize> settingsRecord(std::size_t record) const;  // record < 6
    std::array<std::uint8_t, kButtonTableSize> buttonBlock(std::size_t block) const;         // block < 5
    std::uint8_t currentStage() const;  // byte 20 of the active record
    // Factory contents in every area, the macro area included; no event.
    void resetToFactory();
    bool transactionOpen() const;

    // The user at the mouse. Each returns false (and does nothing) while unplugged.
    // The DPI button: the current stage advances (4 wraps to 0), then the sync event 0x0401.
    bool pressDpiButton();
    // Any usage on the consumer collection, pressed and released (0x00E9 is volume up).
    bool sendConsumerUsage(std::uint16_t usage);
    // An input report of any id, length and content on interface 0 or 1, sent now: what a
    // mouse whose firmware misbehaves, or a line that garbles a report, puts in front of the
    // host. It arrives before an answer that is still on its way. False for an empty report
    // or another interface.
    bool sendInputReport(int interfaceNumber, std::vector<std::uint8_t> report);
    // The mouse restores its defaults by itself, exactly as on CMD_RESTORE_DEFAULTS but with
    // no request to answer: settings records, button blocks and colour table, an open
    // transaction closed, then the reset event 0x0402.
    bool restoreDefaultsAtMouse();

    // Calibration.
    void setCalibrationDelay(std::chrono::milliseconds delay);
    // The outcome of the next calibration to complete; a successful one may also set the
    // lift-off distance (byte 23 of the active record), when liftOff is given.
    void setNextCalibrationOutcome(bool ok, std::optional<std::uint8_t> liftOff = std::nullopt);
    bool calibrationPending() const;
    // Finishes a running calibration now, whatever the clock says. False when none runs.
    bool completePendingCalibration();
    // Delivers every answer, event and calibration result whose time has come.
    void tick();
    // A thread that waits on the clock for each due time and delivers (meant for the real
    // clock; with a ManualClock it moves the time forward by itself).
    void startTimerThread();
    void stopTimerThread();

    // Faults.
    void dropNextAnswers(int count);
    void failNextRequests(int count, std::uint8_t status = kStatusInvalid);  // 0xFF or 0xFE
    void setAnswerDelay(std::chrono::milliseconds delay);
    void failNextWrites(int count);
    void clearFaults();

    void setLatencyMode(LatencyMode mode);
    LatencyMode latencyMode() const;

    // Told of every request the mouse has carried out (its answer is on its way), on the
    // thread that wrote it, after the write and without the mouse's lock, so it may act on
    // the mouse: tests unplug or reset it at a chosen frame of a transfer. Null removes it.
    void setRequestHook(std::function<void(const ReportFrame&)> hook);

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
    void scheduleLocked(Clock::time_point due, Action action);
    void pumpLocked();
    void runLocked(Action& action);
    void deliverLocked(int interfaceNumber, const std::vector<std::uint8_t>& report, bool isAnswer);
    // Sends an input report at `when` (at once when that is not in the future).
    void emitLocked(Clock::time_point when, int interfaceNumber, std::vector<std::uint8_t> report, bool isAnswer);
    // Press and release of a consumer usage, the press at `when`.
    void emitEventLocked(Clock::time_point when, std::uint16_t usage);
    void processFrameLocked(const ReportFrame& request);
    std::uint8_t executeLocked(const ReportFrame& request, ReportFrame& answer, bool& resetEvent, bool& calibrate);
    std::vector<std::uint8_t>* areaLocked(MemoryArea area);
    const std::vector<std::uint8_t>* areaLocked(MemoryArea area) const;
    void restoreDefaultsLocked();
    void finishCalibrationLocked(Clock::time_point when);
    bool cancelCalibrationLocked();
    void killHandlesLocked();
    void timerLoop();
    void notifyPlugObservers();

    Clock& clock_;
    const VirtualMouseConfig config_;
    const std::uint8_t capacityUnits_;
    FrameLog log_;

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::size_t blockedReads_ = 0;

    bool plugged_ = true;
    std::mutex observersMutex_;  // never taken with mutex_ held
    std::map<int, std::function<void()>> plugObservers_;
    int nextObserverId_ = 0;
    std::vector<std::shared_ptr<HandleState>> handles_;

    std::vector<std::uint8_t> settings_;
    std::vector<std::uint8_t> buttons_;
    std::vector<std::uint8_t> defaultButtons_;
    std::vector<std::uint8_t> colors_;
    std::vector<std::uint8_t> macros_;
    bool transactionOpen_ = false;

    std::map<ActionKey, Action> pending_;
    std::uint64_t nextSequence_ = 0;
    std::uint64_t scheduleVersion_ = 0;

    std::chrono::milliseconds calibrationDelay_;
    bool nextCalibrationOk_ = true;
    std::optional<std::uint8_t> nextCalibrationLiftOff_;

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
