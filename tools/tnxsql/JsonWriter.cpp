// JSON output; see JsonWriter.h.
#include "tools/tnxsql/JsonWriter.h"

#include "tools/tnxsql/CellText.h"

#include <cmath>
#include <set>

namespace tnxsql {

void JsonWriter::AppendString(std::string& out, std::string_view text) {
    static constexpr char digits[] = "0123456789abcdef";
    const bool utf8 = IsValidUtf8(text);
    out += '"';
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        // Copy the run of characters that need no escape in one piece.
        size_t j = i;
        while (j < n) {
            unsigned char c = static_cast<unsigned char>(text[j]);
            if (c < 0x20 || c == '"' || c == '\\' || c == 0x7F || (c >= 0x80 && !utf8)) break;
            ++j;
        }
        out.append(text.data() + i, j - i);
        if (j == n) break;
        unsigned char c = static_cast<unsigned char>(text[j]);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c >= 0x80) {
                AppendUtf8(out, Cp1252ToUnicode(c));
            } else {
                out += "\\u00";
                out += digits[c >> 4];
                out += digits[c & 15];
            }
        }
        i = j + 1;
    }
    out += '"';
}

std::vector<std::string> JsonWriter::Keys(const std::vector<Column>& columns) {
    std::vector<std::string> keys;
    std::set<std::string> used;
    for (size_t i = 0; i < columns.size(); ++i) {
        std::string base = columns[i].Name.empty() ? "column_" + std::to_string(i + 1) : columns[i].Name;
        std::string key = base;
        for (int n = 2; used.count(key); ++n)
            key = base + "_" + std::to_string(n);
        used.insert(key);
        keys.push_back(std::move(key));
    }
    return keys;
}

void JsonWriter::Begin(const std::vector<Column>& columns) {
    FRows = 0;
    FKeys.clear();
    FScales.clear();
    for (const Column& c : columns)
        FScales.push_back(c.Scale);
    for (auto& k : Keys(columns)) {
        std::string quoted;
        AppendString(quoted, k);
        quoted += ':';
        FKeys.push_back(std::move(quoted));
    }
    FBuf += '[';
}

void JsonWriter::Row(std::span<const Cell> cells) {
    FBuf += FRows == 0 ? "\n{" : ",\n{";
    for (size_t i = 0; i < FKeys.size(); ++i) {
        if (i) FBuf += ',';
        FBuf += FKeys[i];
        Cell c = i < cells.size() ? cells[i] : Cell::Null();
        switch (c.Kind()) {
        case CellKind::Null:
            FBuf += "null";
            break;
        case CellKind::Integer:
            AppendInteger(FBuf, c.AsInteger());
            break;
        case CellKind::Float:
            if (std::isfinite(c.AsFloat())) {
                AppendFloatValue(FBuf, c.AsFloat(), FScales[i], FOptions);
            } else {
                FBuf += '"';
                AppendFloat(FBuf, c.AsFloat());
                FBuf += '"';
            }
            break;
        case CellKind::Boolean:
            FBuf += c.AsBoolean() ? "true" : "false";
            break;
        case CellKind::Text:
            AppendString(FBuf, c.AsBytes());
            break;
        case CellKind::Binary:
            FBuf += '"';
            AppendHex(FBuf, c.AsBytes());
            FBuf += '"';
            break;
        case CellKind::Date:
        case CellKind::Time:
        case CellKind::DateTime:
            FBuf += '"';
            AppendTimestamp(FBuf, c.Kind(), c.AsTimestamp(), 'T');
            FBuf += '"';
            break;
        }
    }
    FBuf += '}';
    ++FRows;
    MaybeFlush();
}

void JsonWriter::End() {
    FBuf += FRows == 0 ? "]\n" : "\n]\n";
    Flush();
}

bool JsonWriter::RowsAffected(int64_t count) {
    FBuf += "{\"rows_affected\":";
    if (count < 0)
        FBuf += "null";
    else
        AppendInteger(FBuf, count);
    FBuf += "}\n";
    Flush();
    return true;
}

bool JsonWriter::Command(std::string_view tag) {
    FBuf += "{\"command\":";
    AppendString(FBuf, tag);
    FBuf += "}\n";
    Flush();
    return true;
}

} // namespace tnxsql
