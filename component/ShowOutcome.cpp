// The outcome table of Show: Close or F2 hands back the display's number (or the error), Esc and
// an end the user did not choose hand back 0 and Cancelled.
#include "component/ShowOutcome.h"

#include <cmath>
#include <optional>

#include "calculator/NumberText.h"

namespace zarnetcalc::component {

ShowOutcome ReadOutcome(std::string_view tag, std::string_view display) {
    ShowOutcome outcome;
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

}  // namespace zarnetcalc::component
