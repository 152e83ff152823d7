// Centres a dialog over its owner window and pulls it back inside the owner's screen, in twips with
// single-precision arithmetic. Where the geometry comes from is left to the caller: the owner and
// the screen arrive through small interfaces, the dialog is read and written by property name.
#pragma once

class QObject;

namespace zarnetcalc::component {

// Twips per logical pixel (1440 twips to the inch at 96 logical pixels to the inch).
inline constexpr float kTwipsPerPixel = 15.0F;

// The owner window's outer geometry on the virtual desktop, in twips.
class OwnerGeometry {
  public:
    virtual ~OwnerGeometry() = default;
    virtual float Left() const = 0;
    virtual float Top() const = 0;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
};

// The geometry of the screen that holds the owner, in twips on the virtual desktop.
class ScreenGeometry {
  public:
    virtual ~ScreenGeometry() = default;
    virtual float Left() const = 0;
    virtual float Top() const = 0;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
};

// Moves the dialog (its "Left" and "Top" properties; "Width" and "Height" are read) so that it is
// centred over the owner, then keeps its top-left corner on the screen and then its bottom-right
// corner: a dialog larger than the screen therefore ends with a top or left above or left of the
// screen. Every step reads the dialog's properties afresh, so a dialog that rounds what it is
// given is clamped from where it really is. Without a screen only the centring is done.
// Returns false, and changes nothing, when the dialog lacks one of the four properties.
bool PlaceOverOwner(QObject& dialog, const OwnerGeometry& owner, const ScreenGeometry* screen);

}  // namespace zarnetcalc::component
