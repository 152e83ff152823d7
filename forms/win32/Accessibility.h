// How the Win32 calculator presents itself to screen readers, as the Qt dialog does: the window
// that draws it is one accessible object with a child per control, whose child id is the control's
// place in the control collection plus one: keys as push buttons by their accessible names, the
// display and the FIX indicator with what they show as name and value, the focus holder by the
// figure it speaks, and the controls a listener does not need (the hidden buttons, the unused
// labels) reported as not shown. The events that tell of changes are sent by that window.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "forms/CalculatorControls.h"

namespace zarnetcalc::forms::win32 {
class Keypad;
}

namespace zarnetcalc::forms::win32::accessibility {

// The answer to WM_GETOBJECT for OBJID_CLIENT (0 when no object can be made). The object keeps the
// library loaded while a client holds it, and answers for a window that has gone by saying it is
// gone.
LRESULT KeypadObject(const Keypad& keypad, WPARAM wParam);

}  // namespace zarnetcalc::forms::win32::accessibility
