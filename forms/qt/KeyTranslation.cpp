// Qt key events to virtual-key and character codes. The tables of what each code does live in
// the calculator logic; here only the toolkit's key names are mapped onto the codes.
#include "forms/qt/KeyTranslation.h"

#include <QKeyEvent>

namespace zarnetcalc::forms::qt {
namespace {

// Keys of the numeric keypad, told apart by Qt::KeypadModifier. With Num Lock off the keypad
// reports navigation keys, which share their codes with the main block.
std::int16_t KeypadCode(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return static_cast<std::int16_t>(vk::kNumpad0 + (key - Qt::Key_0));
    }
    switch (key) {
        case Qt::Key_Asterisk:
            return vk::kMultiply;
        case Qt::Key_Plus:
            return vk::kAdd;
        case Qt::Key_Minus:
            return vk::kSubtract;
        case Qt::Key_Slash:
            return vk::kDivide;
        case Qt::Key_Period:  // the decimal key types "." or "," depending on the layout
        case Qt::Key_Comma:
            return vk::kDecimal;
        case Qt::Key_Clear:  // keypad 5 with Num Lock off
            return 12;
        default:
            return 0;
    }
}

// Keys whose code does not depend on what they type.
std::int16_t FixedCode(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return static_cast<std::int16_t>('A' + (key - Qt::Key_A));
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return static_cast<std::int16_t>(vk::kF1 + (key - Qt::Key_F1));
    }
    switch (key) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Pause:
            return 19;
        case Qt::Key_CapsLock:
            return 20;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        case Qt::Key_NumLock:
            return 144;
        case Qt::Key_ScrollLock:
            return 145;
        default:
            return 0;
    }
}

std::int16_t ShiftState(Qt::KeyboardModifiers modifiers) {
    std::int16_t shift = 0;
    if (modifiers & Qt::ShiftModifier) {
        shift |= kShiftMask;
    }
    if (modifiers & Qt::ControlModifier) {
        shift |= kCtrlMask;
    }
    if (modifiers & Qt::AltModifier) {
        shift |= kAltMask;
    }
    return shift;
}

}  // namespace

KeyCodes TranslateKey(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    KeyCodes codes;
    codes.shift = ShiftState(modifiers);

    // One UTF-16 unit is one character; longer texts (surrogate pairs, composed input) and
    // characters beyond the 16-bit code range give no character code.
    if (text.size() == 1) {
        const char16_t ch = text.front().unicode();
        if (ch <= 0x7FFF) {
            codes.keyPress = static_cast<std::int16_t>(ch);
        }
    }

    if (modifiers & Qt::KeypadModifier) {
        codes.keyDown = KeypadCode(key);
        if (codes.keyDown == 0) {
            codes.keyDown = FixedCode(key);  // keypad Enter, and navigation with Num Lock off
        }
    } else if (codes.keyPress >= '0' && codes.keyPress <= '9') {
        // A main-keyboard digit code only for the digit actually typed.
        codes.keyDown = static_cast<std::int16_t>(vk::kDigit0 + (codes.keyPress - '0'));
    } else {
        codes.keyDown = FixedCode(key);
    }
    return codes;
}

KeyCodes TranslateKey(const QKeyEvent& event) {
    return TranslateKey(event.key(), event.modifiers(), event.text());
}

}  // namespace zarnetcalc::forms::qt
