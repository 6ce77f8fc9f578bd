// Results as comma-separated values (RFC 4180): a header line of column names, then one line per
// row, each line ending in CR LF. A field holding a comma, a double quote, CR or LF is enclosed in
// double quotes with inner quotes doubled. NULL is an empty field; an empty text is "" (quoted), so
// the two stay apart. Text is written byte for byte; binary as 0x and hexadecimal; dates and times as
// YYYY-MM-DD HH:MM:SS[.fff]; booleans as true and false; numbers of fixed-point columns with their
// declared scale, other floating-point numbers as FormatOptions::FloatDigits says. Several results are separated by an empty
// line. Rows-affected counts have no place in CSV and go to the diagnostic stream.
#pragma once

#include "tools/tnxsql/ResultWriter.h"

namespace tnxsql {

class CsvWriter final : public ResultWriter {
public:
    explicit CsvWriter(std::ostream& out, FormatOptions options = {}) : ResultWriter(out), FOptions(std::move(options)) {}

    void Begin(const std::vector<Column>& columns) override;
    void Row(std::span<const Cell> cells) override;
    void End() override;
    bool RowsAffected(int64_t) override { return false; }
    bool Command(std::string_view) override { return false; }

    // Appends one field, quoted when it must be.
    static void AppendField(std::string& out, std::string_view text, bool forceQuotes);

private:
    FormatOptions FOptions;     // floating-point digits
    std::vector<int32_t> FScales; // per column: Column::Scale
    size_t FColumns = 0;
    size_t FResults = 0; // results begun so far
};

} // namespace tnxsql
