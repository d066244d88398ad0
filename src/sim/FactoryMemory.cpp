#include "sim/FactoryMemory.h"

#include <algorithm>

namespace corv::sim {
namespace {

constexpr std::size_t kMacroHeaderSize = 16;

void putLe16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

int FactoryMemory::dpiIndex(const ModelFacts& model, int dpi)
{
    for (int i = 0; i < model.dpiLevels; ++i) {
        if (model.dpiValue(i) == dpi)
            return i;
    }
    return -1;
}

std::array<std::uint8_t, kSettingsRecordSize> FactoryMemory::settingsRecord(const ModelFacts& model)
{
    std::array<std::uint8_t, kSettingsRecordSize> r{};
    r[0] = 0;     // active record index (meaningful in record 0 only)
    r[1] = 1;     // main lighting effect
    r[2] = 2;     // brightness level
    r[3] = 1;     // speed, stored as 2 - level
    r[4] = 0;     // direction
    r[5] = 0;     // colour cycling off
    r[6] = 0xFF;  // red
    r[7] = 0x00;
    r[8] = 0x00;
    r[11] = 0xFF;  // DPI indicator colour: white
    r[12] = 0xFF;
    r[13] = 0xFF;
    r[14] = 3;  // report rate index
    const int stages[5] = {800, 1600, 2400, 3200, 4800};
    for (std::size_t i = 0; i < 5; ++i)
        r[15 + i] = static_cast<std::uint8_t>(dpiIndex(model, stages[i]));
    r[20] = 1;  // current stage
    r[21] = 0;
    r[22] = 1;     // lighting on
    r[23] = 2;     // lift-off distance in mm
    r[24] = 0;     // zone being edited
    r[25] = 1;     // wheel effect
    r[26] = 1;     // wheel speed
    r[27] = 2;     // wheel brightness
    r[28] = 0x00;  // wheel colour: blue
    r[29] = 0x00;
    r[30] = 0xFF;
    r[31] = 0;  // wheel colour cycling off
    r[32] = 0;  // straight-line correction off
    return r;
}

std::array<std::uint8_t, kButtonTableSize> FactoryMemory::buttonTable()
{
    std::array<std::uint8_t, kButtonTableSize> t{};
    const std::uint8_t buttons[kButtonCount][3] = {
        {16, 1, 0},   // left click
        {16, 4, 0},   // middle click
        {16, 2, 0},   // right click
        {16, 16, 0},  // forward
        {16, 8, 0},   // back
        {19, 3, 0},   // DPI cycle
        {19, 1, 0},   // DPI up
        {19, 2, 0},   // DPI down
        {20, 50, 2},  // double click
    };
    for (std::size_t b = 0; b < kButtonCount; ++b)
        std::copy_n(buttons[b], 3, t.begin() + static_cast<std::ptrdiff_t>(3 * b));
    return t;
}

std::array<std::uint8_t, kColorTableSize> FactoryMemory::colorTable()
{
    std::array<std::uint8_t, kColorTableSize> t{};
    const std::uint8_t colours[7][3] = {
        {0xFF, 0x00, 0x00}, {0xFF, 0x80, 0x00}, {0xFF, 0xFF, 0x00}, {0x00, 0xFF, 0x00},
        {0x00, 0xFF, 0xFF}, {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF},
    };
    for (std::size_t c = 0; c < 7; ++c)
        std::copy_n(colours[c], 3, t.begin() + static_cast<std::ptrdiff_t>(3 * c));
    return t;
}

std::vector<std::uint8_t> FactoryMemory::macroArea(std::size_t bytes)
{
    std::vector<std::uint8_t> area(bytes, 0);
    if (bytes >= kMacroHeaderSize) {
        putLe16(area.data(), kMacroSignature);
        putLe16(area.data() + 2, static_cast<std::uint16_t>(kMacroHeaderSize));  // total length
        putLe16(area.data() + 4, 0);                                             // no macros
    }
    return area;
}

std::array<std::uint8_t, kDeviceInfoSize>
FactoryMemory::deviceInfo(const ModelFacts& model, std::uint16_t releaseNumber, std::uint8_t macroCapacityUnits)
{
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    info[0] = static_cast<std::uint8_t>(kDeviceInfoSize);
    putLe16(&info[1], kMouseVendorId);
    putLe16(&info[3], kMouseProductId);
    info[5] = 0x01;
    info[kInfoMacroCapacity] = macroCapacityUnits;
    putLe16(&info[7], releaseNumber);
    putLe16(&info[kInfoModelId], model.id);
    info[11] = static_cast<std::uint8_t>(kButtonCount);
    info[kInfoDpiCount] = static_cast<std::uint8_t>(model.dpiLevels);
    info[13] = static_cast<std::uint8_t>(kSettingsRecordCount);
    info[14] = static_cast<std::uint8_t>(kButtonBlockCount);
    info[15] = static_cast<std::uint8_t>(kSettingsRecordSize);
    info[16] = static_cast<std::uint8_t>(kButtonTableSize);
    return info;
}

}  // namespace corv::sim
