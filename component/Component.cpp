// The Show protocol and the outcome table, written once for both platforms: Close or F2 hands
// back the display's number (or the error), Esc and an end the user did not choose hand back 0
// and Cancelled.
#include "component/Component.h"

#include <cmath>
#include <optional>

#include "calculator/NumberText.h"
#include "zarnetcalc/Error.h"

namespace zarnetcalc::component {

namespace {

struct Outcome {
    double result = 0;
    bool cancelled = false;
    bool errorOccurred = false;
};

// tag is "OK" (Close, F2), "Cancelled" (Esc), or "" when nothing was confirmed. Any tag but
// "Cancelled" and "" is a normal end, and then "Error", or any display that does not read back as
// a finite number, ends as an error.
Outcome ReadOutcome(std::string_view tag, std::string_view display) {
    Outcome outcome;
    if (tag == "Cancelled" || tag.empty()) {
        outcome.cancelled = true;
        return outcome;
    }
    std::optional<double> number;
    if (display != "Error") {
        number = calculator::TextToNumber(display);
    }
    if (number && std::isfinite(*number)) {
        outcome.result = *number == 0 ? 0.0 : *number;  // never a negative zero
    } else {
        outcome.errorOccurred = true;
    }
    return outcome;
}

[[noreturn]] void NoOwner() {
    throw Error(kErrObjectNotSet, "Object variable or With block variable not set");
}

}  // namespace

Component::Component() : blnCancelled(kFalse), dblResult(0), blnErrorOccurred(kFalse) {}

Component::~Component() = default;  // Class_Terminate: nothing of its own

OwnerWindow* Component::Owner() {
    if (frmOwner && !frmOwner->Exists()) {
        frmOwner.reset();
    }
    return frmOwner.get();
}

void Component::SetOwner(std::unique_ptr<OwnerWindow> owner) {
    frmOwner = std::move(owner);
}

void Component::Show() {
    Run(std::nullopt);
}

void Component::ShowFrom(double start) {
    if (!std::isfinite(start)) {
        throw Error(kErrInvalidCall,
                    "Invalid procedure call or argument: ShowFrom takes a finite number");
    }
    Run(start);
}

void Component::Run(std::optional<double> start) {
    OwnerWindow* owner = Owner();
    if (owner == nullptr) {
        NoOwner();  // before anything is shown, the properties as they were
    }
    // A fresh dialog for every call, dropped when the call ends, whichever way it ends.
    const std::unique_ptr<CalculatorDialog> dialog = owner->OpenCalculator();
    if (!dialog) {
        throw Error(kErrInvalidCall,
                    "Invalid procedure call or argument: the calculator window cannot be made");
    }
    const std::optional<TwipsRect> ownerRect = dialog->OwnerRect();
    if (!ownerRect) {
        NoOwner();  // the owner's window went while the dialog was being made
    }
    PlaceOverOwner(*dialog, *ownerRect, dialog->ScreenArea());

    dblResult = 0;
    if (start) {
        dialog->StartFrom(*start);
    } else {
        dialog->SetDisplayText(calculator::NumberToText(dblResult));  // always "0"
    }

    Outcome outcome;
    switch (dialog->RunModal()) {
        case ModalEnd::Hidden:
            outcome = ReadOutcome(dialog->Tag(), dialog->DisplayText());
            break;
        case ModalEnd::Interrupted:
            outcome = ReadOutcome("", "");
            break;
        case ModalEnd::NotShown:
            throw Error(kErrInvalidCall,
                        "Invalid procedure call or argument: the application is quitting, so the "
                        "calculator cannot be shown");
    }
    dblResult = outcome.result;
    blnCancelled = outcome.cancelled ? kTrue : kFalse;
    blnErrorOccurred = outcome.errorOccurred ? kTrue : kFalse;
}

}  // namespace zarnetcalc::component
