// How the Win32 calculator's controls present themselves to screen readers, as the Qt dialog's
// do: the display and the FIX indicator give their text as name and value, controls no listener
// needs are reported as not shown, and each new figure is announced by a name change on the
// focus holder. The system's standard objects serve everything else (a button's name is its
// caption without the access key's "&").
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string_view>

namespace zarnetcalc::forms::win32::accessibility {

enum class Presentation {
    Readout,      // a label read for its text: the text is its name and its value
    OutOfTheWay,  // there and enabled, but reported as not shown
    Hidden,       // also out of the mouse's reach (the hidden cancel button behind "=")
    Speaker,      // the focus holder behind "=": out of the mouse's reach, its name the figure
};

// Gives a control its presentation (it answers WM_GETOBJECT with an object of its own).
void Present(HWND control, Presentation presentation);

// Tells assistive tools that a control's name has changed (a new figure on the focus holder).
void AnnounceName(HWND control);

}  // namespace zarnetcalc::forms::win32::accessibility
