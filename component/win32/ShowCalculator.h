// Show's dialog on Windows: a fresh calculator dialog placed over the owner window, run modally
// and read back through the outcome table. Result and the two flags are kept by the component
// core (ComponentWin32.cpp), which calls this.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>

#include "component/ShowOutcome.h"

namespace zarnetcalc::component {

// In Show's order: the dialog is made and loaded; placed over owner (the owner's window rectangle
// and the work area of the monitor that holds it, in twips, through PlaceOverOwner); then
// resetResult runs (the core's Result := 0) and the display is set to "0"; the dialog runs
// modally over owner, which is disabled meanwhile; its outcome is read and the dialog destroyed.
// A dialog ended by something other than the user (its window destroyed with the owner, or the
// application quitting) counts as Esc. Throws zarnetcalc::Error, with nothing changed, when owner
// is no window any more (91) or the dialog cannot be made (5); an exception thrown inside the
// dialog ends it and is passed on.
ShowOutcome ShowCalculator(HWND owner, const std::function<void()>& resetResult);

}  // namespace zarnetcalc::component
