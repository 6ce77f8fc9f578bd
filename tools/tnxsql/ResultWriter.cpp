// Shared parts of the writers and the choice of a writer by format.
#include "tools/tnxsql/ResultWriter.h"

#include "tools/tnxsql/CellText.h"
#include "tools/tnxsql/CsvWriter.h"
#include "tools/tnxsql/JsonWriter.h"
#include "tools/tnxsql/TableWriter.h"
#include "tools/tnxsql/Text.h"

#include <ostream>

namespace tnxsql {

bool ParseOutputFormat(std::string_view text, OutputFormat& out) {
    const std::string lower = AsciiLowered(text);
    if (lower == "table")
        out = OutputFormat::Table;
    else if (lower == "csv")
        out = OutputFormat::Csv;
    else if (lower == "json")
        out = OutputFormat::Json;
    else
        return false;
    return true;
}

std::string_view OutputFormatName(OutputFormat format) {
    switch (format) {
    case OutputFormat::Table:
        return "table";
    case OutputFormat::Csv:
        return "csv";
    case OutputFormat::Json:
        return "json";
    }
    return "table";
}

void ResultWriter::Flush() {
    if (!FBuf.empty()) {
        FTarget->write(FBuf.data(), static_cast<std::streamsize>(FBuf.size()));
        FBuf.clear();
    }
    FTarget->flush();
}

void AppendFloatValue(std::string& out, double v, int32_t scale, const FormatOptions& options) {
    AppendFloat(out, v, scale, options.FloatDigits);
}

std::unique_ptr<ResultWriter> MakeResultWriter(const FormatOptions& options, std::ostream& out) {
    switch (options.Format) {
    case OutputFormat::Csv:
        return std::make_unique<CsvWriter>(out, options);
    case OutputFormat::Json:
        return std::make_unique<JsonWriter>(out, options);
    case OutputFormat::Table:
        break;
    }
    return std::make_unique<TableWriter>(out, options);
}

std::string RowsAffectedText(int64_t count) {
    if (count < 0) return "OK";
    return std::to_string(count) + (count == 1 ? " row affected" : " rows affected");
}

} // namespace tnxsql
