// Centres a dialog over its owner window and pulls it back inside the owner's screen, in twips
// with single-precision arithmetic. Plain C++ for both platforms: the owner's and the screen's
// geometry arrive as rectangles, the dialog is read and written by property name through a small
// interface that each toolkit's binding implements.
#pragma once

#include <optional>

namespace zarnetcalc::component {

// Twips per logical pixel (1440 twips to the inch at 96 logical pixels to the inch).
inline constexpr float kTwipsPerPixel = 15.0F;

// An outer window rectangle or a screen's area on the virtual desktop, in twips.
struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// The dialog as the placement reaches it: "Left", "Top", "Width" and "Height" by name, read
// afresh on every access (so a dialog that rounds what it is given is clamped from where it is).
class LateBoundGeometry {
  public:
    virtual ~LateBoundGeometry() = default;
    virtual std::optional<float> Get(const char* name) const = 0;  // none: no such property
    virtual void Set(const char* name, float value) = 0;
};

// Moves the dialog so that it is centred over the owner, then keeps its top-left corner on the
// screen and then its bottom-right corner: a dialog larger than the screen therefore ends with a
// top or left above or left of the screen. Without a screen only the centring is done.
// Returns false, and changes nothing, when the dialog lacks one of the four properties.
bool PlaceOverOwner(LateBoundGeometry& dialog, const TwipsRect& owner,
                    const std::optional<TwipsRect>& screen);

}  // namespace zarnetcalc::component
