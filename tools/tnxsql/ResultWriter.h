// Output of results: the formats (table, CSV, JSON), their options, and the interface through which
// the shell hands them one result at a time. A writer is made once per run and receives every
// result in turn: Begin, Row for each row, End; or RowsAffected (or Command) for a statement
// without rows.
//
// Writers append to a buffer of their own and pass it to the stream in large pieces, so that the
// cost per row is the formatting and nothing else.
#pragma once

#include "tools/tnxsql/Value.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tnxsql {

enum class OutputFormat : uint8_t { Table, Csv, Json };

// "table", "csv" or "json" (any letter case); false for anything else.
bool ParseOutputFormat(std::string_view text, OutputFormat& out);
std::string_view OutputFormatName(OutputFormat format);

// Where a long result is shown a page at a time: a pager program between the tool and the
// terminal (see Pager.h).
class Pager {
public:
    virtual ~Pager() = default;
    // Starts the pager: the stream that feeds it, or null when it cannot start (the caller then
    // writes to its own stream).
    virtual std::ostream* Open() = 0;
    // Ends the pager's input and waits until the user has left it.
    virtual void Close() = 0;
};

// The size of the terminal the output goes to, in character cells; 0 when it is no terminal.
struct ScreenSize {
    size_t Columns = 0;
    size_t Rows = 0;
};

// How tables lay out a row: a line per row, a line per field, or a line per field only when the
// row cannot fit the screen's width.
enum class ExpandedMode : uint8_t { Off, On, Auto };

struct FormatOptions {
    OutputFormat Format = OutputFormat::Table;
    std::string NullText = "NULL"; // how NULL shows in tables
    size_t MaxWidth = 40;          // tables cut longer text and binary values to this width (0: never)
    // Significant digits of floating-point values: 0 for the shortest text that reads back as the
    // same value; 1 .. 17 for that many (15 hides the last digits of a sum, 0.1 + 0.2 shows 0.3).
    int FloatDigits = 0;
    // Tables: rows (and bytes of shown text) held to size the columns from the whole result; a
    // result longer than that is printed with the widths of its first rows, and framed again
    // with new widths when a later row is wider.
    size_t HoldRows = 10000;
    size_t HoldBytes = 16 * 1024 * 1024;
    ExpandedMode Expanded = ExpandedMode::Auto;
    // The terminal's size, asked for at each result (it may change); empty: no terminal, tables
    // then keep their natural width and nothing is paged.
    std::function<ScreenSize()> Screen;
    // Shows tables longer than the screen (null: none). Not owned.
    Pager* PagerProgram = nullptr;
};

// The mark that ends a value cut for display.
inline constexpr std::string_view CutMark = "...";
// Smallest MaxWidth that leaves room for a cut value ("0x" and the mark).
inline constexpr size_t MinMaxWidth = 5;

class ResultWriter {
public:
    explicit ResultWriter(std::ostream& out) : FOut(out) {}
    virtual ~ResultWriter() = default;
    ResultWriter(const ResultWriter&) = delete;
    ResultWriter& operator=(const ResultWriter&) = delete;

    // Starts a result with these columns.
    virtual void Begin(const std::vector<Column>& columns) = 0;
    // One row: one cell per column of Begin. The cells are read before the call returns.
    virtual void Row(std::span<const Cell> cells) = 0;
    // Ends the result begun last, also when an error or a cancel cut it short; flushes.
    virtual void End() = 0;
    // The outcome of a statement without rows. False when the format has no place for it (the
    // caller then reports it beside the data, on the diagnostic stream).
    virtual bool RowsAffected(int64_t count) = 0;
    // The outcome of a statement that counts no rows: its command ("CREATE TABLE", see
    // CommandTag.h). False when the format has no place for it.
    virtual bool Command(std::string_view tag) = 0;

    // Rows written in the current (or last) result.
    size_t RowCount() const { return FRows; }
    // True when the rest of the current result would go nowhere (the user left the pager early):
    // the caller may stop reading rows.
    virtual bool Abandoned() const { return false; }

    // Passes buffered output to the stream.
    void Flush();

protected:
    void MaybeFlush() {
        if (FBuf.size() >= 64 * 1024) Flush();
    }

    std::ostream& FOut;
    std::ostream* FTarget = &FOut; // where Flush writes: FOut, or a pager while one shows a result
    std::string FBuf;              // output not yet passed to the target
    size_t FRows = 0;
};

// The text of a floating-point value of a column with this scale (see Column::Scale) under the
// options' FloatDigits.
void AppendFloatValue(std::string& out, double v, int32_t scale, const FormatOptions& options);

// A writer for the format the options name.
std::unique_ptr<ResultWriter> MakeResultWriter(const FormatOptions& options, std::ostream& out);

// "1 row affected" / "N rows affected"; "OK" when the count is not known (negative).
std::string RowsAffectedText(int64_t count);

} // namespace tnxsql
