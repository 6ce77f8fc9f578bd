// Small text helpers shared by the command and connection-string parsers.
#pragma once

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

} // namespace tnxsql
