// The calculator dialog's logic: number entry, display, the immediate-execution arithmetic with its
// error lockout, the keyboard map and the command buttons. Widgets and key translation are forms/'.
#include "Calculator.h"

#include <algorithm>
#include <cmath>

#include "KeyCodes.h"
#include "NumberText.h"

namespace zarnetcalc::calculator {

namespace {

constexpr std::size_t kEntryCapacity = 64;  // typical entries never grow past it
constexpr std::int16_t kMaxDecimals = 8;

// What applying an operator does to the running result A with the number B from the display:
// the plain form, and the percentage form "%" gives it (evaluated left to right as written,
// A / 100 first). Division has both forms refuse B = 0.
struct OperatorRule {
    double (*plain)(double a, double b);
    double (*percent)(double a, double b);
    bool divides;
};

constexpr OperatorRule RuleFor(Operator pending) {
    switch (pending) {
        case Operator::Multiply:  // "200 * 10 %" gives 20
            return {[](double a, double b) { return b * a; },
                    [](double a, double b) { return a / 100 * b; }, false};
        case Operator::Divide:  // "200 / 10 %" gives 2000
            return {[](double a, double b) { return a / b; },
                    [](double a, double b) { return 100 / b * a; }, true};
        case Operator::Add:  // "200 + 10 %" gives 220
            return {[](double a, double b) { return b + a; },
                    [](double a, double b) { return a / 100 * b + a; }, false};
        case Operator::Subtract:  // "200 - 10 %" gives 180
            return {[](double a, double b) { return a - b; },
                    [](double a, double b) { return a - a / 100 * b; }, false};
        case Operator::None:
        case Operator::Percent:
            break;
    }
    // Nothing pending (or "%"): the display becomes the running result.
    return {[](double, double b) { return b; }, [](double, double b) { return b; }, false};
}

}  // namespace

std::string_view OperatorText(Operator op) {
    switch (op) {
        case Operator::None:
            return "";
        case Operator::Multiply:
            return "*";
        case Operator::Divide:
            return "/";
        case Operator::Add:
            return "+";
        case Operator::Subtract:
            return "-";
        case Operator::Percent:
            return "%";
    }
    return "";
}

// ---------------------------------------------------------------------------------------------
// Event handlers

void Calculator::Form_Load() {
    ResetCalculator();
}

// The running result is start, nothing is pending and the next digit starts a new entry, as
// right after "="; the display shows start in the general number form ("12.5", "-3", "1E+16").
// A start with a fractional part turns decimal mode on, as the point key does, so that no digit
// of it, or of a result computed from it, is hidden: "12.5 + 1 =" shows 13.5, "12.5 FIX 2"
// shows 12.50, "-3 * 2 =" shows -6.
void Calculator::StartFrom(double start) {
    s_.dblAccumulator = start == 0 ? 0.0 : start;  // never a negative zero
    s_.strPendingOp = Operator::None;
    s_.blnNewEntry = true;
    s_.blnDecimalMode = start != std::trunc(start);
    s_.strIntPart.clear();
    s_.strFracPart.clear();
    s_.blnInIntPart = true;
    s_.blnPointPending = false;
    NumberToText(s_.dblAccumulator, text_);
    ui_.SetDisplayText(text_);
}

void Calculator::cmdKeypad_Click(std::int16_t& Index) {
    if (Index >= 0 && Index <= 9) {
        if (s_.blnFixPending) {
            FixDecimals(Index);  // leaves the focus where it was
            return;
        }
        EnterDigit(Index);
    } else {
        switch (Index) {
            case key::k00:
                EnterDoubleZero();
                break;
            case key::kPoint:
                EnterPoint();
                break;
            case key::kMultiply:
                ApplyOperator(Operator::Multiply);
                break;
            case key::kDivide:
                ApplyOperator(Operator::Divide);
                break;
            case key::kSubtract:
                ApplyOperator(Operator::Subtract);
                break;
            case key::kAdd:
                ApplyOperator(Operator::Add);
                break;
            case key::kPercent:
                ApplyOperator(Operator::Percent);
                break;
            case key::kEquals:  // repeats the pending operator, which stays pending
                ApplyOperator(s_.strPendingOp);
                break;
            case key::kOpenParen:
            case key::kCloseParen:
                break;  // keys without a function: only the focus moves
            default:
                return;  // not a key at all
        }
    }
    // Back to the hidden equals button, so that Enter means "=".
    ui_.FocusTmp();
}

void Calculator::cmdFix_Click() {
    ui_.SetIndicatorText("FIX");
    s_.blnFixPending = true;
    ui_.FocusTmp();
}

// Clear entry: discards only the number being typed, not the running result, the pending
// operator or whether digits go to the integer or the fraction digits.
void Calculator::cmdCLR_Click() {
    ui_.SetDisplayText("0.00");
    s_.strIntPart.clear();
    s_.strFracPart.clear();
    ui_.FocusTmp();
}

void Calculator::cmdAC_Click() {
    ResetCalculator();
    ui_.FocusTmp();
}

void Calculator::cmdDone_Click() {
    ui_.SetTag("OK");
    ui_.HideDialog();
}

void Calculator::cmdCancel_Click() {
    ui_.SetTag("Cancelled");
    ui_.HideDialog();
}

void Calculator::cmdTmp_Click() {
    std::int16_t index = key::kEquals;
    cmdKeypad_Click(index);
}

// Back to the hidden equals button once the About box has closed, as after every other button:
// Enter means "=" again, and a screen reader hears the figure, not "About".
void Calculator::cmdAbout_Click() {
    ui_.ShowAboutBox();
    ui_.FocusTmp();
}

void Calculator::Timer1_Timer() {
    ui_.SetEnabled(NamedControl::Timer1, false);
    ui_.FocusTmp();
}

// Windows virtual-key codes. Shift is not looked at for the keys of the table: the key
// translation delivers a main-keyboard digit code only for a key that types that digit. The
// clipboard keys, which no key of the table is, are told apart by it.
void Calculator::Form_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) {
    const std::int16_t code = KeyCode;
    const std::int16_t modifiers = Shift & (kShiftMask | kCtrlMask | kAltMask);
    if ((modifiers == kCtrlMask && (code == vk::kC || code == vk::kInsert))) {
        CopyDisplay();
        return;
    }
    if ((modifiers == kCtrlMask && code == vk::kV) ||
        (modifiers == kShiftMask && code == vk::kInsert)) {
        PasteClipboard();
        return;
    }
    std::int16_t index;
    if (code >= vk::kDigit0 && code <= vk::kDigit0 + 9) {  // main keyboard 0 to 9
        index = static_cast<std::int16_t>(code - vk::kDigit0);
    } else if (code >= vk::kNumpad0 && code <= vk::kNumpad0 + 9) {  // numeric keypad 0 to 9
        index = static_cast<std::int16_t>(code - vk::kNumpad0);
    } else if (code == vk::kAdd) {
        index = key::kAdd;
    } else if (code == vk::kSubtract) {
        index = key::kSubtract;
    } else if (code == vk::kMultiply) {
        index = key::kMultiply;
    } else if (code == vk::kDivide) {
        index = key::kDivide;
    } else if (code == vk::kDecimal) {
        index = key::kPoint;
    } else if (code == vk::kF2) {
        cmdDone_Click();
        return;
    } else {
        return;
    }
    cmdKeypad_Click(index);
}

