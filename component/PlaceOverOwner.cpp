// The placement arithmetic of the calculator dialog, shared by both platforms; each binding
// reads the real geometry and moves the real window.
#include "component/PlaceOverOwner.h"

namespace zarnetcalc::component {

void PlaceOverOwner(DialogGeometry& dialog, const TwipsRect& owner,
                    const std::optional<TwipsRect>& screen) {
    auto setLeft = [&dialog](float left) { dialog.MoveTo(left, dialog.Outer().top); };
    auto setTop = [&dialog](float top) { dialog.MoveTo(dialog.Outer().left, top); };

    // Centred over the owner; an exact division, so half twips stay.
    setLeft(owner.left + (owner.width - dialog.Outer().width) / 2.0F);
    setTop(owner.top + (owner.height - dialog.Outer().height) / 2.0F);
    if (!screen)
        return;

    const float right = screen->left + screen->width;
    const float bottom = screen->top + screen->height;

    // The top-left edges first, then the bottom-right ones: for a dialog larger than the screen
    // the latter win, and its top or left ends off the screen.
    if (dialog.Outer().top < screen->top)
        setTop(screen->top);
    if (dialog.Outer().left < screen->left)
        setLeft(screen->left);
    if (const TwipsRect d = dialog.Outer(); d.top + d.height > bottom)
        setTop(bottom - d.height);
    if (const TwipsRect d = dialog.Outer(); d.left + d.width > right)
        setLeft(right - d.width);
}

}  // namespace zarnetcalc::component
