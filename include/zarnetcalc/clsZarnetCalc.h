// The public class of the ZarnetCalc library: a pop-up keypad calculator that a Qt Widgets host
// opens modally over one of its windows. The dialog itself and its logic live inside the library;
// this header names Qt's QWidget only, so it compiles with nothing but the library's include path.
#pragma once

#include <memory>

#include "zarnetcalc/Error.h"
#include "zarnetcalc/Flag.h"
#include "zarnetcalc/zarnetcalc_export.h"

class QWidget;

namespace zarnetcalc {

// The calculator component.
//
// Synchronous use, from a slot of the host's window:
//
//     auto calc = zarnetcalc::clsZarnetCalc::Create();
//     calc->setMyOwner(this);          // a window: the calculator opens centred over it
//     calc->Show();                    // modal: returns when the user closes the calculator
//     if (calc->Cancelled())           // Esc
//         ...
//     else if (calc->ErrorOccurred())  // closed while the display read "Error"
//         ...
//     else
//         use(calc->Result());         // the number on the display
//
// Show always opens at "0" (a value stored through setResult is not shown; ShowFrom opens on a
// number of the host's), and may be called any number of times; each call builds a fresh dialog
// and destroys it before returning.
//
// The object is reference counted: hold it in the shared_ptr that Create returns. Show keeps the
// object alive for the length of its call, so a host may drop its last reference from inside the
// modal loop (a timer, say) without destroying the object under Show. All members must be called
// on the thread of the QApplication.
//
// Errors are thrown as zarnetcalc::Error: Show without an owner gives kErrObjectNotSet (the three
// properties keep their values), setMyOwner with a widget that is not a window gives
// kErrTypeMismatch (the owner is unchanged), and Show without a QApplication, from another
// thread or while the application is quitting gives kErrInvalidCall. The component shows no
// message boxes of its own.
class ZARNETCALC_EXPORT clsZarnetCalc : public std::enable_shared_from_this<clsZarnetCalc> {
  public:
    // A new object with Result 0 and both flags False.
    static std::shared_ptr<clsZarnetCalc> Create();
    ~clsZarnetCalc();

    clsZarnetCalc(const clsZarnetCalc&) = delete;
    clsZarnetCalc& operator=(const clsZarnetCalc&) = delete;

    // The number the last Show ended with (0 after Esc or an error). Settable, but Show does not
    // use a stored value: it starts from 0.
    double Result() const;
    void setResult(double value);

    // kTrue when the last Show ended with Esc.
    Flag Cancelled() const;

    // kTrue when the last Show ended while the display read "Error" (or a text that is not a
    // finite number).
    Flag ErrorOccurred() const;

    // The window the calculator opens over. nullptr when none is set or the window was destroyed.
    QWidget* MyOwner() const;
    // nullptr is accepted (no owner); a widget that is not a window throws kErrTypeMismatch.
    void setMyOwner(QWidget* owner);

    // Runs the calculator modally over the owner and sets Result, Cancelled and ErrorOccurred from
    // the way it ended.
    void Show();

    // Show, with the calculator opened on Start instead of "0": as if it had just shown Start as
    // the result of "=" (the next digit starts a new entry, an operator works on Start), the
    // display showing it as Result would print ("12.5", "-3", "1E+16"), with its decimals when it
    // has any. Close at once hands Start back; Esc cancels as with Show. A Start that is not a
    // finite number throws kErrInvalidCall before anything is shown, the properties as they
    // were. For a field the calculator works on:
    //
    //     calc->ShowFrom(amount->value());
    //     if (!calc->Cancelled() && !calc->ErrorOccurred())
    //         amount->setValue(calc->Result());
    void ShowFrom(double Start);

  private:
    ZARNETCALC_NO_EXPORT clsZarnetCalc();  // Create makes them

    class Impl;  // the component's state: binary layout stays the same as the library grows
    const std::unique_ptr<Impl> impl_;
};

}  // namespace zarnetcalc
