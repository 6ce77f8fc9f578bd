// Connection-string and start-line parsers (see ConnectionString.h).
#include "platform/dblib/ConnectionString.h"

#include "platform/dblib/Errors.h"
#include "platform/dblib/Text.h"

#include <vector>

namespace tnxdb {

namespace {

struct KeyAlias {
    const char* Name;
    ConnKey Key;
};

constexpr KeyAlias kAliases[] = {
    {"enginename", ConnKey::EngineName},     {"servername", ConnKey::EngineName},
    {"eng", ConnKey::EngineName},            {"databasename", ConnKey::DatabaseName},
    {"dbn", ConnKey::DatabaseName},          {"databasefile", ConnKey::DatabaseFile},
    {"dbf", ConnKey::DatabaseFile},          {"userid", ConnKey::UserId},
    {"uid", ConnKey::UserId},                {"password", ConnKey::Password},
    {"pwd", ConnKey::Password},              {"start", ConnKey::Start},
    {"autostop", ConnKey::AutoStop},         {"astop", ConnKey::AutoStop},
    {"autostart", ConnKey::AutoStart},       {"astart", ConnKey::AutoStart},
    {"unconditional", ConnKey::Unconditional}, {"unc", ConnKey::Unconditional},
    {"connectionname", ConnKey::ConnectionName}, {"con", ConnKey::ConnectionName},
    {"commlinks", ConnKey::CommLinks},       {"links", ConnKey::CommLinks},
    {"databaseswitches", ConnKey::DatabaseSwitches}, {"dbs", ConnKey::DatabaseSwitches},
    {"charset", ConnKey::CharSet},           {"cs", ConnKey::CharSet},
    {"logfile", ConnKey::LogFile},           {"log", ConnKey::LogFile},
    {"idle", ConnKey::Idle},                 {"livenesstimeout", ConnKey::LivenessTimeout},
    {"lto", ConnKey::LivenessTimeout},
    {"host", ConnKey::Host},                 {"encryption", ConnKey::Encryption},
    {"enc", ConnKey::Encryption},            {"sslmode", ConnKey::Encryption},
};

constexpr const char* kKeyNames[] = {"EngineName",     "DatabaseName",   "DatabaseFile", "UserID",
                                     "Password",       "Start",          "AutoStop",     "AutoStart",
                                     "Unconditional",  "ConnectionName", "CommLinks",    "DatabaseSwitches",
                                     "CharSet",        "LogFile",        "Idle",         "LivenessTimeout",
                                     "Host",           "Encryption"};
static_assert(std::size(kKeyNames) == static_cast<size_t>(ConnKey::Count));

bool IsQuote(char c) { return c == '\'' || c == '"'; }

[[noreturn]] void ParseError(const std::string& what) { throw DbError(DBLIB_E_PARSE, what); }

// One part of the string: [Begin, End) in the text, without the ';'.
struct Part {
    size_t Begin, End;
};

// Splits at ';' outside quotes and, with groupParens, outside parentheses, so that a value such
// as tcpip(host=h;port=p) stays one part; text whose parentheses never close is split as if they
// did not group (as it always was). With lenient set, an unterminated quote runs to the end;
// otherwise it is an error.
std::vector<Part> SplitParts(std::string_view s, bool lenient, bool groupParens = false) {
    std::vector<Part> parts;
    size_t begin = 0, i = 0;
    int depth = 0;
    while (i < s.size()) {
        char c = s[i];
        if (IsQuote(c)) {
            size_t j = i + 1;
            bool closed = false;
            while (j < s.size()) {
                if (s[j] == c) {
                    if (j + 1 < s.size() && s[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                ++j;
            }
            if (!closed) {
                if (!lenient) ParseError("unterminated quote at position " + std::to_string(i + 1));
                i = s.size();
                break;
            }
            i = j + 1;
        } else if (groupParens && (c == '(' || c == '{')) {
            ++depth;
            ++i;
        } else if (groupParens && (c == ')' || c == '}') && depth > 0) {
            --depth;
            ++i;
        } else if (c == ';' && depth == 0) {
            parts.push_back({begin, i});
            begin = ++i;
        } else {
            ++i;
        }
    }
    if (depth > 0) return SplitParts(s, lenient, false);
    parts.push_back({begin, s.size()});
    return parts;
}

// Removes one level of quoting from a value that is entirely quoted; leaves others as they are.
// Text after the closing quote is an error (pos is the value's position, for the message).
std::string Unquote(std::string_view v, size_t pos) {
    if (v.empty() || !IsQuote(v.front())) return std::string(v);
    char q = v.front();
    std::string out;
    size_t i = 1;
    for (; i < v.size(); ++i) {
        if (v[i] == q) {
            if (i + 1 < v.size() && v[i + 1] == q) {
                out += q;
                ++i;
                continue;
            }
            break;
        }
        out += v[i];
    }
    if (i >= v.size()) ParseError("unterminated quote at position " + std::to_string(pos));
    if (!Trim(v.substr(i + 1)).empty())
        ParseError("unexpected text after a quoted value at position " + std::to_string(pos));
    return out;
}

std::optional<ConnKey> FindKey(std::string_view key) {
    for (const KeyAlias& a : kAliases)
        if (IEquals(key, a.Name)) return a.Key;
    return std::nullopt;
}

} // namespace

const std::string& ConnParams::Get(ConnKey k) const {
    static const std::string empty;
    const auto& v = FValues[static_cast<int>(k)];
    return v ? *v : empty;
}

std::string ConnParams::Trimmed(ConnKey k) const { return std::string(Trim(Get(k))); }

bool ConnParams::Bool(ConnKey k, bool def) const {
    if (!Has(k)) return def;
    std::string v = ToLower(Trim(Get(k)));
    if (v == "yes" || v == "on" || v == "true" || v == "1") return true;
    if (v == "no" || v == "off" || v == "false" || v == "0") return false;
    ParseError(std::string("invalid value for ") + ConnKeyName(k) + " (yes or no expected)");
}

const char* ConnKeyName(ConnKey k) { return kKeyNames[static_cast<int>(k)]; }

ConnParams ParseConnectionString(std::string_view text) {
    ConnParams params;
    for (const Part& p : SplitParts(text, false, true)) {
        std::string_view part = text.substr(p.Begin, p.End - p.Begin);
        if (Trim(part).empty()) continue;
        size_t eq = part.find('=');
        size_t partPos = p.Begin + 1;
        while (partPos - p.Begin - 1 < part.size() && IsBlank(part[partPos - p.Begin - 1])) ++partPos;
        if (eq == std::string_view::npos) ParseError("missing '=' in the part at position " + std::to_string(partPos));
        std::string_view key = Trim(part.substr(0, eq));
        if (key.empty()) ParseError("missing keyword before '=' at position " + std::to_string(p.Begin + eq + 1));
        auto k = FindKey(key);
        if (!k) ParseError("invalid or missing keyword at position " + std::to_string(partPos));
        std::string_view raw = part.substr(eq + 1);
        size_t lead = 0;
        while (lead < raw.size() && IsBlank(raw[lead])) ++lead;
        params.Set(*k, Unquote(Trim(raw), p.Begin + eq + 2 + lead));
    }
    return params;
}

namespace {

std::string MaskParts(std::string_view text, bool groupParens) {
    std::string out;
    bool first = true;
    for (const Part& p : SplitParts(text, true, groupParens)) {
        if (!first) out += ';';
        first = false;
        std::string_view part = text.substr(p.Begin, p.End - p.Begin);
        size_t eq = part.find('=');
        if (eq != std::string_view::npos) {
            auto k = FindKey(Trim(part.substr(0, eq)));
            if (k == ConnKey::Password && !Trim(part.substr(eq + 1)).empty()) {
                out.append(part.substr(0, eq + 1));
                out += "***";
                continue;
            }
        }
        out.append(part);
    }
    return out;
}

} // namespace

std::string MaskPasswords(std::string_view text) {
    // Once as the parser reads the parts (a password may hold a parenthesised ';'), then part by
    // part at every ';' (a pwd= written inside a link's parentheses is masked too).
    return MaskParts(MaskParts(text, true), false);
}

StartLine ParseStartLine(std::string_view text) {
    // Tokens separated by blanks; quotes group (and are removed, a doubled quote is one).
    std::vector<std::string> tokens;
    std::vector<bool> quoted;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i >= text.size()) break;
        std::string tok;
        bool wasQuoted = false;
        while (i < text.size() && !IsBlank(text[i])) {
            if (IsQuote(text[i])) {
                char q = text[i];
                size_t start = i++;
                bool closed = false;
                while (i < text.size()) {
                    if (text[i] == q) {
                        if (i + 1 < text.size() && text[i + 1] == q) {
                            tok += q;
                            i += 2;
                            continue;
                        }
                        closed = true;
                        ++i;
                        break;
                    }
                    tok += text[i++];
                }
                if (!closed) ParseError("unterminated quote in the start line at position " + std::to_string(start + 1));
                wasQuoted = true;
            } else {
                tok += text[i++];
            }
        }
        tokens.push_back(std::move(tok));
        quoted.push_back(wasQuoted);
    }
    StartLine line;
    if (tokens.empty()) return line;
    line.Program = tokens[0];
    static const char* const kWithValue[] = {"c", "ch", "cl", "gd", "gn", "gp", "o", "ot", "ti", "tl", "x", "n"};
    for (size_t t = 1; t < tokens.size(); ++t) {
        const std::string& tok = tokens[t];
        if (!quoted[t] && tok.size() > 1 && tok[0] == '-') {
            std::string sw = ToLower(tok.substr(1));
            if (sw == "r") line.ReadOnly = true;
            bool takesValue = false;
            for (const char* w : kWithValue)
                if (sw == w) takesValue = true;
            if (!takesValue) continue;
            if (t + 1 >= tokens.size()) ParseError("the start-line switch -" + sw + " needs a value");
            const std::string& value = tokens[++t];
            if (sw == "n") (line.File.empty() ? line.EngineName : line.DbName) = value;
            continue;
        }
        if (!line.File.empty()) ParseError("the start line names more than one database file");
        line.File = tok;
    }
    return line;
}

} // namespace tnxdb
