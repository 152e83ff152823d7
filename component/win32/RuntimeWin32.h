// What the Windows runtime files share beyond component/Runtime.h: this library's module handle,
// kept by DllMain, and texts between the runtime's UTF-8 and the system's UTF-16.
#pragma once

#include <string>
#include <string_view>

#include "component/Runtime.h"

namespace zarnetcalc::runtime {

void RememberModule(HMODULE module);
HMODULE Module();

std::wstring Wide(std::string_view utf8);

}  // namespace zarnetcalc::runtime
