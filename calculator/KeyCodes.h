// The key codes the calculator's keyboard handlers read, written once: Windows virtual-key codes
// for Form_KeyDown, and the shift-state bits beside them. Both toolkits' key translations deliver
// these; what each code does is Calculator.cpp's.
#pragma once

#include <cstdint>

namespace zarnetcalc::calculator {

namespace vk {
inline constexpr std::int16_t kDigit0 = 48;   // main keyboard 0..9: 48..57
inline constexpr std::int16_t kNumpad0 = 96;  // numeric keypad 0..9: 96..105
inline constexpr std::int16_t kMultiply = 106;
inline constexpr std::int16_t kAdd = 107;
inline constexpr std::int16_t kSubtract = 109;
inline constexpr std::int16_t kDecimal = 110;
inline constexpr std::int16_t kDivide = 111;  // the last keypad code
inline constexpr std::int16_t kF1 = 112;      // F1..F24: 112..135
inline constexpr std::int16_t kF2 = 113;
inline constexpr std::int16_t kInsert = 45;
inline constexpr std::int16_t kC = 67;  // letters are their capitals' codes
inline constexpr std::int16_t kV = 86;
}  // namespace vk

// Shift-state bits as Form_KeyDown receives them.
inline constexpr std::int16_t kShiftMask = 1;
inline constexpr std::int16_t kCtrlMask = 2;
inline constexpr std::int16_t kAltMask = 4;

}  // namespace zarnetcalc::calculator
