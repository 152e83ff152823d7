// The two pictures of the dialogs, drawn with GDI at the size the DPI asks for: the About
// button's question mark and the About box's icon. Where they are shown is left to the dialogs.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "common/win32/Handles.h"

namespace zarnetcalc::forms::win32 {

// A yellow question mark with a dark outline, drawn on what is there in a square of size pixels
// (16 at 96 DPI) at left, top.
void DrawQuestionMark(HDC dc, int left, int top, int size);

// A white question mark on a dark green disc, size pixels square.
zarnetcalc::win32::UniqueIcon CreateAboutIcon(int size);

}  // namespace zarnetcalc::forms::win32
