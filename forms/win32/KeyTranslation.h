// Turns a Windows key into the codes the calculator's keyboard handlers read: the virtual-key
// code for Form_KeyDown, mended for main-keyboard digits, and the character code for
// Form_KeyPress. Pure functions; the message loop that calls them is DialogWindow's.
#pragma once

#include <cstdint>

namespace zarnetcalc::forms::win32 {

// The code Form_KeyDown gets for a key pressed with virtual-key code vk that types the character
// typed (0 when it types none), or 0 for no call. A main-keyboard key gives a digit code only
// when it types that digit: Shift+8 on a US layout types "*" and so gives no 56 (only the
// character 42), while the shifted top row of a French layout types "1" and gives 49. Keys of
// the numeric keypad keep their own codes whatever they type.
std::int16_t KeyDownCode(unsigned vk, char32_t typed);

// The code Form_KeyPress gets for a typed character, or 0 for none: characters beyond the 16-bit
// code range, and NUL, give none.
std::int16_t KeyPressCode(char32_t typed);

}  // namespace zarnetcalc::forms::win32
