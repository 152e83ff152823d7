// The About box's platform calls on Windows: starting a program with CreateProcess and testing
// for a file. Which program to start is about::AboutLogic's choice.
#pragma once

#include "about/AboutLogic.h"

namespace zarnetcalc::forms::win32 {

// CreateProcess with the path as the program (no shell, no search of PATH) and no arguments, in a
// normal, focused window; an empty path, or one holding a NUL or a quote, starts nothing. The
// file test is passed by files only, not folders. No program is looked for on PATH: on Windows
// the registry names the tool.
about::SysInfoPlatform Win32SysInfoPlatform();

}  // namespace zarnetcalc::forms::win32
