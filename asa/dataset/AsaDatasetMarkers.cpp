// TAsaDataset::CreateParams: the parameter markers of a dataset's SQL text.
//
// A marker is ":" outside a literal, not followed by another ":". Its name runs to the next
// delimiter outside a literal (line feed, carriage return, space, ")", "," or ";"; a tab is none)
// or to the end of the text, so ":a=:b" names one parameter "a=:b". "'" and the double quote share
// one in-literal toggle, also inside a name; a name that starts with a quote loses its quotes.
// "::" outside a literal stands for a literal colon: one of the two is removed from the text. The
// markers themselves stay: the server describes them as the statement's inputs, and the values
// are bound to them in order of appearance, one parameter per marker even when a name repeats.
//
// The walk stops at the text's first NUL byte (what the statement sends ends there too) and
// never reads past the end of the string.
#include "asa/dataset/AsaDataset.h"

namespace tnx {

namespace {

bool IsQuote(char c) {
    return c == '\'' || c == '"';
}

bool IsDelimiter(char c) {
    return c == '\n' || c == '\r' || c == ' ' || c == ')' || c == ',' || c == ';';
}

// Removes one leading and then one trailing quote character q.
void StripQuote(vcl::AnsiString& name, char q) {
    if (!name.empty() && name.front() == q) name.erase(0, 1);
    if (!name.empty() && name.back() == q) name.pop_back();
}

} // namespace

void TAsaDataset::CreateParams(TAsaParams* list, vcl::AnsiString& text) {
    auto at = [&text](std::size_t i) { return i < text.size() ? text[i] : '\0'; };
    bool inLiteral = false;
    std::size_t i = 0;
    while (at(i) != '\0') {
        const char c = text[i];
        if (c == ':' && !inLiteral && at(i + 1) != ':') {
            const std::size_t start = i + 1;
            std::size_t j = start;
            bool quoted = false;
            for (; at(j) != '\0'; ++j) {
                const char d = text[j];
                if (IsQuote(d)) {
                    inLiteral = !inLiteral;
                    if (j == start) quoted = true;
                } else if (!inLiteral && IsDelimiter(d)) {
                    break;
                }
            }
            vcl::AnsiString name = text.substr(start, j - start);
            if (quoted) {
                StripQuote(name, '\'');
                StripQuote(name, '"');
            }
            if (list != nullptr) {
                TAsaParam* param = TAsaParam::Create(*list, name);
                param->SetAlias(param->GetName());
            }
            // Past the delimiter (never a quote or ":"); at the end the walk stops.
            i = at(j) != '\0' ? j + 1 : j;
            continue;
        }
        if (c == ':' && !inLiteral) {
            // "::": keep one colon and go on after it.
            text.erase(i, 1);
            ++i;
            continue;
        }
        if (IsQuote(c)) inLiteral = !inLiteral;
        ++i;
    }
}

} // namespace tnx
