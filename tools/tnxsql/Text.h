// Small text helpers shared by the command, parameter, option and connection-string parsers.
// Letter case is folded for ASCII only: command words, keys and type names are ASCII, and a
// byte of another code page must never compare equal to a different one.
#pragma once

#include <string>
#include <string_view>

namespace tnxsql {

// Blanks between words: space, tab, carriage return, line feed.
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The text without leading and trailing blanks.
inline std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// c in lower case when it is an ASCII capital, else c.
constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// c in upper case when it is an ASCII small letter, else c.
constexpr char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text with its ASCII capitals in lower case.
inline std::string AsciiLowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

// Whether a and b are the same text but for the letter case of ASCII letters.
constexpr bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

} // namespace tnxsql
