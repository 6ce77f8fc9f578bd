// CSV output; see CsvWriter.h.
#include "tools/tnxsql/CsvWriter.h"

#include "tools/tnxsql/CellText.h"

namespace tnxsql {

void CsvWriter::AppendField(std::string& out, std::string_view text, bool forceQuotes) {
    if (!forceQuotes && text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void CsvWriter::Begin(const std::vector<Column>& columns) {
    if (FResults++ > 0) FBuf += "\r\n";
    FRows = 0;
    FColumns = columns.size();
    FScales.clear();
    for (const Column& c : columns)
        FScales.push_back(c.Scale);
    for (size_t i = 0; i < columns.size(); ++i) {
        if (i) FBuf += ',';
        AppendField(FBuf, columns[i].Name, columns[i].Name.empty());
    }
    FBuf += "\r\n";
}

void CsvWriter::Row(std::span<const Cell> cells) {
    for (size_t i = 0; i < FColumns; ++i) {
        if (i) FBuf += ',';
        Cell c = i < cells.size() ? cells[i] : Cell::Null();
        switch (c.Kind()) {
        case CellKind::Null:
            break;
        case CellKind::Integer:
            AppendInteger(FBuf, c.AsInteger());
            break;
        case CellKind::Float:
            AppendFloatValue(FBuf, c.AsFloat(), FScales[i], FOptions);
            break;
        case CellKind::Boolean:
            FBuf += c.AsBoolean() ? "true" : "false";
            break;
        case CellKind::Text:
            AppendField(FBuf, c.AsBytes(), c.AsBytes().empty());
            break;
        case CellKind::Binary:
            AppendHex(FBuf, c.AsBytes());
            break;
        case CellKind::Date:
        case CellKind::Time:
        case CellKind::DateTime:
            AppendTimestamp(FBuf, c.Kind(), c.AsTimestamp());
            break;
        }
    }
    FBuf += "\r\n";
    ++FRows;
    MaybeFlush();
}

void CsvWriter::End() {
    Flush();
}

} // namespace tnxsql
