#pragma once
// Identity, command codes, result codes and memory layout of the mouse.
#include <cstddef>
#include <cstdint>

#include "device/ModelFacts.h"

namespace corv {

inline constexpr std::uint16_t kMouseVendorId = 0x0C45;
inline constexpr std::uint16_t kMouseProductId = 0x6711;
inline constexpr std::uint16_t kCommandUsagePage = 0xFF1C;
inline constexpr std::uint16_t kCommandUsage = 0x0092;
inline constexpr std::uint16_t kConsumerUsagePage = 0x000C;
inline constexpr std::uint16_t kConsumerControlUsage = 0x0001;

// Command codes.
inline constexpr std::uint8_t CMD_BEGIN = 0x01;
inline constexpr std::uint8_t CMD_END = 0x02;
inline constexpr std::uint8_t CMD_GET_INFO = 0x03;
inline constexpr std::uint8_t CMD_READ_SETTINGS = 0x05;
inline constexpr std::uint8_t CMD_WRITE_SETTINGS = 0x06;
inline constexpr std::uint8_t CMD_READ_DEFAULT_BUTTONS = 0x07;
inline constexpr std::uint8_t CMD_READ_BUTTONS = 0x08;
inline constexpr std::uint8_t CMD_WRITE_BUTTONS = 0x09;
inline constexpr std::uint8_t CMD_WRITE_COLORS = 0x0B;
inline constexpr std::uint8_t CMD_RESTORE_DEFAULTS = 0x0D;
inline constexpr std::uint8_t CMD_READ_MACROS = 0x13;
inline constexpr std::uint8_t CMD_WRITE_MACROS = 0x14;
inline constexpr std::uint8_t CMD_CALIBRATE = 0x15;

// Result codes of every exchange and command.
inline constexpr int kResultOk = 1;
inline constexpr int kResultNoAnswer = 0;  // channel closed, or no answer in 4 attempts
inline constexpr int kResultWriteFailed = -1;
inline constexpr int kResultStatusFF = -102;
inline constexpr int kResultStatusFE = -103;
inline constexpr int kResultBadBlock = -201;

// Memory areas.
inline constexpr std::size_t kSettingsRecordSize = 64;
inline constexpr std::size_t kSettingsRecordCount = 6;
inline constexpr std::size_t kSettingsWriteSize = 56;  // bytes of a record written when a profile is applied
inline constexpr std::size_t kProfileByteCount = 33;   // LED0..LED32
inline constexpr std::size_t kButtonTableSize = 126;
inline constexpr std::size_t kButtonBlockCount = 5;
inline constexpr std::size_t kButtonCount = 9;
inline constexpr std::size_t kColorTableSize = 64;
inline constexpr std::size_t kDeviceInfoSize = 33;
inline constexpr std::size_t kMacroUnit = 128;
inline constexpr std::uint16_t kMacroSignature = 0x55AA;

// Settings record bytes with a fixed role in the device logic.
inline constexpr std::size_t kDpiStageByte = 15;  // bytes 15..19: DPI table index of stages 0..4
inline constexpr std::size_t kDpiStageCount = 5;
inline constexpr std::size_t kCurrentStageByte = 20;

// DeviceInfo offsets.
inline constexpr std::size_t kInfoMacroCapacity = 6;  // in units of 128 bytes
inline constexpr std::size_t kInfoModelId = 9;        // u16 little-endian
inline constexpr std::size_t kInfoDpiCount = 12;

// Event usages on the consumer-control collection.
inline constexpr std::uint16_t kEventSync = 0x0401;
inline constexpr std::uint16_t kEventReset = 0x0402;
inline constexpr std::uint16_t kEventCalibrationOk = 0x0403;
inline constexpr std::uint16_t kEventCalibrationFail = 0x0404;

}  // namespace corv
