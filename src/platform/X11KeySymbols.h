#pragma once
// X key symbols to virtual-key codes. A key is named by the key symbol of its first level
// (unshifted, first group): "a" for the A key, "minus" for the key right of 0. Keypad keys
// give the same code whether Num Lock is on (KP_7) or off (KP_Home), and ISO_Level3_Shift
// (AltGr) counts as Right Alt. Key symbols the program has no code for give 0.
#include <cstdint>

namespace corv {

std::uint16_t virtualKeyForKeySymbol(std::uint32_t keysym);

}  // namespace corv
