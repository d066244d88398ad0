#include "sim/MouseFirmware.h"

#include <algorithm>

namespace corv::sim {
namespace {

constexpr std::size_t kActiveRecordAddress = 0;
constexpr std::size_t kMaxRecordIndex = kSettingsRecordCount - 1;
constexpr std::size_t kStageCount = 5;
constexpr std::size_t kLiftOffByte = 23;

std::vector<std::uint8_t> toVector(const auto& array) { return std::vector<std::uint8_t>(array.begin(), array.end()); }

std::vector<std::uint8_t> settingsFactory(const ModelFacts& model)
{
    std::vector<std::uint8_t> space;
    space.reserve(kSettingsRecordCount * kSettingsRecordSize);
    const auto record = FactoryMemory::settingsRecord(model);
    for (std::size_t r = 0; r < kSettingsRecordCount; ++r)
        space.insert(space.end(), record.begin(), record.end());
    space[kActiveRecordAddress] = 0;
    return space;
}

std::vector<std::uint8_t> buttonsFactory()
{
    std::vector<std::uint8_t> space;
    space.reserve(kButtonBlockCount * kButtonTableSize);
    const auto table = FactoryMemory::buttonTable();
    for (std::size_t b = 0; b < kButtonBlockCount; ++b)
        space.insert(space.end(), table.begin(), table.end());
    return space;
}

// The status goes into the echo; an error carries no data.
void completeAnswer(ReportFrame& answer, std::uint8_t status)
{
    answer.bytes[kFrameOffsetStatus] = status;
    if (status != kStatusOk)
        std::fill(answer.data().begin(), answer.data().end(), std::uint8_t{0});
    answer.bytes[0] = kVendorReportId;
    answer.updateChecksum();
}

}  // namespace

MouseFirmware::MouseFirmware(const ModelFacts& model, std::uint16_t releaseNumber, std::uint8_t macroCapacityUnits,
                             std::chrono::milliseconds calibrationDelay)
    : model_(model), releaseNumber_(releaseNumber),
      capacityUnits_(macroCapacityUnits == 0 ? std::uint8_t{1} : macroCapacityUnits), settings_(settingsFactory(model)),
      buttons_(buttonsFactory()), defaultButtons_(toVector(FactoryMemory::buttonTable())),
      colors_(toVector(FactoryMemory::colorTable())),
      macros_(FactoryMemory::macroArea(std::size_t{capacityUnits_} * kMacroUnit)), calibrationDelay_(calibrationDelay)
{ }

std::array<std::uint8_t, kDeviceInfoSize> MouseFirmware::deviceInfo() const
{
    return FactoryMemory::deviceInfo(model_, releaseNumber_, capacityUnits_);
}

// ---- commands -------------------------------------------------------------------------

MouseFirmware::Reply MouseFirmware::execute(const ReportFrame& request)
{
    Reply reply;
    reply.answer = request;
    completeAnswer(reply.answer, run(request, reply));
    return reply;
}

ReportFrame MouseFirmware::refuse(const ReportFrame& request, std::uint8_t status)
{
    ReportFrame answer = request;
    completeAnswer(answer, status);
    return answer;
}

std::uint8_t MouseFirmware::run(const ReportFrame& request, Reply& reply)
{
    if (request.computeChecksum() != request.storedChecksum())
        return kStatusBadChecksum;
    const std::size_t length = request.length();
    const std::size_t address = request.address();
    if (length > kFrameDataSize)
        return kStatusInvalid;

    ReportFrame& answer = reply.answer;
    const auto readArea = [&](MemoryArea area) -> std::uint8_t {
        const std::vector<std::uint8_t>& bytes = bytesOf(area);
        if (address + length > bytes.size())
            return kStatusInvalid;
        std::fill(answer.data().begin(), answer.data().end(), std::uint8_t{0});
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(address), length, answer.data().begin());
        return kStatusOk;
    };
    const auto writeArea = [&](MemoryArea area) -> std::uint8_t {
        std::vector<std::uint8_t>& bytes = bytesOf(area);
        if (address + length > bytes.size())
            return kStatusInvalid;
        std::copy_n(request.data().begin(), length, bytes.begin() + static_cast<std::ptrdiff_t>(address));
        return kStatusOk;
    };

