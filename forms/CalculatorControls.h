// What each control of the calculator dialog is beyond its place in the layout table, written once
// for both bindings as functions of its row: the logic's handler that a click on it calls, how a
// screen reader meets it, its font and its colours. Toolkit-free; the widgets are the bindings'.
#pragma once

#include <cstdint>
#include <optional>

#include "calculator/Calculator.h"
#include "forms/CalculatorLayout.h"

namespace zarnetcalc::forms::layout {

// Calls the handler a click on the control calls in the logic; labels and the timer have none.
inline void Click(const ControlDef& def, calculator::Calculator& logic) {
    switch (def.role) {
        case ControlRole::About:
            logic.cmdAbout_Click();
            break;
        case ControlRole::Keypad: {
            std::int16_t Index = def.index;  // the handler may write into its argument
            logic.cmdKeypad_Click(Index);
            break;
        }
        case ControlRole::Fix:
            logic.cmdFix_Click();
            break;
        case ControlRole::Done:
            logic.cmdDone_Click();
            break;
        case ControlRole::Clear:
            logic.cmdCLR_Click();
            break;
        case ControlRole::AllClear:
            logic.cmdAC_Click();
            break;
        case ControlRole::Cancel:
            logic.cmdCancel_Click();
            break;
        case ControlRole::Tmp:
            logic.cmdTmp_Click();
            break;
        case ControlRole::Timer:
        case ControlRole::ErrorCode:
        case ControlRole::SubDisplay:
        case ControlRole::Display:
            break;
    }
}

// How a control presents itself to assistive tools.
enum class Presentation {
    Key,          // a push button, known by its accessible name
    Readout,      // a label showing a figure: its text, and the number it shows as its value
    Indicator,    // a label lit with a word or blank: its text, and 1 (lit) or 0 as its value
    Speaker,      // the focus holder: its name is the display's figure (or a message said
                  // instead), its description kSpeakerDescription; pressing it is "="
    OutOfTheWay,  // there and enabled, but reported as not shown: read past
};
inline constexpr const char* kSpeakerDescription = "Enter gives equals";

constexpr Presentation PresentationOf(const ControlDef& def) {
    switch (def.role) {
        case ControlRole::Display:
            return Presentation::Readout;
        case ControlRole::SubDisplay:
            return def.index == 0 ? Presentation::Indicator : Presentation::OutOfTheWay;
        case ControlRole::Tmp:
            return Presentation::Speaker;
        case ControlRole::Cancel:
        case ControlRole::ErrorCode:
            return Presentation::OutOfTheWay;
        case ControlRole::About:
        case ControlRole::Timer:
        case ControlRole::Keypad:
        case ControlRole::Fix:
        case ControlRole::Done:
        case ControlRole::Clear:
        case ControlRole::AllClear:
            break;
    }
    return Presentation::Key;
}

// The two hidden buttons behind "=": they take the focus from the keyboard, but are never drawn
// and the mouse never reaches them.
constexpr bool IsHidden(const ControlDef& def) {
    return def.role == ControlRole::Cancel || def.role == ControlRole::Tmp;
}

// A font of its own, where the system has the family (else the dialog's family at that size);
// none: the dialog's font.
struct NamedFont {
    const char* family;
    double points;
};
constexpr std::optional<NamedFont> FontOf(const ControlDef& def) {
    if (def.role == ControlRole::Display) {
        return NamedFont{"MS Sans Serif", 9.6};
    }
    if (def.role == ControlRole::SubDisplay) {
        return NamedFont{"Abadi MT Condensed", 7.8};
    }
    return std::nullopt;
}

// Pure green text (red 0, green 255, blue 0) on black, in every state: the display and the
// indicators stay readable while the error lockout has disabled them.
constexpr bool IsGreenOnBlack(const ControlDef& def) {
    return def.role == ControlRole::Display || def.role == ControlRole::SubDisplay;
}

// The About key shows a picture (a question mark) instead of a caption.
constexpr bool HasPicture(const ControlDef& def) {
    return def.role == ControlRole::About;
}

// The collection index of a control by its role (and index in its control array, for arrays).
constexpr std::size_t IndexOf(ControlRole role, int index = -1) {
    std::size_t i = 0;
    while (i < kControls.size() &&
           !(kControls[i].role == role && (index < 0 || kControls[i].index == index))) {
        ++i;
    }
    return i;
}

// The collection index of a control the logic names.
constexpr std::size_t IndexOf(calculator::NamedControl control) {
    using calculator::NamedControl;
    switch (control) {
        case NamedControl::cmdAC:
            return IndexOf(ControlRole::AllClear);
        case NamedControl::cmdDone:
            return IndexOf(ControlRole::Done);
        case NamedControl::cmdCancel:
            return IndexOf(ControlRole::Cancel);
        case NamedControl::cmdTmp:
            return IndexOf(ControlRole::Tmp);
        case NamedControl::Timer1:
            break;
    }
    return IndexOf(ControlRole::Timer);
}

}  // namespace zarnetcalc::forms::layout
