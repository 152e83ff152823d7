// How the display shows its text whole: right-aligned in the space of the display that the FIX
// indicators in front of its left end leave free, in a smaller font when the text is too wide for
// that space at the display's own size, and only past the least size with its middle left out
// ("-1234…7890": the sign and the first digits stay). Plain C++ for both toolkits' bindings,
// which measure text in their own fonts.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

#include "forms/CalculatorLayout.h"

namespace zarnetcalc::forms {

// The area of the display its text is drawn in, in twips relative to the display: right of the
// indicators (with a pixel's gap), inside the display's border and margin on the other side.
struct DisplayTextArea {
    int left = 0;
    int right = 0;
};
constexpr DisplayTextArea DisplayArea(int marginTwips) {
    const layout::ControlDef* display = nullptr;
    int indicatorsRight = 0;
    for (const layout::ControlDef& def : layout::kControls) {
        if (def.role == layout::ControlRole::Display)
            display = &def;
        if (def.role == layout::ControlRole::SubDisplay)
            indicatorsRight = std::max(indicatorsRight, def.left + def.width);
    }
    return {indicatorsRight - display->left + marginTwips, display->width - marginTwips};
}

// The least size, as a share of the display font's: smaller digits are no longer read at once.
inline constexpr double kLeastScale = 0.55;

struct DisplayFit {
    double scale = 1.0;  // of the display font's size
    std::string text;    // as drawn: the display text, or its ends around an ellipsis
};

// width(text, scale): how wide the text is in the display font at that share of its size, in the
// units of available.
inline DisplayFit FitDisplayText(std::string_view text, double available,
                                 const std::function<double(std::string_view, double)>& width) {
    DisplayFit fit{1.0, std::string(text)};
    const double full = width(text, 1.0);
    if (full <= available || full <= 0)
        return fit;
    // Glyphs grow with the size, but not exactly in step: step down until it fits.
    for (fit.scale = std::max(kLeastScale, available / full * 0.98);; fit.scale -= 0.02) {
        if (fit.scale <= kLeastScale) {
            fit.scale = kLeastScale;
            break;
        }
        if (width(text, fit.scale) <= available)
            return fit;
    }
    if (width(text, fit.scale) <= available)
        return fit;
    // Past the least size: as much of both ends as fits, the start (sign first) a little longer.
    const std::string ellipsis = "\xE2\x80\xA6";
    for (std::size_t keep = text.size(); keep > 2; --keep) {
        const std::size_t head = (keep + 1) / 2;
        fit.text = std::string(text.substr(0, head)) + ellipsis +
                   std::string(text.substr(text.size() - (keep - head)));
        if (width(fit.text, fit.scale) <= available)
            return fit;
    }
    return fit;
}

}  // namespace zarnetcalc::forms
