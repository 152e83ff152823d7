// The control operations the calculator logic needs from its dialog. Each toolkit's dialog in
// forms/ (qt/, win32/) implements them; tests implement them with a fake, so the logic runs
// without a window.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zarnetcalc::calculator {

// Controls the logic addresses by name; all others it reaches only through the collection walk.
enum class NamedControl { cmdAC, cmdDone, cmdCancel, cmdTmp, Timer1 };

class ControlSurface {
  public:
    virtual ~ControlSurface() = default;

    // txtDisplay, the green-on-black display label.
    virtual std::string DisplayText() const = 0;
    virtual void SetDisplayText(std::string_view text) = 0;

    // lblSubDisplay(0), the FIX indicator.
    virtual void SetIndicatorText(std::string_view text) = 0;

    // The dialog's tag: "OK", "Cancelled" or "".
    virtual std::string Tag() const = 0;
    virtual void SetTag(std::string_view text) = 0;

    // Every control of the dialog, in the order of its control collection; the named controls
    // lie in it too.
    virtual std::size_t ControlCount() const = 0;
    virtual void SetControlEnabled(std::size_t index, bool enabled) = 0;
    virtual std::size_t IndexOf(NamedControl control) const = 0;
    void SetEnabled(NamedControl control, bool enabled) {
        SetControlEnabled(IndexOf(control), enabled);
    }

    // Focus to the hidden equals button, so that Enter means "=".
    virtual void FocusTmp() = 0;

    // Hides the dialog, which ends its modal display.
    virtual void HideDialog() = 0;

    // Opens the shared About box modally and returns when it is closed.
    virtual void ShowAboutBox() = 0;

    // The system clipboard's text (nothing when it holds none), and putting a text there.
    virtual std::optional<std::string> ClipboardText() const = 0;
    virtual void SetClipboardText(std::string_view text) = 0;

    // Says a message to assistive tools (a screen reader speaks it), the display unchanged.
    virtual void Announce(std::string_view message) = 0;
};

}  // namespace zarnetcalc::calculator
