// The placement arithmetic of the calculator dialog, shared by both platforms; each binding
// reads the real geometry and offers the dialog's properties.
#include "component/PlaceOverOwner.h"

namespace zarnetcalc::component {

bool PlaceOverOwner(LateBoundGeometry& dialog, const TwipsRect& owner,
                    const std::optional<TwipsRect>& screen) {
    for (const char* name : {"Left", "Top", "Width", "Height"}) {
        if (!dialog.Get(name))
            return false;
    }
    auto get = [&dialog](const char* name) { return dialog.Get(name).value_or(0.0F); };

    // Centred over the owner; an exact division, so half twips stay.
    dialog.Set("Left", owner.left + (owner.width - get("Width")) / 2.0F);
    dialog.Set("Top", owner.top + (owner.height - get("Height")) / 2.0F);
    if (!screen)
        return true;

    const float right = screen->left + screen->width;
    const float bottom = screen->top + screen->height;

    // The top-left edges first, then the bottom-right ones: for a dialog larger than the screen
    // the latter win, and its top or left ends off the screen.
    if (get("Top") < screen->top)
        dialog.Set("Top", screen->top);
    if (get("Left") < screen->left)
        dialog.Set("Left", screen->left);
    if (get("Top") + get("Height") > bottom)
        dialog.Set("Top", bottom - get("Height"));
    if (get("Left") + get("Width") > right)
        dialog.Set("Left", right - get("Width"));
    return true;
}

}  // namespace zarnetcalc::component
