#pragma once
// Factory contents of the virtual mouse's memory and its identity block, per model.
//
// Settings record (the same for all six records; byte 0 of record 0 is the active record
// index, 0): effect 1 with brightness 2, speed byte 1, direction 0, colour cycling off,
// red lighting; DPI indicator white; report rate index 3; DPI stages 800, 1600, 2400, 3200
// and 4800 as indexes into the model's DPI table, current stage 1; lighting on; lift-off
// 2 mm; zone 0; wheel effect 1, speed byte 1, brightness 2, blue, no cycling; straight-line
// correction off; bytes 33..63 zero.
//
// Button block (all five blocks and the default table): left, middle, right, forward, back,
// DPI cycle, DPI up, DPI down, double click; bytes 27..125 zero.
//
// DeviceInfo (33 bytes):
//   0      0x21, the block's own length       1..2   vendor id, LE
//   3..4   product id, LE                     5      0x01, protocol revision
//   6      macro capacity in 128-byte units   7..8   firmware version (release number), LE
//   9..10  model id, LE                       11     number of buttons (9)
//   12     DPI level count (59 / 120)         13     settings records (6)
//   14     button blocks (5)                  15     settings record size (64)
//   16     button table size (126)            17..32 zero
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/DeviceProtocol.h"
#include "device/ModelFacts.h"

namespace corv::sim {

// The model comes from the program's table of models (device/ModelFacts.h): its id and its
// DPI table.
class FactoryMemory {
public:
    // Index of a DPI value in the model's table, or -1 when the table has no such entry.
    static int dpiIndex(const ModelFacts& model, int dpi);

    static std::array<std::uint8_t, kSettingsRecordSize> settingsRecord(const ModelFacts& model);
    static std::array<std::uint8_t, kButtonTableSize> buttonTable();
    static std::array<std::uint8_t, kColorTableSize> colorTable();
    // An empty macro area of the given size: the header 0x55AA with total length 16.
    static std::vector<std::uint8_t> macroArea(std::size_t bytes);
    static std::array<std::uint8_t, kDeviceInfoSize> deviceInfo(const ModelFacts& model, std::uint16_t releaseNumber,
                                                                std::uint8_t macroCapacityUnits);
};

}  // namespace corv::sim
