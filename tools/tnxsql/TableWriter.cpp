// Aligned tables; see TableWriter.h.
#include "tools/tnxsql/TableWriter.h"

#include "tools/tnxsql/CellText.h"

#include <algorithm>

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

void TableWriter::Display(const Cell& cell, const FormatOptions& options, std::string& text, size_t& width,
                          int32_t scale) {
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
        AppendFloatValue(text, cell.AsFloat(), scale, options);
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
    FScreen = FOptions.Screen ? FOptions.Screen() : ScreenSize{};
    FCols.clear();
    FHeld.clear();
    FHeldBytes = 0;
    FLaidOut = false;
    FExpanded = false;
    FRows = 0;
    for (const Column& c : columns) {
        Col col;
        // Names are shown whole: only the screen's width may cut them.
        ShowText(c.Name, 0, col.Header, col.HeaderWidth);
        col.Right = IsNumericType(c.Type);
        col.Cuttable = c.Type == ColumnType::Text || c.Type == ColumnType::LongText ||
                       c.Type == ColumnType::Binary || c.Type == ColumnType::LongBinary ||
                       c.Type == ColumnType::Unknown;
        col.Scale = c.Scale;
        FCols.push_back(std::move(col));
    }
    FRowCells.resize(FCols.size());
}

void TableWriter::Row(std::span<const Cell> cells) {
    const size_t n = FCols.size();
    Shown* target;
    if (!FLaidOut) {
        FHeld.resize(FHeld.size() + n);
        target = &FHeld[FHeld.size() - n];
    } else {
        target = FRowCells.data();
    }
    for (size_t i = 0; i < n; ++i) {
        Cell c = i < cells.size() ? cells[i] : Cell::Null();
        Display(c, FOptions, target[i].Text, target[i].Width, FCols[i].Scale);
        if (!FLaidOut) FHeldBytes += target[i].Text.size() + sizeof(Shown);
    }
    ++FRows;
    if (!FLaidOut) {
        if (FRows >= FOptions.HoldRows || FHeldBytes >= FOptions.HoldBytes) Layout(false);
        return;
    }
    if (FExpanded) {
        PrintExpanded(target);
    } else {
        // A row wider than the columns: widen them (as far as the screen lets) and frame again.
        bool wider = false;
        for (size_t i = 0; i < n; ++i) {
            if (target[i].Width > FCols[i].Natural) {
                FCols[i].Natural = target[i].Width;
                wider = true;
            }
        }
        if (wider) {
            std::vector<size_t> before;
            for (const Col& c : FCols)
                before.push_back(c.Width);
            FitToScreen();
            bool changed = false;
            for (size_t i = 0; i < n; ++i)
                changed = changed || FCols[i].Width != before[i];
            if (changed) PrintFrameTop();
        }
        PrintCells(target);
    }
    MaybeFlush();
}

bool TableWriter::FitToScreen() {
    size_t fixed = 1; // the left border
    size_t maxNatural = 0;
    for (Col& c : FCols) {
        c.Width = c.Natural;
        fixed += 3; // " | " around every cell
        if (c.Cuttable)
            maxNatural = std::max(maxNatural, c.Natural);
        else
            fixed += c.Natural;
    }
    const size_t screen = FScreen.Columns;
    // The width with every cuttable column capped at `cap` (never below the smallest cut form).
    auto total = [&](size_t cap) {
        size_t sum = fixed;
        for (const Col& c : FCols)
            if (c.Cuttable) sum += std::max(std::min(c.Natural, cap), std::min(c.Natural, MinMaxWidth));
        return sum;
    };
    if (screen == 0 || total(maxNatural) <= screen) return true;
    // The largest cap that fits, found by halving: the widest columns give way first.
    size_t lo = MinMaxWidth, hi = maxNatural;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo + 1) / 2;
        if (total(mid) <= screen)
            lo = mid;
        else
            hi = mid - 1;
    }
    for (Col& c : FCols)
        if (c.Cuttable) c.Width = std::max(std::min(c.Natural, lo), std::min(c.Natural, MinMaxWidth));
    return total(lo) <= screen;
}

