#pragma once
// Qt's key events to virtual-key codes, for the keys typed into the program's own windows.
// Qt names a key by what it types (Shift+1 is Key_Exclam): the shifted symbols of a US
// keyboard are named by their key. Keypad keys carry the keypad modifier and give the
// keypad's codes whatever Num Lock says. The side of a modifier comes from the native key
// symbol (X11 and Wayland report the key's symbol: Shift_R) or, failing that, the native
// scan code (the X key code of the evdev layout); without either it is the left one.
// Keys the program has no code for give 0.
#include <Qt>
#include <cstdint>

namespace corv::ui {

std::uint16_t virtualKeyForQtKey(int key, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode,
                                 quint32 nativeVirtualKey);

}  // namespace corv::ui
