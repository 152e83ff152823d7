// How the Win32 dialogs name their windows, so that the component, the sample host and the checks
// find each control by its objectName: window classes, and control ids taken from the layout
// tables (the id of a control is a fixed base plus its place in its table). Plain C++.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "forms/AboutLayout.h"
#include "forms/CalculatorLayout.h"

namespace zarnetcalc::forms::win32 {

// Window classes of the two dialogs.
inline constexpr const wchar_t* kCalculatorClass = L"ZarnetCalc.frmCalculator";
inline constexpr const wchar_t* kAboutClass = L"ZarnetCalc.frmAbout";

// Ids of the calculator's controls (and of Timer1's timer) and of the About box's controls.
inline constexpr int kCalculatorIdBase = 1000;
inline constexpr int kAboutIdBase = 2000;

inline int CalculatorControlId(std::size_t collectionIndex) {
    return kCalculatorIdBase + static_cast<int>(collectionIndex);
}

// The id of the calculator's control with this objectName, if there is one.
inline std::optional<int> CalculatorControlId(std::string_view name) {
    for (std::size_t i = 0; i < layout::kControls.size(); ++i) {
        if (layout::ControlName(layout::kControls[i]) == name) {
            return CalculatorControlId(i);
        }
    }
    return std::nullopt;
}

inline int AboutControlId(std::size_t tableIndex) {
    return kAboutIdBase + static_cast<int>(tableIndex);
}

inline std::optional<int> AboutControlId(std::string_view name) {
    for (std::size_t i = 0; i < about_layout::kControls.size(); ++i) {
        if (about_layout::kControls[i].name == name) {
            return AboutControlId(i);
        }
    }
    return std::nullopt;
}

}  // namespace zarnetcalc::forms::win32
