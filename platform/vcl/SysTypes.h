// The framework's basic value types: single-byte text, the date-time value and fixed-point
// currency. They are plain values (no allocation beyond what std::string does for text), so that
// Variant can hold them inline.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace vcl {

// Single-byte text. The character set is Windows-1252 ("ANSI"); code page 850 ("OEM") text is
// produced only by explicit conversion. Positions the framework counts are 1-based.
using AnsiString = std::string;

// Date and time as one double: the integral part counts days since 1899-12-30 (day 0), the
// fraction is the time of day. Before day 0 the integral part is still the day and the fraction's
// absolute value the time, so -1.25 is 1899-12-29 06:00 (not 1899-12-28 18:00).
//
// It is a distinct type (not a bare double) so that a Variant built from it gets the date-time
// type code; it converts implicitly to and from double, so arithmetic works as on a double.
struct TDateTime {
    double Value = 0.0;

    constexpr TDateTime() = default;
    constexpr TDateTime(double v) : Value(v) {}
    constexpr operator double() const { return Value; }

    constexpr TDateTime& operator+=(double d) {
        Value += d;
        return *this;
    }
    constexpr TDateTime& operator-=(double d) {
        Value -= d;
        return *this;
    }
};

// Fixed-point money with four decimals, held as the value times 10,000 in a 64-bit integer, so
// sums of currency amounts are exact. Conversions from double round to the nearest 1/10,000
// (ties to even) and raise EConvertError when the value does not fit.
struct Currency {
    std::int64_t Scaled = 0; // value x 10,000

    static constexpr std::int64_t Scale = 10000;

    constexpr Currency() = default;
    static constexpr Currency FromScaled(std::int64_t scaled) {
        Currency c;
        c.Scaled = scaled;
        return c;
    }
    static Currency FromDouble(double value);
    double ToDouble() const { return static_cast<double>(Scaled) / Scale; }

    friend constexpr bool operator==(Currency, Currency) = default;
    friend constexpr auto operator<=>(Currency, Currency) = default;
};

} // namespace vcl