// Character codes. A numeric-keypad operator or point also arrives here after Form_KeyDown; the
// second call is harmless (an operator after an operator only sets the same one pending).
void Calculator::Form_KeyPress(std::int16_t& KeyAscii) {
    std::int16_t index;
    switch (KeyAscii) {
        case 37:  // %
            index = key::kPercent;
            break;
        case 40:  // (
            index = key::kOpenParen;
            break;
        case 41:  // )
            index = key::kCloseParen;
            break;
        case 42:  // *
            index = key::kMultiply;
            break;
        case 43:  // +
            index = key::kAdd;
            break;
        case 45:  // -
            index = key::kSubtract;
            break;
        case 46:  // .
            index = key::kPoint;
            break;
        case 47:  // /
            index = key::kDivide;
            break;
        default:
            return;
    }
    cmdKeypad_Click(index);
}

// ---------------------------------------------------------------------------------------------
// The clipboard

std::string_view TrimmedText(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool IsPastable(std::string_view text) {
    if (text.empty() || text.size() > kMaxPaste ||
        text.find_first_not_of("0123456789.") != std::string_view::npos) {
        return false;
    }
    const auto points = std::count(text.begin(), text.end(), '.');
    return points <= 1 && text.size() > std::size_t(points);
}

bool Calculator::CanPaste() const {
    return IsPastable(TrimmedText(ui_.ClipboardText().value_or("")));
}

void Calculator::CopyDisplay() {
    ui_.SetClipboardText(ui_.DisplayText());
}

// As the keys would: each digit and the point through the keypad handler, so every rule of
// entry, FIX and the error state applies, and the focus ends where typing leaves it.
void Calculator::PasteClipboard() {
    const std::optional<std::string> clipboard = ui_.ClipboardText();
    const std::string number(TrimmedText(clipboard.value_or("")));
    if (!IsPastable(number)) {
        ui_.Announce("Nothing to paste");
        return;
    }
    for (const char c : number) {
        std::int16_t Index = c == '.' ? key::kPoint : static_cast<std::int16_t>(c - '0');
        cmdKeypad_Click(Index);
    }
}

// ---------------------------------------------------------------------------------------------
// State, entry and display

void Calculator::ResetCalculator() {
    ui_.SetDisplayText("0");
    ui_.SetIndicatorText("");

    s_.dblAccumulator = 0;
    s_.dblOperand = 0;
    s_.strPendingOp = Operator::None;
    s_.blnNewEntry = false;
    s_.blnFixPending = false;
    s_.strDisplayFormat.clear();
    decimals_ = -1;
    s_.blnInIntPart = true;
    s_.strIntPart.clear();
    s_.strFracPart.clear();
    s_.blnPointPending = false;
    // blnDecimalMode survives: only FIX 0 turns decimal mode off.

    s_.strIntPart.reserve(kEntryCapacity);
    s_.strFracPart.reserve(kEntryCapacity);
    text_.reserve(kEntryCapacity);
    display_.reserve(kEntryCapacity);

    ui_.SetTag("");
    UnlockControls();
}

// Digits after an operator start a new number: "0." and the digit when the point came first
// ("2 + . 5" enters 0.5), else the digit alone as the integer part.
void Calculator::EnterDigit(std::int16_t digit) {
    const char c = static_cast<char>('0' + digit);
    if (s_.blnNewEntry) {
        if (s_.blnPointPending) {
            s_.strIntPart.assign(1, '0');
            s_.blnInIntPart = false;
            s_.strFracPart.assign(1, c);
        } else {
            s_.strIntPart.assign(1, c);
            s_.blnInIntPart = true;
        }
        RefreshDisplay();
        s_.blnNewEntry = false;
    } else if (s_.blnInIntPart) {
        s_.strIntPart.push_back(c);
        RefreshDisplay();
    } else {
        s_.strFracPart.push_back(c);
        RefreshDisplay();
        s_.blnPointPending = false;
    }
}

// "00" is appended as typed, leading zeros and all ("00" after reset shows 00).
void Calculator::EnterDoubleZero() {
    (s_.blnInIntPart ? s_.strIntPart : s_.strFracPart).append("00");
    RefreshDisplay();
    if (s_.blnNewEntry) {
        s_.blnNewEntry = false;
    }
}

// A second point repeats the same assignments and so changes nothing.
void Calculator::EnterPoint() {
    s_.blnInIntPart = false;
    s_.blnDecimalMode = true;
    s_.blnPointPending = true;
    RefreshDisplay();
}

void Calculator::RefreshDisplay() {
    if (s_.strIntPart.empty()) {
        s_.strIntPart.assign(1, '0');
    }
    if (decimals_ >= 0) {
        text_.assign(s_.strIntPart);
        if (s_.blnDecimalMode) {
            text_.push_back('.');
            text_.append(s_.strFracPart);
        }
        const TextNumber entry = ParseNumberText(text_);
        if (entry.status != TextNumberStatus::ok) {
            ShowError();  // an entry too long for a double cannot be formatted
            return;
        }
        FormatFixed(entry.value, decimals_, display_);
        ui_.SetDisplayText(display_);
    } else if (!s_.blnDecimalMode) {
        ui_.SetDisplayText(s_.strIntPart);  // as typed: keys 0, 0, 7 show 007
    } else {
        display_.assign(s_.strIntPart);
        display_.push_back('.');
        display_.append(s_.strFracPart);
        ui_.SetDisplayText(display_);
    }
}

// Splits the running result's text at its first point, whatever follows: -2.5 gives "-2" and "5",
// 1.5E+20 gives "1" and "5E+20". Without decimal mode the fraction text is left alone.
void Calculator::SplitAccumulator() {
    NumberToText(s_.dblAccumulator, text_);
    const std::size_t p = text_.find('.');
    if (p != std::string::npos) {
        s_.strIntPart.assign(text_, 0, p);
    } else {
        s_.strIntPart.assign(text_);
    }
    if (s_.blnDecimalMode) {
        if (p != std::string::npos) {
            s_.strFracPart.assign(text_, p + 1);
        } else {
            s_.strFracPart.clear();
        }
    }
}

// FIX then n. A running result of 0 is first replaced by the number being entered; any other
// running result is shown instead of the entry ("5 + 3 = 7 FIX 2" shows 8.00).
void Calculator::FixDecimals(std::int16_t& Index) {
    if (Index > kMaxDecimals) {
        Index = kMaxDecimals;  // also in the caller's variable
    }
    if (s_.dblAccumulator == 0 && !RebuildAccumulator()) {
        ShowError();
        return;
    }
    if (Index == 0) {
        s_.strDisplayFormat.clear();
        decimals_ = -1;
        ui_.SetIndicatorText("");
        // Rounded as the user reads it: a result shown as 11.5 gives 12 even when the double
        // behind it lies a little below 11.5.
        NumberToText(s_.dblAccumulator, text_);
        s_.dblAccumulator = RoundHalfEven(ParseNumberText(text_).value);
        s_.blnDecimalMode = false;
    } else {
        s_.strDisplayFormat.assign("0.");
        s_.strDisplayFormat.append(static_cast<std::size_t>(Index), '0');
        decimals_ = Index;
        // The indicator keeps the "FIX" that the FIX key put there.
    }
    SplitAccumulator();
    RefreshDisplay();
    s_.blnFixPending = false;
}

// dblAccumulator := the number being entered, an empty part counting as 0. False, with nothing
// changed, when the entry cannot be read as a double.
bool Calculator::RebuildAccumulator() {
    text_.assign(s_.strIntPart.empty() ? std::string_view("0") : std::string_view(s_.strIntPart));
    text_.push_back('.');  // "12." reads as 12
    text_.append(s_.strFracPart);
    const TextNumber entry = ParseNumberText(text_);
    if (entry.status != TextNumberStatus::ok) {
        return false;
    }
    s_.dblAccumulator = entry.value;
    return true;
}

void Calculator::UnlockControls() {
    const std::size_t count = ui_.ControlCount();
    for (std::size_t i = 0; i < count; ++i) {
        ui_.SetControlEnabled(i, true);
    }
    ui_.SetEnabled(NamedControl::Timer1, false);  // the focus timer never runs in normal use
}

// Every control but AC, Close and the two hidden buttons goes disabled. Those four are never
// disabled on the way: the focus resting on cmdTmp would leave it and come back, and a screen
// reader would announce "Error" a second time.
void Calculator::LockForError() {
    const std::size_t kept[] = {
        ui_.IndexOf(NamedControl::cmdAC), ui_.IndexOf(NamedControl::cmdDone),
        ui_.IndexOf(NamedControl::cmdCancel), ui_.IndexOf(NamedControl::cmdTmp)};
    const std::size_t count = ui_.ControlCount();
    for (std::size_t i = 0; i < count; ++i) {
        ui_.SetControlEnabled(i, std::find(std::begin(kept), std::end(kept), i) != std::end(kept));
    }
}

// The error state: "Error" on the display and only AC, Close and the two hidden buttons usable.
// The calculation state is left as it was; AC ends the state.
void Calculator::ShowError() {
    ui_.SetDisplayText("Error");
    LockForError();
}

// ---------------------------------------------------------------------------------------------
// Arithmetic

// An adding-machine chain without precedence: "5 + 3 * 2 =" shows 5, 8, 16. The pending operator
// picks the row; "%" as op gives the percentage form: "200 + 10 %" gives 220, "200 - 10 %" 180,
// "200 * 10 %" 20 and "200 / 10 %" 2000.
void Calculator::ApplyOperator(Operator op) {
    const std::string shown = ui_.DisplayText();
    TextNumber b{TextNumberStatus::ok, 0};
    if (!shown.empty()) {
        b = ParseNumberText(shown);
    }
    if (b.status == TextNumberStatus::malformed) {
        return;  // the display reads "Error" (or no number): nothing changes, the error stays
    }

    if (s_.blnNewEntry) {  // "+" then "*" only changes the pending operator
        s_.strPendingOp = op;
        return;
    }
    if (b.status == TextNumberStatus::outOfRange) {
        ShowError();  // a typed entry too long for a double
        return;
    }

    s_.dblOperand = b.value;
    const OperatorRule rule = RuleFor(s_.strPendingOp);
    if (rule.divides && s_.dblOperand == 0) {
        ShowError();
        return;
    }
    const auto form = op == Operator::Percent ? rule.percent : rule.plain;
    const double result = form(s_.dblAccumulator, s_.dblOperand);
    if (!std::isfinite(result)) {
        ShowError();  // overflow: the same error state as a division by zero
        return;
    }
    s_.dblAccumulator = result;

    SplitAccumulator();
    RefreshDisplay();
    s_.strPendingOp = op;  // for equals, the one that was pending
    // The display keeps the result until the next digit starts a new number.
    s_.strIntPart.clear();
    s_.strFracPart.clear();
    s_.blnInIntPart = true;
    s_.blnNewEntry = true;
    s_.blnPointPending = false;
}

}  // namespace zarnetcalc::calculator
