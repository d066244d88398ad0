// Key symbols to virtual-key codes: every keyboard key a macro can record must be reachable
// from a real keyboard, and keys of the same place name the same code whatever the locks.
#include <gtest/gtest.h>

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <cstdint>
#include <set>

#include "keys/KeyTable.h"
#include "platform/X11KeySymbols.h"

namespace corv {
namespace {

// Every code the map gives for the key symbols of the Latin-1 and keyboard pages.
std::set<std::uint16_t> producedCodes()
{
    std::set<std::uint16_t> codes;
    for (std::uint32_t keysym = 0; keysym <= 0xFFFF; ++keysym) {
        if (const std::uint16_t vk = virtualKeyForKeySymbol(keysym))
            codes.insert(vk);
    }
    return codes;
}

TEST(X11KeySymbols, EveryRecordableRowOfTheKeyTableIsReachable)
{
    const std::set<std::uint16_t> codes = producedCodes();
    for (std::size_t row = 0; row < kRecordableKeyCount; ++row) {
        const KeyTableRow& key = keyTable()[row];
        EXPECT_TRUE(codes.count(key.virtualKey) == 1)
            << "row " << row << " (" << key.name << ", vk 0x" << std::hex << key.virtualKey << ") has no key symbol";
    }
}

TEST(X11KeySymbols, KeysNameTheirKeyTableRows)
{
    struct Case {
        std::uint32_t keysym;
        const char* row;
    };
    // clang-format off
    const Case cases[] = {
        {XK_a, "A"}, {XK_Z, "Z"}, {XK_0, "0"}, {XK_F5, "F5"}, {XK_F12, "F12"}, {XK_Shift_L, "LShift"},
        {XK_Shift_R, "RShift"}, {XK_Control_R, "RCtrl"}, {XK_Alt_L, "LAlt"}, {XK_Alt_R, "RAlt"},
        {XK_ISO_Level3_Shift, "RAlt"}, {XK_Super_L, "LWin"}, {XK_Super_R, "RWin"}, {XK_Menu, "App"},
        {XK_Print, "Print Scr"}, {XK_Scroll_Lock, "Scroll Lock"}, {XK_Pause, "Pause"}, {XK_Caps_Lock, "Caplk"},
        {XK_Num_Lock, "Num Lock"}, {XK_Prior, "Page Up"}, {XK_Next, "Page Down"}, {XK_minus, "-"}, {XK_grave, "`"},
        {XK_comma, "<"}, {XK_backslash, " \\ "}, {XK_apostrophe, "'"}, {XK_Return, "Enter"},
        {XK_KP_Enter, "Num Enter"}, {XK_KP_Divide, "Num /"}, {XK_KP_Add, "Num +"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const int row = findKeyByVirtualKeyRecordable(virtualKeyForKeySymbol(c.keysym));
        ASSERT_GE(row, 0) << "keysym 0x" << std::hex << c.keysym;
        EXPECT_STREQ(keyTable()[static_cast<std::size_t>(row)].name, c.row) << "keysym 0x" << std::hex << c.keysym;
    }
}

TEST(X11KeySymbols, KeypadKeysGiveTheirDigitWhateverNumLockSays)
{
    const std::uint32_t withoutNumLock[] = {XK_KP_Insert, XK_KP_End,   XK_KP_Down, XK_KP_Next, XK_KP_Left,
                                            XK_KP_Begin,  XK_KP_Right, XK_KP_Home, XK_KP_Up,   XK_KP_Prior};
    for (std::uint32_t digit = 0; digit < 10; ++digit) {
        EXPECT_EQ(virtualKeyForKeySymbol(XK_KP_0 + digit), 0x60 + digit);
        EXPECT_EQ(virtualKeyForKeySymbol(withoutNumLock[digit]), 0x60 + digit) << "keypad " << digit;
    }
    EXPECT_EQ(virtualKeyForKeySymbol(XK_KP_Delete), virtualKeyForKeySymbol(XK_KP_Decimal));
    // The keypad's navigation keys are not the editing block's.
    EXPECT_NE(virtualKeyForKeySymbol(XK_KP_Home), virtualKeyForKeySymbol(XK_Home));
}

TEST(X11KeySymbols, UnknownSymbolsGiveNothing)
{
    for (const std::uint32_t keysym :
         {0u, 0xFFFFFFu, static_cast<std::uint32_t>(XK_Cyrillic_a), static_cast<std::uint32_t>(XK_exclam),
          static_cast<std::uint32_t>(XF86XK_AudioRaiseVolume), static_cast<std::uint32_t>(XK_dead_acute)})
        EXPECT_EQ(virtualKeyForKeySymbol(keysym), 0) << "keysym 0x" << std::hex << keysym;
}

}  // namespace
}  // namespace corv
