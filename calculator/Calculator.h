// The calculator dialog's logic: calculation state, number entry, display, arithmetic, keyboard
// map and command buttons. It sees its dialog only through ControlSurface; no widget in here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ControlSurface.h"

namespace zarnetcalc::calculator {

// Whether a clipboard text, trimmed of surrounding white space, is a number the keypad could
// have typed: digits with at most one ".", at least one digit, at most kMaxPaste characters.
inline constexpr std::size_t kMaxPaste = 64;
bool IsPastable(std::string_view text);
std::string_view TrimmedText(std::string_view text);

// Keypad indexes of the cmdKeypad control array.
namespace key {
inline constexpr std::int16_t k00 = 10;
inline constexpr std::int16_t kPoint = 11;
inline constexpr std::int16_t kMultiply = 12;
inline constexpr std::int16_t kDivide = 13;
inline constexpr std::int16_t kSubtract = 14;
inline constexpr std::int16_t kAdd = 15;
inline constexpr std::int16_t kOpenParen = 16;
inline constexpr std::int16_t kCloseParen = 17;
inline constexpr std::int16_t kEquals = 18;
inline constexpr std::int16_t kPercent = 19;
}  // namespace key

// The operator waiting to be applied ("" when none: the first operator takes the display).
enum class Operator { None, Multiply, Divide, Add, Subtract, Percent };

// The operator's key caption: "*", "/", "+", "-", "%", or "" for None.
std::string_view OperatorText(Operator op);

// The whole state of one calculation. Names are the dialog's own field names.
struct CalculationState {
    double dblAccumulator = 0;  // the running result
    double dblOperand = 0;      // the display value when an operator was last applied
    Operator strPendingOp = Operator::None;
    bool blnNewEntry = false;      // an operator was just applied; the next digit starts anew
    std::string strDisplayFormat;  // "0." and 1 to 8 zeros, or "" for none
    bool blnFixPending = false;    // FIX was pressed; the next digit key sets the decimals
    std::string strIntPart;        // integer digits being entered, as typed
    std::string strFracPart;       // fraction digits being entered, as typed
    bool blnDecimalMode = false;   // the point key has been used: results show their fraction
    bool blnInIntPart = false;     // digits go to strIntPart (true) or strFracPart (false)
    bool blnPointPending = false;  // the point key was pressed for the number now being entered
};

class Calculator {
  public:
    explicit Calculator(ControlSurface& controls) : ui_(controls) {}

    const CalculationState& State() const { return s_; }

    // Event handlers of the dialog.
    void Form_Load();
    // After Form_Load, before the dialog is shown: the calculator as if it had just shown start
    // as the result of "=" (see StartFrom in Calculator.cpp).
    void StartFrom(double start);
    void cmdKeypad_Click(std::int16_t& Index);  // the FIX step may write 8 back into Index
    void cmdFix_Click();
    void cmdCLR_Click();
    void cmdAC_Click();
    void cmdDone_Click();
    void cmdCancel_Click();
    void cmdTmp_Click();
    void cmdAbout_Click();
    void Timer1_Timer();
    void Form_KeyDown(std::int16_t& KeyCode, std::int16_t Shift);
    void Form_KeyPress(std::int16_t& KeyAscii);

    // The clipboard, beside the keyboard map (Ctrl+C or Ctrl+Insert, Ctrl+V or Shift+Insert, and
    // the display's context menu). Copying puts the display's text as shown on the clipboard and
    // changes nothing else. Pasting types a number the keypad could have typed, digit by digit
    // and point by point through the keypad handler; anything else changes nothing and is
    // announced as "Nothing to paste".
    void CopyDisplay();
    void PasteClipboard();
    // Whether the clipboard holds something PasteClipboard would type (a menu greys Paste else).
    bool CanPaste() const;

  private:
    void ResetCalculator();
    void RefreshDisplay();
    void SplitAccumulator();
    void UnlockControls();
    void LockForError();
    // op is the operator key's, or for equals the pending one itself.
    void ApplyOperator(Operator op);

    void EnterDigit(std::int16_t digit);
    void EnterDoubleZero();
    void EnterPoint();
    void FixDecimals(std::int16_t& Index);
    bool RebuildAccumulator();
    void ShowError();

    ControlSurface& ui_;
    CalculationState s_;
    int decimals_ = -1;  // the decimals strDisplayFormat stands for, -1 while it is ""
    // Scratch texts, kept so that their capacity is reused from key to key.
    std::string text_;     // number text of dblAccumulator, and composed entries
    std::string display_;  // what RefreshDisplay shows when it is not strIntPart itself
};

}  // namespace zarnetcalc::calculator
