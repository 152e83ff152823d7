// Finds a system-information program on PATH, for systems without a registry: the registry
// layer answers the About box's first lookup with it. Starting the program is left to others.
#pragma once

#include <string>
#include <vector>

namespace zarnetcalc::registry {

// Program names tried, best first: hardware/system information tools, then the desktops'
// system monitors (GNOME, KDE Plasma 5/6 and older, MATE, Xfce, LXDE).
const std::vector<std::string>& SystemInfoCandidates();

// The absolute path of the first candidate found on PATH (searched when called, so a changed
// PATH is seen), or "" when none is installed.
std::string FindSystemInfoProgram();

}  // namespace zarnetcalc::registry
