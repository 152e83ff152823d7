// Turns a Qt key event into the codes the calculator's keyboard handlers read: a Windows
// virtual-key code for Form_KeyDown and a character code for Form_KeyPress. Pure functions;
// delivering the codes is left to frmCalculator.
#pragma once

#include <cstdint>

#include <QString>
#include <Qt>

#include "calculator/KeyCodes.h"

class QKeyEvent;

namespace zarnetcalc::forms::qt {

namespace vk = calculator::vk;
using calculator::kAltMask;
using calculator::kCtrlMask;
using calculator::kShiftMask;

struct KeyCodes {
    std::int16_t keyDown = 0;   // virtual-key code for Form_KeyDown; 0: no key-down delivery
    std::int16_t shift = 0;     // kShiftMask | kCtrlMask | kAltMask
    std::int16_t keyPress = 0;  // character code for Form_KeyPress; 0: no character
    bool operator==(const KeyCodes&) const = default;
};

// A main-keyboard key gives a digit code only when it types that digit: Shift+8 on a US layout
// types "*" and so gives no 56 (only the character 42), while the shifted top row of a French
// layout types "1" and gives 49. Keypad keys (Qt::KeypadModifier) give their own codes whatever
// they type; the keypad decimal key is 110 even where the layout types "," there.
KeyCodes TranslateKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);
KeyCodes TranslateKey(const QKeyEvent& event);

}  // namespace zarnetcalc::forms::qt
