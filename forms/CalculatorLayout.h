// The calculator dialog's controls as data: name, kind, caption, rectangle in twips and tab index.
// frmCalculator turns this table into widgets with one loop; it holds no widget code itself.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "zarnetcalc/ControlNames.h"

namespace zarnetcalc::forms::layout {

// The dialog's client area, in twips.
inline constexpr int kClientWidth = 2532;
inline constexpr int kClientHeight = 3612;

enum class ControlKind { Button, Label, Timer };

// What a control does, so the dialog binds each one with an exhaustive switch.
enum class ControlRole {
    About,
    Timer,
    Keypad,
    Fix,
    Done,
    Clear,
    AllClear,
    Cancel,
    Tmp,
    ErrorCode,
    SubDisplay,
    Display
};

struct ControlDef {
    ControlRole role;
    ControlKind kind;
    const char* name;              // objectName; control-array elements get "(index)" appended
    std::int16_t index;            // element of a control array, or -1
    const char* caption;           // with "&" before the access key; "" for none
    const char* accessibleName;    // what a screen reader says
    int left, top, width, height;  // twips, relative to the client area
    int tabIndex;                  // -1 for the timer, which has no place in the tab order
};

// Key sizes and grid: columns at 120, 600, 1080, 1560, 2040, rows 480 apart from 720.
inline constexpr int kKey = 372;

using R = ControlRole;
using K = ControlKind;

// In the order of the dialog's control collection, which the enable/disable walks follow.
inline constexpr std::array<ControlDef, 32> kControls{{
    {R::About, K::Button, "cmdAbout", -1, "", "About", 2040, 720, kKey, kKey, 30},
    {R::Timer, K::Timer, "Timer1", -1, "", "", 0, 0, 0, 0, -1},
    {R::Keypad, K::Button, "cmdKeypad", 0, "0", "0", 120, 2640, kKey, kKey, 9},
    {R::Keypad, K::Button, "cmdKeypad", 1, "1", "1", 120, 2160, kKey, kKey, 0},
    {R::Keypad, K::Button, "cmdKeypad", 2, "2", "2", 600, 2160, kKey, kKey, 1},
    {R::Keypad, K::Button, "cmdKeypad", 3, "3", "3", 1080, 2160, kKey, kKey, 2},
    {R::Keypad, K::Button, "cmdKeypad", 4, "4", "4", 120, 1680, kKey, kKey, 3},
    {R::Keypad, K::Button, "cmdKeypad", 5, "5", "5", 600, 1680, kKey, kKey, 4},
    {R::Keypad, K::Button, "cmdKeypad", 6, "6", "6", 1080, 1680, kKey, kKey, 5},
    {R::Keypad, K::Button, "cmdKeypad", 7, "7", "7", 120, 1200, kKey, kKey, 6},
    {R::Keypad, K::Button, "cmdKeypad", 8, "8", "8", 600, 1200, kKey, kKey, 7},
    {R::Keypad, K::Button, "cmdKeypad", 9, "9", "9", 1080, 1200, kKey, kKey, 8},
    {R::Keypad, K::Button, "cmdKeypad", 10, "00", "Double zero", 600, 2640, kKey, kKey, 10},
    {R::Keypad, K::Button, "cmdKeypad", 11, ".", "Decimal point", 1080, 2640, kKey, kKey, 11},
    {R::Keypad, K::Button, "cmdKeypad", 12, "*", "Multiply", 1560, 1200, kKey, kKey, 12},
    {R::Keypad, K::Button, "cmdKeypad", 13, "/", "Divide", 1560, 1680, kKey, kKey, 13},
    {R::Keypad, K::Button, "cmdKeypad", 14, "-", "Subtract", 1560, 2160, kKey, kKey, 14},
    {R::Keypad, K::Button, "cmdKeypad", 15, "+", "Add", 1560, 2640, kKey, kKey, 15},
    {R::Keypad, K::Button, "cmdKeypad", 16, "(", "Open parenthesis", 2040, 1200, kKey, kKey, 17},
    {R::Keypad, K::Button, "cmdKeypad", 17, ")", "Close parenthesis", 2040, 1680, kKey, kKey, 18},
    {R::Keypad, K::Button, "cmdKeypad", 18, "=", "Equals", 2040, 2160, kKey, 852, 16},
    {R::Keypad, K::Button, "cmdKeypad", 19, "%", "Percent", 1560, 720, kKey, kKey, 28},
    {R::Fix, K::Button, "cmdFix", -1, "&FIX", "Fix decimals", 120, 720, kKey, kKey, 26},
    {R::Done, K::Button, "cmdDone", -1, "&Close", "Close", 1560, 3120, 852, kKey, 22},
    {R::Clear, K::Button, "cmdCLR", -1, "C&E", "Clear entry", 600, 3120, kKey, kKey, 21},
    {R::AllClear, K::Button, "cmdAC", -1, "&AC", "All clear", 120, 3120, kKey, kKey, 20},
    // The two hidden buttons lie behind the "=" key: reachable from the keyboard only. A screen
    // reader hears cmdTmp, where the focus rests, by the display's text rather than this name.
    {R::Cancel, K::Button, "cmdCancel", -1, "", "Cancel", 2160, 2280, 132, kKey, 19},
    {R::Tmp, K::Button, "cmdTmp", -1, "", "Result", 2160, 2280, 132, 252, 27},
    // Below the client area, so never seen.
    {R::ErrorCode, K::Label, "lblErrorCode", -1, "", "Error code", 600, 4320, 612, 252, 29},
    {R::SubDisplay, K::Label, "lblSubDisplay", 1, "", "Secondary indicator", 168, 372, 252, 144,
     25},
    {R::SubDisplay, K::Label, "lblSubDisplay", 0, "", "Fixed decimals indicator", 168, 168, 252,
     144, 24},
    {R::Display, K::Label, "txtDisplay", -1, "", "Display", 120, 120, 2292, 492, 23},
}};

// Whether objectName is the name of this row: "cmdKeypad(3)" for an element of a control array,
// else the plain name.
constexpr bool IsNamed(const ControlDef& def, std::string_view objectName) {
    const std::string_view name = def.name;
    if (objectName.substr(0, name.size()) != name) {
        return false;
    }
    std::string_view rest = objectName.substr(name.size());
    if (def.index < 0) {
        return rest.empty();
    }
    if (rest.size() < 3 || rest.front() != '(' || rest.back() != ')') {
        return false;
    }
    int index = 0;
    for (const char c : rest.substr(1, rest.size() - 2)) {
        if (c < '0' || c > '9') {
            return false;
        }
        index = index * 10 + (c - '0');
    }
    return index == def.index;
}

// The published objectNames (zarnetcalc/ControlNames.h) are this table's, place by place.
constexpr bool NamesArePublished() {
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        if (!IsNamed(kControls[i], controls::kCalculatorControls[i])) {
            return false;
        }
    }
    return kControls.size() == controls::kCalculatorControls.size();
}
static_assert(NamesArePublished());

}  // namespace zarnetcalc::forms::layout
