// A rectangle of a layout table, given in twips, as the QRect of a widget on Qt's logical grid.
#pragma once

#include <QRect>

#include "forms/Twips.h"

namespace zarnetcalc::forms::qt {

inline QRect PixelRect(int left, int top, int width, int height) {
    const PixelEdges e = forms::PixelRect(left, top, width, height);
    return {e.left, e.top, e.right - e.left, e.bottom - e.top};
}

}  // namespace zarnetcalc::forms::qt
