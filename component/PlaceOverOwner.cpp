// The placement arithmetic of the calculator dialog. Qt Core only: the widget-side geometry is
// read by the component class, so this runs, and is tested, without a window.
#include "component/PlaceOverOwner.h"

#include <QObject>
#include <QVariant>
#include <array>

namespace zarnetcalc::component {

namespace {

float Get(const QObject& dialog, const char* name) {
    return dialog.property(name).toFloat();
}

void Set(QObject& dialog, const char* name, float value) {
    dialog.setProperty(name, value);
}

bool HasGeometry(const QObject& dialog) {
    constexpr std::array names{"Left", "Top", "Width", "Height"};
    for (const char* name : names) {
        bool ok = false;
        dialog.property(name).toFloat(&ok);
        if (!ok)
            return false;
    }
    return true;
}

}  // namespace

bool PlaceOverOwner(QObject& dialog, const OwnerGeometry& owner, const ScreenGeometry* screen) {
    if (!HasGeometry(dialog))
        return false;

    // Centred over the owner; an exact division, so half twips stay.
    Set(dialog, "Left", owner.Left() + (owner.Width() - Get(dialog, "Width")) / 2.0F);
    Set(dialog, "Top", owner.Top() + (owner.Height() - Get(dialog, "Height")) / 2.0F);
    if (screen == nullptr)
        return true;

    const float left = screen->Left();
    const float top = screen->Top();
    const float right = left + screen->Width();
    const float bottom = top + screen->Height();

    // The top-left edges first, then the bottom-right ones: for a dialog larger than the screen
    // the latter win, and its top or left ends off the screen.
    if (Get(dialog, "Top") < top)
        Set(dialog, "Top", top);
    if (Get(dialog, "Left") < left)
        Set(dialog, "Left", left);
    if (Get(dialog, "Top") + Get(dialog, "Height") > bottom)
        Set(dialog, "Top", bottom - Get(dialog, "Height"));
    if (Get(dialog, "Left") + Get(dialog, "Width") > right)
        Set(dialog, "Left", right - Get(dialog, "Width"));
    return true;
}

}  // namespace zarnetcalc::component
