#pragma once
// The program's copies of the mouse's state: its identity block, the active settings record
// as the features see it, the settings records and button blocks read from the mouse, and
// its factory button table. Filled by the device connection and by applying a profile;
// every feature that changes a setting updates CurrentSettings.
//
// Guarded by the device channel's state lock: read or write these fields only while holding
// DeviceChannel::stateLock(), and never wait for the mouse while holding it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/DeviceProtocol.h"

namespace corv {

class DeviceChannel;

struct DeviceState {
    std::array<std::uint8_t, kDeviceInfoSize> DeviceInfo{};
    std::uint16_t firmwareVersion = 0;
    // Bytes 0..32 of the active settings record; byte 0 is the active record index.
    std::array<std::uint8_t, kProfileByteCount> CurrentSettings{};
    std::array<std::array<std::uint8_t, kSettingsRecordSize>, kSettingsRecordCount> SettingsImage{};
    std::array<std::array<std::uint8_t, kButtonTableSize>, kSettingsRecordCount> ButtonImage{};
    std::array<std::uint8_t, kButtonTableSize> DefaultButtonTable{};
    // Which records' button blocks hold what the mouse has: set by a successful read of the
    // block, cleared when a read of it fails. A block that was not read is never shown as
    // the mouse's, edited or sent. Record 5 has no block in the mouse and is never read.
    std::array<bool, kSettingsRecordCount> buttonBlockRead{};
    // How many times the mouse's state was read whole (at connection, after a reset). What
    // was taken from an earlier reading is not the mouse's any more and is not sent.
    std::uint64_t stateReads = 0;

    std::uint16_t modelId() const;
    std::uint8_t dpiLevelCount() const { return DeviceInfo[kInfoDpiCount]; }
    std::uint8_t activeRecord() const { return CurrentSettings[0]; }
    // Whether record's button block was read from the mouse (false for record 5 and beyond).
    bool buttonsKnown(std::size_t record) const { return record < kButtonBlockCount && buttonBlockRead[record]; }
    // Settings-space address of byte n of the active record.
    std::uint16_t settingsAddress(std::size_t n) const;
};

// The largest DPI table index a model accepts for its five stages (bytes 15..19): 58 for
// the R210, 119 for the R240, and -1 for any other model (its stages are not trusted).
int dpiStageLimit(std::uint16_t modelId);

// Limits the five DPI stage bytes of an image that holds at least bytes 0..19. For a
// model without a table the stages become 0 and, when clearActiveRecord, byte 0 too.
void clampDpiStages(std::span<std::uint8_t> image, std::uint16_t modelId, bool clearActiveRecord);

// Sends bytes of the active settings record (CMD_WRITE_SETTINGS at active * 64 + n), the
// way every single setting reaches the mouse. Takes the state lock for the address, then
// the channel's lock: call it without holding the state lock. Returns the result.
int sendSettingBytes(DeviceChannel& channel, const DeviceState& state, std::size_t n, const std::uint8_t* data,
                     std::size_t length);
int sendSettingByte(DeviceChannel& channel, const DeviceState& state, std::size_t n, std::uint8_t value);
// The state's read count (stateReads), read under the channel's state lock: a job that took
// the state before a later read of the mouse sees the difference.
std::uint64_t stateReadsNow(DeviceChannel& channel, const DeviceState& state);

}  // namespace corv
