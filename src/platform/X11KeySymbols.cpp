#include "platform/X11KeySymbols.h"

#include <X11/keysym.h>

namespace corv {

namespace {

// Virtual-key codes by their usual names.
enum : std::uint16_t {
    kVkBack = 0x08,
    kVkTab = 0x09,
    kVkReturn = 0x0D,
    kVkPause = 0x13,
    kVkCapital = 0x14,
    kVkEscape = 0x1B,
    kVkSpace = 0x20,
    kVkPrior = 0x21,
    kVkNext = 0x22,
    kVkEnd = 0x23,
    kVkHome = 0x24,
    kVkLeft = 0x25,
    kVkUp = 0x26,
    kVkRight = 0x27,
    kVkDown = 0x28,
    kVkSnapshot = 0x2C,
    kVkInsert = 0x2D,
    kVkDelete = 0x2E,
    kVkLWin = 0x5B,
    kVkRWin = 0x5C,
    kVkApps = 0x5D,
    kVkNumpad0 = 0x60,
    kVkMultiply = 0x6A,
    kVkAdd = 0x6B,
    kVkSubtract = 0x6D,
    kVkDecimal = 0x6E,
    kVkDivide = 0x6F,
    kVkF1 = 0x70,
    kVkNumLock = 0x90,
    kVkScroll = 0x91,
    kVkLShift = 0xA0,
    kVkRShift = 0xA1,
    kVkLControl = 0xA2,
    kVkRControl = 0xA3,
    kVkLMenu = 0xA4,
    kVkRMenu = 0xA5,
    kVkOem1 = 0xBA,          // ;
    kVkOemPlus = 0xBB,       // =
    kVkOemComma = 0xBC,      // ,
    kVkOemMinus = 0xBD,      // -
    kVkOemPeriod = 0xBE,     // .
    kVkOem2 = 0xBF,          // /
    kVkOem3 = 0xC0,          // `
    kVkOem4 = 0xDB,          // [
    kVkOem5 = 0xDC,          // backslash
    kVkOem6 = 0xDD,          // ]
    kVkOem7 = 0xDE,          // '
    kVkOem102 = 0xE2,        // the extra key of ISO keyboards, left of Z
    kVkNumpadEnter = 0x101,  // the key table's own code: Enter has one virtual key for both
};

}  // namespace

std::uint16_t virtualKeyForKeySymbol(std::uint32_t keysym)
{
    if (keysym >= XK_a && keysym <= XK_z)
        return static_cast<std::uint16_t>(keysym - XK_a + 'A');
    if (keysym >= XK_A && keysym <= XK_Z)
        return static_cast<std::uint16_t>(keysym);
    if (keysym >= XK_0 && keysym <= XK_9)
        return static_cast<std::uint16_t>(keysym);
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return static_cast<std::uint16_t>(kVkF1 + (keysym - XK_F1));
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return static_cast<std::uint16_t>(kVkNumpad0 + (keysym - XK_KP_0));

    // clang-format off
    switch (keysym) {
    // Modifiers, by side.
    case XK_Shift_L: return kVkLShift;
    case XK_Shift_R: return kVkRShift;
    case XK_Control_L: return kVkLControl;
    case XK_Control_R: return kVkRControl;
    case XK_Alt_L:
    case XK_Meta_L: return kVkLMenu;
    case XK_Alt_R:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift:
    case XK_Mode_switch: return kVkRMenu;
    case XK_Super_L: return kVkLWin;
    case XK_Super_R: return kVkRWin;
    case XK_Menu: return kVkApps;
    case XK_Caps_Lock: return kVkCapital;
    case XK_Num_Lock: return kVkNumLock;
    case XK_Scroll_Lock: return kVkScroll;

    // The main block.
    case XK_BackSpace: return kVkBack;
    case XK_Tab:
    case XK_ISO_Left_Tab: return kVkTab;
    case XK_Return: return kVkReturn;
    case XK_Escape: return kVkEscape;
    case XK_space: return kVkSpace;
    case XK_minus: return kVkOemMinus;
    case XK_equal: return kVkOemPlus;
    case XK_bracketleft: return kVkOem4;
    case XK_bracketright: return kVkOem6;
    case XK_backslash: return kVkOem5;
    case XK_semicolon: return kVkOem1;
    case XK_apostrophe: return kVkOem7;
    case XK_grave: return kVkOem3;
    case XK_comma: return kVkOemComma;
    case XK_period: return kVkOemPeriod;
    case XK_slash: return kVkOem2;
    case XK_less: return kVkOem102;

    // Print Screen, Pause and the editing block.
    case XK_Print:
    case XK_Sys_Req: return kVkSnapshot;
    case XK_Pause:
    case XK_Break: return kVkPause;
    case XK_Insert: return kVkInsert;
    case XK_Delete: return kVkDelete;
    case XK_Home: return kVkHome;
    case XK_End: return kVkEnd;
    case XK_Prior: return kVkPrior;
    case XK_Next: return kVkNext;
    case XK_Left: return kVkLeft;
    case XK_Up: return kVkUp;
    case XK_Right: return kVkRight;
    case XK_Down: return kVkDown;

    // The keypad: its navigation symbols (Num Lock off) name the digit keys.
    case XK_KP_Insert: return kVkNumpad0;
    case XK_KP_End: return kVkNumpad0 + 1;
    case XK_KP_Down: return kVkNumpad0 + 2;
    case XK_KP_Next: return kVkNumpad0 + 3;
    case XK_KP_Left: return kVkNumpad0 + 4;
    case XK_KP_Begin: return kVkNumpad0 + 5;
    case XK_KP_Right: return kVkNumpad0 + 6;
    case XK_KP_Home: return kVkNumpad0 + 7;
    case XK_KP_Up: return kVkNumpad0 + 8;
    case XK_KP_Prior: return kVkNumpad0 + 9;
    case XK_KP_Delete:
    case XK_KP_Decimal:
    case XK_KP_Separator: return kVkDecimal;
    case XK_KP_Divide: return kVkDivide;
    case XK_KP_Multiply: return kVkMultiply;
    case XK_KP_Subtract: return kVkSubtract;
    case XK_KP_Add: return kVkAdd;
    case XK_KP_Enter: return kVkNumpadEnter;
    default: return 0;
    }
    // clang-format on
}

}  // namespace corv
