// Number text of the calculator: number to text, text to number, fixed-decimals Format and integer
// rounding, the same whatever the user's locale. What the texts mean to the dialog is Calculator's.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarnetcalc::calculator {

// Number to text: the shortest form with up to 15 significant digits, "." as separator, a leading
// "-" for negatives, no thousands separators. Magnitudes from 1E-04 up to, not including, 1E+15
// (after rounding to 15 digits) are written plainly (0.0001, 123456789012345); others in exponent
// form with a sign and at least two exponent digits (1E-05, 1E+15, 1.5E+20, 1E+100).
// Negative zero gives "0". A value that is not finite gives "Error": no caller should pass one.
std::string NumberToText(double value);
void NumberToText(double value, std::string& out);  // writes into out, reusing its capacity

// How a text reads as a number.
enum class TextNumberStatus {
    ok,          // a number: value holds it
    malformed,   // not one of the accepted forms ("", "Error", "+1", " 1", "inf", "1..2", ...)
    outOfRange,  // well formed but too large or too small for a double (1E+400, 400 digits)
};

struct TextNumber {
    TextNumberStatus status = TextNumberStatus::malformed;
    double value = 0;
};

// Text to number. Accepted: an optional "-", at least one digit, optionally a point with any
// number of digits ("3." and "3.25"), optionally an exponent "E" or "e" with an optional sign and
// digits. A whole number in exponent form may carry a trailing point ("1E+16."), because the
// dialog writes a whole result in decimal mode as its text followed by a point.
TextNumber ParseNumberText(std::string_view text);
std::optional<double> TextToNumber(std::string_view text);

// The number of decimals of a fixed-decimals pattern: "0" gives 0, "0." and n zeros gives n.
// Any other pattern gives nothing.
std::optional<int> FormatDecimals(std::string_view format);

// Format(value, "0." and n zeros): at least one integer digit, exactly n decimals rounded half
// away from zero, a leading "-" for negatives, no separators. The rounding is done on the
// value's 15-significant-digit text, the value as the user reads it: 1.005 with two decimals
// gives 1.01 although the double nearest 1.005 lies below it. A result that rounds to zero has no
// "-". Digits beyond the 15th significant one are zeros. An empty or unknown pattern gives the
// plain number text. A value that is not finite gives "Error".
std::string Format(double value, std::string_view format);
void FormatFixed(double value, int decimals, std::string& out);  // writes into out

// Rounds to an integer with halves to the even neighbour (12.5 -> 12, 13.5 -> 14, -2.5 -> -2),
// whatever the magnitude and the floating-point rounding mode. Non-finite values pass through.
double RoundHalfEven(double value);

}  // namespace zarnetcalc::calculator
