#pragma once
// What the program knows of each model of the mouse, in one table: the identifier the mouse
// reports, its name, its DPI table (the values a stage can take, as runs of equal steps),
// the profile section that holds its five stages, how the window presents it and which
// firmware update package it takes. Also what every model shares: the USB ids, the model
// presented before a mouse is identified, and how a mouse's identity block reads.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corv {

inline constexpr std::uint16_t kModelR210 = 0x3325;
inline constexpr std::uint16_t kModelR240 = 0x3360;

// count values first, first + step, first + 2 * step, ...
struct DpiRun {
    int first;
    int step;
    int count;
};

struct ModelFacts {
    std::uint16_t id;
    std::string_view name;                 // "R210"
    std::span<const DpiRun> dpiRuns;       // the DPI table, index 0 first
    int dpiLevels;                         // entries of the DPI table (the stage limit is one less)
    std::string_view stageSection;         // the profile section of the five stages
    std::string_view logo;                 // image description of the logo
    std::string_view title;                // window title and tray tooltip
    bool extraLightingLabels;              // the lighting page shows its two extra labels
    std::string_view firmwarePackage;      // the update package's file name in the resource folder
    std::uint16_t firmwarePackageVersion;  // the firmware the package brings: a version below it is updated

    int dpiStageLimit() const { return dpiLevels - 1; }
    // The DPI value of a table index; 0 outside the table.
    int dpiValue(int index) const;
    // The lowest and highest DPI value.
    int dpiMin() const { return dpiValue(0); }
    int dpiMax() const { return dpiValue(dpiLevels - 1); }
};

std::span<const ModelFacts> knownModels();
// The facts of a model by its identifier, or null for a model the program does not know.
const ModelFacts* findModel(std::uint16_t id);
// By name, without regard to case ("r240"), or null.
const ModelFacts* findModel(std::string_view name);
// The facts used for a model the program does not know: its DPI table is the larger one.
const ModelFacts& modelOrFallback(std::uint16_t id);
// The model the window presents before a mouse was identified; its title also names the
// program's single instance.
const ModelFacts& modelShownFirst();

// The USB vendor and product id every model shows, as lsusb and udev rules write them:
// "0c45", "6711", and together "0c45:6711".
std::string usbVendorText();
std::string usbProductText();
std::string usbIdText();

// What a mouse tells of itself in its identity block (the answer to CMD_GET_INFO).
struct ReportedIdentity {
    std::uint16_t modelId = 0;
    std::uint8_t macroCapacityUnits = 0;  // the macro area in units of 128 bytes
    std::uint8_t dpiLevels = 0;

    std::size_t macroCapacityBytes() const;
};
// Reads an identity block; a block too short to hold a value leaves it 0.
ReportedIdentity readIdentity(std::span<const std::uint8_t> info);

}  // namespace corv
