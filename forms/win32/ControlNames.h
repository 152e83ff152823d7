// The Win32 dialogs' window classes and control ids, from the published names of
// zarnetcalc/ControlNames.h: the id of a control is its dialog's base plus its place in its table.
#pragma once

#include <cstddef>

#include "zarnetcalc/ControlNames.h"

namespace zarnetcalc::forms::win32 {

using controls::kAboutClass;
using controls::kCalculatorClass;
using controls::kCalculatorIdBase;

inline int CalculatorControlId(std::size_t collectionIndex) {
    return controls::kCalculatorIdBase + static_cast<int>(collectionIndex);
}

inline int AboutControlId(std::size_t tableIndex) {
    return controls::kAboutIdBase + static_cast<int>(tableIndex);
}

}  // namespace zarnetcalc::forms::win32
