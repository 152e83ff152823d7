// Twips, the unit of the dialogs' layout tables and of the placement (1440 to the inch), and
// pixels at a DPI (96 is the logical grid Qt lays out on, 15 twips to the pixel). Plain C++,
// shared by both toolkits' bindings.
#pragma once

#include <algorithm>
#include <cmath>

namespace zarnetcalc::forms {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kLogicalDpi = 96;

// Twips to pixels at dpi, to the nearest pixel (halves away from zero). Rounding each edge of a
// rectangle on its own keeps controls on one grid line aligned and equal gaps equal.
constexpr int TwipsToPixels(int twips, int dpi = kLogicalDpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    const long long half = kTwipsPerInch / 2;
    return static_cast<int>((scaled >= 0 ? scaled + half : scaled - half) / kTwipsPerInch);
}

// Twips to pixels cut towards zero, as lines are drawn.
constexpr int TwipsToLinePixel(int twips, int dpi = kLogicalDpi) {
    return static_cast<int>(static_cast<long long>(twips) * dpi / kTwipsPerInch);
}

// A rectangle given in twips as pixel edges, each edge rounded on its own.
struct PixelEdges {
    int left, top, right, bottom;
};
constexpr PixelEdges PixelRect(int left, int top, int width, int height, int dpi = kLogicalDpi) {
    return {TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(left + width, dpi),
            TwipsToPixels(top + height, dpi)};
}

inline float PixelsToTwips(int pixels, int dpi = kLogicalDpi) {
    return static_cast<float>(static_cast<double>(pixels) * kTwipsPerInch / dpi);
}

// A window position in pixels for a position in twips: a position that is not finite leaves the
// window at current, one far off any desktop is brought within a million pixels.
inline int TwipsToPosition(float twips, int dpi, int current) {
    if (!std::isfinite(twips)) {
        return current;
    }
    constexpr double kLimit = 1.0e6;
    return static_cast<int>(
        std::lround(std::clamp(static_cast<double>(twips) * dpi / kTwipsPerInch, -kLimit, kLimit)));
}

}  // namespace zarnetcalc::forms
