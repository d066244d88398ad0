#pragma once
// A virtual CORVALANTIS mouse: its memory, the command set of its vendor collection, the
// events it sends by itself on its consumer-control collection, fault injection, a latency
// model and a record of every frame. VirtualHidBackend presents it to the device layer as
// Linux hidraw would present the real one.
//
// It is two parts behind one interface: the firmware (MouseFirmware: memory, identity,
// commands, calibration) and the transport (MouseTransport: nodes, handles, plugging,
// delivery, timers, faults, latency, frame record). Their headers describe the behaviour.
//
// Thread-safe: every public member may be called from any thread.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/DeviceProtocol.h"
#include "device/ModelFacts.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "sim/FactoryMemory.h"
#include "sim/FrameLog.h"
#include "sim/MouseFirmware.h"
#include "sim/MouseTransport.h"
#include "sim/VirtualMouseDescriptor.h"

namespace corv::sim {

struct VirtualMouseConfig {
    std::uint16_t model = kModelR210;       // the model id: one of knownModels() (device/ModelFacts.h)
    std::uint16_t releaseNumber = 0x0102;   // bcdDevice, the firmware version
    std::uint8_t macroCapacityUnits = 255;  // DeviceInfo byte 6; 0 counts as 1
    std::chrono::milliseconds calibrationDelay{2000};
    std::string pathPrefix = "virtual://corvalantis";  // nodes are <prefix>/if0 and <prefix>/if1
};

class VirtualMouse {
public:
    using HandleState = MouseTransport::HandleState;

    // Throws std::invalid_argument for a model the program does not know.
    explicit VirtualMouse(Clock& clock, VirtualMouseConfig config = {});
    VirtualMouse(const VirtualMouse&) = delete;
    VirtualMouse& operator=(const VirtualMouse&) = delete;

    // Identity.
    const ModelFacts& model() const { return firmware_.model(); }
    std::uint16_t modelId() const { return firmware_.model().id; }
    std::uint16_t releaseNumber() const { return firmware_.releaseNumber(); }
    std::uint8_t macroCapacityUnits() const { return firmware_.macroCapacityUnits(); }
    std::array<std::uint8_t, kDeviceInfoSize> deviceInfo() const { return firmware_.deviceInfo(); }
    HidAttributes attributes() const { return transport_.attributes(); }
    // Empty for a number other than 0 and 1.
    std::string interfacePath(int interfaceNumber) const { return transport_.interfacePath(interfaceNumber); }
    // The interface whose node this is, or -1.
    int interfaceOfPath(const std::string& path) const { return transport_.interfaceOfPath(path); }
    // One entry per top-level collection, in the given order (hidraw lists them in
    // VirtualMouseDescriptor::defaultOrder()).
    std::vector<HidInterfaceEntry> enumerationEntries(const std::vector<MouseCollection>& order) const
    {
        return transport_.enumerationEntries(order);
    }
    Clock& clock() { return transport_.clock(); }

    // Plugging.
    bool isPlugged() const { return transport_.isPlugged(); }
    void unplug() { transport_.unplug(); }
    void plug() { transport_.plug(); }
    // Told of every plug() and unplug(), after it happened, as the system tells of a real node
    // coming and going. Returns the number that removes the observer again.
    int addPlugObserver(std::function<void()> observer) { return transport_.addPlugObserver(std::move(observer)); }
    void removePlugObserver(int id) { transport_.removePlugObserver(id); }

    // Host side, used by VirtualHidHandle. attach returns null while unplugged or for an
    // interface other than 0 and 1.
    std::shared_ptr<HandleState> attach(int interfaceNumber) { return transport_.attach(interfaceNumber); }
    void detach(const std::shared_ptr<HandleState>& handle) { transport_.detach(handle); }
    // False once the handle died with an unplug (it stays dead after a re-plug).
    bool handleAlive(const std::shared_ptr<HandleState>& handle) const { return transport_.handleAlive(handle); }
    int hostWrite(const std::shared_ptr<HandleState>& handle, const std::uint8_t* data, std::size_t length,
                  int timeoutMs)
    {
        return transport_.hostWrite(handle, data, length, timeoutMs);
    }
    int hostRead(const std::shared_ptr<HandleState>& handle, std::uint8_t* buffer, std::size_t capacity, int timeoutMs)
    {
        return transport_.hostRead(handle, buffer, capacity, timeoutMs);
    }
    void hostCancel(const std::shared_ptr<HandleState>& handle) { transport_.hostCancel(handle); }
    // How many reads are waiting for a report right now (tests that act while a read waits).
    std::size_t blockedReads() const { return transport_.blockedReads(); }
    std::size_t openHandleCount() const { return transport_.openHandleCount(); }

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
    bool sendInputReport(int interfaceNumber, std::vector<std::uint8_t> report)
    {
        return transport_.sendInputReport(interfaceNumber, std::move(report));
    }
    // The mouse restores its defaults by itself, exactly as on CMD_RESTORE_DEFAULTS but with
    // no request to answer: settings records, button blocks and colour table, an open
    // transaction closed, then the reset event 0x0402.
    bool restoreDefaultsAtMouse();

    // Calibration.
    void setCalibrationDelay(std::chrono::milliseconds delay);
    // The outcome of the next calibration to complete; a successful one may also set the
    // lift-off distance (byte 23 of the active record), when liftOff is given.
    void setNextCalibrationOutcome(bool ok, std::optional<std::uint8_t> liftOff = std::nullopt);
    bool calibrationPending() const { return transport_.calibrationPending(); }
    // Finishes a running calibration now, whatever the clock says. False when none runs.
    bool completePendingCalibration() { return transport_.completePendingCalibration(); }
    // Delivers every answer, event and calibration result whose time has come.
    void tick() { transport_.tick(); }
    // A thread that waits on the clock for each due time and delivers (meant for the real
    // clock; with a ManualClock it moves the time forward by itself).
    void startTimerThread() { transport_.startTimerThread(); }
    void stopTimerThread() { transport_.stopTimerThread(); }

    // Faults.
    void dropNextAnswers(int count) { transport_.dropNextAnswers(count); }
    void failNextRequests(int count, std::uint8_t status = kStatusInvalid)  // 0xFF or 0xFE
    {
        transport_.failNextRequests(count, status);
    }
    void setAnswerDelay(std::chrono::milliseconds delay) { transport_.setAnswerDelay(delay); }
    void failNextWrites(int count) { transport_.failNextWrites(count); }
    void clearFaults() { transport_.clearFaults(); }

    void setLatencyMode(LatencyMode mode) { transport_.setLatencyMode(mode); }
    LatencyMode latencyMode() const { return transport_.latencyMode(); }

    // Told of every request the mouse has carried out (its answer is on its way), on the
    // thread that wrote it, after the write and without the mouse's lock, so it may act on
    // the mouse: tests unplug or reset it at a chosen frame of a transfer. Null removes it.
    void setRequestHook(std::function<void(const ReportFrame&)> hook) { transport_.setRequestHook(std::move(hook)); }

    FrameLog& frameLog() { return transport_.frameLog(); }
    const FrameLog& frameLog() const { return transport_.frameLog(); }

private:
    MouseFirmware firmware_;
    MouseTransport transport_;  // after the firmware: it goes first
};

}  // namespace corv::sim
