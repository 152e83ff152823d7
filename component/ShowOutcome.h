// How Show turns the way its dialog ended into Result, Cancelled and ErrorOccurred. Plain C++,
// shared by the dialogs of both platforms; running the dialog is the platform's.
#pragma once

#include <string_view>

namespace zarnetcalc::component {

struct ShowOutcome {
    double result = 0;
    bool cancelled = false;
    bool errorOccurred = false;
};

// tag is the dialog's tag when its modal display ended: "OK" (Close, F2), "Cancelled" (Esc), or
// "" when something other than the user ended it (the application quitting inside the modal
// loop), which counts as Esc. Otherwise the display is the result: "Error", or any text that
// does not read back as a finite number, ends as an error.
ShowOutcome ReadOutcome(std::string_view tag, std::string_view display);

}  // namespace zarnetcalc::component
