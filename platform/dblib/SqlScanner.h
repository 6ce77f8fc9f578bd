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

} // namespace tnxdb
