// Parameter values and markers. Marker scanning skips quoted text and comments with the same rules
// as the statement splitter, so a colon inside '10:30' or a comment is never taken for a marker.
#include "tools/tnxsql/Params.h"
#include "tools/tnxsql/Text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tnxsql {

namespace {

// Every type name a parameter may be given in; the first of each kind is the name it is listed
// under.
struct TypeName {
    std::string_view Name;
    CellKind Kind;
};
constexpr TypeName TypeNames[] = {
    {"text", CellKind::Text},       {"string", CellKind::Text},       {"int", CellKind::Integer},
    {"integer", CellKind::Integer}, {"float", CellKind::Float},       {"double", CellKind::Float},
    {"bool", CellKind::Boolean},    {"boolean", CellKind::Boolean},   {"date", CellKind::Date},
    {"time", CellKind::Time},       {"datetime", CellKind::DateTime}, {"timestamp", CellKind::DateTime},
    {"binary", CellKind::Binary},   {"hex", CellKind::Binary},        {"null", CellKind::Null},
};

[[noreturn]] void ParamTypeError(const std::string& name, std::string_view type) {
    throw ParamError("parameter " + name + ": unknown type '" + std::string(type) +
                     "' (text, int, float, bool, date, time, datetime, binary or null)");
}

bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

bool IsName(std::string_view s) {
    if (s.empty() || !IsNameStart(s[0])) return false;
    return std::all_of(s.begin(), s.end(), IsNameChar);
}

// Reads exactly `digits` decimal digits at `pos`.
bool ReadDigits(std::string_view s, size_t& pos, size_t digits, int& out) {
    if (pos + digits > s.size()) return false;
    int v = 0;
    for (size_t i = 0; i < digits; ++i) {
        char c = s[pos + i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    pos += digits;
    out = v;
    return true;
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

bool ParseDateAt(std::string_view s, size_t& pos, Timestamp& out) {
    int y, m, d;
    if (!ReadDigits(s, pos, 4, y) || pos >= s.size() || s[pos++] != '-') return false;
    if (!ReadDigits(s, pos, 2, m) || pos >= s.size() || s[pos++] != '-') return false;
    if (!ReadDigits(s, pos, 2, d)) return false;
    if (m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
    out.Year = y;
    out.Month = static_cast<uint8_t>(m);
    out.Day = static_cast<uint8_t>(d);
    return true;
}

bool ParseTimeAt(std::string_view s, size_t& pos, Timestamp& out) {
    int h, mi, sec = 0;
    if (!ReadDigits(s, pos, 2, h) || pos >= s.size() || s[pos++] != ':') return false;
    if (!ReadDigits(s, pos, 2, mi)) return false;
    uint32_t micro = 0;
    if (pos < s.size() && s[pos] == ':') {
        ++pos;
        if (!ReadDigits(s, pos, 2, sec)) return false;
        if (pos < s.size() && s[pos] == '.') {
            ++pos;
            size_t n = 0;
            while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
                if (++n > 6) return false;
                micro = micro * 10 + static_cast<uint32_t>(s[pos] - '0');
                ++pos;
            }
            if (n == 0) return false;
            for (; n < 6; ++n)
                micro *= 10;
        }
    }
    if (h > 23 || mi > 59 || sec > 59) return false;
    out.Hour = static_cast<uint8_t>(h);
    out.Minute = static_cast<uint8_t>(mi);
    out.Second = static_cast<uint8_t>(sec);
    out.Microsecond = micro;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiLower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The whole content of a parameter's value file.
std::string ReadValueFile(const std::string& name, std::string_view path) {
    if (path.empty()) throw ParamError("parameter " + name + ": '@' needs a file name (@@ for a value starting with @)");
    std::ifstream in{std::string(path), std::ios::binary};
    if (!in)
        throw ParamError("parameter " + name + ": cannot read " + std::string(path) + ": " + std::strerror(errno));
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) throw ParamError("parameter " + name + ": cannot read " + std::string(path));
    return std::move(content).str();
}

[[noreturn]] void Bad(std::string_view name, std::string_view type, std::string_view value,
                      std::string_view want) {
    throw ParamError("parameter " + std::string(name) + ": '" + std::string(value) + "' is not " +
                     std::string(want) + " (type " + std::string(type) + ")");
}

} // namespace

bool ParseDate(std::string_view text, Timestamp& out) {
    size_t pos = 0;
    Timestamp t{};
    if (!ParseDateAt(text, pos, t) || pos != text.size()) return false;
    out = t;
    return true;
}

bool ParseTime(std::string_view text, Timestamp& out) {
    size_t pos = 0;
    Timestamp t{};
    if (!ParseTimeAt(text, pos, t) || pos != text.size()) return false;
    out = t;
    return true;
}

bool ParseDateTime(std::string_view text, Timestamp& out) {
    size_t pos = 0;
    Timestamp t{};
    if (!ParseDateAt(text, pos, t)) return false;
    if (pos >= text.size() || (text[pos] != ' ' && text[pos] != 'T')) return false;
    ++pos;
    if (!ParseTimeAt(text, pos, t) || pos != text.size()) return false;
    out = t;
    return true;
}

ParamValue::ParamValue(std::string name, Cell scalar)
    : FName(std::move(name)), FKind(scalar.Kind()), FScalar(scalar) {}

ParamValue::ParamValue(std::string name, CellKind kind, std::string bytes)
    : FName(std::move(name)), FKind(kind), FBytes(std::move(bytes)) {}

Cell ParamValue::Value() const {
    if (FKind == CellKind::Text) return Cell::Text(FBytes);
    if (FKind == CellKind::Binary) return Cell::Binary(FBytes);
    return FScalar;
}

namespace {

// A parameter as given on the command line or to \\param: NAME[:TYPE]=VALUE taken apart.
struct GivenParam {
    std::string Name;
    std::string_view Type = "text";
    std::string_view Value;
    bool HasValue = false;  // an '=' was given
    bool KnownType = false; // Type names a kind; Kind is that kind
    CellKind Kind = CellKind::Text;
};

GivenParam SplitGivenParam(std::string_view given) {
    GivenParam p;
    const size_t eq = given.find('=');
    const std::string_view head = given.substr(0, eq);
    std::string_view name = head;
    if (size_t colon = head.find(':'); colon != std::string_view::npos) {
        name = head.substr(0, colon);
        p.Type = head.substr(colon + 1);
    }
    if (!IsName(name))
        throw ParamError("parameter '" + std::string(given) +
                         "': expected NAME[:TYPE]=VALUE, NAME being letters, digits and underscores");
    p.Name = std::string(name);
    p.HasValue = eq != std::string_view::npos;
    if (p.HasValue) p.Value = given.substr(eq + 1);
    p.KnownType = ParamTypeKind(p.Type, p.Kind);
    return p;
}

// The value's text. "@FILE" reads it from a file: a value too large for a command line, or bytes
// as they are; "@@..." stands for a value that starts with "@". `rawBytes` tells that the value is
// a binary parameter's file content, to be taken as it is.
std::string ResolveValue(const GivenParam& p, bool& rawBytes) {
    rawBytes = false;
    std::string_view value = p.Value;
    if (value.starts_with("@@")) return std::string(value.substr(1));
    if (!value.starts_with("@")) return std::string(value);
    std::string content = ReadValueFile(p.Name, value.substr(1));
    if (p.KnownType && p.Kind == CellKind::Binary) {
        rawBytes = true;
        return content;
    }
    // Other types read their text form; a file ends its last line with a newline.
    if (!(p.KnownType && p.Kind == CellKind::Text)) {
        while (!content.empty() && (content.back() == '\n' || content.back() == '\r'))
            content.pop_back();
    }
    return content;
}

// Hexadecimal digits (after an optional 0x) as bytes.
std::string HexBytes(const GivenParam& p, std::string_view value) {
    std::string_view hex = value;
    if (hex.size() >= 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex.remove_prefix(2);
    if (hex.size() % 2 != 0) Bad(p.Name, p.Type, value, "an even number of hexadecimal digits");
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) Bad(p.Name, p.Type, value, "hexadecimal digits");
        bytes.push_back(static_cast<char>(hi * 16 + lo));
    }
    return bytes;
}

// The value's text read as the parameter's (known, not null) type.
ParamValue ConvertGivenValue(const GivenParam& p, std::string_view value) {
    const std::string& n = p.Name;
    Timestamp ts{};
    switch (p.Kind) {
    case CellKind::Text:
        return ParamValue(n, CellKind::Text, std::string(value));
    case CellKind::Integer: {
        std::string_view digits = !value.empty() && value[0] == '+' ? value.substr(1) : value;
        int64_t v = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
            Bad(n, p.Type, value, "a 64-bit integer");
        return ParamValue(n, Cell::Integer(v));
    }
    case CellKind::Float: {
        double v = 0;
        auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
        if (value.empty() || ec != std::errc() || end != value.data() + value.size())
            Bad(n, p.Type, value, "a number");
        return ParamValue(n, Cell::Float(v));
    }
    case CellKind::Boolean:
        for (auto t : {"true", "1", "yes", "on"})
            if (EqualNoCase(value, t)) return ParamValue(n, Cell::Boolean(true));
        for (auto f : {"false", "0", "no", "off"})
            if (EqualNoCase(value, f)) return ParamValue(n, Cell::Boolean(false));
        Bad(n, p.Type, value, "true or false");
    case CellKind::Date:
        if (!ParseDate(value, ts)) Bad(n, p.Type, value, "a date YYYY-MM-DD");
        return ParamValue(n, Cell::Date(ts.Year, ts.Month, ts.Day));
    case CellKind::Time:
        if (!ParseTime(value, ts)) Bad(n, p.Type, value, "a time HH:MM[:SS[.ffffff]]");
        return ParamValue(n, Cell::Time(ts.Hour, ts.Minute, ts.Second, ts.Microsecond));
    case CellKind::DateTime:
        if (!ParseDateTime(value, ts)) Bad(n, p.Type, value, "a date and time YYYY-MM-DD HH:MM[:SS[.ffffff]]");
        return ParamValue(n, Cell::DateTime(ts));
    case CellKind::Binary:
        return ParamValue(n, CellKind::Binary, HexBytes(p, value));
    case CellKind::Null:
        break; // takes no value: settled before
    }
    ParamTypeError(n, p.Type);
}

} // namespace

ParamValue ParseParam(std::string_view given) {
    const GivenParam p = SplitGivenParam(given);
    if (p.KnownType && p.Kind == CellKind::Null) {
        if (!p.Value.empty()) throw ParamError("parameter " + p.Name + ": type null takes no value");
        return ParamValue(p.Name, Cell::Null());
    }
    if (!p.HasValue) throw ParamError("parameter " + p.Name + ": missing '=VALUE'");
    bool rawBytes = false;
    std::string value = ResolveValue(p, rawBytes);
    if (rawBytes) return ParamValue(p.Name, CellKind::Binary, std::move(value));
    if (!p.KnownType) ParamTypeError(p.Name, p.Type);
    return ConvertGivenValue(p, value);
}

bool ParamTypeKind(std::string_view name, CellKind& kind) {
    for (const TypeName& t : TypeNames)
        if (EqualNoCase(t.Name, name)) {
            kind = t.Kind;
            return true;
        }
    return false;
}

std::string_view ParamTypeName(CellKind kind) {
    for (const TypeName& t : TypeNames)
        if (t.Kind == kind) return t.Name;
    return "text";
}

void ParamSet::Set(ParamValue value) {
    for (auto& item : FItems) {
        if (EqualNoCase(item.Name(), value.Name())) {
            item = std::move(value);
            return;
        }
    }
    FItems.push_back(std::move(value));
}

bool ParamSet::Remove(std::string_view name) {
    auto it = std::find_if(FItems.begin(), FItems.end(),
                           [&](const ParamValue& p) { return EqualNoCase(p.Name(), name); });
    if (it == FItems.end()) return false;
    FItems.erase(it);
    return true;
}

const ParamValue* ParamSet::Find(std::string_view name) const {
    for (auto& item : FItems)
        if (EqualNoCase(item.Name(), name)) return &item;
    return nullptr;
}

std::vector<Marker> FindMarkers(std::string_view sql) {
    std::vector<Marker> markers;
    size_t i = 0;
    const size_t n = sql.size();
    auto skipTo = [&](char close) {
        ++i;
        while (i < n && sql[i] != close)
            ++i;
        if (i < n) ++i;
    };
    while (i < n) {
        char c = sql[i];
        if (c == '\'' || c == '"') {
            skipTo(c); // a doubled quote closes and reopens, which skips alike
        } else if (c == '[') {
            skipTo(']');
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n')
                ++i;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            size_t end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? n : end + 2;
        } else if (c == ':') {
            if (i + 1 < n && sql[i + 1] == ':') {
                i += 2;
            } else if (i + 1 < n && IsNameStart(sql[i + 1])) {
                size_t start = i + 1, end = start;
                while (end < n && IsNameChar(sql[end]))
                    ++end;
                markers.push_back(Marker{sql.substr(start, end - start), i});
                i = end;
            } else {
                ++i;
            }
        } else if (IsNameChar(c)) {
            // A colon right after a word still starts a marker; the word itself is skipped whole.
            while (i < n && IsNameChar(sql[i]))
                ++i;
        } else {
            ++i;
        }
    }
    return markers;
}

std::vector<BoundParam> BindParams(std::string_view sql, const ParamSet& params) {
    std::vector<BoundParam> bound;
    for (const Marker& m : FindMarkers(sql)) {
        const ParamValue* v = params.Find(m.Name);
        if (!v)
            throw ParamError("no value for parameter :" + std::string(m.Name) + " (give --param " +
                             std::string(m.Name) + "=VALUE, or \\param " + std::string(m.Name) + "=VALUE)");
        bound.push_back(BoundParam{m.Name, v->Value()});
    }
    return bound;
}

} // namespace tnxsql
