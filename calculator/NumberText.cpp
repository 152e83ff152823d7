// Number text of the calculator on std::to_chars / std::from_chars, which never look at the
// locale. The one decimal step done by hand is Format's rounding of a 15-digit text.
#include "NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace zarnetcalc::calculator {

namespace {

constexpr int kSignificantDigits = 15;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value as its 15 significant digits and decimal exponent: value = 0.d1d2...d15 * 10^(exponent
// + 1), d1 non-zero unless the value is zero.
struct DecimalDigits {
    bool negative = false;
    char digits[kSignificantDigits + 1] = {};  // one spare for a carry out of the first digit
    int exponent = 0;
};

DecimalDigits ToDecimalDigits(double value) {
    // Scientific form with 14 decimals: [-]d.dddddddddddddde(+|-)XX[X]
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                   kSignificantDigits - 1);
    DecimalDigits d;
    const char* p = buf;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    d.digits[0] = p[0];
    std::memcpy(d.digits + 1, p + 2, kSignificantDigits - 1);
    const char* e = p + 1 + kSignificantDigits;  // at the 'e'
    std::from_chars(e + 2, res.ptr, d.exponent);
    if (e[1] == '-') {
        d.exponent = -d.exponent;
    }
    return d;
}

}  // namespace

void NumberToText(double value, std::string& out) {
    if (!std::isfinite(value)) {
        out.assign("Error");
        return;
    }
    if (value == 0) {  // both zeros: no "-0"
        out.assign(1, '0');
        return;
    }
    char buf[32];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, kSignificantDigits);
    std::replace(buf, res.ptr, 'e', 'E');
    out.assign(buf, res.ptr);
}

std::string NumberToText(double value) {
    std::string out;
    NumberToText(value, out);
    return out;
}

TextNumber ParseNumberText(std::string_view text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    const auto skipDigits = [&] {
        const std::size_t start = i;
        while (i < n && IsDigit(text[i])) {
            ++i;
        }
        return i > start;
    };

    if (i < n && text[i] == '-') {
        ++i;
    }
    if (!skipDigits()) {
        return {};
    }
    bool point = false;
    if (i < n && text[i] == '.') {
        point = true;
        ++i;
        skipDigits();
    }
    std::size_t end = n;  // what from_chars reads: all but a point after an exponent
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        if (!skipDigits()) {
            return {};
        }
        if (!point && i + 1 == n && text[i] == '.') {
            end = i++;
        }
    }
    if (i != n) {
        return {};
    }

    TextNumber result;
    const auto res = std::from_chars(text.data(), text.data() + end, result.value);
    if (res.ec == std::errc::result_out_of_range) {
        return {TextNumberStatus::outOfRange, 0};
    }
    if (res.ec != std::errc() || res.ptr != text.data() + end) {
        return {};
    }
    result.status = TextNumberStatus::ok;
    return result;
}

std::optional<double> TextToNumber(std::string_view text) {
    const TextNumber t = ParseNumberText(text);
    if (t.status != TextNumberStatus::ok) {
        return std::nullopt;
    }
    return t.value;
}

std::optional<int> FormatDecimals(std::string_view format) {
    if (format == "0") {
        return 0;
    }
    if (format.size() < 3 || format.substr(0, 2) != "0.") {
        return std::nullopt;
    }
    const std::string_view zeros = format.substr(2);
    if (zeros.find_first_not_of('0') != std::string_view::npos) {
        return std::nullopt;
    }
    return static_cast<int>(zeros.size());
}

void FormatFixed(double value, int decimals, std::string& out) {
    if (!std::isfinite(value)) {
        out.assign("Error");
        return;
    }
    decimals = std::max(decimals, 0);
    DecimalDigits d = ToDecimalDigits(value);

    // Digit position p of d.digits has the place value 10^(intDigits - 1 - p).
    int intDigits = d.exponent + 1;
    const int keep = intDigits + decimals;  // digits that stay before the rounding position
    int len = kSignificantDigits;
    if (keep < 0) {
        len = 0;  // below half a unit of the last decimal
    } else if (keep < kSignificantDigits) {
        len = keep;
        if (d.digits[keep] >= '5') {  // a decimal text: 5 and more is half or more, away from 0
            int i = len - 1;
            while (i >= 0 && d.digits[i] == '9') {
                d.digits[i--] = '0';
            }
            if (i >= 0) {
                ++d.digits[i];
            } else {
                std::memmove(d.digits + 1, d.digits, static_cast<std::size_t>(len));
                d.digits[0] = '1';
                ++len;
                ++intDigits;
            }
        }
    }
    const auto digitAt = [&](int p) { return p >= 0 && p < len ? d.digits[p] : '0'; };
    const bool nonZero = std::any_of(d.digits, d.digits + len, [](char c) { return c != '0'; });

    out.clear();
    out.reserve(static_cast<std::size_t>(std::max(intDigits, 1) + decimals + 2));
    if (d.negative && nonZero) {
        out.push_back('-');
    }
    if (intDigits <= 0) {
        out.push_back('0');
    }
    for (int p = 0; p < intDigits; ++p) {
        out.push_back(digitAt(p));
    }
    if (decimals > 0) {
        out.push_back('.');
        for (int j = 0; j < decimals; ++j) {
            out.push_back(digitAt(intDigits + j));
        }
    }
}

std::string Format(double value, std::string_view format) {
    const std::optional<int> decimals = FormatDecimals(format);
    std::string out;
    if (decimals) {
        FormatFixed(value, *decimals, out);
    } else {
        NumberToText(value, out);
    }
    return out;
}

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    const double whole = std::trunc(value);
    const double fraction = value - whole;  // exact for doubles
    if (std::fabs(fraction) != 0.5) {
        return std::round(value);
    }
    // A half: the even one of whole and its neighbour away from zero.
    return std::fmod(whole, 2.0) == 0 ? whole : whole + (value < 0 ? -1.0 : 1.0);
}

}  // namespace zarnetcalc::calculator
