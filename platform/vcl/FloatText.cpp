// Floating point to text (see FloatText.h).
#include "platform/vcl/FloatText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vcl::detail {

namespace {

AnsiString Special(const FloatDigits& d) {
    if (d.NaN) return "NAN";
    return d.Negative ? "-INF" : "INF";
}

void TrimZeros(FloatDigits& d) {
    while (!d.Digits.empty() && d.Digits.back() == '0')
        d.Digits.pop_back();
    if (d.Digits.empty()) {
        d.Exponent = 0;
        d.Negative = false; // no "-0"
    }
}

} // namespace

FloatDigits ToDigits(double value) {
    FloatDigits d;
    if (std::isnan(value)) {
        d.NaN = true;
        return d;
    }
    d.Negative = std::signbit(value);
    if (std::isinf(value)) {
        d.Infinite = true;
        return d;
    }
    if (value == 0) {
        d.Negative = false;
        return d;
    }
    char buf[64];
    // "d.ddddddddddddddddde+XX": 18 significant digits.
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
    const char* p = buf;
    d.Digits.reserve(18);
    for (; p != res.ptr && *p != 'e'; ++p)
        if (*p != '.') d.Digits.push_back(*p);
    int exp = 0;
    if (p != res.ptr) std::from_chars(p + (p[1] == '+' ? 2 : 1), res.ptr, exp);
    d.Exponent = exp + 1;
    TrimZeros(d);
    return d;
}

void RoundDigits(FloatDigits& d, int keep) {
    if (d.NaN || d.Infinite || keep >= static_cast<int>(d.Digits.size())) return;
    const bool up = keep >= 0 && d.Digits[static_cast<std::size_t>(keep)] >= '5';
    if (keep <= 0) {
        if (up) {
            d.Digits = "1";
            d.Exponent += 1;
        } else {
            d.Digits.clear();
        }
        TrimZeros(d);
        return;
    }
    d.Digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.Digits[static_cast<std::size_t>(i)] == '9')
            d.Digits[static_cast<std::size_t>(i--)] = '0';
        if (i < 0) {
            d.Digits = "1";
            d.Exponent += 1;
        } else {
            ++d.Digits[static_cast<std::size_t>(i)];
        }
    }
    TrimZeros(d);
}

AnsiString FormatGeneral(double value, int precision, char sep) {
    precision = std::clamp(precision, 1, 18);
    FloatDigits d = ToDigits(value);
    if (d.NaN || d.Infinite) return Special(d);
    RoundDigits(d, precision);
    if (d.Digits.empty()) return "0";
    AnsiString r;
    if (d.Negative) r += '-';
    const int len = static_cast<int>(d.Digits.size());
    const int e = d.Exponent;
    if (e > precision || e < -4) {
        r += d.Digits[0];
        if (len > 1) {
            r += sep;
            r.append(d.Digits, 1);
        }
        r += 'E';
        if (e - 1 < 0) r += '-';
        r += std::to_string(std::abs(e - 1));
    } else if (e <= 0) {
        r += '0';
        r += sep;
        r.append(static_cast<std::size_t>(-e), '0');
        r += d.Digits;
    } else {
        r.append(d.Digits, 0, static_cast<std::size_t>(std::min(e, len)));
        if (len < e) r.append(static_cast<std::size_t>(e - len), '0');
        if (len > e) {
            r += sep;
            r.append(d.Digits, static_cast<std::size_t>(e));
        }
    }
    return r;
}

AnsiString FormatFixed(double value, int decimals, char sep, char thousandSep) {
    decimals = std::clamp(decimals, 0, 18);
    FloatDigits d = ToDigits(value);
    if (d.NaN || d.Infinite) return Special(d);
    if (d.Exponent > 18) return FormatExponent(value, 15, 3, sep);
    RoundDigits(d, d.Exponent + decimals);
    const int len = static_cast<int>(d.Digits.size());
    const int e = d.Exponent;
    auto digitAt = [&](int pos) {
        return pos >= 0 && pos < len ? d.Digits[static_cast<std::size_t>(pos)] : '0';
    };
    AnsiString intPart;
    if (e <= 0) {
        intPart = "0";
    } else {
        for (int i = 0; i < e; ++i)
            intPart += digitAt(i);
    }
    AnsiString r;
    if (d.Negative) r += '-';
    if (thousandSep != 0 && intPart.size() > 3) {
        const std::size_t lead = intPart.size() % 3 == 0 ? 3 : intPart.size() % 3;
        r.append(intPart, 0, lead);
        for (std::size_t i = lead; i < intPart.size(); i += 3) {
            r += thousandSep;
            r.append(intPart, i, 3);
        }
    } else {
        r += intPart;
    }
    if (decimals > 0) {
        r += sep;
        for (int k = 0; k < decimals; ++k)
            r += digitAt(e + k);
    }
    return r;
}

AnsiString FormatExponent(double value, int precision, int minExponentDigits, char sep) {
    precision = std::clamp(precision, 1, 18);
    FloatDigits d = ToDigits(value);
    if (d.NaN || d.Infinite) return Special(d);
    RoundDigits(d, precision);
    AnsiString r;
    if (d.Negative) r += '-';
    const bool zero = d.Digits.empty();
    const int len = static_cast<int>(d.Digits.size());
    r += zero ? '0' : d.Digits[0];
    if (precision > 1) {
        r += sep;
        for (int k = 1; k < precision; ++k)
            r += k < len ? d.Digits[static_cast<std::size_t>(k)] : '0';
    }
    const int e = zero ? 0 : d.Exponent - 1;
    r += 'E';
    r += e < 0 ? '-' : '+';
    AnsiString digits = std::to_string(std::abs(e));
    if (static_cast<int>(digits.size()) < minExponentDigits)
        r.append(static_cast<std::size_t>(minExponentDigits) - digits.size(), '0');
    r += digits;
    return r;
}

} // namespace vcl::detail
