#pragma once
// The firmware of the virtual mouse: its memory areas, its identity block, the command set of
// its vendor collection and the calibration. It knows nothing of handles, timing or faults:
// MouseTransport hands it each request frame, and delivers its answer and the events it asks
// for.
//
// Commands:
// - The answer echoes the request (report id, command, length, address, and the data for
//   writes), carries status 0 and, for reads, the bytes asked for at offset 8 (the rest of
//   the data zero); its checksum is recomputed.
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
//   follows after the calibration delay. A second CMD_CALIBRATE while one runs starts it
//   again. The outcome set with setNextCalibrationOutcome applies to the next calibration
//   that completes, then success is the default again.
//
// Not thread-safe: the transport serialises every call.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/DeviceProtocol.h"
#include "device/ModelFacts.h"
#include "device/ReportFrame.h"
#include "sim/FactoryMemory.h"
#include "sim/VirtualMouseDescriptor.h"

namespace corv::sim {

enum class MemoryArea { Settings, Buttons, DefaultButtons, Colors, Macros };

inline constexpr std::uint8_t kStatusOk = 0x00;
inline constexpr std::uint8_t kStatusInvalid = 0xFF;      // bad command, address or length
inline constexpr std::uint8_t kStatusBadChecksum = 0xFE;  // the request's checksum is wrong

class MouseFirmware {
public:
    // What the firmware does with one request.
    struct Reply {
        ReportFrame answer;
        bool resetEvent = false;         // the reset event follows the answer
        bool startsCalibration = false;  // a calibration starts (again): its result follows later
    };

    // A macro capacity of 0 units counts as 1.
    MouseFirmware(const ModelFacts& model, std::uint16_t releaseNumber, std::uint8_t macroCapacityUnits,
                  std::chrono::milliseconds calibrationDelay);

    // Identity.
    const ModelFacts& model() const { return model_; }
    std::uint16_t releaseNumber() const { return releaseNumber_; }
    std::uint8_t macroCapacityUnits() const { return capacityUnits_; }
    std::array<std::uint8_t, kDeviceInfoSize> deviceInfo() const;

    // Executes one request and answers it.
    Reply execute(const ReportFrame& request);
    // The answer to a request refused with the given status; nothing of it is executed.
    static ReportFrame refuse(const ReportFrame& request, std::uint8_t status);

    // Memory as it stands: no frames, no events.
    std::size_t areaSize(MemoryArea area) const { return bytesOf(area).size(); }
    const std::vector<std::uint8_t>& memory(MemoryArea area) const { return bytesOf(area); }
    // False (and nothing copied) when address + size lies outside the area.
    bool readMemory(MemoryArea area, std::size_t address, std::span<std::uint8_t> out) const;
    bool writeMemory(MemoryArea area, std::size_t address, std::span<const std::uint8_t> data);
    std::uint8_t activeRecord() const;
    std::array<std::uint8_t, kSettingsRecordSize> settingsRecord(std::size_t record) const;  // record < 6
    std::array<std::uint8_t, kButtonTableSize> buttonBlock(std::size_t block) const;         // block < 5
    std::uint8_t currentStage() const;  // byte 20 of the active record
    bool transactionOpen() const { return transactionOpen_; }

    // Factory contents in every area, the macro area included.
    void resetToFactory();
    // Settings records, button blocks and colour table back to their defaults, an open
    // transaction closed: what CMD_RESTORE_DEFAULTS does, and the mouse does by itself.
    void restoreDefaults();
    // The DPI button: the current stage of the active record advances (4 wraps to 0).
    void advanceStage();
    // The mouse lost its power: an open transaction ends, memory stays.
    void powerLost() { transactionOpen_ = false; }

    // Calibration.
    std::chrono::milliseconds calibrationDelay() const { return calibrationDelay_; }
    void setCalibrationDelay(std::chrono::milliseconds delay);
    // The outcome of the next calibration to complete; a successful one may also set the
    // lift-off distance (byte 23 of the active record), when liftOff is given.
    void setNextCalibrationOutcome(bool ok, std::optional<std::uint8_t> liftOff);
    // A calibration completes with the outcome set for it. Returns the result event to send.
    std::uint16_t finishCalibration();

private:
    std::uint8_t run(const ReportFrame& request, Reply& reply);
    std::vector<std::uint8_t>& bytesOf(MemoryArea area);
    const std::vector<std::uint8_t>& bytesOf(MemoryArea area) const;
    // Where the active record begins in the settings area (an index above 5 counts as 5).
    std::size_t activeRecordBase() const;

    const ModelFacts& model_;
    const std::uint16_t releaseNumber_;
    const std::uint8_t capacityUnits_;

    std::vector<std::uint8_t> settings_;
    std::vector<std::uint8_t> buttons_;
    std::vector<std::uint8_t> defaultButtons_;
    std::vector<std::uint8_t> colors_;
    std::vector<std::uint8_t> macros_;
    bool transactionOpen_ = false;

    std::chrono::milliseconds calibrationDelay_;
    bool nextCalibrationOk_ = true;
    std::optional<std::uint8_t> nextCalibrationLiftOff_;
};

}  // namespace corv::sim
