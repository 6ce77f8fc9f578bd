// Recognising plain single-row inserts and wrapping their checked values (see PlainInsert.h).
#include "platform/dblib/PlainInsert.h"

namespace tnxdb {

std::optional<PlainInsert> MatchPlainInsert(const std::string& text, const ScannedSql& scan) {
    const std::vector<Token>& tokens = scan.Tokens;
    size_t n = tokens.size();
    if (n > 0 && tokens[n - 1].Kind == TokKind::Punct && text[tokens[n - 1].Begin] == ';') --n;
    const ClassifyTokens t{text, tokens, n};
    if (!t.Kw(0, "INSERT") || !t.Kw(1, "INTO") || !t.IsName(2)) return std::nullopt;
    PlainInsert shape;
    shape.Table = t.String(2);
    size_t i = 3;
    if (t.Punct(i, '(')) {
        std::vector<std::string> columns;
        for (++i;; i += 2) {
            if (!t.IsName(i)) return std::nullopt;
            columns.push_back(t.String(i));
            if (t.Punct(i + 1, ')')) break;
            if (!t.Punct(i + 1, ',')) return std::nullopt;
        }
        i += 2;
        shape.Columns = std::move(columns);
    }
    if (!t.Kw(i, "VALUES") || !t.Punct(i + 1, '(')) return std::nullopt;
    // The values: split at the commas outside parentheses; the list's ')' must end the statement.
    size_t first = i + 2;
    int depth = 0;
    for (size_t k = first; k < n; ++k) {
        const bool open = t.Punct(k, '('), close = t.Punct(k, ')');
        if (open) ++depth;
        if (close && depth > 0) {
            --depth;
            continue;
        }
        if (depth == 0 && (close || t.Punct(k, ','))) {
            if (k == first) return std::nullopt; // an empty value
            shape.Values.emplace_back(tokens[first].Begin, tokens[k - 1].End);
            const bool single = k == first + 1;
            const TokKind kind = tokens[first].Kind;
            shape.ValueMarker.push_back(single && kind == TokKind::Marker ? tokens[first].MarkerIndex : -1);
            shape.Simple.push_back(single && (kind == TokKind::Marker || kind == TokKind::Number || kind == TokKind::String));
            first = k + 1;
            if (close) return k + 1 == n ? std::optional<PlainInsert>(std::move(shape)) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::string CheckedInsertText(std::string_view text, const ScannedSql& scan, const PlainInsert& shape,
                              const InsertPlan& plan) {
    // The engine text of the tokens in [begin, end) of the statement: a marker as its numbered
    // parameter (so that a value written twice below is one input), the blanks between tokens
    // kept and a comment between them made a blank.
    auto engineText = [&](size_t begin, size_t end) {
        std::string out;
        size_t last = begin;
        for (const Token& tok : scan.Tokens) {
            if (tok.Begin < begin) continue;
            if (tok.End > end) break;
            std::string_view gap = text.substr(last, tok.Begin - last);
            out += gap.find_first_not_of(" \t\r\n") == std::string_view::npos ? std::string(gap) : std::string(" ");
            out += tok.Kind == TokKind::Marker ? "?" + std::to_string(tok.MarkerIndex + 1)
                                               : std::string(text.substr(tok.Begin, tok.End - tok.Begin));
            last = tok.End;
        }
        return out;
    };
    auto value = [&](size_t i) { return engineText(shape.Values[i].first, shape.Values[i].second); };
    auto args = [&](size_t i) {
        std::string a = "(" + value(i) + "), " + std::to_string(plan.Items[i].Type) + ", '";
        for (char ch : plan.Items[i].Column) {
            a += ch;
            if (ch == '\'') a += '\'';
        }
        return a + "'";
    };
    // The markers and constants are checked together, in one call per kValuesPerCall of them
    // placed on the first of them: evaluated again where they are stored, they give the same
    // values at no cost. Any other value is checked on its own and handed on by the check.
    constexpr size_t kValuesPerCall = 40; // three arguments each, within the engine's limit of 127
    std::vector<std::string> calls(shape.Values.size()); // per value: the call placed on it
    size_t inCall = 0, callAt = 0;
    for (size_t i = 0; i < shape.Values.size(); ++i) {
        if (plan.Items[i].Type == 0 || !shape.Simple[i]) continue;
        if (inCall == 0) callAt = i;
        calls[callAt] += (inCall == 0 ? "" : ", ") + args(i);
        if (++inCall == kValuesPerCall) inCall = 0;
    }
    std::string out;
    size_t done = 0;
    for (size_t i = 0; i < shape.Values.size(); ++i) {
        const bool alone = plan.Items[i].Type != 0 && !shape.Simple[i];
        if (calls[i].empty() && !alone) continue;
        out += engineText(done, shape.Values[i].first) + ' ';
        out += alone ? "tnx_domain_value(" + args(i) + ")"
                     : "CASE WHEN tnx_domain_pass(" + calls[i] + ") THEN " + value(i) + " END";
        done = shape.Values[i].second;
    }
    return out + engineText(done, text.size());
}

} // namespace tnxdb
