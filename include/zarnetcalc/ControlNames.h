// How the component's dialogs name their controls, for tests, accessibility tools and the sample
// hosts' scripted mode: each control's objectName ("cmdKeypad(7)", "txtDisplay"), in the order of
// its dialog's control collection. On Qt a control's objectName is set on its widget. On Windows,
// in a window of the class named below, a control of the About box is the child window whose id is
// the box's base plus its place in the list; the calculator's controls are all drawn by one child
// window (of id kCalculatorKeypadId), whose accessible object has a child for each but the timer,
// numbered from 1 in the list's order (CalculatorChildId). Header-only and toolkit-free.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace zarnetcalc::controls {

inline constexpr std::array<std::string_view, 32> kCalculatorControls{
    "cmdAbout",         "Timer1",        "cmdKeypad(0)",
    "cmdKeypad(1)",     "cmdKeypad(2)",  "cmdKeypad(3)",
    "cmdKeypad(4)",     "cmdKeypad(5)",  "cmdKeypad(6)",
    "cmdKeypad(7)",     "cmdKeypad(8)",  "cmdKeypad(9)",
    "cmdKeypad(10)",    "cmdKeypad(11)", "cmdKeypad(12)",
    "cmdKeypad(13)",    "cmdKeypad(14)", "cmdKeypad(15)",
    "cmdKeypad(16)",    "cmdKeypad(17)", "cmdKeypad(18)",
    "cmdKeypad(19)",    "cmdFix",        "cmdDone",
    "cmdCLR",           "cmdAC",         "cmdCancel",
    "cmdTmp",           "lblErrorCode",  "lblSubDisplay(1)",
    "lblSubDisplay(0)", "txtDisplay",
};

inline constexpr std::array<std::string_view, 5> kAboutControls{
    "cmdOK", "cmdSysInfo", "lblTitle", "lblVersion", "Label1(1)",
};

// Windows: the window classes of the two dialogs, and the ids of their controls.
inline constexpr const wchar_t* kCalculatorClass = L"ZarnetCalc.frmCalculator";
inline constexpr const wchar_t* kAboutClass = L"ZarnetCalc.frmAbout";
inline constexpr int kCalculatorIdBase = 1000;
inline constexpr int kCalculatorKeypadId = 999;
inline constexpr int kAboutIdBase = 2000;

// The place of name in list, if it is there.
template <std::size_t N>
constexpr std::optional<int> PlaceOf(const std::array<std::string_view, N>& list,
                                     std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (list[i] == name) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

// The Windows control id of the About box's control of that objectName.
constexpr std::optional<int> AboutControlId(std::string_view name) {
    const auto place = PlaceOf(kAboutControls, name);
    return place ? std::optional<int>(kAboutIdBase + *place) : std::nullopt;
}

// Windows: the calculator's accessible child id of a control, 0 for the timer (no child, as it is
// never on the screen) and for a name that is not in the list.
constexpr long CalculatorChildId(std::string_view name) {
    long id = 0;
    for (const std::string_view control : kCalculatorControls) {
        if (control != "Timer1") {
            ++id;
        }
        if (control == name) {
            return control == "Timer1" ? 0 : id;
        }
    }
    return 0;
}

}  // namespace zarnetcalc::controls
