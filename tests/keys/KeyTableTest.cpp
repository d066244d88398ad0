#include <gtest/gtest.h>

#include <string>

#include "keys/KeyTable.h"

namespace corv {
namespace {

const KeyTableRow& row(std::size_t i) { return keyTable()[i]; }

void expectRow(std::size_t i, std::uint16_t vk, std::uint8_t kind, std::uint8_t a, std::uint8_t b,
               const std::string& name)
{
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(row(i).virtualKey, vk);
    EXPECT_EQ(row(i).kind, kind);
    EXPECT_EQ(row(i).a, a);
    EXPECT_EQ(row(i).b, b);
    EXPECT_EQ(std::string(row(i).name), name);
}

TEST(KeyTable, RangeRowsFollowTheirFormulas)
{
    static_assert(kKeyTableSize == 125);
    ASSERT_EQ(keyTable().size(), 125u);
    for (std::size_t i = 0; i < 26; ++i)
        expectRow(8 + i, static_cast<std::uint16_t>(0x41 + i), kKeyKindKeyboard, 0, static_cast<std::uint8_t>(0x04 + i),
                  std::string(1, static_cast<char>('A' + i)));
    for (std::size_t i = 0; i < 9; ++i)
        expectRow(34 + i, static_cast<std::uint16_t>(0x31 + i), kKeyKindKeyboard, 0,
                  static_cast<std::uint8_t>(0x1E + i), std::to_string(i + 1));
    for (std::size_t i = 0; i < 12; ++i)
        expectRow(61 + i, static_cast<std::uint16_t>(0x70 + i), kKeyKindKeyboard, 0,
                  static_cast<std::uint8_t>(0x3A + i), "F" + std::to_string(i + 1));
    for (std::size_t i = 0; i < 9; ++i)
        expectRow(92 + i, static_cast<std::uint16_t>(0x61 + i), kKeyKindKeyboard, 0,
                  static_cast<std::uint8_t>(0x59 + i), "Num " + std::to_string(i + 1));
}

TEST(KeyTable, SingleRowsAndTheirExactNames)
{
    expectRow(0, 0xA2, kKeyKindKeyboard, 0x01, 0, "LCtrl");
    expectRow(4, 0xA3, kKeyKindKeyboard, 0x10, 0, "RCtrl");
    expectRow(7, 0x5C, kKeyKindKeyboard, 0x80, 0, "RWin");
    expectRow(43, 0x30, kKeyKindKeyboard, 0, 0x27, "0");
    expectRow(44, 0x0D, kKeyKindKeyboard, 0, 0x28, "Enter");
    expectRow(53, 0xDC, kKeyKindKeyboard, 0, 0x31, " \\ ");
    expectRow(54, 0xBA, kKeyKindKeyboard, 0, 0x33, ";");
    expectRow(57, 0xBC, kKeyKindKeyboard, 0, 0x36, "<");
    expectRow(60, 0x14, kKeyKindKeyboard, 0, 0x39, "Caplk");
    expectRow(91, 0x101, kKeyKindKeyboard, 0, 0x58, "Num Enter");
    expectRow(101, 0x60, kKeyKindKeyboard, 0, 0x62, "Num 0");
    expectRow(103, 0x5D, kKeyKindKeyboard, 0, 0x65, "App");
    expectRow(104, 0xB7, kKeyKindConsumer, 0x92, 0x01, "Launch App2");
    expectRow(105, 0xAC, kKeyKindConsumer, 0x23, 0x02, "Browaer Home");
    expectRow(106, 0xB3, kKeyKindConsumer, 0xCD, 0x00, "Media Play Pause");
    expectRow(114, 0xA7, kKeyKindConsumer, 0x25, 0x02, "Browser ForWard");
    expectRow(119, 0xA8, kKeyKindConsumer, 0x27, 0x02, "Browser Refresh");
    expectRow(120, 0xB5, kKeyKindConsumer, 0x83, 0x01, "Launch Media Select");
    expectRow(121, 0xB5, kKeyKindConsumer, 0x83, 0x01, "Launch Media Select");
    expectRow(122, 0x103, kKeyKindSystem, 0x01, 0, "Power");
    expectRow(123, 0x104, kKeyKindSystem, 0x02, 0, "Sleep");
    expectRow(124, 0x105, kKeyKindSystem, 0x04, 0, "Wakeup");
}

TEST(KeyTable, KindsByRangeAndKeyboardRowsUseExactlyOneByte)
{
    for (std::size_t i = 0; i < kKeyTableSize; ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const KeyTableRow& r = row(i);
        const std::uint8_t expectedKind = i < 104 ? kKeyKindKeyboard : i < 122 ? kKeyKindConsumer : kKeyKindSystem;
        EXPECT_EQ(r.kind, expectedKind);
        if (r.kind == kKeyKindKeyboard) {
            EXPECT_NE(r.a == 0, r.b == 0);
        }
        if (i < 8) {
            EXPECT_EQ(r.a, 1u << i);  // the modifier bits in order
        }
        ASSERT_NE(r.name, nullptr);
        EXPECT_NE(std::string(r.name), "");
    }
    // Each keyboard usage and each modifier bit appears once among the recordable keys.
    for (std::size_t i = 0; i < kRecordableKeyCount; ++i)
        for (std::size_t j = i + 1; j < kRecordableKeyCount; ++j)
            EXPECT_FALSE(row(i).a == row(j).a && row(i).b == row(j).b) << i << " " << j;
}

TEST(KeyTable, LookUpByVirtualKey)
{
    EXPECT_EQ(findKeyByVirtualKey(0xA3), 4);
    EXPECT_EQ(findKeyByVirtualKeyRecordable(0xA3), 4);
    EXPECT_EQ(findKeyByVirtualKey(0xBC), 57);
    // Both Enter keys arrive as 0x0D; the keypad row's 0x101 never comes from a keystroke.
    EXPECT_EQ(findKeyByVirtualKey(0x0D), 44);
    EXPECT_EQ(findKeyByVirtualKeyRecordable(0x0D), 44);
    EXPECT_EQ(findKeyByVirtualKey(0x101), 91);  // only if someone asks for the table's own code
    EXPECT_EQ(findKeyByVirtualKey(0x103), 122);
    EXPECT_EQ(findKeyByVirtualKeyRecordable(0x103), -1);
    // Consumer keys are found by the full search only.
    EXPECT_EQ(findKeyByVirtualKey(0xAF), 109);
    EXPECT_EQ(findKeyByVirtualKeyRecordable(0xAF), -1);
    EXPECT_EQ(findKeyByVirtualKey(0xB5), 120);
    EXPECT_EQ(findKeyByVirtualKey(0x00), -1);
    EXPECT_EQ(findKeyByVirtualKey(0xFFFF), -1);
    for (std::uint16_t vk = 0; vk <= 0xFF; ++vk) {
        const int full = findKeyByVirtualKey(vk);
        const int recordable = findKeyByVirtualKeyRecordable(vk);
        if (recordable >= 0) {
            EXPECT_EQ(full, recordable) << vk;
        }
        if (full >= 0) {
            EXPECT_EQ(row(static_cast<std::size_t>(full)).virtualKey, vk);
            EXPECT_LT(full, 122) << "system rows never match a keystroke";
            EXPECT_NE(full, 91);
            EXPECT_NE(full, 121);
        }
    }
}

TEST(KeyTable, LookUpByHidBytes)
{
    EXPECT_EQ(findKeyByHidBytes(0x10, 0), 4);
    EXPECT_EQ(findKeyByHidBytes(0, 0x36), 57);
    EXPECT_EQ(findKeyByHidBytes(0, 0x32), -1);
    EXPECT_EQ(findKeyByHidBytes(0, 0x64), -1);
    EXPECT_EQ(findKeyByHidBytes(0x83, 0x01), 120);
    EXPECT_EQ(findKeyByHidBytes(0x23, 0x02), 105);
    EXPECT_EQ(findKeyByHidBytes(0x01, 0), 0);  // LCtrl comes before the Power row
    EXPECT_EQ(findKeyByHidBytes(0, 0), -1);
    // Every row is found at itself, except the duplicate row 121 and the system rows, whose
    // bytes equal those of LCtrl, LShift and LAlt.
    for (std::size_t i = 0; i < kKeyTableSize; ++i) {
        int expected = static_cast<int>(i);
        if (i == 121)
            expected = 120;
        else if (i >= 122)
            expected = static_cast<int>(i - 122);
        EXPECT_EQ(findKeyByHidBytes(row(i).a, row(i).b), expected) << i;
    }
}

TEST(KeyTable, LookUpByMacroAction)
{
    EXPECT_EQ(findKeyByMacroAction(kMacroTypeModifier, 0x10), 4);
    EXPECT_EQ(findKeyByMacroAction(kMacroTypeModifier, 0x80), 7);
    EXPECT_EQ(findKeyByMacroAction(kMacroTypeKey, 0x04), 8);
    EXPECT_EQ(findKeyByMacroAction(kMacroTypeKey, 0x65), 103);
    EXPECT_EQ(findKeyByMacroAction(kMacroTypeKey, 0x58), 91);
    // A modifier code that is not a single modifier bit, an unknown usage, a zero code and
    // other type bits match nothing.
    EXPECT_EQ(findKeyByMacroAction(kMacroTypeModifier, 0x03), -1);
    EXPECT_EQ(findKeyByMacroAction(kMacroTypeKey, 0x32), -1);
    EXPECT_EQ(findKeyByMacroAction(kMacroTypeModifier, 0), -1);
    EXPECT_EQ(findKeyByMacroAction(kMacroTypeKey, 0), -1);
    EXPECT_EQ(findKeyByMacroAction(8, 0x04), -1);
    EXPECT_EQ(findKeyByMacroAction(11, 0x04), -1);
    // Consumer and system rows are not searched.
    EXPECT_EQ(findKeyByMacroAction(kMacroTypeKey, 0xCD), -1);
    EXPECT_EQ(findKeyByMacroAction(kMacroTypeModifier, 0x92), -1);
    for (std::size_t i = 0; i < kRecordableKeyCount; ++i) {
        const KeyTableRow& r = row(i);
        if (r.a != 0) {
            EXPECT_EQ(findKeyByMacroAction(kMacroTypeModifier, r.a), static_cast<int>(i));
        } else {
            EXPECT_EQ(findKeyByMacroAction(kMacroTypeKey, r.b), static_cast<int>(i));
        }
    }
}

}  // namespace
}  // namespace corv
