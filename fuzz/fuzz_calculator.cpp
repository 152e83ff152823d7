// Feeds arbitrary byte strings to the calculator logic as key presses, button clicks, FIX digits
// and keyboard codes, and checks the display, the entry texts, the enabled controls and the way
// the dialog ends after every step.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FakeControls.h"
#include "calculator/Calculator.h"
#include "calculator/NumberText.h"

namespace {

using zarnetcalc::calculator::Calculator;
using Surface = zarnetcalc::calculator::test::FakeControls;

constexpr std::size_t kControlCount = Surface::kCount;
constexpr std::size_t kAC = Surface::kAC, kDone = Surface::kDone, kCancel = Surface::kCancel,
                      kTmp = Surface::kTmp, kTimer = Surface::kTimer1;

[[noreturn]] void Fail(const char* what, const Surface& ui) {
    std::fprintf(stderr, "invariant broken: %s (display \"%s\")\n", what, ui.display.c_str());
    std::abort();
}

bool IsDigits(std::string_view s) {
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// Digits, with an exponent tail ("E+20", "E-05") only where a result's text was split.
bool IsEntryText(std::string_view s) {
    auto e = s.find('E');
    if (e == std::string_view::npos)
        return IsDigits(s);
    auto tail = s.substr(e + 1);
    return IsDigits(s.substr(0, e)) && tail.size() >= 2 && (tail[0] == '+' || tail[0] == '-') &&
           IsDigits(tail.substr(1));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A number text the dialog shows: an optional leading "-", digits, at most one point, and an
// exponent ("E", a sign, digits) only once a result was written in exponent form (its split text
// may stay on in the fraction digits, which the dialog keeps while decimal mode is off).
bool IsDisplayNumber(std::string_view d, bool exponentResultSeen) {
    if (!d.empty() && d.front() == '-')
        d.remove_prefix(1);
    if (d.empty() || !IsDigit(d.front()))
        return false;
    int points = 0;
    bool exponent = false;
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (IsDigit(d[i]))
            continue;
        if (d[i] == '.' && ++points == 1)
            continue;
        if (d[i] == 'E' && !exponent && IsDigit(d[i - 1]) && i + 2 < d.size() &&
            (d[i + 1] == '+' || d[i + 1] == '-') && IsDigit(d[i + 2])) {
            exponent = true;
            ++i;
            continue;
        }
        return false;
    }
    return !exponent || exponentResultSeen;
}

void Check(const Calculator& calc, const Surface& ui, bool errorLocked, bool& exponentResultSeen) {
    const auto& s = calc.State();
    const std::string& d = ui.display;
    if (d.empty())
        Fail("empty display", ui);
    if (zarnetcalc::calculator::NumberToText(s.dblAccumulator).find('E') != std::string::npos)
        exponentResultSeen = true;
    if (d != "Error" && !IsDisplayNumber(d, exponentResultSeen))
        Fail("display is neither Error nor a number text", ui);
    for (std::string_view bad : {"inf", "nan", "INF", "NAN"}) {
        if (d.find(bad) != std::string::npos)
            Fail("non-finite number shown", ui);
    }
    // A negative fraction shown by its integer digits reads "-0"; anything else never does.
    if (d == "-0" && !(s.dblAccumulator < 0 && s.dblAccumulator > -1))
        Fail("-0 shown", ui);

    std::string_view intPart = s.strIntPart;
    if (!intPart.empty() && intPart.front() == '-')
        intPart.remove_prefix(1);
    if (!IsEntryText(intPart))
        Fail("integer entry text", ui);
    if (!IsEntryText(s.strFracPart))
        Fail("fraction entry text", ui);

    for (std::size_t i = 0; i < kControlCount; ++i) {
        bool alwaysOn = i == kAC || i == kDone || i == kCancel || i == kTmp;
        bool expected = i == kTimer ? false : (!errorLocked || alwaysOn);
        if (ui.enabled[i] != expected)
            Fail("enabled state of a control", ui);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Surface ui;
    Calculator calc(ui);
    calc.Form_Load();
    bool errorLocked = false;
    bool exponentResultSeen = false;

    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = data[i];
        const std::uint8_t next = i + 1 < size ? data[i + 1] : 0;
        const int hidden = ui.hideCount;
        const std::string tag = ui.tag;
        switch (b % 32) {
            case 20:
                calc.cmdFix_Click();
                break;
            case 21:
                calc.cmdCLR_Click();
                break;
            case 22:
                calc.cmdAC_Click();
                break;
            case 23:
                calc.cmdDone_Click();
                break;
            case 24:
                calc.cmdCancel_Click();
                break;
            case 25:
                calc.cmdTmp_Click();
                break;
            case 26:
                calc.Timer1_Timer();
                break;
            case 27:
                calc.cmdAbout_Click();
                break;
            case 28: {  // a key-down code
                std::int16_t code = next;
                calc.Form_KeyDown(code, static_cast<std::int16_t>(b >> 5));
                ++i;
                break;
            }
            case 29: {  // a character
                std::int16_t ascii = next;
                calc.Form_KeyPress(ascii);
                ++i;
                break;
            }
            case 30: {  // any keypad index, valid or not
                std::int16_t index = static_cast<std::int16_t>(next - 64);
                calc.cmdKeypad_Click(index);
                ++i;
                break;
            }
            case 31: {  // FIX and a digit in one go, the digit index checked against its limit
                calc.cmdFix_Click();
                std::int16_t n = next % 10;
                calc.cmdKeypad_Click(n);
                if (n > 8)
                    Fail("FIX digit not limited to 8", ui);
                ++i;
                break;
            }
            default: {  // keypad 0 to 19
                std::int16_t index = static_cast<std::int16_t>(b % 32);
                calc.cmdKeypad_Click(index);
                break;
            }
        }
        // Close and F2 end the dialog as "OK", Esc (the cancel button) as "Cancelled"; nothing else
        // ends it, and only AC clears the tag.
        const bool close = b % 32 == 23 || (b % 32 == 28 && next == 113);
        const char* endTag = close ? "OK" : b % 32 == 24 ? "Cancelled" : nullptr;
        if (ui.hideCount != hidden + (endTag ? 1 : 0))
            Fail("the dialog was hidden, or not, against the key", ui);
        if (endTag ? ui.tag != endTag : ui.tag != tag && !(b % 32 == 22 && ui.tag.empty()))
            Fail("the dialog's tag", ui);
        if (ui.display == "Error")
            errorLocked = true;
        if (b % 32 == 22)
            errorLocked = ui.display == "Error";
        Check(calc, ui, errorLocked, exponentResultSeen);
    }
    return 0;
}
