// Show's steps on Windows around the native dialog: making it, placing it with the shared
// arithmetic on the real window and monitor geometry, running it and reading its outcome.
#include "component/win32/ShowCalculator.h"

#include <cstring>
#include <optional>
#include <string>

#include "calculator/NumberText.h"
#include "component/PlaceOverOwner.h"
#include "forms/win32/frmCalculator.h"
#include "zarnetcalc/Error.h"

namespace zarnetcalc::component {
namespace {

using forms::win32::frmCalculator;
using forms::win32::PixelsToTwips;

TwipsRect InTwips(const RECT& r, int dpi) {
    return {PixelsToTwips(r.left, dpi), PixelsToTwips(r.top, dpi),
            PixelsToTwips(r.right - r.left, dpi), PixelsToTwips(r.bottom - r.top, dpi)};
}

// The dialog's "Left", "Top", "Width" and "Height" (twips) by name; the size is read-only.
class DialogGeometry final : public LateBoundGeometry {
  public:
    explicit DialogGeometry(frmCalculator& dialog) : dialog_(dialog) {}
    std::optional<float> Get(const char* name) const override {
        if (std::strcmp(name, "Left") == 0) {
            return dialog_.Left();
        }
        if (std::strcmp(name, "Top") == 0) {
            return dialog_.Top();
        }
        if (std::strcmp(name, "Width") == 0) {
            return dialog_.Width();
        }
        if (std::strcmp(name, "Height") == 0) {
            return dialog_.Height();
        }
        return std::nullopt;
    }
    void Set(const char* name, float value) override {
        if (std::strcmp(name, "Left") == 0) {
            dialog_.SetLeft(value);
        } else if (std::strcmp(name, "Top") == 0) {
            dialog_.SetTop(value);
        }
    }

  private:
    frmCalculator& dialog_;
};

[[noreturn]] void OwnerGone() {
    throw Error(kErrObjectNotSet,
                "Object variable or With block variable not set: the owner's window no longer "
                "exists");
}

}  // namespace

ShowOutcome ShowCalculator(HWND owner, const std::function<void()>& resetResult) {
    if (owner == nullptr || !IsWindow(owner)) {
        OwnerGone();
    }
    frmCalculator dialog(owner);  // destroyed when Show ends, whichever way it ends
    if (!dialog.Loaded()) {
        throw Error(kErrInvalidCall,
                    "Invalid procedure call or argument: the calculator window cannot be made");
    }

    // The owner's outer rectangle and the work area of its monitor, in the dialog's twips.
    RECT ownerRect{};
    if (!GetWindowRect(owner, &ownerRect)) {
        OwnerGone();
    }
    std::optional<TwipsRect> workArea;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        workArea = InTwips(monitor.rcWork, dialog.Dpi());
    }
    DialogGeometry geometry(dialog);
    PlaceOverOwner(geometry, InTwips(ownerRect, dialog.Dpi()), workArea);

    resetResult();
    dialog.SetDisplayText(calculator::NumberToText(0.0));

    const auto end = dialog.RunModal(owner);
    if (end != frmCalculator::ModalEnd::Ended) {
        return ReadOutcome("", dialog.DisplayText());  // nothing was confirmed
    }
    return ReadOutcome(dialog.Tag(), dialog.DisplayText());
}

}  // namespace zarnetcalc::component
