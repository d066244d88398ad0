#include "keys/KeyTable.h"

namespace corv {

namespace {

// clang-format off
constexpr std::array<KeyTableRow, kKeyTableSize> kRows{{
    {0x0A2, kKeyKindKeyboard, 0x01, 0x00, "LCtrl"},  // 0
    {0x0A0, kKeyKindKeyboard, 0x02, 0x00, "LShift"},  // 1
    {0x0A4, kKeyKindKeyboard, 0x04, 0x00, "LAlt"},  // 2
    {0x05B, kKeyKindKeyboard, 0x08, 0x00, "LWin"},  // 3
    {0x0A3, kKeyKindKeyboard, 0x10, 0x00, "RCtrl"},  // 4
    {0x0A1, kKeyKindKeyboard, 0x20, 0x00, "RShift"},  // 5
    {0x0A5, kKeyKindKeyboard, 0x40, 0x00, "RAlt"},  // 6
    {0x05C, kKeyKindKeyboard, 0x80, 0x00, "RWin"},  // 7
    {0x041, kKeyKindKeyboard, 0x00, 0x04, "A"},  // 8
    {0x042, kKeyKindKeyboard, 0x00, 0x05, "B"},  // 9
    {0x043, kKeyKindKeyboard, 0x00, 0x06, "C"},  // 10
    {0x044, kKeyKindKeyboard, 0x00, 0x07, "D"},  // 11
    {0x045, kKeyKindKeyboard, 0x00, 0x08, "E"},  // 12
    {0x046, kKeyKindKeyboard, 0x00, 0x09, "F"},  // 13
    {0x047, kKeyKindKeyboard, 0x00, 0x0A, "G"},  // 14
    {0x048, kKeyKindKeyboard, 0x00, 0x0B, "H"},  // 15
    {0x049, kKeyKindKeyboard, 0x00, 0x0C, "I"},  // 16
    {0x04A, kKeyKindKeyboard, 0x00, 0x0D, "J"},  // 17
    {0x04B, kKeyKindKeyboard, 0x00, 0x0E, "K"},  // 18
    {0x04C, kKeyKindKeyboard, 0x00, 0x0F, "L"},  // 19
    {0x04D, kKeyKindKeyboard, 0x00, 0x10, "M"},  // 20
    {0x04E, kKeyKindKeyboard, 0x00, 0x11, "N"},  // 21
    {0x04F, kKeyKindKeyboard, 0x00, 0x12, "O"},  // 22
    {0x050, kKeyKindKeyboard, 0x00, 0x13, "P"},  // 23
    {0x051, kKeyKindKeyboard, 0x00, 0x14, "Q"},  // 24
    {0x052, kKeyKindKeyboard, 0x00, 0x15, "R"},  // 25
    {0x053, kKeyKindKeyboard, 0x00, 0x16, "S"},  // 26
    {0x054, kKeyKindKeyboard, 0x00, 0x17, "T"},  // 27
    {0x055, kKeyKindKeyboard, 0x00, 0x18, "U"},  // 28
    {0x056, kKeyKindKeyboard, 0x00, 0x19, "V"},  // 29
    {0x057, kKeyKindKeyboard, 0x00, 0x1A, "W"},  // 30
    {0x058, kKeyKindKeyboard, 0x00, 0x1B, "X"},  // 31
    {0x059, kKeyKindKeyboard, 0x00, 0x1C, "Y"},  // 32
    {0x05A, kKeyKindKeyboard, 0x00, 0x1D, "Z"},  // 33
    {0x031, kKeyKindKeyboard, 0x00, 0x1E, "1"},  // 34
    {0x032, kKeyKindKeyboard, 0x00, 0x1F, "2"},  // 35
    {0x033, kKeyKindKeyboard, 0x00, 0x20, "3"},  // 36
    {0x034, kKeyKindKeyboard, 0x00, 0x21, "4"},  // 37
    {0x035, kKeyKindKeyboard, 0x00, 0x22, "5"},  // 38
    {0x036, kKeyKindKeyboard, 0x00, 0x23, "6"},  // 39
    {0x037, kKeyKindKeyboard, 0x00, 0x24, "7"},  // 40
    {0x038, kKeyKindKeyboard, 0x00, 0x25, "8"},  // 41
    {0x039, kKeyKindKeyboard, 0x00, 0x26, "9"},  // 42
    {0x030, kKeyKindKeyboard, 0x00, 0x27, "0"},  // 43
    {0x00D, kKeyKindKeyboard, 0x00, 0x28, "Enter"},  // 44
    {0x01B, kKeyKindKeyboard, 0x00, 0x29, "Esc"},  // 45
    {0x008, kKeyKindKeyboard, 0x00, 0x2A, "BackSpace"},  // 46
    {0x009, kKeyKindKeyboard, 0x00, 0x2B, "Tab"},  // 47
    {0x020, kKeyKindKeyboard, 0x00, 0x2C, "Space"},  // 48
    {0x0BD, kKeyKindKeyboard, 0x00, 0x2D, "-"},  // 49
    {0x0BB, kKeyKindKeyboard, 0x00, 0x2E, "="},  // 50
    {0x0DB, kKeyKindKeyboard, 0x00, 0x2F, "["},  // 51
    {0x0DD, kKeyKindKeyboard, 0x00, 0x30, "]"},  // 52
    {0x0DC, kKeyKindKeyboard, 0x00, 0x31, " \\ "},  // 53
    {0x0BA, kKeyKindKeyboard, 0x00, 0x33, ";"},  // 54
    {0x0DE, kKeyKindKeyboard, 0x00, 0x34, "'"},  // 55
    {0x0C0, kKeyKindKeyboard, 0x00, 0x35, "`"},  // 56
    {0x0BC, kKeyKindKeyboard, 0x00, 0x36, "<"},  // 57
    {0x0BE, kKeyKindKeyboard, 0x00, 0x37, "."},  // 58
    {0x0BF, kKeyKindKeyboard, 0x00, 0x38, "/"},  // 59
    {0x014, kKeyKindKeyboard, 0x00, 0x39, "Caplk"},  // 60
    {0x070, kKeyKindKeyboard, 0x00, 0x3A, "F1"},  // 61
    {0x071, kKeyKindKeyboard, 0x00, 0x3B, "F2"},  // 62
    {0x072, kKeyKindKeyboard, 0x00, 0x3C, "F3"},  // 63
    {0x073, kKeyKindKeyboard, 0x00, 0x3D, "F4"},  // 64
    {0x074, kKeyKindKeyboard, 0x00, 0x3E, "F5"},  // 65
    {0x075, kKeyKindKeyboard, 0x00, 0x3F, "F6"},  // 66
    {0x076, kKeyKindKeyboard, 0x00, 0x40, "F7"},  // 67
    {0x077, kKeyKindKeyboard, 0x00, 0x41, "F8"},  // 68
    {0x078, kKeyKindKeyboard, 0x00, 0x42, "F9"},  // 69
    {0x079, kKeyKindKeyboard, 0x00, 0x43, "F10"},  // 70
    {0x07A, kKeyKindKeyboard, 0x00, 0x44, "F11"},  // 71
    {0x07B, kKeyKindKeyboard, 0x00, 0x45, "F12"},  // 72
    {0x02C, kKeyKindKeyboard, 0x00, 0x46, "Print Scr"},  // 73
    {0x091, kKeyKindKeyboard, 0x00, 0x47, "Scroll Lock"},  // 74
    {0x013, kKeyKindKeyboard, 0x00, 0x48, "Pause"},  // 75
    {0x02D, kKeyKindKeyboard, 0x00, 0x49, "Insert"},  // 76
    {0x024, kKeyKindKeyboard, 0x00, 0x4A, "Home"},  // 77
    {0x021, kKeyKindKeyboard, 0x00, 0x4B, "Page Up"},  // 78
    {0x02E, kKeyKindKeyboard, 0x00, 0x4C, "Delete"},  // 79
    {0x023, kKeyKindKeyboard, 0x00, 0x4D, "End"},  // 80
    {0x022, kKeyKindKeyboard, 0x00, 0x4E, "Page Down"},  // 81
    {0x027, kKeyKindKeyboard, 0x00, 0x4F, "Right"},  // 82
    {0x025, kKeyKindKeyboard, 0x00, 0x50, "Left"},  // 83
    {0x028, kKeyKindKeyboard, 0x00, 0x51, "Down"},  // 84
    {0x026, kKeyKindKeyboard, 0x00, 0x52, "Up"},  // 85
    {0x090, kKeyKindKeyboard, 0x00, 0x53, "Num Lock"},  // 86
    {0x06F, kKeyKindKeyboard, 0x00, 0x54, "Num /"},  // 87
    {0x06A, kKeyKindKeyboard, 0x00, 0x55, "Num *"},  // 88
    {0x06D, kKeyKindKeyboard, 0x00, 0x56, "Num -"},  // 89
    {0x06B, kKeyKindKeyboard, 0x00, 0x57, "Num +"},  // 90
    {0x101, kKeyKindKeyboard, 0x00, 0x58, "Num Enter"},  // 91
    {0x061, kKeyKindKeyboard, 0x00, 0x59, "Num 1"},  // 92
    {0x062, kKeyKindKeyboard, 0x00, 0x5A, "Num 2"},  // 93
    {0x063, kKeyKindKeyboard, 0x00, 0x5B, "Num 3"},  // 94
    {0x064, kKeyKindKeyboard, 0x00, 0x5C, "Num 4"},  // 95
    {0x065, kKeyKindKeyboard, 0x00, 0x5D, "Num 5"},  // 96
    {0x066, kKeyKindKeyboard, 0x00, 0x5E, "Num 6"},  // 97
    {0x067, kKeyKindKeyboard, 0x00, 0x5F, "Num 7"},  // 98
    {0x068, kKeyKindKeyboard, 0x00, 0x60, "Num 8"},  // 99
    {0x069, kKeyKindKeyboard, 0x00, 0x61, "Num 9"},  // 100
    {0x060, kKeyKindKeyboard, 0x00, 0x62, "Num 0"},  // 101
    {0x06E, kKeyKindKeyboard, 0x00, 0x63, "Decimal"},  // 102
    {0x05D, kKeyKindKeyboard, 0x00, 0x65, "App"},  // 103
    {0x0B7, kKeyKindConsumer, 0x92, 0x01, "Launch App2"},  // 104
    {0x0AC, kKeyKindConsumer, 0x23, 0x02, "Browaer Home"},  // 105
    {0x0B3, kKeyKindConsumer, 0xCD, 0x00, "Media Play Pause"},  // 106
    {0x0AA, kKeyKindConsumer, 0x21, 0x02, "Browser Search"},  // 107
    {0x0B4, kKeyKindConsumer, 0x8A, 0x01, "Launch Mail"},  // 108
    {0x0AF, kKeyKindConsumer, 0xE9, 0x00, "Volume Up"},  // 109
    {0x0AD, kKeyKindConsumer, 0xE2, 0x00, "Volume Mute"},  // 110
    {0x0B2, kKeyKindConsumer, 0xB7, 0x00, "Media Stop"},  // 111
    {0x0AE, kKeyKindConsumer, 0xEA, 0x00, "Volume Down"},  // 112
    {0x0AB, kKeyKindConsumer, 0x2A, 0x02, "Browser Favorites"},  // 113
    {0x0A7, kKeyKindConsumer, 0x25, 0x02, "Browser ForWard"},  // 114
    {0x0A6, kKeyKindConsumer, 0x24, 0x02, "Browser Back"},  // 115
    {0x0B1, kKeyKindConsumer, 0xB6, 0x00, "Media Prev Track"},  // 116
    {0x0B0, kKeyKindConsumer, 0xB5, 0x00, "Media Next Track"},  // 117
    {0x0B6, kKeyKindConsumer, 0x94, 0x01, "Computer"},  // 118
    {0x0A8, kKeyKindConsumer, 0x27, 0x02, "Browser Refresh"},  // 119
    {0x0B5, kKeyKindConsumer, 0x83, 0x01, "Launch Media Select"},  // 120
    {0x0B5, kKeyKindConsumer, 0x83, 0x01, "Launch Media Select"},  // 121
    {0x103, kKeyKindSystem, 0x01, 0x00, "Power"},  // 122
    {0x104, kKeyKindSystem, 0x02, 0x00, "Sleep"},  // 123
    {0x105, kKeyKindSystem, 0x04, 0x00, "Wakeup"},  // 124
}};
// clang-format on

template <typename Match> int findFirst(std::size_t rowCount, Match&& match)
{
    for (std::size_t i = 0; i < rowCount; ++i) {
        if (match(kRows[i]))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

const std::array<KeyTableRow, kKeyTableSize>& keyTable() { return kRows; }

int findKeyByVirtualKeyRecordable(std::uint16_t vk)
{
    return findFirst(kRecordableKeyCount, [vk](const KeyTableRow& r) { return r.virtualKey == vk; });
}

int findKeyByVirtualKey(std::uint16_t vk)
{
    return findFirst(kKeyTableSize, [vk](const KeyTableRow& r) { return r.virtualKey == vk; });
}

int findKeyByHidBytes(std::uint8_t a, std::uint8_t b)
{
    return findFirst(kKeyTableSize, [a, b](const KeyTableRow& r) { return r.a == a && r.b == b; });
}

int findKeyByMacroAction(std::uint8_t typeBits, std::uint8_t code)
{
    if (code == 0)
        return -1;
    if (typeBits == kMacroTypeModifier)
        return findFirst(kRecordableKeyCount, [code](const KeyTableRow& r) { return r.a == code; });
    if (typeBits == kMacroTypeKey)
        return findFirst(kRecordableKeyCount, [code](const KeyTableRow& r) { return r.b == code; });
    return -1;
}

}  // namespace corv