void TableWriter::Layout(bool resultComplete) {
    const size_t n = FCols.size();
    const size_t heldRows = n == 0 ? 0 : FHeld.size() / n;
    for (size_t i = 0; i < n; ++i) {
        FCols[i].Natural = FCols[i].HeaderWidth;
        for (size_t r = 0; r < heldRows; ++r)
            FCols[i].Natural = std::max(FCols[i].Natural, FHeld[r * n + i].Width);
    }
    const bool fits = FitToScreen();
    FExpanded = FOptions.Expanded == ExpandedMode::On ||
                (FOptions.Expanded == ExpandedMode::Auto && !fits && FScreen.Columns > 0 && n > 0);
    if (FExpanded) {
        FLabelWidth = 0;
        for (const Col& c : FCols)
            FLabelWidth = std::max(FLabelWidth, c.HeaderWidth);
        if (FScreen.Columns > 0) FLabelWidth = std::min(FLabelWidth, std::max<size_t>(FScreen.Columns / 2, 10));
    }
    // Lines this result takes: a frame of five lines, or a line per field and one per row.
    const size_t lines = FExpanded ? heldRows * (n + 1) + 1 : heldRows + 5;
    if (FOptions.PagerProgram && FScreen.Rows > 0 && (!resultComplete || lines > FScreen.Rows)) StartPager();
    FLaidOut = true;
    if (!FExpanded) PrintFrameTop();
    for (size_t r = 0; r < heldRows; ++r) {
        if (FExpanded) {
            FRows = r + 1; // the row's number in its heading
            PrintExpanded(&FHeld[r * n]);
        } else {
            PrintCells(&FHeld[r * n]);
        }
        MaybeFlush();
    }
    FRows = std::max(FRows, heldRows);
    FHeld.clear();
    FHeld.shrink_to_fit();
    FHeldBytes = 0;
}

void TableWriter::StartPager() {
    // What was written before this result reaches the terminal first.
    Flush();
    if (std::ostream* pager = FOptions.PagerProgram->Open()) {
        FTarget = pager;
        FPaging = true;
    }
}

void TableWriter::PrintFrameTop() {
    PrintRule();
    FBuf += '|';
    for (const Col& c : FCols) {
        FBuf += ' ';
        AppendCell(Shown{c.Header, c.HeaderWidth}, c.Width, false);
        FBuf += " |";
    }
    FBuf += '\n';
    PrintRule();
}

void TableWriter::PrintRule() {
    FBuf += '+';
    for (const Col& c : FCols) {
        FBuf.append(c.Width + 2, '-');
        FBuf += '+';
    }
    FBuf += '\n';
}

void TableWriter::AppendCell(const Shown& cell, size_t width, bool right) {
    if (cell.Width <= width) {
        const size_t pad = width - cell.Width;
        if (right) FBuf.append(pad, ' ');
        FBuf += cell.Text;
        if (!right) FBuf.append(pad, ' ');
        return;
    }
    // Cut: as many characters as fit beside the mark (shown text is UTF-8, one column each).
    const size_t keep = width > CutMark.size() ? width - CutMark.size() : 0;
    size_t bytes = 0, chars = 0;
    while (bytes < cell.Text.size() && chars < keep) {
        ++bytes;
        while (bytes < cell.Text.size() && (static_cast<unsigned char>(cell.Text[bytes]) & 0xC0) == 0x80)
            ++bytes;
        ++chars;
    }
    FBuf.append(cell.Text, 0, bytes);
    FBuf.append(CutMark.substr(0, width - chars));
}

void TableWriter::PrintCells(const Shown* cells) {
    FBuf += '|';
    for (size_t i = 0; i < FCols.size(); ++i) {
        FBuf += ' ';
        AppendCell(cells[i], FCols[i].Width, FCols[i].Right);
        FBuf += " |";
    }
    FBuf += '\n';
}

void TableWriter::PrintExpanded(const Shown* cells) {
    FBuf += "-- row ";
    FBuf += std::to_string(FRows);
    FBuf += " --\n";
    // What a value may take of the line beside its name.
    const size_t room = FScreen.Columns > FLabelWidth + 3 ? FScreen.Columns - FLabelWidth - 3 : 0;
    for (size_t i = 0; i < FCols.size(); ++i) {
        const Col& c = FCols[i];
        AppendCell(Shown{c.Header, c.HeaderWidth}, FLabelWidth, false);
        FBuf += " | ";
        if (c.Cuttable && room > 0 && cells[i].Width > room)
            AppendCell(cells[i], room, false);
        else
            FBuf += cells[i].Text;
        FBuf += '\n';
    }
}

void TableWriter::End() {
    if (!FLaidOut) Layout(true);
    if (!FExpanded) PrintRule();
    FBuf += FRows == 1 ? "(1 row)\n" : "(" + std::to_string(FRows) + " rows)\n";
    Flush();
    if (FPaging) {
        FOptions.PagerProgram->Close();
        FTarget = &FOut;
        FPaging = false;
    }
}

bool TableWriter::RowsAffected(int64_t count) {
    FBuf += RowsAffectedText(count);
    FBuf += '\n';
    Flush();
    return true;
}

bool TableWriter::Command(std::string_view tag) {
    FBuf += tag;
    FBuf += '\n';
    Flush();
    return true;
}

bool TableWriter::Abandoned() const {
    return FPaging && !FTarget->good();
}

} // namespace tnxsql
