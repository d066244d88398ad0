#pragma once
// What a button of the mouse does: three bytes (kind, p1, p2), as the mouse stores them in
// its button blocks and the profile stores them in KEY0..KEY8. This file holds the rules
// around them: the labels shown on the button page, the rule that one button keeps the left
// click, the defaults, and the functions of the function menu.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corv {

inline constexpr std::size_t kButtonsPerBlock = 9;

struct ButtonAssignment {
    std::uint8_t kind = 0;
    std::uint8_t p1 = 0;
    std::uint8_t p2 = 0;

    static constexpr std::uint8_t kOff = 0x00;
    static constexpr std::uint8_t kMouseButton = 0x10;
    static constexpr std::uint8_t kTilt = 0x11;
    static constexpr std::uint8_t kScroll = 0x12;
    static constexpr std::uint8_t kDpi = 0x13;
    static constexpr std::uint8_t kDoubleClick = 0x14;
    static constexpr std::uint8_t kKeyboardKey = 0x20;
    static constexpr std::uint8_t kMacro = 0x70;
    static constexpr std::uint8_t kMacro2 = 0x71;

    static constexpr ButtonAssignment leftClick() { return {kMouseButton, 1, 0}; }
    bool isLeftClick() const { return *this == leftClick(); }
    bool isMacro() const { return kind == kMacro || kind == kMacro2; }

    // Button n of a button block (its first 27 bytes).
    static ButtonAssignment of(std::span<const std::uint8_t> block, std::size_t n);
    void storeIn(std::span<std::uint8_t> block, std::size_t n) const;

    bool operator==(const ButtonAssignment&) const = default;
};

// The button page's edit buffer: the button whose menu was opened and its function.
struct PendingAssignment {
    std::uint16_t button = 0;
    ButtonAssignment assignment;
};

// The label of an assignment; nothing when the button keeps the label it has (a function the
// page does not name, a key the key table lacks, a macro index beyond the library).
// macroNames: the library's names in index order.
std::optional<std::string> assignmentLabel(const ButtonAssignment& a, const std::vector<std::string>& macroNames);

// Whether any of the nine buttons of a block (its first 27 bytes) is the left click.
bool hasLeftClick(std::span<const std::uint8_t> block);

// A block in which no button is the left click (a damaged profile, say) gets it back on
// button 0: the mouse must never be left without one. True when the block was changed.
bool restoreLeftClick(std::span<std::uint8_t> block);

// The left-click rule: false when button n holds the only left click of the block (the
// block is then unchanged); otherwise stores the assignment.
bool storeKeepingLeftClick(std::span<std::uint8_t> block, std::size_t n, const ButtonAssignment& a);

// The default assignment of button n: from the mouse's default block when one was read (not
// all zero), else the built-in ones (buttons 6 to 8: off).
ButtonAssignment defaultAssignment(std::span<const std::uint8_t> defaultBlock, std::size_t n);

// The assignment of a fixed item of the function menu ("msmenuleftkey" ...); nothing for
// other items.
std::optional<ButtonAssignment> menuAssignment(std::string_view item);

// A deleted macro: every macro assignment of buttons 0..8 of the given blocks that names it
// becomes the button's default; those naming a later macro move down by one. Returns
// whether any named the deleted macro.
bool usesMacro(std::span<const std::uint8_t> block, std::size_t macro);
void forgetMacro(std::span<std::uint8_t> block, std::size_t macro, std::span<const std::uint8_t> defaultBlock);

}  // namespace corv
