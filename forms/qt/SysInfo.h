// The About box's platform calls through Qt: starting a program, testing for a file and finding a
// program on PATH. Which program to start is about::AboutLogic's choice.
#pragma once

#include "about/AboutLogic.h"

namespace zarnetcalc::forms::qt {

// QProcess::startDetached with the path as the program, no arguments and no shell (an empty path
// or one holding a NUL starts nothing); QFileInfo's test for a file; QStandardPaths' search of
// PATH for an executable (searched when called, so a changed PATH is seen).
about::SysInfoPlatform QtSysInfoPlatform();

}  // namespace zarnetcalc::forms::qt
