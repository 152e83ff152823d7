// Virtual-key and character codes for the calculator's keyboard handlers. The tables of what each
// code does live in the calculator logic.
#include "forms/win32/KeyTranslation.h"

#include "calculator/KeyCodes.h"

namespace zarnetcalc::forms::win32 {
namespace {

namespace vk = calculator::vk;

// VK_NUMPAD0..VK_NUMPAD9, then the keypad operators.
bool IsKeypad(unsigned code) {
    return code >= unsigned(vk::kNumpad0) && code <= unsigned(vk::kDivide);
}

}  // namespace

std::int16_t KeyDownCode(unsigned code, char32_t typed) {
    if (IsKeypad(code)) {
        return static_cast<std::int16_t>(code);
    }
    if (typed >= U'0' && typed <= U'9') {
        return static_cast<std::int16_t>(vk::kDigit0 + (typed - U'0'));
    }
    if (code >= unsigned(vk::kDigit0) && code <= unsigned(vk::kDigit0) + 9) {
        return 0;  // a digit key that types something else acts only by that character
    }
    return code <= 0xFF ? static_cast<std::int16_t>(code) : 0;
}

std::int16_t KeyPressCode(char32_t typed) {
    return typed > 0 && typed <= 0x7FFF ? static_cast<std::int16_t>(typed) : 0;
}

}  // namespace zarnetcalc::forms::win32
