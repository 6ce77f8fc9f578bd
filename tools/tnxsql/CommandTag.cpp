// Command tags; see CommandTag.h.
#include "tools/tnxsql/CommandTag.h"
#include "tools/tnxsql/Text.h"

#include <array>

namespace tnxsql {

namespace {

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The statement's words in capitals, up to `max` of them, skipping blanks and comments before and
// between them; stops at the first thing that is no word.
std::array<std::string, 8> Words(std::string_view sql) {
    std::array<std::string, 8> words;
    size_t n = 0, i = 0;
    while (i < sql.size() && n < words.size()) {
        const char c = sql[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            while (i < sql.size() && sql[i] != '\n')
                ++i;
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            const size_t end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? sql.size() : end + 2;
        } else if (IsWordChar(c)) {
            std::string& w = words[n++];
            while (i < sql.size() && IsWordChar(sql[i])) {
                w += AsciiUpper(sql[i++]);
            }
        } else {
            break;
        }
    }
    return words;
}

template <size_t N>
bool In(const std::string& word, const std::array<std::string_view, N>& set) {
    for (std::string_view w : set)
        if (word == w) return true;
    return false;
}

constexpr std::array<std::string_view, 7> RowCounting = {"INSERT", "UPDATE", "DELETE", "MERGE",
                                                          "REPLACE", "UPSERT", "WITH"};
// Words between CREATE / DROP / ALTER and the kind of object they name.
constexpr std::array<std::string_view, 11> Modifiers = {"OR",     "REPLACE", "UNIQUE",    "TEMP",
                                                        "TEMPORARY", "GLOBAL", "LOCAL", "VIRTUAL",
                                                        "CLUSTERED", "NONCLUSTERED", "EXTERNAL"};

} // namespace

std::optional<std::string> CommandTag(std::string_view sql) {
    const std::array<std::string, 8> w = Words(sql);
    if (w[0].empty() || In(w[0], RowCounting)) return std::nullopt;
    if (w[0] == "MESSAGE") return std::string();
    if (w[0] == "CREATE" || w[0] == "DROP" || w[0] == "ALTER") {
        for (size_t k = 1; k < w.size() && !w[k].empty(); ++k)
            if (!In(w[k], Modifiers)) return w[0] + " " + w[k];
        return w[0];
    }
    if (w[0] == "SET" && w[1] == "OPTION") return std::string("SET OPTION");
    return w[0];
}

} // namespace tnxsql
