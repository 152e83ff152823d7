// The 16-bit boolean of the component's flags (Cancelled, ErrorOccurred, GetKeyValue's answer):
// True is -1 and False is 0, as the platform's automation Booleans are.
#pragma once

#include <cstdint>

namespace zarnetcalc {

using Flag = std::int16_t;
inline constexpr Flag kTrue = -1;
inline constexpr Flag kFalse = 0;

}  // namespace zarnetcalc
