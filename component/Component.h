// The component's one Show, shared by both platforms: Result, Cancelled, ErrorOccurred and the
// owner, and the protocol that runs a fresh calculator dialog modally over the owner and turns the
// way it ended into the three properties. The public Qt class and the COM object are thin
// wrappers around it; what a window is, and how it is run, each toolkit's binding says through
// the two small interfaces below (component/qt/Dialog.cpp, component/win32/Dialog.cpp).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "component/PlaceOverOwner.h"
#include "zarnetcalc/Flag.h"

namespace zarnetcalc::component {

// How a dialog's modal run ended.
enum class ModalEnd {
    Hidden,       // Close, F2 or Esc hid it: its tag says which
    Interrupted,  // something else ended the run (its window destroyed, the application
                  // quitting): nothing was confirmed, which counts as Esc
    NotShown,     // the run could not even start (the application was already quitting)
};

// One calculator dialog, opened for one Show over its owner: loaded (its state reset, "0" on the
// display) and not yet shown. Its geometry is in twips, like its owner's.
class CalculatorDialog : public DialogGeometry {
  public:
    // The owner's outer rectangle, and the area of the screen that holds it (none when the
    // platform cannot tell); nothing once the owner's window is gone.
    virtual std::optional<TwipsRect> OwnerRect() const = 0;
    virtual std::optional<TwipsRect> ScreenArea() const = 0;
    virtual void SetDisplayText(std::string_view text) = 0;
    // The calculator as if it had just shown start as the result of "=" (the logic's StartFrom).
    virtual void StartFrom(double start) = 0;
    // Shows the dialog modally over the owner (which is kept from input meanwhile) and returns
    // when the run ends.
    virtual ModalEnd RunModal() = 0;
    virtual std::string Tag() const = 0;
    virtual std::string DisplayText() const = 0;
};

// The window the calculator opens over, as the host gave it.
class OwnerWindow {
  public:
    virtual ~OwnerWindow() = default;
    // False once the window has been destroyed.
    virtual bool Exists() const = 0;
    // A fresh dialog over this window. Throws zarnetcalc::Error when it cannot be made.
    virtual std::unique_ptr<CalculatorDialog> OpenCalculator() = 0;
};

class Component {
  public:
    Component();  // Class_Initialize: Result 0, both flags False, no owner
    ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    double Result() const { return dblResult; }
    void SetResult(double value) { dblResult = value; }
    Flag Cancelled() const { return blnCancelled; }
    Flag ErrorOccurred() const { return blnErrorOccurred; }

    // The owner while its window exists, else null (a destroyed owner is let go here).
    OwnerWindow* Owner();
    // Null for none. Whether an object may be an owner at all is the wrapper's to check.
    void SetOwner(std::unique_ptr<OwnerWindow> owner);

    // Runs the calculator modally over the owner and sets Result, Cancelled and ErrorOccurred
    // from the way it ended. Throws zarnetcalc::Error: 91 without an owner (the three properties
    // keep their values), 5 when the dialog cannot be made or shown (Result is 0 when that is
    // known only once it was reset); an exception from inside the dialog ends it and is passed
    // on.
    void Show();
    // The same, with the calculator opened on start instead of "0", as if it had just shown it
    // as the result of "=". A start that is not a finite number throws error 5 before anything
    // is shown, the three properties as they were.
    void ShowFrom(double start);

  private:
    // The protocol of both: the calculator starts from start, or from "0" with nothing.
    void Run(std::optional<double> start);

    // Fields in the component's declaration order.
    Flag blnCancelled;
    double dblResult;
    std::unique_ptr<OwnerWindow> frmOwner;
    Flag blnErrorOccurred;
};

}  // namespace zarnetcalc::component
