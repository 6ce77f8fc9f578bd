// SQL scanner (see SqlScanner.h).
#include "platform/dblib/SqlScanner.h"

#include "platform/dblib/Text.h"

namespace tnxdb {

namespace {

bool IsIdentStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' || c == '#' || c == '@' ||
           c >= 0x80;
}
bool IsIdentChar(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// End of a quoted run starting at i (the opening quote) closed by `close`, where a doubled
// closing character stands for one; the position after the closing quote, or n when unterminated.
size_t SkipQuoted(std::string_view s, size_t i, char close) {
    size_t j = i + 1;
    while (j < s.size()) {
        if (s[j] == close) {
            if (j + 1 < s.size() && s[j + 1] == close) {
                j += 2;
                continue;
            }
            return j + 1;
        }
        ++j;
    }
    return s.size();
}

} // namespace

ScannedSql ScanSql(std::string_view s) {
    ScannedSql out;
    out.EngineText.reserve(s.size());
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (IsBlank(static_cast<char>(c))) {
            out.EngineText += static_cast<char>(c);
            ++i;
            continue;
        }
        // Comments.
        if ((c == '-' && i + 1 < n && s[i + 1] == '-') || (c == '/' && i + 1 < n && s[i + 1] == '/')) {
            size_t e = s.find('\n', i);
            if (e == std::string_view::npos) e = n;
            out.EngineText += "--";
            out.EngineText.append(s.substr(i + 2, e - i - 2));
            i = e;
            continue;
        }
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            size_t e = s.find("*/", i + 2);
            e = (e == std::string_view::npos) ? n : e + 2;
            out.EngineText.append(s.substr(i, e - i));
            i = e;
            continue;
        }
        Token t{TokKind::Punct, i, i + 1, -1};
        if (c == '\'') {
            t = {TokKind::String, i, SkipQuoted(s, i, '\''), -1};
        } else if (c == '"') {
            t = {TokKind::QuotedIdent, i, SkipQuoted(s, i, '"'), -1};
        } else if (c == '`') {
            t = {TokKind::QuotedIdent, i, SkipQuoted(s, i, '`'), -1};
        } else if (c == '[') {
            t = {TokKind::QuotedIdent, i, SkipQuoted(s, i, ']'), -1};
        } else if (c == '?') {
            t = {TokKind::Marker, i, i + 1, static_cast<int>(out.MarkerNames.size())};
            out.MarkerNames.emplace_back();
        } else if (c == ':' && i + 1 < n && s[i + 1] == ':') {
            // "::" is a cast (x::int), never the start of a marker.
            t = {TokKind::Punct, i, i + 2, -1};
        } else if (c == ':' && i + 1 < n && IsIdentStart(static_cast<unsigned char>(s[i + 1]))) {
            size_t e = i + 1;
            while (e < n && IsIdentChar(static_cast<unsigned char>(s[e]))) ++e;
            t = {TokKind::Marker, i, e, static_cast<int>(out.MarkerNames.size())};
            out.MarkerNames.emplace_back(s.substr(i + 1, e - i - 1));
        } else if (IsIdentStart(c)) {
            size_t e = i + 1;
            while (e < n && IsIdentChar(static_cast<unsigned char>(s[e]))) ++e;
            t = {TokKind::Word, i, e, -1};
        } else if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(static_cast<unsigned char>(s[i + 1])))) {
            size_t e = i;
            while (e < n && (IsDigit(static_cast<unsigned char>(s[e])) || s[e] == '.')) ++e;
            if (e < n && (s[e] == 'e' || s[e] == 'E')) {
                size_t f = e + 1;
                if (f < n && (s[f] == '+' || s[f] == '-')) ++f;
                if (f < n && IsDigit(static_cast<unsigned char>(s[f]))) {
                    e = f;
                    while (e < n && IsDigit(static_cast<unsigned char>(s[e]))) ++e;
                }
            }
            t = {TokKind::Number, i, e, -1};
        }
        out.EngineText.append(t.Kind == TokKind::Marker ? std::string_view("?") : s.substr(t.Begin, t.End - t.Begin));
        out.Tokens.push_back(t);
        i = t.End;
    }
    return out;
}

std::string TokenText(std::string_view sql, const Token& t) {
    std::string_view raw = sql.substr(t.Begin, t.End - t.Begin);
    if (t.Kind == TokKind::Marker) return std::string(raw.substr(raw[0] == ':' ? 1 : 0));
    if ((t.Kind != TokKind::String && t.Kind != TokKind::QuotedIdent) || raw.size() < 1) return std::string(raw);
    char open = raw[0];
    char close = open == '[' ? ']' : open;
    std::string out;
    size_t end = raw.size();
    if (end >= 2 && raw[end - 1] == close) --end; // an unterminated run has no closing quote
    for (size_t i = 1; i < end; ++i) {
        out += raw[i];
        if (raw[i] == close && i + 1 < end && raw[i + 1] == close) ++i;
    }
    return out;
}

bool IsKeyword(std::string_view sql, const Token& t, std::string_view keyword) {
    return t.Kind == TokKind::Word && IEquals(sql.substr(t.Begin, t.End - t.Begin), keyword);
}

} // namespace tnxdb
