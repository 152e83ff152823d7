// What the Windows runtime files share beyond component/Runtime.h: this library's module handle,
// kept by DllMain.
#pragma once

#include "component/Runtime.h"

namespace zarnetcalc::runtime {

void RememberModule(HMODULE module);
HMODULE Module();

}  // namespace zarnetcalc::runtime
