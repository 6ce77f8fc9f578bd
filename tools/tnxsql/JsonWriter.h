// Results as JSON: each result is one array of row objects, written one object per line,
//
//   [
//   {"id":1,"name":"alice","born":"1990-05-17","note":null},
//   {"id":2,"name":"bob","born":null,"note":"says \"hi\""}
//   ]
//
// and an empty result is []. A statement without rows gives {"rows_affected":N}, or its command
// ({"command":"CREATE TABLE"}) when it counts no rows. Several statements
// give several JSON texts one after the other (read them with any streaming JSON reader).
//
// Integers and finite floats are numbers; NaN and infinities, which JSON cannot hold, are the
// strings "NaN", "Infinity", "-Infinity". Booleans are true/false, NULL is null. Dates and times are
// ISO 8601 strings (YYYY-MM-DD, HH:MM:SS, YYYY-MM-DDTHH:MM:SS, fractions when present); binary is a
// string of 0x and hexadecimal. Strings are valid UTF-8 (see CellText.h), with quotes, backslashes
// and control characters escaped. Keys are the column names, made unique ("a", "a_2") and never
// empty ("column_3" for a nameless third column).
#pragma once

#include "tools/tnxsql/ResultWriter.h"

namespace tnxsql {

class JsonWriter final : public ResultWriter {
public:
    explicit JsonWriter(std::ostream& out, FormatOptions options = {})
        : ResultWriter(out), FOptions(std::move(options)) {}

    void Begin(const std::vector<Column>& columns) override;
    void Row(std::span<const Cell> cells) override;
    void End() override;
    bool RowsAffected(int64_t count) override;
    bool Command(std::string_view tag) override;

    // Appends text as a JSON string, quotes included.
    static void AppendString(std::string& out, std::string_view text);
    // The object keys for these columns.
    static std::vector<std::string> Keys(const std::vector<Column>& columns);

private:
    FormatOptions FOptions;         // floating-point digits
    std::vector<int32_t> FScales;   // per column: Column::Scale
    std::vector<std::string> FKeys; // each already written as a JSON string followed by ':'
};

} // namespace tnxsql
