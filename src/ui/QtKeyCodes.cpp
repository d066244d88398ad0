#include "ui/QtKeyCodes.h"

#include "platform/X11KeySymbols.h"

namespace corv::ui {

namespace {

// The modifier keys of each side, as virtual-key codes.
struct Sides {
    std::uint16_t left;
    std::uint16_t right;
};
constexpr Sides kShift{0xA0, 0xA1};
constexpr Sides kControl{0xA2, 0xA3};
constexpr Sides kAlt{0xA4, 0xA5};
constexpr Sides kSuper{0x5B, 0x5C};

// X key codes of the evdev layout (Linux input codes + 8) of the right-hand modifiers.
constexpr quint32 kScanRightShift = 62;
constexpr quint32 kScanRightControl = 105;
constexpr quint32 kScanRightAlt = 108;
constexpr quint32 kScanRightSuper = 134;

std::uint16_t sided(Sides sides, quint32 rightScanCode, quint32 nativeScanCode, quint32 nativeVirtualKey)
{
    const std::uint16_t fromSymbol = virtualKeyForKeySymbol(nativeVirtualKey);
    if (fromSymbol == sides.left || fromSymbol == sides.right)
        return fromSymbol;
    return nativeScanCode == rightScanCode ? sides.right : sides.left;
}

std::uint16_t keypadKey(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::uint16_t>(0x60 + (key - Qt::Key_0));
    // clang-format off
    switch (key) {
    case Qt::Key_Insert: return 0x60;
    case Qt::Key_End: return 0x61;
    case Qt::Key_Down: return 0x62;
    case Qt::Key_PageDown: return 0x63;
    case Qt::Key_Left: return 0x64;
    case Qt::Key_Clear: return 0x65;
    case Qt::Key_Right: return 0x66;
    case Qt::Key_Home: return 0x67;
    case Qt::Key_Up: return 0x68;
    case Qt::Key_PageUp: return 0x69;
    case Qt::Key_Delete:
    case Qt::Key_Period:
    case Qt::Key_Comma: return 0x6E;
    case Qt::Key_Slash: return 0x6F;
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Minus: return 0x6D;
    case Qt::Key_Plus: return 0x6B;
    case Qt::Key_Enter:
    case Qt::Key_Return: return 0x101;
    case Qt::Key_NumLock: return 0x90;
    default: return 0;
    }
    // clang-format on
}

}  // namespace

std::uint16_t virtualKeyForQtKey(int key, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode,
                                 quint32 nativeVirtualKey)
{
    // clang-format off
    switch (key) {
    case Qt::Key_Shift: return sided(kShift, kScanRightShift, nativeScanCode, nativeVirtualKey);
    case Qt::Key_Control: return sided(kControl, kScanRightControl, nativeScanCode, nativeVirtualKey);
    case Qt::Key_Alt: return sided(kAlt, kScanRightAlt, nativeScanCode, nativeVirtualKey);
    case Qt::Key_AltGr: return kAlt.right;
    case Qt::Key_Meta: return sided(kSuper, kScanRightSuper, nativeScanCode, nativeVirtualKey);
    case Qt::Key_Super_L: return kSuper.left;
    case Qt::Key_Super_R: return kSuper.right;
    default: break;
    }
    // clang-format on
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const std::uint16_t vk = keypadKey(key))
            return vk;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<std::uint16_t>(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::uint16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<std::uint16_t>(0x70 + (key - Qt::Key_F1));

    // clang-format off
    switch (key) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Return: return 0x0D;
    case Qt::Key_Enter: return 0x101;  // Enter without the keypad modifier: still the keypad's key
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_ScrollLock: return 0x91;
    case Qt::Key_Print:
    case Qt::Key_SysReq: return 0x2C;
    case Qt::Key_Menu: return 0x5D;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    // The symbol keys, unshifted and shifted (US layout).
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return 0xBD;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return 0xBB;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 0xDB;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 0xDD;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 0xDC;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 0xBA;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 0xDE;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return 0xC0;
    case Qt::Key_Comma:
    case Qt::Key_Less: return 0xBC;
    case Qt::Key_Period:
    case Qt::Key_Greater: return 0xBE;
    case Qt::Key_Slash:
    case Qt::Key_Question: return 0xBF;
    default: return 0;
    }
    // clang-format on
}

}  // namespace corv::ui
