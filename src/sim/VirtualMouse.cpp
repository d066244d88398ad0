#include "sim/VirtualMouse.h"

#include <stdexcept>

namespace corv::sim {
namespace {

const ModelFacts& knownModel(std::uint16_t id)
{
    const ModelFacts* model = findModel(id);
    if (model == nullptr)
        throw std::invalid_argument("the virtual mouse plays a model of the table, not " + std::to_string(id));
    return *model;
}

}  // namespace

VirtualMouse::VirtualMouse(Clock& clock, VirtualMouseConfig config)
    : firmware_(knownModel(config.model), config.releaseNumber, config.macroCapacityUnits, config.calibrationDelay),
      transport_(clock, firmware_, std::move(config.pathPrefix))
{ }

// ---- memory ---------------------------------------------------------------------------

std::size_t VirtualMouse::areaSize(MemoryArea area) const
{
    return transport_.locked([&] { return firmware_.areaSize(area); });
}

std::vector<std::uint8_t> VirtualMouse::memory(MemoryArea area) const
{
    return transport_.locked([&] { return firmware_.memory(area); });
}

bool VirtualMouse::readMemory(MemoryArea area, std::size_t address, std::span<std::uint8_t> out) const
{
    return transport_.locked([&] { return firmware_.readMemory(area, address, out); });
}

bool VirtualMouse::writeMemory(MemoryArea area, std::size_t address, std::span<const std::uint8_t> data)
{
    return transport_.locked([&] { return firmware_.writeMemory(area, address, data); });
}

std::uint8_t VirtualMouse::activeRecord() const
{
    return transport_.locked([&] { return firmware_.activeRecord(); });
}

std::array<std::uint8_t, kSettingsRecordSize> VirtualMouse::settingsRecord(std::size_t record) const
{
    return transport_.locked([&] { return firmware_.settingsRecord(record); });
}

std::array<std::uint8_t, kButtonTableSize> VirtualMouse::buttonBlock(std::size_t block) const
{
    return transport_.locked([&] { return firmware_.buttonBlock(block); });
}

std::uint8_t VirtualMouse::currentStage() const
{
    return transport_.locked([&] { return firmware_.currentStage(); });
}

void VirtualMouse::resetToFactory()
{
    transport_.locked([&] { firmware_.resetToFactory(); });
}

bool VirtualMouse::transactionOpen() const
{
    return transport_.locked([&] { return firmware_.transactionOpen(); });
}

// ---- the user at the mouse ------------------------------------------------------------

bool VirtualMouse::pressDpiButton()
{
    return transport_.actAtMouse([&] {
        firmware_.advanceStage();
        return kEventSync;
    });
}

bool VirtualMouse::sendConsumerUsage(std::uint16_t usage)
{
    return transport_.actAtMouse([&] { return usage; });
}

bool VirtualMouse::restoreDefaultsAtMouse()
{
    return transport_.actAtMouse([&] {
        firmware_.restoreDefaults();
        return kEventReset;
    });
}

// ---- calibration ----------------------------------------------------------------------

void VirtualMouse::setCalibrationDelay(std::chrono::milliseconds delay)
{
    transport_.locked([&] { firmware_.setCalibrationDelay(delay); });
}

void VirtualMouse::setNextCalibrationOutcome(bool ok, std::optional<std::uint8_t> liftOff)
{
    transport_.locked([&] { firmware_.setNextCalibrationOutcome(ok, liftOff); });
}

}  // namespace corv::sim
