#include "buttons/ButtonAssignment.h"

#include <algorithm>

#include "keys/KeyTable.h"

namespace corv {

namespace {

using A = ButtonAssignment;

struct MenuItem {
    std::string_view item;
    ButtonAssignment assignment;
};

constexpr MenuItem kMenu[] = {
    {"msmenuleftkey", {A::kMouseButton, 1, 0}},
    {"msmenurightkey", {A::kMouseButton, 2, 0}},
    {"msmenumiddlekey", {A::kMouseButton, 4, 0}},
    {"msmenutwoleftkey", {A::kDoubleClick, 50, 2}},
    {"msmenu4tkey", {A::kMouseButton, 16, 0}},
    {"msmenu5key", {A::kMouseButton, 8, 0}},
    {"msmenuscrollupkey", {A::kScroll, 1, 0}},
    {"msmenuscrolldownkey", {A::kScroll, 255, 0}},
    {"msmenuDPIupkey", {A::kDpi, 1, 0}},
    {"msmenuDPIdownkey", {A::kDpi, 2, 0}},
    {"msmenuoffkey", {A::kOff, 0, 0}},
};

constexpr std::array<ButtonAssignment, 6> kBuiltInDefaults = {{
    {A::kMouseButton, 1, 0},
    {A::kMouseButton, 4, 0},
    {A::kMouseButton, 2, 0},
    {A::kMouseButton, 16, 0},
    {A::kMouseButton, 8, 0},
    {A::kDpi, 3, 0},
}};

// Kinds the page gives no label of its own: the button keeps what it shows.
constexpr std::uint8_t kUnnamedKinds[] = {0x15, 0x21, 0x30, 0x40, 0x50, 0x60, 0xA0, 0xB0, 0xC0};

}  // namespace

ButtonAssignment ButtonAssignment::of(std::span<const std::uint8_t> block, std::size_t n)
{
    if (block.size() < 3 * (n + 1))
        return {};
    return {block[3 * n], block[3 * n + 1], block[3 * n + 2]};
}

void ButtonAssignment::storeIn(std::span<std::uint8_t> block, std::size_t n) const
{
    if (block.size() < 3 * (n + 1))
        return;
    block[3 * n] = kind;
    block[3 * n + 1] = p1;
    block[3 * n + 2] = p2;
}

std::optional<std::string> assignmentLabel(const ButtonAssignment& a, const std::vector<std::string>& macroNames)
{
    switch (a.kind) {
    case A::kMouseButton:
        switch (a.p1) {
        case 1:
            return "左键";
        case 4:
            return "中键";
        case 2:
            return "右键";
        case 8:
            return "后退";
        case 16:
            return "前进";
        default:
            return std::nullopt;
        }
    case A::kTilt:
        if (a.p2 == 1)
            return "左摆";
        if (a.p2 == 255)
            return "右摆";
        return std::nullopt;
    case A::kScroll:
        if (a.p1 == 1)
            return "滚轮向上";
        if (a.p1 == 255)
            return "滚轮向下";
        return std::nullopt;
    case A::kDpi:
        switch (a.p1) {
        case 1:
            return "DPI增加";
        case 2:
            return "DPI降低";
        case 3:
            return "DPI LOOP";
        default:
            return std::nullopt;
        }
    case A::kDoubleClick:
        return "双击";
    case A::kKeyboardKey: {
        const int row = findKeyByHidBytes(a.p1, a.p2);
        if (row < 0)
            return std::nullopt;
        return keyTable()[static_cast<std::size_t>(row)].name;
    }
    case A::kMacro:
    case A::kMacro2:
        if (a.p1 < macroNames.size())
            return macroNames[a.p1];
        return std::nullopt;
    default:
        if (std::find(std::begin(kUnnamedKinds), std::end(kUnnamedKinds), a.kind) != std::end(kUnnamedKinds))
            return std::nullopt;
        return "按钮关闭";
    }
}

bool hasLeftClick(std::span<const std::uint8_t> block)
{
    for (std::size_t i = 0; i < kButtonsPerBlock; ++i)
        if (ButtonAssignment::of(block, i).isLeftClick())
            return true;
    return false;
}

bool restoreLeftClick(std::span<std::uint8_t> block)
{
    if (hasLeftClick(block))
        return false;
    ButtonAssignment::leftClick().storeIn(block, 0);
    return true;
}

bool storeKeepingLeftClick(std::span<std::uint8_t> block, std::size_t n, const ButtonAssignment& a)
{
    if (ButtonAssignment::of(block, n).isLeftClick()) {
        bool another = false;
        for (std::size_t i = 0; i < kButtonsPerBlock; ++i)
            another = another || (i != n && ButtonAssignment::of(block, i).isLeftClick());
        if (!another)
            return false;
    }
    a.storeIn(block, n);
    return true;
}

ButtonAssignment defaultAssignment(std::span<const std::uint8_t> defaultBlock, std::size_t n)
{
    const std::size_t bytes = std::min<std::size_t>(defaultBlock.size(), 3 * kButtonsPerBlock);
    const bool read = std::any_of(defaultBlock.begin(), defaultBlock.begin() + static_cast<std::ptrdiff_t>(bytes),
                                  [](std::uint8_t b) { return b != 0; });
    if (read)
        return ButtonAssignment::of(defaultBlock, n);
    // Nothing read from a mouse yet. Buttons 6 to 8 do nothing until the mouse names their
    // defaults: an unknown button should not send clicks or keys the user did not choose.
    return n < kBuiltInDefaults.size() ? kBuiltInDefaults[n] : ButtonAssignment{};
}

std::optional<ButtonAssignment> menuAssignment(std::string_view item)
{
    for (const MenuItem& m : kMenu)
        if (m.item == item)
            return m.assignment;
    return std::nullopt;
}

bool usesMacro(std::span<const std::uint8_t> block, std::size_t macro)
{
    for (std::size_t i = 0; i < kButtonsPerBlock; ++i) {
        const ButtonAssignment a = ButtonAssignment::of(block, i);
        if (a.isMacro() && a.p1 == macro)
            return true;
    }
    return false;
}

void forgetMacro(std::span<std::uint8_t> block, std::size_t macro, std::span<const std::uint8_t> defaultBlock)
{
    for (std::size_t i = 0; i < kButtonsPerBlock; ++i) {
        ButtonAssignment a = ButtonAssignment::of(block, i);
        if (!a.isMacro())
            continue;
        if (a.p1 == macro)
            a = defaultAssignment(defaultBlock, i);
        else if (a.p1 > macro)
            --a.p1;
        a.storeIn(block, i);
    }
}

}  // namespace corv
