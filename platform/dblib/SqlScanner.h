// The SQL scanner: splits statement text into tokens, finds the host-variable markers ("?" and
// ":name", each its own input in order of appearance), and produces the text handed to the
// engine, in which every marker is a positional parameter. String literals, quoted identifiers
// ("...", [...], `...`) and comments (--, //, /* */) are respected: a marker inside them is text,
// and so is a cast written "::type".
// The scanner never fails; text it cannot close (an unterminated literal or comment) is passed on
// as it stands, so that the engine reports the syntax error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tnxdb {

enum class TokKind { Word, Number, String, QuotedIdent, Marker, Punct };

// One token of the original text: [Begin, End). MarkerIndex is the 0-based input number of a
// marker token, -1 for others.
struct Token {
    TokKind Kind;
    size_t Begin, End;
    int MarkerIndex;
};

struct ScannedSql {
    std::string EngineText;               // markers replaced by '?', '//' comments by '--'
    std::vector<std::string> MarkerNames; // per marker: its name, "" for '?'
    std::vector<Token> Tokens;            // comments and blanks left out
};

ScannedSql ScanSql(std::string_view sql);

// The text of a token; for strings and quoted identifiers, the content without the quotes and
// with doubled quotes made single.
std::string TokenText(std::string_view sql, const Token& t);

// Whether a Word token equals a keyword, ignoring case.
bool IsKeyword(std::string_view sql, const Token& t, std::string_view keyword);

// The tokens of a statement being classified, without one trailing ';', and the tests made on
// them when the statement's kind or shape is recognised (an index past the end answers false).
struct ClassifyTokens {
    const std::string& Text;
    const std::vector<Token>& T;
    size_t N;

    bool Punct(size_t i, char ch) const {
        return i < N && T[i].Kind == TokKind::Punct && Text[T[i].Begin] == ch;
    }
    bool Kw(size_t i, const char* k) const { return i < N && IsKeyword(Text, T[i], k); }
    bool IsName(size_t i) const {
        return i < N && (T[i].Kind == TokKind::Word || T[i].Kind == TokKind::QuotedIdent);
    }
    bool NameOrString(size_t i) const {
        return i < N && (T[i].Kind == TokKind::Word || T[i].Kind == TokKind::QuotedIdent ||
                         T[i].Kind == TokKind::String || T[i].Kind == TokKind::Number);
    }
    std::string String(size_t i) const { return TokenText(Text, T[i]); }
    // The text from token `first` to the last token.
    std::string From(size_t first) const {
        return Text.substr(T[first].Begin, T[N - 1].End - T[first].Begin);
    }
};

} // namespace tnxdb
