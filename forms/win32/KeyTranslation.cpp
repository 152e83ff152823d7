// Virtual-key and character codes for the calculator's keyboard handlers. The tables of what each
// code does live in the calculator logic.
#include "forms/win32/KeyTranslation.h"

namespace zarnetcalc::forms::win32 {
namespace {

constexpr unsigned kVkDigit0 = 0x30;   // '0'..'9' of the main keyboard
constexpr unsigned kVkNumpad0 = 0x60;  // VK_NUMPAD0..VK_NUMPAD9, then the keypad operators
constexpr unsigned kVkDivide = 0x6F;   // the last keypad code (VK_DIVIDE)

bool IsKeypad(unsigned vk) {
    return vk >= kVkNumpad0 && vk <= kVkDivide;
}

}  // namespace

std::int16_t KeyDownCode(unsigned vk, char32_t typed) {
    if (IsKeypad(vk)) {
        return static_cast<std::int16_t>(vk);
    }
    if (typed >= U'0' && typed <= U'9') {
        return static_cast<std::int16_t>(kVkDigit0 + (typed - U'0'));
    }
    if (vk >= kVkDigit0 && vk <= kVkDigit0 + 9) {
        return 0;  // a digit key that types something else acts only by that character
    }
    return vk <= 0xFF ? static_cast<std::int16_t>(vk) : 0;
}

std::int16_t KeyPressCode(char32_t typed) {
    return typed > 0 && typed <= 0x7FFF ? static_cast<std::int16_t>(typed) : 0;
}

}  // namespace zarnetcalc::forms::win32
