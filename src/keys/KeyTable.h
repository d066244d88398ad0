#pragma once
// The fixed table of keyboard keys: the virtual-key code that keyboard capture delivers,
// the HID codes the mouse plays and the display name. Rows 0..103 are keyboard keys that a
// macro can record; rows 104..121 consumer-control keys; rows 122..124 system keys. Every
// look-up returns the first matching row in table order, or -1.
#include <array>
#include <cstddef>
#include <cstdint>

namespace corv {

inline constexpr std::uint8_t kKeyKindKeyboard = 0x20;
inline constexpr std::uint8_t kKeyKindConsumer = 0x30;
inline constexpr std::uint8_t kKeyKindSystem = 0x40;

inline constexpr std::size_t kKeyTableSize = 125;
inline constexpr std::size_t kRecordableKeyCount = 104;  // rows 0..103

// Macro action type bits (bits 0..5 of an action's second byte).
inline constexpr std::uint8_t kMacroTypeModifier = 9;
inline constexpr std::uint8_t kMacroTypeKey = 10;

struct KeyTableRow {
    std::uint16_t virtualKey;
    std::uint8_t kind;  // kKeyKindKeyboard, kKeyKindConsumer or kKeyKindSystem
    // Keyboard: modifier bit of a modifier key, else 0. Consumer: low byte of the usage.
    // System: 1 power, 2 sleep, 4 wake.
    std::uint8_t a;
    // Keyboard: usage of any other key, else 0. Consumer: high byte of the usage. System: 0.
    std::uint8_t b;
    const char* name;
};

const std::array<KeyTableRow, kKeyTableSize>& keyTable();

// Rows 0..103 whose virtual key equals vk (the keys a macro can record).
int findKeyByVirtualKeyRecordable(std::uint16_t vk);
// Rows 0..124 whose virtual key equals vk.
int findKeyByVirtualKey(std::uint16_t vk);
// Rows 0..124 with (a, b) equal to the given bytes.
int findKeyByHidBytes(std::uint8_t a, std::uint8_t b);
// Rows 0..103 for a macro key event: typeBits 9 (modifier) matches code against a, 10
// (ordinary key) against b; other type bits, and a code of 0, match nothing.
int findKeyByMacroAction(std::uint8_t typeBits, std::uint8_t code);

}  // namespace corv