    switch (request.command()) {
    case CMD_BEGIN:
        transactionOpen_ = true;
        return kStatusOk;
    case CMD_END:
        transactionOpen_ = false;
        return kStatusOk;
    case CMD_GET_INFO: {
        const auto info = deviceInfo();
        std::fill(answer.data().begin(), answer.data().end(), std::uint8_t{0});
        std::copy(info.begin(), info.end(), answer.data().begin());
        return kStatusOk;
    }
    case CMD_READ_SETTINGS:
        return readArea(MemoryArea::Settings);
    case CMD_WRITE_SETTINGS:
        if (address == kActiveRecordAddress && length > 0 && request.data()[0] > kMaxRecordIndex)
            return kStatusInvalid;  // there is no such record
        return writeArea(MemoryArea::Settings);
    case CMD_READ_DEFAULT_BUTTONS:
        return readArea(MemoryArea::DefaultButtons);
    case CMD_READ_BUTTONS:
        return readArea(MemoryArea::Buttons);
    case CMD_WRITE_BUTTONS:
        return writeArea(MemoryArea::Buttons);
    case CMD_WRITE_COLORS:
        return writeArea(MemoryArea::Colors);
    case CMD_RESTORE_DEFAULTS:
        restoreDefaults();
        reply.resetEvent = true;
        return kStatusOk;
    case CMD_READ_MACROS:
        return readArea(MemoryArea::Macros);
    case CMD_WRITE_MACROS:
        return writeArea(MemoryArea::Macros);
    case CMD_CALIBRATE:
        reply.startsCalibration = true;
        return kStatusOk;
    default:
        return kStatusInvalid;
    }
}

void MouseFirmware::restoreDefaults()
{
    settings_ = settingsFactory(model_);
    buttons_ = buttonsFactory();
    colors_ = toVector(FactoryMemory::colorTable());
    transactionOpen_ = false;
}

void MouseFirmware::resetToFactory()
{
    restoreDefaults();
    defaultButtons_ = toVector(FactoryMemory::buttonTable());
    macros_ = FactoryMemory::macroArea(std::size_t{capacityUnits_} * kMacroUnit);
}

void MouseFirmware::advanceStage()
{
    std::uint8_t& stage = settings_[activeRecordBase() + kCurrentStageByte];
    stage = stage + 1u >= kStageCount ? std::uint8_t{0} : static_cast<std::uint8_t>(stage + 1);
}

// ---- calibration ----------------------------------------------------------------------

void MouseFirmware::setCalibrationDelay(std::chrono::milliseconds delay)
{
    calibrationDelay_ = std::max(delay, std::chrono::milliseconds(0));
}

void MouseFirmware::setNextCalibrationOutcome(bool ok, std::optional<std::uint8_t> liftOff)
{
    nextCalibrationOk_ = ok;
    nextCalibrationLiftOff_ = liftOff;
}

std::uint16_t MouseFirmware::finishCalibration()
{
    const bool ok = nextCalibrationOk_;
    if (ok && nextCalibrationLiftOff_)
        settings_[activeRecordBase() + kLiftOffByte] = *nextCalibrationLiftOff_;
    nextCalibrationOk_ = true;
    nextCalibrationLiftOff_.reset();
    return ok ? kEventCalibrationOk : kEventCalibrationFail;
}

// ---- memory ---------------------------------------------------------------------------

std::vector<std::uint8_t>& MouseFirmware::bytesOf(MemoryArea area)
{
    switch (area) {
    case MemoryArea::Settings:
        return settings_;
    case MemoryArea::Buttons:
        return buttons_;
    case MemoryArea::DefaultButtons:
        return defaultButtons_;
    case MemoryArea::Colors:
        return colors_;
    case MemoryArea::Macros:
        return macros_;
    }
    return settings_;
}

const std::vector<std::uint8_t>& MouseFirmware::bytesOf(MemoryArea area) const
{
    return const_cast<MouseFirmware*>(this)->bytesOf(area);
}

std::size_t MouseFirmware::activeRecordBase() const
{
    return std::min<std::size_t>(settings_[kActiveRecordAddress], kMaxRecordIndex) * kSettingsRecordSize;
}

bool MouseFirmware::readMemory(MemoryArea area, std::size_t address, std::span<std::uint8_t> out) const
{
    const std::vector<std::uint8_t>& bytes = bytesOf(area);
    if (address > bytes.size() || out.size() > bytes.size() - address)
        return false;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(address), out.size(), out.begin());
    return true;
}

bool MouseFirmware::writeMemory(MemoryArea area, std::size_t address, std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t>& bytes = bytesOf(area);
    if (address > bytes.size() || data.size() > bytes.size() - address)
        return false;
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(address));
    return true;
}

std::uint8_t MouseFirmware::activeRecord() const { return settings_[kActiveRecordAddress]; }

std::array<std::uint8_t, kSettingsRecordSize> MouseFirmware::settingsRecord(std::size_t record) const
{
    std::array<std::uint8_t, kSettingsRecordSize> out{};
    if (record < kSettingsRecordCount)
        readMemory(MemoryArea::Settings, record * kSettingsRecordSize, out);
    return out;
}

std::array<std::uint8_t, kButtonTableSize> MouseFirmware::buttonBlock(std::size_t block) const
{
    std::array<std::uint8_t, kButtonTableSize> out{};
    if (block < kButtonBlockCount)
        readMemory(MemoryArea::Buttons, block * kButtonTableSize, out);
    return out;
}

std::uint8_t MouseFirmware::currentStage() const { return settings_[activeRecordBase() + kCurrentStageByte]; }

}  // namespace corv::sim
