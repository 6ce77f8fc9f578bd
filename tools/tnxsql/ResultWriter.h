// Output of results: the formats (table, CSV, JSON), their options, and the interface through which
// the shell hands them one result at a time. A writer is made once per run and receives every
// result in turn: Begin, Row for each row, End; or RowsAffected for a statement without rows.
//
// Writers append to a buffer of their own and pass it to the stream in large pieces, so that the
// cost per row is the formatting and nothing else.
#pragma once

#include "tools/tnxsql/Value.h"

#include <cstddef>
#include <cstdint>
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

struct FormatOptions {
    OutputFormat Format = OutputFormat::Table;
    std::string NullText = "NULL"; // how NULL shows in tables
    size_t MaxWidth = 40;          // tables cut longer text and binary values to this width (0: never)
    size_t SampleRows = 1000;      // rows a table reads before it fixes its column widths
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

    // Rows written in the current (or last) result.
    size_t RowCount() const { return FRows; }

    // Passes buffered output to the stream.
    void Flush();

protected:
    void MaybeFlush() {
        if (FBuf.size() >= 64 * 1024) Flush();
    }

    std::ostream& FOut;
    std::string FBuf; // output not yet passed to FOut
    size_t FRows = 0;
};

// A writer for the format the options name.
std::unique_ptr<ResultWriter> MakeResultWriter(const FormatOptions& options, std::ostream& out);

// "1 row affected" / "N rows affected"; "OK" when the count is not known (negative).
std::string RowsAffectedText(int64_t count);

} // namespace tnxsql
