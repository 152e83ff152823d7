// Centres a dialog over its owner window and pulls it back inside the owner's screen, in twips
// with single-precision arithmetic. Plain C++ for both platforms: the owner's and the screen's
// geometry arrive as rectangles; the dialog is read and moved through a small typed interface
// that each toolkit's binding implements.
#pragma once

#include <optional>

namespace zarnetcalc::component {

// An outer window rectangle or a screen's area on the virtual desktop, in twips.
struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// The dialog as the placement moves it. Outer() is read afresh after every move, so a dialog
// that rounds what it is given to whole pixels is clamped from where it really is.
class DialogGeometry {
  public:
    virtual ~DialogGeometry() = default;
    virtual TwipsRect Outer() const = 0;
    virtual void MoveTo(float left, float top) = 0;
};

// Moves the dialog so that it is centred over the owner, then keeps its top-left corner on the
// screen and then its bottom-right corner: a dialog larger than the screen therefore ends with a
// top or left above or left of the screen. Without a screen only the centring is done.
void PlaceOverOwner(DialogGeometry& dialog, const TwipsRect& owner,
                    const std::optional<TwipsRect>& screen);

}  // namespace zarnetcalc::component
