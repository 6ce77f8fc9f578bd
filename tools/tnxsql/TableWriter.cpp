// Aligned tables; see TableWriter.h.
#include "tools/tnxsql/TableWriter.h"

#include "tools/tnxsql/CellText.h"

namespace tnxsql {

namespace {

// Appends one character of text as it is shown: control characters escaped, the rest as UTF-8.
// Returns the width it takes.
size_t AppendShown(std::string& out, uint32_t cp) {
    switch (cp) {
    case '\n':
        out += "\\n";
        return 2;
    case '\r':
        out += "\\r";
        return 2;
    case '\t':
        out += "\\t";
        return 2;
    default:
        break;
    }
    if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0)) {
        static constexpr char digits[] = "0123456789abcdef";
        out += "\\x";
        if (cp > 0xFF) cp = '?';
        out += digits[(cp >> 4) & 15];
        out += digits[cp & 15];
        return 4;
    }
    AppendUtf8(out, cp);
    return 1;
}

// Decodes the code point at `i` of valid UTF-8 text and moves past it.
uint32_t DecodeUtf8(std::string_view s, size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        ++i;
        return c;
    }
    size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    uint32_t cp = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
    for (size_t k = 1; k < len; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += len;
    return cp;
}

// The shown form of text, cut to `limit` columns (0: no limit) with the cut mark when longer.
void ShowText(std::string_view text, size_t limit, std::string& out, size_t& width) {
    // Most text is printable ASCII that fits: shown as it is.
    if (limit == 0 || text.size() <= limit) {
        bool plain = true;
        for (char ch : text) {
            if (ch < 0x20 || ch > 0x7E) {
                plain = false;
                break;
            }
        }
        if (plain) {
            out.append(text);
            width = text.size();
            return;
        }
    }
    const bool utf8 = IsValidUtf8(text);
    const size_t keep = limit > CutMark.size() ? limit - CutMark.size() : 0;
    size_t cutLen = 0, cutWidth = 0; // the longest prefix that fits beside the mark
    width = 0;
    size_t i = 0;
    while (i < text.size()) {
        uint32_t cp = utf8 ? DecodeUtf8(text, i) : Cp1252ToUnicode(static_cast<unsigned char>(text[i++]));
        width += AppendShown(out, cp);
        if (limit != 0 && width <= keep) {
            cutLen = out.size();
            cutWidth = width;
        }
        if (limit != 0 && width > limit) {
            out.resize(cutLen);
            out += CutMark;
            width = cutWidth + CutMark.size();
            return;
        }
    }
}

} // namespace

TableWriter::TableWriter(std::ostream& out, const FormatOptions& options)
    : ResultWriter(out), FOptions(options) {}

void TableWriter::Display(const Cell& cell, const FormatOptions& options, std::string& text, size_t& width) {
    text.clear();
    switch (cell.Kind()) {
    case CellKind::Null:
        text = options.NullText;
        width = Utf8Length(text);
        return;
    case CellKind::Integer:
        AppendInteger(text, cell.AsInteger());
        break;
    case CellKind::Float:
        AppendFloat(text, cell.AsFloat());
        break;
    case CellKind::Boolean:
        text = cell.AsBoolean() ? "true" : "false";
        break;
    case CellKind::Date:
    case CellKind::Time:
    case CellKind::DateTime:
        AppendTimestamp(text, cell.Kind(), cell.AsTimestamp());
        break;
    case CellKind::Text:
        ShowText(cell.AsBytes(), options.MaxWidth, text, width);
        return;
    case CellKind::Binary: {
        std::string_view bytes = cell.AsBytes();
        const size_t full = 2 + 2 * bytes.size();
        if (options.MaxWidth == 0 || full <= options.MaxWidth) {
            AppendHex(text, bytes);
        } else {
            size_t fit = options.MaxWidth >= MinMaxWidth ? (options.MaxWidth - 2 - CutMark.size()) / 2 : 0;
            AppendHex(text, bytes, fit);
            text += CutMark;
        }
        break;
    }
    }
    width = text.size(); // everything but text and NULL is ASCII
}

void TableWriter::Begin(const std::vector<Column>& columns) {
    FCols.clear();
    FSample.clear();
    FLayoutFixed = false;
    FRows = 0;
    for (const Column& c : columns) {
        Col col;
        ShowText(c.Name, FOptions.MaxWidth, col.Header, col.HeaderWidth);
        col.Right = IsNumericType(c.Type);
        FCols.push_back(std::move(col));
    }
    FRowCells.resize(FCols.size());
}

void TableWriter::Row(std::span<const Cell> cells) {
    Shown* target;
    if (!FLayoutFixed) {
        FSample.resize(FSample.size() + FCols.size());
        target = &FSample[FSample.size() - FCols.size()];
    } else {
        target = FRowCells.data();
    }
    for (size_t i = 0; i < FCols.size(); ++i) {
        Cell c = i < cells.size() ? cells[i] : Cell::Null();
        Display(c, FOptions, target[i].Text, target[i].Width);
    }
    ++FRows;
    if (!FLayoutFixed) {
        if (FRows >= FOptions.SampleRows) FixLayout();
    } else {
        PrintCells(target);
        MaybeFlush();
    }
}

void TableWriter::FixLayout() {
    for (size_t i = 0; i < FCols.size(); ++i)
        FCols[i].Width = FCols[i].HeaderWidth;
    const size_t n = FCols.size();
    for (size_t r = 0; n != 0 && r < FSample.size() / n; ++r)
        for (size_t i = 0; i < n; ++i)
            if (FSample[r * n + i].Width > FCols[i].Width) FCols[i].Width = FSample[r * n + i].Width;
    PrintRule();
    FBuf += '|';
    for (const Col& c : FCols) {
        FBuf += ' ';
        FBuf += c.Header;
        FBuf.append(c.Width - c.HeaderWidth, ' ');
        FBuf += " |";
    }
    FBuf += '\n';
    PrintRule();
    for (size_t r = 0; n != 0 && r < FSample.size() / n; ++r) {
        PrintCells(&FSample[r * n]);
        MaybeFlush();
    }
    FSample.clear();
    FSample.shrink_to_fit();
    FLayoutFixed = true;
}

void TableWriter::PrintRule() {
    FBuf += '+';
    for (const Col& c : FCols) {
        FBuf.append(c.Width + 2, '-');
        FBuf += '+';
    }
    FBuf += '\n';
}

void TableWriter::PrintCells(const Shown* cells) {
    FBuf += '|';
    for (size_t i = 0; i < FCols.size(); ++i) {
        const Col& c = FCols[i];
        const size_t pad = cells[i].Width < c.Width ? c.Width - cells[i].Width : 0;
        FBuf += ' ';
        if (c.Right) FBuf.append(pad, ' ');
        FBuf += cells[i].Text;
        if (!c.Right) FBuf.append(pad, ' ');
        FBuf += " |";
    }
    FBuf += '\n';
}

void TableWriter::End() {
    if (!FLayoutFixed) FixLayout();
    PrintRule();
    FBuf += FRows == 1 ? "(1 row)\n" : "(" + std::to_string(FRows) + " rows)\n";
    Flush();
}

bool TableWriter::RowsAffected(int64_t count) {
    FBuf += RowsAffectedText(count);
    FBuf += '\n';
    Flush();
    return true;
}

} // namespace tnxsql
