// Floating point to text, shared by Format and FloatToStr. Internal to the framework library.
//
// A double is first turned into its 18 significant decimal digits (exactly rounded, without any
// dependence on the C locale), and then rounded half away from zero to the digits the output
// keeps. Rounding the decimal expansion, not the binary value, makes 0.125 print as "0.13" with
// two decimals while 2.675 (binary 2.67499999...) prints as "2.67".
#pragma once

#include "platform/vcl/SysTypes.h"

namespace vcl::detail {

// value = 0.Digits x 10^Exponent; Digits holds no trailing zeros and is empty for zero.
struct FloatDigits {
    bool Negative = false;
    bool NaN = false;
    bool Infinite = false;
    int Exponent = 0;
    AnsiString Digits;
};

FloatDigits ToDigits(double value);
// Keeps the first 'keep' digits, rounding half away from zero; keep <= 0 may round to zero or
// to a single 1 one place higher.
void RoundDigits(FloatDigits& d, int keep);

// Shortest of fixed and scientific, 'precision' significant digits (1 .. 18); scientific when
// the value needs more than 'precision' digits before the point or is below 0.00001. The
// exponent has no '+' and no leading zeros ("1.5E20", "1E-7").
AnsiString FormatGeneral(double value, int precision, char decimalSeparator);
// "-ddd.ddd" with 'decimals' decimals (0 .. 18); thousandSeparator 0 for none. Values with more
// than 18 digits before the point fall back to scientific with 15 digits.
AnsiString FormatFixed(double value, int decimals, char decimalSeparator, char thousandSeparator);
// "-d.dddE+ddd": 'precision' significant digits (1 .. 18), exponent with a sign and at least
// 'minExponentDigits' digits.
AnsiString FormatExponent(double value, int precision, int minExponentDigits, char decimalSeparator);

} // namespace vcl::detail
